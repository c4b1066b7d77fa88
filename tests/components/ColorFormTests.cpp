// The drop-down palette: its picture pixel by pixel, the hit test's bounds,
// and what presses do, on the real window under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "ColorTestSupport.h"
#include "components/ColorForm.h"

using namespace forms;
using namespace components;
using namespace color_tests;

namespace {

constexpr int W = TColorForm::PaletteWidth, H = TColorForm::PaletteHeight;
const TColor kGrey = RGB(128, 128, 128), kLight = RGB(223, 223, 223);

// The twenty fixed colours by row and column, as the palette is described
// (R, G, B), not read from its own table.
const TColor kTable[5][4] = {
    {RGB(255, 255, 255), RGB(0, 0, 0), RGB(192, 192, 192), RGB(128, 128, 128)},     // white, black, silver, grey
    {RGB(255, 0, 0), RGB(128, 0, 0), RGB(255, 255, 0), RGB(128, 128, 0)},           // red, maroon, yellow, olive
    {RGB(0, 255, 0), RGB(0, 128, 0), RGB(0, 255, 255), RGB(0, 128, 128)},           // lime, green, aqua, teal
    {RGB(0, 0, 255), RGB(0, 0, 128), RGB(255, 0, 255), RGB(128, 0, 128)},           // blue, navy, fuchsia, purple
    {RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240), RGB(160, 160, 164)}, // money green, sky blue, cream, medium grey
};

TPixels Render(TColorForm& palette) {
    TBitmap bitmap;
    bitmap.SetSize(W, H);
    palette.DrawPalette(bitmap.Canvas());
    return ReadPixels(bitmap);
}

// A sunken 16 x 16 well at (l, t) around a 12 x 12 square of fill.
void ExpectWell(const TPixels& p, int l, int t, TColor fill) {
    for (int dy = 0; dy < 16; ++dy)
        for (int dx = 0; dx < 16; ++dx) {
            TColor expected = dx == 15 || dy == 15 ? clWhite
                              : dx == 0 || dy == 0 ? kGrey
                              : dx == 14 || dy == 14 ? kLight
                              : dx == 1 || dy == 1 ? clBlack
                                                   : Rgb(fill);
            ASSERT_EQ(p.At(l + dx, t + dy), expected) << "well " << l << "," << t << " +" << dx << ",+" << dy;
        }
}

void ExpectRing(const TPixels& p, RECT r, TColor color) {
    for (int x = r.left; x < r.right; ++x)
        for (int y : {int(r.top), int(r.bottom - 1)}) ASSERT_EQ(p.At(x, y), color) << x << "," << y;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x : {int(r.left), int(r.right - 1)}) ASSERT_EQ(p.At(x, y), color) << x << "," << y;
}

// The other-colour button spans x 3 .. right-1: its two-pixel edge equals a
// system button of that size, with plain face on either side.
void ExpectButtonTo(const TPixels& p, int right) {
    const int left = 3, top = H - 21, bottom = H - 3;
    TPixels face = ButtonFace(right - left, bottom - top, false);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (x < left + 2 || x >= right - 2 || y < top + 2 || y >= bottom - 2) {
                ASSERT_EQ(p.At(x, y), face.At(x - left, y - top)) << "button edge " << x << "," << y;
            }
    EXPECT_EQ(p.At(right, 108), Rgb(clBtnFace));
    EXPECT_EQ(p.At(left - 1, 108), Rgb(clBtnFace));
}

class ColorFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = new TForm(Application());
        host->SetBounds(60, 60, 320, 260);
        host->Show();
        palette = new TColorForm(host);
        palette->SetBounds(100, 100, W, H);
        palette->OnSelect = [this](TColorForm* sender, TColor color) {
            EXPECT_EQ(sender, palette);
            picks.push_back(color);
        };
        palette->OnCloseUp = [this](TColorForm*) { ++closeUps; };
        PaletteCaption.clear();
        Pump();
    }
    void TearDown() override {
        EXPECT_EQ(unexpectedDialogs.Opened, 0);
        delete host;
        Pump(10);
    }
    void Open(TColor color) {
        picks.clear();
        palette->SetCurrentColor(color);
        palette->Show();
        Pump();
    }
    HWND Wnd() { return palette->Handle(); }
    bool Shown() { return IsWindowVisible(Wnd()); }
    void Move(int x, int y) { SendMessageA(Wnd(), WM_MOUSEMOVE, 0, At(x, y)); }
    void Press(int x, int y, UINT msg = WM_LBUTTONDOWN) { SendMessageA(Wnd(), msg, 0, At(x, y)); }

    TColorDialogDriver unexpectedDialogs{false}; // cancels any a test did not ask for
    TForm* host = nullptr;
    TColorForm* palette = nullptr;
    std::vector<TColor> picks;
    int closeUps = 0;
};

} // namespace

TEST(PaletteGeometry, TableLookupAndHitTestBounds) {
    int column, row;
    ASSERT_TRUE(TColorForm::FindPaletteColor(clMaroon, column, row));
    EXPECT_EQ(column * 10 + row, 22);
    // Raw comparison: a system colour is never a table entry.
    EXPECT_FALSE(TColorForm::FindPaletteColor(clBtnShadow, column, row));
    EXPECT_FALSE(TColorForm::FindPaletteColor(clNone, column, row));

    struct TCase {
        int x, y, column, row;
    } cases[] = {
        // Cells grown by 2 with strict bounds; a shared pixel goes to the
        // upper or left cell.
        {2, 10, 0, 0}, {3, 10, 1, 1}, {21, 10, 1, 1}, {22, 10, 2, 1}, {21, 21, 1, 1}, {10, 22, 1, 2},
        {75, 10, 4, 1}, {76, 10, 0, 0}, {10, 2, 0, 0}, {10, 93, 1, 5}, {10, 94, 0, 0},
        // The swatch's area: strict and not grown.
        {59, 101, 4, 6}, {73, 115, 4, 6}, {58, 108, 0, 0}, {74, 108, 0, 0}, {66, 100, 0, 0}, {66, 116, 0, 0},
    };
    for (const TCase& c : cases) {
        TColorForm::PositionAt(c.x, c.y, column, row);
        EXPECT_EQ(column * 10 + row, c.column * 10 + c.row) << c.x << "," << c.y;
    }
}

TEST_F(ColorFormTest, PictureWithATableColourOrWithTheSwatch) {
    palette->SetCurrentColor(clRed);
    TPixels p = Render(*palette);
    for (int row = 1; row <= 5; ++row)
        for (int column = 1; column <= 4; ++column)
            ExpectWell(p, 18 * (column - 1) + 4, 18 * (row - 1) + 4, kTable[row - 1][column - 1]);
    EXPECT_EQ(p.At(66, 108), Rgb(clBtnFace)); // no swatch
    // Etched separator: grey x 4..73 on y 95; white x 4..72, then grey, on y 96.
    for (int x = 3; x <= 74; ++x) {
        EXPECT_EQ(p.At(x, 95), x == 3 || x == 74 ? Rgb(clBtnFace) : kGrey) << x;
        EXPECT_EQ(p.At(x, 96), x == 3 || x == 74 ? Rgb(clBtnFace) : x == 73 ? kGrey : clWhite) << x;
    }
    ExpectButtonTo(p, 65);
    int textPixels = 0;
    for (int y = H - 19; y < H - 5; ++y)
        for (int x = 5; x < 63; ++x) textPixels += p.At(x, y) == Rgb(clBtnText);
    EXPECT_GT(textPixels, 10);
    EXPECT_EQ(PaletteCaption, "&Other..."); // filled in for the empty caption

    // A caption too long for the narrow button stays inside its edges.
    PaletteCaption = "&Many more colours to choose from...";
    for (TColor color : {TColor(0x00123456), clBtnFace}) {
        palette->SetCurrentColor(color);
        p = Render(*palette);
        ExpectWell(p, 58, 100, color);
        ExpectButtonTo(p, 56);
    }
    EXPECT_EQ(PaletteCaption, "&Many more colours to choose from...");
}

TEST_F(ColorFormTest, HighlightIsThreeRingsAroundACellOrTheSwatchArea) {
    palette->SetCurrentColor(clRed);
    palette->SetHot(2, 3);
    TPixels p = Render(*palette);
    ExpectRing(p, {21, 39, 39, 57}, clBlack);
    ExpectRing(p, {22, 40, 38, 56}, clWhite);
    ExpectRing(p, {23, 41, 37, 55}, clBlack);
    EXPECT_EQ(p.At(24, 42), Rgb(kTable[2][1]));
    EXPECT_EQ(p.At(20, 38), Rgb(clBtnFace));

    // Framed even where no swatch is drawn: over the wide button's end.
    palette->SetHot(4, 6);
    p = Render(*palette);
    ExpectRing(p, {57, 99, 75, 117}, clBlack);
    ExpectRing(p, {58, 100, 74, 116}, clWhite);
    ExpectRing(p, {59, 101, 73, 115}, clBlack);
    ExpectWell(p, 22, 40, kTable[2][1]);

    palette->SetHot(0, 0);
    ExpectButtonTo(Render(*palette), 65);
}

TEST_F(ColorFormTest, ShownWindowHighlightsItsColourAndShowsThePicture) {
    Open(clMaroon);
    EXPECT_EQ(palette->HotColumn() * 10 + palette->HotRow(), 22);
    UpdateWindow(Wnd());
    EXPECT_EQ(ReadWindow(Wnd(), W, H).Bgra, Render(*palette).Bgra);
    HDC dc = GetDC(Wnd());
    EXPECT_EQ(SendMessageA(Wnd(), WM_ERASEBKGND, WPARAM(dc), 0), 1); // never erased
    ReleaseDC(Wnd(), dc);
    EXPECT_TRUE(GetWindowLongA(Wnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    palette->Close();

    Open(clHighlight);
    EXPECT_EQ(palette->HotColumn() * 10 + palette->HotRow(), 46);
}

TEST_F(ColorFormTest, HighlightFollowsThePointerAndPressesPickIt) {
    Open(clWhite);
    Move(30, 30);
    EXPECT_EQ(palette->HotColumn() * 10 + palette->HotRow(), 22);
    SendMessageA(Wnd(), WM_MOUSELEAVE, 0, 0); // leaving keeps the highlight
    EXPECT_EQ(palette->HotColumn() * 10 + palette->HotRow(), 22);
    Move(61, 79);
    Press(2, 2, WM_RBUTTONDOWN); // any button; the highlight decides, not the point
    EXPECT_EQ(picks, std::vector<TColor>{kTable[4][3]});
    EXPECT_FALSE(Shown());
    EXPECT_EQ(closeUps, 1);

    // The swatch's area hands over the current colour, drawn or not.
    for (TColor color : {clBtnFace, clWhite}) {
        Open(color);
        Move(66, 108);
        Press(66, 108);
        EXPECT_EQ(picks, std::vector<TColor>{color});
        EXPECT_FALSE(Shown());
    }
}

TEST_F(ColorFormTest, PressWithoutHighlightOutsideTheButtonDoesNothing) {
    Open(clWhite);
    Move(40, 97);
    ASSERT_EQ(palette->HotColumn(), 0);
    TColorDialogDriver dialog(false);
    for (UINT msg : {UINT(WM_LBUTTONDOWN), UINT(WM_MBUTTONDOWN)}) {
        Press(40, 97, msg);
        Press(70, 118, msg);
    }
    Pump();
    EXPECT_TRUE(picks.empty());
    EXPECT_EQ(dialog.Opened, 0);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(closeUps, 0);
}

TEST_F(ColorFormTest, ButtonOpensTheExpandedDialogModalToTheOwner) {
    Open(clBtnShadow);
    {
        TColorDialogDriver dialog(true, 0x00336699);
        Move(10, 108);
        Press(10, 108);
        EXPECT_EQ(dialog.Opened, 1);
        EXPECT_EQ(dialog.TimedOut, 0);
        EXPECT_TRUE(dialog.FullOpen);
        EXPECT_EQ(dialog.InitialColor, Rgb(clBtnShadow)); // resolved: the dialog knows RGB only
        EXPECT_EQ(dialog.Owner, host->Handle());
        EXPECT_TRUE(dialog.OwnerDisabled);
    }
    EXPECT_FALSE(Shown());
    EXPECT_EQ(picks, std::vector<TColor>{0x00336699});
    EXPECT_EQ(closeUps, 1);

    Open(clRed);
    TColorDialogDriver dialog(false);
    Move(64, 117); // inclusive corner of the button's area
    Press(64, 117);
    EXPECT_EQ(dialog.Opened, 1);
    EXPECT_TRUE(picks.empty());
    EXPECT_FALSE(Shown());
}

TEST_F(ColorFormTest, PressInTheSwatchAreaOverTheButtonDoesBothSteps) {
    for (int x : {59, 65, 66}) {
        Open(clBtnFace);
        Move(x, 108);
        TColorDialogDriver dialog(true, 0x00ABCDEF);
        Press(x, 108);
        if (x <= 65) {
            EXPECT_EQ(picks, (std::vector<TColor>{clBtnFace, 0x00ABCDEF})) << x;
        } else {
            EXPECT_EQ(picks, std::vector<TColor>{clBtnFace}); // past the button's area
            EXPECT_EQ(dialog.Opened, 0);
        }
    }
}

TEST_F(ColorFormTest, LosingTheFocusClosesThePalette) {
    Open(clRed);
    ASSERT_EQ(GetFocus(), Wnd());
    SetForegroundWindow(host->Handle());
    SetFocus(host->Handle());
    Pump();
    EXPECT_FALSE(Shown());
    EXPECT_TRUE(picks.empty());
    EXPECT_EQ(closeUps, 0);
}

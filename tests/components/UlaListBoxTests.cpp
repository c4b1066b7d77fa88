// The striped list box: its rows pixel by pixel (drawn through real
// WM_DRAWITEM messages into bitmaps), its row height from fonts and images,
// what each setter repaints, its image list link, and its layout properties.
// Text is compared by where its ink lies, measured against the same text
// drawn by DrawTextA alone, never by glyph shapes.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "HandleCounter.h"
#include "components/ComponentsRegistration.h"
#include "components/UlaListBox.h"
#include "forms/ComCtrls.h"
#include "forms/Forms.h"
#include "forms/LayoutReader.h"
#include "forms/Layouts.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/Pixels.h"

using namespace forms;
using namespace components;

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace {

const TColor kPaper = RGB(0x12, 0x34, 0x56); // never drawn by the list
const TColor kText = RGB(0, 0, 255);
const TColor kBar = RGB(250, 240, 120);
const TColor kEven = RGB(200, 230, 255);
const TColor kOdd = RGB(150, 200, 250);
const TColor kImage = RGB(0, 160, 0);
const char kFace[] = "DejaVu Sans";

using testing_support::Pump;
using testing_support::ReadPixels;
using testing_support::TPixels;

using testing_support::Rgb;
using testing_support::SolidIcon;
using testing_support::Fill;

// Bounding box (right and bottom exclusive) of the pixels in area that are
// neither the background nor `skip`; empty when there are none.
RECT InkBox(const TPixels& p, RECT area, TColor background, TColor skip = clNone) {
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            TColor c = p.At(x, y);
            if (c == background || c == skip) continue;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box;
}

// Where DrawTextA alone puts the ink of text in a box of this size: the
// glyphs' own bearings, which the row's margins are measured from.
RECT ReferenceInk(const TFont& font, const std::string& text, UINT align, int width, int height, TColor background) {
    TBitmap bitmap;
    Fill(bitmap, width, height, background);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Font().Assign(&font);
    HDC dc = canvas.Handle();
    SetBkMode(dc, TRANSPARENT);
    RECT r{0, 0, width, height};
    DrawTextA(dc, text.c_str(), -1, &r, align | DT_VCENTER | DT_SINGLELINE);
    return InkBox(ReadPixels(bitmap.Handle(), width, height), {0, 0, width, height}, background);
}

// Pixels of a colour family, robust against smoothed glyph edges.
bool HasReddish(const TPixels& p) {
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) {
            TColor c = p.At(x, y);
            if (GetRValue(c) > 150 && GetGValue(c) < 110 && GetBValue(c) < 110) return true;
        }
    return false;
}
bool HasBluish(const TPixels& p) {
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) {
            TColor c = p.At(x, y);
            if (GetBValue(c) > 150 && GetRValue(c) < 110 && GetGValue(c) < 110) return true;
        }
    return false;
}

void AddSolidImage(TImageList& images, TColor color) {
    HICON icon = SolidIcon(color, images.Width());
    images.AddIcon(icon);
    DestroyIcon(icon);
}

class UlaTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = new TForm(Application());
        host->SetBounds(40, 40, 420, 320);
        list = new TUlaListBox(host);
        list->SetParent(host);
        list->SetBounds(10, 10, 240, 200);
        list->Font().SetName(kFace);
        list->Font().SetHeight(13);
        list->Font().SetColor(kText);
        list->BarFont().SetName(kFace);
        list->BarFont().SetHeight(16);
        list->SetItems({"", "", "", ""});
        host->Show();
        Pump();
    }
    void TearDown() override {
        delete host;
        Pump(10);
    }

    // Row `index` drawn by the list into a bitmap through a real WM_DRAWITEM
    // with the given ODS_ state; the list's own focus rectangle included.
    TPixels DrawRow(int index, unsigned state, TUlaListBox* target = nullptr) {
        const int width = kWidth, height = kHeight;
        TBitmap bitmap;
        Fill(bitmap, width, height, kPaper);
        HWND wnd = (target ? target : list)->Handle();
        DRAWITEMSTRUCT item{ODT_LISTBOX, UINT(GetDlgCtrlID(wnd)), UINT(index), ODA_DRAWENTIRE, state, wnd,
                            bitmap.Canvas().Handle(), {0, 0, width, height}, 0};
        SendMessageA(host->Handle(), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        return ReadPixels(bitmap.Handle(), width, height);
    }

    TImageList* Images(int size) {
        auto* images = new TImageList(host);
        images->SetWidth(size);
        images->SetHeight(size);
        AddSolidImage(*images, kImage);
        return images;
    }

    static constexpr int kWidth = 160, kHeight = 23; // odd: the image centring rounds
    TForm* host = nullptr;
    TUlaListBox* list = nullptr;
};

void ExpectFrame(const TPixels& p, TColor topLeft, TColor bottomRight, TColor inside) {
    const int w = p.Width, h = p.Height;
    for (int x = 0; x < w - 1; ++x) ASSERT_EQ(p.At(x, 0), topLeft) << "top " << x;
    for (int y = 0; y < h - 1; ++y) ASSERT_EQ(p.At(0, y), topLeft) << "left " << y;
    for (int y = 0; y < h; ++y) ASSERT_EQ(p.At(w - 1, y), bottomRight) << "right " << y;
    for (int x = 0; x < w; ++x) ASSERT_EQ(p.At(x, h - 1), bottomRight) << "bottom " << x;
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) ASSERT_EQ(p.At(x, y), inside) << x << "," << y;
}

bool AllOf(const TPixels& p, TColor color) {
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x)
            if (p.At(x, y) != color) return false;
    return true;
}

} // namespace

TEST_F(UlaTest, NewListHasTheDocumentedLook) {
    TUlaListBox fresh(nullptr);
    EXPECT_EQ(fresh.Color(), 0xD6E9D7u);
    EXPECT_EQ(fresh.BarColor(), 0xD6E9D7u);
    EXPECT_EQ(fresh.EvenColor(), 0xE1E1E1u);
    EXPECT_EQ(fresh.OddColor(), 0xD1D1D1u);
    EXPECT_EQ(fresh.BarStyle(), tbsLowered);
    EXPECT_EQ(fresh.ImagePos(), ipLeft);
    EXPECT_EQ(fresh.Alignment(), taLeftJustify);
    EXPECT_EQ(fresh.Offset(), 3);
    EXPECT_EQ(fresh.ItemHeight(), 20);
    EXPECT_FALSE(fresh.OddEvenColors());
    EXPECT_EQ(fresh.Images(), nullptr);
    EXPECT_EQ(fresh.BarFont().Name(), fresh.Font().Name());
    EXPECT_EQ(fresh.BarFont().Size(), 8);
    EXPECT_EQ(fresh.BarFont().Color(), 255u);
}

TEST_F(UlaTest, RowsAreFilledEvenOddOrPlainAndTheSelectionWithTheBar) {
    list->SetEvenColor(kEven);
    list->SetOddColor(kOdd);
    list->SetBarColor(kBar);
    list->SetColor(RGB(10, 20, 30));
    list->SetBarStyle(tbsColor); // no frame: the whole row shows the fill
    list->SetOddEvenColors(true);
    EXPECT_TRUE(AllOf(DrawRow(0, 0), kEven));
    EXPECT_TRUE(AllOf(DrawRow(1, 0), kOdd));
    EXPECT_TRUE(AllOf(DrawRow(2, 0), kEven));
    EXPECT_TRUE(AllOf(DrawRow(1, ODS_SELECTED), kBar));
    EXPECT_TRUE(AllOf(DrawRow(2, ODS_SELECTED), kBar));
    list->SetOddEvenColors(false);
    EXPECT_TRUE(AllOf(DrawRow(0, 0), RGB(10, 20, 30)));
    EXPECT_TRUE(AllOf(DrawRow(1, 0), RGB(10, 20, 30)));
    // System colours are resolved when drawn.
    list->SetColor(clBtnFace);
    EXPECT_TRUE(AllOf(DrawRow(3, 0), Rgb(clBtnFace)));
}

TEST_F(UlaTest, SelectedBarFrameFollowsBarStyle) {
    list->SetBarColor(kBar);
    const TColor light = Rgb(clBtnHighlight), dark = Rgb(clBtnShadow);
    ASSERT_NE(light, dark);
    list->SetBarStyle(tbsLowered);
    ExpectFrame(DrawRow(1, ODS_SELECTED), light, dark, kBar);
    list->SetBarStyle(tbsRaised);
    ExpectFrame(DrawRow(1, ODS_SELECTED), dark, light, kBar);
    list->SetBarStyle(tbsColor);
    EXPECT_TRUE(AllOf(DrawRow(1, ODS_SELECTED), kBar));
    // An unselected row gets no frame whatever the style.
    list->SetBarStyle(tbsLowered);
    EXPECT_TRUE(AllOf(DrawRow(1, 0), list->Color()));
}

TEST_F(UlaTest, TextMarginsWithoutImages) {
    list->SetItems({"HHxH", "HHxH"});
    list->SetOffset(6);
    const TColor fill = list->Color();
    const RECT inside{1, 1, kWidth - 1, kHeight - 1};
    RECT left = ReferenceInk(list->Font(), "HHxH", DT_LEFT, kWidth, kHeight, fill);
    RECT right = ReferenceInk(list->Font(), "HHxH", DT_RIGHT, kWidth, kHeight, fill);
    ASSERT_LT(left.left, left.right) << "no text was drawn";

    // Left: Offset after the one-pixel inset.
    EXPECT_EQ(InkBox(DrawRow(0, 0), inside, fill).left, 1 + 6 + left.left);
    list->SetOffset(0);
    EXPECT_EQ(InkBox(DrawRow(0, 0), inside, fill).left, 1 + left.left);
    // Right: Offset + 1 before the inset right edge.
    list->SetOffset(6);
    list->SetAlignment(taRightJustify);
    EXPECT_EQ(InkBox(DrawRow(0, 0), inside, fill).right, (kWidth - 1) - (6 + 1) - (kWidth - right.right));
    // Centred: the box loses one pixel on the right only, whatever Offset is.
    list->SetAlignment(taCenter);
    RECT centred = InkBox(DrawRow(0, 0), inside, fill);
    list->SetOffset(40);
    EXPECT_EQ(InkBox(DrawRow(0, 0), inside, fill), centred);
}

TEST_F(UlaTest, ColorBarLeavesTheTextOnePixelMoreRoomOnEachSide) {
    list->SetItems({"HHxH"});
    list->SetBarColor(kBar);
    const RECT inside{1, 1, kWidth - 1, kHeight - 1};
    for (TAlignment alignment : {taLeftJustify, taRightJustify}) {
        list->SetAlignment(alignment);
        list->SetBarStyle(tbsLowered);
        RECT lowered = InkBox(DrawRow(0, ODS_SELECTED), inside, kBar);
        list->SetBarStyle(tbsRaised);
        EXPECT_EQ(InkBox(DrawRow(0, ODS_SELECTED), inside, kBar), lowered);
        list->SetBarStyle(tbsColor);
        RECT color = InkBox(DrawRow(0, ODS_SELECTED), inside, kBar);
        if (alignment == taLeftJustify) EXPECT_EQ(color.left, lowered.left - 1);
        else EXPECT_EQ(color.right, lowered.right + 1);
    }
}

TEST_F(UlaTest, ImagesSitBesideTheTextOnEitherSide) {
    TImageList* images = Images(16);
    list->SetImages(images);
    list->SetItems({"HHxH", "HHxH"});
    list->SetOffset(5);
    std::vector<int> asked;
    list->OnGetImageIndex = [&](TObject* sender, const int row, int& idx) {
        EXPECT_EQ(sender, list);
        EXPECT_EQ(idx, -1);
        asked.push_back(row);
        idx = 0;
    };
    const TColor fill = list->Color();
    RECT ref = ReferenceInk(list->Font(), "HHxH", DT_LEFT, kWidth, kHeight, fill);
    // Vertically centred in the inset row, halves cut: 1 + 21 / 2 - 16 / 2.
    const int top = 1 + (kHeight - 2) / 2 - 8;

    TPixels p = DrawRow(1, 0);
    EXPECT_EQ(asked, std::vector<int>{1});
    // Left: image at inset + Offset, text after the image, 3 and 3 pixels on.
    RECT expectedLeft{1 + 5, top, 1 + 5 + 16, top + 16};
    EXPECT_EQ(InkBox(p, {0, 0, 1 + 5 + 16, kHeight}, fill), expectedLeft);
    EXPECT_EQ(InkBox(p, {1 + 5 + 16, 0, kWidth, kHeight}, fill).left, 1 + 5 + 16 + 3 + 3 + ref.left);

    list->SetImagePos(ipRight);
    p = DrawRow(1, 0);
    RECT expectedRight{kWidth - 1 - 5 - 16, top, kWidth - 1 - 5, top + 16};
    EXPECT_EQ(InkBox(p, {kWidth - 1 - 5 - 16, 0, kWidth, kHeight}, fill), expectedRight);
    // Left-aligned text with the image on the right keeps Offset on the left.
    EXPECT_EQ(InkBox(p, {0, 0, kWidth - 1 - 5 - 16, kHeight}, fill).left, 1 + 5 + ref.left);
}

TEST_F(UlaTest, WithoutAnImageIndexTheTextKeepsThreePixelMargins) {
    list->SetImages(Images(16));
    list->SetItems({"HHxH"});
    list->SetOffset(9);
    const TColor fill = list->Color();
    RECT ref = ReferenceInk(list->Font(), "HHxH", DT_LEFT, kWidth, kHeight, fill);
    const RECT inside{1, 1, kWidth - 1, kHeight - 1};

    TPixels unasked = DrawRow(0, 0); // no OnGetImageIndex
    EXPECT_EQ(InkBox(unasked, inside, fill).left, 1 + 3 + ref.left);
    EXPECT_EQ(InkBox(unasked, inside, fill, kImage), InkBox(unasked, inside, fill)); // no image pixels

    list->OnGetImageIndex = [](TObject*, const int, int& idx) { idx = -2; };
    EXPECT_EQ(DrawRow(0, 0), unasked);

    // Without Images the event is not asked at all.
    int asked = 0;
    list->OnGetImageIndex = [&](TObject*, const int, int&) { ++asked; };
    list->SetImages(nullptr);
    DrawRow(0, 0);
    EXPECT_EQ(asked, 0);
}

TEST_F(UlaTest, BarFontMarksSelectedAndFocusedRowsAndOnlyTheUnselectedFocusShows) {
    list->SetItems({"HHHH", "HHHH"});
    list->BarFont().SetColor(RGB(255, 0, 0));
    list->SetBarColor(kBar);
    list->SetBarStyle(tbsColor);
    const TColor fill = list->Color();

    TPixels plain = DrawRow(0, 0);
    EXPECT_TRUE(HasBluish(plain));
    EXPECT_FALSE(HasReddish(plain));

    TPixels selected = DrawRow(0, ODS_SELECTED);
    EXPECT_TRUE(HasReddish(selected));
    EXPECT_FALSE(HasBluish(selected));

    TPixels focused = DrawRow(0, ODS_FOCUS);
    EXPECT_TRUE(HasReddish(focused));
    EXPECT_FALSE(HasBluish(focused));
    // The focus rectangle inverts every other pixel of the row's outline.
    int changed = 0;
    for (int x = 0; x < kWidth; ++x) changed += (focused.At(x, 0) != fill) + (focused.At(x, kHeight - 1) != fill);
    EXPECT_GT(changed, kWidth / 2);
    EXPECT_EQ(focused.At(kWidth / 2, kHeight / 2 - 8), fill); // but nothing inside

    // On the selected row the two focus rectangles cancel exactly.
    EXPECT_EQ(DrawRow(0, ODS_SELECTED | ODS_FOCUS), selected);
    list->SetBarStyle(tbsLowered);
    EXPECT_EQ(DrawRow(0, ODS_SELECTED | ODS_FOCUS), DrawRow(0, ODS_SELECTED));
}

TEST_F(UlaTest, ItemHeightFollowsFontsAndImages) {
    // The fonts this test relies on must measure as it says.
    auto measure = [](int height) {
        TFont font;
        font.SetName(kFace);
        font.SetHeight(height);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font.Handle());
        SIZE size{};
        GetTextExtentPoint32A(dc, "\xCDy", 2, &size);
        SelectObject(dc, old);
        DeleteDC(dc);
        return int(size.cy);
    };
    if (measure(13) != 13 || measure(16) != 16)
        GTEST_SKIP() << kFace << " does not measure 13 and 16 pixels here (" << measure(13) << ", " << measure(16) << ")";

    EXPECT_EQ(list->ItemHeight(), 16 + 5); // the bar font is the taller
    TImageList* images = Images(16);
    list->SetImages(images);
    EXPECT_EQ(list->ItemHeight(), 21);
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 0, 0), 21);

    // The image list reports its changes through the link.
    EXPECT_EQ(list->ImageChangeLink().Sender(), images);
    images->SetHeight(24);
    EXPECT_EQ(list->ItemHeight(), 29);
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 0, 0), 29);

    // Fonts: the bar font is measured too, and the control's own font.
    list->BarFont().SetHeight(13);
    EXPECT_EQ(list->ItemHeight(), 29);
    list->SetImages(nullptr);
    EXPECT_EQ(list->ImageChangeLink().Sender(), nullptr);
    EXPECT_EQ(list->ItemHeight(), 13 + 5);
    list->Font().SetHeight(20);
    EXPECT_EQ(list->ItemHeight(), measure(20) + 5);
    TFont big;
    big.SetName(kFace);
    big.SetHeight(26);
    list->SetBarFont(&big);
    EXPECT_EQ(list->BarFont().Height(), 26);
    EXPECT_EQ(list->ItemHeight(), measure(26) + 5);
    EXPECT_NE(&list->BarFont(), &big); // copied, not shared

    // An image list that goes away is let go of.
    list->Font().SetHeight(13);
    list->BarFont().SetHeight(16);
    list->SetImages(images);
    EXPECT_EQ(list->ItemHeight(), 29);
    delete images;
    EXPECT_EQ(list->Images(), nullptr);
    EXPECT_EQ(list->ImageChangeLink().Sender(), nullptr);
    EXPECT_EQ(list->ItemHeight(), 21);
}

TEST_F(UlaTest, SettersRepaintOnlyWhatChanged) {
    list->SetItems({"a", "b", "c", "d"});
    list->SetItemIndex(1);
    HWND wnd = list->Handle();
    auto settle = [&] {
        UpdateWindow(wnd);
        ValidateRect(wnd, nullptr);
    };
    auto dirty = [&](RECT* where = nullptr) {
        RECT r{};
        bool any = GetUpdateRect(wnd, &r, FALSE);
        if (where) *where = r;
        return any;
    };
    RECT row1{}, client{};
    SendMessageA(wnd, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row1));
    GetClientRect(wnd, &client);
    RECT r;

    settle();
    list->SetBarColor(list->BarColor());
    EXPECT_FALSE(dirty());
    list->SetBarColor(kBar);
    ASSERT_TRUE(dirty(&r));
    EXPECT_EQ(r, row1);

    settle();
    list->SetBarStyle(tbsRaised);
    ASSERT_TRUE(dirty(&r));
    EXPECT_EQ(r, row1);

    settle();
    list->BarFont().SetColor(clBlue);
    ASSERT_TRUE(dirty(&r));
    EXPECT_EQ(r, row1);

    settle();
    list->SetOddColor(kOdd);
    ASSERT_TRUE(dirty(&r));
    EXPECT_EQ(r, client);

    settle();
    list->SetImagePos(ipRight); // no images: nothing to move
    EXPECT_FALSE(dirty());
    list->SetOffset(3);
    EXPECT_FALSE(dirty());

    // Nothing selected: bar changes repaint nothing.
    list->SetItemIndex(-1);
    settle();
    list->SetBarColor(kEven);
    EXPECT_FALSE(dirty());
}

namespace {
class TMultiUlaListBox : public TUlaListBox {
public:
    using TUlaListBox::TUlaListBox;

protected:
    void CreateParams(TCreateParams& params) override {
        TUlaListBox::CreateParams(params);
        params.Style |= LBS_EXTENDEDSEL;
    }
};
} // namespace

TEST_F(UlaTest, SeveralSelectedRowsRepaintTheWholeList) {
    auto* multi = new TMultiUlaListBox(host);
    multi->SetParent(host);
    multi->SetBounds(260, 10, 120, 200);
    multi->SetItems({"a", "b", "c", "d"});
    HWND wnd = multi->Handle();
    multi->SetItemIndex(2);
    SendMessageA(wnd, LB_SETSEL, TRUE, 2);
    UpdateWindow(wnd);
    ValidateRect(wnd, nullptr);
    RECT row2{}, client{}, r{};
    SendMessageA(wnd, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row2));
    GetClientRect(wnd, &client);
    multi->SetBarColor(kBar);
    ASSERT_TRUE(GetUpdateRect(wnd, &r, FALSE));
    EXPECT_EQ(r, row2);

    SendMessageA(wnd, LB_SETSEL, TRUE, 0);
    UpdateWindow(wnd);
    ValidateRect(wnd, nullptr);
    multi->SetBarStyle(tbsColor);
    ASSERT_TRUE(GetUpdateRect(wnd, &r, FALSE));
    EXPECT_EQ(r, client);
}

TEST_F(UlaTest, PaintedListShowsStripesAndTheBar) {
    list->SetItems({"Alpha", "Beta", "Gamma", "Delta"});
    list->SetOddEvenColors(true);
    list->SetEvenColor(kEven);
    list->SetOddColor(kOdd);
    list->SetBarColor(kBar);
    list->SetItemIndex(2);
    HWND wnd = list->Handle();
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    RECT rows[3];
    for (int i = 0; i < 3; ++i) SendMessageA(wnd, LB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&rows[i]));
    RECT client{};
    GetClientRect(wnd, &client);

    HDC dc = GetDC(wnd);
    auto at = [&](int x, int y) { return GetPixel(dc, x, y) & 0x00FFFFFF; };
    const int right = rows[0].right - 2; // far from any text
    EXPECT_EQ(at(right, rows[0].top + 2), kEven);
    EXPECT_EQ(at(right, rows[1].top + 2), kOdd);
    EXPECT_EQ(at(right, rows[2].top + 2), kBar);
    EXPECT_EQ(at(rows[2].left, rows[2].top), Rgb(clBtnHighlight));
    EXPECT_EQ(at(rows[2].right - 1, rows[2].bottom - 1), Rgb(clBtnShadow));
    EXPECT_EQ(rows[1].bottom - rows[1].top, list->ItemHeight());
    ReleaseDC(wnd, dc);
}

TEST(UlaLayout, BuildsFromALayoutWithAnImageListNamedLater) {
    RegisterComponentClasses();
    TForm form(nullptr);
    ReadLayoutInto(&form,
                   ReadLayout("object F: TForm\n"
                              "  object Rows: TUlaListBox\n"
                              "    Alignment = taCenter\n"
                              "    BarColor = clYellow\n"
                              "    BarFont.Color = clBlue\n"
                              "    BarFont.Style = [fsBold]\n"
                              "    BarStyle = tbsRaised\n"
                              "    EvenColor = 16777215\n"
                              "    OddColor = clSilver\n"
                              "    OddEvenColors = True\n"
                              "    Images = Pictures\n"
                              "    ImagePos = ipRight\n"
                              "    Offset = 9\n"
                              "    Items.Strings = ( 'one' 'two' )\n"
                              "  end\n"
                              "  object Pictures: TImageList\n"
                              "    Height = 32\n"
                              "    Width = 32\n"
                              "  end\n"
                              "end\n"),
                   &form);
    auto* rows = form.Field<TUlaListBox>("Rows");
    auto* pictures = form.Field<TImageList>("Pictures");
    EXPECT_EQ(rows->Alignment(), taCenter);
    EXPECT_EQ(rows->BarColor(), clYellow);
    EXPECT_EQ(rows->BarFont().Color(), clBlue);
    EXPECT_TRUE(rows->BarFont().Style().Contains(fsBold));
    EXPECT_EQ(rows->BarStyle(), tbsRaised);
    EXPECT_EQ(rows->EvenColor(), clWhite);
    EXPECT_EQ(rows->OddColor(), clSilver);
    EXPECT_TRUE(rows->OddEvenColors());
    EXPECT_EQ(rows->Images(), pictures);
    EXPECT_EQ(rows->ImagePos(), ipRight);
    EXPECT_EQ(rows->Offset(), 9);
    EXPECT_EQ(rows->Items().size(), 2u);
    EXPECT_EQ(rows->ItemHeight(), 32 + 5); // the images are the tallest

    TForm bad(nullptr);
    EXPECT_THROW(ReadLayoutInto(&bad,
                                ReadLayout("object F: TForm\n"
                                           "  object Rows: TUlaListBox\n"
                                           "    Offset = 256\n"
                                           "  end\n"
                                           "end\n"),
                                &bad),
                 ELayoutError);
}

TEST_F(UlaTest, DrawingAndImageListsLeaveNoHandles) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "handle counting unavailable";
    auto round = [&] {
        auto* rows = new TUlaListBox(host);
        rows->SetParent(host);
        rows->SetItems({"one", "two"});
        TImageList* images = Images(16);
        rows->SetImages(images);
        rows->OnGetImageIndex = [](TObject*, const int, int& idx) { idx = 0; };
        for (TBarStyle style : {tbsLowered, tbsRaised, tbsColor}) {
            rows->SetBarStyle(style);
            for (unsigned state : {0u, unsigned(ODS_SELECTED), unsigned(ODS_FOCUS), unsigned(ODS_SELECTED | ODS_FOCUS)})
                DrawRow(1, state, rows);
        }
        rows->BarFont().SetHeight(20);
        delete images;
        delete rows;
    };
    round();
    auto before = testing_support::CurrentHandleCounts();
    for (int i = 0; i < 3; ++i) round();
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

// Colours, canvas drawing, bitmaps, icons and pictures, checked on the pixels
// of off-screen bitmaps (shapes and colours, never glyphs: Wine's fonts are
// not Windows' fonts), plus the handle bookkeeping behind them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "HandleCounter.h"
#include "forms/ControlHooks.h"
#include "forms/Forms.h"
#include "forms/Graphics.h"
#include "forms/Layouts.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/Pixels.h"

using namespace forms;
using testing_support::CurrentHandleCounts;
using testing_support::HandleCountingAvailable;
using testing_support::THandleCounts;

namespace {


using testing_support::TPixels;

TPixels Read(TBitmap& bitmap) {
    TPixels p = testing_support::ReadPixels(bitmap);
    EXPECT_EQ(p.RowsRead, p.Height);
    return p;
}

using testing_support::Fill;

using TBytes = std::vector<uint8_t>;

void Put(TBytes& b, uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void Set32(TBytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
uint32_t Bgr(TColor c) { return GetBValue(c) | GetGValue(c) << 8 | GetRValue(c) << 16; }

// DIB rows, bottom-up, padded to four bytes; value(x, y) is the raw pixel
// (palette index or packed value), y counted from the top.
TBytes Rows(int w, int h, int bpp, const std::function<uint32_t(int, int)>& value, bool topDown = false) {
    size_t stride = (size_t(w) * bpp + 31) / 32 * 4;
    TBytes bits(stride * h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bits.data() + stride * (topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            uint32_t v = value(x, y);
            if (bpp < 8) row[x * bpp / 8] |= uint8_t(v << (8 - bpp - x * bpp % 8));
            else for (int i = 0; i < bpp / 8; ++i) row[x * (bpp / 8) + i] = uint8_t(v >> (8 * i));
        }
    }
    return bits;
}

TBytes MakeBmp(int w, int h, int bpp, const std::vector<TColor>& palette,
               const std::function<uint32_t(int, int)>& value, bool topDown = false,
               const std::vector<uint32_t>& masks = {}) {
    TBytes bits = Rows(w, h, bpp, value, topDown);
    uint32_t offset = 14 + 40 + uint32_t(masks.size() + palette.size()) * 4;
    TBytes b = {'B', 'M'};
    for (uint32_t v : {offset + uint32_t(bits.size()), 0u, offset, 40u, uint32_t(w), uint32_t(topDown ? -h : h)}) Put(b, v);
    Put(b, 1, 2);
    Put(b, uint32_t(bpp), 2);
    for (uint32_t v : {uint32_t(masks.empty() ? BI_RGB : BI_BITFIELDS), uint32_t(bits.size()), 0u, 0u,
                       uint32_t(palette.size()), 0u})
        Put(b, v);
    for (uint32_t m : masks) Put(b, m);
    for (TColor c : palette) Put(b, Bgr(c));
    b.insert(b.end(), bits.begin(), bits.end());
    return b;
}

// A .ico file of 24-bit images, each `color` where opaque(x, y), else see-through.
struct TIconImage {
    int size;
    TColor color;
    std::function<bool(int, int)> opaque;
};

TBytes MakeIco(const std::vector<TIconImage>& images) {
    std::vector<TBytes> bodies;
    for (const TIconImage& im : images) {
        int s = im.size;
        TBytes body;
        for (uint32_t v : {40u, uint32_t(s), uint32_t(2 * s)}) Put(body, v);
        Put(body, 1, 2);
        Put(body, 24, 2);
        for (int i = 0; i < 6; ++i) Put(body, 0);
        TBytes color = Rows(s, s, 24, [&](int x, int y) { return im.opaque(x, y) ? Bgr(im.color) : 0u; });
        TBytes mask = Rows(s, s, 1, [&](int x, int y) { return im.opaque(x, y) ? 0u : 1u; });
        body.insert(body.end(), color.begin(), color.end());
        body.insert(body.end(), mask.begin(), mask.end());
        bodies.push_back(body);
    }
    TBytes b;
    for (uint32_t v : {0u, 1u, uint32_t(images.size())}) Put(b, v, 2);
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        Put(b, uint32_t(images[i].size) * 0x101, 4); // width, height, colours 0, reserved 0
        Put(b, 1, 2);
        Put(b, 24, 2);
        Put(b, uint32_t(bodies[i].size()));
        Put(b, offset);
        offset += uint32_t(bodies[i].size());
    }
    for (auto& body : bodies) b.insert(b.end(), body.begin(), body.end());
    return b;
}

// A square of `color` on a see-through ground, size/4 in from each edge.
TIconImage Square(int size, TColor color) {
    return {size, color, [size](int x, int y) {
                int lo = size / 4, hi = size - size / 4;
                return x >= lo && x < hi && y >= lo && y < hi;
            }};
}
TBytes RedSquareIcon(int size = 32) { return MakeIco({Square(size, clRed)}); }

template <typename G>
void LoadBytes(G& graphic, const TBytes& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    graphic.LoadFromStream(stream);
}

std::string TempFile(const std::string& name, const TBytes& bytes) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + "varnoq_graphics_" + name;
    TFileStream(path, fmCreate).WriteBuffer(bytes.data(), int32_t(bytes.size()));
    return path;
}

// Damages `good` in each listed way and expects a stream error (short data)
// or an invalid-graphic error with `message`, and the graphic unchanged.
struct TDamage {
    const char* what;
    std::function<void(TBytes&)> damage;
    bool shortData;
};

template <typename G>
void ExpectRefused(const TBytes& good, const std::vector<TDamage>& cases, const char* message,
                   const std::function<void(G&)>& prepare, const std::function<void(G&)>& unchanged) {
    for (const TDamage& t : cases) {
        SCOPED_TRACE(t.what);
        TBytes bytes = good;
        t.damage(bytes);
        G graphic;
        prepare(graphic);
        try {
            LoadBytes(graphic, bytes);
            ADD_FAILURE() << "accepted";
        } catch (const EReadError&) {
            EXPECT_TRUE(t.shortData);
        } catch (const EInvalidGraphic& e) {
            EXPECT_FALSE(t.shortData);
            EXPECT_EQ(e.Message, message);
        }
        unchanged(graphic);
    }
    // A file cut anywhere short of its end is refused, and the graphic keeps
    // its picture. (Damaged bytes at large are the decoder fuzzers' part.)
    for (size_t i = 0; i < good.size(); ++i) {
        SCOPED_TRACE("cut to " + std::to_string(i) + " of " + std::to_string(good.size()) + " bytes");
        G graphic;
        prepare(graphic);
        EXPECT_THROW(LoadBytes(graphic, TBytes(good.begin(), good.begin() + i)), Exception);
        unchanged(graphic);
    }
}

} // namespace

// ---------------------------------------------------------------------------

TEST(Colors, SystemColorsIdentifiersAndIntegers) {
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clBackground), GetSysColor(COLOR_BACKGROUND));
    EXPECT_EQ(ColorToRGB(0x00123456), 0x00123456u);
    EXPECT_EQ(ColorToRGB(clNone), clNone);

    TBitmap b;
    b.SetSize(4, 4);
    b.Canvas().Brush().SetColor(clBtnShadow);
    EXPECT_EQ(b.Canvas().Brush().Color(), clBtnShadow); // kept as given
    b.Canvas().FillRect({0, 0, 4, 4});
    EXPECT_EQ(Read(b).At(2, 2), GetSysColor(COLOR_BTNSHADOW));

    TColor c = 0;
    EXPECT_TRUE(IdentToColor("clbtnface", c));
    EXPECT_EQ(c, 0x8000000Fu);
    EXPECT_FALSE(IdentToColor("clBogus", c));
    std::string name;
    EXPECT_TRUE(ColorToIdent(0x80000014, name));
    EXPECT_EQ(name, "clBtnHighlight");
    EXPECT_FALSE(ColorToIdent(0x00123456, name));

    EXPECT_EQ(StringToColor("clAqua"), 0x00FFFF00u);
    EXPECT_EQ(StringToColor("$00FF8000"), 0x00FF8000u);
    EXPECT_EQ(StringToColor("0x10"), 16u);
    EXPECT_EQ(StringToColor("255"), 255u);
    EXPECT_EQ(StringToColor("-2147483633"), 0x8000000Fu);
    EXPECT_EQ(ColorToString(clNone), "clNone");
    EXPECT_EQ(ColorToString(0x00123456), "$00123456");
    for (const char* bad : {"", "$", "-", "12a", "clBogus", "4294967296", "$1FFFFFFFF", "- 1"}) {
        try {
            StringToColor(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

// ---------------------------------------------------------------------------

TEST(Tools, NotifyOnlyOnChangeAndCopyByAssign) {
    TFont font;
    int changes = 0;
    font.OnChange = [&](TFont* sender) { changes += sender == &font; };
    font.SetName(font.Name());
    font.SetHeight(font.Height());
    font.SetColor(font.Color());
    font.SetStyle(font.Style());
    EXPECT_EQ(changes, 0);
    font.SetStyle({fsBold, fsItalic});
    font.SetColor(clRed);
    EXPECT_EQ(changes, 2);

    TFont copy;
    int copyChanges = 0;
    copy.OnChange = [&](TFont*) { ++copyChanges; };
    copy.Assign(&font);
    copy.Assign(&font);
    EXPECT_EQ(copyChanges, 1); // one notice for the whole copy, none for the same again
    EXPECT_EQ(copy.Style(), (TFontStyles{fsBold, fsItalic}));

    TPen pen;
    try {
        font.Assign(&pen);
        FAIL() << "a pen was assigned to a font";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Cannot assign a TPen to a TFont");
    }

    // Handles are made anew after a change.
    int ppi = ScreenPixelsPerInch();
    copy.SetSize(12);
    EXPECT_EQ(copy.Height(), -MulDiv(12, ppi, 72));
    EXPECT_EQ(copy.Size(), 12);
    LOGFONTA lf{};
    ASSERT_TRUE(GetObjectA(copy.Handle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, copy.Height());
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfItalic);
    copy.SetStyle({fsUnderline});
    ASSERT_TRUE(GetObjectA(copy.Handle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_TRUE(lf.lfUnderline);

    // Clear styles use the stock objects, which are nobody's to delete.
    pen.SetStyle(psClear);
    EXPECT_EQ(pen.Handle(), GetStockObject(NULL_PEN));
    TBrush brush;
    brush.SetStyle(bsClear);
    EXPECT_EQ(brush.Handle(), GetStockObject(NULL_BRUSH));
}

// ---------------------------------------------------------------------------

TEST(Canvas, Shapes) {
    TBitmap b;
    b.SetSize(40, 40);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clRed);
    c.FillRect({2, 3, 10, 8});
    c.Brush().SetColor(clBlue);
    c.FrameRect({20, 0, 30, 10});
    c.Brush().SetColor(clYellow);
    c.Rectangle(0, 20, 10, 30);
    c.Pen().SetStyle(psClear);
    c.Brush().SetColor(clLime);
    c.Rectangle(20, 20, 30, 30);
    c.Pen().SetStyle(psSolid);
    c.Brush().SetStyle(bsClear);
    c.Rectangle(30, 30, 40, 40);
    c.Brush().SetStyle(bsSolid);
    c.Pen().SetColor(clRed);
    c.Brush().SetColor(clRed);
    c.Ellipse(10, 0, 20, 10);
    c.Pen().SetColor(clNavy);
    c.MoveTo(2, 35);
    c.LineTo(12, 35);
    EXPECT_EQ(c.PenPos().x, 12);
    const POINT triangle[] = {{30, 10}, {39, 10}, {30, 19}};
    c.Polygon(triangle);

    TPixels p = Read(b);
    EXPECT_EQ(p.At(2, 3), clRed); // right and bottom edges excluded
    EXPECT_EQ(p.At(9, 7), clRed);
    EXPECT_EQ(p.At(10, 7), clWhite);
    EXPECT_EQ(p.At(9, 8), clWhite);
    EXPECT_EQ(p.At(29, 9), clBlue); // a one-pixel frame
    EXPECT_EQ(p.At(25, 5), clWhite);
    EXPECT_EQ(p.At(0, 25), clBlack); // pen outline, brush inside
    EXPECT_EQ(p.At(5, 25), clYellow);
    EXPECT_EQ(p.At(10, 25), clWhite);
    EXPECT_EQ(p.At(20, 20), clLime); // clear pen: no outline
    EXPECT_EQ(p.At(30, 35), clBlack); // clear brush: inside untouched
    EXPECT_EQ(p.At(35, 35), clWhite);
    EXPECT_EQ(p.At(15, 5), clRed); // ellipse: centre, not corners
    EXPECT_EQ(p.At(10, 0), clWhite);
    EXPECT_EQ(p.At(19, 9), clWhite);
    EXPECT_EQ(p.At(11, 35), clNavy); // a line stops before its end point
    EXPECT_EQ(p.At(12, 35), clWhite);
    EXPECT_EQ(p.At(32, 12), clRed);
    EXPECT_EQ(p.At(38, 18), clWhite);
}

TEST(Canvas, HatchesPixelsTextAndFocus) {
    TBitmap b;
    Fill(b, 60, 30, clWhite);
    TCanvas& c = b.Canvas();
    c.Brush().SetStyle(bsCross); // hatch lines only, the ground stays
    c.Brush().SetColor(clBlue);
    c.FillRect({0, 0, 16, 16});
    c.Brush().SetStyle(bsSolid);
    c.SetPixels(20, 4, clFuchsia);
    EXPECT_EQ(c.Pixels(20, 4), clFuchsia);

    EXPECT_GT(c.TextWidth("WWW"), c.TextWidth("W")); // measures only, never glyphs
    c.Brush().SetColor(clAqua);
    c.TextRect({20, 10, 30, 20}, 20, 10, ""); // an opaque brush fills the box
    // A focus rectangle inverts: drawn twice it leaves no trace.
    c.DrawFocusRect({35, 5, 55, 25});
    EXPECT_LT(Read(b).Count(clWhite), 60 * 30 - 100 - 1 - 16 * 16 / 4);
    c.DrawFocusRect({35, 5, 55, 25});

    TPixels p = Read(b);
    int blue = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) blue += p.At(x, y) == clBlue;
    EXPECT_GT(blue, 16);
    EXPECT_EQ(blue + p.Count(clWhite) + p.Count(clFuchsia) + p.Count(clAqua), 60 * 30);
    EXPECT_EQ(p.Count(clAqua), 100);
    EXPECT_EQ(p.At(20, 4), clFuchsia);
}

TEST(Canvas, ClippingAndItsRestore) {
    TBitmap b;
    b.SetSize(20, 20);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clRed);
    c.IntersectClipRect({5, 5, 10, 10});
    EXPECT_EQ(c.ClipRect().bottom, 10);
    c.FillRect({0, 0, 20, 20});
    c.RestoreClip();
    c.Brush().SetColor(clBlue);
    c.ExcludeClipRect({0, 0, 20, 4});
    c.FillRect({0, 0, 20, 20}); // covers the red: the first clip is gone
    c.RestoreClip();
    HRGN ellipse = CreateEllipticRgn(10, 10, 20, 20);
    c.SelectClipRgn(ellipse);
    DeleteObject(ellipse); // the DC keeps its own copy
    c.Brush().SetColor(clGreen);
    c.FillRect({0, 0, 20, 20});

    TPixels p = Read(b);
    EXPECT_EQ(p.At(19, 3), clWhite);
    EXPECT_EQ(p.At(0, 4), clBlue);
    EXPECT_EQ(p.At(10, 10), clBlue);
    EXPECT_EQ(p.At(15, 15), clGreen);
    EXPECT_EQ(p.Count(clRed), 0);
}

// Draws on dc through a canvas bound to it, released and re-bound;
// expectOriginal runs after the release.
static void DrawThroughBoundCanvases(HDC dc, const std::function<void()>& expectOriginal) {
    const HGDIOBJ pen0 = GetCurrentObject(dc, OBJ_PEN), font0 = GetCurrentObject(dc, OBJ_FONT);
    {
        TCanvas c;
        {
            TCanvasBinding bound(c, dc);
            c.Pen().SetColor(clRed);
            c.Brush().SetColor(clBlue);
            c.Font().SetStyle({fsBold});
            c.Rectangle(0, 0, 10, 10);
            c.TextOut(0, 0, "x");
            EXPECT_NE(GetCurrentObject(dc, OBJ_PEN), pen0);
            EXPECT_NE(GetCurrentObject(dc, OBJ_FONT), font0);
            c.Pen().SetColor(clGreen); // the old pen leaves the DC before it is deleted
            EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen0);
            c.LineTo(5, 5);
            c.IntersectClipRect({2, 2, 4, 4});
            c.ReleaseHandle();
            expectOriginal();
        }
        TCanvasBinding bound(c, dc);
        c.Ellipse(0, 0, 5, 5);
        c.SelectClipRgn(nullptr);
    }
}

// A canvas over a DC it was given puts back the DC's own objects and
// clipping when released, re-attached or destroyed, and frees its own.
TEST(Canvas, PutsBackWhatItsDCHad) {
    TBitmap target;
    target.SetSize(20, 20);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, target.Handle());
    HGDIOBJ pen0 = GetCurrentObject(dc, OBJ_PEN), brush0 = GetCurrentObject(dc, OBJ_BRUSH),
            font0 = GetCurrentObject(dc, OBJ_FONT);
    HRGN own = CreateRectRgn(0, 0, 15, 15);
    SelectClipRgn(dc, own);
    auto expectOriginal = [&] {
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen0);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush0);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font0);
        RECT box;
        GetClipBox(dc, &box);
        EXPECT_EQ(box.right, 15);
    };
    DrawThroughBoundCanvases(dc, expectOriginal);
    expectOriginal();
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(own);

    TCanvas none;
    EXPECT_THROW(none.FillRect({0, 0, 1, 1}), EInvalidGraphicOperation);
}

TEST(HandleCounting, CanvasesOverAGivenDCFreeTheirOwnObjects) {
    if (!HandleCountingAvailable()) GTEST_SKIP() << "GDI objects cannot be counted in this run";
    TBitmap target;
    target.SetSize(20, 20);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, target.Handle());
    THandleCounts before = CurrentHandleCounts();
    DrawThroughBoundCanvases(dc, [] {});
    EXPECT_EQ(CurrentHandleCounts(), before);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
}

TEST(Canvas, CopiesStretchesAndComposesOffscreen) {
    TBitmap src;
    src.SetSize(2, 2);
    src.Canvas().SetPixels(0, 0, clRed);
    src.Canvas().SetPixels(1, 0, clGreen);
    src.Canvas().SetPixels(0, 1, clBlue);
    src.Canvas().SetPixels(1, 1, clYellow);
    TBitmap dst;
    dst.SetSize(10, 10);
    dst.Canvas().CopyRect({0, 0, 4, 4}, src.Canvas(), {0, 0, 2, 2});
    dst.Canvas().CopyRect({6, 6, 7, 7}, src.Canvas(), {1, 1, 2, 2});
    dst.Canvas().StretchDraw({4, 0, 10, 2}, src);
    dst.Canvas().Draw(8, 8, src);
    TPixels p = Read(dst);
    EXPECT_EQ(p.At(1, 1), clRed);
    EXPECT_EQ(p.At(2, 0), clGreen);
    EXPECT_EQ(p.At(1, 2), clBlue);
    EXPECT_EQ(p.At(3, 3), clYellow);
    EXPECT_EQ(p.At(6, 6), clYellow);
    EXPECT_EQ(p.At(5, 5), clWhite);
    EXPECT_EQ(p.At(6, 0), clRed);
    EXPECT_EQ(p.At(7, 1), clYellow);
    EXPECT_EQ(p.At(9, 9), clYellow);

    // Off-screen: drawn in the target's coordinates, shown only on Flush.
    TBitmap target;
    target.SetSize(20, 20);
    target.Canvas().Brush().SetColor(clBlue);
    TPaintBuffer off(target.Canvas(), {5, 5, 15, 15});
    EXPECT_EQ(off.Canvas().Brush().Color(), clBlue); // starts with the target's tools
    off.Canvas().Brush().SetColor(clRed);
    off.Canvas().FillRect({0, 0, 20, 20});
    off.Canvas().MoveTo(5, 14);
    off.Canvas().LineTo(15, 14);
    EXPECT_EQ(Read(target).Count(clWhite), 400);
    off.Flush();
    p = Read(target);
    EXPECT_EQ(p.At(5, 5), clRed);
    EXPECT_EQ(p.At(14, 13), clRed);
    EXPECT_EQ(p.At(10, 14), clBlack);
    EXPECT_EQ(p.Count(clRed) + p.Count(clBlack), 100);
}

// An image to compose on keeps the format of what it is copied to (a
// mask's); for the screen, a small one is a DIB section of 32 bits.
TEST(PaintBuffer, ImagesTakeTheFormatOfWhatTheyAreCopiedTo) {
    TWindowDC screen;
    TGdiObject maskBits(CreateBitmap(8, 8, 1, 1, nullptr));
    TMemoryDC mask(static_cast<HBITMAP>(maskBits.Get()));
    for (auto [like, bits, dibBytes] :
         std::vector<std::tuple<HDC, int, int>>{{screen, 32, sizeof(DIBSECTION)}, {mask, 1, sizeof(BITMAP)}}) {
        DIBSECTION dib{};
        TGdiObject image(NewImage(like, 16, 16));
        EXPECT_EQ(GetObjectA(image.Get(), sizeof dib, &dib), dibBytes);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, bits);
    }
}

// ---------------------------------------------------------------------------

TEST(Bitmap, SizeKeepsThePictureAndWhitensTheRest) {
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TGraphic*) { ++changes; };
    Fill(b, 4, 4, clRed);
    EXPECT_EQ(b.BitsPerPixel(), 24);
    b.SetSize(6, 5);
    b.SetSize(6, 5);
    EXPECT_EQ(changes, 2);
    b.Canvas().SetPixels(5, 4, clBlue); // the canvas follows the new image
    TPixels p = Read(b);
    EXPECT_EQ(p.At(3, 3), clRed);
    EXPECT_EQ(p.At(4, 3), clWhite);
    EXPECT_EQ(p.At(3, 4), clWhite);
    EXPECT_EQ(p.At(5, 4), clBlue);
    EXPECT_EQ(b.ScanLine(4)[15], 0xFF); // blue byte of (5, 4): row 0 is the top
    EXPECT_EQ(b.ScanLine(0)[2], 0xFF);  // red byte of (0, 0)
    EXPECT_THROW(b.ScanLine(5), EInvalidGraphicOperation);
    b.SetSize(0, 3);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.TransparentColor(), clNone);
}

// Every supported depth reads back the colours it was written with, and
// saves to a file that reads back the same.
TEST(Bitmap, ReadsAndWritesEveryDepth) {
    const std::vector<TColor> colors = {clBlack, clRed, clLime, clBlue, clYellow, clAqua, clFuchsia, clWhite,
                                        clMaroon, clGreen, clNavy, clOlive, clPurple, clTeal, clGray, clSilver};
    const int w = 7, h = 3;
    struct TCase {
        int bpp;
        size_t n;
        bool topDown;
    };
    for (TCase t : {TCase{1, 2, false}, TCase{4, 16, false}, TCase{8, 16, true}, TCase{24, 16, false},
                    TCase{24, 16, true}, TCase{32, 16, false}}) {
        SCOPED_TRACE(testing::Message() << t.bpp << " bits" << (t.topDown ? ", top-down" : ""));
        auto expected = [&](int x, int y) { return colors[size_t(x + 2 * y) % t.n]; };
        std::vector<TColor> palette;
        if (t.bpp <= 8) palette.assign(colors.begin(), colors.begin() + t.n);
        TBitmap b;
        LoadBytes(b, MakeBmp(w, h, t.bpp, palette, [&](int x, int y) {
                      return t.bpp <= 8 ? uint32_t(x + 2 * y) % t.n : Bgr(expected(x, y));
                  }, t.topDown));
        EXPECT_EQ(b.BitsPerPixel(), t.bpp);
        TPixels p = Read(b);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(p.At(x, y), expected(x, y)) << x << "," << y;
        EXPECT_EQ(b.TransparentColor(), expected(0, h - 1));

        TMemoryStream saved;
        b.SaveToStream(saved);
        TBitmap again;
        LoadBytes(again, saved.Data());
        EXPECT_EQ(again.BitsPerPixel(), t.bpp);
        EXPECT_EQ(Read(again).Bgra, p.Bgra);
    }

    // 16 bits with 5-6-5 channel masks.
    TBitmap b;
    LoadBytes(b, MakeBmp(2, 1, 16, {}, [](int x, int) { return x ? 0xF800u : 0x07E0u; }, false,
                         {0xF800, 0x07E0, 0x001F}));
    EXPECT_EQ(Read(b).At(0, 0), clLime);
    EXPECT_EQ(Read(b).At(1, 0), clRed);
    EXPECT_EQ(b.TransparentColor(), clLime);

    // From the resource module.
    b.LoadFromResourceName("PATTERN");
    ASSERT_EQ(b.Width(), 4);
    TPixels p = Read(b);
    EXPECT_EQ(p.At(0, 0), clRed);
    EXPECT_EQ(p.At(3, 0), clWhite);
    EXPECT_EQ(p.At(1, 1), clYellow);
    try {
        b.LoadFromResourceID(4711);
        FAIL() << "found a missing resource";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message, "Resource 4711 not found");
    }
    EXPECT_EQ(b.Width(), 4);
}

// Every field check is the decoder's (tests/core/ImageDecoderTests.cpp);
// here: the error reaches the caller and the bitmap keeps its picture.
TEST(Bitmap, DamagedFilesAreRefused) {
    TBytes good = MakeBmp(4, 4, 8, {clRed, clBlue}, [](int x, int) { return uint32_t(x & 1); });
    const size_t hdr = 14;
    ExpectRefused<TBitmap>(
        good,
        {
            {"empty", [](TBytes& b) { b.clear(); }, true},
            {"cut in the pixels", [](TBytes& b) { b.pop_back(); }, true},
            {"not BM", [](TBytes& b) { b[0] = 'X'; }, false},
            {"large but short", [](TBytes& b) { Set32(b, hdr + 4, 30000); Set32(b, hdr + 8, 30000); }, true},
            {"zero channel mask", [](TBytes& b) { b = MakeBmp(1, 1, 32, {}, [](int, int) { return 0u; }, false, {0xFF, 0, 0xFF00}); }, false},
        },
        "Bitmap image is not valid", [](TBitmap& b) { Fill(b, 3, 3, clGreen); },
        [](TBitmap& b) { EXPECT_EQ(Read(b).At(1, 1), clGreen); });
}

TEST(Bitmap, TransparentDrawingLeavesOutTheBottomLeftColour) {
    TBitmap sprite;
    Fill(sprite, 4, 4, clRed);
    sprite.Canvas().Brush().SetColor(clBlue);
    sprite.Canvas().FillRect({1, 1, 3, 3});
    sprite.SetTransparent(true);
    EXPECT_EQ(sprite.TransparentColor(), clRed);

    TBitmap ground;
    Fill(ground, 12, 8, clLime);
    ground.Canvas().Draw(2, 2, sprite);
    ground.Canvas().StretchDraw({6, 0, 14, 8}, sprite);
    sprite.SetTransparent(false);
    ground.Canvas().Draw(0, 6, sprite);
    TPixels p = Read(ground);
    EXPECT_EQ(p.At(2, 2), clLime);
    EXPECT_EQ(p.At(3, 3), clBlue);
    EXPECT_EQ(p.At(5, 4), clLime);
    EXPECT_EQ(p.At(6, 0), clLime); // stretched: corner left out, centre drawn
    EXPECT_EQ(p.At(9, 3), clBlue);
    EXPECT_EQ(p.Count(clRed), 6); // opaque again: 4 + 2 red pixels in rows 6 and 7
}

TEST(Bitmap, AssignCopiesTheImage) {
    TBitmap a, b;
    Fill(b, 3, 2, clNavy);
    b.SetTransparent(true);
    a.Assign(&b);
    EXPECT_NE(a.Handle(), b.Handle());
    EXPECT_EQ(Read(a).Bgra, Read(b).Bgra);
    EXPECT_TRUE(a.Transparent());
    b.Canvas().SetPixels(0, 0, clRed);
    EXPECT_EQ(Read(a).At(0, 0), clNavy);
    TIcon icon;
    EXPECT_THROW(a.Assign(&icon), EConvertError);
}

// ---------------------------------------------------------------------------

TEST(Icon, PicksTheStandardSizeAndDrawsThroughItsMask) {
    TIcon icon;
    LoadBytes(icon, MakeIco({Square(16, clBlue), Square(32, clRed), Square(48, clGreen)}));
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    TBitmap ground;
    Fill(ground, 40, 40, clLime);
    ground.Canvas().Draw(4, 4, icon);
    TPixels p = Read(ground);
    EXPECT_EQ(p.At(11, 11), clLime);
    EXPECT_EQ(p.At(12, 12), clRed);
    EXPECT_EQ(p.At(27, 27), clRed);
    EXPECT_EQ(p.At(28, 28), clLime);
    EXPECT_EQ(p.Count(clRed), 16 * 16);

    // Without a 32 x 32 image: the nearest size. Saving gives back the file.
    TBytes file = MakeIco({Square(16, clBlue), Square(24, clRed)});
    LoadBytes(icon, file);
    EXPECT_EQ(icon.Width(), 24);
    TMemoryStream saved;
    icon.SaveToStream(saved);
    EXPECT_EQ(saved.Data(), file);
}

// As for bitmaps: the decoder's checks are tested on the host.
static void RefuseDamagedIcons() {
    const size_t img = 6 + 16;
    ExpectRefused<TIcon>(
        RedSquareIcon(),
        {
            {"empty", [](TBytes& b) { b.clear(); }, true},
            {"cut in the image", [](TBytes& b) { b.pop_back(); }, true},
            {"a cursor", [](TBytes& b) { b[2] = 2; }, false},
            {"taller than its bytes", [](TBytes& b) { Set32(b, img + 8, 128); }, false},
        },
        "Icon image is not valid", [](TIcon& i) { LoadBytes(i, RedSquareIcon(16)); },
        [](TIcon& i) { EXPECT_EQ(i.Width(), 16); });
}

TEST(Icon, DamagedFilesAreRefused) { RefuseDamagedIcons(); }

TEST(HandleCounting, RefusedIconsLeaveNothing) {
    if (!HandleCountingAvailable()) GTEST_SKIP() << "GDI objects cannot be counted in this run";
    THandleCounts before = CurrentHandleCounts();
    RefuseDamagedIcons();
    EXPECT_EQ(CurrentHandleCounts(), before);
}

TEST(Icon, OwnsTheHandleItIsGiven) {
    if (!HandleCountingAvailable()) GTEST_SKIP() << "no handle counts";
    // 16 x 16 from bitmaps: blue, the left half see-through (mask set, colour black).
    TBitmap color;
    Fill(color, 16, 16, clBlue);
    color.Canvas().Brush().SetColor(clBlack);
    color.Canvas().FillRect({0, 0, 8, 16});
    std::vector<uint16_t> maskRows(16, 0x00FF); // bytes FF 00 per row
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskRows.data());
    ICONINFO ii{TRUE, 0, 0, mask, color.Handle()};
    HICON handle = CreateIconIndirect(&ii);
    DeleteObject(mask);
    ASSERT_NE(handle, nullptr);

    THandleCounts before = CurrentHandleCounts();
    TMemoryStream saved;
    {
        TIcon icon;
        icon.SetHandle(handle);
        EXPECT_EQ(icon.Width(), 16);
        icon.SaveToStream(saved); // written from the handle's bitmaps
    }
    EXPECT_EQ(CurrentHandleCounts().Icons, before.Icons - 1); // destroyed with the icon
    EXPECT_EQ(CurrentHandleCounts().Gdi, before.Gdi);

    TIcon reread, copy;
    LoadBytes(reread, saved.Data());
    copy.Assign(&reread);
    EXPECT_NE(copy.Handle(), reread.Handle());
    HICON taken = reread.ReleaseHandle(); // the caller's from now on
    EXPECT_TRUE(reread.Empty());
    EXPECT_TRUE(DestroyIcon(taken));
    TBitmap ground;
    Fill(ground, 16, 16, clLime);
    ground.Canvas().Draw(0, 0, copy);
    TPixels p = Read(ground);
    EXPECT_EQ(p.At(7, 5), clLime);
    EXPECT_EQ(p.At(8, 5), clBlue);
    EXPECT_EQ(p.Count(clBlue), 8 * 16);
}

// Borrowed: a copy of a shared icon, independent of it; owned: an icon the
// shell made for us, destroyed with its holder. The lookup refuses a path
// its MAX_PATH buffer cannot hold.
TEST(Icon, BorrowedIconsAreCopiesAndOwnedOnesGoWithTheirHolder) {
    if (!HandleCountingAvailable()) GTEST_SKIP() << "no handle counts";
    char exe[MAX_PATH] = "";
    GetSystemDirectoryA(exe, sizeof exe);
    std::strcat(exe, "\\shell32.dll"); // holds icons
    HICON shared = LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION, never destroyed
    THandleCounts before = CurrentHandleCounts();
    {
        TIcon borrowed, owned;
        borrowed.CopyHandle(shared);
        EXPECT_NE(borrowed.Handle(), shared);
        EXPECT_EQ(borrowed.Width(), GetSystemMetrics(SM_CXICON));
        ASSERT_TRUE(owned.LoadAssociated(exe));
        EXPECT_EQ(CurrentHandleCounts().Icons, before.Icons + 2);
        HICON kept = owned.Handle();
        EXPECT_FALSE(owned.LoadAssociated(std::string(exe) + ".missing\\")) << "nothing found: unchanged";
        EXPECT_EQ(owned.Handle(), kept);

        std::string longest(MAX_PATH - 1, 'a'), tooLong(MAX_PATH, 'a');
        EXPECT_NO_THROW(owned.LoadAssociated(longest));
        EXPECT_THROW_TYPE_MESSAGE(owned.LoadAssociated(tooLong), EInvalidGraphic, "The path is too long: " + tooLong);
    }
    EXPECT_EQ(CurrentHandleCounts(), before);
    TBitmap ground;
    EXPECT_TRUE(DrawIconEx(ground.Canvas().Handle(), 0, 0, shared, 0, 0, 0, nullptr, DI_NORMAL)) << "the shared icon lives on";
}

// ---------------------------------------------------------------------------

TEST(Picture, LoadsByExtension) {
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TPicture*) { ++changes; };
    std::string bmp = TempFile("a.BMP", MakeBmp(3, 2, 24, {}, [](int, int) { return 0xFF0000u; }));
    std::string ico = TempFile("b.ico", RedSquareIcon());
    std::string png = TempFile("c.png", {1, 2, 3});
    picture.LoadFromFile(bmp);
    ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 3);
    picture.LoadFromFile(ico);
    ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_EQ(changes, 2);
    try {
        picture.LoadFromFile(png);
        FAIL() << "read a .png";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message, "Unknown picture file extension (.png)");
    }
    EXPECT_THROW(picture.LoadFromFile(bmp + ".missing.bmp"), EFOpenError);
    EXPECT_EQ(picture.Height(), 32); // the icon stays
    for (auto& f : {bmp, ico, png}) DeleteFileA(f.c_str());
}

TEST(Picture, AssignCopiesNeverShares) {
    TPicture a, b;
    Fill(a.Bitmap(), 2, 2, clTeal);
    int changes = 0;
    b.OnChange = [&](TPicture*) { ++changes; };
    b.Assign(&a);
    EXPECT_EQ(changes, 1);
    EXPECT_NE(b.Graphic(), a.Graphic());
    EXPECT_NE(b.Bitmap().Handle(), a.Bitmap().Handle());
    b.Bitmap().Canvas().SetPixels(0, 0, clRed);
    b.Bitmap().SetSize(3, 3);
    EXPECT_EQ(changes, 2); // the held graphic's changes are the picture's
    EXPECT_EQ(Read(a.Bitmap()).At(0, 0), clTeal);

    TIcon icon;
    LoadBytes(icon, RedSquareIcon());
    b.Assign(&icon);
    a.Assign(&b);
    ASSERT_NE(dynamic_cast<TIcon*>(a.Graphic()), nullptr);
    EXPECT_NE(a.Icon().Handle(), b.Icon().Handle());
    EXPECT_NE(b.Icon().Handle(), icon.Handle());
    EXPECT_TRUE(a.Bitmap().Empty()); // asking for a bitmap replaces the icon
    a.Assign(nullptr);
    EXPECT_EQ(a.Graphic(), nullptr);
    TFont font;
    EXPECT_THROW(a.Assign(&font), EConvertError);
}

TEST(Picture, StoredDataRoundTrips) {
    TPicture picture, copy;
    Fill(picture.Bitmap(), 3, 2, clPurple);
    TMemoryStream stored;
    picture.WriteData(stored);
    EXPECT_EQ(std::string(stored.Data().begin(), stored.Data().begin() + 10), "\x07TBitmapBM");
    stored.SetPosition(0);
    copy.ReadBinaryProperty("Data", stored);
    ASSERT_EQ(copy.Width(), 3);
    EXPECT_EQ(Read(copy.Bitmap()).At(2, 1), clPurple);

    TBytes ico = RedSquareIcon(), iconData = {5, 'T', 'I', 'c', 'o', 'n'};
    iconData.insert(iconData.end(), ico.begin(), ico.end());
    TMemoryStream iconStream(iconData);
    copy.ReadData(iconStream);
    ASSERT_NE(dynamic_cast<TIcon*>(copy.Graphic()), nullptr);
    TMemoryStream rewritten;
    copy.WriteData(rewritten);
    EXPECT_EQ(rewritten.Data(), iconData);

    TMemoryStream empty(TBytes{0}); // no picture: an empty class name
    copy.ReadData(empty);
    EXPECT_EQ(copy.Graphic(), nullptr);

    TMemoryStream metafile(TBytes{9, 'T', 'M', 'e', 't', 'a', 'f', 'i', 'l', 'e'});
    try {
        copy.ReadData(metafile);
        FAIL() << "read a metafile";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message, "Class TMetafile not found");
    }
    TMemoryStream cut(TBytes{7, 'T', 'B', 'i'});
    EXPECT_THROW(copy.ReadData(cut), EReadError);
    EXPECT_THROW(copy.ReadBinaryProperty("Spots", cut), EConvertError);
}

// ---------------------------------------------------------------------------

// The counter itself: each kind of object it watches must show up.
TEST(HandleCounting, SeesEveryKindOfLeak) {
    if (!HandleCountingAvailable()) GTEST_SKIP() << "no handle counts";
    THandleCounts base = CurrentHandleCounts();
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    EXPECT_EQ(CurrentHandleCounts().Gdi, base.Gdi + 1);
    DeleteObject(pen);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(CurrentHandleCounts().Dc, base.Dc + 1);
    ReleaseDC(nullptr, dc);
    TIcon icon;
    LoadBytes(icon, RedSquareIcon());
    HICON leaked = icon.ReleaseHandle();
    EXPECT_EQ(CurrentHandleCounts().Icons, base.Icons + 1);
    DestroyIcon(leaked);
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, window, nullptr, nullptr, nullptr);
    EXPECT_EQ(CurrentHandleCounts().Windows, base.Windows + 2);
    SetWindowRgn(window, CreateRectRgn(0, 0, 5, 5), FALSE); // the region is the system's now
    DestroyWindow(window);
    EXPECT_EQ(CurrentHandleCounts(), base);

    auto* forgotten = new TBitmap;
    forgotten->SetSize(2, 2);
    forgotten->Canvas().LineTo(1, 1);
    EXPECT_EQ(CurrentHandleCounts().Gdi, base.Gdi + 3); // DIB, memory DC, pen
    delete forgotten;
    EXPECT_EQ(CurrentHandleCounts(), base);
}

// Making, drawing and destroying every kind of graphic a hundred times
// leaves no object behind.
TEST(HandleCounting, GraphicsReleaseEverything) {
    if (!HandleCountingAvailable()) GTEST_SKIP() << "no handle counts";
    TBytes ico = RedSquareIcon();
    TBytes bmp = MakeBmp(8, 8, 8, {clRed, clBlue}, [](int x, int y) { return uint32_t((x + y) & 1); });
    auto round = [&](int i) {
        TBitmap b;
        b.SetSize(32, 32);
        TCanvas& c = b.Canvas();
        c.Pen().SetColor(TColor(i));
        c.Brush().SetStyle(i % 2 ? bsCross : bsSolid);
        c.Font().SetHeight(-10 - i % 5);
        c.Rectangle(0, 0, 20, 20);
        c.TextOut(1, 1, "Aa");
        c.IntersectClipRect({2, 2, 10, 10});
        c.Ellipse(0, 0, 30, 30);
        b.SetSize(40, 20); // replaces the DIB under the canvas

        TPicture pic, copy;
        TMemoryStream data;
        data.WriteBuffer("\x05TIcon", 6);
        data.WriteBuffer(ico.data(), int32_t(ico.size()));
        data.SetPosition(0);
        pic.ReadData(data);
        c.Draw(0, 0, *pic.Graphic());
        copy.Assign(&pic);
        TIcon fromHandle;
        fromHandle.SetHandle(CopyIcon(copy.Icon().Handle()));
        TMemoryStream saved;
        fromHandle.SaveToStream(saved);

        TBitmap sprite;
        LoadBytes(sprite, bmp);
        sprite.SetTransparent(true);
        c.StretchDraw({0, 0, 16, 16}, sprite);
        pic.Assign(&sprite);
        pic.Bitmap().Canvas().FillRect({0, 0, 2, 2});

        {
            TWindowDC screen;
            TCanvas onScreen;
            TCanvasBinding bound(onScreen, screen, &c.Font());
            EXPECT_GT(onScreen.TextWidth("x"), 0);
        }
        TPaintBuffer off(c, {1, 1, 9, 9});
        off.Canvas().FillRect({1, 1, 9, 9});
        off.Flush();
    };
    round(0); // warm-up: objects made once and kept
    THandleCounts base = CurrentHandleCounts();
    for (int i = 1; i <= 100; ++i) round(i);
    EXPECT_EQ(CurrentHandleCounts(), base);
}

// ---------------------------------------------------------------------------
// Painting

namespace {

// A windowless control that fills itself with its colour, or fails to.
class TSwatch : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    void Paint() override {
        ++paints;
        if (fail) throw std::runtime_error("The swatch cannot paint.");
        Canvas().Brush().SetColor(Color());
        Canvas().FillRect(ClientRect());
    }
    bool fail = false;
    int paints = 0;
};

} // namespace

// A painter that fails leaves only its own area unpainted, and its error is
// shown once until it has painted again.
TEST(PaintBuffer, AFailingPainterSparesItsSiblingsAndIsShownOnce) {
    RegisterFormClasses();
    Application(); // installs its own exception display, replaced below
    TForm form(nullptr);
    form.SetBounds(40, 40, 220, 120);
    form.SetColor(clWhite);
    TSwatch* swatches[3];
    const TColor colors[3] = {clRed, clLime, clBlue};
    for (int i = 0; i < 3; ++i) {
        swatches[i] = new TSwatch(&form);
        swatches[i]->SetParent(&form);
        swatches[i]->SetBounds(10 + 60 * i, 10, 50, 50);
        swatches[i]->SetColor(colors[i]);
    }
    TSwatch& bad = *swatches[1];
    bad.fail = true;
    std::vector<std::string> shown;
    auto saved = ControlHooks().HandleException;
    ControlHooks().HandleException = [&] {
        try {
            throw;
        } catch (const std::exception& e) {
            shown.push_back(e.what());
        }
    };
    auto repaint = [&] {
        RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ASSERT_TRUE(testing_support::HandlePosted());
    };
    form.Show();
    for (int i = 0; i < 3; ++i) repaint();
    TPixels p = testing_support::ReadWindow(form.Handle());
    EXPECT_EQ(p.At(30, 30), clRed);
    EXPECT_EQ(p.At(150, 30), clBlue);
    EXPECT_EQ(p.At(5, 5), clWhite) << "the parent is painted";
    EXPECT_NE(p.At(90, 30), clLime);
    EXPECT_GE(bad.paints, 3);
    EXPECT_EQ(shown, std::vector<std::string>{"The swatch cannot paint."});

    bad.fail = false; // painting again ends the silence
    repaint();
    EXPECT_EQ(testing_support::ReadWindow(form.Handle()).At(90, 30), clLime);
    bad.fail = true;
    repaint();
    repaint();
    EXPECT_EQ(shown.size(), 2u);
    ControlHooks().HandleException = saved;
}

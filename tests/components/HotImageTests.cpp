// The hot-spot image: spot geometry, the spot list, and the image driven with
// real mouse messages on a shown window under Wine, checked through its
// events, the pixels on the screen, the areas it invalidates and the GDI
// objects it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "HandleCounter.h"
#include "components/ComponentsRegistration.h"
#include "components/HotImage.h"
#include "forms/ControlHooks.h"
#include "forms/Forms.h"
#include "forms/LayoutReader.h"
#include "forms/Layouts.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/Pixels.h"
#include "tests/support/ResourcePath.h"
#include "tests/support/KeyboardImageBlock.h"

using namespace forms;
using namespace components;

namespace {

using testing_support::Pump;
using testing_support::TEventRecorder;

using testing_support::TPixels;

using testing_support::ResourcePath;

// The client area of a window as it is on the screen now.
TPixels ScreenPixels(HWND wnd) { return testing_support::ReadWindow(wnd); }

COLORREF BitmapPixel(TBitmap& bitmap, int x, int y) {
    const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

// A 24-bit bitmap whose every pixel tells where it lies.
void Paint(TBitmap& bitmap, int width, int height, std::function<COLORREF(int, int)> color) {
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            COLORREF c = color(x, y);
            row[3 * x] = GetBValue(c);
            row[3 * x + 1] = GetGValue(c);
            row[3 * x + 2] = GetRValue(c);
        }
    }
}

COLORREF PictureColor(int x, int y) { return RGB(x, y, 40); }
COLORREF MaskColor(int x, int y) { return RGB(100 + x, 100 + y, 200); }
COLORREF DownColor(int x, int y) { return RGB(x, 200, 100 + y); }

std::unique_ptr<TSpot> Rect(int id, RECT r) {
    auto spot = std::make_unique<TSpot>(ssRectangle);
    spot->SetBounds(r);
    spot->SetId(id);
    return spot;
}

TSpotMaskItem Over(int x, int y) {
    TSpotMaskItem item;
    item.States.Include(hsMouseOver);
    item.Offsets[hsMouseOver] = {x, y};
    return item;
}

// The rectangles of a region, for comparing and for messages.
std::string Describe(HRGN region) {
    DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    GetRegionData(region, size, data);
    std::string text;
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    for (DWORD i = 0; i < data->rdh.nCount; ++i)
        text += "(" + std::to_string(rects[i].left) + "," + std::to_string(rects[i].top) + "," +
                std::to_string(rects[i].right) + "," + std::to_string(rects[i].bottom) + ")";
    return text.empty() ? "empty" : text;
}

std::string Describe(std::initializer_list<RECT> rects) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN part = CreateRectRgnIndirect(&r);
        CombineRgn(region, region, part, RGN_OR);
        DeleteObject(part);
    }
    std::string text = Describe(region);
    DeleteObject(region);
    return text;
}

RECT Offset(RECT r, int dx, int dy) {
    OffsetRect(&r, dx, dy);
    return r;
}

TCursor ShownCursor(THotImage* image) { return static_cast<TControl*>(image)->Cursor(); }

} // namespace

// ----------------------------------------------------------------- TSpot

TEST(Spot, RectanglesExcludeTheirRightAndBottomEdgesAndNeedNoRegion) {
    auto spot = Rect(1, {10, 20, 30, 40});
    EXPECT_TRUE(spot->ContainsPoint({10, 20}));
    EXPECT_TRUE(spot->ContainsPoint({29, 39}));
    EXPECT_FALSE(spot->ContainsPoint({30, 25}));
    EXPECT_FALSE(spot->ContainsPoint({15, 40}));
    EXPECT_FALSE(spot->ContainsPoint({9, 25}));
    EXPECT_FALSE(spot->HasRegion());
    RECT bounds = spot->GetBounds(), expected{10, 20, 30, 40};
    EXPECT_TRUE(EqualRect(&bounds, &expected));
}

TEST(Spot, OtherShapesKeepARegionOnlyWhileItContainsThePoint) {
    TSpot ellipse(ssEllipse);
    ellipse.SetBounds({0, 0, 40, 20});
    EXPECT_TRUE(ellipse.ContainsPoint({20, 10}));
    EXPECT_TRUE(ellipse.HasRegion());
    EXPECT_FALSE(ellipse.ContainsPoint({1, 1})); // a corner of the box
    EXPECT_FALSE(ellipse.HasRegion());

    TSpot odd(ssPolyline);
    TSpotData data(TSpotShape(5));
    data.SetCorners({0, 0, 100, 100});
    odd.SetData(data);
    EXPECT_FALSE(odd.ContainsPoint({50, 50}));
    EXPECT_FALSE(odd.HasRegion());
    EXPECT_EQ(odd.CreateRegion(), nullptr);
}

TEST(Spot, PolygonBoundsAreOneWiderThanTheirRegion) {
    TSpot triangle(ssPolyline);
    for (POINT p : {POINT{10, 10}, POINT{50, 10}, POINT{10, 40}}) triangle.AddPoint(p);
    HRGN region = triangle.CreateRegion();
    RECT box;
    GetRgnBox(region, &box);
    DeleteObject(region);
    RECT bounds = triangle.GetBounds();
    EXPECT_EQ(bounds.left, box.left);
    EXPECT_EQ(bounds.top, box.top);
    EXPECT_EQ(bounds.right, box.right + 1);
    EXPECT_EQ(bounds.bottom, box.bottom + 1);

    TSpot empty(ssPolyline);
    RECT none = empty.GetBounds();
    EXPECT_TRUE(IsRectEmpty(&none) && none.left == 0 && none.top == 0);
}

TEST(Spot, SetBoundsScalesPolygonsAndShapeChangesKeepTheFirstPoints) {
    TSpot square(ssPolyline);
    for (POINT p : {POINT{0, 0}, POINT{10, 0}, POINT{10, 10}, POINT{0, 10}}) square.AddPoint(p);
    RECT from = square.GetBounds(); // 0, 0, 11, 11
    square.SetBounds({100, 200, 100 + 2 * from.right, 200 + from.bottom});
    // x' = MulDiv(x, 22, 11) + 100, y' = MulDiv(y, 11, 11) + 200
    EXPECT_EQ(square.Points(), (std::vector<int32_t>{100, 200, 120, 200, 120, 210, 100, 210}));

    square.SetShape(ssRectangle);
    EXPECT_EQ(square.Points(), (std::vector<int32_t>{100, 200, 120, 200})); // as they stand, unordered
    EXPECT_FALSE(square.ContainsPoint({110, 200}));                        // an empty rectangle
    square.AddPoint({1, 2});                                                // back to a polyline
    EXPECT_EQ(square.Shape(), ssPolyline);
    EXPECT_EQ(square.PointCount(), 3);
    square.ClearPoints();
    EXPECT_EQ(square.PointCount(), 0);

    TSpot grown(ssPolyline);
    grown.AddPoint({5, 6});
    grown.SetShape(ssEllipse);
    EXPECT_EQ(grown.Points(), (std::vector<int32_t>{5, 6, 0, 0}));
}

TEST(Spot, AssignCopiesEverythingButTheMaskItem) {
    TSpot source(ssEllipse);
    source.SetBounds({1, 2, 3, 4});
    source.SetHint("hint");
    source.SetId(42);
    source.SetEnabled(false);
    source.SetMaskItem(Over(1, 1));
    TSpot copy(ssPolyline);
    copy.Assign(source);
    EXPECT_EQ(copy.Shape(), ssEllipse);
    EXPECT_EQ(copy.Points(), source.Points());
    EXPECT_EQ(copy.Hint(), "hint");
    EXPECT_EQ(copy.Id(), 42);
    EXPECT_FALSE(copy.Enabled());
    EXPECT_FALSE(copy.HasMaskItem());
    // An item without states removes the item.
    source.SetMaskItem(TSpotMaskItem{});
    EXPECT_FALSE(source.HasMaskItem());
    EXPECT_EQ(source.GetMaskItem(), TSpotMaskItem{});
}

// ------------------------------------------------------------- THotSpots

TEST(HotSpots, EarlierSpotsWinAndDisabledSpotsAreSkipped) {
    THotSpots spots;
    TSpot* first = spots.Add(Rect(1, {0, 0, 20, 20}));
    TSpot* second = spots.Add(Rect(2, {10, 10, 30, 30}));
    EXPECT_EQ(spots.SpotAt({15, 15}), first);
    EXPECT_EQ(spots.IndexAt({25, 25}), 1);
    first->SetEnabled(false);
    EXPECT_EQ(spots.SpotAt({15, 15}), second);
    EXPECT_EQ(spots.IndexAt({5, 5}), -1);
    EXPECT_EQ(spots.SpotAt({40, 40}), nullptr);
}

TEST(HotSpots, RemoveHandsTheSpotBackAndFreeingASpotLeavesTheList) {
    THotSpots spots;
    TSpot* a = spots.Add(Rect(1, {0, 0, 5, 5}));
    TSpot* b = spots.Add(Rect(2, {5, 5, 9, 9}));
    std::unique_ptr<TSpot> taken = spots.Remove(a);
    ASSERT_EQ(taken.get(), a);
    EXPECT_EQ(a->Owner(), nullptr);
    EXPECT_EQ(spots.Count(), 1);
    EXPECT_EQ(spots.Remove(a), nullptr); // no longer ours
    delete b;
    EXPECT_EQ(spots.Count(), 0);
    // Moving a spot to another list takes it out of the first.
    THotSpots other;
    TSpot* moved = other.Add(std::move(taken));
    THotSpots third;
    third.Add(other.Remove(moved));
    EXPECT_EQ(other.Count(), 0);
    EXPECT_EQ(moved->Owner(), &third);
}

TEST(HotSpots, AssignCopiesDeeplyAndRefusesOtherSources) {
    THotSpots source;
    TSpot* s = source.Add(Rect(7, {1, 2, 3, 4}));
    s->SetHint("seven");
    s->SetMaskItem(Over(1, 2));
    source.Add(std::make_unique<TSpot>(ssPolyline))->AddPoint({9, 9});

    THotSpots copy;
    copy.Add(Rect(99, {0, 0, 1, 1}));
    copy.Assign(&source);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_NE(copy.Items(0), s);
    EXPECT_EQ(copy.Items(0)->Data(), s->Data());
    EXPECT_EQ(copy.Items(1)->Data(), source.Items(1)->Data());
    s->SetHint("changed");
    EXPECT_EQ(copy.Items(0)->Hint(), "seven");

    copy.Assign(&copy);
    EXPECT_EQ(copy.Count(), 2);
    TPicture notSpots;
    EXPECT_THROW(copy.Assign(&notSpots), EConvertError);
    EXPECT_THROW(copy.Assign(nullptr), EConvertError);
    EXPECT_EQ(copy.Count(), 2);
}

TEST(HotSpots, StoredStreamsRoundTripThroughTheBinaryPropertyHooks) {
    THotSpots source;
    source.Add(Rect(1, {1, 2, 3, 4}))->SetMaskItem(Over(1, 2));
    TSpot* poly = source.Add(std::make_unique<TSpot>(ssPolyline));
    poly->AddPoint({5, 6});
    poly->SetHint("p");
    TMemoryStream spots, masks;
    source.WriteSpots(spots);
    source.WriteMaskItems(masks);

    THotSpots copy;
    copy.Add(Rect(50, {0, 0, 9, 9}));
    spots.SetPosition(0);
    masks.SetPosition(0);
    copy.ReadBinaryProperty("Spots", spots);
    copy.ReadBinaryProperty("MaskItems", masks);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Items(0)->Data(), source.Items(0)->Data());
    EXPECT_EQ(copy.Items(1)->Data(), poly->Data());
    EXPECT_TRUE(copy.HasMaskItems());
    EXPECT_THROW(copy.ReadBinaryProperty("Other", spots), EConvertError);

    // A corrupt value raises the stream error and leaves no half-read spot.
    TMemoryStream cut(spots.Data().data(), spots.Data().size() - 3);
    EXPECT_THROW(copy.ReadSpots(cut), EReadError);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Items(0)->Points(), source.Items(0)->Points());
    EXPECT_FALSE(copy.Items(0)->HasMaskItem());
}

TEST(HotSpots, LoadFromFileReplacesTheSpotsAndMissingFilesChangeNothing) {
    THotSpots spots;
    spots.Add(Rect(1, {0, 0, 5, 5}));
    EXPECT_THROW(spots.LoadFromFile(forms::ExecutableDirectory() + "no-such-map.hmt"), EFOpenError);
    EXPECT_EQ(spots.Count(), 1);

    std::string file = forms::ExecutableDirectory() + "hotimage_tests.hmt";
    {
        std::ofstream out(file, std::ios::binary);
        out << "map\r\n<ID=4 SHAPE=ellipse COORDS=\"0,0 8,8\" HINT=\"four\">\r\n<ID=5 DISABLED>";
    }
    spots.LoadFromFile(file);
    std::remove(file.c_str());
    ASSERT_EQ(spots.Count(), 2);
    EXPECT_EQ(spots.Items(0)->Id(), 4);
    EXPECT_EQ(spots.Items(0)->Shape(), ssEllipse);
    EXPECT_EQ(spots.Items(0)->Hint(), "four");
    EXPECT_FALSE(spots.Items(1)->Enabled());
    EXPECT_EQ(spots.Items(0)->Owner(), &spots);
}

// ------------------------------------------------------------- THotImage

namespace {

constexpr int kPicW = 80, kPicH = 60;
constexpr RECT kSpotA{10, 10, 30, 30};  // lit from the mask at its own place
constexpr RECT kSpotB{40, 10, 60, 30};  // lit from the mask at offset (5, 7)
constexpr RECT kEllipse{10, 34, 50, 56}; // lit at its own place; corners show the picture

class HotImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterComponentClasses();
        SetCursorPos(1200, 1000); // the real pointer starts away from the window
        host = new TForm(Application());
        host->SetBorderStyle(bsNone);
        host->SetBounds(40, 40, 300, 220);
        image = new THotImage(host);
        image->SetParent(host);
        image->SetBounds(10, 20, kPicW, kPicH);
        Paint(image->Picture().Bitmap(), kPicW, kPicH, PictureColor);
        Paint(image->MaskPicture().Bitmap(), kPicW, kPicH, MaskColor);
        a = image->HotSpots().Add(Rect(1, kSpotA));
        a->SetMaskItem(Over(kSpotA.left, kSpotA.top));
        a->SetHint("spot A");
        b = image->HotSpots().Add(Rect(2, kSpotB));
        b->SetMaskItem(Over(5, 7));
        auto ellipse = std::make_unique<TSpot>(ssEllipse);
        ellipse->SetBounds(kEllipse);
        ellipse->SetMaskItem(Over(kEllipse.left, kEllipse.top));
        e = image->HotSpots().Add(std::move(ellipse));
        image->OnSelectSpot = [this](TObject* sender, TSpot* spot) {
            EXPECT_EQ(sender, image);
            selections.push_back(spot);
        };
        image->OnClick = [this](TObject*) { clicked.push_back(image->SelectedSpot()); };
        image->OnDblClick = [this](TObject*) { ++doubleClicks; };
        host->Show();
        Pump(10);
        Settle();
    }
    void TearDown() override {
        delete host;
        Pump(10);
    }

    HWND Wnd() { return host->Handle(); }
    // Paints what is pending, so the next change starts from a valid window.
    void Settle() { UpdateWindow(Wnd()); }
    LPARAM At(int x, int y) { return MAKELPARAM(image->Left() + x, image->Top() + y); }
    // The real pointer goes where the message says, so lookups by screen
    // position agree with it.
    void PointerAt(int x, int y) {
        POINT p{image->Left() + x, image->Top() + y};
        ClientToScreen(Wnd(), &p);
        SetCursorPos(p.x, p.y);
    }
    void Move(int x, int y, WPARAM keys = 0) {
        PointerAt(x, y);
        SendMessageA(Wnd(), WM_MOUSEMOVE, keys, At(x, y));
    }
    void Press(int x, int y) { SendMessageA(Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(x, y)); }
    void Release(int x, int y) { SendMessageA(Wnd(), WM_LBUTTONUP, 0, At(x, y)); }
    void Click(int x, int y) {
        Move(x, y);
        Press(x, y);
        Release(x, y);
    }
    // The part of the host window waiting to be painted.
    HRGN Pending() {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(Wnd(), region, FALSE);
        return region;
    }
    std::string PendingArea() {
        HRGN region = Pending();
        std::string text = Describe(region);
        DeleteObject(region);
        return text;
    }
    // A picture rectangle in host client coordinates, 1:1 mapping.
    RECT InHost(RECT r) { return Offset(r, image->Left(), image->Top()); }
    // The box the focus mark repaints around a key (its outline may round
    // onto the key's edge).
    RECT FocusMarkBox(RECT key) {
        RECT r = InHost(key);
        InflateRect(&r, 1, 1);
        return r;
    }

    TForm* host = nullptr;
    THotImage* image = nullptr;
    TSpot *a = nullptr, *b = nullptr, *e = nullptr;
    std::vector<TSpot*> selections;
    std::vector<TSpot*> clicked;
    int doubleClicks = 0;
};

} // namespace

TEST_F(HotImageTest, PictureMappingRoundsHalvesAwayFromZero) {
    image->SetStretch(true);
    image->SetBounds(10, 20, 2 * kPicW, 2 * kPicH);
    for (int k : {0, 1, 7, 39}) {
        EXPECT_EQ(image->ControlToPicture(2 * k, 0).x, k);
        EXPECT_EQ(image->ControlToPicture(2 * k + 1, 0).x, k + 1);
        EXPECT_EQ(image->ControlToPicture(0, 2 * k + 1).y, k + 1);
    }
    EXPECT_EQ(image->SpotAtPos(2 * 29, 2 * 15), a);     // picture x 29: inside A
    EXPECT_EQ(image->SpotAtPos(2 * 29 + 1, 2 * 15), nullptr); // rounds to 30: outside

    image->SetStretch(false);
    image->SetCenter(true);
    image->SetBounds(10, 20, kPicW + 21, kPicH + 10); // (21 div 2, 10 div 2) = (10, 5)
    THotImage::TPictureMapping m = image->PictureMapping();
    EXPECT_EQ(m.DestLeft, 10);
    EXPECT_EQ(m.DestTop, 5);
    EXPECT_EQ(m.DestWidth, kPicW);
    EXPECT_EQ(image->SpotAtPos(10 + kSpotA.left, 5 + kSpotA.top), a);
    EXPECT_EQ(image->SpotAtPos(kSpotA.left, kSpotA.top), nullptr);
}

TEST_F(HotImageTest, HoverSelectsLightsAndShowsTheHotCursor) {
    Move(15, 15);
    EXPECT_EQ(image->SelectedSpot(), a);
    EXPECT_EQ(selections, (std::vector<TSpot*>{a}));
    EXPECT_EQ(ShownCursor(image), crHandPoint);
    EXPECT_TRUE(image->HighlightVisible());
    EXPECT_EQ(image->HighlightedSpot(), a);
    EXPECT_EQ(image->HighlightState(), hsMouseOver);

    // The lit-up image is the mask picture at the spot's own place.
    TBitmap* lit = image->HighlightBitmap();
    ASSERT_NE(lit, nullptr);
    EXPECT_EQ(lit->Width(), 20);
    EXPECT_EQ(lit->Height(), 20);
    EXPECT_EQ(image->HighlightPos().x, kSpotA.left);
    for (int y = 0; y < 20; y += 3)
        for (int x = 0; x < 20; x += 3) ASSERT_EQ(BitmapPixel(*lit, x, y), MaskColor(10 + x, 10 + y)) << x << "," << y;

    // Moving within the spot changes nothing; the same position is not tested again.
    Move(16, 16);
    Move(16, 16);
    EXPECT_EQ(selections.size(), 1u);

    // Off every spot: the own cursor and no light.
    Move(35, 5);
    EXPECT_EQ(image->SelectedSpot(), nullptr);
    EXPECT_EQ(selections.back(), nullptr);
    EXPECT_EQ(ShownCursor(image), crDefault);
    EXPECT_FALSE(image->HighlightVisible());
    EXPECT_EQ(image->HighlightBitmap(), nullptr);
}

TEST_F(HotImageTest, LitPixelsComeFromTheMaskAtTheSpotsOffset) {
    Move(45, 20); // spot B: mask point (5, 7) lies on B's top-left corner
    Settle();
    TPixels screen = ScreenPixels(Wnd());
    for (int y = kSpotB.top; y < kSpotB.bottom; ++y)
        for (int x = kSpotB.left; x < kSpotB.right; ++x)
            ASSERT_EQ(screen.At(image->Left() + x, image->Top() + y), MaskColor(x - 40 + 5, y - 10 + 7)) << x << "," << y;
    // Around the spot the picture shows.
    EXPECT_EQ(screen.At(image->Left() + 39, image->Top() + 20), PictureColor(39, 20));
    EXPECT_EQ(screen.At(image->Left() + 60, image->Top() + 20), PictureColor(60, 20));
    EXPECT_EQ(screen.At(image->Left() + 45, image->Top() + 30), PictureColor(45, 30));
    EXPECT_EQ(screen.At(image->Left() + 15, image->Top() + 15), PictureColor(15, 15)); // A is not lit
}

TEST_F(HotImageTest, EllipseCornersShowThePictureInsideTheLitBox) {
    Move(30, 45);
    ASSERT_EQ(image->SelectedSpot(), e);
    Settle();
    TPixels screen = ScreenPixels(Wnd());
    auto at = [&](int x, int y) { return screen.At(image->Left() + x, image->Top() + y); };
    EXPECT_EQ(at(30, 45), MaskColor(30, 45));
    EXPECT_EQ(at(kEllipse.left, kEllipse.top), PictureColor(kEllipse.left, kEllipse.top));
    EXPECT_EQ(at(kEllipse.right - 1, kEllipse.bottom - 1), PictureColor(kEllipse.right - 1, kEllipse.bottom - 1));
    EXPECT_EQ(at(kEllipse.left + 1, 45), MaskColor(kEllipse.left + 1, 45));
}

TEST_F(HotImageTest, AHoverChangeInvalidatesOnlyTheOldAndTheNewBox) {
    Move(15, 15);
    Settle();
    Move(45, 15); // A to B
    EXPECT_EQ(PendingArea(), Describe({InHost(kSpotA), InHost(kSpotB)}));
    Settle();
    Move(35, 5); // B to nothing
    EXPECT_EQ(PendingArea(), Describe({InHost(kSpotB)}));
    Settle();
    Move(36, 5); // nothing to nothing
    EXPECT_EQ(PendingArea(), "empty");
    Move(30, 45); // nothing to the ellipse: its region's box
    HRGN region = e->CreateRegion();
    RECT box;
    GetRgnBox(region, &box);
    DeleteObject(region);
    EXPECT_EQ(PendingArea(), Describe({InHost(box)}));
}

TEST_F(HotImageTest, StretchedHighlightsScaleLikeThePicture) {
    image->SetStretch(true);
    image->SetBounds(10, 20, 2 * kPicW, 2 * kPicH);
    Settle();
    Move(2 * 45, 2 * 20);
    ASSERT_EQ(image->SelectedSpot(), b);
    RECT scaled{2 * kSpotB.left, 2 * kSpotB.top, 2 * kSpotB.right, 2 * kSpotB.bottom};
    EXPECT_EQ(PendingArea(), Describe({InHost(scaled)}));
    Settle();
    TPixels screen = ScreenPixels(Wnd());
    for (int y = kSpotB.top; y < kSpotB.bottom; y += 2)
        for (int x = kSpotB.left; x < kSpotB.right; x += 3) {
            COLORREF expected = MaskColor(x - 40 + 5, y - 10 + 7);
            ASSERT_EQ(screen.At(image->Left() + 2 * x, image->Top() + 2 * y), expected) << x << "," << y;
            ASSERT_EQ(screen.At(image->Left() + 2 * x + 1, image->Top() + 2 * y + 1), expected) << x << "," << y;
        }
    EXPECT_EQ(screen.At(image->Left() + 2 * kSpotB.right, image->Top() + 2 * 20), PictureColor(kSpotB.right, 20));
    EXPECT_EQ(screen.At(image->Left() + 2 * kSpotB.left - 1, image->Top() + 2 * 20), PictureColor(kSpotB.left - 1, 20));
}

TEST_F(HotImageTest, MouseOverOnlyItemsKeepTheirLookWhenPressedWithoutRepainting) {
    Move(15, 15);
    Settle();
    Press(15, 15);
    EXPECT_EQ(image->HighlightState(), hsMouseOver);
    EXPECT_TRUE(image->HighlightVisible());
    EXPECT_EQ(PendingArea(), Describe({FocusMarkBox(kSpotA)})) << "only the focus mark the press brings";
    Settle();
    Release(15, 15);
    EXPECT_EQ(PendingArea(), "empty");
    EXPECT_TRUE(image->HighlightVisible());
    EXPECT_EQ(clicked, (std::vector<TSpot*>{a}));
}

TEST_F(HotImageTest, MouseDownOnlyItemsLightOnThePressAlone) {
    Paint(image->MaskPicture().Bitmap(), kPicW, kPicH, DownColor);
    TSpotMaskItem down;
    down.States.Include(hsMouseDown);
    down.Offsets[hsMouseDown] = {kSpotA.left, kSpotA.top};
    a->SetMaskItem(down);
    Move(15, 15);
    EXPECT_EQ(image->SelectedSpot(), a);
    EXPECT_FALSE(image->HighlightVisible());
    Settle();
    Press(15, 15);
    EXPECT_TRUE(image->HighlightVisible());
    EXPECT_EQ(image->HighlightState(), hsMouseDown);
    EXPECT_EQ(PendingArea(), Describe({FocusMarkBox(kSpotA)})) << "the key lit, with the focus mark around it";
    Settle();
    EXPECT_EQ(ScreenPixels(Wnd()).At(image->Left() + 15, image->Top() + 15), DownColor(15, 15));
    Release(15, 15);
    EXPECT_FALSE(image->HighlightVisible());
    EXPECT_EQ(PendingArea(), Describe({InHost(kSpotA)}));
    EXPECT_EQ(clicked, (std::vector<TSpot*>{a}));
}

TEST_F(HotImageTest, WithoutAMaskPictureSpotsStillSelectAndClick) {
    image->MaskPicture().Assign(nullptr);
    Click(45, 15);
    EXPECT_EQ(image->SelectedSpot(), b);
    EXPECT_FALSE(image->HighlightVisible());
    EXPECT_EQ(ShownCursor(image), crHandPoint);
    EXPECT_EQ(clicked, (std::vector<TSpot*>{b}));
}

TEST_F(HotImageTest, LeavingTheControlUnlightsButKeepsTheSelection) {
    Move(15, 15);
    Settle();
    // Straight from the spot onto the window beside the image.
    POINT outside{image->Left() + kPicW + 20, image->Top() + 10};
    SendMessageA(Wnd(), WM_MOUSEMOVE, 0, MAKELPARAM(outside.x, outside.y));
    EXPECT_FALSE(image->HighlightVisible());
    EXPECT_EQ(image->SelectedSpot(), a);
    EXPECT_EQ(ShownCursor(image), crHandPoint);
    EXPECT_EQ(PendingArea(), Describe({InHost(kSpotA)}));
    // Coming back elsewhere: the next hit test decides.
    Move(35, 5);
    EXPECT_EQ(image->SelectedSpot(), nullptr);
    EXPECT_EQ(ShownCursor(image), crDefault);
}

TEST_F(HotImageTest, HotAreasOnlyDecidesWhetherClicksOffSpotsCount) {
    Click(35, 5);
    SendMessageA(Wnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(35, 5));
    Release(35, 5);
    EXPECT_TRUE(clicked.empty());
    EXPECT_EQ(doubleClicks, 0);
    SendMessageA(Wnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(15, 15));
    Release(15, 15);
    EXPECT_EQ(doubleClicks, 0); // the double click landed before any hit test found A
    Move(15, 15);
    SendMessageA(Wnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(15, 15));
    Release(15, 15);
    EXPECT_EQ(doubleClicks, 1);

    clicked.clear();
    image->SetHotAreasOnly(false);
    Click(36, 5);
    EXPECT_EQ(clicked, (std::vector<TSpot*>{nullptr}));
}

TEST_F(HotImageTest, PressOnOneSpotAndReleaseOnAnother) {
    Move(15, 15);
    Press(15, 15);
    Move(16, 16, MK_LBUTTON);
    EXPECT_EQ(image->SelectedSpot(), a);
    EXPECT_EQ(image->HighlightState(), hsMouseOver); // no pressed image: the hover look
    Move(45, 15, MK_LBUTTON);
    EXPECT_EQ(image->SelectedSpot(), b);
    EXPECT_EQ(selections, (std::vector<TSpot*>{a, b}));
    EXPECT_EQ(image->HighlightedSpot(), a); // A stays lit while the button is held
    EXPECT_TRUE(image->HighlightVisible());
    Release(45, 15);
    EXPECT_EQ(image->HighlightedSpot(), b);
    EXPECT_TRUE(image->HighlightVisible());
    EXPECT_EQ(clicked, (std::vector<TSpot*>{b}));
}

TEST_F(HotImageTest, APressedSpotKeepsTheSelectionOverAnEarlierOverlappingSpot) {
    TSpot* front = image->HotSpots().Items(0);
    TSpot* behind = image->HotSpots().Add(Rect(9, {20, 20, 60, 40}));
    behind->SetMaskItem(Over(20, 20));
    Move(50, 35);
    ASSERT_EQ(image->SelectedSpot(), behind);
    Press(50, 35);
    Move(25, 25, MK_LBUTTON); // inside A too, which comes first in the list
    EXPECT_EQ(image->SelectedSpot(), behind);
    Release(25, 25);
    EXPECT_EQ(clicked, (std::vector<TSpot*>{behind}));
    Move(26, 26);
    EXPECT_EQ(image->SelectedSpot(), front);
}

TEST_F(HotImageTest, ReleasedOutsideTheControlNoClick) {
    Move(15, 15);
    Press(15, 15);
    int x = kPicW + 30, y = 10; // beside the image, on the host window
    POINT p{image->Left() + x, image->Top() + y};
    ClientToScreen(Wnd(), &p);
    SetCursorPos(p.x, p.y);
    SendMessageA(Wnd(), WM_MOUSEMOVE, MK_LBUTTON, At(x, y));
    EXPECT_EQ(image->SelectedSpot(), nullptr);
    EXPECT_EQ(image->HighlightedSpot(), a); // still lit in its hover look
    EXPECT_TRUE(image->HighlightVisible());
    Release(x, y);
    EXPECT_FALSE(image->HighlightVisible());
    EXPECT_TRUE(clicked.empty());
}

TEST_F(HotImageTest, ClearingTheSpotsDropsSelectionAndHighlight) {
    Move(15, 15);
    ASSERT_TRUE(image->HighlightVisible());
    Settle();
    image->HotSpots().Clear();
    EXPECT_EQ(image->SelectedSpot(), nullptr);
    EXPECT_EQ(selections, (std::vector<TSpot*>{a, nullptr}));
    EXPECT_EQ(ShownCursor(image), crDefault);
    EXPECT_EQ(image->HighlightedSpot(), nullptr);
    EXPECT_FALSE(image->HighlightVisible());
    EXPECT_EQ(PendingArea(), Describe({InHost(kSpotA)}));
}

TEST_F(HotImageTest, RemovingTheLitSpotLeavesNothingPointingAtIt) {
    // Lit but no longer selected: the pointer left while the button was held.
    Move(15, 15);
    Press(15, 15);
    SendMessageA(Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(image->Left() + kPicW + 30, image->Top()));
    ASSERT_EQ(image->SelectedSpot(), nullptr);
    ASSERT_EQ(image->HighlightedSpot(), a);
    selections.clear();
    std::unique_ptr<TSpot> removed = image->HotSpots().Remove(a);
    EXPECT_TRUE(selections.empty()); // it was not selected
    EXPECT_EQ(image->HighlightedSpot(), nullptr);
    EXPECT_FALSE(image->HighlightVisible());
    removed.reset();
    Release(15, 15); // must not touch the freed spot
    Move(45, 15);
    EXPECT_EQ(image->SelectedSpot(), b);
    Settle();
}

TEST_F(HotImageTest, DisablingTheControlUnlightsAndRepaints) {
    Move(15, 15);
    ASSERT_TRUE(image->HighlightVisible());
    image->SetEnabled(false);
    EXPECT_FALSE(image->HighlightVisible());
    EXPECT_EQ(PendingArea(), "empty"); // painted at once
    EXPECT_EQ(ScreenPixels(Wnd()).At(image->Left() + 15, image->Top() + 15), PictureColor(15, 15));
}

TEST_F(HotImageTest, HintsComeFromTheSelectedSpotOrTheImage) {
    image->SetHint("keyboard");
    std::string text;
    EXPECT_TRUE(image->HintShow(text));
    EXPECT_EQ(text, "keyboard");
    Move(15, 15);
    EXPECT_TRUE(image->HintShow(text));
    EXPECT_EQ(text, "spot A");
    image->OnGetHintText = [this](TObject* sender, TSpot* spot, std::string& hint) {
        EXPECT_EQ(sender, image);
        hint = hint + " (" + std::to_string(spot->Id()) + ")";
    };
    EXPECT_TRUE(image->HintShow(text));
    EXPECT_EQ(text, "spot A (1)");

    // Own hint and cursor written while a spot is selected wait for the
    // selection to end.
    image->SetHint("new hint");
    image->SetCursor(crCross);
    EXPECT_EQ(static_cast<TControl*>(image)->Hint(), "keyboard");
    EXPECT_EQ(ShownCursor(image), crHandPoint);
    image->SetHotCursor(crSizeAll);
    EXPECT_EQ(ShownCursor(image), crSizeAll);
    Move(35, 5);
    EXPECT_EQ(ShownCursor(image), crCross);
    EXPECT_EQ(image->Cursor(), crCross);
    EXPECT_EQ(static_cast<TControl*>(image)->Hint(), "keyboard"); // the base keeps the one passed on last
    EXPECT_TRUE(image->HintShow(text));
    EXPECT_EQ(text, "new hint");
}

TEST_F(HotImageTest, OnPaintRunsAfterThePictureWithTheClippingRestored) {
    Move(15, 15);
    Settle();
    int calls = 0;
    image->OnPaint = [&](TObject*) {
        ++calls;
        // The lit area is drawable again: paint a mark into it.
        RECT mark{kSpotA.left, kSpotA.top, kSpotA.left + 2, kSpotA.top + 2};
        image->Canvas().Brush().SetColor(clRed);
        image->Canvas().FillRect(mark);
    };
    image->Invalidate();
    Settle();
    EXPECT_EQ(calls, 1);
    TPixels screen = ScreenPixels(Wnd());
    EXPECT_EQ(screen.At(image->Left() + kSpotA.left, image->Top() + kSpotA.top), RGB(255, 0, 0));
    EXPECT_EQ(screen.At(image->Left() + 20, image->Top() + 20), MaskColor(20, 20));
}

TEST_F(HotImageTest, TransparentReachesTheMaskWhenWrittenAndNewMasksStayAsTheyAre) {
    image->SetTransparent(true);
    EXPECT_TRUE(image->MaskPicture().Graphic()->Transparent());
    image->SetTransparent(false);
    EXPECT_FALSE(image->MaskPicture().Graphic()->Transparent());
    TPicture opaque, see_through;
    Paint(opaque.Bitmap(), kPicW, kPicH, MaskColor);
    Paint(see_through.Bitmap(), kPicW, kPicH, MaskColor);
    see_through.Graphic()->SetTransparent(true);
    image->SetTransparent(true);
    image->SetMaskPicture(&opaque);
    EXPECT_FALSE(image->MaskPicture().Graphic()->Transparent());
    Paint(image->MaskPicture().Bitmap(), kPicW, kPicH, DownColor); // drawn on: still its own
    EXPECT_FALSE(image->MaskPicture().Graphic()->Transparent());
    image->SetTransparent(false);
    image->SetMaskPicture(&see_through);
    EXPECT_TRUE(image->MaskPicture().Graphic()->Transparent());
}

// Freeing spots reports the lost selection while everything is alive, so a
// handler's exception reaches the caller instead of ending the process from
// inside a destructor. A listed spot deleted directly, and the image itself,
// go without running a handler.
TEST_F(HotImageTest, FreeingSpotsRunsNoHandlerInsideADestructor) {
    std::string map = forms::ExecutableDirectory() + "hotimage_free.hmt";
    std::ofstream(map, std::ios::binary) << "<ID=3 SHAPE=rectangle COORDS=\"0,0 5,5\">";
    THotSpots saved;
    saved.Assign(&image->HotSpots());
    TEventRecorder events;
    auto throwing = [&](TObject*, TSpot* spot) {
        events.Add(spot ? "select" : "select none");
        throw Exception("handler failed");
    };
    struct TWay {
        const char* name;
        std::function<void()> free;
        std::vector<std::string> expected;
    };
    const TWay ways[] = {
        {"Clear", [&] { image->HotSpots().Clear(); }, {"select none"}},
        {"Assign", [&] { THotSpots none; image->HotSpots().Assign(&none); }, {"select none"}},
        {"LoadFromFile", [&] { image->HotSpots().LoadFromFile(map); }, {"select none"}},
        {"delete", [&] { delete image->SelectedSpot(); }, {}},
    };
    for (const TWay& way : ways) {
        SCOPED_TRACE(way.name);
        image->OnSelectSpot = nullptr;
        image->HotSpots().Assign(&saved);
        Move(35, 5);
        Move(15, 15);
        ASSERT_TRUE(image->SelectedSpot() && image->HighlightVisible());
        image->OnSelectSpot = throwing;
        if (way.expected.empty()) way.free();
        else EXPECT_THROW_MESSAGE(way.free(), "handler failed");
        EXPECT_TRUE(events.Matches(way.expected));
        EXPECT_EQ(image->SelectedSpot(), nullptr);
        EXPECT_EQ(image->HighlightedSpot(), nullptr);
        EXPECT_EQ(ShownCursor(image), crDefault);
    }
    std::remove(map.c_str());

    image->OnSelectSpot = nullptr;
    image->HotSpots().Assign(&saved);
    Move(15, 15);
    image->OnSelectSpot = throwing;
    delete host;
    host = nullptr;
    EXPECT_TRUE(events.Matches({}));
}

// A map file's coordinates and offsets decide nothing about memory: the lit
// image is the part of its spot that the picture shows, hovered and pressed.
class HotImageHugeMap : public HotImageTest {
protected:
    void SetUp() override {
        HotImageTest::SetUp();
        saved = ControlHooks();
        ControlHooks().HandleException = [this] {
            try {
                throw;
            } catch (const std::exception& e) {
                errors.push_back(e.what());
            }
        };
    }
    void TearDown() override {
        std::remove(map.c_str());
        ControlHooks() = saved;
        EXPECT_EQ(errors, std::vector<std::string>{});
        HotImageTest::TearDown();
    }
    // Lights and presses a spot of each map in turn.
    void Round() {
        struct TCase {
            const char* entry;
            RECT lit; // HighlightPos and the bitmap's size, in picture coordinates
        };
        const TCase cases[] = {
            {R"(SHAPE=rectangle COORDS="0,0 30000,30000" MOUSEOVER="0,0")", {0, 0, kPicW, kPicH}},
            {R"(SHAPE=rectangle COORDS="-2147483648,-2147483648 2147483647,2147483647" MOUSEOVER="2147483647,-2147483648")",
             {0, 0, kPicW, kPicH}},
            {R"(SHAPE=ellipse COORDS="-30000,-30000 30000,30000" MOUSEOVER="-2147483648,2147483647")", {0, 0, kPicW, kPicH}},
            {R"(COORDS="-100000,-100000 100000,-100000 0,100000" MOUSEDOWN="-2147483648,-2147483648")", {0, 0, kPicW, kPicH}},
            {R"(SHAPE=rectangle COORDS="-50,-50 20,20" MOUSEOVER="0,0")", {0, 0, 20, 20}},
        };
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.entry);
            std::ofstream(map, std::ios::binary) << "<ID=1 " << c.entry << ">";
            image->HotSpots().LoadFromFile(map);
            clicked.clear();
            Move(1, 1);
            Move(10, 10);
            Press(10, 10);
            Settle();
            ASSERT_TRUE(image->HighlightVisible());
            TBitmap* lit = image->HighlightBitmap();
            RECT shown{image->HighlightPos().x, image->HighlightPos().y, image->HighlightPos().x + lit->Width(),
                       image->HighlightPos().y + lit->Height()};
            EXPECT_TRUE(EqualRect(&shown, &c.lit)) << Describe({shown});
            Release(10, 10);
            EXPECT_EQ(clicked, std::vector<TSpot*>{image->HotSpots().Items(0)});
        }
        // The offset still counts from the spot's own corner, outside the picture.
        EXPECT_EQ(BitmapPixel(*image->HighlightBitmap(), 10, 5), MaskColor(60, 55));
        Move(35, 5);
        Settle();
    }
    std::vector<std::string> errors;
    TControlHooks saved;
    std::string map = forms::ExecutableDirectory() + "hotimage_huge.hmt";
};

TEST_F(HotImageHugeMap, LightsOnlyWhatThePictureShows) {
    Round();
    // A control narrower than its picture lights only what it shows.
    image->SetBounds(10, 20, 15, kPicH);
    Move(1, 1);
    Move(10, 10);
    ASSERT_TRUE(image->HighlightBitmap());
    EXPECT_EQ(image->HighlightBitmap()->Width(), 15);
}

TEST_F(HotImageHugeMap, LeavesNoHandlesBehind) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "GDI/USER handles cannot be counted in this run";
    Round();
    testing_support::THandleCounts before = testing_support::CurrentHandleCounts();
    Round();
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

TEST_F(HotImageTest, NoHandlesAreLeftBehind) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "GDI/USER handles cannot be counted in this run";
    auto round = [&] {
        auto* extra = new THotImage(host);
        extra->SetParent(host);
        extra->SetBounds(120, 20, kPicW, kPicH);
        extra->Picture().Assign(&image->Picture());
        extra->MaskPicture().Assign(&image->MaskPicture());
        extra->HotSpots().Assign(&image->HotSpots());
        for (int i = 0; i < 3; ++i) {
            Move(15, 15);
            Move(45, 15);
            Move(30, 45);
            Press(30, 45);
            Release(30, 45);
            Settle();
        }
        SendMessageA(Wnd(), WM_MOUSEMOVE, 0, MAKELPARAM(120 + 15, 20 + 15)); // lights the extra image
        delete extra;                                                        // while lit
        Move(35, 5);
        Settle();
    };
    round();
    testing_support::THandleCounts before = testing_support::CurrentHandleCounts();
    for (int i = 0; i < 5; ++i) round();
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

// The default key map as the main window's layout stores it, over the
// keyboard pictures that ship with the program.
TEST(DefaultKeyMapImage, EveryKeyLightsWithTheMaskAtItsOwnPlace) {
    RegisterComponentClasses();
    std::string fragment = testing_support::KeyboardImageBlock();
    ASSERT_FALSE(fragment.empty());
    std::string layout = "object KeyForm: TForm\n  BorderStyle = bsNone\n  object Panel5: TPanel\n    Left = 0\n"
                         "    Top = 0\n    Width = 640\n    Height = 84\n    BevelOuter = bvNone\n" +
                         fragment + "  end\nend\n";

    TForm* form = new TForm(Application());
    ReadLayoutInto(form, ReadLayout(layout), form);
    form->SetBounds(0, 30, 640, 84); // Wine here reports a 640-pixel-wide screen
    auto* image = form->Field<THotImage>("HotImage1");
    int clicks = 0;
    image->OnClick = [&](TObject*) { ++clicks; };
    image->Picture().LoadFromFile(ResourcePath("Q5.bmp"));
    image->MaskPicture().LoadFromFile(ResourcePath("Q5Mask.bmp"));
    form->Show();
    Pump(10);
    ASSERT_EQ(image->HotSpots().Count(), 18);
    ASSERT_EQ(image->Width(), 640);
    EXPECT_EQ(image->HotCursor(), crHandPoint);
    TBitmap& picture = image->Picture().Bitmap();
    TBitmap& mask = image->MaskPicture().Bitmap();
    HWND wnd = image->Parent()->Handle(); // the panel's window routes the mouse to the image

    std::vector<int32_t> ids;
    for (int i = 0; i < 18; ++i) {
        TSpot* key = image->HotSpots().Items(i);
        ids.push_back(key->Id());
        RECT r = key->GetBounds();
        SCOPED_TRACE(::testing::Message() << "key " << key->Id());
        POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        POINT inWindow{image->Left() + centre.x, image->Top() + centre.y};
        POINT screen = inWindow;
        ClientToScreen(wnd, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(inWindow.x, inWindow.y));
        ASSERT_EQ(image->SelectedSpot(), key);
        ASSERT_TRUE(image->HighlightVisible());
        UpdateWindow(wnd);
        TPixels shown = ScreenPixels(wnd);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                ASSERT_EQ(shown.At(image->Left() + x, image->Top() + y), BitmapPixel(mask, x, y)) << x << "," << y;
        // The neighbourhood keeps the plain picture.
        for (int x = r.left - 1; x <= r.right; ++x) {
            ASSERT_EQ(shown.At(image->Left() + x, image->Top() + r.top - 1), BitmapPixel(picture, x, r.top - 1));
            ASSERT_EQ(shown.At(image->Left() + x, image->Top() + r.bottom), BitmapPixel(picture, x, r.bottom));
        }
        SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(inWindow.x, inWindow.y));
        SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(inWindow.x, inWindow.y));
    }
    EXPECT_EQ(clicks, 18);
    std::sort(ids.begin(), ids.end());
    for (int i = 0; i < 18; ++i) EXPECT_EQ(ids[size_t(i)], i + 1);
    delete form;
    Pump(10);
}

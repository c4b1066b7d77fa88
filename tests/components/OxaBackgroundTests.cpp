// Backgrounds and fill controls: every background style on pixels, the
// notification of every write, the client list, the picture a fill control
// renders once and copies until a change, lifetimes in either order,
// layouts, painting on a real window and the handles all this leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "HandleCounter.h"
#include "OxaPixels.h"
#include "components/ComponentsRegistration.h"
#include "components/OxaTBackground.h"
#include "components/OxaTFillBackground.h"
#include "forms/Forms.h"
#include "forms/Layouts.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/GuiTestSupport.h"

using namespace components;
using namespace forms;
using namespace oxa_test;
using testing_support::Pump;
using testing_support::TEventRecorder;

namespace {

// A picture whose every pixel is told apart by its position.
TColor Spot(int x, int y) { return RGB(10 + 20 * x, 40 + 30 * y, 99); }

void MakePicture(TBitmap& b, int w, int h, const std::function<TColor(int, int)>& color = Spot) {
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.Canvas().SetPixels(x, y, color(x, y));
}

TPixels DrawTexture(TOxaTexture& t, int targetW, int targetH, int w, int h, TColor solid = clBtnFace) {
    TBitmap target;
    Prepare(target, targetW, targetH);
    t.Draw(target.Canvas(), w, h, solid);
    return ReadPixels(target);
}

TPixels DrawBackground(TOxaBackground& b, int targetW, int targetH, int w, int h, bool forwardFirst = true) {
    TBitmap target;
    Prepare(target, targetW, targetH);
    b.Draw(target.Canvas(), w, h, forwardFirst);
    return ReadPixels(target);
}

// A fill control that records its repaint requests, by its name.
class TRecordingFill : public TOxaFillBackground {
public:
    TRecordingFill(TComponent* owner, TEventRecorder& log, const std::string& name) : TOxaFillBackground(owner), log_(log) {
        SetName(name);
    }
    void Invalidate() override {
        log_.Add(Name());
        TOxaFillBackground::Invalidate();
    }

private:
    TEventRecorder& log_;
};

// Renders a control as its parent window would: onto a target DC.
TPixels PaintControl(TGraphicControl& control, int targetW, int targetH) {
    TBitmap target;
    Prepare(target, targetW, targetH);
    control.PaintTo(target.Canvas().Handle());
    return ReadPixels(target);
}

} // namespace

// ------------------------------------------------------------------ texture

TEST(OxaTexture, TilesFromTheOriginAndCutsTheLastColumnAndRow) {
    TOxaTexture t;
    MakePicture(t.Image(), 3, 2);
    for (auto [w, h] : {std::pair{7, 5}, std::pair{6, 4}, std::pair{2, 1}}) {
        TPixels p = DrawTexture(t, 12, 9, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(p.At(x, y), Spot(x % 3, y % 2)) << x << "," << y << " in " << w << "x" << h;
        EXPECT_TRUE(p.AllOutside({0, 0, w, h}, Untouched)) << w << "x" << h;
    }
}

TEST(OxaTexture, CentresSmallPicturesAndPinsLargeOnesToTheOrigin) {
    TOxaTexture t;
    t.SetImageStyle(isCenter);
    MakePicture(t.Image(), 4, 2);
    TPixels p = DrawTexture(t, 10, 8, 10, 8);
    EXPECT_EQ(p.At(3, 3), Spot(0, 0));
    EXPECT_EQ(p.At(6, 4), Spot(3, 1));
    EXPECT_TRUE(p.AllOutside({3, 3, 7, 5}, Untouched)); // the rest is not painted

    // Wider than the area: x = 0, the left part shows, cut at the area.
    MakePicture(t.Image(), 12, 3);
    p = DrawTexture(t, 14, 8, 8, 8);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(p.At(x, 2), Spot(x, 0)) << x;
    EXPECT_EQ(p.At(7, 4), Spot(7, 2));
    EXPECT_TRUE(p.AllOutside({0, 2, 8, 5}, Untouched));

    // Taller than the area: y = 0, centred across.
    MakePicture(t.Image(), 5, 20);
    p = DrawTexture(t, 9, 9, 9, 6);
    EXPECT_EQ(p.At(2, 0), Spot(0, 0));
    EXPECT_EQ(p.At(6, 5), Spot(4, 5));
    EXPECT_TRUE(p.AllOutside({2, 0, 7, 6}, Untouched));
}

TEST(OxaTexture, StretchesOverTheArea) {
    TOxaTexture t;
    t.SetImageStyle(isStretched);
    MakePicture(t.Image(), 2, 2);
    TPixels p = DrawTexture(t, 10, 8, 8, 6);
    EXPECT_TRUE(p.All({0, 0, 4, 3}, Spot(0, 0)));
    EXPECT_TRUE(p.All({4, 0, 8, 3}, Spot(1, 0)));
    EXPECT_TRUE(p.All({0, 3, 4, 6}, Spot(0, 1)));
    EXPECT_TRUE(p.All({4, 3, 8, 6}, Spot(1, 1)));
    EXPECT_TRUE(p.AllOutside({0, 0, 8, 6}, Untouched));
}

TEST(OxaTexture, TransparentColourShowsTheTransparentBackground) {
    TOxaTexture t;
    auto picture = [](int x, int y) { return (x + y) % 2 ? clRed : Spot(x, y); };
    MakePicture(t.Image(), 4, 4, picture);
    // clNone: drawn exactly as stored, red included.
    TPixels p = DrawTexture(t, 4, 4, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(p.At(x, y), picture(x, y));

    t.SetTransparentColor(clRed);
    t.SetTransparentBackground(clLime);
    p = DrawTexture(t, 4, 4, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(p.At(x, y), (x + y) % 2 ? clLime : Spot(x, y));
    // The picture itself keeps its red: the replacement is made in a copy.
    EXPECT_EQ(t.Image().Canvas().Pixels(1, 0), clRed);

    // System colours on both sides are resolved.
    t.SetTransparentBackground(clBtnFace);
    t.SetImageStyle(isStretched);
    p = DrawTexture(t, 8, 8, 8, 8);
    EXPECT_EQ(p.At(2, 0), GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
    EXPECT_EQ(p.At(0, 0), Spot(0, 0));
}

TEST(OxaTexture, EmptyPictureOrAreaPaintsNothing) {
    TOxaTexture t;
    for (TOxaImageStyle style : {isTile, isCenter, isStretched}) {
        t.SetImageStyle(style);
        EXPECT_TRUE(DrawTexture(t, 6, 6, 6, 6).All({0, 0, 6, 6}, Untouched));
    }
    MakePicture(t.Image(), 2, 2);
    EXPECT_TRUE(DrawTexture(t, 6, 6, 0, 6).All({0, 0, 6, 6}, Untouched));
}

// -------------------------------------------------------- background styles

TEST(OxaBackgroundDraw, BrushFillsOnWhiteAndOnTheSolidColour) {
    TOxaBackground b;
    b.SetSolidColor(clLime);
    const RECT area{0, 0, 16, 12};
    auto draw = [&](TOxaBackStyle style, TBrushStyle brush, TColor color) {
        b.SetBackgroundStyle(style);
        b.BrushFill().SetBrushStyle(brush);
        b.BrushFill().SetBrushColor(color);
        TPixels p = DrawBackground(b, 20, 15, 16, 12);
        EXPECT_TRUE(p.AllOutside(area, Untouched));
        return p;
    };
    EXPECT_TRUE(draw(bBrushFillUseCurrent, bsSolid, clRed).All(area, clRed));
    EXPECT_TRUE(draw(bBrushFillUseCurrent, bsClear, clRed).All(area, clWhite));
    EXPECT_TRUE(draw(bBrushFillUseCurrent, bsSolid, clBtnShadow).All(area, GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF));

    TPixels onWhite = draw(bBrushFillUseCurrent, bsCross, clBlue);
    TPixels onLime = draw(bBrushFillSolidColor, bsCross, clBlue);
    int lines = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            bool line = onWhite.At(x, y) == clBlue;
            lines += line;
            EXPECT_EQ(onWhite.At(x, y), line ? clBlue : clWhite) << x << "," << y;
            EXPECT_EQ(onLime.At(x, y), line ? clBlue : clLime) << x << "," << y;
        }
    EXPECT_GT(lines, 16);
    EXPECT_LT(lines, 16 * 12 / 2);

    EXPECT_TRUE(draw(bBrushFillSolidColor, bsClear, clRed).All(area, clLime));
    EXPECT_TRUE(draw(bBrushFillSolidColor, bsSolid, clWhite).All(area, clLime));
    EXPECT_TRUE(draw(bBrushFillSolidColor, bsDiagCross, clWhite).All(area, clLime));
}

TEST(OxaBackgroundDraw, SolidGradientAndTextureStyles) {
    TOxaBackground b;
    b.SetBackgroundStyle(bSolidcolor);
    TPixels p = DrawBackground(b, 9, 9, 7, 5); // clBtnFace by default
    EXPECT_TRUE(p.All({0, 0, 7, 5}, GetSysColor(COLOR_BTNFACE) & 0xFFFFFF));
    EXPECT_TRUE(p.AllOutside({0, 0, 7, 5}, Untouched));

    // The gradient draws with the direction it is given.
    b.SetBackgroundStyle(bGradient);
    b.Gradient().SetBeginColor(clRed);
    b.Gradient().SetEndColor(clBlue);
    EXPECT_EQ(DrawBackground(b, 4, 20, 4, 20, true).At(0, 0), RGB(255, 1, 1));
    EXPECT_EQ(DrawBackground(b, 4, 20, 4, 20, false).At(0, 0), RGB(1, 1, 255));

    b.SetBackgroundStyle(bTexture);
    b.Texture().SetImageStyle(isCenter);
    MakePicture(b.Texture().Image(), 2, 2);
    p = DrawBackground(b, 6, 6, 6, 6);
    EXPECT_EQ(p.At(2, 2), Spot(0, 0));
    EXPECT_TRUE(p.AllOutside({2, 2, 4, 4}, Untouched));
}

// ------------------------------------------------------------ notification

TEST(OxaBackgroundNotify, EveryWriteRepaintsEveryClientThenRaisesOnChanged) {
    TEventRecorder log;
    TOxaBackground b;
    TRecordingFill fillA(nullptr, log, "A"), fillB(nullptr, log, "B");
    fillA.SetBackground(&b);
    fillB.SetBackground(&b);
    b.OnChanged = [&](TObject* sender) { log.Add(sender == &b ? "changed" : "wrong sender"); };

    TBitmap picture;
    MakePicture(picture, 3, 3);
    TOxaTexture texture;
    TOxaGradient gradient;
    TOxaBrushFill brushFill;
    const std::vector<std::pair<const char*, std::function<void()>>> writes = {
        {"SolidColor unchanged", [&] { b.SetSolidColor(b.SolidColor()); }},
        {"SolidColor", [&] { b.SetSolidColor(clRed); }},
        {"BackgroundStyle unchanged", [&] { b.SetBackgroundStyle(bGradient); }},
        {"BackgroundStyle", [&] { b.SetBackgroundStyle(bTexture); }},
        {"Texture", [&] { b.SetTexture(texture); }},
        {"Gradient", [&] { b.SetGradient(gradient); }},
        {"BrushFill", [&] { b.SetBrushFill(brushFill); }},
        {"Image", [&] { b.Texture().SetImage(&picture); }},
        {"Image emptied", [&] { b.Texture().SetImage(nullptr); }},
        {"Image resized in place", [&] { b.Texture().Image().SetSize(4, 4); }},
        {"ImageStyle unchanged", [&] { b.Texture().SetImageStyle(isTile); }},
        {"TransparentColor", [&] { b.Texture().SetTransparentColor(clRed); }},
        {"TransparentBackground", [&] { b.Texture().SetTransparentBackground(clBtnFace); }},
        {"FillStyle unchanged", [&] { b.Gradient().SetFillStyle(TOxaFillStyle::Horizontal); }},
        {"FillStyle", [&] { b.Gradient().SetFillStyle(TOxaFillStyle::Circle); }},
        {"BeginColor", [&] { b.Gradient().SetBeginColor(clBlue); }},
        {"EndColor unchanged", [&] { b.Gradient().SetEndColor(b.Gradient().EndColor()); }},
        {"ColorCount", [&] { b.Gradient().SetColorCount(7); }},
        {"ColorCount refused", [&] { b.Gradient().SetColorCount(1); }},
        {"ColorsInBetween", [&] { b.Gradient().SetColorsInBetween({"clRed"}); }},
        {"BrushStyle", [&] { b.BrushFill().SetBrushStyle(bsCross); }},
        {"BrushColor unchanged", [&] { b.BrushFill().SetBrushColor(clBtnFace); }},
    };
    log.Clear();
    for (const auto& [name, write] : writes) {
        write();
        EXPECT_TRUE(log.Matches({"A", "B", "changed"})) << name;
    }
    EXPECT_EQ(b.Gradient().ColorCount(), 7);

    // Lines changed in place notify nobody.
    b.Gradient().ColorsInBetween().push_back("clLime");
    b.Gradient().ColorsInBetween()[0] = "clYellow";
    EXPECT_TRUE(log.Matches({}));
    EXPECT_EQ(b.Gradient().ColorsInBetween(), (std::vector<std::string>{"clYellow", "clLime"}));
}

TEST(OxaBackgroundNotify, WholeObjectWritesCopyIntoTheOwnedObjects) {
    TOxaBackground b;
    TOxaGradient* owned = &b.Gradient();
    TOxaGradient g;
    g.SetFillStyle(TOxaFillStyle::Spectral);
    g.SetBeginColor(clRed);
    g.SetEndColor(clNavy);
    g.SetColorCount(9);
    g.SetColorsInBetween({"clLime"});
    b.SetGradient(g);
    EXPECT_EQ(&b.Gradient(), owned);
    EXPECT_EQ(owned->FillStyle(), TOxaFillStyle::Spectral);
    EXPECT_EQ(owned->BeginColor(), clRed);
    EXPECT_EQ(owned->EndColor(), clNavy);
    EXPECT_EQ(owned->ColorCount(), 9);
    EXPECT_EQ(owned->ColorsInBetween(), std::vector<std::string>{"clLime"});
    g.ColorsInBetween().clear(); // a copy, not shared
    EXPECT_EQ(owned->ColorsInBetween().size(), 1u);

    TOxaTexture t;
    MakePicture(t.Image(), 2, 3);
    t.SetImageStyle(isStretched);
    t.SetTransparentColor(clRed);
    t.SetTransparentBackground(clLime);
    b.SetTexture(t);
    EXPECT_EQ(b.Texture().Image().Width(), 2);
    EXPECT_EQ(b.Texture().Image().Canvas().Pixels(1, 2), Spot(1, 2));
    EXPECT_EQ(b.Texture().ImageStyle(), isStretched);
    EXPECT_EQ(b.Texture().TransparentColor(), clRed);
    EXPECT_EQ(b.Texture().TransparentBackground(), clLime);
    t.Image().SetSize(0, 0);
    EXPECT_FALSE(b.Texture().Image().Empty());

    TOxaBrushFill f;
    f.SetBrushStyle(bsDiagCross);
    f.SetBrushColor(clTeal);
    b.SetBrushFill(f);
    EXPECT_EQ(b.BrushFill().BrushStyle(), bsDiagCross);
    EXPECT_EQ(b.BrushFill().BrushColor(), clTeal);

    // Other classes are refused with the assignment error.
    EXPECT_THROW(b.Gradient().Assign(&t), EConvertError);
}

// -------------------------------------------------------------- fill control

TEST(OxaFillBackground, JoinsOneBackgroundAtATime) {
    TEventRecorder log;
    TOxaBackground first, second;
    TRecordingFill a(nullptr, log, "A"), c(nullptr, log, "C");
    EXPECT_EQ(a.Width(), 150);
    EXPECT_EQ(a.Height(), 150);
    EXPECT_EQ(a.Background(), nullptr);
    EXPECT_FALSE(a.AutoSize());

    a.SetBackground(&first);
    a.SetBackground(&first);
    c.SetBackground(&first);
    EXPECT_EQ(first.Clients(), (std::vector<TControl*>{&a, &c}));
    EXPECT_TRUE(log.Matches({"A", "A", "C"})); // each write repaints

    a.SetBackground(&second);
    EXPECT_EQ(first.Clients(), std::vector<TControl*>{&c});
    EXPECT_EQ(second.Clients(), std::vector<TControl*>{&a});
    log.Clear();
    first.NotifyChanged();
    EXPECT_TRUE(log.Matches({"C"}));

    a.SetBackground(nullptr);
    EXPECT_TRUE(second.Clients().empty());
    log.Clear();
    a.SetAutoSize(true);
    EXPECT_TRUE(a.AutoSize());
    EXPECT_TRUE(log.Matches({"A"}));
    EXPECT_EQ(a.Width(), 150);
}

// Lines of ColorsInBetween edited in place notify nobody: they show whether
// a paint rendered the background again or copied the picture it had.
TEST(OxaFillBackground, RendersOnceAfterEachChangeAndRepaintsFromThePicture) {
    TOxaBackground b;
    b.Gradient().SetBeginColor(clRed);
    b.Gradient().SetEndColor(clBlue);
    TOxaFillBackground fill(nullptr);
    fill.SetBounds(0, 0, 10, 30);

    // No background: nothing painted, what lies behind stays.
    EXPECT_TRUE(PaintControl(fill, 12, 32).All({0, 0, 12, 32}, Untouched));

    fill.SetBackground(&b);
    TPixels p = PaintControl(fill, 12, 32);
    EXPECT_EQ(p.At(0, 0), RGB(255, 1, 1)); // ForwardFirst: BeginColor at the top
    EXPECT_EQ(p.At(9, 29), RGB(8, 1, 247)); // step 30; step 31 starts below the area
    EXPECT_EQ(p.At(5, 16), RGB(115, 1, 140)); // step 17 of red to blue
    EXPECT_TRUE(p.AllOutside({0, 0, 10, 30}, Untouched)); // the control's own size

    // No notification: the repaint copies the first picture.
    b.Gradient().ColorsInBetween().push_back("clLime");
    EXPECT_EQ(PaintControl(fill, 12, 32), p);

    // A write, even of the same value, renders anew, once: lime where the
    // second of two 16-row segments begins, and no later edit shows.
    b.Gradient().SetColorCount(32);
    p = PaintControl(fill, 12, 32);
    EXPECT_EQ(p.At(5, 15), RGB(8, 247, 1));
    EXPECT_EQ(p.At(5, 16), RGB(1, 255, 1));
    b.Gradient().ColorsInBetween()[0] = "clYellow";
    EXPECT_EQ(PaintControl(fill, 12, 32), p);

    // A new size renders anew, yellow included.
    fill.SetBounds(0, 0, 8, 30);
    p = PaintControl(fill, 12, 32);
    EXPECT_EQ(p.At(5, 16), RGB(255, 255, 1));
    EXPECT_TRUE(p.AllOutside({0, 0, 8, 30}, Untouched));

    // A bad line fails the paint after the change that follows it, and every
    // paint after that until the line is mended: no half-made picture is kept.
    b.Gradient().ColorsInBetween().push_back("no colour");
    b.NotifyChanged();
    for (int round = 0; round < 2; ++round) {
        TBitmap target;
        Prepare(target, 12, 32);
        EXPECT_THROW(fill.PaintTo(target.Canvas().Handle()), EConvertError);
        EXPECT_TRUE(ReadPixels(target).All({0, 0, 12, 32}, Untouched));
    }
    b.Gradient().ColorsInBetween().pop_back();
    EXPECT_EQ(PaintControl(fill, 12, 32).At(5, 16), RGB(255, 255, 1));
}

// What the control shows is what Draw paints, first rendered and then
// copied, including the parts a centred or empty picture leaves alone.
TEST(OxaFillBackground, ShowsExactlyWhatTheBackgroundDraws) {
    TOxaBackground b;
    b.SetSolidColor(clLime);
    b.BrushFill().SetBrushStyle(bsDiagCross);
    b.BrushFill().SetBrushColor(clNavy);
    TOxaFillBackground fill(nullptr);
    fill.SetBounds(0, 0, 14, 11);
    fill.SetBackground(&b);
    const std::vector<std::pair<const char*, std::function<void()>>> settings = {
        {"gradient", [&] { b.Gradient().SetFillStyle(TOxaFillStyle::RoundMiddle); }},
        {"solid", [&] { b.SetBackgroundStyle(bSolidcolor); }},
        {"hatch on white", [&] { b.SetBackgroundStyle(bBrushFillUseCurrent); }},
        {"hatch on solid", [&] { b.SetBackgroundStyle(bBrushFillSolidColor); }},
        {"empty picture", [&] { b.SetBackgroundStyle(bTexture); }},
        {"centred picture", [&] { b.Texture().SetImageStyle(isCenter), MakePicture(b.Texture().Image(), 4, 3); }},
        {"centred, larger", [&] { MakePicture(b.Texture().Image(), 20, 5); }},
        {"tiled", [&] { b.Texture().SetImageStyle(isTile); }},
    };
    for (const auto& [name, set] : settings) {
        set();
        TPixels drawn = DrawBackground(b, 16, 13, 14, 11);
        EXPECT_EQ(PaintControl(fill, 16, 13), drawn) << name;
        EXPECT_EQ(PaintControl(fill, 16, 13), drawn) << name << ", repainted";
    }
}

// Changing the system's colours notifies nobody, yet a background drawn in
// them shows the new ones at the repaint the system asks for.
TEST(OxaFillBackground, FollowsTheSystemColoursItUses) {
    TOxaBackground b; // from the button shadow colour
    TOxaFillBackground fill(nullptr);
    fill.SetBounds(0, 0, 6, 18);
    fill.SetBackground(&b);
    const INT element = COLOR_BTNSHADOW;
    const COLORREF old = GetSysColor(element);
    PaintControl(fill, 6, 18);
    for (COLORREF color : {RGB(0, 128, 0), old}) {
        ASSERT_TRUE(SetSysColors(1, &element, &color));
        EXPECT_EQ(PaintControl(fill, 6, 18).At(0, 0), RGB(std::max(1, int(GetRValue(color))),
                                                          std::max(1, int(GetGValue(color))),
                                                          std::max(1, int(GetBValue(color)))));
    }
}

// A gradient through a system colour named in its in-between lines: the kept
// picture follows a scheme change, and comes back with the old scheme.
TEST(OxaFillBackground, FollowsASystemColourNamedInAGradientLine) {
    TOxaBackground b;
    b.SetBackgroundStyle(bGradient);
    b.Gradient().SetBeginColor(clBlack);
    b.Gradient().SetEndColor(clBlack);
    b.Gradient().SetColorsInBetween({"clBtnShadow"});
    TOxaFillBackground fill(nullptr);
    fill.SetBounds(0, 0, 40, 8);
    fill.SetBackground(&b);
    const INT element = COLOR_BTNSHADOW;
    const COLORREF old = GetSysColor(element), other = old == RGB(0, 128, 0) ? RGB(128, 0, 0) : RGB(0, 128, 0);
    const TPixels before = PaintControl(fill, 40, 8);
    ASSERT_TRUE(SetSysColors(1, &element, &other));
    const TPixels changed = PaintControl(fill, 40, 8);
    ASSERT_TRUE(SetSysColors(1, &element, &old));
    EXPECT_NE(changed, before);
    EXPECT_EQ(PaintControl(fill, 40, 8), before);
}

// ------------------------------------------------------------------- lifetime

// The freed object's memory is overwritten, so a use after free shows as a
// crash or a wrong value instead of going unnoticed.
TEST(OxaLifetime, BackgroundDestroyedFirst) {
    TEventRecorder log;
    TOxaBackground other;
    TRecordingFill a(nullptr, log, "A"), c(nullptr, log, "C");
    alignas(TOxaBackground) unsigned char storage[sizeof(TOxaBackground)];
    auto* b = new (storage) TOxaBackground(nullptr);
    a.SetBackground(b);
    c.SetBackground(b);
    log.Clear();
    b->~TOxaBackground();
    std::memset(storage, 0xDD, sizeof storage);

    EXPECT_EQ(a.Background(), nullptr);
    EXPECT_EQ(c.Background(), nullptr);
    EXPECT_TRUE(log.Matches({"A", "C"})); // both repaint, now showing nothing
    EXPECT_TRUE(PaintControl(a, 4, 4).All({0, 0, 4, 4}, Untouched));
    a.SetBackground(&other);
    EXPECT_EQ(other.Clients(), std::vector<TControl*>{&a});
}

TEST(OxaLifetime, ControlDestroyedFirst) {
    TEventRecorder log;
    TOxaBackground b;
    TRecordingFill stays(nullptr, log, "S");
    alignas(TRecordingFill) unsigned char storage[sizeof(TRecordingFill)];
    auto* gone = new (storage) TRecordingFill(nullptr, log, "G");
    gone->SetBackground(&b);
    stays.SetBackground(&b);
    gone->~TRecordingFill();
    std::memset(storage, 0xDD, sizeof storage);

    EXPECT_EQ(b.Clients(), std::vector<TControl*>{&stays});
    log.Clear();
    b.SetSolidColor(clRed);
    EXPECT_TRUE(log.Matches({"S"}));
}

// A window that owns a background and two controls filled from it, the
// background created before or after the controls, closed with the window
// up and a change just made.
static void OwnBothAndClose(bool backgroundFirst) {
    auto* form = new TForm(Application());
    form->SetBorderStyle(bsNone); // unmanaged: closes at once without a window manager
    form->SetBounds(40, 40, 200, 150);
    TOxaBackground* b = backgroundFirst ? new TOxaBackground(form) : nullptr;
    auto* fill1 = new TOxaFillBackground(form);
    auto* fill2 = new TOxaFillBackground(form);
    if (!b) b = new TOxaBackground(form);
    for (TOxaFillBackground* f : {fill1, fill2}) {
        f->SetParent(form);
        f->SetBackground(b);
    }
    form->Show();
    Pump(20);
    b->SetSolidColor(clRed);
    Pump(20);
    EXPECT_EQ(b->Clients().size(), 2u);
    delete form;
    Pump(10);
}

TEST(OxaLifetime, WindowOwningBothFreesThemInEitherOrder) {
    // A background freed while its control lives on the same window.
    auto* form = new TForm(Application());
    auto* b = new TOxaBackground(form);
    auto* fill = new TOxaFillBackground(form);
    fill->SetBackground(b);
    delete b;
    EXPECT_EQ(fill->Background(), nullptr);
    delete form;

    // The window frees both, in either order.
    OwnBothAndClose(true);
    OwnBothAndClose(false);
}

TEST(OxaLifetime, WindowOwningBothLeavesNoHandlesBehind) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "GDI/USER handles cannot be counted in this run";
    OwnBothAndClose(true); // warm-up: some objects are made once, on first use
    const testing_support::THandleCounts before = testing_support::CurrentHandleCounts();
    OwnBothAndClose(true);
    OwnBothAndClose(false);
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

// ------------------------------------------------------------------- windows

// The main window's two strips: a blue-to-white MiddleHBar gradient at
// 375 x 310 and the default gradient ending in maroon at 375 x 18, painted
// by the window, and repainted after a change to the shared background.
TEST(OxaOnWindow, FillControlsPaintTheirBackgroundsAndFollowChanges) {
    auto* form = new TForm(Application());
    form->SetBorderStyle(bsNone);
    form->SetBounds(30, 30, 375, 330);
    auto* pages = new TOxaBackground(form);
    pages->Gradient().SetBeginColor(clBlue);
    pages->Gradient().SetFillStyle(TOxaFillStyle::MiddleHBar);
    auto* title = new TOxaBackground(form);
    title->Gradient().SetEndColor(clMaroon);
    auto* strip = new TOxaFillBackground(form);
    strip->SetParent(form);
    strip->SetBounds(0, 0, 375, 18);
    strip->SetBackground(title);
    auto* body = new TOxaFillBackground(form);
    body->SetParent(form);
    body->SetBounds(0, 19, 375, 310);
    body->SetBackground(pages);
    form->Show();
    ASSERT_TRUE(testing_support::HandlePosted());
    UpdateWindow(form->Handle());

    HDC dc = GetDC(form->Handle());
    auto pixel = [&](int x, int y) { return GetPixel(dc, x, y) & 0xFFFFFF; };
    EXPECT_EQ(pixel(100, 19), RGB(0, 0, 255)); // row 0 of the body keeps the exact first fill
    EXPECT_EQ(pixel(100, 19 + 1), RGB(1, 1, 255));
    EXPECT_EQ(pixel(100, 19 + 150), RGB(255, 255, 255)); // last step in the middle
    // The strip: Horizontal from the button shadow colour to maroon, 18 rows;
    // its last row shows step 29 of 32. Step i: per channel
    // from + MulDiv(i, to - from, 31), a channel of 0 drawn as 1.
    const TColor shadow = GetSysColor(COLOR_BTNSHADOW);
    auto stepColor = [shadow](int i) {
        auto channel = [i](int from, int to) {
            const int c = from + MulDiv(i, to - from, 31);
            return BYTE(c == 0 ? 1 : c);
        };
        return RGB(channel(GetRValue(shadow), 128), channel(GetGValue(shadow), 0), channel(GetBValue(shadow), 0));
    };
    const COLORREF step0 = stepColor(0), step29 = stepColor(29);
    EXPECT_EQ(pixel(10, 0), step0);
    EXPECT_EQ(pixel(370, 17), step29);

    // Uncovering the window copies the pictures: an edit that notified
    // nobody does not show.
    pages->Gradient().ColorsInBetween().push_back("clRed");
    InvalidateRect(form->Handle(), nullptr, FALSE);
    UpdateWindow(form->Handle());
    EXPECT_EQ(pixel(100, 19 + 150), RGB(255, 255, 255));

    // The body background becomes a plain colour: the window repaints it.
    pages->SetBackgroundStyle(bSolidcolor);
    pages->SetSolidColor(clTeal);
    ASSERT_TRUE(testing_support::HandlePosted());
    UpdateWindow(form->Handle());
    EXPECT_EQ(pixel(100, 100), clTeal);
    EXPECT_EQ(pixel(200, 328), clTeal);
    EXPECT_EQ(pixel(10, 0), step0); // the strip is unchanged
    ReleaseDC(form->Handle(), dc);
    delete form;
    Pump(10);
}

// ------------------------------------------------------------------- layouts

namespace {

const char* kLayout = R"(object Form1: TForm
  object OxaFillBackground1: TOxaFillBackground
    Left = 1
    Top = 19
    Width = 375
    Height = 310
    Background = OxaBackground1
    AutoSize = True
  end
  object OxaBackground1: TOxaBackground
    Gradient.BeginColor = clBlue
    Gradient.FillStyle = MiddleHBar
    Gradient.ColorsInBetween.Strings = ( 'clRed' '$0000FF00' )
    Gradient.ColorCount = 12
    SolidColor = $00112233
    BackgroundStyle = bBrushFillSolidColor
    BrushFill.BrushStyle = bsDiagCross
    BrushFill.BrushColor = clNavy
    Texture.ImageStyle = isCenter
    Texture.TransparentColor = clWhite
    Texture.TransparentBackground = clRed
  end
end
)";

void ReadInto(TForm& form, const std::string& text) {
    RegisterComponentClasses();
    ReadLayoutInto(&form, ReadLayout(text), &form);
}

} // namespace

TEST(OxaLayout, BackgroundsAndFillControlsComeFromLayouts) {
    TForm form(nullptr);
    ReadInto(form, kLayout);
    auto* fill = form.Field<TOxaFillBackground>("OxaFillBackground1");
    auto* b = form.Field<TOxaBackground>("OxaBackground1");
    EXPECT_EQ(fill->Background(), b); // named before it was created
    EXPECT_EQ(b->Clients(), std::vector<TControl*>{fill});
    EXPECT_TRUE(fill->AutoSize());
    EXPECT_EQ(fill->Height(), 310);
    EXPECT_EQ(b->Gradient().BeginColor(), clBlue);
    EXPECT_EQ(b->Gradient().EndColor(), clBtnHighlight);
    EXPECT_EQ(b->Gradient().FillStyle(), TOxaFillStyle::MiddleHBar);
    EXPECT_EQ(b->Gradient().ColorsInBetween(), (std::vector<std::string>{"clRed", "$0000FF00"}));
    EXPECT_EQ(b->Gradient().ColorCount(), 12);
    EXPECT_EQ(b->SolidColor(), 0x00112233u);
    EXPECT_EQ(b->BackgroundStyle(), bBrushFillSolidColor);
    EXPECT_EQ(b->BrushFill().BrushStyle(), bsDiagCross);
    EXPECT_EQ(b->BrushFill().BrushColor(), clNavy);
    EXPECT_EQ(b->Texture().ImageStyle(), isCenter);
    EXPECT_EQ(b->Texture().TransparentColor(), clWhite);
    EXPECT_EQ(b->Texture().TransparentBackground(), clRed);

    // The texture picture as .bmp bytes in hex.
    TBitmap picture;
    MakePicture(picture, 2, 3);
    TMemoryStream bytes;
    picture.SaveToStream(bytes);
    std::string hex;
    for (uint8_t byte : bytes.Data()) {
        const char* digits = "0123456789ABCDEF";
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    TForm other(nullptr);
    ReadInto(other, "object Form1: TForm\n object B: TOxaBackground\n  Texture.Image.Data = {" + hex + "}\n end\nend\n");
    TBitmap& image = other.Field<TOxaBackground>("B")->Texture().Image();
    ASSERT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Canvas().Pixels(1, 2), Spot(1, 2));
}

TEST(OxaLayout, BadReferencesAndValuesNameTheProperty) {
    auto failure = [](const std::string& text) {
        TForm form(nullptr);
        try {
            ReadInto(form, text);
        } catch (const ELayoutError& e) {
            return e.Detail;
        }
        return std::string("no error");
    };
    const std::string head = "object Form1: TForm\n object F: TOxaFillBackground\n";
    EXPECT_NE(failure(head + "  Background = Nowhere\n end\nend\n").find("Background"), std::string::npos);
    // A component that is not a background.
    EXPECT_NE(failure(head + "  Background = G\n end\n object G: TOxaFillBackground\n end\nend\n").find("Background"),
              std::string::npos);
    EXPECT_NE(failure("object Form1: TForm\n object B: TOxaBackground\n  Gradient.FillStyle = Diagonal\n end\nend\n")
                  .find("Gradient.FillStyle"),
              std::string::npos);
}

// ------------------------------------------------------------------- handles

TEST(OxaHandles, DrawingEveryStyleReleasesEverything) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "no handle counts";
    TOxaBackground b;
    MakePicture(b.Texture().Image(), 5, 3);
    TBitmap target;
    target.SetSize(40, 30);
    auto all = [&] {
        for (int style = bGradient; style <= bBrushFillSolidColor; ++style) {
            b.SetBackgroundStyle(TOxaBackStyle(style));
            for (int fill = 0; fill < OxaFillStyleCount; ++fill) {
                b.Gradient().SetFillStyle(TOxaFillStyle(fill));
                b.Texture().SetImageStyle(TOxaImageStyle(fill % 3));
                b.Texture().SetTransparentColor(fill % 2 ? clNone : Spot(1, 1));
                b.BrushFill().SetBrushStyle(TBrushStyle(fill % 8));
                b.Draw(target.Canvas(), 40, 30, fill % 2 == 0);
            }
        }
    };
    all();
    testing_support::THandleCounts before = testing_support::CurrentHandleCounts();
    for (int i = 0; i < 5; ++i) all();
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

TEST(OxaHandles, OnePicturePerControlKeptOnlyWhileItsBackgroundIsShown) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "no handle counts";
    using testing_support::CurrentHandleCounts;
    TOxaBackground other;
    MakePicture(other.Texture().Image(), 3, 3);
    other.SetBackgroundStyle(bTexture);
    auto* b = new TOxaBackground(nullptr); // holds no picture of its own
    TOxaFillBackground fill(nullptr);
    fill.SetBackground(b);
    PaintControl(fill, 30, 30); // warm-up: the control's own canvas objects
    fill.SetBackground(nullptr);
    const testing_support::THandleCounts none = CurrentHandleCounts();

    fill.SetBackground(b);
    auto cycle = [&](int i) {
        b->SetBackgroundStyle(TOxaBackStyle(i % 5));
        b->Gradient().SetFillStyle(TOxaFillStyle(i % OxaFillStyleCount));
        PaintControl(fill, 30, 30);
        fill.SetBounds(0, 0, 20 + i % 3, 10 + i % 4);
        PaintControl(fill, 30, 30);
        fill.SetBackground(&other);
        PaintControl(fill, 30, 30);
        fill.SetBackground(b);
        PaintControl(fill, 30, 30);
    };
    cycle(0);
    const testing_support::THandleCounts shown = CurrentHandleCounts();
    EXPECT_GT(shown.Gdi, none.Gdi);
    for (int i = 1; i <= 25; ++i) cycle(i);
    EXPECT_EQ(CurrentHandleCounts(), shown);
    delete b; // the removal notification takes the picture with it
    EXPECT_EQ(CurrentHandleCounts(), none);
}

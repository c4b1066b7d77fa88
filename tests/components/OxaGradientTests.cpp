// TOxaGradient drawn through GDI, checked pixel by pixel: the worked rows
// and colours, segments and their order, black ends, the ColorCount rule,
// the colour notation of ColorsInBetween and its failure.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "HandleCounter.h"
#include "OxaPixels.h"
#include "components/OxaGradient.h"

using namespace components;
using namespace forms;
using namespace oxa_test;

namespace {

// Draws the gradient into a target that is `extra` pixels larger than the
// area on the right and at the bottom, to see that nothing lands outside.
TPixels Render(TOxaGradient& g, int w, int h, bool forwardFirst = true, int extra = 2) {
    TBitmap target;
    Prepare(target, w + extra, h + extra);
    g.Draw(target.Canvas(), w, h, forwardFirst);
    TPixels p = ReadPixels(target);
    EXPECT_TRUE(p.AllOutside({0, 0, w, h}, Untouched)) << "drawn outside the area";
    return p;
}

// The colour of each row, checked to be the same across the row.
std::vector<TColor> Rows(const TPixels& p, int h) {
    std::vector<TColor> rows;
    for (int y = 0; y < h; ++y) {
        rows.push_back(p.At(0, y));
        EXPECT_TRUE(p.All({0, y, p.Width - 2, y + 1}, rows.back())) << "row " << y;
    }
    return rows;
}

void Configure(TOxaGradient& g, TOxaFillStyle style, TColor begin, TColor end, std::vector<std::string> between = {},
           int count = 32) {
    g.SetFillStyle(style);
    g.SetBeginColor(begin);
    g.SetEndColor(end);
    g.SetColorsInBetween(std::move(between));
    g.SetColorCount(count);
}

} // namespace

TEST(OxaGradientDraw, MiddleHBarBlueToWhiteAtTheWorkedHeight) {
    TOxaGradient g;
    Configure(g, TOxaFillStyle::MiddleHBar, clBlue, clWhite);
    auto rows = Rows(Render(g, 12, 310), 310);
    // Rows 0 and 309 keep the first fill, exactly blue (steps raise zero
    // channels to 1, the first fill does not).
    EXPECT_EQ(rows[0], RGB(0, 0, 255));
    EXPECT_EQ(rows[309], RGB(0, 0, 255));
    // Step 0 paints rows 1..11 and 299..308; step 1 rows 6..16 and 294..303
    // on top; step 2 starts at row 11 and ends at row 298.
    EXPECT_EQ(rows[1], RGB(1, 1, 255));
    EXPECT_EQ(rows[5], RGB(1, 1, 255));
    EXPECT_EQ(rows[6], RGB(8, 8, 255));
    EXPECT_EQ(rows[10], RGB(8, 8, 255));
    EXPECT_EQ(rows[11], RGB(16, 16, 255));
    EXPECT_EQ(rows[308], RGB(1, 1, 255));
    EXPECT_EQ(rows[304], RGB(1, 1, 255));
    EXPECT_EQ(rows[303], RGB(8, 8, 255));
    EXPECT_EQ(rows[298], RGB(16, 16, 255));
    // Step 31 (white) paints rows 147..156 and 152..162 last.
    for (int y = 147; y <= 162; ++y) EXPECT_EQ(rows[y], RGB(255, 255, 255)) << y;
    EXPECT_NE(rows[146], RGB(255, 255, 255));
    EXPECT_NE(rows[163], RGB(255, 255, 255));
}

TEST(OxaGradientDraw, HorizontalAtEighteenRows) {
    TOxaGradient g;
    Configure(g, TOxaFillStyle::Horizontal, clBlue, clWhite);
    auto rows = Rows(Render(g, 9, 18), 18);
    EXPECT_EQ(rows[0], RGB(1, 1, 255));    // step 0
    EXPECT_EQ(rows[1], RGB(16, 16, 255));  // steps 1 and 2, step 2 on top
    EXPECT_EQ(rows[17], RGB(239, 239, 255)); // step 29; steps 30 and 31 fall below the area
    // The bands run from the top edge down: the colours only ever lighten.
    for (int y = 1; y < 18; ++y) EXPECT_GE(GetRValue(rows[y]), GetRValue(rows[y - 1])) << y;
}

TEST(OxaGradientDraw, SegmentsFollowTheColourListInOrder) {
    // Horizontal, H = 18 in two segments: gH = 10, segment 1 starts at row 10
    // and is drawn after all of segment 0.
    TOxaGradient g;
    Configure(g, TOxaFillStyle::Horizontal, clRed, clBlue, {"clLime"});
    auto rows = Rows(Render(g, 6, 18), 18);
    EXPECT_EQ(rows[0], RGB(247, 8, 1));  // red to lime, step 1 over step 0
    EXPECT_EQ(rows[9], RGB(8, 247, 1));  // red to lime, step 30
    EXPECT_EQ(rows[10], RGB(1, 247, 8)); // lime to blue, step 1 over step 0

    // The three notations of a colour line give the same picture.
    for (const char* line : {"$0000FF00", "65280", "cllime"}) {
        g.SetColorsInBetween({line});
        EXPECT_EQ(Rows(Render(g, 6, 18), 18), rows) << line;
    }
}

TEST(OxaGradientDraw, ForwardFirstFalseSwapsOnlyTheEnds) {
    // Two steps per segment, H = 30 in three segments: gH = 11; rows 11r to
    // 11r+5 show entry r of the list, the next rows entry r+1.
    TOxaGradient g;
    Configure(g, TOxaFillStyle::Horizontal, clRed, clBlue, {"clLime", "clYellow"}, 2);
    auto forward = Rows(Render(g, 5, 30, true), 30);
    EXPECT_EQ(forward[0], RGB(255, 1, 1));
    EXPECT_EQ(forward[11], RGB(1, 255, 1));
    EXPECT_EQ(forward[22], RGB(255, 255, 1));
    EXPECT_EQ(forward[29], RGB(1, 1, 255));
    auto backward = Rows(Render(g, 5, 30, false), 30);
    EXPECT_EQ(backward[0], RGB(1, 1, 255));
    EXPECT_EQ(backward[11], RGB(1, 255, 1)); // lime still comes before yellow
    EXPECT_EQ(backward[22], RGB(255, 255, 1));
    EXPECT_EQ(backward[29], RGB(255, 1, 1));
    // Within a segment the second half is the segment's end colour.
    EXPECT_EQ(forward[6], RGB(1, 255, 1));
    EXPECT_EQ(forward[5], RGB(255, 1, 1));
}

TEST(OxaGradientDraw, BlackEndsAreDrawnAsOneExceptTheFirstFill) {
    TOxaGradient g;
    Configure(g, TOxaFillStyle::MiddleHBar, clBlack, clWhite);
    auto rows = Rows(Render(g, 4, 100), 100);
    EXPECT_EQ(rows[0], RGB(0, 0, 0));
    EXPECT_EQ(rows[99], RGB(0, 0, 0));
    EXPECT_EQ(rows[1], RGB(1, 1, 1));
    EXPECT_EQ(rows[98], RGB(1, 1, 1));
    // Towards black: the last step, on top in the middle, is (1, 1, 1).
    Configure(g, TOxaFillStyle::MiddleHBar, clWhite, clBlack);
    rows = Rows(Render(g, 4, 100), 100);
    EXPECT_EQ(rows[50], RGB(1, 1, 1));
    EXPECT_EQ(rows[0], RGB(255, 255, 255));
}

TEST(OxaGradientDraw, SystemColoursAreResolvedWhenDrawn) {
    TOxaGradient g; // clBtnShadow to clBtnHighlight, Horizontal
    g.SetFillStyle(TOxaFillStyle::MiddleVBar);
    TPixels p = Render(g, 40, 3);
    EXPECT_EQ(p.At(0, 1), GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
    EXPECT_EQ(p.At(39, 1), GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
    // The middle column shows the last step, the highlight colour (no zero
    // channel in Wine's or Windows' default).
    EXPECT_EQ(p.At(20, 1), GetSysColor(COLOR_BTNHIGHLIGHT) & 0xFFFFFF);
}

TEST(OxaGradientDraw, ColorCountTakesOnlyTwoToTwoHundredFiftyFive) {
    TOxaGradient g;
    for (int refused : {1, 0, 256, -4, 100000}) {
        g.SetColorCount(refused);
        EXPECT_EQ(g.ColorCount(), 32) << refused;
    }
    g.SetColorCount(2);
    EXPECT_EQ(g.ColorCount(), 2);
    g.SetColorCount(255);
    EXPECT_EQ(g.ColorCount(), 255);
    g.SetColorCount(256);
    EXPECT_EQ(g.ColorCount(), 255);

    // 255 steps over 255 rows: one row per step, the last step falls below.
    Configure(g, TOxaFillStyle::Horizontal, clBlack, clWhite, {}, 255);
    auto rows = Rows(Render(g, 3, 255), 255);
    EXPECT_EQ(rows[0], RGB(1, 1, 1));
    EXPECT_EQ(rows[127], RGB(128, 128, 128)); // step 127: 127 * 255 / 254 = 127.5, away from zero
    EXPECT_EQ(rows[254], RGB(254, 254, 254));
}

// Draws a circle whose colour lines hold a bad one: the error, and the
// target untouched.
static void DrawWithABadColourLine() {
    TOxaGradient g;
    Configure(g, TOxaFillStyle::Circle, clRed, clBlue, {"clLime", "bluish", "$FF"});
    TBitmap target;
    Prepare(target, 30, 20);
    target.Canvas().Handle();
    try {
        g.Draw(target.Canvas(), 30, 20, true);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'bluish' is not a valid integer value");
    }
    EXPECT_TRUE(ReadPixels(target).All({0, 0, 30, 20}, Untouched));
}

TEST(OxaGradientDraw, BadColourLineFailsAndLeavesTheTargetAlone) {
    DrawWithABadColourLine();
    // An empty line is no colour either; an empty area still checks the lines.
    TOxaGradient g;
    Configure(g, TOxaFillStyle::Circle, clRed, clBlue, {""});
    TBitmap target;
    Prepare(target, 30, 20);
    EXPECT_THROW(g.Draw(target.Canvas(), 0, 0, true), EConvertError);
}

TEST(OxaGradientDraw, BadColourLineLeavesNoHandlesBehind) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "GDI handles cannot be counted in this run";
    DrawWithABadColourLine(); // warm-up: objects made once, on first use
    const testing_support::THandleCounts before = testing_support::CurrentHandleCounts();
    DrawWithABadColourLine();
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

TEST(OxaGradientDraw, EveryStyleInOneAndTwoSegmentsPaintsTheWholeAreaOnly) {
    for (int style = 0; style < OxaFillStyleCount; ++style)
        for (bool twoSegments : {false, true}) {
            TOxaGradient g;
            Configure(g, TOxaFillStyle(style), clNavy, clYellow, twoSegments ? std::vector<std::string>{"clRed"}
                                                                         : std::vector<std::string>{});
            TPixels p = Render(g, 61, 43, true, 5);
            int first = 0, other = 0;
            for (int y = 0; y < 43; ++y)
                for (int x = 0; x < 61; ++x) {
                    TColor c = p.At(x, y);
                    EXPECT_NE(c, Untouched);
                    (c == clNavy ? first : other)++;
                }
            // Every style draws steps over a good part of the first fill.
            EXPECT_GT(other, 61 * 43 / 4) << style << " " << twoSegments;
        }
}

// A fill of negative width or height covers what PatBlt covers with the same
// numbers. SquareMiddle's last steps make such fills; the reference below
// draws the same shapes with PatBlt itself on a memory bitmap.
TEST(OxaGradientDraw, FillsOfNegativeSizeCoverWhatPatBltCovers) {
    for (auto [w, h] : {std::pair{600, 23}, std::pair{7, 3}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        TOxaGradient g;
        Configure(g, TOxaFillStyle::SquareMiddle, clBlue, clWhite);
        const TPixels drawn = Render(g, w, h, true, 0);

        TBitmap reference;
        Prepare(reference, w, h);
        HDC dc = reference.Canvas().Handle();
        auto patBlt = [dc](TRgb c, int x, int y, int cx, int cy) {
            HBRUSH brush = CreateSolidBrush(RGB(c.R, c.G, c.B));
            HGDIOBJ old = SelectObject(dc, brush);
            PatBlt(dc, x, y, cx, cy, PATCOPY);
            SelectObject(dc, old);
            DeleteObject(brush);
        };
        const TRgb blue{0, 0, 255}, white{255, 255, 255};
        patBlt(blue, 0, 0, w, h);
        const TGradientArea area{w, h, 1, 32};
        for (int step = 0; step < area.Steps; ++step) {
            std::vector<TGradientShape> shapes;
            AppendGradientShapes(TOxaFillStyle::SquareMiddle, area, 0, step, shapes);
            for (const TGradientShape& s : shapes)
                patBlt(GradientStepColors(blue, white, step, area.Steps).Forward, s.X, s.Y, s.A, s.B);
        }
        GdiFlush();
        const TPixels expected = ReadPixels(reference);
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) differing += drawn.At(x, y) != expected.At(x, y);
        EXPECT_EQ(differing, 0);
    }
}

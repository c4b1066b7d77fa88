// The gradient's step colours and shape lists, without any drawing: worked
// values, the geometry every style promises, and a sweep over many sizes
// (run under UBSan on the host, where an overflow fails the test).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "components/OxaGradientPlan.h"

using namespace components;

namespace {

constexpr TRgb Blue{0, 0, 255}, White{255, 255, 255}, Black{0, 0, 0};

std::vector<TGradientShape> Shapes(TOxaFillStyle style, int w, int h, int segments, int steps, int segment, int step) {
    std::vector<TGradientShape> shapes;
    AppendGradientShapes(style, {w, h, segments, steps}, segment, step, shapes);
    return shapes;
}

TGradientShape Fill(int x, int y, int w, int h) { return {TGradientShapeKind::Fill, x, y, w, h, false}; }

// Rows (or columns) 0 ... size-1 that a list of full-width fills covers.
std::set<int> Covered(const std::vector<TGradientShape>& shapes, bool rows, int size) {
    std::set<int> covered;
    for (const TGradientShape& s : shapes) {
        int from = rows ? s.Y : s.X, count = rows ? s.B : s.A;
        if (count < 0) from += count, count = -count;
        for (int k = std::max(from, 0); k < std::min(from + count, size); ++k) covered.insert(k);
    }
    return covered;
}

bool Includes(const std::set<int>& outer, const std::set<int>& inner) {
    return std::includes(outer.begin(), outer.end(), inner.begin(), inner.end());
}

std::vector<TGradientShape> AllSteps(TOxaFillStyle style, int w, int h, int segments, int steps) {
    std::vector<TGradientShape> shapes;
    for (int r = 0; r < segments; ++r)
        for (int i = 0; i < steps; ++i) AppendGradientShapes(style, {w, h, segments, steps}, r, i, shapes);
    return shapes;
}

} // namespace

TEST(OxaGradientColors, BlueToWhiteWorkedSteps) {
    const std::pair<int, TRgb> forward[] = {{0, {1, 1, 255}},       {1, {8, 8, 255}},       {2, {16, 16, 255}},
                                            {15, {123, 123, 255}}, {16, {132, 132, 255}}, {30, {247, 247, 255}},
                                            {31, {255, 255, 255}}};
    for (auto [step, expected] : forward) EXPECT_EQ(GradientStepColors(Blue, White, step, 32).Forward, expected) << step;
    EXPECT_EQ(GradientStepColors(Blue, White, 1, 32).Mirrored, (TRgb{247, 247, 255}));
    EXPECT_EQ(GradientStepColors(Blue, White, 16, 32).Mirrored, (TRgb{123, 123, 255}));
}

TEST(OxaGradientColors, ChannelStepsRoundHalvesAwayFromZero) {
    // Three steps: the middle one is half of the difference. 253 / 2 = 126.5
    // goes up to 127 (not to the even 126), -126.5 down to -127.
    EXPECT_EQ(GradientStepColors({0, 0, 0}, {253, 253, 253}, 1, 3).Forward, (TRgb{127, 127, 127}));
    EXPECT_EQ(GradientStepColors({253, 253, 253}, {0, 0, 0}, 1, 3).Forward, (TRgb{126, 126, 126}));
    // 128 down to 0 over 31 intervals: -128 / 31 = -4.13 gives -4.
    EXPECT_EQ(GradientStepColors({128, 128, 128}, Black, 1, 32).Forward, (TRgb{124, 124, 124}));
    // 255 * 29 / 31 = 238.55 rounds up, 255 * 2 / 31 = 16.45 down.
    EXPECT_EQ(GradientStepColors(Black, White, 29, 32).Mirrored, (TRgb{16, 16, 16}));
    EXPECT_EQ(GradientStepColors(Black, White, 2, 32).Mirrored, (TRgb{239, 239, 239}));
}

TEST(OxaGradientColors, OnlyForwardColoursLoseTheirZeroChannels) {
    // Black at either end: the step drawn is (1, 1, 1), the mirrored colour
    // of the other end stays exact.
    EXPECT_EQ(GradientStepColors(Black, White, 0, 32).Forward, (TRgb{1, 1, 1}));
    EXPECT_EQ(GradientStepColors(Black, White, 31, 32).Mirrored, Black);
    EXPECT_EQ(GradientStepColors(White, Black, 31, 32).Forward, (TRgb{1, 1, 1}));
    EXPECT_EQ(GradientStepColors(White, Black, 0, 32).Mirrored, Black);
    // Channel by channel: the blue stays, red and green are raised.
    EXPECT_EQ(GradientStepColors(Blue, Blue, 5, 32).Forward, (TRgb{1, 1, 255}));
}

TEST(OxaGradientColors, TwoStepsAreTheTwoEnds) {
    TRgb a{10, 200, 30}, b{250, 5, 90};
    EXPECT_EQ(GradientStepColors(a, b, 0, 2).Forward, a);
    EXPECT_EQ(GradientStepColors(a, b, 1, 2).Forward, b);
    EXPECT_EQ(GradientStepColors(a, b, 0, 2).Mirrored, b);
    EXPECT_EQ(GradientStepColors(a, b, 254, 255).Forward, b);
}

TEST(OxaGradientShapes, MiddleHBarWorkedRows) {
    // H = 310, one segment, 32 steps: gH = 311, offY = 1, p = 157, q = 156.
    auto step = [](int i) { return Shapes(TOxaFillStyle::MiddleHBar, 40, 310, 1, 32, 0, i); };
    EXPECT_EQ(step(0), (std::vector{Fill(0, 299, 40, 10), Fill(0, 1, 40, 11)}));
    EXPECT_EQ(step(1), (std::vector{Fill(0, 294, 40, 10), Fill(0, 6, 40, 11)}));
    EXPECT_EQ(step(31), (std::vector{Fill(0, 147, 40, 10), Fill(0, 152, 40, 11)}));
    // No step reaches row 0 or row 309: they keep the first fill.
    std::set<int> rows = Covered(AllSteps(TOxaFillStyle::MiddleHBar, 40, 310, 1, 32), true, 310);
    EXPECT_EQ(rows.count(0), 0u);
    EXPECT_EQ(rows.count(309), 0u);
    EXPECT_EQ(int(rows.size()), 308);
}

TEST(OxaGradientShapes, HorizontalWorkedRows) {
    // H = 18: gH = 19.
    auto step = [](int i) { return Shapes(TOxaFillStyle::Horizontal, 7, 18, 1, 32, 0, i); };
    EXPECT_EQ(step(0), std::vector{Fill(0, 0, 7, 1)});
    EXPECT_EQ(step(1), std::vector{Fill(0, 1, 7, 1)});
    EXPECT_EQ(step(2), std::vector{Fill(0, 1, 7, 1)});
    EXPECT_EQ(step(30), std::vector{Fill(0, 18, 7, 1)});
    EXPECT_EQ(step(31), std::vector{Fill(0, 18, 7, 2)}); // row 19 lies outside
}

TEST(OxaGradientShapes, SecondSegmentIsShiftedByTheStyleOffsets) {
    // H = 18 in two segments: gH = Round(9) + 1 = 10, segment 1 starts at row 10.
    EXPECT_EQ(Shapes(TOxaFillStyle::Horizontal, 7, 18, 2, 32, 1, 0), std::vector{Fill(0, 10, 7, 1)});
    // A step whose band is empty draws nothing: MD(31, 10, 32) = MD(33, 10, 32) = 10.
    EXPECT_TRUE(Shapes(TOxaFillStyle::Horizontal, 7, 18, 2, 32, 0, 31).empty());
    // Vertical likewise, by columns; W = 21 gives Round(10.5) = 10, so gW = 11.
    EXPECT_EQ(Shapes(TOxaFillStyle::Vertical, 21, 5, 2, 32, 1, 0), std::vector{Fill(11, 0, 1, 5)});
    // MiddleHBar, H = 100 in two segments: gH = 51, offY = Round(25.5) + 1 = 27.
    EXPECT_EQ(Shapes(TOxaFillStyle::MiddleHBar, 4, 100, 2, 32, 1, 0)[1], Fill(0, 27, 4, 3));
}

TEST(OxaGradientShapes, FansPassThroughTheCentreAndSpectralAlternates) {
    for (int segment = 0; segment < 2; ++segment) {
        auto circle = Shapes(TOxaFillStyle::Circle, 100, 60, 2, 32, segment, 3);
        auto spectral = Shapes(TOxaFillStyle::Spectral, 100, 60, 2, 32, segment, 3);
        ASSERT_EQ(circle.size(), spectral.size());
        ASSERT_FALSE(circle.empty());
        for (size_t k = 0; k < circle.size(); ++k) {
            const TGradientShape& s = circle[k];
            EXPECT_EQ(s.Kind, TGradientShapeKind::Line);
            EXPECT_EQ(s.X + s.A, 100);
            EXPECT_EQ(s.Y + s.B, 60);
            EXPECT_FALSE(s.Mirrored);
            EXPECT_EQ(spectral[k].X, s.X);
            EXPECT_EQ(spectral[k].B, s.B);
        }
    }
    // W = 100, one segment: gW = 101, step 0 runs x = 0 ... MD(2, 101, 32) = 6;
    // even loop values take the mirrored colour.
    auto lines = Shapes(TOxaFillStyle::Spectral, 100, 60, 1, 32, 0, 0);
    ASSERT_GE(lines.size(), 7u);
    for (int x = 0; x <= 6; ++x) {
        EXPECT_EQ(lines[x].X, x);
        EXPECT_EQ(lines[x].Mirrored, x % 2 == 0) << x;
    }
}

TEST(OxaGradientShapes, ConcentricStylesStayCentred) {
    for (int segments : {1, 2, 3})
        for (int step : {0, 7, 31}) {
            for (const TGradientShape& s : Shapes(TOxaFillStyle::RoundMiddle, 90, 41, segments, 32, segments - 1, step)) {
                EXPECT_EQ(s.Kind, TGradientShapeKind::Ellipse);
                EXPECT_EQ(s.X + s.A, 90);
                EXPECT_EQ(s.Y + s.B, 41);
            }
            for (const TGradientShape& s : Shapes(TOxaFillStyle::SquareMiddle, 90, 41, segments, 32, segments - 1, step)) {
                EXPECT_EQ(2 * s.X + s.A, 90);
                EXPECT_EQ(2 * s.Y + s.B, 41);
            }
        }
    // RoundMiddle's first ellipse leaves the outermost pixel ring: offX = 1.
    EXPECT_EQ(Shapes(TOxaFillStyle::RoundMiddle, 90, 41, 1, 32, 0, 0)[0],
              (TGradientShape{TGradientShapeKind::Ellipse, 1, 1, 89, 40, false}));
}

TEST(OxaGradientShapes, CornerStylesCloseInOnTheirCorners) {
    // LeftBottom: every rectangle reaches the bottom-right corner.
    for (int step : {0, 12, 31}) {
        auto s = Shapes(TOxaFillStyle::LeftBottom, 64, 48, 1, 32, 0, step)[0];
        EXPECT_EQ(s.X + s.A, 64);
        EXPECT_EQ(s.Y + s.B, 48);
    }
    // DoppelFlash: one ellipse towards the bottom-right, one given the wrong
    // way round towards the top-left.
    auto flash = Shapes(TOxaFillStyle::DoppelFlash, 64, 48, 1, 32, 0, 4);
    ASSERT_EQ(flash.size(), 2u);
    EXPECT_EQ(flash[0].A, 64);
    EXPECT_EQ(flash[0].B, 48);
    EXPECT_EQ(flash[1].A, 0);
    EXPECT_EQ(flash[1].B, 0);
    EXPECT_EQ(flash[1].X, 64 - flash[0].X);
    // Singleflash: sW = W, so step 16 starts half-way.
    EXPECT_EQ(Shapes(TOxaFillStyle::Singleflash, 64, 48, 1, 32, 0, 16)[0],
              (TGradientShape{TGradientShapeKind::Ellipse, 32, 24, 64, 48, false}));
}

TEST(OxaGradientShapes, DoppelBarsMirrorAboutTheFirstThird) {
    // W = 90: T = 30; bar one and bar two mirror about T, bar three is bar
    // one moved by 2T.
    for (int step : {0, 10, 31}) {
        auto bars = Shapes(TOxaFillStyle::VerticalDoppelBar, 90, 20, 1, 32, 0, step);
        ASSERT_EQ(bars.size(), 3u);
        EXPECT_EQ(bars[0].X + bars[1].X + bars[1].A, 60);
        EXPECT_EQ(bars[2].X, bars[0].X + 60);
        for (const auto& b : bars) EXPECT_EQ(b.B, 20);
        auto rows = Shapes(TOxaFillStyle::HorizontalDoppelBar, 20, 90, 1, 32, 0, step);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].Y, bars[0].X);
        EXPECT_EQ(rows[2].Y, bars[2].X);
    }
    // t = Round(91 / 3) + 1 = 31 over 32 steps: steps with an empty bar draw nothing.
    size_t total = AllSteps(TOxaFillStyle::VerticalDoppelBar, 90, 20, 1, 32).size();
    EXPECT_EQ(total % 3, 0u);
    EXPECT_LT(total, 3u * 32);
}

// Over many sizes, segment counts and step counts: the banded styles leave
// no gap in one segment, MiddleHBar and MiddleVBar keep their outermost rows
// and columns once the area is not tiny, and no shape has a coordinate far
// outside the area.
TEST(OxaGradientShapes, SweepOfSizes) {
    for (int n : {2, 3, 32, 255})
        for (int size = 1; size <= 70; size += (size < 12 ? 1 : 7))
            for (int other : {1, 5, 333}) {
                std::set<int> all;
                for (int k = 0; k < size; ++k) all.insert(k);
                std::set<int> inner = all;
                inner.erase(0), inner.erase(size - 1);
                EXPECT_EQ(Covered(AllSteps(TOxaFillStyle::Horizontal, other, size, 1, n), true, size), all) << size << " " << n;
                EXPECT_EQ(Covered(AllSteps(TOxaFillStyle::Vertical, size, other, 1, n), false, size), all) << size << " " << n;
                std::set<int> rows = Covered(AllSteps(TOxaFillStyle::MiddleHBar, other, size, 1, n), true, size);
                std::set<int> columns = Covered(AllSteps(TOxaFillStyle::MiddleVBar, size, other, 1, n), false, size);
                EXPECT_TRUE(Includes(rows, inner)) << size << " " << n;
                EXPECT_EQ(rows, columns) << size << " " << n;
                if (size >= 16) {
                    EXPECT_EQ(rows, inner) << size << " " << n;
                }

                for (int style = 0; style < OxaFillStyleCount; ++style)
                    for (int segments : {1, 2, 7}) {
                        int limit = 3 * std::max(size, other) + 3 * segments;
                        for (const TGradientShape& s : AllSteps(TOxaFillStyle(style), size, other, segments, n))
                            for (int v : {s.X, s.Y, s.A, s.B})
                                ASSERT_LE(std::abs(v), limit) << style << " " << size << "x" << other;
                    }
            }
    // Large areas stay within range too.
    const int big = 1 << 24;
    for (int style = 0; style < OxaFillStyleCount; ++style)
        for (int segment : {0, 2})
            for (int step : {0, 100, 254})
                for (const TGradientShape& s : Shapes(TOxaFillStyle(style), big, big, 3, 255, segment, step))
                    for (int v : {s.X, s.Y, s.A, s.B}) ASSERT_LE(std::abs(v), 2 * big) << style;
}

// Which styles paint rows (or columns) of one colour, at two sizes and with
// two segments: a fill control keeps only a strip of those.
TEST(OxaGradientShapes, BandsOfEveryStyle) {
    using enum TGradientBands;
    const std::vector<std::pair<TOxaFillStyle, TGradientBands>> expected = {
        {TOxaFillStyle::Circle, None},          {TOxaFillStyle::Horizontal, Rows},
        {TOxaFillStyle::Vertical, Columns},     {TOxaFillStyle::LeftBottom, None},
        {TOxaFillStyle::RoundMiddle, None},     {TOxaFillStyle::SquareMiddle, None},
        {TOxaFillStyle::Spectral, None},        {TOxaFillStyle::DoppelFlash, None},
        {TOxaFillStyle::Singleflash, None},     {TOxaFillStyle::MiddleHBar, Rows},
        {TOxaFillStyle::MiddleVBar, Columns},   {TOxaFillStyle::VerticalDoppelBar, Columns},
        {TOxaFillStyle::HorizontalDoppelBar, Rows}};
    ASSERT_EQ(expected.size(), size_t(OxaFillStyleCount));
    for (const auto& [style, bands] : expected)
        for (const TGradientArea area : {TGradientArea{375, 310, 1, 32}, TGradientArea{7, 300, 2, 255}})
            EXPECT_EQ(GradientBands(style, area), bands) << int(style) << " at " << area.Width << " x " << area.Height;
}

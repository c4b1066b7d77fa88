#include "OxaGradientPlan.h"

#include "MathUtils.h"

namespace components {

namespace {

int MD(int a, int b, int c) { return MulDivRound(a, b, c); }

// Round(numerator / denominator * factor), halves to even, as the renderer's
// geometry prescribes: the quotient is formed first, then scaled.
int RoundScaled(int numerator, int denominator, int factor = 1) {
    return int(BankersRound(double(numerator) / double(denominator) * double(factor)));
}

uint8_t Channel(int c1, int c2, int steps, int count) { return uint8_t(c1 + MD(steps, c2 - c1, count - 1)); }

TRgb Step(TRgb c1, TRgb c2, int steps, int count) {
    return {Channel(c1.R, c2.R, steps, count), Channel(c1.G, c2.G, steps, count), Channel(c1.B, c2.B, steps, count)};
}

uint8_t NotZero(uint8_t channel) { return channel == 0 ? 1 : channel; }

class TShapeList {
public:
    explicit TShapeList(std::vector<TGradientShape>& shapes) : shapes_(shapes) {}

    void Fill(int x, int y, int width, int height) {
        if (width != 0 && height != 0) shapes_.push_back({TGradientShapeKind::Fill, x, y, width, height, false});
    }
    void Ellipse(int left, int top, int right, int bottom) {
        shapes_.push_back({TGradientShapeKind::Ellipse, left, top, right, bottom, false});
    }
    void Line(int x1, int y1, int x2, int y2, bool mirrored) {
        shapes_.push_back({TGradientShapeKind::Line, x1, y1, x2, y2, mirrored});
    }

private:
    std::vector<TGradientShape>& shapes_;
};

// Circle and Spectral: two fans of lines through the centre; Spectral draws
// the lines of even loop values in the mirrored colour.
void Fans(TShapeList& out, const TGradientArea& a, int gW, int gH, int r, int i, bool spectral) {
    const int W = a.Width, H = a.Height, N = a.Steps;
    const int offX = gW * r, offY = gH * r;
    for (int x = MD(i, gW, N), last = MD(i + 2, gW, N); x <= last; ++x)
        out.Line(offX + x, 0, W - x - offX, H, spectral && x % 2 == 0);
    for (int y = MD(i, gH, N), last = MD(i + 2, gH, N); y <= last; ++y)
        out.Line(0, offY + y, W, H - y - offY, spectral && y % 2 == 0);
}

} // namespace

TGradientStepColors GradientStepColors(TRgb c1, TRgb c2, int step, int count) {
    TGradientStepColors colors;
    colors.Forward = Step(c1, c2, step, count);
    // Black is never drawn as a step: zero channels become 1. The mirrored
    // colour stays exact.
    colors.Forward = {NotZero(colors.Forward.R), NotZero(colors.Forward.G), NotZero(colors.Forward.B)};
    colors.Mirrored = Step(c1, c2, count - 1 - step, count);
    return colors;
}

void AppendGradientShapes(TOxaFillStyle style, const TGradientArea& area, int segment, int step,
                          std::vector<TGradientShape>& shapes) {
    TShapeList out(shapes);
    const int W = area.Width, H = area.Height, S = area.Segments < 1 ? 1 : area.Segments, N = area.Steps;
    const int r = segment, i = step;
    const int sW = RoundScaled(W, S), sH = RoundScaled(H, S);
    const int gW = sW + 1, gH = sH + 1;

    switch (style) {
    case TOxaFillStyle::Circle:
        Fans(out, area, gW, gH, r, i, false);
        break;
    case TOxaFillStyle::Spectral:
        Fans(out, area, gW, gH, r, i, true);
        break;
    case TOxaFillStyle::Horizontal: {
        int offY = gH * r;
        int y1 = MD(i, gH, N), y2 = MD(i + 2, gH, N);
        out.Fill(0, offY + y1, W, y2 - y1);
        break;
    }
    case TOxaFillStyle::Vertical: {
        int offX = gW * r;
        int x1 = MD(i, gW, N), x2 = MD(i + 2, gW, N);
        out.Fill(offX + x1, 0, x2 - x1, H);
        break;
    }
    case TOxaFillStyle::LeftBottom: {
        int offX = gW * r, offY = gH * r;
        int x1 = MD(i, gW, N), y1 = MD(i, gH, N);
        out.Fill(offX + x1, offY + y1, W - x1, H - y1);
        break;
    }
    case TOxaFillStyle::RoundMiddle: {
        int offX = RoundScaled(gW, 2, r) + 1, offY = RoundScaled(gH, 2, r) + 1;
        int x1 = MD(i, RoundScaled(gW, 2) + 1, N), y1 = MD(i, RoundScaled(gH, 2) + 1, N);
        out.Ellipse(offX + x1, offY + y1, W - x1 - offX, H - y1 - offY);
        break;
    }
    case TOxaFillStyle::SquareMiddle: {
        int offX = RoundScaled(sW, 2, r), offY = RoundScaled(sH, 2, r);
        int x1 = MD(i, RoundScaled(sW, 2), N), y1 = MD(i, RoundScaled(sH, 2), N);
        out.Fill(offX + x1, offY + y1, W - 2 * x1 - 2 * offX, H - 2 * y1 - 2 * offY);
        break;
    }
    case TOxaFillStyle::DoppelFlash: {
        int offX = gW * r + 1, offY = gH * r + 1;
        int x1 = MD(i, gW, N), y1 = MD(i, gH, N);
        out.Ellipse(offX + x1, offY + y1, W, H);
        out.Ellipse(W - x1 - offX, H - y1 - offY, 0, 0);
        break;
    }
    case TOxaFillStyle::Singleflash: {
        int offX = sW * r, offY = sH * r;
        int x1 = MD(i, sW, N), y1 = MD(i, sH, N);
        out.Ellipse(offX + x1, offY + y1, W, H);
        break;
    }
    case TOxaFillStyle::MiddleHBar: {
        int offY = RoundScaled(gH, 2, r) + 1;
        int p = RoundScaled(gH, 2) + 1, q = RoundScaled(gH, 2);
        int a = MD(i, p, N), b = MD(i + 2, p, N), c = MD(i, q, N), d = MD(i + 2, q, N);
        // From the bottom: the b - a rows ending with row H - a - 1 - offY;
        // from the top: rows offY + c to offY + d, both included.
        out.Fill(0, H - b - offY, W, b - a);
        out.Fill(0, offY + c, W, d - c + 1);
        break;
    }
    case TOxaFillStyle::MiddleVBar: {
        int offX = RoundScaled(gW, 2, r) + 1;
        int p = RoundScaled(gW, 2) + 1, q = RoundScaled(gW, 2);
        int a = MD(i, p, N), b = MD(i + 2, p, N), c = MD(i, q, N), d = MD(i + 2, q, N);
        out.Fill(W - b - offX, 0, b - a, H);
        out.Fill(offX + c, 0, d - c + 1, H);
        break;
    }
    case TOxaFillStyle::VerticalDoppelBar: {
        int offX = RoundScaled(gW, 3, r) + 1;
        int t = RoundScaled(gW, 3) + 1, c = MD(i, t, N), d = MD(i + 1, t, N), T = RoundScaled(W, 3);
        out.Fill(offX + c, 0, d - c, H);
        out.Fill(2 * T - d - offX, 0, d - c, H);
        out.Fill(2 * T + offX + c, 0, d - c, H);
        break;
    }
    case TOxaFillStyle::HorizontalDoppelBar: {
        int offY = RoundScaled(gH, 3, r) + 1;
        int t = RoundScaled(gH, 3) + 1, c = MD(i, t, N), d = MD(i + 1, t, N), T = RoundScaled(H, 3);
        out.Fill(0, offY + c, W, d - c);
        out.Fill(0, 2 * T - d - offY, W, d - c);
        out.Fill(0, 2 * T + offY + c, W, d - c);
        break;
    }
    }
}

TGradientBox FillBox(const TGradientShape& fill) {
    TGradientBox box{fill.X, fill.Y, fill.X + fill.A, fill.Y + fill.B};
    if (fill.A < 0) box.Left = fill.X + fill.A + 1, box.Right = fill.X + 1;
    if (fill.B < 0) box.Top = fill.Y + fill.B + 1, box.Bottom = fill.Y + 1;
    return box;
}

TGradientBands GradientBands(TOxaFillStyle style, const TGradientArea& area) {
    // Rows when every shape is a fill across the whole width (the first,
    // plain fill is), columns when every one spans the whole height.
    bool rows = true, columns = true;
    std::vector<TGradientShape> shapes;
    for (int segment = 0; segment < area.Segments && (rows || columns); ++segment)
        for (int step = 0; step < area.Steps && (rows || columns); ++step) {
            shapes.clear();
            AppendGradientShapes(style, area, segment, step, shapes);
            for (const TGradientShape& s : shapes) {
                const bool fill = s.Kind == TGradientShapeKind::Fill;
                const TGradientBox box = fill ? FillBox(s) : TGradientBox{};
                rows = rows && fill && box.Left <= 0 && box.Right >= area.Width;
                columns = columns && fill && box.Top <= 0 && box.Bottom >= area.Height;
            }
        }
    return rows ? TGradientBands::Rows : columns ? TGradientBands::Columns : TGradientBands::None;
}

} // namespace components

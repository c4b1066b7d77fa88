#include "OxaGradient.h"

#include <windows.h>

#include <utility>

namespace components {

using namespace forms;

namespace {

TRgb ToRgb(TColor color) {
    TColor rgb = ColorToRGB(color);
    return {uint8_t(rgb & 0xFF), uint8_t((rgb >> 8) & 0xFF), uint8_t((rgb >> 16) & 0xFF)};
}

TColor ToColor(TRgb rgb) { return TColor(rgb.R) | TColor(rgb.G) << 8 | TColor(rgb.B) << 16; }

// The pixels a pattern fill of the shape covers, as PatBlt takes it: a
// negative width or height reaches back from the corner and includes the
// corner's own column or row, x + w + 1 up to x.
RECT FillArea(const TGradientShape& s) {
    const TGradientBox box = FillBox(s);
    return {box.Left, box.Top, box.Right, box.Bottom};
}

} // namespace

void TOxaGradient::Changed() {
    if (OnChange) OnChange(this);
}

void TOxaGradient::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TOxaGradient*>(source)) {
        if (other != this) {
            fillStyle_ = other->fillStyle_;
            beginColor_ = other->beginColor_;
            endColor_ = other->endColor_;
            colorCount_ = other->colorCount_;
            colorsInBetween_ = other->colorsInBetween_;
        }
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TOxaGradient::SetFillStyle(TOxaFillStyle style) {
    fillStyle_ = style;
    Changed();
}

void TOxaGradient::SetBeginColor(TColor color) {
    beginColor_ = color;
    Changed();
}

void TOxaGradient::SetEndColor(TColor color) {
    endColor_ = color;
    Changed();
}

void TOxaGradient::SetColorCount(int count) {
    if (count >= 2 && count <= 255) colorCount_ = count;
    Changed();
}

void TOxaGradient::SetColorsInBetween(std::vector<std::string> lines) {
    colorsInBetween_ = std::move(lines);
    Changed();
}

TGradientBands TOxaGradient::Bands(int width, int height) const {
    if (width <= 0 || height <= 0) return TGradientBands::None;
    return GradientBands(fillStyle_, {width, height, int(colorsInBetween_.size()) + 1, colorCount_});
}

void TOxaGradient::Draw(TCanvas& target, int width, int height, bool forwardFirst) {
    // The colour list: the in-between colours keep their order either way.
    // Every line is converted before any drawing, so a bad one leaves the
    // target untouched.
    std::vector<TRgb> colors;
    colors.reserve(colorsInBetween_.size() + 2);
    colors.push_back(ToRgb(forwardFirst ? beginColor_ : endColor_));
    for (const std::string& line : colorsInBetween_) colors.push_back(ToRgb(StringToColor(line)));
    colors.push_back(ToRgb(forwardFirst ? endColor_ : beginColor_));
    if (width <= 0 || height <= 0) return;

    const TGradientArea area{width, height, int(colors.size()) - 1, colorCount_};
    TCanvas& canvas = target;
    // Shapes may reach past the area; nothing outside it changes.
    canvas.IntersectClipRect({0, 0, width, height});
    struct TClipScope {
        TCanvas& canvas;
        ~TClipScope() { canvas.RestoreClip(); }
    } clip{canvas};
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(1);
    canvas.Brush().SetStyle(bsSolid);
    // The first fill is exact: only the steps get their zero channels raised.
    // Fills go through the brush alone, so fill styles never make a pen.
    canvas.Brush().SetColor(ToColor(colors[0]));
    canvas.FillRect({0, 0, width, height});

    std::vector<TGradientShape> shapes;
    for (int segment = 0; segment < area.Segments; ++segment) {
        for (int step = 0; step < area.Steps; ++step) {
            TGradientStepColors stepColors = GradientStepColors(colors[segment], colors[segment + 1], step, area.Steps);
            TColor forward = ToColor(stepColors.Forward), mirrored = ToColor(stepColors.Mirrored);
            canvas.Pen().SetColor(forward);
            canvas.Brush().SetColor(forward);
            shapes.clear();
            AppendGradientShapes(fillStyle_, area, segment, step, shapes);
            for (const TGradientShape& s : shapes) {
                switch (s.Kind) {
                case TGradientShapeKind::Fill:
                    canvas.FillRect(FillArea(s));
                    break;
                case TGradientShapeKind::Ellipse:
                    canvas.Ellipse(s.X, s.Y, s.A, s.B);
                    break;
                case TGradientShapeKind::Line:
                    canvas.Pen().SetColor(s.Mirrored ? mirrored : forward);
                    canvas.MoveTo(s.X, s.Y);
                    canvas.LineTo(s.A, s.B);
                    break;
                }
            }
        }
    }
}

} // namespace components

// TOxaGradient: the settings of a stepped colour gradient and its renderer.
// It belongs to the OxaTBackground module (a TOxaBackground owns one); its
// arithmetic lives in OxaGradientPlan.
#pragma once
#include <string>
#include <vector>

#include "components/OxaGradientPlan.h"
#include "forms/Controls.h"
#include "forms/Graphics.h"

namespace components {

// Every property write stores the value and then calls OnChange, also when
// the value is the same and also after a refused ColorCount: the owning
// background repaints its fill controls from it.
class TOxaGradient : public forms::TPersistent {
public:
    TOxaGradient() = default;
    TOxaGradient(const TOxaGradient&) = delete;
    TOxaGradient& operator=(const TOxaGradient&) = delete;

    std::string ClassName() const override { return "TOxaGradient"; }
    // Copies every property of another gradient, then calls OnChange once.
    void Assign(const forms::TPersistent* source) override;

    TOxaFillStyle FillStyle() const { return fillStyle_; }
    void SetFillStyle(TOxaFillStyle style);
    forms::TColor BeginColor() const { return beginColor_; }
    void SetBeginColor(forms::TColor color);
    forms::TColor EndColor() const { return endColor_; }
    void SetEndColor(forms::TColor color);
    // Steps per colour segment; a value outside 2 ... 255 is not taken.
    int ColorCount() const { return colorCount_; }
    void SetColorCount(int count);

    // Colours between BeginColor and EndColor, one per line, in the layout
    // notation ("clRed", "255", "$0000FF"). Editing the lines in place
    // tells nobody; SetColorsInBetween is the write that notifies.
    const std::vector<std::string>& ColorsInBetween() const { return colorsInBetween_; }
    std::vector<std::string>& ColorsInBetween() { return colorsInBetween_; }
    void SetColorsInBetween(std::vector<std::string> lines);

    // How its colours run over a width x height area (None for an empty one).
    TGradientBands Bands(int width, int height) const;

    // Paints the gradient into the width x height area at the target's
    // origin, drawing on the target itself, with its pen and brush: the
    // target is an off-screen picture (a fill control's), never a window,
    // and a second copy of the area would only cost memory. forwardFirst puts
    // BeginColor first in the colour list. A line of ColorsInBetween that is
    // no colour raises EConvertError "'<line>' is not a valid integer value"
    // before anything reaches the target.
    void Draw(forms::TCanvas& target, int width, int height, bool forwardFirst);

    forms::TNotifyEvent OnChange;

private:
    void Changed();

    TOxaFillStyle fillStyle_ = TOxaFillStyle::Horizontal;
    forms::TColor beginColor_ = forms::clBtnShadow;
    forms::TColor endColor_ = forms::clBtnHighlight;
    int colorCount_ = 32;
    std::vector<std::string> colorsInBetween_;
};

} // namespace components

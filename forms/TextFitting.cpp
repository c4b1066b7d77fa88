// Controls widened for their texts at resolutions other than 96 dpi, and
// the measuring of a control's text that they size themselves by.
#include <algorithm>

#include "Forms.h"
#include "ScopedValue.h"

namespace forms {

namespace {

// The area a control may take in its parent, in the parent's client
// coordinates. A control that fills its parent and has no size yet (a
// hidden page) will have its parent's.
RECT Room(TWinControl* parent) {
    const RECT r = parent->ClientRect();
    if (!IsRectEmpty(&r) || parent->Align() != alClient || !parent->Parent()) return r;
    const RECT outer = Room(parent->Parent());
    return {0, 0, outer.right - outer.left, outer.bottom - outer.top};
}

} // namespace

RECT TControl::GivenBounds() const {
    const int left = left_ - fitShift_;
    return {left, top_, left + width_ - fitGrowth_, top_ + height_};
}

int TControl::TextWidth(const std::string& text, UINT format) {
    TWindowDC screen;
    TCanvas canvas;
    TCanvasBinding binding(canvas, screen, &Font());
    RECT r{0, 0, 0, 0};
    canvas.DrawText(text, r, format | DT_SINGLELINE | DT_CALCRECT);
    return r.right - r.left;
}

void TControl::FitText() {
    if (!parent_ || align_ != alNone || Loading() || fitting_) return;
    // A form still being read fits everything once it is whole.
    if (TForm* form = GetParentForm(this); form && form->Loading()) return;
    const RECT given = GivenBounds();
    const int givenWidth = given.right - given.left;
    int left = given.left, width = givenWidth;
    const int needed = ControlPixelsPerInch(this) == DesignPixelsPerInch ? 0 : WidthForText();
    const RECT room = needed > 0 ? Room(parent_) : RECT{0, 0, 0, 0};
    if (room.right > room.left) {
        // The span between the nearest visible neighbours beside it (those
        // it already overlaps by design excepted) and the parent's edges.
        int low = room.left, high = room.right;
        for (TControl* other : parent_->Controls()) {
            const RECT r = other->BoundsRect();
            if (other == this || !other->Visible() || r.top >= given.bottom || r.bottom <= given.top) continue;
            if (r.left >= given.right) high = std::min<int>(high, r.left);
            else if (r.right <= given.left) low = std::max<int>(low, r.right);
        }
        width = std::max(width, needed);
        const int extra = width - givenWidth;
        if (TextAlignment() == taRightJustify) left -= extra;
        else if (TextAlignment() == taCenter) left -= extra / 2;
        left = std::max(std::min(left, high - width), low);
        width = std::max(std::min(width, high - left), givenWidth);
    }
    if (left == left_ && width == width_) return;
    {
        TScopedValue fitting(fitting_, true);
        SetBounds(left, top_, width, height_);
    }
    fitShift_ = left - given.left;
    fitGrowth_ = width - givenWidth;
}

void FitTexts(TWinControl* parent) {
    for (TControl* control : parent->Controls()) {
        control->FitText();
        if (control->IsWindowed()) FitTexts(static_cast<TWinControl*>(control));
    }
}

} // namespace forms

// Painting: a windowless control paints on its parent's window, clipped to
// its bounds; a windowed control that paints itself does so off-screen with
// its windowless children, and reports a failing painter once.
#include "Controls.h"

#include <exception>
#include <functional>

#include "ControlHooks.h"

namespace forms {

// --------------------------------------------------------- TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(HDC dc) {
    TCanvasBinding binding(*canvas_, dc, &Font());
    Paint();
}

// ------------------------------------------------------------- TWinControl

void TWinControl::PaintWindow(TCanvas& canvas) {
    RECT r = ClientRect();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
}

void TWinControl::PaintOwnWindow() {
    std::vector<std::exception_ptr> failures;
    {
        TPaintBuffer buffer(handle_);
        // A failed background leaves the whole window unpainted; a failed
        // windowless child only its own area.
        if (PaintGuarded(this, failures, [&] { PaintWindow(buffer.Canvas()); })) {
            PaintControls(buffer.DC(), buffer.PaintRect(), failures);
            buffer.Flush();
        }
    }
    // Shown after EndPaint: the message box's loop paints this window again.
    for (const std::exception_ptr& failure : failures) {
        try {
            std::rethrow_exception(failure);
        } catch (...) {
            if (ControlHooks().HandleException) ControlHooks().HandleException();
        }
    }
}

bool TWinControl::PaintGuarded(TControl* control, std::vector<std::exception_ptr>& failures,
                               const std::function<void()>& paint) {
    try {
        paint();
    } catch (...) {
        // Reported once: a painter that keeps failing would otherwise raise
        // a message box at every repaint.
        if (!control->paintFailed_) failures.push_back(std::current_exception());
        control->paintFailed_ = true;
        return false;
    }
    control->paintFailed_ = false;
    return true;
}

void TWinControl::PaintControls(HDC dc, const RECT& clip, std::vector<std::exception_ptr>& failures) {
    for (TControl* c : controls_) {
        if (c->windowed_ || !c->visible_) continue;
        RECT bounds = c->BoundsRect(), overlap;
        if (!IntersectRect(&overlap, &bounds, &clip)) continue;
        TSavedDC saved(dc);
        POINT org;
        GetWindowOrgEx(dc, &org);
        SetWindowOrgEx(dc, org.x - c->left_, org.y - c->top_, nullptr);
        IntersectClipRect(dc, 0, 0, c->width_, c->height_);
        PaintGuarded(c, failures, [&] { static_cast<TGraphicControl*>(c)->PaintTo(dc); });
    }
}

// ---------------------------------------------------------- TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(TCanvas& canvas) {
    TCanvasBinding binding(*canvas_, canvas.Handle(), &Font());
    Paint();
}

} // namespace forms

// Painting: a windowless control paints on its parent's window, clipped to
// its bounds; a windowed control that paints itself does so off-screen with
// its windowless children, and reports a failing painter once.
#include "Controls.h"

#include <exception>
#include <functional>

#include "ControlHooks.h"
#include "GdiGuards.h"
#include "Painting.h"

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
            // Child windows waiting to be painted (all of a window or page
            // just shown) go on the same image and reach the screen in the
            // same copy: each painting on its own costs the system a paint
            // cycle, and they would appear one by one. A window with nothing
            // of its own to paint (all covered by its children) leaves them
            // to it: an image of all of it would take its whole size.
            TGdiObject shown(CreateRectRgnIndirect(&buffer.PaintRect()));
            int painted = 0;
            if (!IsRectEmpty(&buffer.PaintRect())) {
                TSavedDC saved(buffer.DC());
                SelectClipRgn(buffer.DC(), nullptr);
                painted = PaintWaitingChildren(buffer.DC(), {0, 0}, static_cast<HRGN>(shown.Get()), failures);
            }
            RECT box{};
            if (painted == 0) {
                buffer.Flush();
            } else if (GetRgnBox(static_cast<HRGN>(shown.Get()), &box) != NULLREGION) {
                // Not through the paint's DC, which leaves the children out.
                TWindowDC screen(handle_, DCX_CACHE | DCX_CLIPSIBLINGS);
                SelectClipRgn(screen, static_cast<HRGN>(shown.Get()));
                BitBlt(screen, box.left, box.top, box.right - box.left, box.bottom - box.top, buffer.DC(), box.left,
                       box.top, SRCCOPY);
            }
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

namespace {

// A new region of what a window placed at place shows: all of it, or
// what its window region leaves.
HRGN NewWindowShape(HWND window, const RECT& place) {
    HRGN shape = CreateRectRgnIndirect(&place);
    if (!shape) OutOfResources();
    if (GetWindowRgn(window, shape) != ERROR) OffsetRgn(shape, place.left, place.top);
    return shape;
}

} // namespace

int TWinControl::PaintWaitingChildren(HDC dc, POINT origin, HRGN shown, std::vector<std::exception_ptr>& failures) {
    int painted = 0;
    // Bottom of the z-order first: a window above another is painted after it.
    std::vector<HWND> children;
    for (HWND w = GetWindow(handle_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) children.push_back(w);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        HWND w = *it;
        if (!IsWindowVisible(w)) continue;
        RECT place{}, client{};
        GetWindowRect(w, &place);
        MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&place), 2);
        OffsetRect(&place, origin.x, origin.y);
        GetClientRect(w, &client);
        TWinControl* child = FromHandle(w);
        const TPaintedWith with = child ? child->PaintedWithParent() : TPaintedWith::OwnMessage;
        // A frame is painted by the system, with the window's own message.
        const bool framed = client.right != place.right - place.left || client.bottom != place.bottom - place.top;
        if (with == TPaintedWith::OwnMessage || framed || !GetUpdateRect(w, nullptr, FALSE)) {
            // What it shows is its own.
            TGdiObject shape(NewWindowShape(w, place));
            CombineRgn(shown, shown, static_cast<HRGN>(shape.Get()), RGN_DIFF);
            continue;
        }
        bool done = true;
        {
            TSavedDC saved(dc);
            SetWindowOrgEx(dc, -place.left, -place.top, nullptr);
            IntersectClipRect(dc, 0, 0, client.right, client.bottom);
            if (with == TPaintedWith::PrintClient) {
                // A system control takes its DC's origin for its own: it
                // draws on an image of its size, over what lies behind it.
                TGdiObject image(NewImage(dc, client.right, client.bottom));
                TMemoryDC own(static_cast<HBITMAP>(image.Get()), dc);
                BitBlt(own, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
                SendMessageA(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(own)), 0);
                SendMessageA(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(static_cast<HDC>(own)), PRF_CLIENT);
                BitBlt(dc, 0, 0, client.right, client.bottom, own, 0, 0, SRCCOPY);
            } else {
                done = PaintGuarded(child, failures, [&] {
                    TCanvas canvas;
                    TCanvasBinding binding(canvas, dc);
                    child->PaintWindow(canvas);
                });
                if (done) child->PaintControls(dc, client, failures);
            }
            // The window's own children are painted within it, after it.
            TGdiObject shape(NewWindowShape(w, place));
            CombineRgn(shown, shown, static_cast<HRGN>(shape.Get()), done ? RGN_OR : RGN_DIFF);
            if (done) painted += 1 + child->PaintWaitingChildren(dc, {place.left, place.top}, shown, failures);
        }
        // A window that failed is left to paint itself, and report it.
        if (done) ValidateRect(w, nullptr);
    }
    return painted;
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

// Mouse input on a window goes to the windowless control under the pointer,
// or to the one holding the capture; the window follows which control the
// mouse is over and shows the cursor each control asks for.
#include "Controls.h"

#include "ControlHooks.h"

namespace forms {

namespace {

POINT PointFromLParam(LPARAM lParam) { return {short(LOWORD(lParam)), short(HIWORD(lParam))}; }

TShiftState ShiftFromKeys(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

} // namespace

void TControl::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    // Show the new cursor at once when the pointer rests on this control.
    POINT p;
    if (!Loading() && GetCursorPos(&p) && FindControlAtScreenPoint(p) == this) ::SetCursor(ScreenCursor(cursor_));
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (c->windowed_ || !c->visible_ || (!c->enabled_ && !allowDisabled)) continue;
        RECT r = c->BoundsRect();
        if (!PtInRect(&r, p)) continue;
        if (c->HitTest(p.x - c->left_, p.y - c->top_)) return c;
    }
    return nullptr;
}

bool TWinControl::RouteMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    POINT p = PointFromLParam(lParam);
    TShiftState shift = ShiftFromKeys(wParam);
    TControl* target = captureControl_ ? captureControl_ : ControlAtPos(p, false);
    if (msg == WM_MOUSEMOVE || !captureControl_) UpdateMouseControl(target ? target : this);
    if (ControlHooks().MouseActivity) ControlHooks().MouseActivity(msg);
    TControl* receiver = target ? target : this;
    // A system control gets the ordinary press and release handling first,
    // then handles the message itself: focus, capture and clicks are its own.
    bool system = !target && windowSubclassed_;
    int x = p.x - (target ? target->left_ : 0), y = p.y - (target ? target->top_ : 0);
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!system) receiver->MouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (system) {
            receiver->MouseDown(mbLeft, shift, x, y);
            break;
        }
        if (target) {
            captureControl_ = target;
            SetCapture(handle_);
        }
        receiver->clicked_ = true;
        if (msg == WM_LBUTTONDBLCLK) {
            receiver->DblClick();
            shift |= ssDouble;
        }
        receiver->MouseDown(mbLeft, shift, x, y);
        if (!target) {
            // The ordinary press handling first, then the keyboard focus.
            if (CanFocus() && GetFocus() != handle_ && tabStop_) SetFocus();
            SetCapture(handle_);
        }
        break;
    case WM_RBUTTONDOWN: receiver->MouseDown(mbRight, shift, x, y); break;
    case WM_MBUTTONDOWN: receiver->MouseDown(mbMiddle, shift, x, y); break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        TMouseButton button = msg == WM_LBUTTONUP ? mbLeft : msg == WM_RBUTTONUP ? mbRight : mbMiddle;
        if (msg == WM_LBUTTONUP && !system) {
            captureControl_ = nullptr;
            if (GetCapture() == handle_) ReleaseCapture();
        }
        receiver->MouseUp(button, shift, x, y);
        break;
    }
    }
    return !system;
}

void TWinControl::UpdateMouseControl(TControl* control) {
    if (control == mouseControl_) return;
    TControl* old = mouseControl_;
    mouseControl_ = control;
    if (old) old->MouseLeave();
    if (control) control->MouseEnter();
    if (control && !trackingLeave_ && handle_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, handle_, 0};
        trackingLeave_ = TrackMouseEvent(&tme) != 0;
    }
    if (ControlHooks().MouseControlChanged) ControlHooks().MouseControlChanged(old, control);
}

bool TWinControl::HandleSetCursor(WPARAM, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) return false;
    POINT p;
    GetCursorPos(&p);
    ::ScreenToClient(handle_, &p);
    TControl* c = captureControl_ ? captureControl_ : ControlAtPos(p, false);
    if (!c) c = this;
    if (c->Cursor() == crDefault) return false;
    ::SetCursor(ScreenCursor(c->Cursor()));
    return true;
}

// ----------------------------------------------------------------- lookups

TControl* FindControlAtScreenPoint(POINT screenPoint) {
    TWinControl* wc = nullptr;
    for (HWND wnd = WindowFromPoint(screenPoint); wnd && !wc; wnd = GetParent(wnd)) wc = TWinControl::FromHandle(wnd);
    if (!wc) return nullptr;
    POINT p = screenPoint;
    ::ScreenToClient(wc->Handle(), &p);
    if (TControl* c = wc->ControlAtPos(p, false)) return c;
    return wc->Enabled() ? wc : nullptr;
}

HCURSOR ScreenCursor(TCursor cursor) {
    const char* id;
    switch (cursor) {
    case crHandPoint: id = MAKEINTRESOURCEA(32649); break; // IDC_HAND
    case crCross: id = MAKEINTRESOURCEA(32515); break;
    case crIBeam: id = MAKEINTRESOURCEA(32513); break;
    case crSizeAll: id = MAKEINTRESOURCEA(32646); break;
    case crHourGlass: id = MAKEINTRESOURCEA(32514); break;
    case crNo: id = MAKEINTRESOURCEA(32648); break;
    case crNone: return nullptr;
    default: id = MAKEINTRESOURCEA(32512); break; // IDC_ARROW
    }
    return LoadCursorA(nullptr, id); // shared system cursors: nothing to release
}

} // namespace forms

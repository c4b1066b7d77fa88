#include "ColorSelector.h"

#include "forms/Layouts.h"

namespace components {

using namespace forms;

std::string OtherColorCaption;

TColorSelector::TColorSelector(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 42, 21);
    SetTabStop(true);
    SetColor(clBlack);
}

TColorSelector::~TColorSelector() {
    // The window goes before the palette: a palette that goes while it has
    // the focus hands the focus back, and no handler may run from here.
    DestroyWnd();
}

void TColorSelector::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    // A control parent is skipped by Tab in favour of its (absent) children.
    params.ExStyle &= ~DWORD(WS_EX_CONTROLPARENT);
    params.Style &= ~DWORD(WS_CLIPCHILDREN);
}

// ------------------------------------------------------------------ painting

void TColorSelector::Paint() {
    TCanvas& canvas = Canvas();
    const int w = Width(), h = Height();
    const int quarter = w / 4, x = w - quarter, half = quarter / 2;
    const bool pushed = PushedLook();
    const int d = pushed ? 1 : 0; // the pushed look moves everything by one pixel

    RECT face{0, 0, w, h};
    DrawFrameControl(canvas.Handle(), &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

    canvas.Brush().SetColor(RGB(128, 128, 128));
    canvas.FillRect({x - 2 + d, 3 + d, x - 1 + d, h - 4 + d});
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect({x - 1 + d, 3 + d, x + d, h - 3 + d});

    const TColor oldPen = canvas.Pen().Color(), oldBrush = canvas.Brush().Color();
    canvas.Pen().SetColor(clBlack);
    canvas.Brush().SetColor(Color());
    canvas.Rectangle(5 + d, 4 + d, x - 5 + d, h - 4 + d);
    canvas.Brush().SetColor(clBlack);
    const int x0 = x + half - 4 + d, y0 = h / 2 - 1 + d;
    const POINT arrow[3] = {{x0, y0}, {x0 + 4, y0}, {x0 + 2, y0 + 2}};
    canvas.Polygon(arrow);
    canvas.Pen().SetColor(oldPen);
    canvas.Brush().SetColor(oldBrush);

    if (focused_) canvas.DrawFocusRect(pushed ? RECT{4, 4, w - 2, h - 2} : RECT{3, 3, w - 3, h - 3});
}

// --------------------------------------------------------------------- state

void TColorSelector::SetPressed(bool pressed, bool spaceDown) {
    if (pressed == pressed_ && spaceDown == spaceDown_) return;
    pressed_ = pressed;
    spaceDown_ = spaceDown;
    Invalidate();
}

void TColorSelector::SetMouseInside(bool value) {
    if (value == mouseInside_) return;
    mouseInside_ = value;
    Invalidate();
}

void TColorSelector::PaletteColorPicked(TColorForm*, TColor color) {
    if (color == Color()) return;
    SetColor(color);
    if (OnChangeColor) OnChangeColor(this);
}

// ---------------------------------------------------------------- activation

void TColorSelector::Click() {
    DropDown();
    TCustomControl::Click();
}

void TColorSelector::DropDown() {
    POINT corner = ClientToScreen({0, Height()});
    PaletteCaption = OtherColorCaption;
    // One palette at a time: the previous one goes now, or, while it still
    // runs the colour dialog, as that returns.
    const int dpi = ControlPixelsPerInch(this);
    palette_.reset(new TColorForm(nullptr, dpi));
    palette_->SetOwnerWindow(GetAncestor(Handle(), GA_ROOT));
    palette_->SetBounds(corner.x, corner.y, ScaleToDpi(TColorForm::PaletteWidth, dpi),
                        ScaleToDpi(TColorForm::PaletteHeight, dpi));
    palette_->OnSelect = [this](TColorForm* palette, TColor color) { PaletteColorPicked(palette, color); };
    // After a pick the owner window is active again, but without a focused
    // control: give the focus back to the selector.
    palette_->OnCloseUp = [this](TColorForm*) {
        if (HandleAllocated() && CanFocus()) SetFocus();
    };
    palette_->SetCurrentColor(Color());
    palette_->Show();
}

// --------------------------------------------------------------------- input

void TColorSelector::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    SetMouseInside(x >= 0 && y >= 0 && x < Width() && y < Height());
    SetPressed(true, spaceDown_);
    if (CanFocus() && !focused_) SetFocus();
}

void TColorSelector::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    // The library clicks here when the press and the release were both on
    // the control, and raises OnMouseUp.
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == mbLeft) SetPressed(false, spaceDown_);
}

void TColorSelector::MouseMove(TShiftState shift, int x, int y) {
    // While the left button is held the mouse is captured, so moves outside
    // arrive here too.
    SetMouseInside(x >= 0 && y >= 0 && x < Width() && y < Height());
    TCustomControl::MouseMove(shift, x, y);
}

LRESULT TColorSelector::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE: {
        // Enter activates the selector rather than the form's default button.
        auto* m = reinterpret_cast<const MSG*>(lParam);
        if (m && (m->message == WM_KEYDOWN || m->message == WM_CHAR) && m->wParam == VK_RETURN) return DLGC_WANTMESSAGE;
        break;
    }
    case WM_KEYDOWN: {
        LRESULT result = TCustomControl::WndProc(msg, wParam, lParam);
        if (wParam == VK_SPACE && !spaceDown_) SetPressed(true, true);
        return result;
    }
    case WM_KEYUP: {
        LRESULT result = TCustomControl::WndProc(msg, wParam, lParam);
        if (wParam == VK_SPACE) {
            SetPressed(false, false);
            Click();
        }
        return result;
    }
    case WM_CHAR:
        if (wParam == VK_RETURN) Click();
        break;
    case WM_SETFOCUS:
        focused_ = true;
        Invalidate();
        break; // the base raises OnEnter
    case WM_KILLFOCUS:
        focused_ = false;
        // A space key released elsewhere never comes back here.
        if (spaceDown_) SetPressed(false, false);
        Invalidate();
        break; // the base raises OnExit
    case WM_CAPTURECHANGED:
        // Capture taken away mid-press (a message box, another window):
        // no release will follow.
        if (pressed_ && !spaceDown_ && reinterpret_cast<HWND>(lParam) != handle_) SetPressed(false, false);
        break;
    case WM_MOUSELEAVE:
        SetMouseInside(false);
        break;
    }
    return TCustomControl::WndProc(msg, wParam, lParam);
}

// -------------------------------------------------------------- registration

void RegisterColorSelector() {
    RegisterClassOf<TColorSelector>("TColorSelector", "TCustomControl");
    RegisterProp<TColorSelector>("TColorSelector", "OnChangeColor", [](TColorSelector& c, auto& p, auto& context) {
        c.OnChangeColor = NotifyHandler(p, context);
    });
}

} // namespace components

#include "Forms.h"

#include <algorithm>
#include <cctype>

#include "ComCtrls.h"
#include "ControlHooks.h"
#include "Dialogs.h"
#include "Layouts.h"
#include "Resources.h"
#include "StdCtrls.h"

namespace forms {

namespace {
std::string UpperCase(std::string s) {
    for (char& c : s) c = char(std::toupper((unsigned char)c));
    return s;
}
} // namespace

// -------------------------------------------------------------------- TForm

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    SetVisible(false);
    SetParentFont(false);
    SetTabStop(false);
}

TForm::~TForm() {
    if (Application()->MainForm() == this) Application()->MainFormClosed(this);
}

void TForm::BeforeDestruction() {
    if (!destroyCalled_) {
        destroyCalled_ = true;
        if (OnDestroy && createRan_) {
            try {
                OnDestroy(this);
            } catch (...) {
                Application()->HandleException();
            }
        }
    }
    life_.End(); // no bound handler runs from here on
}

void TForm::Construct(const std::string* layoutText, const std::vector<const TFormHandler*>& handlers,
                      const std::vector<const TFormField*>& fields) {
    try {
        // Layouts name the form's own class at their root.
        if (!IsComponentClassRegistered(ClassName())) RegisterComponentClass(ClassName(), "TForm", nullptr);
        for (const TFormHandler* h : handlers) handlers_[h->Name] = h->Make(*this, life_.Watch());
        if (layoutText) ReadLayoutInto(this, ReadLayout(*layoutText), this);
        else ReadLayoutResource(this, UpperCase(ClassName()));
        for (const TFormField* f : fields) {
            TComponent* component = FindComponent(f->Name);
            if (!component) throw Exception(FormTextFmt(stLayoutMissingField, {f->Name, ClassName()}));
            if (!f->Set(*this, component)) throw Exception(FormTextFmt(stLayoutFieldClass, {f->Name, ClassName()}));
        }
        createRan_ = true;
        if (OnCreate) OnCreate(this);
    } catch (...) {
        // The derived form's members go right after this; what OnCreate
        // began is undone now, and nothing bound runs on them later.
        BeforeDestruction();
        throw;
    }
}

RECT TForm::ClientRect() const {
    if (HandleAllocated() || (clientWidth_ <= 0 && clientHeight_ <= 0)) return TWinControl::ClientRect();
    return {0, 0, clientWidth_, clientHeight_};
}

void TForm::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    RECT r{0, 0, width, height};
    TCreateParams params;
    CreateParams(params);
    AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TForm::CreateParams(TCreateParams& params) {
    params.Caption = Caption();
    params.ExStyle = 0;
    switch (borderStyle_) {
    case bsNone: params.Style = WS_POPUP; break;
    case bsSingle: params.Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
    case bsSizeable: params.Style = WS_OVERLAPPEDWINDOW; break;
    case bsDialog:
        params.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        params.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case bsToolWindow:
        params.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    params.Style |= WS_CLIPCHILDREN;
    // A form owned by another window's control stays above that window and
    // has no taskbar button of its own.
    params.WndParent = OwnerWindow(Owner());
}

void TForm::CreateWnd() {
    if (clientWidth_ > 0 || clientHeight_ > 0) SetClientSize(clientWidth_, clientHeight_);
    if (position_ == poScreenCenter) {
        SetBounds((GetSystemMetrics(SM_CXSCREEN) - Width()) / 2, (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2,
                  Width(), Height());
    }
    TWinControl::CreateWnd();
}

void TForm::Show() {
    Handle();
    // As in the system's dialogs: access-key underlines and focus
    // rectangles show once the keyboard is used, unless the user wants
    // them always. Settled before the window is seen, which then is shown,
    // activated and painted once: its children's backgrounds are erased as
    // each paints, not one by one in a round trip each before any paints.
    BOOL cues = FALSE;
    SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    if (!cues) ChangeUIState(UIS_SET, UISF_HIDEACCEL | UISF_HIDEFOCUS);
    TControl::SetVisible(true);
    SendMessageA(handle_, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_DEFERERASE);
    SetForegroundWindow(handle_);
    if (OnShow) OnShow(this);
}

void TForm::Close() {
    if (OnClose) OnClose(this);
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    SetVisible(false);
    if (Application()->MainForm() == this) Application()->Terminate();
}

namespace {
BOOL CALLBACK CollectEnabledWindow(HWND wnd, LPARAM list) {
    if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
    return TRUE;
}
} // namespace

TModalResult TForm::ShowModal() {
    // Every other window of the program waits while this one is up.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    HWND active = GetActiveWindow();
    for (HWND wnd : disabled) EnableWindow(wnd, FALSE);
    modal_ = true;
    modalResult_ = mrNone;
    try {
        Show();
        while (modalResult_ == mrNone) {
            if (!Application()->HandleMessage()) {
                // WM_QUIT ends the modal loop too; post it again for the outer loop.
                PostQuitMessage(0);
                if (modalResult_ == mrNone) modalResult_ = mrCancel;
            }
        }
    } catch (...) {
        modal_ = false;
        for (HWND wnd : disabled) EnableWindow(wnd, TRUE);
        throw;
    }
    modal_ = false;
    for (HWND wnd : disabled)
        if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
    if (active && IsWindow(active)) SetActiveWindow(active);
    SetVisible(false);
    return modalResult_;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ACTIVATE:
        // Coming back to the form puts the focus where the user left it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(handle_, focus)) lastFocus_ = focus;
        } else if (lastFocus_ && IsWindow(lastFocus_) && IsChild(handle_, lastFocus_)) {
            ::SetFocus(lastFocus_);
            return 0;
        }
        break;
    case WM_MOVE: {
        RECT r;
        GetWindowRect(handle_, &r);
        left_ = r.left;
        top_ = r.top;
        break;
    }
    case WM_DPICHANGED: {
        // Moved to a display of another resolution: everything on the form
        // grows or shrinks by the ratio, and the window takes the place the
        // system suggests.
        const int dpi = HIWORD(wParam);
        const bool rescaled = dpi > 0 && dpi != pixelsPerInch_;
        if (rescaled) {
            const int from = pixelsPerInch_;
            pixelsPerInch_ = dpi;
            for (TControl* control : Controls()) ChangeScale(control, dpi, from);
            Font().SetHeight(MulDiv(Font().Height(), dpi, from));
            clientWidth_ = MulDiv(clientWidth_, dpi, from);
            clientHeight_ = MulDiv(clientHeight_, dpi, from);
        }
        const RECT* r = reinterpret_cast<const RECT*>(lParam);
        SetBounds(r->left, r->top, r->right - r->left, r->bottom - r->top);
        if (rescaled) FitTexts(this);
        return 0;
    }
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

void TForm::Track(TControl*& field, TControl* control) {
    TControl* old = field;
    field = control;
    if (control) FreeNotification(control);
    if (old && old != defaultControl_ && old != cancelControl_) {
        old->RemoveFreeNotification(this);
        RemoveFreeNotification(old);
    }
}

void TForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == defaultControl_) defaultControl_ = nullptr;
    if (component == cancelControl_) cancelControl_ = nullptr;
}

// ------------------------------------------------------------- dialog keys

namespace {

bool KeyIsDown(int key) { return GetKeyState(key) < 0; }

// The control of a window, or of the nearest parent window that has one
// (the inner window of a system control).
TWinControl* ControlOfWindow(HWND wnd) {
    for (; wnd; wnd = GetParent(wnd))
        if (TWinControl* c = TWinControl::FromHandle(wnd)) return c;
    return nullptr;
}

// The first control inside parent, depth first in layout order, whose
// access key is key and that acts on it.
bool DispatchAccessKey(TWinControl* parent, char key) {
    for (TControl* c : parent->Controls()) {
        if (!c->Visible() || !c->Enabled()) continue;
        if (AccelChar(c->Caption()) == key && c->DialogChar(key)) return true;
        if (c->IsWindowed() && DispatchAccessKey(static_cast<TWinControl*>(c), key)) return true;
    }
    return false;
}

} // namespace

bool TForm::DialogKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_CHAR &&
        msg.message != WM_SYSCHAR)
        return false;
    HWND wnd = msg.hwnd;
    UINT code = wnd ? UINT(SendMessageA(wnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg))) : 0;
    if (code & DLGC_WANTMESSAGE) return false;
    TWinControl* focused = ControlOfWindow(wnd);
    if (focused == this) focused = nullptr;
    switch (msg.message) {
    case WM_SYSKEYDOWN:
        if (msg.wParam == VK_MENU) ChangeUIState(UIS_CLEAR, UISF_HIDEACCEL);
        return false;
    case WM_KEYDOWN:
        switch (msg.wParam) {
        case VK_TAB:
            if (KeyIsDown(VK_CONTROL)) return SwitchPage(focused, !KeyIsDown(VK_SHIFT));
            if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
            ChangeUIState(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS);
            SelectNext(focused, !KeyIsDown(VK_SHIFT));
            return true;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (code & (DLGC_WANTARROWS | DLGC_WANTALLKEYS)) return false;
            ChangeUIState(UIS_CLEAR, UISF_HIDEFOCUS);
            return focused && focused->DialogKey(WORD(msg.wParam));
        case VK_RETURN:
        case VK_ESCAPE: {
            if (code & DLGC_WANTALLKEYS) return false;
            if (focused && focused->DialogKey(WORD(msg.wParam))) return true;
            TControl* target = msg.wParam == VK_RETURN ? defaultControl_ : cancelControl_;
            if (target && target->Reachable()) target->Click();
            return true; // with no such control the key does nothing at all
        }
        }
        return false;
    case WM_CHAR:
        if (code & DLGC_WANTCHARS) return false;
        return AccessKey(char(msg.wParam));
    case WM_SYSCHAR:
        return AccessKey(char(msg.wParam));
    }
    return false;
}

void TForm::SelectNext(TWinControl* current, bool forward) {
    if (TWinControl* next = FindNextControl(current, forward)) next->SetFocus();
}

bool TForm::SwitchPage(TWinControl* focused, bool forward) {
    TPageControl* pages = nullptr;
    for (TControl* c = focused; c && !pages; c = c->Parent()) pages = dynamic_cast<TPageControl*>(c);
    if (!pages) {
        std::vector<TWinControl*> list;
        GetTabOrderList(list);
        for (TWinControl* c : list)
            if (auto* p = dynamic_cast<TPageControl*>(c); p && p->CanFocus()) {
                pages = p;
                break;
            }
    }
    if (!pages) return false;
    pages->SelectNextPage(forward);
    return true;
}

bool TForm::AccessKey(char key) {
    key = char(std::tolower((unsigned char)key));
    if (!std::isalnum((unsigned char)key)) return false;
    if (!DispatchAccessKey(this, key)) return false;
    ChangeUIState(UIS_CLEAR, UISF_HIDEACCEL);
    return true;
}

void TForm::ChangeUIState(WORD action, WORD flags) {
    if (!HandleAllocated()) return;
    // The system's controls keep their own state; our labels ask the form.
    SendMessageA(handle_, WM_CHANGEUISTATE, MAKEWPARAM(action, flags), 0);
    bool shown = (flags & UISF_HIDEACCEL) ? action == UIS_CLEAR : accelsShown_;
    if (shown == accelsShown_) return;
    accelsShown_ = shown;
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

HWND OwnerWindow(TComponent* owner) {
    for (TComponent* c = owner; c; c = c->Owner())
        if (auto* control = dynamic_cast<TWinControl*>(c); control && control->HandleAllocated())
            return GetAncestor(control->Handle(), GA_ROOT);
    return nullptr;
}

TForm* GetParentForm(TControl* control) {
    while (control && control->Parent()) control = control->Parent();
    return dynamic_cast<TForm*>(control);
}

void ChangeScale(TControl* control, int to, int from) {
    auto scale = [to, from](int v) { return MulDiv(v, to, from); };
    // Place and size each scaled, as a layout's values are when read; texts
    // are fitted again afterwards (FitTexts).
    const RECT b = control->GivenBounds();
    control->SetBounds(scale(b.left), scale(b.top), scale(b.right - b.left), scale(b.bottom - b.top));
    if (!control->ParentFont()) control->Font().SetHeight(scale(control->Font().Height()));
    if (auto* list = dynamic_cast<TListBox*>(control)) list->SetItemHeight(std::min(scale(list->ItemHeight()), 255));
    control->ScaleChanged(to, from);
    if (auto* parent = dynamic_cast<TWinControl*>(control))
        for (TControl* child : parent->Controls()) ChangeScale(child, to, from);
}

int ControlPixelsPerInch(TControl* control) {
    TForm* form = dynamic_cast<TForm*>(control);
    if (!form) form = GetParentForm(control);
    return form ? form->PixelsPerInch() : ScreenPixelsPerInch();
}

// ------------------------------------------------------------- THintWindow

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetParentFont(false);
    SetColor(clInfoBk);
}

void THintWindow::CreateParams(TCreateParams& params) {
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    params.ClassStyle = CS_SAVEBITS;
}

void THintWindow::ActivateHint(POINT screenPos, const std::string& text) {
    SetCaption(text);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    RECT r{0, 0, 300, 0};
    DrawTextA(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    SetBounds(screenPos.x, screenPos.y, r.right + 8, r.bottom + 4);
    Handle();
    SetWindowPos(handle_, HWND_TOPMOST, Left(), Top(), Width(), Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
    TControl::SetVisible(true);
    Invalidate();
    active_ = true;
}

void THintWindow::ReleaseHint() {
    if (!active_) return;
    active_ = false;
    if (HandleAllocated()) ShowWindow(handle_, SW_HIDE);
    TControl::SetVisible(false);
}

void THintWindow::Paint() {
    RECT r = ClientRect();
    Canvas().Brush().SetColor(Color());
    Canvas().FillRect(r);
    Canvas().Font().SetColor(clInfoText);
    InflateRect(&r, -3, -1);
    Canvas().Brush().SetStyle(bsClear);
    Canvas().DrawText(Caption(), r, DT_WORDBREAK | DT_NOPREFIX | DT_LEFT);
}

// ------------------------------------------------------------ TApplication

namespace {
TApplication* theApplication = nullptr;
}

TApplication* Application() {
    if (!theApplication) theApplication = new TApplication();
    return theApplication;
}

TApplication::TApplication() : TComponent(nullptr) {
    theApplication = this;
    UseResourceTexts();
    hintWindow_ = new THintWindow(this);
    hintWindow_->Font().SetName("Tahoma");
    hintWindow_->Font().SetHeight(-11);
    ControlHooks().HandleException = [this] { HandleException(); };
    ControlHooks().MouseControlChanged = [this](TControl* old, TControl* now) { MouseControlChanged(old, now); };
    ControlHooks().MouseActivity = [this](UINT msg) { MouseActivity(msg); };
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    // Not handed on to the forms: they hear of their own components as owners.
    if (operation != opRemove) return;
    if (component == mouseControl_) mouseControl_ = nullptr;
    if (component == hintControl_) {
        hintControl_ = nullptr;
        StopHintTimer();
        if (hintWindow_) hintWindow_->ReleaseHint();
    }
    if (component == mainForm_) mainForm_ = nullptr;
}

void TApplication::Track(TControl*& field, TControl* control) {
    TControl* old = field;
    field = control;
    if (control) FreeNotification(control);
    if (old && old != mouseControl_ && old != hintControl_) {
        old->RemoveFreeNotification(this);
        RemoveFreeNotification(old);
    }
}

TApplication::~TApplication() {
    StopHintTimer();
    hintWindow_ = nullptr;
    DestroyComponents();
    ControlHooks() = TControlHooks();
    if (theApplication == this) theApplication = nullptr;
}

void TApplication::Run() {
    if (mainForm_) mainForm_->Show();
    while (!terminated_ && mainForm_) {
        if (!HandleMessage()) break;
    }
}

bool TApplication::HandleMessage() {
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
        terminated_ = true;
        return false;
    }
    if (got > 0) ProcessMessage(msg);
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            PostQuitMessage(int(msg.wParam));
            return;
        }
        ProcessMessage(msg);
    }
}

bool TApplication::ProcessMessage(MSG& msg) {
    try {
        // Tab, arrows, Enter, Escape and access keys move and press as in a
        // dialog; the form decides, the system's dialog manager does not.
        if (msg.hwnd && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
            if (auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(GetAncestor(msg.hwnd, GA_ROOT))))
                if (form->DialogKey(msg)) return true;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    } catch (...) {
        HandleException();
    }
    return true;
}

void TApplication::Terminate() {
    if (terminated_) return;
    terminated_ = true;
    PostQuitMessage(0);
}

void TApplication::MainFormClosed(TForm* form) {
    if (form == mainForm_) mainForm_ = nullptr;
}

void TApplication::HandleException(TWinControl* owner, bool bringToFront) {
    std::string message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    CancelHint();
    ShowMessageBox(message, title_.empty() ? FormText(stMessageBoxError) : title_, MB_OK | MB_ICONSTOP, owner,
                   bringToFront);
}

// Hints

void TApplication::MouseControlChanged(TControl* old, TControl* control) {
    // A window's leave can come after the mouse moved on into a child window,
    // which has reported its control already: that leave changes nothing.
    if (!control && old != mouseControl_) return;
    Track(mouseControl_, control);
    if (control == hintControl_) return;
    hintWindow_->ReleaseHint();
    StopHintTimer();
    Track(hintControl_, nullptr);
    if (control && ShowHint) {
        Track(hintControl_, control);
        StartHintTimer(HintPause);
    }
}

void TApplication::MouseActivity(UINT msg) {
    if (msg != WM_MOUSEMOVE) {
        // A press ends the hint; a fresh one needs a fresh pause.
        CancelHint();
        return;
    }
    if (!hintControl_ && mouseControl_ && ShowHint && !hintWindow_->Active()) {
        Track(hintControl_, mouseControl_);
        StartHintTimer(HintPause);
    }
}

void TApplication::CancelHint() {
    if (!hintControl_) return;
    hintWindow_->ReleaseHint();
    StopHintTimer();
    Track(hintControl_, nullptr);
}

void TApplication::ActivateHint() {
    StopHintTimer();
    if (!hintControl_) Track(hintControl_, mouseControl_);
    TControl* control = hintControl_;
    if (!control || !control->ShowHint()) return;
    std::string text = control->Hint();
    if (!control->HintShow(text) || text.empty()) return;
    POINT p;
    GetCursorPos(&p);
    hintWindow_->ActivateHint({p.x, p.y + 20}, text);
    StartHintTimer(HintHidePause);
}

void TApplication::ActivateHint(TControl* control, POINT screenPos) {
    CancelHint();
    if (!control || !ShowHint || !control->ShowHint()) return;
    std::string text = control->Hint();
    if (!control->HintShow(text) || text.empty()) return;
    Track(hintControl_, control);
    hintWindow_->ActivateHint(screenPos, text);
    StartHintTimer(HintHidePause);
}

void TApplication::StartHintTimer(UINT ms) {
    StopHintTimer();
    hintTimer_ = SetTimer(nullptr, 0, ms, &TApplication::HintTimerProc);
}

void TApplication::StopHintTimer() {
    if (hintTimer_) KillTimer(nullptr, hintTimer_);
    hintTimer_ = 0;
}

void CALLBACK TApplication::HintTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    TApplication* app = theApplication;
    if (!app) return;
    if (app->hintWindow_->Active()) {
        app->StopHintTimer();
        app->hintWindow_->ReleaseHint();
        return;
    }
    try {
        app->ActivateHint();
    } catch (...) {
        app->HandleException();
    }
}

} // namespace forms

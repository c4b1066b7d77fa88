// A windowed control's own window: the window classes, creation and the
// binding of each window to its control before its first message, the window
// procedure with the messages it reflects to child controls, and the list of
// children.
#include "Controls.h"

#include <algorithm>
#include <unordered_map>

#include "ControlHooks.h"

namespace forms {

namespace {

// Our windows and their controls. A window property would serve as well,
// but reading one is a trip to the system on every message.
class TWindowControls {
public:
    void Bind(HWND wnd, TWinControl* control) {
        AcquireSRWLockExclusive(&lock_);
        controls_[wnd] = control;
        ReleaseSRWLockExclusive(&lock_);
    }
    void Unbind(HWND wnd) {
        AcquireSRWLockExclusive(&lock_);
        controls_.erase(wnd);
        ReleaseSRWLockExclusive(&lock_);
    }
    TWinControl* Find(HWND wnd) {
        AcquireSRWLockShared(&lock_);
        auto it = controls_.find(wnd);
        TWinControl* control = it == controls_.end() ? nullptr : it->second;
        ReleaseSRWLockShared(&lock_);
        return control;
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::unordered_map<HWND, TWinControl*> controls_;
};

TWindowControls& WindowControls() {
    static TWindowControls controls;
    return controls;
}

// While above zero, a window is being torn down by a destructor, and focus
// changes run no OnEnter or OnExit.
int quietFocusDepth = 0;
struct TQuietFocus {
    TQuietFocus() { ++quietFocusDepth; }
    ~TQuietFocus() { --quietFocusDepth; }
    TQuietFocus(const TQuietFocus&) = delete;
    TQuietFocus& operator=(const TQuietFocus&) = delete;
};

// Child window identifiers, so WM_MEASUREITEM (which names only an id) can
// find its control.
int NextChildId() {
    static int id = 1000;
    return ++id;
}

const char* OwnClassName(UINT classStyle) {
    static std::vector<std::pair<UINT, std::string>> registered;
    for (auto& [style, name] : registered)
        if (style == classStyle) return name.c_str();
    std::string name = "VarnoqWindow" + std::to_string(classStyle);
    WNDCLASSA wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = DefWindowProcA; // each window is bound to its control as it is made
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.lpszClassName = name.c_str();
    RegisterClassA(&wc);
    registered.emplace_back(classStyle, name);
    return registered.back().second.c_str();
}

} // namespace

// ------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) { windowed_ = true; }

TWinControl::~TWinControl() {
    // Destroying a focused window moves the focus: no OnExit or OnEnter runs
    // from here, of this control or of any other.
    TQuietFocus quiet;
    NotifyRemoval(); // while still a window with its children
    MarkDestroying();
    // Leave the parent while still a TWinControl: its bookkeeping calls our
    // virtual DestroyWnd, which ~TControl could no longer reach.
    if (parent_) parent_->RemoveControl(this);
    DestroyWnd();
    DestroyComponents();
    // Children owned elsewhere lose their parent; they are not ours to free.
    for (TControl* c : controls_) c->parent_ = nullptr;
    controls_.clear();
}

TWinControl* TWinControl::FromHandle(HWND wnd) {
    // Only this process's windows are bound: another program's window is
    // never found, whatever its handle.
    return wnd ? WindowControls().Find(wnd) : nullptr;
}

HWND TWinControl::Handle() {
    if (!handle_) CreateWnd();
    return handle_;
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(Handle(), msg, wParam, lParam);
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    params.ExStyle = 0; // the form walks its tab order itself (TForm::DialogKey)
    params.Caption = Caption();
}

namespace {

// The control whose window this thread is creating, and the creation hook
// that binds the window to it before its first message.
thread_local TWinControl* creatingControl = nullptr;
thread_local HHOOK creationHook = nullptr;
thread_local TWinControl::TPaintShownLater* paintShownLater = nullptr;

// All of a window just shown, left to the next paint.
void InvalidateShown(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

} // namespace

// Binds every window, our own classes and the system's alike, to its control
// when the system announces it, before WM_NCCREATE: from the first message on
// the control handles it (an owner-drawn list asks its parent for the row
// height while it is being made), and nothing is replayed after creation.
LRESULT CALLBACK TWinControl::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    // Only the window that carries the control in its creation data is ours:
    // the system may make windows of its own first (an input method's).
    if (code == HCBT_CREATEWND && creatingControl &&
        reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpCreateParams == creatingControl) {
        TWinControl* control = creatingControl;
        creatingControl = nullptr;
        HWND wnd = reinterpret_cast<HWND>(wParam);
        control->handle_ = wnd;
        WindowControls().Bind(wnd, control);
        control->defWndProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StaticWndProc)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TWinControl::CreateWnd() {
    // One creation hook serves a window and every window made with it:
    // installing one per window is a trip to the system each time.
    struct THookScope {
        bool installed = false;
        THookScope() {
            if (creationHook) return;
            creationHook = SetWindowsHookExA(WH_CBT, &TWinControl::CreationHook, nullptr, GetCurrentThreadId());
            installed = creationHook != nullptr;
        }
        ~THookScope() {
            if (!installed) return;
            UnhookWindowsHookEx(creationHook);
            creationHook = nullptr;
        }
    } hookScope;
    TCreateParams params;
    CreateParams(params);
    HWND parentWnd = parent_ ? parent_->Handle() : params.WndParent;
    if (handle_) return; // the parent's creation made ours already
    DWORD style = params.Style;
    // A container made inside a window already on screen (a page shown for
    // the first time) stays hidden while its children are made, and is then
    // shown once: each child made on screen would be painted on its own.
    const bool showWhenFilled = Visible() && (style & WS_CHILD) && IsWindowVisible(parentWnd) &&
                                std::any_of(controls_.begin(), controls_.end(),
                                            [](TControl* c) { return c->Visible() && c->IsWindowed(); });
    if (Visible() && !showWhenFilled) style |= WS_VISIBLE;
    if (!Enabled()) style |= WS_DISABLED;
    if (tabStop_) style |= WS_TABSTOP;
    bool own = params.WinClassName.empty();
    const char* cls = own ? OwnClassName(params.ClassStyle) : params.WinClassName.c_str();
    HMENU id = (style & WS_CHILD) ? reinterpret_cast<HMENU>(intptr_t(NextChildId())) : nullptr;
    windowSubclassed_ = !own;
    {
        // Restored however creation ends, also when a window made while
        // ours is being made (by its first messages) nests inside.
        struct TCreationScope {
            TWinControl* previous = creatingControl;
            explicit TCreationScope(TWinControl* control) { creatingControl = control; }
            ~TCreationScope() { creatingControl = previous; }
        } scope(this);
        HWND wnd = CreateWindowExA(params.ExStyle, cls, params.Caption.c_str(), style, left_, top_, width_,
                                   params.Height >= 0 ? params.Height : height_,
                                   parentWnd, id, GetModuleHandleA(nullptr), this);
        if (!wnd || handle_ != wnd) { // not made, or not bound: no window of ours
            if (wnd) DestroyWindow(wnd);
            throw Exception("Cannot create window of class " + ClassName());
        }
    }
    if (parent_) parent_->PlaceInTabOrder(this);
    UpdateFontHandle(false);
    InitializeWnd();
    AlignControls(); // system containers saw no WM_SIZE of ours while being made
    // Windowed children follow in tab order. One that waits while hidden (a
    // page not shown yet, with all it holds) gets its window when it is
    // first shown: its state is kept in the controls until then.
    for (TWinControl* c : TabOrderedChildren())
        if (c->Visible() || !c->WindowWaitsWhileHidden()) c->Handle();
    if (showWhenFilled) ShowHandle();
}

void TWinControl::ShowHandle() {
    // Shown without the system erasing the window and each of its children
    // at once, a round trip each: all of it is left waiting, and the next
    // paint paints and erases it together.
    SendMessageA(handle_, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOREDRAW);
    if (paintShownLater) paintShownLater->shown_.push_back(handle_);
    else InvalidateShown(handle_);
}

TWinControl::TPaintShownLater::TPaintShownLater() : outer_(paintShownLater) { paintShownLater = this; }

TWinControl::TPaintShownLater::~TPaintShownLater() {
    paintShownLater = outer_;
    for (HWND window : shown_)
        if (IsWindowVisible(window)) InvalidateShown(window);
}

void TWinControl::PlaceInTabOrder(TWinControl* child) {
    // The system's z-order of siblings (which screen readers walk) must agree
    // with the order Tab walks, also for a window made after its siblings.
    const std::vector<TWinControl*> order = TabOrderedChildren();
    const auto at = std::find(order.begin(), order.end(), child);
    // A new child window goes below its siblings: one that comes last in
    // the order is in its place, and asking the system costs a round trip.
    if (at == order.end() || std::none_of(at + 1, order.end(), [](TWinControl* c) { return c->handle_; })) return;
    HWND after = HWND_TOP;
    for (auto it = order.begin(); it != at; ++it)
        if ((*it)->handle_) after = (*it)->handle_;
    if (GetWindow(child->handle_, GW_HWNDPREV) != (after == HWND_TOP ? nullptr : after))
        SetWindowPos(child->handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void TWinControl::DestroyWnd() {
    if (handle_) DestroyWindow(handle_); // WM_NCDESTROY clears handle_ of us and every child
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = FromHandle(wnd);
    if (!control) return DefWindowProcA(wnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        WNDPROC def = control->defWndProc_;
        WindowControls().Unbind(wnd);
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(def));
        control->handle_ = nullptr;
        if (control->captureControl_) control->captureControl_ = nullptr;
        return CallWindowProcA(def, wnd, msg, wParam, lParam);
    }
    // No exception may cross the system's frames: the application shows it
    // and the message loop goes on.
    try {
        return control->WndProc(msg, wParam, lParam);
    } catch (...) {
        if (ControlHooks().HandleException) ControlHooks().HandleException();
        return 0;
    }
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(defWndProc_ ? defWndProc_ : DefWindowProcA, handle_, msg, wParam, lParam);
}

bool TWinControl::NotifyReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        if (PaintsOwnBackground()) {
            PaintOwnWindow();
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        if (PaintsOwnBackground()) return 1; // painting covers everything, off-screen
        break;
    case WM_NCPAINT: {
        // A window without frame, caption or scroll bars has nothing outside
        // its client area; the system would fetch a DC of the whole window
        // to draw nothing (under Wine, three round trips to the display
        // settings).
        RECT window{}, client{};
        GetWindowRect(handle_, &window);
        GetClientRect(handle_, &client);
        if (client.right == window.right - window.left && client.bottom == window.bottom - window.top) return 0;
        break;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        if (RouteMouse(msg, wParam, lParam)) return 0;
        break;
    case WM_SETFOCUS:
        if (OnEnter && quietFocusDepth == 0) OnEnter(this);
        break;
    case WM_KILLFOCUS:
        if (OnExit && quietFocusDepth == 0) OnExit(this);
        break;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != handle_) captureControl_ = nullptr;
        break;
    case WM_MOUSELEAVE:
        trackingLeave_ = false;
        UpdateMouseControl(nullptr);
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == handle_ && HandleSetCursor(wParam, lParam)) return TRUE;
        break;
    case WM_COMMAND:
        if (lParam) {
            LRESULT result = 0;
            TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
            if (child && child->NotifyReflected(msg, wParam, lParam, result)) return result;
        }
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        TWinControl* child = FromHandle(reinterpret_cast<NMHDR*>(lParam)->hwndFrom);
        if (child && child->NotifyReflected(msg, wParam, lParam, result)) return result;
        break;
    }
    case WM_DRAWITEM: {
        LRESULT result = 0;
        TWinControl* child = FromHandle(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem);
        if (child && child->NotifyReflected(msg, wParam, lParam, result)) return TRUE;
        break;
    }
    case WM_MEASUREITEM: {
        LRESULT result = 0;
        TWinControl* child = FromHandle(GetDlgItem(handle_, int(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlID)));
        if (child && child->NotifyReflected(msg, wParam, lParam, result)) return TRUE;
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        LRESULT result = 0;
        TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
        if (child && child->NotifyReflected(msg, wParam, lParam, result)) return result;
        break;
    }
    case WM_SIZE:
        if (!windowSubclassed_) {
            RECT r;
            GetWindowRect(handle_, &r);
            if (r.right - r.left != width_ || r.bottom - r.top != height_) {
                width_ = r.right - r.left;
                height_ = r.bottom - r.top;
            }
            AlignControls();
        }
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (control->parentFont_) control->ParentFontChanged();
    if (control->parentColor_) control->ParentColorChanged();
    if (control->windowed_) {
        auto* wc = static_cast<TWinControl*>(control);
        if (wc->handle_) wc->DestroyWnd();
        if (handle_) wc->Handle();
    } else {
        control->Invalidate();
    }
    control->RequestAlign();
}

void TWinControl::RemoveControl(TControl* control) {
    if (captureControl_ == control) {
        captureControl_ = nullptr;
        if (handle_ && GetCapture() == handle_) ReleaseCapture();
    }
    if (mouseControl_ == control) mouseControl_ = nullptr;
    if (!control->windowed_) control->Invalidate();
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
    if (control->windowed_ && !Destroying()) static_cast<TWinControl*>(control)->DestroyWnd();
}

} // namespace forms

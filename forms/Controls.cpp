#include "Controls.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <functional>

#include "ControlHooks.h"

namespace forms {

namespace {

const char kControlProp[] = "VarnoqControl";

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

TControlHooks& ControlHooks() {
    static TControlHooks hooks;
    return hooks;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = [this](TFont*) {
        if (!followingParentFont_) parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    NotifyRemoval();
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) return;
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    if (!windowed_ && parent_ && visible_) Invalidate();
    left_ = left, top_ = top, width_ = width, height_ = height;
    if (!windowed_ && parent_ && visible_) Invalidate();
    BoundsChanged();
    RequestAlign();
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (!parent_ || Loading()) return;
    if (align_ != alNone) parent_->AlignControls();
    parent_->ControlChanged(this);
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (!visible && parent_) Invalidate();
    visible_ = visible;
    if (visible && parent_) Invalidate();
    RequestAlign();
}

bool TControl::Showing() const {
    if (!visible_) return false;
    if (parent_) return parent_->Showing();
    if (windowed_) {
        auto* self = static_cast<const TWinControl*>(this);
        return self->HandleAllocated() && IsWindowVisible(self->handle_);
    }
    return false;
}

bool TControl::Reachable() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_ || !c->enabled_) return false;
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    EnabledChanged();
}

void TControl::EnabledChanged() { Invalidate(); }

void TControl::SetColor(TColor color) {
    if (color == color_ && !parentColor_) return;
    color_ = color;
    parentColor_ = false;
    Invalidate();
    if (windowed_)
        for (TControl* c : static_cast<TWinControl*>(this)->controls_) c->ParentColorChanged();
}

void TControl::SetParentColor(bool value) {
    parentColor_ = value;
    if (value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!parentColor_ || !parent_) return;
    SetColor(parent_->Color());
    parentColor_ = true;
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    followingParentFont_ = true;
    font_->Assign(&parent_->Font());
    followingParentFont_ = false;
}

void TControl::FontChanged() { Invalidate(); }

void TControl::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    Invalidate();
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    // Show the new cursor at once when the pointer rests on this control.
    POINT p;
    if (!Loading() && GetCursorPos(&p) && FindControlAtScreenPoint(p) == this) ::SetCursor(ScreenCursor(cursor_));
}

POINT TControl::OriginInWindow() const {
    if (windowed_) return {0, 0};
    POINT p{left_, top_};
    return p;
}

POINT TControl::ClientToScreen(POINT p) const {
    const TControl* c = this;
    if (!windowed_) {
        p.x += left_, p.y += top_;
        c = parent_;
    }
    if (!c) return p;
    auto* wc = const_cast<TWinControl*>(static_cast<const TWinControl*>(c));
    ::ClientToScreen(wc->Handle(), &p);
    return p;
}

POINT TControl::ScreenToClient(POINT p) const {
    const TControl* c = windowed_ ? this : parent_;
    if (!c) return p;
    auto* wc = const_cast<TWinControl*>(static_cast<const TWinControl*>(c));
    ::ScreenToClient(wc->Handle(), &p);
    if (!windowed_) p.x -= left_, p.y -= top_;
    return p;
}

void TControl::Invalidate() {
    if (windowed_ || !parent_ || !parent_->HandleAllocated()) return;
    RECT r = BoundsRect();
    InvalidateRect(parent_->handle_, &r, FALSE);
}

void TControl::Update() {
    const TControl* c = windowed_ ? this : parent_;
    if (c && static_cast<const TWinControl*>(c)->HandleAllocated())
        UpdateWindow(static_cast<const TWinControl*>(c)->handle_);
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    if (windowed_ && static_cast<TWinControl*>(this)->HandleAllocated())
        SetWindowPos(static_cast<TWinControl*>(this)->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Invalidate();
}

bool TControl::HitTest(int, int) { return true; }

bool TControl::HintShow(std::string& text) {
    text = hint_;
    return true;
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    // A click needs the press and the release on the control.
    if (button == mbLeft && clicked_) {
        clicked_ = false;
        if (x >= 0 && y >= 0 && x < width_ && y < height_) Click();
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parentFont_) ParentFontChanged();
    if (parentColor_) ParentColorChanged();
    RequestAlign();
    // Children aligned while this control was still loading wait for it.
    if (windowed_) static_cast<TWinControl*>(this)->AlignControls();
}

// --------------------------------------------------------- TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(HDC dc) {
    TCanvasBinding binding(*canvas_, dc, &Font());
    Paint();
}

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
    if (!wnd) return nullptr;
    // Window properties are visible across processes: another program built
    // on this library has the same property, with a pointer into its memory.
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    return static_cast<TWinControl*>(GetPropA(wnd, kControlProp));
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
        SetPropA(wnd, kControlProp, control);
        control->defWndProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StaticWndProc)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    HWND parentWnd = parent_ ? parent_->Handle() : params.WndParent;
    if (handle_) return; // the parent's creation made ours already
    DWORD style = params.Style;
    if (Visible()) style |= WS_VISIBLE;
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
            HHOOK hook;
            explicit TCreationScope(TWinControl* control)
                : hook(SetWindowsHookExA(WH_CBT, &TWinControl::CreationHook, nullptr, GetCurrentThreadId())) {
                creatingControl = control;
            }
            ~TCreationScope() {
                creatingControl = previous;
                if (hook) UnhookWindowsHookEx(hook);
            }
        } scope(this);
        HWND wnd = CreateWindowExA(params.ExStyle, cls, params.Caption.c_str(), style, left_, top_, width_, height_,
                                   parentWnd, id, GetModuleHandleA(nullptr), this);
        if (!wnd || handle_ != wnd) { // not made, or not bound: no window of ours
            if (wnd) DestroyWindow(wnd);
            throw Exception("Cannot create window of class " + ClassName());
        }
    }
    if (parent_) parent_->PlaceInTabOrder(this);
    UpdateFontHandle();
    InitializeWnd();
    AlignControls(); // system containers saw no WM_SIZE of ours while being made
    // Windowed children follow in tab order. One that waits while hidden (a
    // page not shown yet, with all it holds) gets its window when it is
    // first shown: its state is kept in the controls until then.
    for (TWinControl* c : TabOrderedChildren())
        if (c->Visible() || !c->WindowWaitsWhileHidden()) c->Handle();
}

void TWinControl::PlaceInTabOrder(TWinControl* child) {
    // The system's z-order of siblings (which screen readers walk) must agree
    // with the order Tab walks, also for a window made after its siblings.
    HWND after = HWND_TOP;
    for (TWinControl* c : TabOrderedChildren()) {
        if (c == child) break;
        if (c->handle_) after = c->handle_;
    }
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
        RemovePropA(wnd, kControlProp);
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

void TWinControl::SetBounds(int left, int top, int width, int height) {
    bool sizeChanged = width != width_ || height != height_;
    TControl::SetBounds(left, top, width, height);
    if (handle_) SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    if (sizeChanged) AlignControls();
}

void TWinControl::SetVisible(bool visible) {
    if (visible == Visible()) return;
    TControl::SetVisible(visible);
    if (handle_) ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
    else if (visible && parent_ && parent_->HandleAllocated()) Handle();
}

void TWinControl::SetEnabled(bool enabled) {
    if (enabled == Enabled()) return;
    TControl::SetEnabled(enabled);
    if (handle_) EnableWindow(handle_, enabled);
}

void TWinControl::SetCaption(const std::string& caption) {
    if (caption == Caption()) return;
    TControl::SetCaption(caption);
    if (handle_) SetWindowTextA(handle_, caption.c_str());
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, FALSE);
}

RECT TWinControl::ClientRect() const {
    RECT r{0, 0, width_, height_};
    if (handle_) GetClientRect(handle_, &r);
    return r;
}

void TWinControl::AlignControls() {
    if (aligning_ || Loading()) return;
    aligning_ = true;
    RECT r = ClientRect();
    AdjustClientRect(r);
    std::vector<TControl*> tops, clients;
    for (TControl* c : controls_) {
        if (!c->visible_) continue;
        if (c->align_ == alTop) tops.push_back(c);
        else if (c->align_ == alClient) clients.push_back(c);
    }
    std::stable_sort(tops.begin(), tops.end(), [](TControl* a, TControl* b) { return a->top_ < b->top_; });
    for (TControl* c : tops) {
        c->SetBounds(r.left, r.top, r.right - r.left, c->height_);
        r.top += c->height_;
    }
    for (TControl* c : clients) c->SetBounds(r.left, r.top, r.right - r.left, std::max<LONG>(r.bottom - r.top, 0));
    aligning_ = false;
}

void TWinControl::SetTabOrder(int order) { tabOrder_ = order; }

void TWinControl::SetTabStop(bool value) {
    if (value == tabStop_) return;
    tabStop_ = value;
    if (handle_) {
        LONG style = GetWindowLongA(handle_, GWL_STYLE);
        SetWindowLongA(handle_, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const { return Reachable(); }

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

bool TWinControl::TabStopNow() const { return tabStop_ && handle_ && CanFocus(); }

std::vector<TWinControl*> TWinControl::TabOrderedChildren() const {
    std::vector<TWinControl*> children;
    for (TControl* c : controls_)
        if (c->windowed_) children.push_back(static_cast<TWinControl*>(c));
    std::stable_sort(children.begin(), children.end(), [](TWinControl* a, TWinControl* b) {
        return (a->tabOrder_ < 0 ? INT32_MAX : a->tabOrder_) < (b->tabOrder_ < 0 ? INT32_MAX : b->tabOrder_);
    });
    return children;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : TabOrderedChildren()) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    int n = int(list.size());
    if (n == 0) return nullptr;
    int at = int(std::find(list.begin(), list.end(), current) - list.begin());
    if (at == n) at = forward ? -1 : n; // not inside: start before the first or after the last
    for (int step = 1; step <= n; ++step) {
        TWinControl* c = list[size_t(((forward ? at + step : at - step) % n + n) % n)];
        if (c->TabStopNow()) return c;
    }
    return nullptr;
}

TWinControl* TWinControl::FirstTabStop() { return TabStopNow() ? this : FindNextControl(nullptr, true); }

void TWinControl::UpdateFontHandle() {
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
}

void TWinControl::FontChanged() {
    UpdateFontHandle();
    Invalidate();
    for (TControl* c : controls_) c->ParentFontChanged();
}

void TWinControl::ParentFontChanged() { TControl::ParentFontChanged(); }

void TWinControl::ParentColorChanged() { TControl::ParentColorChanged(); }

// ---------------------------------------------------------- TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(TCanvas& canvas) {
    TCanvasBinding binding(*canvas_, canvas.Handle(), &Font());
    Paint();
}

// ------------------------------------------------------------------ lookups

char AccelChar(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return char(std::tolower((unsigned char)caption[i + 1]));
        ++i; // "&&" is a plain '&'
    }
    return 0;
}

std::string StripAccel(const std::string& caption) {
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i; // the next one is shown
        text += caption[i];
    }
    return text;
}

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

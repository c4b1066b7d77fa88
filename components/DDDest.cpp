#include "DDDest.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "forms/ControlHooks.h"
#include "forms/Layouts.h"

namespace components {

using namespace forms;

namespace {

// What stays of a hook whose component is gone while another procedure,
// installed after it, still calls it: the entry passes every message on to
// the procedure the hook replaced, until the window's last message.
struct TPassThrough {
    HWND Wnd;
    WNDPROC Old;
    std::unique_ptr<TWndProcThunk> Entry;
};

LRESULT CALLBACK PassThroughEntry(HWND data, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* pass = reinterpret_cast<TPassThrough*>(data);
    LRESULT result = CallWindowProcA(pass->Old, pass->Wnd, msg, wParam, lParam);
    // Nothing calls the entry after this message; it was reached by a jump,
    // so freeing it here is safe.
    if (msg == WM_NCDESTROY) delete pass;
    return result;
}

// Gives the drop data back to the system however the handlers end.
class TDropRelease {
public:
    explicit TDropRelease(HDROP drop) : drop_(drop) {}
    ~TDropRelease() { Release(); }
    TDropRelease(const TDropRelease&) = delete;
    TDropRelease& operator=(const TDropRelease&) = delete;
    void Release() {
        if (drop_) DragFinish(drop_);
        drop_ = nullptr;
    }

private:
    HDROP drop_;
};

TForm* OwnerForm(TComponent* owner) {
    auto* form = dynamic_cast<TForm*>(owner);
    if (!form) throw EInvalidCast();
    return form;
}

} // namespace

std::string DroppedFileName(HDROP drop, UINT index) {
    // Asked for its length first: a name cut to a fixed buffer would name
    // another file.
    UINT length = DragQueryFileA(drop, index, nullptr, 0);
    std::string name(size_t(length) + 1, '\0');
    UINT copied = DragQueryFileA(drop, index, name.data(), length + 1);
    name.resize(std::min<size_t>(copied, length));
    name.resize(std::strlen(name.c_str()));
    return name;
}

// ------------------------------------------------------------- TDnDForm

TDnDForm::TDnDForm(TComponent* owner)
    : TComponent(owner), targetHandle_(OwnerForm(owner)->Handle()),
      hookInstance_(std::make_unique<TWndProcThunk>(&TDnDForm::HookEntry, this)) {}

TDnDForm::~TDnDForm() { Unhook(); }

void TDnDForm::Loaded() {
    TComponent::Loaded();
    if (hooked_ || !PrepareTarget() || !IsWindow(targetHandle_)) return;
    oldWindowProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(targetHandle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hookInstance_->Proc())));
    hooked_ = true;
    DragAcceptFiles(targetHandle_, TRUE);
}

void TDnDForm::Unhook() {
    if (!hooked_) return;
    hooked_ = false;
    if (!IsWindow(targetHandle_)) return;
    if (GetWindowLongPtrA(targetHandle_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(hookInstance_->Proc())) {
        SetWindowLongPtrA(targetHandle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldWindowProc_));
        return;
    }
    // Someone hooked the window after us and calls our entry as their old
    // procedure: putting ours back would cut theirs out, and freeing the
    // entry would leave them calling freed code. The entry lives on as a
    // plain pass-through until the window goes.
    auto* pass = new TPassThrough{targetHandle_, oldWindowProc_, std::move(hookInstance_)};
    pass->Entry->Bind(&PassThroughEntry, pass);
}

LRESULT CALLBACK TDnDForm::HookEntry(HWND self, UINT msg, WPARAM wParam, LPARAM lParam) {
    return reinterpret_cast<TDnDForm*>(self)->HookWndProc(msg, wParam, lParam);
}

LRESULT TDnDForm::HookWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DROPFILES:
        // No exception may cross the system's frames: the application shows it.
        try {
            DropFiles(reinterpret_cast<HDROP>(wParam));
        } catch (...) {
            if (ControlHooks().HandleException) ControlHooks().HandleException();
        }
        return 0;
    case WM_DESTROY:
        DragAcceptFiles(targetHandle_, FALSE);
        break;
    case WM_NCDESTROY: {
        // The window's last message: afterwards there is nothing to restore.
        LRESULT result = CallWindowProcA(oldWindowProc_, targetHandle_, msg, wParam, lParam);
        hooked_ = false;
        return result;
    }
    default:
        break;
    }
    return CallWindowProcA(oldWindowProc_, targetHandle_, msg, wParam, lParam);
}

void TDnDForm::DropFiles(HDROP drop) {
    TDropRelease release(drop);
    POINT point{};
    DragQueryPoint(drop, &point); // whether it lies in the client area does not matter
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (OnDnDStart) OnDnDStart(this, int32_t(count), point.x, point.y);
    if (OnDnDItem)
        for (UINT i = 0; i < count; ++i) OnDnDItem(this, DroppedFileName(drop, i));
    release.Release();
    if (OnDnDFinish) OnDnDFinish(this);
}

// ---------------------------------------------------------- TDnDControl

TDnDControl::TDnDControl(TComponent* owner) : TDnDForm(owner) {}

void TDnDControl::SetControl(TWinControl* control) {
    if (control == control_) return;
    if (control_) {
        RemoveFreeNotification(control_);
        control_->RemoveFreeNotification(this);
    }
    control_ = control;
    if (control_) FreeNotification(control_);
}

bool TDnDControl::PrepareTarget() {
    if (!control_) return false;
    SetTargetHandle(control_->Handle());
    return true;
}

void TDnDControl::Notification(TComponent* component, TOperation operation) {
    TDnDForm::Notification(component, operation);
    if (operation == opRemove && component != nullptr && component == control_) control_ = nullptr;
}

// ------------------------------------------------------------ layouts

void RegisterDDDest() {
    RegisterClassOf<TDnDForm>("TDnDForm", "TComponent");
    RegisterProp<TDnDForm>("TDnDForm", "OnDnDFinish", [](TDnDForm& c, auto& p, auto& ctx) {
        c.OnDnDFinish = NotifyHandler(p, ctx);
    });
    RegisterProp<TDnDForm>("TDnDForm", "OnDnDStart", [](TDnDForm& c, auto& p, auto& ctx) {
        c.OnDnDStart = EventHandler<TDnDStartEvent>(p, ctx);
    });
    RegisterProp<TDnDForm>("TDnDForm", "OnDnDItem", [](TDnDForm& c, auto& p, auto& ctx) {
        c.OnDnDItem = EventHandler<TDnDItemEvent>(p, ctx);
    });
    RegisterClassOf<TDnDControl>("TDnDControl", "TDnDForm");
    RegisterProp<TDnDControl>("TDnDControl", "Control", [](TDnDControl& c, auto& p, TLayoutContext& ctx) {
        // The control may come later in the layout than the drop target.
        ctx.Fixups.push_back([&c, p, &ctx] {
            auto* control = dynamic_cast<TWinControl*>(ctx.Component(AsIdentifier(p), p));
            if (!control) BadLayoutValue(p);
            c.SetControl(control);
        });
    });
}

} // namespace components

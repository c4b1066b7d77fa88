#include "DDDest.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "forms/CodePage.h"
#include "forms/Layouts.h"
#include "forms/SystemLibrary.h"

namespace components {

using namespace forms;

namespace {

// Gives the drop data back to the system however the handlers end.
class TDropRelease {
public:
    explicit TDropRelease(HDROP drop) : drop_(drop) {}
    ~TDropRelease() { Release(); }
    TDropRelease(const TDropRelease&) = delete;
    TDropRelease& operator=(const TDropRelease&) = delete;
    void Release() {
        if (drop_) SYSTEM_FUNCTION("shell32.dll", DragFinish)(drop_);
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

// A drop handle comes only from the shell's library, which is loaded by then:
// its functions are there.
std::wstring DroppedUnicodeFileName(HDROP drop, UINT index) {
    // Asked for its length first: a name cut to a fixed buffer would name
    // another file.
    auto dragQueryFile = SYSTEM_FUNCTION("shell32.dll", DragQueryFileW);
    UINT length = dragQueryFile(drop, index, nullptr, 0);
    std::wstring name(size_t(length) + 1, L'\0');
    UINT copied = dragQueryFile(drop, index, name.data(), length + 1);
    name.resize(std::min<size_t>(copied, length));
    name.resize(wcslen(name.c_str()));
    return name;
}

std::string DroppedFileName(HDROP drop, UINT index) { return WideToAnsi(DroppedUnicodeFileName(drop, index)); }

// ------------------------------------------------------------- TDnDForm

TDnDForm::TDnDForm(TComponent* owner) : TComponent(owner), targetHandle_(OwnerForm(owner)->Handle()) {}

void TDnDForm::Loaded() {
    TComponent::Loaded();
    if (hook_.Hooked() || !PrepareTarget()) return;
    hook_.Hook(targetHandle_, [this](UINT msg, WPARAM wParam, LPARAM lParam) { return HookWndProc(msg, wParam, lParam); },
               true);
}

LRESULT TDnDForm::HookWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DROPFILES) {
        DropFiles(reinterpret_cast<HDROP>(wParam));
        return 0; // this component may be gone by now
    }
    return hook_.CallOld(msg, wParam, lParam);
}

void TDnDForm::DropFiles(HDROP drop) {
    TDropRelease release(drop);
    // A handler may destroy this component (or its form): the drop then
    // ends at once. Each handler runs from a copy, which outlives it.
    const TLifeToken::TWatch self = LifeWatch();
    POINT point{};
    SYSTEM_FUNCTION("shell32.dll", DragQueryPoint)(drop, &point); // inside the client area or not
    UINT count = SYSTEM_FUNCTION("shell32.dll", DragQueryFileA)(drop, 0xFFFFFFFF, nullptr, 0);
    if (TDnDStartEvent start = OnDnDStart) {
        start(this, int32_t(count), point.x, point.y);
        if (!self.Alive()) return;
    }
    for (UINT i = 0; i < count && OnDnDItem; ++i) {
        TDnDItemEvent item = OnDnDItem;
        unicodeItem_ = DroppedUnicodeFileName(drop, i);
        item(this, WideToAnsi(unicodeItem_));
        if (!self.Alive()) return;
    }
    release.Release();
    if (TNotifyEvent finish = OnDnDFinish) finish(this);
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

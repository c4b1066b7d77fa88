// Drop targets for files dragged from the desktop or a file manager.
// TDnDForm makes the window of the form that owns it accept dropped files;
// TDnDControl makes one control of that form the target instead. Each drop
// is reported as a start (count and drop point), one event per file name in
// the order of the drop, and a finish.
//
// They work by putting their own window procedure in front of the target
// window's (the library's window hook): it handles WM_DROPFILES and hands
// every other message on to the procedure that was there before. The hook
// goes in at Loaded, so a component made in code rather than from a layout
// stays inert until Loaded is called for it. A handler may destroy the
// component: the drop then ends there, with no further event.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "forms/Controls.h"
#include "forms/Forms.h"
#include "forms/WindowHook.h"

namespace components {

// Raised when a drop target's owner is not a form.
class EInvalidCast : public forms::Exception {
public:
    EInvalidCast() : forms::Exception("Invalid class typecast") {}
};

// Count: the number of files dropped; X, Y: the drop point in client
// coordinates of the target window.
using TDnDStartEvent = std::function<void(forms::TObject* Sender, int32_t Count, int32_t X, int32_t Y)>;
// Item: the full path of one dropped file or folder.
using TDnDItemEvent = std::function<void(forms::TObject* Sender, const std::string& Item)>;

class TDnDForm : public forms::TComponent {
public:
    // owner must be a form; its window is made now if it does not exist yet.
    explicit TDnDForm(forms::TComponent* owner);
    std::string ClassName() const override { return "TDnDForm"; }

    HWND TargetHandle() const { return targetHandle_; }
    // The target's procedure before the hook; every message not handled here goes to it.
    WNDPROC OldWindowProc() const { return hook_.OldProc(); }
    // The window procedure entry bound to this component.
    WNDPROC HookInstance() const { return hook_.Proc(); }
    // The hook is in and the target window has not been destroyed.
    bool Hooked() const { return hook_.Hooked(); }

    // Installs the hook on the target window and registers it as a drop target.
    void Loaded() override;

    // While OnDnDItem runs: the item as the system gave it. Item itself is
    // in the code page, which may have changed a character it lacks.
    const std::wstring& UnicodeItem() const { return unicodeItem_; }

    TDnDStartEvent OnDnDStart;
    TDnDItemEvent OnDnDItem;
    forms::TNotifyEvent OnDnDFinish;

protected:
    // Every message that reaches the target window while the hook is in.
    virtual LRESULT HookWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called by Loaded before hooking: false leaves the component unhooked.
    virtual bool PrepareTarget() { return true; }
    void SetTargetHandle(HWND wnd) { targetHandle_ = wnd; }

private:
    void DropFiles(HDROP drop);

    HWND targetHandle_ = nullptr;
    forms::TWindowHook hook_;
    std::wstring unicodeItem_;
};

class TDnDControl : public TDnDForm {
public:
    explicit TDnDControl(forms::TComponent* owner);
    std::string ClassName() const override { return "TDnDControl"; }

    // The windowed control of the same form whose window is the drop
    // target. Cleared when that control is destroyed.
    forms::TWinControl* Control() const { return control_; }
    void SetControl(forms::TWinControl* control);

protected:
    // Targets the control's window; without a control nothing is hooked.
    bool PrepareTarget() override;
    void Notification(forms::TComponent* component, forms::TOperation operation) override;

private:
    forms::TWinControl* control_ = nullptr;
};

// Reads name `index` of a drop whole, however long it is, as the system
// gives it; DroppedFileName gives it in the code page.
std::wstring DroppedUnicodeFileName(HDROP drop, UINT index);
std::string DroppedFileName(HDROP drop, UINT index);

// Makes TDnDForm and TDnDControl known to layouts.
void RegisterDDDest();

} // namespace components

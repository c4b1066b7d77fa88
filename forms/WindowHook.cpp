#include "WindowHook.h"

#include <shellapi.h>

#include "ControlHooks.h"
#include "SystemLibrary.h"
#include "WndProcThunk.h"

namespace forms {

namespace {

void AcceptFiles(HWND wnd, BOOL accept) {
    if (auto dragAcceptFiles = SYSTEM_FUNCTION("shell32.dll", DragAcceptFiles)) dragAcceptFiles(wnd, accept);
}

// What stays of a hook that is gone while another procedure, hooked in
// after it, still calls it: the entry passes every message on to the
// procedure the hook replaced, until the window's last message.
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

} // namespace

TWindowHook::TWindowHook() = default;

TWindowHook::~TWindowHook() {
    life_.End();
    Unhook();
}

WNDPROC TWindowHook::Proc() const { return entry_ ? entry_->Proc() : nullptr; }

void TWindowHook::Hook(HWND wnd, THandler handler, bool acceptFiles) {
    if (hooked_ || !IsWindow(wnd)) return;
    if (!entry_) entry_ = std::make_unique<TWndProcThunk>(&TWindowHook::Entry, this);
    handler_ = std::move(handler);
    wnd_ = wnd;
    hooked_ = true;
    oldProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry_->Proc())));
    acceptFiles_ = acceptFiles;
    if (acceptFiles_) AcceptFiles(wnd, TRUE);
}

void TWindowHook::Unhook() {
    if (!hooked_) return;
    hooked_ = false;
    HWND wnd = wnd_;
    if (!IsWindow(wnd)) return;
    if (GetWindowLongPtrA(wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(entry_->Proc())) {
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
    } else {
        // Someone hooked the window after us and calls our entry as their
        // old procedure: putting ours back would cut theirs out, and freeing
        // the entry would leave them calling freed code. The entry lives on
        // as a plain pass-through until the window goes.
        auto* pass = new TPassThrough{wnd, oldProc_, std::move(entry_)};
        pass->Entry->Bind(&PassThroughEntry, pass);
    }
    // Last, as the style change sends messages, which no longer reach the handler.
    if (acceptFiles_) AcceptFiles(wnd, FALSE);
}

LRESULT TWindowHook::CallOld(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(oldProc_, wnd_, msg, wParam, lParam);
}

LRESULT CALLBACK TWindowHook::Entry(HWND self, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* hook = reinterpret_cast<TWindowHook*>(self);
    HWND wnd = hook->wnd_;
    if (msg == WM_DESTROY && hook->acceptFiles_) AcceptFiles(wnd, FALSE); // before the window's own code sees it
    // A handler may destroy the hook (its component) on its way: from then
    // on nothing here touches it. The handler runs from a copy for the same
    // reason.
    const TLifeToken::TWatch alive = hook->life_.Watch();
    THandler handler = hook->handler_;
    LRESULT result = 0;
    try {
        result = handler ? handler(msg, wParam, lParam) : CallWindowProcA(hook->oldProc_, wnd, msg, wParam, lParam);
    } catch (...) {
        // No exception may cross the system's frames: the application shows it.
        if (ControlHooks().HandleException) ControlHooks().HandleException();
    }
    if (!alive.Alive()) return result;
    // The window's last message: afterwards there is nothing to restore.
    if (msg == WM_NCDESTROY) hook->hooked_ = false;
    return result;
}

} // namespace forms

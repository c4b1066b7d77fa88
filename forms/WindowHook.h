// A procedure of ours put in front of a window whose procedure belongs to
// other code (a form's window seen from a component), for as long as the
// hook object lives. Unhooking gives the window back as it was: the old
// procedure returns, or, when another procedure was hooked in above ours in
// the meantime, our entry stays behind as a plain pass-through; drop
// acceptance the hook switched on is switched off again.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "Components.h"

namespace forms {

class TWndProcThunk;

class TWindowHook {
public:
    // Sees every message of the hooked window; CallOld hands one on.
    using THandler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

    TWindowHook();
    ~TWindowHook();
    TWindowHook(const TWindowHook&) = delete;
    TWindowHook& operator=(const TWindowHook&) = delete;

    // Hooks wnd; a hook that is in stays where it is. acceptFiles makes the
    // window accept dropped files while hooked (until WM_DESTROY at the latest).
    void Hook(HWND wnd, THandler handler, bool acceptFiles);
    void Unhook();

    // Hooked and the window has not had its last message.
    bool Hooked() const { return hooked_; }
    // The window hooked last; CallOld still reaches its old procedure
    // while a message that unhooked goes on.
    HWND Window() const { return wnd_; }
    // The procedure the hook replaced.
    WNDPROC OldProc() const { return oldProc_; }
    // The hook's own entry, as the window knows it.
    WNDPROC Proc() const;
    LRESULT CallOld(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Entry(HWND self, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND wnd_ = nullptr;
    bool hooked_ = false;
    WNDPROC oldProc_ = nullptr;
    std::unique_ptr<TWndProcThunk> entry_;
    THandler handler_;
    bool acceptFiles_ = false;
    // Ends when the hook goes, even while one of its messages is handled.
    TLifeToken life_;
};

} // namespace forms

// Hooks through which the application layer hears what happens in controls,
// without the controls knowing the application.
#pragma once
#include <windows.h>

#include <functional>

namespace forms {

class TControl;

struct TControlHooks {
    // Called inside a catch block when a handler let an exception escape.
    std::function<void()> HandleException;
    // The control under the mouse in one window changed from old to now
    // (now null: the mouse left that window).
    std::function<void(TControl* old, TControl* now)> MouseControlChanged;
    // A mouse message arrived (hints hide on presses).
    std::function<void(UINT msg)> MouseActivity;
};

TControlHooks& ControlHooks();

} // namespace forms

// The checks between launch and the first window: no service, or a settings
// window already open, end the program before anything is shown.
#pragma once
#include <cstdint>
#include <functional>

#include "SharedSettingsBlock.h"

// The program's exit codes.
constexpr int ExitOk = 0;
constexpr int ExitNotStarted = 1;        // no service, or a settings window already open
constexpr int ExitMainWindowFailed = 2;  // the main window could not be created (shown to the user)

struct TStartupActions {
    std::function<void(uint32_t window)> BringToFront; // the other settings window
    std::function<void()> LoadLanguage;
    std::function<int()> RunMainWindow; // creates the window, runs the loop, returns the exit code
};

// Runs the start-up steps in order and returns the process exit code:
// ExitNotStarted for a missing service (also a missing block) or an open
// settings window, otherwise what the main window's run gives.
int RunStartup(const TSharedSettingsBlock* block, const TStartupActions& actions);

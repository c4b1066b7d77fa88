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
    // True when no other start against the same block is under way or open;
    // the claim is held until the process ends.
    std::function<bool()> ClaimInstance;
    // The other start's settings window, waited for a moment while that
    // start is still making it.
    std::function<uint32_t()> AwaitOtherWindow;
    std::function<void(uint32_t window)> BringToFront; // the other settings window
    std::function<void()> LoadLanguage;
    std::function<int()> RunMainWindow; // creates the window, runs the loop, returns the exit code
};

// Runs the start-up steps in order and returns the process exit code:
// ExitNotStarted for a missing service (also a missing block), another start
// under way or an open settings window, otherwise what the main window's run
// gives.
int RunStartup(const TSharedSettingsBlock* block, const TStartupActions& actions);

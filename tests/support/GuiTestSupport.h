// Driving the message loop from GUI tests: pumping for a while, running
// something from inside whatever modal loop is up, and answering dialogs
// so that no test can hang on one.
#pragma once
#include <windows.h>

#include <functional>

namespace testing_support {

// Handles this thread's messages for about ms milliseconds.
void Pump(DWORD ms = 20);

// Runs action from inside the message loop running delay ms from now (thread
// timers are dispatched by every loop, modal ones and message boxes too).
void Later(DWORD delay, std::function<void()> action);

// The visible dialog box (message box, common dialog) of this thread, if any.
HWND FindThreadDialog();

// Waits for a dialog of this thread and hands it to answer; after `tries`
// looks 50 ms apart it stops waiting.
void AnswerDialog(std::function<void(HWND)> answer, int tries = 100);

} // namespace testing_support

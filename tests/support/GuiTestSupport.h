// Driving the message loop from GUI tests: pumping, waiting for a condition,
// running something from inside whatever modal loop is up, and answering
// dialogs so that no test can hang on one.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace testing_support {

// Handles this thread's messages for about ms milliseconds.
void Pump(DWORD ms = 20);

// Handles this thread's messages until done() holds or timeoutMs have
// passed; returns done(). Wait for what must follow, not for a while.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);

// Handles this thread's messages until no posted message or input is left
// in its queue: what was posted before the call has been handled.
bool HandlePosted(DWORD timeoutMs = 5000);

// Runs action from inside the message loop running delay ms from now (thread
// timers are dispatched by every loop, modal ones and message boxes too).
void Later(DWORD delay, std::function<void()> action);

// The visible dialog box (message box, common dialog) of this thread, if any.
HWND FindThreadDialog();

// Hands the first dialog of this thread that comes up during the running
// test to answer (a later call replaces a waiting answer). It has a
// watchdog: a dialog that comes more than withinMs after this call, or is
// still up 10 s after its answer, fails the test and is cancelled, so the
// modal loop showing it returns instead of hanging the test.
void AnswerDialog(std::function<void(HWND)> answer, DWORD withinMs = 10000);
// Drops a waiting answer: after a call that may show a dialog and did not.
void StopAnswering();
// A message box's text.
std::string MessageText(HWND box);
// Answers the next message box with OK, handing its text to `shown`.
void ConfirmMessage(std::function<void(const std::string&)> shown);

} // namespace testing_support

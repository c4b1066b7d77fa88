#include "GuiTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "forms/Forms.h"

namespace testing_support {

namespace {

std::function<void()> pendingAction;

void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto action = std::move(pendingAction);
    pendingAction = nullptr;
    if (action) action();
}

BOOL CALLBACK MatchDialog(HWND wnd, LPARAM out) {
    char cls[32] = "";
    GetClassNameA(wnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(wnd)) return TRUE;
    *reinterpret_cast<HWND*>(out) = wnd;
    return FALSE;
}

} // namespace

void Pump(DWORD ms) {
    const DWORD start = GetTickCount(); // differences of tick counts survive their wrap
    do {
        forms::Application()->ProcessMessages();
        Sleep(1);
    } while (GetTickCount() - start < ms);
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Pump(10))
        if (done()) return true;
    return done();
}

bool HandlePosted(DWORD timeoutMs) {
    return WaitFor([] { return HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_INPUT)) == 0; }, timeoutMs);
}

void Later(DWORD delay, std::function<void()> action) {
    pendingAction = std::move(action);
    SetTimer(nullptr, 0, delay, RunPending);
}

HWND FindThreadDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

namespace {

// The one waiting answer, looked after by a thread timer.
struct TDialogAnswer {
    std::function<void(HWND)> answer;
    const testing::TestInfo* test = nullptr; // the answer ends with its test
    DWORD armed = 0, withinMs = 0;
    HWND answered = nullptr;
    DWORD answeredAt = 0;
    UINT_PTR timer = 0;
    bool busy = false;
} pendingAnswer;

constexpr DWORD kAnsweredDialogLimitMs = 10000;

} // namespace

void StopAnswering() {
    if (pendingAnswer.timer) KillTimer(nullptr, pendingAnswer.timer);
    pendingAnswer = {};
}

namespace {

void Cancel(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EndDialog(dialog, IDCANCEL);
}

void CALLBACK WatchDialogs(HWND, UINT, UINT_PTR, DWORD) {
    TDialogAnswer& a = pendingAnswer;
    if (a.busy) return;
    if (a.test != testing::UnitTest::GetInstance()->current_test_info()) return StopAnswering();
    const DWORD now = GetTickCount();
    if (a.answered) {
        if (!IsWindow(a.answered) || !IsWindowVisible(a.answered)) return StopAnswering();
        if (now - a.answeredAt < kAnsweredDialogLimitMs) return;
        ADD_FAILURE() << "a dialog was still up " << kAnsweredDialogLimitMs << " ms after its answer; cancelled";
        HWND stuck = a.answered;
        StopAnswering();
        return Cancel(stuck);
    }
    HWND dialog = FindThreadDialog();
    if (!dialog) return;
    a.answered = dialog;
    a.answeredAt = now;
    if (now - a.armed > a.withinMs) {
        ADD_FAILURE() << "a dialog came " << now - a.armed << " ms after its answer was set, more than "
                      << a.withinMs << " ms; cancelled";
        return Cancel(dialog);
    }
    a.busy = true;
    auto answer = a.answer; // the answer may set the next one
    answer(dialog);
    if (pendingAnswer.answered == dialog) pendingAnswer.busy = false;
}

} // namespace

void AnswerDialog(std::function<void(HWND)> answer, DWORD withinMs) {
    StopAnswering();
    pendingAnswer.answer = std::move(answer);
    pendingAnswer.test = testing::UnitTest::GetInstance()->current_test_info();
    pendingAnswer.armed = GetTickCount();
    pendingAnswer.withinMs = withinMs;
    pendingAnswer.timer = SetTimer(nullptr, 0, 50, WatchDialogs);
}

std::string MessageText(HWND box) {
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text); // the box's static text
    return text;
}

void ConfirmMessage(std::function<void(const std::string&)> shown) {
    AnswerDialog([shown = std::move(shown)](HWND box) {
        shown(MessageText(box));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
}

} // namespace testing_support

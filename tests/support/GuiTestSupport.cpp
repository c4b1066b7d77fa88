#include "GuiTestSupport.h"

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
    DWORD end = GetTickCount() + ms;
    do {
        forms::Application()->ProcessMessages();
        Sleep(1);
    } while (GetTickCount() < end);
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

void AnswerDialog(std::function<void(HWND)> answer, int tries) {
    Later(50, [answer, tries] {
        HWND dialog = FindThreadDialog();
        if (dialog) answer(dialog);
        else if (tries > 0) AnswerDialog(answer, tries - 1);
    });
}

} // namespace testing_support

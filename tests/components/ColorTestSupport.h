// Shared by the colour selector and palette tests: a message pump, pixel
// reading, and a driver that answers the system colour dialog from inside
// its modal loop, so no test waits on it.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <colordlg.h>

#include <string>
#include <vector>

#include "forms/Forms.h"
#include "forms/Graphics.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/Pixels.h"

namespace color_tests {

using testing_support::Pump;
using testing_support::ReadPixels;
using testing_support::ReadWindow;
using testing_support::Rgb;
using testing_support::TPixels;

inline LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// A push-button face as the system draws it, for comparing edges.
inline TPixels ButtonFace(int width, int height, bool pushed) {
    forms::TBitmap bitmap;
    bitmap.SetSize(width, height);
    RECT r{0, 0, width, height};
    DrawFrameControl(bitmap.Canvas().Handle(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    return ReadPixels(bitmap);
}

// Answers the next colour dialogs of this thread: confirms them with
// `choice`, or cancels them. Records what each dialog showed on opening.
// A dialog still up after five seconds is cancelled and counted, so a
// broken test fails instead of hanging. Drivers nest: the latest answers.
class TColorDialogDriver {
public:
    explicit TColorDialogDriver(bool confirm, forms::TColor choice = 0) : confirm_(confirm), choice_(choice) {
        previous_ = active_;
        active_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, &TColorDialogDriver::CbtProc, nullptr, GetCurrentThreadId());
        watchdog_ = SetTimer(nullptr, 0, 5000, &TColorDialogDriver::Watchdog);
    }
    ~TColorDialogDriver() {
        if (hook_) UnhookWindowsHookEx(hook_);
        KillTimer(nullptr, watchdog_);
        active_ = previous_;
    }
    TColorDialogDriver(const TColorDialogDriver&) = delete;
    TColorDialogDriver& operator=(const TColorDialogDriver&) = delete;

    int Opened = 0;
    int TimedOut = 0;
    bool FullOpen = false;           // the custom-colour part was shown at once
    forms::TColor InitialColor = ~0u; // the colour in the dialog's R, G, B fields
    bool OwnerDisabled = false;      // the owner window waited while it was up
    HWND Owner = nullptr;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
        TColorDialogDriver* self = active_;
        if (code == HCBT_ACTIVATE && self) {
            HWND wnd = reinterpret_cast<HWND>(wParam);
            char cls[16] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            if (std::string(cls) == "#32770" && wnd != self->handled_) {
                self->handled_ = wnd;
                self->Answer(wnd);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    void Answer(HWND dialog) {
        ++Opened;
        Owner = GetWindow(dialog, GW_OWNER);
        OwnerDisabled = Owner && !IsWindowEnabled(Owner);
        HWND mix = GetDlgItem(dialog, COLOR_MIX);
        FullOpen = mix && !IsWindowEnabled(mix);
        InitialColor = RGB(GetDlgItemInt(dialog, COLOR_RED, nullptr, FALSE),
                           GetDlgItemInt(dialog, COLOR_GREEN, nullptr, FALSE),
                           GetDlgItemInt(dialog, COLOR_BLUE, nullptr, FALSE));
        // Answered from inside the dialog's own loop, once it runs.
        pending_ = dialog;
        SetTimer(nullptr, 0, 10, &TColorDialogDriver::Respond);
    }

    // Types the chosen colour into the R, G, B fields, as a user may, and
    // presses OK; or presses Cancel.
    static void CALLBACK Respond(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        TColorDialogDriver* self = active_;
        if (!self || !self->pending_ || !IsWindow(self->pending_)) return;
        HWND dialog = self->pending_;
        self->pending_ = nullptr;
        if (self->confirm_) {
            SetDlgItemInt(dialog, COLOR_RED, GetRValue(self->choice_), FALSE);
            SetDlgItemInt(dialog, COLOR_GREEN, GetGValue(self->choice_), FALSE);
            SetDlgItemInt(dialog, COLOR_BLUE, GetBValue(self->choice_), FALSE);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        } else {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }

    // Any dialog of this thread still up is cancelled, whether or not the
    // hook saw it.
    static void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
        TColorDialogDriver* self = active_;
        if (!self) return;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND wnd, LPARAM data) WINAPI -> BOOL {
                char cls[16] = {};
                GetClassNameA(wnd, cls, sizeof cls);
                if (std::string(cls) == "#32770" && IsWindowVisible(wnd)) {
                    ++reinterpret_cast<TColorDialogDriver*>(data)->TimedOut;
                    EndDialog(wnd, IDCANCEL);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(self));
    }

    static inline TColorDialogDriver* active_ = nullptr;
    TColorDialogDriver* previous_ = nullptr;
    bool confirm_;
    forms::TColor choice_;
    HHOOK hook_ = nullptr;
    UINT_PTR watchdog_ = 0;
    HWND handled_ = nullptr;
    HWND pending_ = nullptr;
};

} // namespace color_tests

// The program's entry point: the start-up checks, the language module, then
// the main window and the message loop.
#include <windows.h>

#include "KbdDll.h"
#include "SharedSectionName.h"
#include "ReInit.h"
#include "Startup.h"
#include "main.h"

using namespace forms;

namespace {

// A kernel object's handle, closed with its holder.
class TKernelHandle {
public:
    explicit TKernelHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~TKernelHandle() {
        if (handle_) CloseHandle(handle_);
    }
    TKernelHandle(const TKernelHandle&) = delete;
    TKernelHandle& operator=(const TKernelHandle&) = delete;
    void Reset(HANDLE handle) {
        if (handle_) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

// How long a second start waits for the first one's window to come up.
constexpr DWORD kAwaitWindowMs = 10000;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Held while the process runs: the system releases it when the process
    // ends, however it ends. Named after the block, one per service.
    TKernelHandle instance;
    TStartupActions actions;
    actions.ClaimInstance = [&instance] {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, ("Varnoq.SettingsWindow." + SharedSectionName()).c_str());
        const bool taken = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
        instance.Reset(mutex);
        // Without the object the settings window's field alone decides.
        return !taken;
    };
    actions.AwaitOtherWindow = [] {
        for (DWORD waited = 0; SharedBlock->SettingsWindow == 0 && waited < kAwaitWindowMs; waited += 20) Sleep(20);
        return SharedBlock->SettingsWindow;
    };
    actions.BringToFront = [](uint32_t window) { SetForegroundWindow(WindowFromField(window)); };
    actions.LoadLanguage = [] { LoadLanguageModule(ExecutableDirectory() + "TORLANG.DLL"); };
    actions.RunMainWindow = [] {
        TApplication* app = Application();
        try {
            app->CreateForm<TQorVarnoqForm>();
        } catch (...) {
            // The window could not be made: nothing of ours is on screen to
            // stand behind the message, and the caller learns of the failure.
            app->HandleException(nullptr, true);
            delete app;
            return ExitMainWindowFailed;
        }
        app->Run();
        delete app;
        return ExitOk;
    };
    return RunStartup(SharedBlock, actions);
}

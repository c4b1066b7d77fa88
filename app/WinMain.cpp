// The program's entry point: the start-up checks, the language module, then
// the main window and the message loop.
#include <windows.h>

#include "KbdDll.h"
#include "ReInit.h"
#include "Startup.h"
#include "main.h"

using namespace forms;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TStartupActions actions;
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

// Shows the key function set wizard on one of its pages, for looking at:
// "wizard_gallery PAGE [seconds [language module]]" (0 choose the target,
// 1 name it, 2 confirm). The target is notepad.exe, the name "Notes". Quits
// by itself after the given seconds (default 20).
#include <cstdlib>

#include "app/ReInit.h"
#include "app/wzFunSet.h"
#include <windows.h>

using namespace forms;

int main(int argc, char** argv) {
    int page = argc > 1 ? std::atoi(argv[1]) : 0;
    int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    if (argc > 3 && !LoadLanguageModule(argv[3])) return 1;

    auto* wizard = Application()->CreateForm<TFunSetForm>();
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, sizeof system);
    const std::string target = std::string(system) + "\\notepad.exe";
    wizard->ShutcutNameEdit->SetText("Notes");
    wizard->ShowTargetIcon(target);
    wizard->AppPathEdit->SetText(target);
    wizard->Show();
    for (int i = 0; i < page; ++i) wizard->NextButtonClick(wizard->NextButton);
    SetTimer(nullptr, 0, UINT(seconds) * 1000, [](HWND, UINT, UINT_PTR, DWORD) WINAPI { Application()->Terminate(); });
    Application()->Run();
    delete Application();
    return 0;
}

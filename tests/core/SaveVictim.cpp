// Helper process of the interrupted-save tests, not a test itself:
//
//   save_victim <folder> <step> <copy>
//
// loads <folder>/def.kfd, resets every key and saves it, killing itself at
// save step <step> (a TSaveStep number; -1 never): a real kill, no destructor
// or buffer flush runs. When the new content is complete it first copies it
// to <copy>, so the parent knows the new bytes whatever the clock stamped.
#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include "app/KbDataType.h"
#include "forms/SafeSave.h"

namespace {

std::string target, copy;
int killAt = -1;

void AtStep(forms::TSaveStep step) {
    if (step == forms::TSaveStep::TempWritten)
        std::filesystem::copy_file(forms::SafeSaveTempName(target), copy,
                                   std::filesystem::copy_options::overwrite_existing);
    if (int(step) != killAt) return;
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 137);
#else
    kill(getpid(), SIGKILL);
#endif
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    target = std::string(argv[1]) + "/def.kfd";
    killAt = std::atoi(argv[2]);
    copy = argv[3];
    forms::SetSaveStepHook(AtStep);
    TDralKeyFunctionDataFile file;
    file.LoadFromFile(target);
    file.ResetAllFunctions();
    file.SaveToFile(target);
    return 0;
}

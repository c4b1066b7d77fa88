#include "Startup.h"

int RunStartup(const TSharedSettingsBlock* block, const TStartupActions& actions) {
    // Without a block the service is as good as absent.
    if (!block || block->ServiceWindow == 0) return ExitNotStarted;
    // Two starts at the same moment would both find no settings window yet.
    if (!actions.ClaimInstance()) {
        actions.BringToFront(actions.AwaitOtherWindow());
        return ExitNotStarted;
    }
    if (block->SettingsWindow != 0) {
        actions.BringToFront(block->SettingsWindow);
        return ExitNotStarted;
    }
    actions.LoadLanguage();
    return actions.RunMainWindow();
}

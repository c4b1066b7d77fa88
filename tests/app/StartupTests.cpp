// The start-up checks decide before anything is loaded or shown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Startup.h"

namespace {

struct Recorder {
    std::vector<std::string> steps;
    int mainWindowResult = -1;
    TStartupActions Actions() {
        TStartupActions a;
        a.ClaimInstance = [] { return true; };
        a.BringToFront = [this](uint32_t w) { steps.push_back("front " + std::to_string(w)); };
        a.LoadLanguage = [this] { steps.push_back("language"); };
        a.RunMainWindow = [this] {
            steps.push_back("window");
            return mainWindowResult;
        };
        return a;
    }
};

} // namespace

TEST(Startup, WithoutServiceEndsBeforeLanguageAndWindow) {
    TSharedSettingsBlock block{};
    block.SettingsWindow = 0x1234; // even with a settings window recorded
    Recorder r;
    EXPECT_EQ(RunStartup(&block, r.Actions()), 1);
    EXPECT_TRUE(r.steps.empty());
    // No block at all counts as no service.
    EXPECT_EQ(RunStartup(nullptr, r.Actions()), 1);
    EXPECT_TRUE(r.steps.empty());
}

TEST(Startup, OpenSettingsWindowIsBroughtToTheFrontInstead) {
    TSharedSettingsBlock block{};
    block.ServiceWindow = 0x100;
    block.SettingsWindow = 0x2222;
    Recorder r;
    EXPECT_EQ(RunStartup(&block, r.Actions()), 1);
    EXPECT_EQ(r.steps, std::vector<std::string>({"front 8738"}));
}

// A start that finds another under way waits for that one's window and
// brings it to the front, even before the window is in the block.
TEST(Startup, AStartUnderWayIsBroughtToTheFront) {
    TSharedSettingsBlock block{};
    block.ServiceWindow = 0x100;
    Recorder r;
    TStartupActions actions = r.Actions();
    actions.ClaimInstance = [] { return false; };
    actions.AwaitOtherWindow = [] { return 0x3333u; };
    EXPECT_EQ(RunStartup(&block, actions), 1);
    EXPECT_EQ(r.steps, std::vector<std::string>({"front 13107"}));
}

TEST(Startup, LanguageModuleComesBeforeTheWindow) {
    TSharedSettingsBlock block{};
    block.ServiceWindow = 0x100;
    Recorder r;
    r.mainWindowResult = 5; // not 0, which a start-up that ignored the window would also give
    EXPECT_EQ(RunStartup(&block, r.Actions()), 5);
    EXPECT_EQ(r.steps, std::vector<std::string>({"language", "window"}));
}

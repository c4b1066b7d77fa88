// The settings application in-process: the service link's loaders, the main
// window's lifetime against the shared block, and the language module.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "app/KbdDll.h"
#include "app/ReInit.h"
#include "app/main.h"
#include "forms/Resources.h"
#include "forms/SafeSave.h"
#include "tests/support/GuiTestSupport.h"

using namespace forms;

namespace {

std::string BinDir() { return ExecutableDirectory(); }
// The language module is built apart from the program.
std::string LanguageModulePath() { return BinDir() + "..\\lang\\TORLANG.DLL"; }

class App : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SharedBlock, nullptr);
        auto* bytes = reinterpret_cast<uint8_t*>(SharedBlock);
        for (size_t i = 0; i < sizeof *SharedBlock; ++i) bytes[i] = uint8_t(0x40 + i);
        service = CreateWindowExA(0, "STATIC", "service", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        SharedBlock->ServiceWindow = uint32_t(uintptr_t(service));
        SharedBlock->SettingsWindow = 0;
    }
    void TearDown() override { DestroyWindow(service); }
    HWND service = nullptr;
};

} // namespace

TEST_F(App, TextsComeCutAt254AndAbsentOnesEmpty) {
    StringModule = LoadLibraryA((BinDir() + "TORSTR.DLL").c_str());
    ASSERT_NE(StringModule, nullptr) << "TORSTR.DLL beside the tests";
    std::string longText = LoadTextResource(4900);
    EXPECT_EQ(longText.size(), 254u);
    EXPECT_FALSE(LoadTextResource(15).empty());
    EXPECT_EQ(LoadTextResource(31999), "");
    FreeLibrary(StringModule);
    StringModule = nullptr;
}

TEST_F(App, IconsAndSpecialFunctionTable) {
    IconModule = LoadLibraryA((BinDir() + "TORGFX.DLL").c_str());
    ASSERT_NE(IconModule, nullptr) << "TORGFX.DLL beside the tests";
    EXPECT_NE(LoadIconResource(1001), nullptr);
    EXPECT_EQ(LoadIconResource(31999), nullptr);
    FreeLibrary(IconModule);
    IconModule = nullptr;
    EXPECT_EQ(SpecialFunctionIds(0), 1001);
    EXPECT_EQ(SpecialFunctionIds(7), 1008);
    EXPECT_EQ(SpecialFunctionIds(8), 1001);
    EXPECT_EQ(SpecialFunctionIds(100), 1001);
}

TEST_F(App, DefaultColoursTouchOnlyTheThreeColourFields) {
    TSharedSettingsBlock before;
    std::memcpy(&before, SharedBlock, sizeof before);
    SetDefaultOSDColors();
    EXPECT_EQ(SharedBlock->OSDFrameColor, 0x8000000Fu);
    EXPECT_EQ(SharedBlock->OSDBKColor, 0x00FFFF00u);
    EXPECT_EQ(SharedBlock->OSDFunctionNameColor, 0x00FF0000u);
    before.OSDFrameColor = 0x8000000F, before.OSDBKColor = 0x00FFFF00, before.OSDFunctionNameColor = 0x00FF0000;
    EXPECT_EQ(std::memcmp(&before, SharedBlock, sizeof before), 0);
}

TEST_F(App, MainWindowHoldsTheBlockAndRestoresItAtClose) {
    TSharedSettingsBlock before;
    std::memcpy(&before, SharedBlock, sizeof before);
    auto* form = CreateForm<TQorVarnoqForm>(Application());
    EXPECT_EQ(SharedBlock->SettingsWindow, uint32_t(uintptr_t(form->Handle())));
    EXPECT_EQ(form->BlockBackup.SettingsWindow, SharedBlock->SettingsWindow);
    EXPECT_FALSE(form->ApplyButton->Enabled());
    EXPECT_TRUE(form->StringModuleLoaded);
    SharedBlock->ServiceOwn2[0] = 0x99; // the service's own byte, changed meanwhile
    delete form;
    EXPECT_EQ(std::memcmp(&before, SharedBlock, sizeof before), 0);
    EXPECT_EQ(StringModule, nullptr);
}

TEST_F(App, BorrowedModulesAreNeverReleased) {
    // With a language module as the resource module and no libraries in the
    // folder, both loaders borrow it, and closing must leave it loaded.
    HINSTANCE language = LoadLanguageModule(LanguageModulePath());
    ASSERT_NE(language, nullptr);
    auto* form = CreateForm<TQorVarnoqForm>(Application());
    form->ReleaseResourceModules();
    form->ChooseResourceModules("Z:\\no-such-folder\\");
    EXPECT_FALSE(form->StringModuleLoaded);
    EXPECT_FALSE(form->IconModuleLoaded);
    EXPECT_EQ(IconModule, ResourceModule());
    delete form;
    EXPECT_EQ(ResourceModule(), language);
    EXPECT_FALSE(LoadResString(65001).empty()) << "the language module was released";
    SwapResourceModule(MainInstance());
}

TEST_F(App, LanguageModuleSuppliesLayoutsAndTexts) {
    ASSERT_NE(LoadLanguageModule(LanguageModulePath()), nullptr);
    auto* form = CreateForm<TQorVarnoqForm>(Application());
    EXPECT_EQ(form->CancelButton->Caption(), "Abbrechen");
    EXPECT_EQ(form->PageControl1->Pages(0)->Caption(), "Tasten");
    EXPECT_EQ(FormText(stReadError), "Fehler beim Lesen des Datenstroms");
    delete form;
    SwapResourceModule(MainInstance());
    EXPECT_EQ(FormText(stReadError), "Stream read error");
    EXPECT_EQ(LoadLanguageModule(BinDir() + "NOSUCH.DLL"), nullptr);
    EXPECT_EQ(ResourceModule(), MainInstance());
}

namespace {
BOOL CALLBACK AppendWindowText(HWND window, LPARAM text) {
    char part[512];
    GetWindowTextA(window, part, sizeof part);
    *reinterpret_cast<std::string*>(text) += part;
    return TRUE;
}
} // namespace

// def.kfd left only as the backup of an interrupted save: the window takes it
// back and says so in one message; the next window finds def.kfd and is silent.
TEST_F(App, InterruptedSaveIsRestoredWithOneMessage) {
    const std::string name = BinDir() + "def.kfd", aside = name + ".aside";
    const bool hadFile = MoveFileExA(name.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
    std::ofstream(SafeSaveBackupName(name), std::ios::binary) << std::string(1293, '\0');
    std::vector<std::string> messages;
    auto answer = [&](HWND dialog) {
        std::string text;
        EnumChildWindows(dialog, AppendWindowText, reinterpret_cast<LPARAM>(&text));
        messages.push_back(text);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    for (int start = 0; start < 2; ++start) {
        testing_support::AnswerDialog(answer, 10);
        delete CreateForm<TQorVarnoqForm>(Application());
        testing_support::Pump(700); // the answer gives up when no message came
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(FormTextFmt(stRestoredFromBackup, "def.kfd")), std::string::npos) << messages[0];
    EXPECT_TRUE(FileExists(name));
    EXPECT_FALSE(FileExists(SafeSaveBackupName(name)));
    DeleteFileA(name.c_str());
    if (hadFile) MoveFileExA(aside.c_str(), name.c_str(), 0);
}

TEST(Language, EveryTextHasATranslation) {
    std::ifstream in(VARNOQ_UNTRANSLATED);
    ASSERT_TRUE(in.good()) << VARNOQ_UNTRANSLATED;
    std::stringstream missing;
    missing << in.rdbuf();
    EXPECT_EQ(missing.str(), "") << "texts without a translation in standins/torlang/translations.txt";
}

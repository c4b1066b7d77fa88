// The settings application in-process: the service link's loaders, the main
// window's lifetime against the shared block, and the language module.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <tuple>

#include "app/AppTexts.h"
#include "app/KbdDll.h"
#include "app/ReInit.h"
#include "app/main.h"
#include "app/wzFunSet.h"
#include "components/ColorForm.h"
#include "forms/Resources.h"
#include "forms/SafeSave.h"
#include "forms/ScopedValue.h"
#include "tests/support/AccessibleReading.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/HandleCounter.h"

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
        SharedBlock->ServiceWindow = WindowToField(service);
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
    // Without the library the program's own module answers, and it holds
    // none of the texts asked for by number.
    StringModule = forms::ResourceModule();
    for (int32_t id : {1, 15, 18, 1001, 1002, 1008, 4001, 4004})
        EXPECT_EQ(LoadTextResource(id), "") << id;
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
    EXPECT_EQ(SharedBlock->SettingsWindow, WindowToField(form->Handle()));
    EXPECT_EQ(form->BlockBackup.SettingsWindow, SharedBlock->SettingsWindow);
    EXPECT_FALSE(form->ApplyButton->Enabled());
    EXPECT_TRUE(form->StringModuleLoaded);
    EXPECT_EQ(components::OtherColorCaption, "More...");
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
        testing_support::AnswerDialog(answer);
        delete CreateForm<TQorVarnoqForm>(Application()); // shows its message, if any, while it opens
        testing_support::StopAnswering();
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(FormTextFmt(stRestoredFromBackup, "def.kfd")), std::string::npos) << messages[0];
    EXPECT_TRUE(FileExists(name));
    EXPECT_FALSE(FileExists(SafeSaveBackupName(name)));
    DeleteFileA(name.c_str());
    if (hadFile) MoveFileExA(aside.c_str(), name.c_str(), 0);
}

// ------------------------------------------------------------ the main window

namespace {

int reloads = 0;
WNDPROC serviceProc = nullptr;
LRESULT CALLBACK CountReloads(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == ReloadMessage) ++reloads;
    return CallWindowProcA(serviceProc, wnd, msg, wParam, lParam);
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

// The window over a block with colours of its own, a delay of 3 and lock
// flags as the service may store them; def.kfd of the folder is set aside.
class MainWindow : public App {
protected:
    void SetUp() override {
        App::SetUp();
        serviceProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(service, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountReloads)));
        hadFile = MoveFileExA(kfd.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
        Prepare();
    }
    void TearDown() override {
        delete form;
        DeleteFileA(kfd.c_str());
        if (hadFile) MoveFileExA(aside.c_str(), kfd.c_str(), 0);
        App::TearDown();
    }
    void Prepare() {
        reloads = 0;
        SharedBlock->OSDFrameColor = 0x000080, SharedBlock->OSDFunctionNameColor = 0x00FF00;
        SharedBlock->OSDBKColor = 0x123456, SharedBlock->OSDDelayTime = 3;
        SharedBlock->ScrollLockStatus = 1, SharedBlock->NumLockStatus = 0, SharedBlock->CapsLockStatus = 7;
    }
    void Open() {
        form = CreateForm<TQorVarnoqForm>(Application());
        form->Show();
        savedAt = TDralKeyFunctionDataFile::Header().SavedAt;
    }
    void Click(TWinControl* control) { SendMessageA(control->Handle(), BM_CLICK, 0, 0); }
    void ClickAt(HWND wnd, int x, int y) {
        SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    // The tab of a page, clicked.
    void ShowPage(int index) {
        RECT tab{};
        SendMessageA(form->PageControl1->Handle(), TCM_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&tab));
        ClickAt(form->PageControl1->Handle(), (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        ASSERT_EQ(form->PageControl1->ActivePageIndex(), index);
    }
    // Drops the list down, scrolls the item into view as a user would, and
    // clicks it.
    void PickItem(TComboBox* list, int index) {
        HWND combo = list->Handle();
        SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(combo, &info));
        SendMessageA(info.hwndList, LB_SETTOPINDEX, WPARAM(index), 0);
        RECT item{};
        SendMessageA(info.hwndList, LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&item));
        ClickAt(info.hwndList, item.left + 5, (item.top + item.bottom) / 2);
    }
    // Drops the palette down and clicks one of its colours.
    void PickColour(int column, int row) {
        ClickAt(form->OSDColorSelector->Handle(), 5, 5);
        ASSERT_NE(form->OSDColorSelector->Palette(), nullptr);
        RECT cell = components::TColorForm::CellRect(column, row);
        ClickAt(form->OSDColorSelector->Palette()->Handle(), cell.left + 8, cell.top + 8);
    }
    void Close(TButton* button) {
        Click(button);
        testing_support::Pump();
        EXPECT_FALSE(IsWindowVisible(form->Handle()));
        delete form;
        form = nullptr;
    }
    bool Saved() const { return TDralKeyFunctionDataFile::Header().SavedAt != savedAt; }
    // What a user sees of the colours, and what the block and the service got.
    std::string State() {
        testing_support::Pump();
        const TSharedSettingsBlock& b = *SharedBlock;
        std::string colours = "frame=" + Hex(b.OSDFrameColor) + " name=" + Hex(b.OSDFunctionNameColor) +
                              " bk=" + Hex(b.OSDBKColor) + " delay=" + std::to_string(b.OSDDelayTime);
        std::string after = " reloads=" + std::to_string(reloads) + " saved=" + std::to_string(Saved());
        if (!form) return "closed " + colours + after;
        return colours + " item=" + std::to_string(form->OSDColorItemComboBox->ItemIndex()) +
               " selector=" + Hex(form->OSDColorSelector->Color()) + " preview=" + Hex(form->OSDFramePanel->Color()) +
               "," + Hex(form->OSDFunctionNameLabel->Font().Color()) + "," + Hex(form->OSDBKPanel->Color()) +
               " apply=" + std::to_string(form->ApplyButton->Enabled()) + after;
    }

    const std::string kfd = BinDir() + "def.kfd", aside = kfd + ".aside";
    bool hadFile = false;
    TQorVarnoqForm* form = nullptr;
    double savedAt = 0;
};

} // namespace

// Each user action, then what the window, the block and the service show.
TEST_F(MainWindow, ColourEditsAreLiveAndOnlyApplyKeepsThem) {
    const std::map<std::string, std::function<void()>> actions = {
        {"bk panel", [&] { ClickAt(form->OSDBKPanel->Handle(), 3, 3); }},
        {"bk item", [&] { PickItem(form->OSDColorItemComboBox, 1); }},
        {"name label", [&] { ClickAt(form->OSDBKPanel->Handle(), form->OSDFunctionNameLabel->Left() + 2,
                                     form->OSDFunctionNameLabel->Top() + 2); }},
        {"pick white", [&] { PickColour(1, 1); }},
        {"pick black", [&] { PickColour(2, 1); }},
        {"default", [&] { Click(form->UseDefaultOSDColorButton); }},
        {"apply", [&] { Click(form->ApplyButton); }},
        {"ok", [&] { Close(form->OKButton); }},
        {"cancel", [&] { Close(form->CancelButton); }},
    };
    const std::string opened =
        "frame=80 name=FF00 bk=123456 delay=3 item=0 selector=80 preview=80,FF00,123456 apply=0 reloads=0 saved=0";
    const std::string onBk =
        "frame=80 name=FF00 bk=123456 delay=3 item=1 selector=123456 preview=80,FF00,123456 apply=0 reloads=0 saved=0";
    const std::string white = "frame=80 name=FF00 bk=FFFFFF delay=3 item=1 selector=FFFFFF preview=80,FF00,FFFFFF";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> scenarios = {
        {{"bk panel", "pick white", "cancel"},
         {opened, onBk, white + " apply=1 reloads=0 saved=0",
          "closed frame=80 name=FF00 bk=123456 delay=3 reloads=0 saved=0"}},
        {{"bk item", "pick white", "apply", "pick black", "cancel"},
         {opened, onBk, white + " apply=1 reloads=0 saved=0", white + " apply=0 reloads=1 saved=1",
          "frame=80 name=FF00 bk=0 delay=3 item=1 selector=0 preview=80,FF00,0 apply=1 reloads=1 saved=1",
          "closed frame=80 name=FF00 bk=FFFFFF delay=3 reloads=1 saved=1"}},
        {{"ok"}, {opened, "closed frame=80 name=FF00 bk=123456 delay=3 reloads=0 saved=0"}},
        {{"name label", "default", "ok"},
         {opened, "frame=80 name=FF00 bk=123456 delay=3 item=2 selector=FF00 preview=80,FF00,123456 apply=0 reloads=0 saved=0",
          "frame=8000000F name=FF0000 bk=FFFF00 delay=3 item=2 selector=FF0000 preview=8000000F,FF0000,FFFF00 apply=1 "
          "reloads=0 saved=0",
          "closed frame=8000000F name=FF0000 bk=FFFF00 delay=3 reloads=1 saved=1"}},
    };
    for (const auto& [steps, states] : scenarios) {
        SCOPED_TRACE(steps.front() + " ... " + steps.back());
        Prepare();
        Open();
        ShowPage(1);
        testing_support::TEventRecorder recorder;
        recorder.Add(State());
        for (const std::string& step : steps) {
            actions.at(step)();
            recorder.Add(State());
        }
        EXPECT_TRUE(recorder.Matches(states));
        // The lock flags were restored or applied with the rest.
        EXPECT_EQ(SharedBlock->ScrollLockStatus, reloads ? -1 : 1);
        EXPECT_EQ(SharedBlock->SettingsWindow, 0u);
    }
}

// A stored delay outside 1..10 shows no selection; the user's pick stores
// the number shown.
TEST_F(MainWindow, DelayListShowsTheStoredDelayAndStoresThePick) {
    const std::pair<int32_t, int> shown[] = {{3, 2}, {1, 0}, {10, 9}, {0, -1}, {11, -1}, {INT32_MIN, -1}};
    for (auto [stored, index] : shown) {
        SharedBlock->OSDDelayTime = stored;
        Open();
        EXPECT_EQ(form->OSDDelayTimeComboBox->ItemIndex(), index) << stored;
        EXPECT_EQ(SendMessageA(form->OSDDelayTimeComboBox->Handle(), CB_GETCURSEL, 0, 0), index) << stored;
        PickItem(form->OSDDelayTimeComboBox, 9);
        EXPECT_EQ(SharedBlock->OSDDelayTime, 10);
        if (index != 9) {
            EXPECT_TRUE(form->ApplyButton->Enabled()) << stored;
        }
        delete form;
        form = nullptr;
        EXPECT_EQ(SharedBlock->OSDDelayTime, stored);
    }
}

// Any non-zero flag shows checked and is written back as -1 while the window
// is open, without enabling Apply; a click toggles it; Cancel restores.
TEST_F(MainWindow, LockFlagsAreRewrittenAndRestored) {
    Open();
    ShowPage(2);
    struct Box {
        TCheckBox* box;
        int32_t* flag;
        int32_t stored, open, clicked;
    } boxes[] = {{form->SLockCheckBox, &SharedBlock->ScrollLockStatus, 1, -1, 0},
                 {form->NLockCheckBox, &SharedBlock->NumLockStatus, 0, 0, -1},
                 {form->ClockCheckBox, &SharedBlock->CapsLockStatus, 7, -1, 0}};
    EXPECT_FALSE(form->ApplyButton->Enabled());
    for (const Box& b : boxes) {
        EXPECT_EQ(b.box->Checked(), b.open != 0) << b.box->Name();
        EXPECT_EQ(SendMessageA(b.box->Handle(), BM_GETCHECK, 0, 0), b.open ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(*b.flag, b.open) << b.box->Name();
        Click(b.box);
        EXPECT_EQ(*b.flag, b.clicked) << b.box->Name();
    }
    EXPECT_TRUE(form->ApplyButton->Enabled());
    Close(form->CancelButton);
    for (const Box& b : boxes) EXPECT_EQ(*b.flag, b.stored) << b.box->Name();
    EXPECT_EQ(reloads, 0);
}

// The window is the strip and the rounded panel on the Keys page, the panel
// alone on the others; switching leaks no region.
TEST_F(MainWindow, SwitchingPagesShrinksAndRestoresTheOutline) {
    using namespace testing_support;
    Open();
    const RECT panel = form->Panel1->BoundsRect();
    const POINT inStrip{10, 40}, inPanel{(panel.left + panel.right) / 2, (panel.top + panel.bottom) / 2},
                corner{panel.left + 1, panel.top + 1}, edge{panel.left + 1, panel.top + 40};
    auto outline = [&] {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(GetWindowRgn(form->Handle(), region), ERROR);
        std::string inside;
        for (POINT p : {inStrip, inPanel, corner, edge}) inside += PtInRegion(region, p.x, p.y) ? '1' : '0';
        DeleteObject(region);
        return inside;
    };
    EXPECT_EQ(outline(), "1101");
    for (auto [page, inside] : {std::pair{1, "0101"}, {2, "0101"}, {0, "1101"}, {2, "0101"}, {0, "1101"}}) {
        ShowPage(page);
        EXPECT_EQ(outline(), inside) << "page " << page;
    }
}

TEST_F(MainWindow, SwitchingPagesLeaksNoRegion) {
    using namespace testing_support;
    if (!HandleCountingAvailable()) GTEST_SKIP() << "GDI/USER handles cannot be counted in this run";
    Open();
    for (int page : {1, 2, 0}) ShowPage(page); // warm-up: what is made once, each page's windows too
    const THandleCounts before = CurrentHandleCounts();
    for (int page : {1, 2, 0, 2, 0}) ShowPage(page);
    EXPECT_EQ(CurrentHandleCounts(), before);
}

testing_support::TEventRecorder* sysCommands = nullptr;
LRESULT CALLBACK RecordSysCommand(int code, WPARAM wParam, LPARAM lParam) {
    auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_SYSCOMMAND && sysCommands)
        sysCommands->Add(Hex(unsigned(m->wParam)) + "," + Hex(unsigned(m->lParam)));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Only the left button on the title strip hands the window to the system's
// move loop; the others leave it where it is.
TEST_F(MainWindow, OnlyTheLeftButtonDragsTheWindowByItsTitleStrip) {
    Open();
    testing_support::TEventRecorder recorder;
    sysCommands = &recorder;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordSysCommand, nullptr, GetCurrentThreadId());
    HWND strip = form->OxaFillBackground2->Parent()->Handle();
    const POINT grip{100, 8};
    const std::tuple<UINT, UINT, WPARAM, std::vector<std::string>> buttons[] = {
        {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, {}},
        {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, {}},
        {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, {"F012,0"}}};
    for (const auto& [down, up, key, commands] : buttons) {
        RECT start;
        GetWindowRect(form->Handle(), &start);
        POINT screen = grip;
        ClientToScreen(strip, &screen);
        SetCursorPos(screen.x, screen.y);
        // The move loop, when one runs, ends at the release.
        bool released = false;
        testing_support::Later(100, [=, &released] {
            SetCursorPos(screen.x + 40, screen.y + 30);
            PostMessageA(strip, up, 0, MAKELPARAM(grip.x + 40, grip.y + 30));
            released = true;
        });
        SendMessageA(strip, down, key, MAKELPARAM(grip.x, grip.y));
        // Released, and the release handled.
        ASSERT_TRUE(testing_support::WaitFor([&] { return released; }, 5000));
        ASSERT_TRUE(testing_support::HandlePosted());
        EXPECT_TRUE(recorder.Matches(commands)) << "message " << down;
        RECT end;
        GetWindowRect(form->Handle(), &end);
        if (commands.empty()) {
            EXPECT_TRUE(EqualRect(&start, &end)) << "message " << down;
        }
    }
    UnhookWindowsHookEx(hook);
    sysCommands = nullptr;
}

static std::string ReadBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A save that fails, at Apply and at OK alike, shows the error and commits
// nothing: the service hears nothing, Apply stays for another try, OK leaves
// the window open, def.kfd stays byte for byte with nothing beside it, and
// Cancel restores the block as it was when the window opened. A read-only
// def.kfd is refused like a file held open, at every try.
TEST_F(MainWindow, AFailedSaveCommitsNothing) {
    const std::string temp = SafeSaveTempName(kfd), old = SafeSaveBackupName(kfd), content = std::string(1289, '\x5A') + std::string(4, '\0'); // no records
    HANDLE held = nullptr;
    const std::map<std::string, std::pair<std::function<void()>, std::function<void()>>> blockers = {
        {"folder at the new file's name",
         {[&] { CreateDirectoryA(temp.c_str(), nullptr); }, [&] { RemoveDirectoryA(temp.c_str()); }}},
        {"def.kfd held without sharing",
         {[&] { held = CreateFileA(kfd.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr); },
          [&] { CloseHandle(held); }}},
        {"read-only def.kfd",
         {[&] { SetFileAttributesA(kfd.c_str(), FILE_ATTRIBUTE_READONLY); },
          [&] { SetFileAttributesA(kfd.c_str(), FILE_ATTRIBUTE_NORMAL); }}},
    };
    for (const auto& [blocker, block] : blockers) {
        SCOPED_TRACE(blocker);
        std::ofstream(kfd, std::ios::binary) << content;
        Prepare();
        const TSharedSettingsBlock unopened = *SharedBlock;
        Open();
        ShowPage(2);
        Click(form->NLockCheckBox);
        block.first();
        std::vector<std::string> shown;
        for (TButton* button : {form->ApplyButton, form->OKButton}) {
            testing_support::ConfirmMessage([&](const std::string& text) { shown.push_back(text); });
            Click(button);
            testing_support::Pump();
            EXPECT_EQ(reloads, 0);
            EXPECT_TRUE(form->ApplyButton->Enabled());
            EXPECT_TRUE(IsWindowVisible(form->Handle()));
            EXPECT_FALSE(FileExists(old)) << button->Name();
        }
        EXPECT_EQ(shown, std::vector<std::string>(2, "Cannot create file " + kfd));
        const DWORD attributes = GetFileAttributesA(kfd.c_str());
        Close(form->CancelButton);
        EXPECT_EQ(std::memcmp(&unopened, SharedBlock, sizeof unopened), 0) << "the block is not as before";
        block.second();
        EXPECT_TRUE(ReadBytes(kfd) == content);
        EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, blocker == "read-only def.kfd" ? FILE_ATTRIBUTE_READONLY : 0u);
        EXPECT_FALSE(FileExists(temp));
        EXPECT_FALSE(FileExists(old));
    }
    // Once the way is free again, Apply goes through.
    Open();
    ShowPage(2);
    Click(form->NLockCheckBox);
    blockers.begin()->second.first();
    testing_support::AnswerDialog([](HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); });
    Click(form->ApplyButton);
    testing_support::Pump();
    blockers.begin()->second.second();
    Click(form->ApplyButton);
    testing_support::Pump();
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(ReadBytes(kfd).size(), 1293u);
    EXPECT_FALSE(ReadBytes(kfd) == content);
    EXPECT_FALSE(form->ApplyButton->Enabled());
}

// Escape in any control presses Cancel.
TEST_F(MainWindow, EscapeCancels) {
    Open();
    ShowPage(2);
    Click(form->ClockCheckBox);
    SetForegroundWindow(form->Handle());
    SetFocus(form->ClockCheckBox->Handle());
    PostMessageA(form->ClockCheckBox->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(testing_support::WaitFor([&] { return !IsWindowVisible(form->Handle()); }, 5000));
    delete form;
    form = nullptr;
    EXPECT_EQ(SharedBlock->CapsLockStatus, 7);
}

// ------------------------------------------------------------ the Keys page

namespace {

struct KeyRecord {
    int32_t id;
    uint8_t useDefault;
    int32_t special;
    std::string name, path;
};

// Custom 15 and 16, factory 1 (keeping an old special function and name) and
// 2, special 3 and 4, an identifier the list lacks on 5; 6 has no record.
const std::vector<KeyRecord> kKeys = {
    {15, 0, 0, "Notepad", "C:\\windows\\notepad.exe"}, {16, 0, 0, "Registry", "C:\\windows\\regedit.exe"},
    {1, 1, 1004, "Old", ""}, {2, 1, 0, "", ""}, {3, 0, 1003, "", ""}, {4, 0, 1006, "", ""}, {5, 0, 4242, "", ""},
};

class KeysPage : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        WriteKeys(kKeys);
        Open();
    }
    void WriteKeys(const std::vector<KeyRecord>& keys) {
        TKeyFunctionFileHeader header{};
        header.RecordCount = int32_t(keys.size());
        std::ofstream out(kfd, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        for (const KeyRecord& key : keys) {
            TKeyFunctionRecord record{};
            record.KeyId = key.id, record.UseDefault = key.useDefault, record.SpecialFunctionId = key.special;
            record.CustomName.Set(key.name);
            record.CustomPath.Set(key.path);
            out.write(reinterpret_cast<const char*>(&record), sizeof record);
        }
    }
    // A point of the picture, clicked through the strip that holds it.
    void ClickPicture(int x, int y) {
        const RECT dest = form->HotImage1->DestRect();
        ClickAt(form->Panel5->Handle(), form->HotImage1->Left() + dest.left + x, form->HotImage1->Top() + dest.top + y);
    }
    void ClickKey(int32_t id) {
        auto& spots = form->HotImage1->HotSpots();
        for (int i = 0; i < spots.Count(); ++i)
            if (spots.Items(i)->Id() == id) {
                const RECT b = spots.Items(i)->GetBounds();
                return ClickPicture((b.left + b.right) / 2, (b.top + b.bottom) / 2);
            }
        FAIL() << "no spot for key " << id;
    }
    void ClickRow(int row) {
        RECT item{};
        SendMessageA(form->UlaListBox1->Handle(), LB_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&item));
        ClickAt(form->UlaListBox1->Handle(), item.left + 20, (item.top + item.bottom) / 2);
    }
    TFunSetForm* Wizard() {
        for (TComponent* c : form->Components())
            if (auto* wizard = dynamic_cast<TFunSetForm*>(c)) return wizard;
        return nullptr;
    }
    // What the page shows and what the shown record holds.
    std::string Page() {
        testing_support::Pump();
        const TKeyFunctionRecord* r = form->CurrentRecord;
        const bool named = form->KeyNameLabel->Caption() == LoadTextResource(r->KeyId) &&
                           form->DefaultRadioButton->Caption() == form->KeyNameLabel->Caption() &&
                           !form->KeyImage->Picture().Empty();
        const std::string mode = form->DefaultRadioButton->Checked()           ? "default"
                                 : form->SpecialFunctionRadioButton->Checked() ? "special"
                                 : form->CustomRadioButton->Checked()          ? "custom"
                                                                               : "none";
        return "key=" + std::to_string(form->CurrentKeyId) + " shows=" + std::to_string(r->KeyId) +
               (named ? " " : " UNNAMED ") + mode + " row=" + std::to_string(form->UlaListBox1->ItemIndex()) +
               " list=" + std::to_string(form->UlaListBox1->Enabled()) +
               " set=" + std::to_string(form->SetCustomButton->Enabled()) + " rec=" + std::to_string(r->UseDefault) +
               "," + std::to_string(r->SpecialFunctionId) + " app=" + form->AppLabelEdit->Text() +
               " icon=" + std::to_string(!form->Image4->Picture().Empty()) +
               " apply=" + std::to_string(form->ApplyButton->Enabled());
    }
    // Runs steps ("key N", "outside" or a name of actions) and compares what
    // the page shows after each (Page(), or view) with expected, the opening
    // state first.
    void Expect(const std::vector<std::pair<std::string, std::string>>& steps,
                const std::map<std::string, std::function<void()>>& actions = {},
                const std::function<std::string()>& view = nullptr) {
        testing_support::TEventRecorder recorder;
        std::vector<std::string> expected;
        for (const auto& [step, state] : steps) {
            if (step.rfind("key ", 0) == 0) ClickKey(std::stoi(step.substr(4)));
            else if (step == "outside") ClickPicture(form->HotImage1->Width() - 8, form->HotImage1->Height() - 6);
            else if (step == "apply") Click(form->ApplyButton);
            else if (step != "open") actions.at(step)();
            recorder.Add(step + ": " + (view ? view() : Page()));
            expected.push_back(step + ": " + state);
        }
        EXPECT_TRUE(recorder.Matches(expected));
    }
};

const std::string kNotepad = "key=15 shows=15 custom row=0 list=0 set=1 rec=0,0 app=Notepad icon=1";

} // namespace

// Keys picked on the picture: a move within a mode leaves Apply alone, one
// into another mode writes that mode again and enables it.
TEST_F(KeysPage, ClickedKeysShowTheirRecordAndMode) {
    Expect({
        {"open", kNotepad + " apply=0"},
        {"key 15", kNotepad + " apply=0"},
        {"outside", kNotepad + " apply=0"},
        {"key 16", "key=16 shows=16 custom row=0 list=0 set=1 rec=0,0 app=Registry icon=1 apply=0"},
        {"key 1", "key=1 shows=1 default row=0 list=0 set=0 rec=1,1004 app=Old icon=0 apply=1"},
        {"apply", "key=1 shows=1 default row=0 list=0 set=0 rec=1,1004 app=Old icon=0 apply=0"},
        {"key 2", "key=2 shows=2 default row=0 list=0 set=0 rec=1,0 app= icon=0 apply=0"},
        {"key 3", "key=3 shows=3 special row=2 list=1 set=0 rec=0,1003 app= icon=0 apply=1"},
        {"apply", "key=3 shows=3 special row=2 list=1 set=0 rec=0,1003 app= icon=0 apply=0"},
        {"key 4", "key=4 shows=4 special row=5 list=1 set=0 rec=0,1006 app= icon=0 apply=0"},
        // An identifier the list lacks: no row, and the record keeps it.
        {"key 5", "key=5 shows=5 special row=-1 list=1 set=0 rec=0,4242 app= icon=0 apply=0"},
        {"key 16", "key=16 shows=16 custom row=0 list=0 set=1 rec=0,0 app=Registry icon=1 apply=1"},
        {"apply", "key=16 shows=16 custom row=0 list=0 set=1 rec=0,0 app=Registry icon=1 apply=0"},
        {"key 5", "key=5 shows=5 special row=-1 list=1 set=0 rec=0,4242 app= icon=0 apply=1"},
        // A key without a record leaves the last one shown.
        {"key 6", "key=6 shows=5 special row=-1 list=1 set=0 rec=0,4242 app= icon=0 apply=1"},
        {"key 15", kNotepad + " apply=1"},
    });
}

// The picture by keyboard: focus moves pick nothing, Enter and Space pick as
// clicks do; and assistive technology reads every key by the page's name.
TEST_F(KeysPage, KeysPickedByKeyboardAndNamedToAssistiveTechnology) {
    auto key = [](WORD vk) {
        return [vk] {
            PostMessageA(GetFocus(), WM_KEYDOWN, vk, 1);
            Application()->ProcessMessages();
        };
    };
    const std::string key16 = "key=16 shows=16 custom row=0 list=0 set=1 rec=0,0 app=Registry icon=1 apply=0";
    form->HotImage1->SetFocus(); // on the key the page shows
    Expect({{"open", kNotepad + " apply=0"}, {"left", kNotepad + " apply=0"}, {"enter", key16},
            {"home", key16}, {"right", key16}, {"right again", key16},
            {"space", "key=1 shows=1 default row=0 list=0 set=0 rec=1,1004 app=Old icon=0 apply=1"}},
           {{"left", key(VK_LEFT)}, {"enter", key(VK_RETURN)}, {"home", key(VK_HOME)}, {"right", key(VK_RIGHT)},
            {"right again", key(VK_RIGHT)}, {"space", key(VK_SPACE)}});

    testing_support::TComScope com;
    IAccessible* acc = testing_support::AccessibleOf(form->HotImage1->KeyboardWindow()->Handle());
    ASSERT_TRUE(acc);
    long count = 0;
    acc->get_accChildCount(&count);
    EXPECT_EQ(count, 18);
    for (long child = 1; child <= count; ++child) {
        const std::string name = LoadTextResource(form->HotImage1->HotSpots().EnabledAt(int(child))->Id());
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(testing_support::AccText(acc, &IAccessible::get_accName, child), name) << "child " << child;
    }
    acc->Release();
}

// The mode buttons and the list edit the shown record; none of them touches
// the custom program, which "Restore all" clears for every key.
TEST_F(KeysPage, ModeEditsAndRestoreAll) {
    Expect({{"open", kNotepad + " apply=0"},
            {"special", "key=15 shows=15 special row=0 list=1 set=0 rec=0,1001 app=Notepad icon=1 apply=1"},
            {"row 1", "key=15 shows=15 special row=1 list=1 set=0 rec=0,1002 app=Notepad icon=1 apply=1"},
            {"apply", "key=15 shows=15 special row=1 list=1 set=0 rec=0,1002 app=Notepad icon=1 apply=0"},
            {"special", "key=15 shows=15 special row=1 list=1 set=0 rec=0,1002 app=Notepad icon=1 apply=0"},
            {"default", "key=15 shows=15 default row=1 list=0 set=0 rec=1,1002 app=Notepad icon=1 apply=1"},
            {"custom", "key=15 shows=15 custom row=1 list=0 set=1 rec=0,0 app=Notepad icon=1 apply=1"},
            {"apply", "key=15 shows=15 custom row=1 list=0 set=1 rec=0,0 app=Notepad icon=1 apply=0"},
            {"restore", "key=15 shows=15 default row=0 list=0 set=0 rec=1,0 app= icon=0 apply=1"}},
           {{"special", [&] { Click(form->SpecialFunctionRadioButton); }},
            {"default", [&] { Click(form->DefaultRadioButton); }},
            {"custom", [&] { Click(form->CustomRadioButton); }},
            {"row 1", [&] { ClickRow(1); }},
            {"restore", [&] { Click(form->ResetAllFunctionButton); }}});
    for (const auto& record : form->DataFile()->Records()) {
        EXPECT_EQ(record->UseDefault, 1) << record->KeyId;
        EXPECT_EQ(record->CustomName.Length + record->CustomPath.Length, 0) << record->KeyId;
    }
}

// "Restore all" while a key without a record leaves another key's record
// shown: the page shows that record as it now is, with "Set..." disabled.
TEST_F(KeysPage, RestoreAllShowsTheRecordLeftShownAsItNowIs) {
    Expect({{"open", kNotepad + " apply=0"},
            {"key 6", "key=6 shows=15 custom row=0 list=0 set=1 rec=0,0 app=Notepad icon=1 apply=0"},
            {"restore", "key=6 shows=15 default row=0 list=0 set=0 rec=1,0 app= icon=0 apply=1"}},
           {{"restore", [&] { Click(form->ResetAllFunctionButton); }}});
}

// A def.kfd that is there but cannot be read whole (held open by another
// program, or cut short) is reported, and the Keys page says why it cannot
// be edited, its controls disabled. Apply still commits the block and tells
// the service, but leaves the file as it is.
TEST_F(KeysPage, AnUnreadableDefKfdIsNeverWrittenOver) {
    HANDLE held = nullptr;
    const struct {
        std::string fault, message;
        std::function<void()> make, undo;
    } faults[] = {
        {"held", "Cannot open file " + kfd,
         [&] { held = CreateFileA(kfd.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr); },
         [&] { CloseHandle(held); }},
        {"cut short", "Stream read error",
         [&] {
             const std::string whole = ReadBytes(kfd);
             std::ofstream(kfd, std::ios::binary) << whole.substr(0, 1293 + 526 * 2 + 100);
         },
         [] {}},
    };
    for (const auto& f : faults) {
        SCOPED_TRACE(f.fault);
        delete form;
        form = nullptr;
        WriteKeys(kKeys);
        f.make();
        std::string shown;
        testing_support::ConfirmMessage([&](const std::string& text) { shown = text; });
        Prepare();
        Open();
        f.undo();
        const std::string before = ReadBytes(kfd);
        EXPECT_EQ(shown, f.message);
        ClickKey(16);
        std::string page;
        for (TWinControl* control : std::initializer_list<TWinControl*>{
                 form->DefaultRadioButton, form->SpecialFunctionRadioButton, form->CustomRadioButton,
                 form->UlaListBox1, form->SetCustomButton, form->ResetAllFunctionButton})
            page += control->Enabled() ? '1' : '0';
        auto* label = dynamic_cast<TLabel*>(form->FindComponent("KeysUnreadableLabel"));
        page += label && label->Visible() && label->Caption() == AppText(atKeysUnreadable) ? " told" : " not told";
        EXPECT_EQ(page, "000000 told");
        EXPECT_EQ(form->CurrentRecord, nullptr);

        ShowPage(2);
        Click(form->NLockCheckBox);
        shown.clear();
        testing_support::AnswerDialog([&](HWND box) { shown = "a box"; PostMessageA(box, WM_COMMAND, IDOK, 0); }, 10);
        Click(form->ApplyButton);
        testing_support::Pump(600);
        EXPECT_EQ(shown, "");
        EXPECT_EQ(reloads, 1);
        EXPECT_FALSE(form->ApplyButton->Enabled());
        EXPECT_EQ(std::memcmp(&form->BlockBackup, SharedBlock, sizeof *SharedBlock), 0);
        EXPECT_TRUE(ReadBytes(kfd) == before) << "def.kfd was written";
    }
}

// Without any record the mode controls have nothing to write into.
TEST_F(MainWindow, KeysPageWithoutRecordsKeepsItsModeControlsDisabled) {
    Open();
    EXPECT_EQ(form->CurrentRecord, nullptr);
    for (TWinControl* control : std::initializer_list<TWinControl*>{form->DefaultRadioButton, form->SpecialFunctionRadioButton,
                                                                  form->CustomRadioButton, form->UlaListBox1, form->SetCustomButton})
        EXPECT_FALSE(control->Enabled()) << control->Name();
    EXPECT_EQ(form->UlaListBox1->Count(), 8);
    EXPECT_EQ(form->ImageList1->Count(), 8);
    EXPECT_EQ(form->UlaListBox1->ItemObject(7), 1008);
}

// "Set..." with the wizard: Cancel keeps everything, Finish stores the name
// cut to 255 characters and the path as chosen. A longer path is refused; a
// target that is not there is asked about, and "No" leaves the wizard open on
// its last page, as the refusal does, with the record as it was.
TEST_F(KeysPage, WizardCancelFinishAndTheRecordLimits) {
    const std::string regedit = "C:\\windows\\regedit.exe", longPath = "C:\\" + std::string(253, 'p');
    const std::string gone = "C:\\no such folder\\tool.exe";
    // A file that is there, its path as long as a record holds.
    const std::string atLimit = BinDir() + std::string(255 - BinDir().size(), 'p');
    std::ofstream(atLimit).put('x');
    struct Case {
        std::string name, path, button;
        int answer;           // to the box Finish shows, if any
        std::string expected; // name length, path, app length, apply, the box, wizard page left open on
    };
    const std::string kept = " path=C:\\windows\\notepad.exe app=7 apply=0";
    const Case cases[] = {
        {"Changed", regedit, "cancel", 0, "name=7" + kept + " box=-"},
        {std::string(300, 'n'), regedit, "finish", 0, "name=255 path=" + regedit + " app=255 apply=1 box=-"},
        {"Long", longPath, "finish", IDOK, "name=7" + kept + " box=limit open=2"},
        {"Limit", atLimit, "finish", 0, "name=5 path=" + atLimit + " app=5 apply=1 box=-"},
        {"Gone", gone, "finish", IDNO, "name=7" + kept + " box=missing open=2"},
        {"Gone", gone, "finish", IDYES, "name=4 path=" + gone + " app=4 apply=1 box=missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button + " " + c.path.substr(0, 40));
        delete form;
        WriteKeys(kKeys);
        Open();
        std::string message, result;
        testing_support::Later(100, [&] {
            TFunSetForm* wizard = Wizard();
            ASSERT_NE(wizard, nullptr);
            EXPECT_EQ(GetWindow(wizard->Handle(), GW_OWNER), form->Handle()) << "owned: no taskbar button, above";
            EXPECT_EQ(wizard->ShutcutNameEdit->Text(), "Notepad");
            EXPECT_EQ(wizard->AppPathEdit->Text(), "C:\\windows\\notepad.exe");
            EXPECT_TRUE(wizard->NextButton->Enabled());
            EXPECT_TRUE(wizard->DragPanel->Caption().empty()) << "the target's icon in place of the caption";
            wizard->AppPathEdit->SetText(c.path);
            Click(wizard->NextButton);
            wizard->ShutcutNameEdit->SetText(c.name);
            Click(wizard->NextButton);
            if (c.button == "finish") {
                testing_support::AnswerDialog(
                    [&](HWND box) {
                        EnumChildWindows(box, AppendWindowText, reinterpret_cast<LPARAM>(&message));
                        EXPECT_EQ(GetWindow(box, GW_OWNER), wizard->Handle());
                        PostMessageA(box, WM_COMMAND, c.answer, 0);
                    });
                Click(wizard->FinishButton); // asks, if it does, before it returns
                testing_support::StopAnswering();
            }
            if (wizard->ModalResult() != mrNone) return;
            if (c.button == "finish") {
                result = " open=" + std::to_string(wizard->Notebook1->PageIndex());
                EXPECT_EQ(wizard->AppPathEdit->Text(), c.path) << "the path stays for another choice";
            }
            Click(wizard->CancelButton);
        });
        Click(form->SetCustomButton);
        EXPECT_EQ(Wizard(), nullptr) << "the wizard is destroyed";
        const TKeyFunctionRecord* r = form->CurrentRecord;
        const bool asked =
            message.find(c.path) != std::string::npos && message.find(AppText(atTargetMissingAsk)) != std::string::npos;
        const std::string box = message.empty()                            ? "-"
                                : message.find("255") != std::string::npos ? "limit"
                                : asked                                    ? "missing"
                                                                           : message;
        EXPECT_EQ("name=" + std::to_string(r->CustomName.Length) + " path=" + r->CustomPath.Get() +
                      " app=" + std::to_string(form->AppLabelEdit->Text().size()) +
                      " apply=" + std::to_string(form->ApplyButton->Enabled()) + " box=" + box + result,
                  c.expected);
    }
    DeleteFileA(atLimit.c_str());
}

// A custom key whose file or folder is not there says so under its name, the
// path in the hint; a target that is there and a key in another mode do not.
// Showing it changes no record.
TEST_F(KeysPage, AMissingTargetIsShownForACustomKeyOnly) {
    const std::string goneFile = "C:\\windows\\no such program.exe", goneFolder = "C:\\no such folder";
    delete form;
    WriteKeys({{15, 0, 0, "File", goneFile}, {16, 0, 0, "Folder", goneFolder + "\\"}, {1, 0, 0, "Here", "C:\\windows"},
               {2, 0, 0, "Here", "C:\\windows\\notepad.exe"}, {3, 0, 1003, "Special", goneFolder}});
    Open();
    Expect({{"open", "missing C:\\windows\\no such program.exe apply=0"},
            {"key 16", "missing C:\\no such folder\\ apply=0"},
            {"key 1", "- apply=0"},
            {"key 2", "- apply=0"},
            {"key 3", "- apply=1"},
            {"custom", "missing C:\\no such folder apply=1"},
            {"default", "- apply=1"}},
           {{"custom", [&] { Click(form->CustomRadioButton); }}, {"default", [&] { Click(form->DefaultRadioButton); }}},
           [&] {
               testing_support::Pump();
               TLabel* label = form->MissingTargetLabel;
               return (label->Visible() ? "missing " + label->Hint() : "-") +
                      " apply=" + std::to_string(form->ApplyButton->Enabled());
           });
    EXPECT_EQ(form->DataFile()->FindRecord(15)->CustomPath.Get(), goneFile);
    // The mark stays inside the frame of the custom target, and the pointer
    // resting on it shows the path.
    ClickKey(15);
    TLabel* label = form->MissingTargetLabel;
    auto* frame = dynamic_cast<TWinControl*>(form->FindComponent("Panel2"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(label->Parent(), frame);
    EXPECT_LE(label->BoundsRect().right, frame->Width() - 2);
    TScopedValue<UINT> pause(Application()->HintPause, 20);
    // As the system reports the pointer coming from the page around: the
    // page's move, the frame's move, then the page's leave, which may come late.
    TWinControl* page = frame->Parent();
    SendMessageA(page->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(frame->Left() - 5, frame->Top() - 5));
    SendMessageA(frame->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(label->Left() + 3, label->Top() + 3));
    SendMessageA(page->Handle(), WM_MOUSELEAVE, 0, 0);
    ASSERT_TRUE(testing_support::WaitFor([] { return Application()->HintWindow().Active(); }, 5000));
    EXPECT_EQ(Application()->HintWindow().Caption(), goneFile);
    Application()->CancelHint();
}

// The key icons, the custom programs' icons and the wizard come and go
// without leaving handles behind.
TEST_F(KeysPage, KeyChangesAndTheWizardLeaveNoHandles) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "GDI/USER handles cannot be counted in this run";
    auto round = [&] {
        for (int32_t key : {16, 3, 1, 15}) ClickKey(key);
        testing_support::Later(100, [&] { Click(Wizard()->CancelButton); });
        Click(form->SetCustomButton);
        testing_support::Pump();
    };
    testing_support::CurrentHandleCounts(); // counting starts with its first call
    round(); // warm-up: what is made once, and every shown icon made while counted
    const testing_support::THandleCounts before = testing_support::CurrentHandleCounts();
    round();
    round();
    EXPECT_EQ(form->CurrentKeyId, 15);
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

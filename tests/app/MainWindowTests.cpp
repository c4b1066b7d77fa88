// The main window in-process: it holds the shared block while open and
// restores it at close, takes back an interrupted save, and its OSD page,
// page switching, dragging by the title strip, failed saves and Escape.
#include "AppFixtures.h"

#include <cstring>
#include <tuple>

#include "forms/SafeSave.h"
#include "tests/support/HandleCounter.h"

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

// The OSD and Key Status pages get their windows when first shown. Until
// then their controls hold what the opening gave them, and the windows made
// later show just that: one row per control, read from the control and,
// where the system's control keeps it too, from its window.
TEST_F(MainWindow, HiddenPagesHoldTheirStateUntilTheirWindowsAreMade) {
    Open();
    const std::vector<TWinControl*> controls = {
        form->OSDColorItemComboBox, form->OSDDelayTimeComboBox, form->OSDColorSelector, form->OSDFramePanel,
        form->OSDBKPanel, form->UseDefaultOSDColorButton, form->SLockCheckBox, form->NLockCheckBox,
        form->ClockCheckBox};
    auto table = [&](bool fromWindows) {
        std::string rows;
        for (TWinControl* c : controls) {
            const bool window = fromWindows && c->HandleAllocated();
            HWND h = window ? c->Handle() : nullptr;
            rows += c->Name() + " enabled=" + std::to_string(window ? IsWindowEnabled(h) != FALSE : c->Enabled()) +
                    " colour=" + Hex(c->Color());
            if (auto* combo = dynamic_cast<TComboBox*>(c))
                rows += " items=" + std::to_string(window ? SendMessageA(h, CB_GETCOUNT, 0, 0) : LRESULT(combo->Items().size())) +
                        " index=" + std::to_string(window ? SendMessageA(h, CB_GETCURSEL, 0, 0) : combo->ItemIndex());
            if (auto* box = dynamic_cast<TCheckBox*>(c))
                rows += " checked=" + std::to_string(window ? SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED : box->Checked());
            if (auto* button = dynamic_cast<TButton*>(c)) {
                char text[64] = "";
                if (window) GetWindowTextA(h, text, sizeof text);
                rows += " text=" + (window ? std::string(text) : button->Caption());
            }
            rows += "\n";
        }
        return rows;
    };
    for (TWinControl* c : controls) EXPECT_FALSE(c->HandleAllocated()) << c->Name() << " has a window before its page shows";
    const std::string opened = table(false);
    for (int page : {1, 2, 0}) ShowPage(page);
    for (TWinControl* c : controls) EXPECT_TRUE(c->HandleAllocated()) << c->Name();
    EXPECT_EQ(table(false), opened);
    EXPECT_EQ(table(true), opened);
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

// Moved to a display of another resolution, the pictures and the bar's
// font are made again at the new one's sizes, not stretched: the list's
// images, the key's icon and the bar font follow 96 -> 144 -> 96 exactly.
TEST_F(KeysPage, AMoveToAnotherResolutionReloadsIconsAndTheBarFont) {
    Open();
    auto sizes = [&] {
        return std::vector<int>{form->ImageList1->Width(), form->ImageList1->Count(), form->KeyImage->Picture().Width(),
                                form->UlaListBox1->BarFont().Height()};
    };
    const std::vector<int> at96 = sizes();
    ASSERT_EQ(at96[1], 8);
    for (const auto& [dpi, expected] : {std::pair{144, std::vector<int>{24, 8, 48, MulDiv(at96[3], 144, 96)}}, {96, at96}}) {
        RECT suggested = form->BoundsRect();
        SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(sizes(), expected) << dpi << " dpi";
    }
}

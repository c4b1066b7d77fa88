// The Keys page in-process: keys picked on the picture by mouse and by
// keyboard, the mode controls and the function list, "Restore all", a
// def.kfd that cannot be read, missing targets, and "Set..." with the key
// function set wizard.
#include "AppFixtures.h"

#include <cstring>

#include "app/AppTexts.h"
#include "forms/ScopedValue.h"
#include "tests/support/AccessibleReading.h"
#include "tests/support/HandleCounter.h"

namespace {

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

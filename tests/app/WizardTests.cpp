// The key function set wizard driven like a user: buttons clicked, names
// typed, files dropped with real WM_DROPFILES messages, and the way it ends.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/wzFunSet.h"
#include "forms/SysUtils.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/HandleCounter.h"
#include "tests/support/Drops.h"

using namespace forms;
using testing_support::MakeDrop;
using testing_support::AnswerDialog;
using testing_support::MessageText;
using testing_support::Later;
using testing_support::Pump;

namespace {


// A program with an icon of its own.
std::string Program() {
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, sizeof path);
    return std::string(path) + "\\notepad.exe";
}

class Wizard : public ::testing::Test {
protected:
    void SetUp() override {
        w = CreateForm<TFunSetForm>(nullptr);
        w->Show();
    }
    void TearDown() override { delete w; }

    // As the Keys page opens it: Next follows the path, the icon shown if any.
    void Open(const std::string& path) {
        w->ShowTargetIcon(path);
        w->AppPathEdit->SetText(path);
        w->NextButton->SetEnabled(!path.empty());
    }
    bool ShowsIcon(TImage* image) { return image->Picture().Graphic() && !image->Picture().Graphic()->Empty(); }
    void Click(TWinControl* button) { SendMessageA(button->Handle(), BM_CLICK, 0, 0); }
    void Drop(const std::vector<std::string>& names) {
        SendMessageA(w->DragPanel->Handle(), WM_DROPFILES, WPARAM(MakeDrop(names)), 0);
    }
    // Page, then the visible buttons in order Back Next Cancel Finish, then
    // whether Next is enabled.
    std::string State() {
        std::string s = std::to_string(w->Notebook1->PageIndex()) + " ";
        for (auto [button, letter] : {std::pair{w->BackButton, 'B'}, {w->NextButton, 'N'},
                                      {w->CancelButton, 'C'}, {w->FinishButton, 'F'}})
            if (button->Visible()) s += letter;
        return s + (w->NextButton->Enabled() ? " on" : " off");
    }

    TFunSetForm* w = nullptr;
};

} // namespace

TEST_F(Wizard, EveryStepMovesPagesAndButtonsAsTheTableSays) {
    Open("C:\\x.exe"); // no name yet
    EXPECT_EQ(State(), "0 NC on");
    struct Step {
        const char* action;
        std::function<void()> run;
        const char* state;
    };
    const std::vector<Step> steps = {
        {"Next to an empty name", [&] { Click(w->NextButton); }, "1 BNC off"},
        {"type a name", [&] { w->ShutcutNameEdit->SetText("N"); }, "1 BNC on"},
        {"path changed off its page", [&] { w->AppPathEdit->SetText(""); }, "1 BNC on"},
        {"clear the name", [&] { w->ShutcutNameEdit->SetText(""); }, "1 BNC off"},
        {"Back re-reads the empty path", [&] { Click(w->BackButton); }, "0 NC off"},
        {"name changed off its page", [&] { w->ShutcutNameEdit->SetText("Notes"); }, "0 NC off"},
        {"path given", [&] { w->AppPathEdit->SetText("C:\\x.exe"); }, "0 NC on"},
        {"Next to the name", [&] { Click(w->NextButton); }, "1 BNC on"},
        {"Next to the end", [&] { Click(w->NextButton); }, "2 BF on"},
        {"Back keeps Next as left", [&] { Click(w->BackButton); }, "1 BNC on"},
        {"Next again", [&] { Click(w->NextButton); }, "2 BF on"},
    };
    for (const Step& step : steps) {
        step.run();
        EXPECT_EQ(State(), step.state) << step.action;
    }
    EXPECT_EQ(w->AppNameLabelEdit->Text(), "Notes");
    Click(w->BackButton);
    EXPECT_EQ(GetFocus(), w->ShutcutNameEdit->Handle()) << "back on the name page, the name has the focus";
}

TEST_F(Wizard, OpenedWithAPathShowsItsIconAndWithoutOneCannotGoOn) {
    Open("");
    EXPECT_EQ(State(), "0 NC off");
    EXPECT_FALSE(ShowsIcon(w->DragImage));
    EXPECT_EQ(w->DragPanel->Caption(), "Drag Here");
    Open(Program());
    EXPECT_EQ(State(), "0 NC on");
    EXPECT_TRUE(ShowsIcon(w->DragImage));
    EXPECT_EQ(w->DragPanel->Caption(), "");
    // A path too long for the lookup is taken, keeping the icon shown before.
    const std::string tooLong = "C:\\" + std::string(300, 'a');
    Open(tooLong);
    EXPECT_EQ(w->AppPathEdit->Text(), tooLong);
    EXPECT_TRUE(ShowsIcon(w->DragImage));
    // The last page shows the target's icon.
    w->ShutcutNameEdit->SetText("Notes");
    Open(Program());
    Click(w->NextButton);
    Click(w->NextButton);
    EXPECT_TRUE(ShowsIcon(w->Image1));
}

TEST_F(Wizard, OneDroppedFileOrFolderBecomesThePath) {
    for (const std::string& target : {Program(), ExecutableDirectory()}) {
        w->AppPathEdit->SetText("");
        Drop({target});
        EXPECT_TRUE(w->DropAccepted);
        EXPECT_EQ(w->AppPathEdit->Text(), target);
        EXPECT_EQ(State(), "0 NC on");
    }
    EXPECT_EQ(w->DragPanel->Caption(), "") << "the dropped program's icon replaced the caption";
    EXPECT_TRUE(ShowsIcon(w->DragImage));
}

TEST_F(Wizard, TwoDroppedFilesAreRefusedWithAMessageOwnedByTheWizard) {
    Open(Program());
    std::string text, caption;
    HWND owner = nullptr;
    AnswerDialog([&](HWND box) {
        text = MessageText(box);
        char buffer[256] = "";
        GetWindowTextA(box, buffer, sizeof buffer);
        caption = buffer;
        owner = GetWindow(box, GW_OWNER);
        EXPECT_EQ(GetForegroundWindow(), box);
        // The error icon (the box's icon control, stc1).
        EXPECT_EQ(HICON(SendDlgItemMessageA(box, 0x0440, STM_GETICON, 0, 0)), LoadIconA(nullptr, IDI_ERROR));
        EXPECT_EQ(GetDlgItem(box, IDCANCEL) == nullptr || !IsWindowVisible(GetDlgItem(box, IDCANCEL)), true);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    Drop({Program(), ExecutableDirectory()});
    EXPECT_EQ(text, "You can only drag one file.");
    EXPECT_EQ(caption, "ERROR");
    EXPECT_EQ(owner, w->Handle());
    EXPECT_FALSE(w->DropAccepted);
    EXPECT_EQ(w->AppPathEdit->Text(), "");
    EXPECT_EQ(State(), "0 NC off");
}

TEST_F(Wizard, EndsWithOneOnlyByFinishAndEnterAndEscapeDoNothing) {
    Open(Program());
    w->ShutcutNameEdit->SetText("Notes");
    struct Ending {
        const char* how;
        std::function<void()> end;
        TModalResult result;
    };
    const std::vector<Ending> endings = {
        {"Cancel", [&] { Click(w->CancelButton); }, mrCancel},
        {"the frame", [&] { PostMessageA(w->Handle(), WM_CLOSE, 0, 0); }, mrCancel},
        {"Finish", [&] { Click(w->NextButton); Click(w->NextButton); Click(w->FinishButton); }, mrOk},
    };
    for (const Ending& ending : endings) {
        w->Hide();
        Later(50, [&] {
            // From the path box: a focused push button would take Enter itself.
            SetFocus(w->AppPathEdit->Handle());
            const std::string before = State();
            for (UINT key : {VK_RETURN, VK_ESCAPE}) {
                PostMessageA(w->AppPathEdit->Handle(), WM_KEYDOWN, key, 0);
                EXPECT_TRUE(testing_support::HandlePosted()) << "the key was not handled";
            }
            EXPECT_EQ(w->ModalResult(), mrNone) << "Enter and Escape are bound to no button";
            EXPECT_EQ(State(), before) << "nor did they press one";
            ending.end();
        });
        EXPECT_EQ(w->ShowModal(), ending.result) << ending.how;
    }
}

// A name the code page cannot hold ("Ωμέγα.exe" comes out as "Oµ??a.exe",
// "Ωμ.exe" as "Oµ.exe", naming another file) is refused, from Browse and
// from a drop alike, with a message that names it; the wizard keeps the path
// it held and stays open.
TEST_F(Wizard, ANameOutsideTheCodePageIsRefusedAndThePathKept) {
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    for (const wchar_t* file : {L"\u03A9\u03BC\u03AD\u03B3\u03B1.exe", L"\u03A9\u03BC.exe"}) {
        const std::wstring name = temp + std::wstring(file);
        CloseHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        for (const bool browse : {true, false}) {
            SCOPED_TRACE(browse ? "browse" : "drop");
            Open(Program());
            std::wstring text;
            HWND owner = nullptr, fileDialog = nullptr;
            std::function<void(HWND)> answer = [&](HWND box) {
                HWND nameBox = GetDlgItem(box, 0x47C) ? GetDlgItem(box, 0x47C) : GetDlgItem(box, 0x480);
                if (box == fileDialog || (browse && !fileDialog && nameBox)) {
                    if (!fileDialog) {
                        fileDialog = box;
                        SetWindowTextW(nameBox, name.c_str());
                        PostMessageA(box, WM_COMMAND, IDOK, 0);
                    }
                    AnswerDialog(answer); // the message comes next
                    return;
                }
                wchar_t shown[1024] = L"";
                GetDlgItemTextW(box, 0xFFFF, shown, 1024);
                text = shown;
                owner = GetWindow(box, GW_OWNER);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            };
            AnswerDialog(answer);
            if (browse) Click(w->BrowseButton);
            else SendMessageA(w->DragPanel->Handle(), WM_DROPFILES, WPARAM(MakeDrop(std::vector<std::wstring>{name})), 0);
            Pump(100);
            EXPECT_NE(text.find(name), std::wstring::npos) << "the message names the file";
            EXPECT_EQ(owner, w->Handle());
            EXPECT_EQ(w->AppPathEdit->Text(), Program());
            EXPECT_EQ(State(), "0 NC on");
            EXPECT_TRUE(IsWindowVisible(w->Handle()));
        }
        DeleteFileW(name.c_str());
    }
}

// The wizard without a mouse: Tab walks the shown page and the buttons,
// the access keys press the buttons; each key records the page and the focus.
TEST_F(Wizard, TheKeyboardAloneWalksToFinish) {
    Open(Program());
    auto press = [&](UINT msg, WPARAM key) {
        PostMessageA(GetFocus(), msg, key, msg == WM_SYSCHAR ? (1 | (1 << 29)) : 1);
        Application()->ProcessMessages();
        TWinControl* focus = TWinControl::FromHandle(GetFocus());
        return std::to_string(w->Notebook1->PageIndex()) + " " + (focus ? focus->Name() : "-");
    };
    w->AppPathEdit->SetFocus();
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) seen.push_back(press(WM_KEYDOWN, VK_TAB));
    seen.push_back(press(WM_SYSCHAR, 'n'));
    seen.push_back(press(WM_CHAR, 'X'));
    for (char key : {'n', 'b', 'b', 'n', 'n', 'f'}) seen.push_back(press(WM_SYSCHAR, WPARAM(key)));
    // No key goes to a control of a hidden page.
    EXPECT_EQ(seen, (std::vector<std::string>{"0 BrowseButton", "0 NextButton", "0 CancelButton", "0 AppPathEdit",
                                              "1 ShutcutNameEdit", "1 ShutcutNameEdit", "2 AppNameLabelEdit",
                                              "1 ShutcutNameEdit", "0 AppPathEdit", "1 ShutcutNameEdit",
                                              "2 AppNameLabelEdit", "2 AppNameLabelEdit"}));
    EXPECT_EQ(w->ShutcutNameEdit->Text(), "X");
    EXPECT_EQ(w->ModalResult(), mrOk);
}

// Finish asks about a target only when a full path is reported absent: a
// bare program name or an address is the shell's to find.
TEST(WizardTarget, MissingOnlyWhenAFullPathIsReportedAbsent) {
    const std::pair<std::string, bool> cases[] = {
        {ExecutableDirectory(), false}, {"notepad.exe", false}, {"http://example.com/a.exe", false}, {"", false},
        {"C:/no such folder/tool.exe", true}, {"Q:\\tool.exe", true}};
    for (const auto& [path, missing] : cases) EXPECT_EQ(TFunSetForm::TargetMissing(path), missing) << path;
}

TEST(WizardHandles, AUseWithIconsAndDropsLeavesNoHandleBehind) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "no handle counts";
    delete CreateForm<TFunSetForm>(nullptr); // first use: the library's shared objects
    auto before = testing_support::CurrentHandleCounts();
    auto* w = CreateForm<TFunSetForm>(nullptr);
    w->Show();
    w->ShowTargetIcon(Program());
    SendMessageA(w->DragPanel->Handle(), WM_DROPFILES, WPARAM(MakeDrop({Program()})), 0);
    w->ShutcutNameEdit->SetText("Notes");
    w->NextButtonClick(w->NextButton);
    w->NextButtonClick(w->NextButton);
    Pump();
    delete w;
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

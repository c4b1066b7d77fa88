// What the in-process tests of the settings application share: the shared
// block with a window standing in for the service's (App), the main window
// over a block of known values (MainWindow), the Keys page over a def.kfd of
// known records (KeysPage), and a few helpers.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/KbdDll.h"
#include "app/main.h"
#include "app/wzFunSet.h"
#include "components/ColorForm.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/GuiTestSupport.h"

// The fixtures, like the tests, are written in the form library's names.
using namespace forms;

// The folder of the test program, where the program's libraries lie too.
std::string BinDir();
// An EnumChildWindows callback: appends each window's text to the
// std::string that text points to.
BOOL CALLBACK AppendWindowText(HWND window, LPARAM text);
std::string Hex(uint32_t value);
// The whole file, byte for byte.
std::string ReadBytes(const std::string& name);

// Reload requests the service window got; MainWindow puts CountReloads in
// front of its window procedure, serviceProc.
extern int reloads;
extern WNDPROC serviceProc;
LRESULT CALLBACK CountReloads(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The shared block filled with known bytes, and a window standing in for the
// service's.
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

struct KeyRecord {
    int32_t id;
    uint8_t useDefault;
    int32_t special;
    std::string name, path;
};

// Custom 15 and 16, factory 1 (keeping an old special function and name) and
// 2, special 3 and 4, an identifier the list lacks on 5; 6 has no record.
extern const std::vector<KeyRecord> kKeys;

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

// Varnoq as a user meets it: the stand-in service and the program started
// from a fresh folder, worked with the mouse and the keyboard, and judged by
// what is outside the program only: exit codes, the service's shared block,
// the files beside the program, the service's log, windows and pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "SharedSettingsBlock.h"
#include "Torvel32.h"
#include "UserDriver.h"
#include "tests/support/AccessibleReading.h"

using namespace acceptance;

namespace {

constexpr DWORD kStartMs = 30000; // a start under load, other tests having run
constexpr DWORD kReactMs = 10000; // one reaction to one input

// def.kfd: a header of 1293 bytes with the save time at 1..8, then records
// of 526 bytes: KeyId, 5 reserved, UseDefault at 9, SpecialFunctionId at 10.
constexpr size_t kHeader = 1293, kRecord = 526;

// Where keys 1, 9 and 18 lie on the keyboard picture (their middles), by
// the stored map.
constexpr POINT kKey1{82, 29}, kKey5{17, 34}, kKey9{256, 50}, kKey18{587, 32};
constexpr RECT kKey9Rect{243, 38, 270, 62};
constexpr RECT kStrip{0, 0, 640, 82}; // the picture, at (1, 1) in the window

int32_t Int32At(const std::string& bytes, size_t at) {
    int32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// First differing byte, or "none", for messages.
std::string FirstDifference(const std::string& a, const std::string& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) return "byte " + std::to_string(i);
    return a.size() == b.size() ? "none" : "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

// The stored file is the original with a new save time and key's record
// set to the special function, every other byte as it was.
void ExpectStoredWithSpecialKey(const std::string& original, const std::string& stored, int key, int32_t special) {
    ASSERT_EQ(stored.size(), original.size()) << "def.kfd's size";
    EXPECT_NE(stored.substr(1, 8), original.substr(1, 8)) << "the save time was not written";
    std::string expected = original;
    expected.replace(1, 8, stored, 1, 8);
    for (size_t at = kHeader; at + kRecord <= expected.size(); at += kRecord)
        if (Int32At(expected, at) == key) {
            expected[at + 9] = 0;
            std::memcpy(expected.data() + at + 10, &special, 4);
        }
    EXPECT_TRUE(stored == expected) << "def.kfd differs from the expected bytes at " << FirstDifference(stored, expected);
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// To a corner of the screen, away from the window.
void MoveMouseAway() { MoveMouse({GetSystemMetrics(SM_CXSCREEN) - 10, GetSystemMetrics(SM_CYSCREEN) - 10}); }

class Acceptance : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(block, nullptr) << "no shared block from the service's library";
        std::memset(block, 0, sizeof *block);
    }
    void TearDown() override {
        program.reset();
        StopService();
        std::memset(block, 0, sizeof *block);
    }

    // Ends the service as a user does; everything posted to it before is
    // then in its log.
    void StopService() {
        if (!here || !service) return;
        Process stop;
        stop.Start(here->Path("KeyboardService.exe"), "--stop");
        EXPECT_EQ(stop.Wait(kStartMs), 0) << "KeyboardService --stop";
        EXPECT_EQ(service->Wait(kStartMs), 0) << "the service did not end on --stop";
        EXPECT_NE(Log().find("stopped"), std::string::npos) << Log();
        service.reset();
    }
    std::string FinalLog() {
        StopService();
        return Log();
    }

    void Install(const std::vector<std::string>& files) {
        here = std::make_unique<Installation>(files);
        EXPECT_EQ(here->NotCopied(), "") << "files of the build that could not be installed";
    }
    std::string Log() const { return here->Read("service.log"); }

    void StartService() {
        service = std::make_unique<Process>();
        ASSERT_TRUE(service->Start(here->Path("KeyboardService.exe"))) << "cannot start the service";
        ASSERT_TRUE(WaitFor([&] { return block->ServiceWindow != 0; }, kStartMs))
            << "the service did not publish its window in the block";
    }
    void StartProgram() {
        program = std::make_unique<Process>();
        ASSERT_TRUE(program->Start(here->Path("Varnoq.exe"))) << "cannot start Varnoq.exe";
    }
    // The service, then the program, up to its window on screen.
    void Open() {
        ASSERT_NO_FATAL_FAILURE(StartService());
        std::memcpy(&published, block, sizeof published);
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(Window()) != FALSE; }, kStartMs))
            << "no settings window came up; SettingsWindow=" << block->SettingsWindow
            << " exit=" << program->Wait(0);
        tabs = FindChildOfClass(Window(), "SysTabControl32");
        ASSERT_NE(tabs, nullptr) << "no page tabs in the window";
        // Seen on screen: input goes to the front window.
        SetForegroundWindow(Window());
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == Window(); }, kReactMs))
            << "the window did not come to the front";
        MoveMouseAway();
        RECT r;
        GetWindowRect(Window(), &r);
        ASSERT_TRUE(WaitForStillScreen(r, kStartMs)) << "the window is still being drawn";
    }
    HWND Window() const { return WindowFromField(block->SettingsWindow); }
    // The page on show.
    HWND Page() const {
        return FindChild(tabs, [&](HWND w) { return GetParent(w) == tabs && IsWindowVisible(w); });
    }
    // The control at a place of the page on show, by its layout position.
    HWND PageControlAt(int x, int y) const {
        return ChildWindowFromPointEx(Page(), POINT{x, y}, CWP_SKIPINVISIBLE);
    }
    HWND Visible(const std::string& caption) const {
        return FindChild(Window(), [&](HWND w) { return IsWindowVisible(w) && WindowText(w) == caption; });
    }
    HWND Button(const std::string& caption) const {
        HWND b = Visible(caption);
        EXPECT_NE(b, nullptr) << "no visible control \"" << caption << "\"";
        return b;
    }
    void ClickButton(const std::string& caption) {
        if (HWND b = Button(caption)) ClickWindow(b);
    }
    POINT PicturePoint(int x, int y) const { return ClientPoint(Window(), 1 + x, 1 + y); }
    RECT PictureRect(const RECT& r) const {
        POINT tl = PicturePoint(r.left, r.top);
        return {tl.x, tl.y, tl.x + r.right - r.left, tl.y + r.bottom - r.top};
    }
    // Clicks a key on the picture; the key-name button then names it.
    void ClickKey(POINT place, const std::string& name) {
        Click(PicturePoint(place.x, place.y));
        EXPECT_TRUE(WaitFor([&] { return WindowText(PageControlAt(90, 40)) == name; }, kReactMs))
            << "after a click at (" << place.x << "," << place.y << ") the key shown is \""
            << WindowText(PageControlAt(90, 40)) << "\", expected \"" << name << "\"";
    }
    // Gives the key shown the special function of the list's second row.
    void ChooseSecondSpecialFunction() {
        ClickButton("Special Function");
        HWND list = FindChildOfClass(Page(), "ListBox");
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(list) != FALSE; }, kReactMs)) << "the list stays disabled";
        ASSERT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 0) << "the list is not scrolled to its top";
        const LRESULT rowHeight = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
        Click(ClientPoint(list, 40, int(rowHeight + rowHeight / 2)));
        EXPECT_TRUE(WaitFor([&] { return SendMessageA(list, LB_GETCURSEL, 0, 0) == 1; }, kReactMs))
            << "selected row " << SendMessageA(list, LB_GETCURSEL, 0, 0) << " after a click on row 1";
    }
    void ExpectClosedBy(const std::string& button) {
        ClickButton(button);
        EXPECT_EQ(program->Wait(kStartMs), 0) << "exit code after " << button;
    }
    void ExpectBlock(const TSharedSettingsBlock& expected, const char* when) {
        EXPECT_EQ(std::memcmp(&expected, block, sizeof expected), 0)
            << when << ": the block differs from the expected one at byte "
            << FirstDifference(std::string(reinterpret_cast<const char*>(&expected), sizeof expected),
                               std::string(reinterpret_cast<const char*>(block), sizeof *block));
    }

    TSharedSettingsBlock* block = static_cast<TSharedSettingsBlock*>(AttachSharedBlock());
    TSharedSettingsBlock published{}; // as the service published it
    std::unique_ptr<Installation> here;
    std::unique_ptr<Process> service, program;
    HWND tabs = nullptr;
};

} // namespace

// Exit code 1 without the service, and for a second start while a window is
// open (which comes to the front instead); 0 after OK.
TEST_F(Acceptance, RefusedStartsEndWithOneAndOKWithZero) {
    Install({"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe"});
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    EXPECT_EQ(program->Wait(kStartMs), 1) << "exit code without the service";
    EXPECT_EQ(block->SettingsWindow, 0u) << "a window was made without the service";

    ASSERT_NO_FATAL_FAILURE(Open());
    // Something else in front, as when the user works elsewhere.
    HWND other = CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 900, 700, 200,
                                 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == other; }, kReactMs));
    Process second;
    ASSERT_TRUE(second.Start(here->Path("Varnoq.exe")));
    EXPECT_EQ(second.Wait(kStartMs), 1) << "exit code of a second start";
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == Window(); }, kReactMs))
        << "the open window did not come to the front; front is " << GetForegroundWindow();
    DestroyWindow(other);
    ExpectClosedBy("OK");
    const std::string log = FinalLog();
    EXPECT_EQ(Count(log, "reload:"), 0u) << "OK with nothing changed reloaded the service\n" << log;
}

// A language module whose window cannot be made: the error is shown, the
// user confirms it, the program ends with 2 and the block is as it was.
TEST_F(Acceptance, AWindowThatCannotBeMadeIsShownAndEndsWithTwo) {
    Install({"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "broken:TORLANG.DLL"});
    ASSERT_NO_FATAL_FAILURE(StartService());
    std::memcpy(&published, block, sizeof published);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindTopWindowOf(program->Id(), "#32770")) != nullptr; }, kStartMs))
        << "no message box; exit " << program->Wait(0);
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_NE(std::string(text).find("OKButtonKlick"), std::string::npos) << "the box says: " << text;
    HWND ok = FindChildWithText(box, "OK");
    ASSERT_NE(ok, nullptr) << "no OK on the message box";
    ClickWindow(ok);
    EXPECT_EQ(program->Wait(kStartMs), 2) << "exit code";
    ExpectBlock(published, "after the failed start");
}

// The block while open, after Apply (the service reloads it) and after
// Cancel (back to the applied one); the outline follows the page.
TEST_F(Acceptance, TheBlockLiveAppliedAndCancelled) {
    Install({"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL", "TORGFX.DLL", "def.kfd"});
    ASSERT_NO_FATAL_FAILURE(Open());
    TSharedSettingsBlock expected = published;
    expected.SettingsWindow = WindowToField(Window());
    ExpectBlock(expected, "while open");

    // The window is the picture strip and the panel on the Keys page, the
    // panel alone on the others; Ctrl+Tab goes on to the next page.
    HRGN outline = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(Window(), outline);
    EXPECT_TRUE(PtInRegion(outline, 10, 10)) << "the picture strip is not part of the Keys page's window";
    PressKeys({VK_CONTROL, VK_TAB});
    EXPECT_TRUE(WaitFor([&] {
        GetWindowRgn(Window(), outline);
        return !PtInRegion(outline, 10, 10);
    }, kReactMs)) << "the strip stays part of the window on the second page";
    DeleteObject(outline);
    // The show time: its list dropped down by a click, the last entry by
    // the keyboard.
    HWND delay = FindChild(Page(), [](HWND w) { return SendMessageA(w, CB_GETCOUNT, 0, 0) == 10; });
    ASSERT_NE(delay, nullptr) << "no list of ten show times on the OSD page";
    ClickWindow(delay);
    EXPECT_TRUE(WaitFor([&] { return SendMessageA(delay, CB_GETDROPPEDSTATE, 0, 0) != 0; }, kReactMs))
        << "the show times did not drop down";
    PressKeys({VK_END});
    PressKeys({VK_RETURN});
    expected.OSDDelayTime = 10;
    EXPECT_TRUE(WaitFor([&] { return block->OSDDelayTime == 10; }, kReactMs))
        << "show time " << block->OSDDelayTime << ", expected 10";
    PressKeys({VK_CONTROL, VK_TAB});
    HWND caps = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (caps = Visible("Show \"&Caps Lock\" Status")) != nullptr; },
                        kReactMs))
        << "Ctrl+Tab did not reach the Key Status page";
    ClickWindow(caps);
    expected.CapsLockStatus = 0;
    EXPECT_TRUE(WaitFor([&] { return block->CapsLockStatus == 0; }, kReactMs)) << "Caps Lock not written live";
    ExpectBlock(expected, "after the show time and the Caps Lock click");

    ClickButton("Apply");
    const std::string reload = "reload: delay=10 frame=2147483663 name=16711680 bk=16776960 caps=0 num=-1 scroll=0";
    EXPECT_TRUE(WaitFor([&] { return Log().find(reload) != std::string::npos; }, kReactMs))
        << "expected \"" << reload << "\" in the service's log:\n" << Log();
    ExpectBlock(expected, "after Apply");

    ClickButton("Show \"&Num Lock\" Status");
    EXPECT_TRUE(WaitFor([&] { return block->NumLockStatus == 0; }, kReactMs)) << "Num Lock not written live";
    PressKeys({VK_ESCAPE}); // the Cancel button
    EXPECT_EQ(program->Wait(kStartMs), 0) << "exit code after Escape";
    expected.SettingsWindow = 0;
    ExpectBlock(expected, "after Cancel");
    const std::string log = FinalLog();
    EXPECT_EQ(Count(log, "reload:"), 1u) << "Cancel reloaded the service:\n" << log;
}

// A key clicked on the picture and given a special function from the list:
// Apply stores def.kfd with that key's record and the save time changed
// only, and the service reloads it; Cancel then leaves the file as applied.
TEST_F(Acceptance, ApplyStoresASpecialKeyInDefKfd) {
    Install({"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL", "TORGFX.DLL", "def.kfd", "Q5.bmp",
             "Q5Mask.bmp"});
    const std::string original = here->Read("def.kfd");
    ASSERT_EQ(original.size(), kHeader + 18 * kRecord);
    ASSERT_NO_FATAL_FAILURE(Open());
    ClickKey(kKey1, "Refresh");
    ASSERT_NO_FATAL_FAILURE(ChooseSecondSpecialFunction());
    ClickButton("Apply");
    EXPECT_TRUE(WaitFor([&] { return Log().find("key 1 special special=1002 name=\"\" path=\"\"") != std::string::npos; },
                        kReactMs))
        << "the service did not reload key 1 as special function 1002:\n" << Log();
    const std::string applied = here->Read("def.kfd");
    ExpectStoredWithSpecialKey(original, applied, 1, 1002);
    ExpectClosedBy("Cancel");
    EXPECT_TRUE(here->Read("def.kfd") == applied) << "Cancel changed def.kfd";
    const std::string log = FinalLog();
    EXPECT_EQ(Count(log, "reload:"), 1u) << "Cancel reloaded the service:\n" << log;
}

// A click on a key gives the picture the keyboard: Right and Enter then
// pick the key beside it, as in a list.
TEST_F(Acceptance, TheArrowsGoOnFromAClickedKey) {
    Install({"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL", "def.kfd", "Q5.bmp", "Q5Mask.bmp"});
    ASSERT_NO_FATAL_FAILURE(Open());
    ClickKey(kKey5, "Back");
    PressKeys({VK_RIGHT});
    PressKeys({VK_RETURN});
    EXPECT_TRUE(WaitFor([&] { return WindowText(PageControlAt(90, 40)) == "Forward"; }, kReactMs))
        << "after a click on key 5, Right and Enter, the key shown is \"" << WindowText(PageControlAt(90, 40)) << "\"";
    ExpectClosedBy("Cancel");
}

// A screen reader asks from a process of its own, as this one is: the
// picture's window answers with its 18 keys, in the map's order, each a push
// button named as the Keys page names it; a key's default action picks it.
// The accessible object of the window that answers with the 18 keys, asked
// as a screen reader asks; null when none does.
IAccessible* AccessibleKeys(HWND window) {
    IAccessible* keys = nullptr;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM found) WINAPI -> BOOL {
            IAccessible* acc = testing_support::AccessibleOf(child);
            long count = 0;
            if (acc && acc->get_accChildCount(&count) == S_OK && count == 18) {
                *reinterpret_cast<IAccessible**>(found) = acc;
                return FALSE;
            }
            if (acc) acc->Release();
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&keys));
    return keys;
}

TEST_F(Acceptance, AScreenReaderInItsOwnProcessFindsTheKeys) {
    using namespace testing_support;
    Install({"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL", "def.kfd", "Q5.bmp", "Q5Mask.bmp"});
    ASSERT_NO_FATAL_FAILURE(Open());
    TComScope com;
    IAccessible* keys = AccessibleKeys(Window());
    ASSERT_NE(keys, nullptr) << "no window answers with the 18 keys";
    const std::vector<std::string> expected = {
        "Back", "Forward", "Refresh", "Web Home", "Search", "Favourites", "Previous Track", "Play/Pause", "Stop",
        "Next Track", "Mute", "Volume Down", "Volume Up", "E-Mail", "Documents", "Calculator", "Media Player", "Sleep"};
    std::vector<std::string> listed;
    for (long id = 1; id <= 18; ++id) {
        listed.push_back(AccText(keys, &IAccessible::get_accName, id));
        EXPECT_EQ(AccNumber(keys, &IAccessible::get_accRole, id), ROLE_SYSTEM_PUSHBUTTON) << listed.back();
        std::printf("key %ld: %s, role %ld\n", id, listed.back().c_str(), AccNumber(keys, &IAccessible::get_accRole, id));
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(keys->accDoDefaultAction(Child(2)), S_OK);
    EXPECT_TRUE(WaitFor([&] { return WindowText(PageControlAt(90, 40)) == "Forward"; }, kReactMs))
        << "the default action of key 6 shows \"" << WindowText(PageControlAt(90, 40)) << "\"";
    keys->Release();
    ExpectClosedBy("Cancel");
}

// The screen reader's question loads the accessibility library into the
// program: the system's, never a copy planted in the program's folder, which
// a bare name would find first. Wine is told to search as Windows does for a
// library that is not one of its known ones: WINEDLLOVERRIDES=oleacc=n,b,
// which Wine takes from the environment it was started in.
TEST_F(Acceptance, AScreenReadersQuestionLoadsNoLibraryPlantedBesideTheProgram) {
    using namespace testing_support;
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
        const char* overrides = std::getenv("WINEDLLOVERRIDES");
        ASSERT_TRUE(overrides && std::strstr(overrides, "oleacc=n,b"))
            << "under Wine this needs WINEDLLOVERRIDES=oleacc=n,b, as its CTest entry sets";
    }
    Install({"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL", "planted:oleacc.dll"});
    ASSERT_NO_FATAL_FAILURE(Open());
    TComScope com;
    IAccessible* keys = AccessibleKeys(Window());
    ASSERT_NE(keys, nullptr) << "no window answers with the 18 keys";
    keys->Release();
    EXPECT_EQ(GetFileAttributesA(here->Path("oleacc.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the program loaded the oleacc.dll beside it";
    ExpectClosedBy("Cancel");
}

// A map file beside the program replaces the stored key map: with keys 1
// and 18 swapped and the others gone, a click at key 18's place chooses
// key 1, and OK stores it.
TEST_F(Acceptance, AKeyMapFileMovesTheKeys) {
    Install({"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL", "TORGFX.DLL", "def.kfd", "Q5.bmp",
             "Q5Mask.bmp"});
    here->Write("KBD.hmt", "Keys 1 and 18 change places; no other key has a place.\r\n"
                           "<ID=1 SHAPE=rectangle COORDS=\"572,17 603,47\" MOUSEOVER=\"572,17\">\r\n"
                           "<ID=18 SHAPE=rectangle COORDS=\"67,17 98,41\" MOUSEOVER=\"67,17\">\r\n");
    const std::string original = here->Read("def.kfd");
    ASSERT_NO_FATAL_FAILURE(Open());
    ClickKey(kKey18, "Refresh");
    ClickKey(kKey1, "Sleep");
    ClickKey(kKey18, "Refresh");
    // Key 9 is not in the file: its place selects nothing, and key 1 stays.
    Click(PicturePoint(kKey9.x, kKey9.y));
    ASSERT_NO_FATAL_FAILURE(ChooseSecondSpecialFunction());
    ExpectClosedBy("OK"); // OK applies what Apply would have
    const std::string log = FinalLog();
    EXPECT_NE(log.find("key 1 special special=1002"), std::string::npos) << log;
    EXPECT_NE(log.find("key 18 factory special=0"), std::string::npos) << log;
    ExpectStoredWithSpecialKey(original, here->Read("def.kfd"), 1, 1002);
}

namespace {

struct PictureCase {
    const char* name;
    bool picture, mask;
};

class Pictures : public Acceptance, public ::testing::WithParamInterface<PictureCase> {};

} // namespace

// The keyboard picture on screen when Q5.bmp is there, and a key under the
// mouse lit from Q5Mask.bmp when that is there too.
TEST_P(Pictures, OnScreen) {
    const PictureCase& c = GetParam();
    std::vector<std::string> files{"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "def.kfd"};
    if (c.picture) files.push_back("Q5.bmp");
    if (c.mask) files.push_back("Q5Mask.bmp");
    Install(files);
    const Pixels picture = LoadBitmapFile(BuildFile("Q5.bmp")), mask = LoadBitmapFile(BuildFile("Q5Mask.bmp"));
    ASSERT_EQ(picture.Width, kStrip.right);
    ASSERT_EQ(mask.Width, kStrip.right);
    ASSERT_NO_FATAL_FAILURE(Open());

    auto differing = [&] { return CountDifferent(CaptureScreen(PictureRect(kStrip)), picture); };
    const size_t total = picture.Rgb.size();
    if (c.picture)
        EXPECT_TRUE(WaitFor([&] { return differing() == 0; }, kReactMs))
            << differing() << " of " << total << " pixels of the strip differ from Q5.bmp";
    else
        EXPECT_GT(differing(), total / 2) << "without Q5.bmp the strip still shows it";

    const Pixels lit = Crop(mask, kKey9Rect), unlit = CaptureScreen(PictureRect(kKey9Rect));
    ASSERT_GT(CountDifferent(lit, Crop(picture, kKey9Rect)), lit.Rgb.size() / 2) << "Q5Mask.bmp does not light key 9";
    MoveMouse(PicturePoint(kKey9.x, kKey9.y));
    auto key = [&] { return CaptureScreen(PictureRect(kKey9Rect)); };
    if (c.mask) {
        EXPECT_TRUE(WaitFor([&] { return CountDifferent(key(), lit) == 0; }, kReactMs))
            << CountDifferent(key(), lit) << " pixels of key 9 under the mouse differ from Q5Mask.bmp";
    } else {
        Sleep(1000); // time to light up, were it wrongly to happen
        EXPECT_EQ(CountDifferent(key(), unlit), 0u) << "key 9 changed under the mouse without Q5Mask.bmp";
    }
    MoveMouseAway();
    ExpectClosedBy("Cancel");
}

INSTANTIATE_TEST_SUITE_P(Acceptance, Pictures,
                         ::testing::Values(PictureCase{"PictureAndMask", true, true},
                                           PictureCase{"PictureOnly", true, false},
                                           PictureCase{"Neither", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

struct LibraryCase {
    const char* name;
    bool texts, icons, language;
};

class Libraries : public Acceptance, public ::testing::WithParamInterface<LibraryCase> {};

} // namespace

// Each resource library on its own: the texts library names the key and the
// OSD items, the icons library draws the key's icon, the language module
// translates the window, and without them the program's own stand.
TEST_P(Libraries, TextsIconsAndLanguage) {
    const LibraryCase& c = GetParam();
    std::vector<std::string> files{"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "def.kfd"};
    if (c.texts) files.push_back("TORSTR.DLL");
    if (c.icons) files.push_back("TORGFX.DLL");
    if (c.language) files.push_back("TORLANG.DLL");
    Install(files);
    ASSERT_NO_FATAL_FAILURE(Open());

    EXPECT_EQ(WindowText(Window()), c.language ? "Corvane Multimedia-Tastatur" : "Corvane Media Keyboard");
    EXPECT_NE(FindChildWithText(Window(), c.language ? "Abbrechen" : "Cancel"), nullptr) << "Cancel's caption";
    // Key 15, the one the window opens on, by name on its factory button.
    EXPECT_EQ(WindowText(PageControlAt(90, 40)), c.texts ? "Documents" : "");
    // Its icon: a picture of several colours, or nothing drawn at all.
    POINT icon = ClientPoint(Page(), 9, 3);
    const size_t colours = CountColours(CaptureScreen({icon.x, icon.y, icon.x + 32, icon.y + 32}));
    if (c.icons) EXPECT_GT(colours, 4u) << "the key's icon is not drawn";
    else EXPECT_EQ(colours, 1u) << "an icon is drawn without the icons library";
    // The OSD page's item list.
    PressKeys({VK_CONTROL, VK_TAB});
    HWND items = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (items = FindChildOfClass(Page(), "ComboBox")) != nullptr; }, kReactMs));
    const std::string expected = c.texts ? "Frame|Background|Function name" : "||";
    EXPECT_EQ(ComboItemText(items, 0) + "|" + ComboItemText(items, 1) + "|" + ComboItemText(items, 2), expected);
    ExpectClosedBy(c.language ? "Abbrechen" : "Cancel");
}

INSTANTIATE_TEST_SUITE_P(Acceptance, Libraries,
                         ::testing::Values(LibraryCase{"None", false, false, false},
                                           LibraryCase{"TextsOnly", true, false, false},
                                           LibraryCase{"IconsOnly", false, true, false},
                                           LibraryCase{"LanguageOnly", false, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The stand-in service's on-screen display: drawn in the block's colours,
// shown without taking the focus, gone after its delay with every handle
// freed; and the running service showing it on reload, on a lock key's
// change and for --press, which also opens a custom key's target.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "HandleCounter.h"
#include "OsdWindow.h"
#include "Pixels.h"
#include "SharedSettingsBlock.h"
#include "Torvel32.h"
#include "forms/GdiGuards.h"
#include "forms/SysUtils.h"

using testing_support::Pump;
using testing_support::TPixels;
using testing_support::WaitFor;

namespace {

struct TColourSet {
    uint32_t Frame, Background, Text; // as the block holds them
};
// Two looks a user may apply: the defaults (a system colour among them) and a dark one.
constexpr TColourSet kColourSets[] = {
    {DefaultOSDFrameColor, DefaultOSDBKColor, DefaultOSDFunctionNameColor},
    {0x00000080, 0x00202020, 0x0000FFFF},
};

COLORREF Rgb(uint32_t c) { return c & 0x80000000u ? GetSysColor(int(c & 0xFF)) : COLORREF(c); }

// Frame around, the strip inside it, text on the strip; the icon (if any) on the frame left of the strip.
void ExpectLook(const TPixels& p, const TColourSet& set, bool withIcon) {
    RECT strip = service::OsdStrip({0, 0, p.Width, p.Height}, withIcon);
    EXPECT_EQ(p.At(1, 1), Rgb(set.Frame));
    EXPECT_EQ(p.At(p.Width - 2, p.Height - 2), Rgb(set.Frame));
    EXPECT_EQ(p.At(strip.left - 1, strip.top), Rgb(set.Frame));
    EXPECT_EQ(p.At(strip.left + 1, strip.top + 1), Rgb(set.Background));
    EXPECT_EQ(p.At(strip.right - 2, strip.bottom - 2), Rgb(set.Background));
    EXPECT_GT(p.Count(Rgb(set.Text)), 30) << "no text in the name colour";
    COLORREF iconMiddle = p.At(12 + service::kOsdIconSize / 2, p.Height / 2);
    EXPECT_EQ(iconMiddle != Rgb(set.Frame) && iconMiddle != Rgb(set.Background), withIcon);
}

TEST(ServiceDisplay, PaintsFrameIconStripAndTextInTheBlockColours) {
    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
    for (const TColourSet& set : kColourSets) {
        for (bool withIcon : {false, true}) {
            forms::TWindowDC screen;
            forms::TGdiObject bitmap(CreateCompatibleBitmap(screen, service::kOsdWidth, service::kOsdHeight));
            {
                forms::TMemoryDC dc(static_cast<HBITMAP>(bitmap.Get()), screen);
                service::PaintOsd(dc, {0, 0, service::kOsdWidth, service::kOsdHeight},
                                  service::LookOf(set.Frame, set.Background, set.Text), "Show Desktop",
                                  withIcon ? icon : nullptr);
            }
            ExpectLook(testing_support::ReadPixels(static_cast<HBITMAP>(bitmap.Get()), service::kOsdWidth,
                                                   service::kOsdHeight),
                       set, withIcon);
        }
    }
}

// Shows text for a second on a display of its own while focused has the
// focus, and waits for it to hide.
void ShowForASecond(HWND focused, const std::string& text) {
    service::TOsdWindow osd(GetModuleHandleA(nullptr));
    int hidden = 0;
    DWORD shownAt = 0, hiddenAfter = 0;
    osd.OnHidden = [&] {
        ++hidden;
        hiddenAfter = GetTickCount() - shownAt;
    };
    // The display takes the icon over and frees it.
    shownAt = GetTickCount(); // before Show, which starts its time
    osd.Show(text, service::LookOf(0x80, 0x202020, 0xFFFF), 1, CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32512))));
    char shown[256] = "";
    GetWindowTextA(osd.Handle(), shown, sizeof shown);
    EXPECT_EQ(shown, text);
    EXPECT_EQ(GetForegroundWindow(), focused) << "the display took the focus";
    const LONG_PTR wanted = WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    EXPECT_EQ(GetWindowLongPtrA(osd.Handle(), GWL_EXSTYLE) & wanted, wanted);
    ASSERT_TRUE(WaitFor([&] { return hidden > 0; }, 10000)) << "still up";
    // Timers do not fire early (allowing for the tick's resolution).
    EXPECT_GE(hiddenAfter, 1000u - 20u) << "hidden before its second was up";
    EXPECT_EQ(hidden, 1);
    EXPECT_FALSE(IsWindowVisible(osd.Handle()));
}

// A window that has the focus while the display is up.
struct TFocusedWindow {
    TFocusedWindow() { SetForegroundWindow(wnd); }
    ~TFocusedWindow() { DestroyWindow(wnd); }
    HWND wnd = CreateWindowExA(0, "STATIC", "focused", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
};

TEST(ServiceDisplay, ShowsWithoutTheFocusAndHidesAfterItsDelay) {
    TFocusedWindow focused;
    ShowForASecond(focused.wnd, "Caps Lock on");
    ShowForASecond(focused.wnd, "a longer text than the display has room for, cut with an ellipsis at its end");
}

TEST(ServiceDisplay, HidingFreesEveryHandle) {
    if (!testing_support::HandleCountingAvailable()) GTEST_SKIP() << "GDI/USER handles cannot be counted in this run";
    TFocusedWindow focused;
    ShowForASecond(focused.wnd, "warm-up");
    const auto before = testing_support::CurrentHandleCounts();
    ShowForASecond(focused.wnd, "Caps Lock on");
    ShowForASecond(focused.wnd, "a longer text than the display has room for, cut with an ellipsis at its end");
    EXPECT_EQ(testing_support::CurrentHandleCounts(), before);
}

// ---- the service as its own process -------------------------------------

struct TProcess {
    PROCESS_INFORMATION info{};
    ~TProcess() { Close(); }
    // Exit code, or -1 when it is still running after timeoutMs.
    DWORD Wait(DWORD timeoutMs) {
        DWORD code = DWORD(-1);
        if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
    void Close() {
        if (!info.hProcess) return;
        if (Wait(0) == DWORD(-1)) TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        info = {};
    }
};

// True once wnd (of any process) has nothing left to paint, on both sides of
// a message handled by its thread: what it painted is on screen.
bool Painted(HWND wnd) {
    DWORD_PTR result = 0;
    return !GetUpdateRect(wnd, nullptr, FALSE) &&
           SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) &&
           !GetUpdateRect(wnd, nullptr, FALSE);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TRecord {
    int32_t Key;
    char Factory;
    int32_t Special;
    std::string Name, Path;
};

// def.kfd as the program writes it.
std::string KeyFile(const std::vector<TRecord>& records) {
    auto put32 = [](std::string& s, size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = char(uint32_t(v) >> (8 * i));
    };
    std::string bytes(1293, '\0');
    put32(bytes, 1289, int32_t(records.size()));
    for (const TRecord& r : records) {
        std::string rec(526, '\0');
        put32(rec, 0, r.Key), put32(rec, 10, r.Special), rec[9] = r.Factory;
        rec.replace(14, r.Name.size() + 1, char(r.Name.size()) + r.Name);
        rec.replace(270, r.Path.size() + 1, char(r.Path.size()) + r.Path);
        bytes += rec;
    }
    return bytes;
}

// The visible display window of the process, or nullptr.
HWND VisibleDisplay(DWORD process) {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "TorvelOnScreenDisplay", nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == process && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

constexpr const char* kInstalled[] = {"KeyboardService.exe", "TORVEL32.DLL", "TORSTR.DLL", "TORGFX.DLL",
                                      "press_target.exe"};

// A folder with the service, its libraries, a test target and a def.kfd
// holding a key of each mode.
class ServiceProcess : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir = std::string(temp) + "varnoq-osd-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        for (const char* f : kInstalled)
            ASSERT_TRUE(CopyFileA((forms::ExecutableDirectory() + f).c_str(), (dir + f).c_str(), FALSE)) << f;
        std::ofstream(dir + "def.kfd", std::ios::binary) << KeyFile({{2, 0, 0, "Test target", dir + "press_target.exe"},
                                                                     {3, 0, 1003, "", ""},
                                                                     {7, 1, 1008, "kept", ""},
                                                                     {9, 0, 0, "", dir + "gone.exe"}});
        ASSERT_NE(block, nullptr);
        block->ServiceWindow = 0;
    }
    void TearDown() override {
        StopService();
        for (const char* f : kInstalled) DeleteFileA((dir + f).c_str());
        for (const char* f : {"def.kfd", "service.log", "launched.txt"}) DeleteFileA((dir + f).c_str());
        RemoveDirectoryA(dir.c_str());
    }
    DWORD Run(TProcess& p, const std::string& args) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string cmd = "\"" + dir + "KeyboardService.exe\" " + args;
        EXPECT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &p.info));
        return p.info.dwProcessId;
    }
    void StartService() {
        Run(service, "");
        ASSERT_TRUE(WaitFor([&] { return block->ServiceWindow != 0; }, 20000)) << "the service did not start";
        block->OSDDelayTime = 1;
    }
    void StopService() {
        if (!service.info.hProcess) return;
        PostMessageA(WindowFromField(block->ServiceWindow), WM_CLOSE, 0, 0);
        EXPECT_EQ(service.Wait(20000), 0u);
        service.Close();
    }
    // Once the service's display is down: what the display of the process
    // that cause returns shows next; "" when none comes.
    std::string NextShown(const std::function<DWORD()>& cause) {
        WaitFor([&] { return !VisibleDisplay(service.info.dwProcessId); }, 5000);
        DWORD process = cause();
        HWND osd = nullptr;
        WaitFor([&] { return (osd = VisibleDisplay(process)) != nullptr; }, 3000);
        char text[256] = "";
        if (osd) GetWindowTextA(osd, text, sizeof text);
        return text;
    }
    std::string dir;
    TSharedSettingsBlock* block = static_cast<TSharedSettingsBlock*>(AttachSharedBlock());
    TProcess service;
};

TEST_F(ServiceProcess, ReloadShowsAPreviewInTheBlockColoursForTheBlockDelay) {
    ASSERT_NO_FATAL_FAILURE(StartService());
    for (const TColourSet& set : kColourSets) {
        block->OSDFrameColor = set.Frame, block->OSDBKColor = set.Background, block->OSDFunctionNameColor = set.Text;
        HWND wnd = WindowFromField(block->ServiceWindow);
        EXPECT_EQ(NextShown([&] { return PostMessageA(wnd, ReloadMessage, 0, 0), service.info.dwProcessId; }),
                  "On-screen display");
        DWORD shown = GetTickCount(); // after it came up: the time measured is at most its time up
        HWND osd = VisibleDisplay(service.info.dwProcessId);
        ASSERT_NE(osd, nullptr);
        ASSERT_TRUE(WaitFor([&] { return Painted(osd); }, 5000)) << "not painted";
        ExpectLook(testing_support::ReadWindow(osd), set, true);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(osd); }, 5000));
        // One second, not the three it would stay for without the block's delay.
        EXPECT_LT(GetTickCount() - shown, 2500u) << "up longer than the block's one second";
    }
    // The reload is logged as before: the block, then def.kfd.
    EXPECT_NE(ReadText(dir + "service.log").find("caps=-1 num=-1 scroll=0\r\ndef.kfd: 4 records"), std::string::npos);
}

TEST_F(ServiceProcess, PressActsAsTheKeyOfEachModeRunningOrNot) {
    const struct {
        const char *Key, *Shown;
        bool Opens;
    } presses[] = {
        {"2", "Test target", true},         // custom: opens its target, shows its name
        {"3", "Start Screen Saver", false}, // special function 1003
        {"7", "Calculator", false},         // factory: the key's own name
        {"9", "Play/Pause", false},         // custom without a name; its target is gone
        {"15", "Documents", false},         // no record: the factory function
    };
    for (bool running : {true, false}) {
        if (running) ASSERT_NO_FATAL_FAILURE(StartService());
        else StopService();
        for (const auto& press : presses) {
            SCOPED_TRACE(std::string(running ? "service running, key " : "no service, key ") + press.Key);
            DeleteFileA((dir + "launched.txt").c_str());
            TProcess p;
            // A running service shows it; a press alone shows it itself.
            EXPECT_EQ(NextShown([&] {
                          DWORD alone = Run(p, std::string("--press ") + press.Key);
                          return running ? service.info.dwProcessId : alone;
                      }),
                      press.Shown);
            EXPECT_EQ(p.Wait(8000), 0u) << "a press alone ends when its display hides";
            // The press is logged before its display shows: a key that opens
            // says so first.
            const bool logsOpening =
                ReadText(dir + "service.log").find(std::string("press: key ") + press.Key + " opens") != std::string::npos;
            EXPECT_EQ(logsOpening, press.Opens);
            if (press.Opens) {
                EXPECT_TRUE(WaitFor([&] { return ReadText(dir + "launched.txt") == "opened"; }, 10000)) << "not opened";
            }
        }
    }
    const std::string log = ReadText(dir + "service.log");
    EXPECT_NE(log.find("press: key 2 opens \"" + dir + "press_target.exe\""), std::string::npos) << log;
    EXPECT_NE(log.find("press: key 9 cannot open \"" + dir + "gone.exe\""), std::string::npos) << log;
    for (const char* bad : {"--press", "--press x7", "--press 99999999999"}) {
        TProcess p;
        Run(p, bad);
        EXPECT_EQ(p.Wait(5000), 2u) << bad;
    }
}

TEST_F(ServiceProcess, ALockKeyShowsItsNewStateWhenItsFlagIsSet) {
    ASSERT_NO_FATAL_FAILURE(StartService());
    auto toggleCaps = [&] {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = VK_CAPITAL;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        return service.info.dwProcessId;
    };
    const bool was = (GetKeyState(VK_CAPITAL) & 1) != 0;
    EXPECT_EQ(NextShown(toggleCaps), was ? "Caps Lock off" : "Caps Lock on");
    EXPECT_EQ(NextShown(toggleCaps), was ? "Caps Lock on" : "Caps Lock off");
    block->CapsLockStatus = 0;
    EXPECT_EQ(NextShown(toggleCaps), "") << "shown with its flag cleared";
    toggleCaps(); // as it was
    Pump(300);
}

} // namespace

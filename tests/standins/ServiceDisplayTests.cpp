// The stand-in service's on-screen display: drawn in the block's colours,
// shown without taking the focus, gone after its delay with every handle
// freed; and the running service showing it on reload, on a lock key's
// change and for --press, which also opens a custom key's target.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
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

using service::TOsdLook;
using testing_support::CurrentHandleCounts;
using testing_support::ReadPixels;
using testing_support::TPixels;

namespace {

struct TColourSet {
    uint32_t Frame, Background, Text; // as the block holds them
};
// Two looks a user may apply: the defaults (a system colour among them) and a dark one.
constexpr TColourSet kColourSets[] = {
    {DefaultOSDFrameColor, DefaultOSDBKColor, DefaultOSDFunctionNameColor},
    {0x00000080, 0x00202020, 0x0000FFFF},
};

// Frame, strip and text each where they belong.
void ExpectLook(const TPixels& p, const TColourSet& set, bool withIcon) {
    TOsdLook look = service::LookOf(set.Frame, set.Background, set.Text);
    RECT strip = service::OsdStrip({0, 0, p.Width, p.Height}, withIcon);
    EXPECT_EQ(p.At(1, 1), look.Frame);
    EXPECT_EQ(p.At(p.Width - 2, p.Height - 2), look.Frame);
    EXPECT_EQ(p.At(strip.left - 1, strip.top), look.Frame);
    EXPECT_EQ(p.At(strip.left + 1, strip.top + 1), look.Background);
    EXPECT_EQ(p.At(strip.right - 2, strip.bottom - 2), look.Background);
    EXPECT_GT(p.Count(look.Text), 30) << "no text in the name colour";
}

TEST(ServiceDisplay, PaintsFrameStripAndTextInTheBlockColours) {
    EXPECT_EQ(service::ResolveColor(0x8000000F), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(service::ResolveColor(0x00123456), COLORREF(0x00123456));
    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
    for (const TColourSet& set : kColourSets) {
        const bool withIcon = &set == &kColourSets[1];
        forms::TWindowDC screen;
        forms::TGdiObject bitmap(CreateCompatibleBitmap(screen, service::kOsdWidth, service::kOsdHeight));
        {
            forms::TMemoryDC dc(static_cast<HBITMAP>(bitmap.Get()), screen);
            RECT box{0, 0, service::kOsdWidth, service::kOsdHeight};
            service::PaintOsd(dc, box, service::LookOf(set.Frame, set.Background, set.Text), "Show Desktop",
                              withIcon ? icon : nullptr);
        }
        TPixels p = ReadPixels(static_cast<HBITMAP>(bitmap.Get()), service::kOsdWidth, service::kOsdHeight);
        ExpectLook(p, set, withIcon);
        // The icon is drawn on the frame left of the strip; without one the strip starts there.
        COLORREF middle = p.At(12 + service::kOsdIconSize / 2, p.Height / 2);
        if (!withIcon) {
            EXPECT_EQ(middle, service::ResolveColor(set.Background));
        }
        EXPECT_NE(middle, service::ResolveColor(set.Frame));
    }
}

TEST(ServiceDisplay, ShowsWithoutTheFocusAndHidesAfterItsDelayFreeingEverything) {
    HWND focused = CreateWindowExA(0, "STATIC", "focused", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(focused);
    const TOsdLook look = service::LookOf(0x00000080, 0x00202020, 0x0000FFFF);
    auto cycle = [&](const char* text) {
        service::TOsdWindow osd(GetModuleHandleA(nullptr));
        int hidden = 0;
        osd.OnHidden = [&] { ++hidden; };
        osd.Show(text, look, 1, CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)))); // the display frees it
        char shown[256] = "";
        GetWindowTextA(osd.Handle(), shown, sizeof shown);
        EXPECT_STREQ(shown, text);
        EXPECT_TRUE(IsWindowVisible(osd.Handle()));
        EXPECT_EQ(GetForegroundWindow(), focused) << "the display took the focus";
        LONG_PTR ex = GetWindowLongPtrA(osd.Handle(), GWL_EXSTYLE);
        EXPECT_EQ(ex & (WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW),
                  WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW);
        testing_support::Pump(700);
        EXPECT_TRUE(IsWindowVisible(osd.Handle())) << "hidden before its second was up";
        for (int i = 0; i < 50 && !hidden; ++i) testing_support::Pump(20);
        EXPECT_EQ(hidden, 1);
        EXPECT_FALSE(IsWindowVisible(osd.Handle()));
    };
    cycle("warm-up");
    const auto before = CurrentHandleCounts();
    cycle("Caps Lock on");
    cycle("a longer text than the display has room for, cut with an ellipsis at its end");
    if (testing_support::HandleCountingAvailable()) {
        EXPECT_EQ(CurrentHandleCounts(), before);
    }
    DestroyWindow(focused);
}

// ---- the service as its own process -------------------------------------

struct TProcess {
    PROCESS_INFORMATION info{};
    ~TProcess() {
        if (!info.hProcess) return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    // Exit code, or -1 when it is still running after timeoutMs.
    DWORD Wait(DWORD timeoutMs) {
        DWORD code = DWORD(-1);
        if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

template <class Pred>
bool WaitFor(Pred done, DWORD timeoutMs) {
    for (DWORD end = GetTickCount() + timeoutMs; GetTickCount() < end; testing_support::Pump(20))
        if (done()) return true;
    return done();
}

std::string ReadText(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
        std::fclose(f);
    }
    return text;
}

struct TRecord {
    int32_t Key;
    uint8_t Factory;
    int32_t Special;
    std::string Name, Path;
};

// def.kfd as the program writes it.
std::string KeyFile(const std::vector<TRecord>& records) {
    std::string bytes(1293, '\0');
    auto put32 = [](std::string& s, size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = char(uint32_t(v) >> (8 * i));
    };
    put32(bytes, 1289, int32_t(records.size()));
    for (const TRecord& r : records) {
        std::string rec(526, '\0');
        put32(rec, 0, r.Key);
        rec[9] = char(r.Factory);
        put32(rec, 10, r.Special);
        rec[14] = char(r.Name.size());
        rec.replace(15, r.Name.size(), r.Name);
        rec[270] = char(r.Path.size());
        rec.replace(271, r.Path.size(), r.Path);
        bytes += rec;
    }
    return bytes;
}

struct TDisplaySearch {
    DWORD Process;
    HWND Found;
};

BOOL CALLBACK MatchDisplay(HWND w, LPARAM data) {
    auto* s = reinterpret_cast<TDisplaySearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (owner != s->Process || std::strcmp(cls, "TorvelOnScreenDisplay") != 0 || !IsWindowVisible(w)) return TRUE;
    s->Found = w;
    return FALSE;
}

// The visible display window of the process, or nullptr.
HWND VisibleDisplay(DWORD process) {
    TDisplaySearch search{process, nullptr};
    EnumWindows(MatchDisplay, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::string TextOf(HWND wnd) {
    char text[256] = "";
    GetWindowTextA(wnd, text, sizeof text);
    return text;
}

constexpr const char* kInstalled[] = {"KeyboardService.exe", "TORVEL32.DLL", "TORSTR.DLL", "TORGFX.DLL",
                                     "press_target.exe"};

// A folder with the service, its libraries, a test target and a def.kfd
// holding a key of each mode; the service runs there until the test ends.
class ServiceProcess : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir = std::string(temp) + "varnoq-osd-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        for (const char* f : kInstalled)
            ASSERT_TRUE(CopyFileA((forms::ExecutableDirectory() + f).c_str(), (dir + f).c_str(), FALSE)) << f;
        std::string kfd = KeyFile({{2, 0, 0, "Test target", dir + "press_target.exe"},
                                   {3, 0, 1003, "", ""},
                                   {7, 1, 1008, "kept", ""},
                                   {9, 0, 0, "", dir + "gone.exe"}});
        FILE* f = std::fopen((dir + "def.kfd").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(kfd.data(), 1, kfd.size(), f);
        std::fclose(f);
        block = static_cast<TSharedSettingsBlock*>(AttachSharedBlock());
        ASSERT_NE(block, nullptr);
        block->ServiceWindow = 0;
    }
    void TearDown() override {
        StopService();
        for (const char* f : kInstalled) DeleteFileA((dir + f).c_str());
        for (const char* f : {"def.kfd", "service.log", "launched.txt"}) DeleteFileA((dir + f).c_str());
        RemoveDirectoryA(dir.c_str());
    }
    void Run(TProcess& p, const std::string& args) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string cmd = "\"" + dir + "KeyboardService.exe\" " + args;
        ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                                   &p.info));
    }
    void StartService() {
        ASSERT_NO_FATAL_FAILURE(Run(service, ""));
        ASSERT_TRUE(WaitFor([&] { return block->ServiceWindow != 0; }, 20000)) << "the service did not start";
        block->OSDDelayTime = 1;
    }
    void StopService() {
        if (!service.info.hProcess) return;
        PostMessageA(reinterpret_cast<HWND>(uintptr_t(block->ServiceWindow)), WM_CLOSE, 0, 0);
        EXPECT_EQ(service.Wait(20000), 0u);
    }
    // The text the process's display shows next, "" when none comes; waits
    // for an earlier one to hide first.
    static std::string NextShown(const std::function<DWORD()>& cause, DWORD before) {
        WaitFor([&] { return !VisibleDisplay(before); }, 5000);
        DWORD process = cause();
        HWND osd = nullptr;
        WaitFor([&] { return (osd = VisibleDisplay(process)) != nullptr; }, 3000);
        return osd ? TextOf(osd) : "";
    }
    std::string NextShown(const std::function<void()>& cause) {
        return NextShown([&] { cause(); return service.info.dwProcessId; }, service.info.dwProcessId);
    }
    std::string dir;
    TSharedSettingsBlock* block = nullptr;
    TProcess service;
};

TEST_F(ServiceProcess, ReloadShowsAPreviewInTheBlockColoursForTheBlockDelay) {
    ASSERT_NO_FATAL_FAILURE(StartService());
    for (const TColourSet& set : kColourSets) {
        block->OSDFrameColor = set.Frame, block->OSDBKColor = set.Background, block->OSDFunctionNameColor = set.Text;
        HWND wnd = reinterpret_cast<HWND>(uintptr_t(block->ServiceWindow));
        EXPECT_EQ(NextShown([&] { PostMessageA(wnd, ReloadMessage, 0, 0); }),
                  "On-screen display");
        HWND osd = VisibleDisplay(service.info.dwProcessId);
        ASSERT_NE(osd, nullptr);
        testing_support::Pump(200); // drawn by now
        ExpectLook(testing_support::ReadWindow(osd), set, true);
        DWORD shown = GetTickCount();
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(osd); }, 3000));
        EXPECT_LT(GetTickCount() - shown, 1500u) << "up longer than the block's one second";
    }
    // The reload is logged as before: the block, then def.kfd.
    EXPECT_NE(ReadText(dir + "service.log").find("caps=-1 num=-1 scroll=0\r\ndef.kfd: 4 records"), std::string::npos);
}

TEST_F(ServiceProcess, PressActsAsTheKeyOfEachModeRunningOrNot) {
    const struct {
        const char* Key;
        const char* Shown;
        bool Opens;
    } presses[] = {
        {"2", "Test target", true},      // custom: opens its target, shows its name
        {"3", "Start Screen Saver", false}, // special function 1003
        {"7", "Calculator", false},      // factory: the key's own name
        {"9", "Play/Pause", false},      // custom without a name; its target is gone
        {"15", "Documents", false},      // no record: the factory function
    };
    for (bool running : {true, false}) {
        if (running) ASSERT_NO_FATAL_FAILURE(StartService());
        else StopService();
        for (const auto& press : presses) {
            SCOPED_TRACE(std::string(running ? "service running, key " : "no service, key ") + press.Key);
            DeleteFileA((dir + "launched.txt").c_str());
            TProcess p;
            // A running service shows it; a press alone shows it itself.
            std::string shown = NextShown(
                [&] {
                    Run(p, std::string("--press ") + press.Key);
                    return running ? service.info.dwProcessId : p.info.dwProcessId;
                },
                service.info.dwProcessId);
            EXPECT_EQ(shown, press.Shown);
            EXPECT_EQ(p.Wait(running ? 5000 : 8000), 0u) << "a press alone ends when its display hides";
            EXPECT_EQ(WaitFor([&] { return ReadText(dir + "launched.txt") == "opened"; }, press.Opens ? 10000 : 300),
                      press.Opens);
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
    auto toggleCaps = [] {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = VK_CAPITAL;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    };
    bool on = (GetKeyState(VK_CAPITAL) & 1) != 0;
    for (int i = 0; i < 2; ++i) {
        on = !on;
        EXPECT_EQ(NextShown(toggleCaps), on ? "Caps Lock on" : "Caps Lock off");
    }
    block->CapsLockStatus = 0;
    EXPECT_EQ(NextShown(toggleCaps), "") << "shown with its flag cleared";
    toggleCaps(); // as it was
    testing_support::Pump(300);
}

} // namespace

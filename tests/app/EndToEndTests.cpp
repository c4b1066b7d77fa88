// The real program, started as a user starts it, against a shared block that
// this test plays the service for.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Torvel32.h"
#include "SharedSettingsBlock.h"
#include "forms/GdiGuards.h"
#include "forms/SysUtils.h"
#include "tests/support/GuiTestSupport.h"

using forms::TGdiObject;
using testing_support::WaitFor;

namespace {

TSharedSettingsBlock* Block() { return static_cast<TSharedSettingsBlock*>(AttachSharedBlock()); }

struct Process {
    PROCESS_INFORMATION info{};
    ~Process() {
        if (info.hProcess) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    // Exit code, or -1 when it is still running after timeoutMs.
    DWORD Wait(DWORD timeoutMs) {
        if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0) return DWORD(-1);
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

// A folder holding the program and the files a test puts beside it, as a
// user's installation would.
class Installation {
public:
    // In parent (with a trailing separator) when given, else in the temporary folder.
    explicit Installation(std::initializer_list<const char*> files, std::string parent = "") {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        if (parent.empty()) parent = temp;
        static int counter = 0;
        dir_ = parent + "varnoq-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
        for (const char* f : files) {
            std::string bin = forms::ExecutableDirectory();
            Put(bin + f, f);
        }
    }
    // Copies a file in under the given name.
    void Put(const std::string& from, const std::string& name) {
        if (CopyFileA(from.c_str(), (dir_ + name).c_str(), FALSE)) copied_.push_back(name);
        else ADD_FAILURE() << "cannot copy " << from;
    }
    // Writes a file with the given content.
    void Write(const std::string& name, const std::string& content) {
        HANDLE f = CreateFileA((dir_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        WriteFile(f, content.data(), DWORD(content.size()), &written, nullptr);
        CloseHandle(f);
        copied_.push_back(name);
    }
    ~Installation() {
        for (const std::string& f : {std::string("def.kfd"), std::string("service.log")}) DeleteFileA((dir_ + f).c_str());
        for (const std::string& f : copied_) DeleteFileA((dir_ + f).c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    std::string Exe() const { return dir_ + "Varnoq.exe"; }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
    std::vector<std::string> copied_;
};

void Start(Process& p, const std::string& exe) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = "\"" + exe + "\"";
    std::string dir = exe.substr(0, exe.find_last_of('\\') + 1);
    ASSERT_TRUE(CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                               &p.info))
        << "cannot start " << exe;
}

// True once the settings window is on screen: its handle is in the block
// while the window is still being made.
bool WaitForSettingsWindow(const TSharedSettingsBlock* block) {
    return WaitFor([&] { return IsWindowVisible(WindowFromField(block->SettingsWindow)) != FALSE; },
                   20000);
}

struct ChildSearch {
    std::function<bool(HWND)> match;
    HWND found = nullptr;
};

BOOL CALLBACK MatchChild(HWND wnd, LPARAM data) {
    auto* s = reinterpret_cast<ChildSearch*>(data);
    if (!s->match(wnd)) return TRUE;
    s->found = wnd;
    return FALSE;
}

// The first child of parent that match accepts.
HWND FindChildWhere(HWND parent, std::function<bool(HWND)> match) {
    ChildSearch search{std::move(match)};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindChildWithText(HWND parent, const char* text) {
    return FindChildWhere(parent, [text](HWND wnd) {
        char buffer[64];
        GetWindowTextA(wnd, buffer, sizeof buffer);
        return std::strcmp(buffer, text) == 0;
    });
}

HWND MakeWindow(const char* title, bool visible) {
    HWND wnd = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10, 200,
                               100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return wnd;
}

struct BoxSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND wnd, LPARAM data) {
    auto* s = reinterpret_cast<BoxSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    char cls[16] = "";
    GetClassNameA(wnd, cls, sizeof cls);
    if (process != s->process || std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(wnd)) return TRUE;
    s->found = wnd;
    return FALSE;
}

// Waits for a message box of the process; when one comes, returns its text
// and presses its OK button, so no test waits on it. "" when none came.
std::string AnswerMessageBox(const Process& p, DWORD timeoutMs) {
    BoxSearch search{p.info.dwProcessId, nullptr};
    WaitFor([&] { return !EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search)) && search.found; }, timeoutMs);
    if (!search.found) return "";
    char text[512] = "";
    GetDlgItemTextA(search.found, 0xFFFF, text, sizeof text);
    PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(search.found); }, 5000);
    return text;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        block = Block();
        ASSERT_NE(block, nullptr);
        // A known state with every byte distinct, the service's own ones too.
        auto* bytes = reinterpret_cast<uint8_t*>(block);
        for (size_t i = 0; i < sizeof *block; ++i) bytes[i] = uint8_t(i * 7 + 3);
        block->SettingsWindow = 0;
        service = MakeWindow("stand-in service", false);
        block->ServiceWindow = WindowToField(service);
        block->OSDDelayTime = 3;
    }
    void TearDown() override {
        DestroyWindow(service);
        std::memset(block, 0, sizeof *block);
    }
    // The real stand-in service of `here` takes the test window's place, then
    // the program starts and its window opens.
    void StartServiceAndProgram(const Installation& here, Process& keyboardService, Process& program) {
        ASSERT_NO_FATAL_FAILURE(StartService(here, keyboardService));
        Start(program, here.Exe());
        ASSERT_TRUE(WaitForSettingsWindow(block)) << "the window did not open";
    }
    void StartService(const Installation& here, Process& keyboardService) {
        DestroyWindow(service);
        service = nullptr;
        block->ServiceWindow = 0;
        Start(keyboardService, here.Dir() + "KeyboardService.exe");
        ASSERT_TRUE(WaitFor([&] { return block->ServiceWindow != 0; }, 20000)) << "the service did not start";
    }
    TSharedSettingsBlock* block = nullptr;
    HWND service = nullptr;
    Installation install{"Varnoq.exe", "TORVEL32.DLL"};
    const std::string exe = install.Exe();
};

} // namespace

TEST_F(EndToEnd, WithoutServiceTheProgramEndsWithOne) {
    block->ServiceWindow = 0;
    Process p;
    Start(p, exe);
    EXPECT_EQ(p.Wait(20000), 1u);
    EXPECT_EQ(block->SettingsWindow, 0u) << "no window was created";
}

TEST_F(EndToEnd, AnOpenSettingsWindowComesToTheFront) {
    HWND open = MakeWindow("settings already open", true);
    HWND other = MakeWindow("something else", true);
    SetForegroundWindow(other);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == other; }, 5000)) << "the other window is not in front";
    block->SettingsWindow = WindowToField(open);
    Process p;
    Start(p, exe);
    EXPECT_EQ(p.Wait(20000), 1u);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == open; }, 3000))
        << "foreground " << GetForegroundWindow() << " open " << open << " other " << other;
    DestroyWindow(open);
    DestroyWindow(other);

    // A handle of a window that is gone still ends the start.
    block->SettingsWindow = 0x0BADF00D;
    Process q;
    Start(q, exe);
    EXPECT_EQ(q.Wait(20000), 1u);
}

TEST_F(EndToEnd, ClosingRestoresEveryByteOfTheBlock) {
    TSharedSettingsBlock before;
    std::memcpy(&before, block, sizeof before);
    Process p;
    Start(p, exe);
    ASSERT_TRUE(WaitForSettingsWindow(block)) << "the window did not open";
    HWND window = WindowFromField(block->SettingsWindow);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(owner, p.info.dwProcessId);
    EXPECT_TRUE(IsWindowVisible(window));

    // The service and the user change things meanwhile, in bytes the
    // program interprets and in bytes it does not.
    block->ServiceOwn1[5] ^= 0xFF;
    block->ServiceOwn2[23] ^= 0xFF;
    block->OSDBKColor = 0x00123456;

    HWND cancel = FindChildWithText(window, "Cancel");
    ASSERT_NE(cancel, nullptr);
    PostMessageA(cancel, BM_CLICK, 0, 0);
    EXPECT_EQ(p.Wait(20000), 0u);
    EXPECT_EQ(std::memcmp(&before, block, sizeof before), 0) << "the block was not restored";
    EXPECT_EQ(block->SettingsWindow, 0u);
}

TEST_F(EndToEnd, ABrokenLanguageModuleIsReportedWithItsLayoutAndLineAndEndsWithTwo) {
    const struct {
        const char* module; // folder under brokenlang
        const char* message;
    } cases[] = {
        {"handler", "Error in layout TQORVARNOQFORM, line 12: Handler FormKreate not found"},
        {"class", "Error in layout TQORVARNOQFORM, line 14: Class TTafel not found"},
        {"value", "Error in layout TQORVARNOQFORM, line 4: Invalid value for property BorderStyle"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.module);
        Installation broken{"Varnoq.exe", "TORVEL32.DLL"};
        broken.Put(forms::ExecutableDirectory() + "..\\brokenlang\\" + c.module + "\\TORLANG.DLL", "TORLANG.DLL");
        TSharedSettingsBlock before;
        std::memcpy(&before, block, sizeof before);
        Process p;
        Start(p, broken.Exe());
        EXPECT_EQ(AnswerMessageBox(p, 20000), c.message);
        EXPECT_EQ(p.Wait(20000), 2u);
        EXPECT_EQ(std::memcmp(&before, block, sizeof before), 0) << "the block was changed";
    }
}

TEST_F(EndToEnd, AnUnreadablePictureIsReportedOnceAndTheWindowOpensWithoutIt) {
    install.Write("Q5.bmp", "BM this is not a picture");
    TSharedSettingsBlock before;
    std::memcpy(&before, block, sizeof before);
    Process p;
    Start(p, exe);
    EXPECT_EQ(AnswerMessageBox(p, 20000), "Bitmap image is not valid");
    ASSERT_TRUE(WaitForSettingsWindow(block)) << "the window did not open";
    EXPECT_EQ(AnswerMessageBox(p, 500), "") << "reported twice";
    HWND window = WindowFromField(block->SettingsWindow);
    HWND cancel = FindChildWithText(window, "Cancel");
    ASSERT_NE(cancel, nullptr);
    PostMessageA(cancel, BM_CLICK, 0, 0);
    EXPECT_EQ(p.Wait(20000), 0u);
    EXPECT_EQ(std::memcmp(&before, block, sizeof before), 0) << "the block was not restored";
}

namespace {

bool HasClass(HWND wnd, const char* name) {
    char cls[32] = "";
    GetClassNameA(wnd, cls, sizeof cls);
    return _stricmp(cls, name) == 0;
}

// A size given at 96 dpi, as the program's layouts give it, at the screen's
// resolution (the program's rule: MulDiv(value, dpi, 96)).
int Scaled(int value) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MulDiv(value, dpi, 96);
}

bool HasSize(HWND wnd, int width, int height) {
    RECT r;
    GetWindowRect(wnd, &r);
    return r.right - r.left == width && r.bottom - r.top == height;
}

void PostClick(HWND wnd, int x, int y) {
    PostMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
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

// The settings window as a user meets it: its page tabs, the OSD page's
// colour selector and delay list, the lock boxes and the buttons.
struct SettingsWindow {
    explicit SettingsWindow(HWND window) : window(window) {
        tabs = FindChildWhere(window, [](HWND w) { return HasClass(w, "SysTabControl32"); });
        auto combo = [&](LRESULT items) {
            return FindChildWhere(window, [=](HWND w) {
                return HasClass(w, "COMBOBOX") && SendMessageA(w, CB_GETCOUNT, 0, 0) == items;
            });
        };
        // A page's controls get their windows when it is first shown: each
        // page is looked at once, as a user would, and the Keys page is back.
        for (WPARAM key : {VK_RIGHT, VK_RIGHT, VK_LEFT, VK_LEFT}) NextPage(key);
        WaitFor([&] { return combo(10) && SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == 0; }, 5000);
        colourItem = combo(3);
        delay = combo(10);
        selector = FindChildWhere(GetParent(colourItem), [](HWND w) { return HasSize(w, Scaled(42), Scaled(21)); });
    }
    // The next or previous page, by the arrow keys on the tabs.
    void NextPage(WPARAM key = VK_RIGHT) { PostMessageA(tabs, WM_KEYDOWN, key, 0); }
    // Drops the palette down: the program's other visible top-level window.
    HWND DropPalette() {
        PostClick(selector, 5, 5);
        ChildSearch search{[](HWND w) { return IsWindowVisible(w) && HasSize(w, Scaled(78), Scaled(120)); }};
        WaitFor([&] { return !EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), MatchChild,
                                                reinterpret_cast<LPARAM>(&search)); },
                5000);
        return search.found;
    }
    // Drops the palette down and clicks one of its colours.
    void PickColour(int column, int row) {
        HWND palette = DropPalette();
        ASSERT_NE(palette, nullptr) << "no palette";
        PostClick(palette, Scaled(18 * (column - 1) + 12), Scaled(18 * (row - 1) + 12));
        WaitFor([&] { return !IsWindowVisible(palette); }, 5000);
    }
    void Press(const char* caption) {
        HWND button = FindChildWithText(window, caption);
        ASSERT_NE(button, nullptr) << caption;
        PostMessageA(button, BM_CLICK, 0, 0);
    }
    HWND window, tabs = nullptr, colourItem = nullptr, delay = nullptr, selector = nullptr;
};

} // namespace

// At any display resolution the window is its layout scaled by dpi/96:
// its size, its outline (the strip and the rounded panel), the keys on the
// stretched picture, and the palette under the selector. CTest runs it at
// 96 and at 144 dpi.
TEST_F(EndToEnd, TheWindowFollowsTheDisplayResolution) {
    Installation here{"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL",
                      "TORGFX.DLL", "def.kfd",      "Q5.bmp",              "Q5Mask.bmp"};
    Process keyboardService, p;
    ASSERT_NO_FATAL_FAILURE(StartServiceAndProgram(here, keyboardService, p));
    const HWND window = WindowFromField(block->SettingsWindow);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_NEAR(client.right, Scaled(642), 1);
    EXPECT_NEAR(client.bottom, Scaled(426), 1);

    // The strip (the picture, 640 x 82 scaled, inside a one-pixel edge) and
    // the panel at (128, 93, 377 x 330) with corners of 30.
    TGdiObject outline(CreateRectRgn(0, 0, 0, 0)), expected(CreateRectRgn(0, 0, Scaled(640) + 2, Scaled(82) + 2));
    TGdiObject panel(CreateRoundRectRgn(Scaled(128), Scaled(93), Scaled(128) + Scaled(377), Scaled(93) + Scaled(330),
                                        Scaled(30), Scaled(30)));
    CombineRgn(HRGN(expected.Get()), HRGN(expected.Get()), HRGN(panel.Get()), RGN_OR);
    ASSERT_NE(GetWindowRgn(window, HRGN(outline.Get())), ERROR);
    // The same area, however the system splits it into rectangles.
    TGdiObject difference(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(CombineRgn(HRGN(difference.Get()), HRGN(outline.Get()), HRGN(expected.Get()), RGN_XOR), NULLREGION);

    // Each key's centre on the picture, scaled: the page shows that key.
    struct Key { int id; const char* name; POINT centre; }; // centre in the picture
    for (const Key& key : {Key{1, "Refresh", {82, 29}}, Key{18, "Sleep", {587, 32}}, Key{15, "Documents", {488, 25}}}) {
        POINT at{Scaled(1) + Scaled(key.centre.x), Scaled(1) + Scaled(key.centre.y)};
        ClientToScreen(window, &at);
        HWND target = WindowFromPoint(at);
        ScreenToClient(target, &at);
        PostClick(target, at.x, at.y);
        EXPECT_TRUE(WaitFor([&] { return FindChildWithText(window, key.name) != nullptr; }, 5000)) << "key " << key.id;
    }

    // The palette drops from the selector's bottom-left corner, its cells
    // where the table puts them: 16 x 16 wells 18 apart from (4, 4).
    SettingsWindow ui(window);
    ASSERT_TRUE(ui.selector);
    ui.NextPage();
    HWND palette = ui.DropPalette();
    ASSERT_NE(palette, nullptr) << "no palette";
    RECT selector, dropped;
    GetWindowRect(ui.selector, &selector);
    GetWindowRect(palette, &dropped);
    EXPECT_EQ(dropped.left, selector.left);
    EXPECT_EQ(dropped.top, selector.bottom);
    struct Cell { int column, row; COLORREF colour; };
    HDC dc = GetDC(palette);
    WaitFor([&] { return GetPixel(dc, Scaled(12), Scaled(12)) == 0xFFFFFF; }, 5000); // painted
    for (const Cell& cell : {Cell{1, 1, 0xFFFFFF}, Cell{2, 1, 0x000000}, Cell{1, 2, 0x0000FF}, Cell{4, 5, 0xA4A0A0}}) {
        const int x = Scaled(18 * (cell.column - 1) + 12), y = Scaled(18 * (cell.row - 1) + 12); // its centre
        EXPECT_EQ(GetPixel(dc, x, y), cell.colour) << "cell " << cell.column << ", " << cell.row;
    }
    ReleaseDC(palette, dc);
}

// The real service and the real program: what Apply commits is what the
// service reloads, and Cancel undoes everything after it.
TEST_F(EndToEnd, ApplyReachesTheServiceAndCancelUndoesTheRest) {
    Installation here{"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL", "TORGFX.DLL"};
    Process keyboardService, p;
    ASSERT_NO_FATAL_FAILURE(StartServiceAndProgram(here, keyboardService, p));
    SettingsWindow ui(WindowFromField(block->SettingsWindow));
    ASSERT_TRUE(ui.tabs && ui.colourItem && ui.delay && ui.selector);

    // The frame white, the longest delay, Caps Lock off; then Apply.
    ui.NextPage();
    ui.PickColour(1, 1);
    PostMessageA(ui.delay, WM_KEYDOWN, VK_END, 0);
    ui.NextPage();
    ui.Press("Show \"&Caps Lock\" Status");
    ui.Press("Apply");
    const std::string log = here.Dir() + "service.log";
    // The service logs the block, then what def.kfd holds.
    ASSERT_TRUE(WaitFor([&] {
        std::string t = ReadText(log);
        return t.find("def.kfd", t.find("reload:")) != std::string::npos;
    }, 10000))
        << ReadText(log);
    const std::string text = ReadText(log);
    EXPECT_NE(text.find("reload: delay=10 frame=16777215 name=16711680 bk=16776960 caps=0 num=-1 scroll=0\r\n"
                        "def.kfd:"),
              std::string::npos)
        << text;
    TSharedSettingsBlock applied;
    std::memcpy(&applied, block, sizeof applied);

    // More edits, then Cancel: the block is the applied one again.
    ui.Press("Show \"&Num Lock\" Status");
    ui.NextPage(VK_LEFT);
    PostMessageA(ui.delay, WM_KEYDOWN, VK_HOME, 0);
    ui.PickColour(2, 1);
    EXPECT_TRUE(WaitFor([&] { return block->OSDFrameColor == 0 && block->OSDDelayTime == 1; }, 5000));
    EXPECT_EQ(block->NumLockStatus, 0);
    ui.Press("Cancel");
    EXPECT_EQ(p.Wait(20000), 0u);
    applied.SettingsWindow = 0;
    EXPECT_EQ(std::memcmp(&applied, block, sizeof applied), 0) << "the block is not the applied one";
    EXPECT_EQ(ReadText(log).find("reload:", text.find("reload:") + 1), std::string::npos) << "reloaded twice";

    PostMessageA(WindowFromField(block->ServiceWindow), WM_CLOSE, 0, 0);
    EXPECT_EQ(keyboardService.Wait(20000), 0u);
}

namespace {

// The process's visible top-level window of the class and caption given,
// or nullptr.
HWND FindTopWindow(const Process& p, const char* cls, const char* caption) {
    ChildSearch search{[&](HWND w) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        char text[64] = "";
        GetWindowTextA(w, text, sizeof text);
        return process == p.info.dwProcessId && IsWindowVisible(w) && (!cls || HasClass(w, cls)) &&
               (!caption || std::strcmp(text, caption) == 0);
    }};
    EnumWindows(MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

// A new user's whole way: a special key on the picture becomes a program
// chosen in the wizard, Apply stores it, and the service reloads it.
TEST_F(EndToEnd, AKeySetToAProgramInTheWizardIsStoredAndReloaded) {
    // The sample keys, and the picture with its mask: without them no spot is hit.
    Installation here{"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORSTR.DLL",
                      "TORGFX.DLL", "def.kfd",      "Q5.bmp",              "Q5Mask.bmp"};
    const std::string kfd = here.Dir() + "def.kfd", target = here.Dir() + "KeyboardService.exe", name = "My service";
    const std::string original = ReadText(kfd);
    ASSERT_EQ(original.size(), 1293u + 18 * 526u);
    Process keyboardService, p;
    ASSERT_NO_FATAL_FAILURE(StartServiceAndProgram(here, keyboardService, p));
    SettingsWindow ui(WindowFromField(block->SettingsWindow));

    // Key 2 (special 1003 in the sample): its spot centres on (116, 28) of
    // the picture, which sits at (1, 1) in its strip.
    HWND strip = FindChildWhere(ui.window, [](HWND w) { return HasSize(w, 642, 84); });
    ASSERT_NE(strip, nullptr);
    // A real click there, through the display as a user clicks.
    POINT spot{117, 29};
    ClientToScreen(strip, &spot);
    SetForegroundWindow(ui.window);
    SetCursorPos(spot.x, spot.y);
    INPUT click[2]{};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN, click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
    HWND custom = FindChildWithText(ui.window, "&Custom:"), set = FindChildWithText(ui.window, "Set...");
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(custom, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, 5000));
    ui.Press("&Custom:");
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(set) != FALSE; }, 5000)) << "Set... stays disabled";
    ui.Press("Set...");
    HWND wizard = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (wizard = FindTopWindow(p, nullptr, "Key Function Set Wizard")) != nullptr; },
                        10000));
    auto press = [&](const char* caption) {
        HWND button = FindChildWithText(wizard, caption);
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(button) != FALSE; }, 5000)) << caption << " disabled";
        PostMessageA(button, BM_CLICK, 0, 0);
    };

    // Browse: the file dialog takes the program's full path and Open.
    press("B&rowse..");
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindTopWindow(p, "#32770", nullptr)) != nullptr; }, 10000));
    HWND fileName = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    ASSERT_NE(fileName, nullptr);
    SendMessageA(fileName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 10000)) << "the file dialog stayed open";
    press("&Next >");

    // The name page (the one with "< &Back"), its name typed into its edit.
    HWND back = FindChildWithText(wizard, "< &Back");
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(back) != FALSE; }, 5000)) << "still on the first page";
    HWND nameEdit = FindChildWhere(wizard, [](HWND w) { return HasClass(w, "Edit") && IsWindowVisible(w); });
    ASSERT_NE(nameEdit, nullptr);
    for (char c : name) PostMessageA(nameEdit, WM_CHAR, WPARAM(uint8_t(c)), 1);
    press("&Next >");
    press("&Finish");
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(wizard); }, 10000)) << "the wizard stayed open";
    ui.Press("Apply");

    const std::string log = here.Dir() + "service.log";
    const std::string line = "key 2 custom special=0 name=\"" + name + "\" path=\"" + target + "\"";
    EXPECT_TRUE(WaitFor([&] { return ReadText(log).find(line) != std::string::npos; }, 10000))
        << line << "\n" << ReadText(log);
    ui.Press("Cancel");
    EXPECT_EQ(p.Wait(20000), 0u);

    // Every byte as before but the save time and key 2's record.
    std::string expected = original;
    const std::string stored = ReadText(kfd);
    ASSERT_EQ(stored.size(), original.size());
    EXPECT_NE(stored.substr(1, 8), original.substr(1, 8)) << "the save time was not written";
    expected.replace(1, 8, stored.substr(1, 8));
    const size_t record = 1293 + 526;
    expected[record + 9] = 0;
    expected.replace(record + 10, 4, 4, '\0');
    expected[record + 14] = char(name.size());
    expected.replace(record + 15, name.size(), name);
    expected[record + 270] = char(target.size());
    expected.replace(record + 271, target.size(), target);
    EXPECT_EQ(stored.substr(1033, 8), std::string("\7Default"));
    const size_t differs = std::mismatch(stored.begin(), stored.end(), expected.begin()).first - stored.begin();
    EXPECT_EQ(differs, stored.size()) << "first changed byte";

    PostMessageA(WindowFromField(block->ServiceWindow), WM_CLOSE, 0, 0);
    EXPECT_EQ(keyboardService.Wait(20000), 0u);
}

// The language as a user installs it: with TORLANG.DLL and the translated
// TORSTR.DLL beside the program every window, list and message is German;
// without them, English. The other language's texts appear nowhere.
TEST_F(EndToEnd, EachWindowShowsTheLanguageBesideTheProgram) {
    struct Language {
        const char* name;
        bool translated;
        const char* title;
        const char* pictureError; // the form library's own message
        std::vector<const char*> mainTexts;
        const char* keyName;   // TORSTR: the key shown first
        const char* frameItem; // TORSTR: the first OSD item
        const char* wizardTitle;
        std::vector<const char*> wizardTexts;
        const char* custom;
        const char* set;
        const char* cancel;
    };
    const Language languages[] = {
        {"English", false, "Corvane Media Keyboard", "Bitmap image is not valid",
         {"Apply", "Special Function", "Restore all", "Color Setting", "D&efault", "Show Time",
          "Key Lock Status Setting", "Show \"&Caps Lock\" Status"},
         "Documents", "Frame", "Key Function Set Wizard", {"&Next >", "&Cancel", "B&rowse..", "< &Back", "&Finish"},
         "&Custom:", "Set...", "Cancel"},
        {"German", true, "Corvane Multimedia-Tastatur", "Bitmap ist ung\xFC" "ltig",
         {"\xDC" "bernehmen", "Sonderfunktion", "Zur\xFC" "cksetzen", "Farbeinstellung", "&Standard", "Anzeigedauer",
          "Anzeige der Feststelltasten", "Status von \"&Feststelltaste\" anzeigen"},
         "Dokumente", "Rahmen", "Assistent f\xFC" "r Tastenfunktionen",
         {"&Weiter >", "&Abbrechen", "Su&chen..", "< &Zur\xFC" "ck", "&Fertig stellen"}, "&Eigene:", "\xC4" "ndern...", "Abbrechen"},
    };
    for (const Language& language : languages) {
        SCOPED_TRACE(language.name);
        const Language& other = languages[&language == &languages[0] ? 1 : 0];
        Installation here{"Varnoq.exe", "TORVEL32.DLL", "KeyboardService.exe", "TORGFX.DLL", "def.kfd"};
        const std::string bin = forms::ExecutableDirectory();
        here.Put(language.translated ? bin + "..\\lang\\TORSTR.DLL" : bin + "TORSTR.DLL", "TORSTR.DLL");
        if (language.translated) here.Put(bin + "..\\lang\\TORLANG.DLL", "TORLANG.DLL");
        here.Write("Q5.bmp", "BM this is not a picture");
        Process keyboardService, p;
        ASSERT_NO_FATAL_FAILURE(StartService(here, keyboardService));
        Start(p, here.Exe());
        EXPECT_EQ(AnswerMessageBox(p, 20000), language.pictureError);
        ASSERT_TRUE(WaitForSettingsWindow(block)) << "the window did not open";
        SettingsWindow ui(WindowFromField(block->SettingsWindow));

        char text[128] = "";
        GetWindowTextA(ui.window, text, sizeof text);
        EXPECT_STREQ(text, language.title);
        for (const char* t : language.mainTexts) EXPECT_NE(FindChildWithText(ui.window, t), nullptr) << t;
        for (const char* t : other.mainTexts) EXPECT_EQ(FindChildWithText(ui.window, t), nullptr) << t;
        EXPECT_NE(FindChildWithText(ui.window, language.keyName), nullptr) << language.keyName;
        ASSERT_NE(ui.colourItem, nullptr);
        SendMessageA(ui.colourItem, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)); // the first item, chosen
        EXPECT_STREQ(text, language.frameItem);

        // The wizard, from the Custom choice of the key shown.
        ui.Press(language.custom);
        HWND set = FindChildWithText(ui.window, language.set);
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(set) != FALSE; }, 5000)) << "Set... stays disabled";
        ui.Press(language.set);
        HWND wizard = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (wizard = FindTopWindow(p, nullptr, language.wizardTitle)) != nullptr; },
                            10000));
        for (const char* t : language.wizardTexts) EXPECT_NE(FindChildWithText(wizard, t), nullptr) << t;
        for (const char* t : other.wizardTexts) EXPECT_EQ(FindChildWithText(wizard, t), nullptr) << t;
        PostMessageA(FindChildWithText(wizard, language.wizardTexts[1]), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(wizard); }, 10000)) << "the wizard stayed open";

        ui.Press(language.cancel);
        EXPECT_EQ(p.Wait(20000), 0u);
        PostMessageA(WindowFromField(block->ServiceWindow), WM_CLOSE, 0, 0);
        EXPECT_EQ(keyboardService.Wait(20000), 0u);
    }
}

// Two starts at the same moment open one window: the other start ends with 1.
TEST_F(EndToEnd, TwoStartsAtTheSameMomentOpenOneWindow) {
    Process first, second;
    Start(first, exe);
    Start(second, exe);
    ASSERT_TRUE(WaitForSettingsWindow(block)) << "no window opened";
    WaitFor([&] { return first.Wait(0) != DWORD(-1) || second.Wait(0) != DWORD(-1); }, 10000);
    const DWORD codes[] = {first.Wait(0), second.Wait(0)};
    ASSERT_EQ(std::count(codes, codes + 2, 1u), 1) << codes[0] << " " << codes[1];
    Process& open = codes[0] == 1u ? second : first;
    EXPECT_EQ(open.Wait(0), DWORD(-1)) << "the window's start runs on";
    SettingsWindow ui(WindowFromField(block->SettingsWindow));
    DWORD owner = 0;
    GetWindowThreadProcessId(ui.window, &owner);
    EXPECT_EQ(owner, open.info.dwProcessId);
    ui.Press("Cancel");
    EXPECT_EQ(open.Wait(20000), 0u);
}

namespace {

int reloads = 0;
WNDPROC staticProc = nullptr;
LRESULT CALLBACK CountReloads(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == 2026) ++reloads;
    return CallWindowProcA(staticProc, wnd, msg, wParam, lParam);
}

// The Windows name of a Unix path, through Wine's drive Z:.
std::string FromUnix(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

// Runs a shell command line to its end. Wine starts a Unix program as it is
// but hands back no handle to wait on, so the line leaves a mark when done.
void RunShell(const std::string& command) {
    const std::string done = "/tmp/varnoq-shell-" + std::to_string(GetCurrentProcessId());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION info{};
    std::string line = "/bin/sh -c \"" + command + "; touch " + done + "\"";
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info)) return;
    WaitFor([&] { return forms::FileExists(FromUnix(done)); }, 20000);
    DeleteFileA(FromUnix(done).c_str());
}

// A small tmpfs of its own, mounted while it lives (mounting needs root);
// the mark is written only into a mounted one.
struct TmpfsMount {
    const std::string unixDir = "/tmp/varnoq-full-" + std::to_string(GetCurrentProcessId());
    TmpfsMount() {
        RunShell("mkdir -p " + unixDir + " && mount -t tmpfs -o size=32m tmpfs " + unixDir + " && touch " + unixDir +
                 "/mounted");
    }
    ~TmpfsMount() { RunShell("umount -l " + unixDir + "; rmdir " + unixDir); }
    bool Mounted() const { return forms::FileExists(Dir() + "mounted"); }
    std::string Dir() const { return FromUnix(unixDir + "/"); }
};

} // namespace

// The program's folder on a disk that has no room left: Apply shows the
// error, def.kfd stays byte for byte with nothing left beside it, and Apply
// stays enabled. Cancel then restores the block as it was before the start;
// or, once there is room again, Apply goes through.
TEST_F(EndToEnd, AFullDiskAtApplyLosesNothingAndApplyGoesThroughOnceThereIsRoom) {
    TmpfsMount disk;
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (it needs root)";
    Installation here({"Varnoq.exe", "TORVEL32.DLL", "def.kfd"}, disk.Dir());
    const std::string kfd = here.Dir() + "def.kfd", filler = here.Dir() + "filler";
    const std::string original = ReadText(kfd);
    ASSERT_EQ(original.size(), 1293u + 18 * 526u);
    staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(service, GWLP_WNDPROC, LONG_PTR(CountReloads)));
    for (const bool room : {false, true}) {
        SCOPED_TRACE(room ? "room made" : "cancelled");
        HANDLE f = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        const std::string chunk(4096, 'f');
        DWORD written = 0;
        while (WriteFile(f, chunk.data(), DWORD(chunk.size()), &written, nullptr) && written == chunk.size()) {}
        while (WriteFile(f, chunk.data(), 1, &written, nullptr) && written == 1) {}
        CloseHandle(f);
        reloads = 0;
        TSharedSettingsBlock expected;
        std::memcpy(&expected, block, sizeof expected);
        Process p;
        Start(p, here.Exe());
        ASSERT_TRUE(WaitForSettingsWindow(block)) << "the window did not open";
        SettingsWindow ui(WindowFromField(block->SettingsWindow));
        HWND apply = FindChildWithText(ui.window, "Apply");
        ui.NextPage();
        ui.NextPage();
        ui.Press("Show \"&Caps Lock\" Status");
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(apply) != FALSE; }, 5000));
        ui.Press("Apply");
        EXPECT_EQ(AnswerMessageBox(p, 10000), "Stream write error");
        EXPECT_EQ(ReadText(kfd), original);
        for (const char* beside : {"def.kfd.new~", "def.kfd.old~"})
            EXPECT_FALSE(forms::FileExists(here.Dir() + beside)) << beside;
        EXPECT_TRUE(IsWindowEnabled(apply));
        if (room) {
            DeleteFileA(filler.c_str());
            ui.Press("Apply");
            EXPECT_TRUE(WaitFor([&] { return reloads == 1 && !IsWindowEnabled(apply); }, 10000));
            EXPECT_EQ(AnswerMessageBox(p, 300), "");
            const std::string saved = ReadText(kfd);
            EXPECT_EQ(saved.size(), original.size());
            EXPECT_NE(saved, original) << "the save time was not written";
            std::memcpy(&expected, block, sizeof expected);
            expected.SettingsWindow = 0;
        }
        ui.Press("Cancel");
        EXPECT_EQ(p.Wait(20000), 0u);
        EXPECT_EQ(reloads, room ? 1 : 0);
        EXPECT_EQ(std::memcmp(&expected, block, sizeof expected), 0) << "the block is not the one expected";
    }
}

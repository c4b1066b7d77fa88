// Stand-in for the keyboard service: publishes the shared settings block
// with its defaults, keeps a window that takes the reload message, logs
// every reload together with what def.kfd then holds, and shows its
// on-screen display as the real service does: a preview in the block's
// colours on every reload, the state of a lock key whose flag is set when
// that key changes, and what a key does when it is pressed.
//
//   KeyboardService.exe [--log FILE]   run (the log defaults to service.log beside the exe)
//   KeyboardService.exe --stop         ask the running service to end
//   KeyboardService.exe --press KEYID  act as extra key KEYID: the running
//       service acts with the assignments of its last reload; with none
//       running, this process acts with def.kfd and the default display
//       settings, and ends when its display hides. Exit code 2 for a KEYID
//       that is not a number.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KeyFileReport.h"
#include "OsdWindow.h"
#include "PressAction.h"
#include "SharedSettingsBlock.h"
#include "Torvel32.h"

namespace {

// Asks the running service to act as the key in wParam.
constexpr UINT PressMessage = WM_APP + 1;
constexpr UINT_PTR kLockTimer = 1;
constexpr char kPreviewText[] = "On-screen display";
// The preview carries the home key's picture, as the settings page's sample shows a house.
constexpr int32_t kPreviewIconId = 2;

TSharedSettingsBlock* block = nullptr;
std::string logPath;
std::unique_ptr<service::TOsdWindow> display;
// The assignments the service acts on: those of def.kfd at start and at each reload.
std::vector<service::TKeyAssignment> keys;

void Log(const std::string& line) {
    if (FILE* f = std::fopen(logPath.c_str(), "ab")) {
        std::fprintf(f, "%s\r\n", line.c_str());
        std::fclose(f);
    }
}

// The folder of this executable, with a trailing backslash.
std::string OwnDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n < MAX_PATH ? n : 0);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

// def.kfd's bytes; on failure false, with the log line that says why.
bool ReadKeyFile(std::vector<uint8_t>& bytes, std::string& failure) {
    FILE* f = std::fopen((OwnDirectory() + "def.kfd").c_str(), "rb");
    if (!f) {
        bool exists = GetFileAttributesA((OwnDirectory() + "def.kfd").c_str()) != INVALID_FILE_ATTRIBUTES;
        failure = exists ? "def.kfd: cannot be opened" : "def.kfd: missing";
        return false;
    }
    uint8_t chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) failure = "def.kfd: read error";
    return !failed;
}

// Takes up def.kfd's assignments; a file that cannot be read leaves none.
// Returns the file's bytes for the report.
std::vector<uint8_t> LoadKeys(std::string& failure) {
    std::vector<uint8_t> bytes;
    if (!ReadKeyFile(bytes, failure)) bytes.clear();
    keys = service::ReadKeyAssignments(bytes);
    return bytes;
}

void WriteDefaults(TSharedSettingsBlock* b) {
    b->OSDDelayTime = 3;
    b->OSDFrameColor = DefaultOSDFrameColor;
    b->OSDFunctionNameColor = DefaultOSDFunctionNameColor;
    b->OSDBKColor = DefaultOSDBKColor;
    b->CapsLockStatus = -1;
    b->NumLockStatus = -1;
    b->ScrollLockStatus = 0;
    // The service's own bytes get a recognisable pattern.
    for (size_t i = 0; i < sizeof b->ServiceOwn1; ++i) b->ServiceOwn1[i] = uint8_t(0xA0 + i);
    for (size_t i = 0; i < sizeof b->ServiceOwn2; ++i) b->ServiceOwn2[i] = uint8_t(0x50 + i);
}

// Shows text (and the icon, which the display takes over) with the colours
// and delay the settings hold now.
void ShowOnDisplay(const TSharedSettingsBlock& settings, const std::string& text, HICON icon = nullptr) {
    display->Show(text, service::LookOf(settings.OSDFrameColor, settings.OSDBKColor, settings.OSDFunctionNameColor),
                  settings.OSDDelayTime, icon);
}

// A text of the string library beside the executable, read as the settings
// program reads it (at most 254 characters); empty when absent.
std::string LibraryText(int32_t id) {
    HMODULE strings = LoadLibraryExA((OwnDirectory() + "TORSTR.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char buffer[256];
    int n = strings ? LoadStringA(strings, UINT(id), buffer, 255) : 0;
    if (strings) FreeLibrary(strings);
    return n > 0 ? std::string(buffer) : std::string();
}

// An icon of the icon library beside the executable, by the same numbers as
// the texts; a copy of its own, so the library need not stay loaded. 0 when absent.
HICON LibraryIcon(int32_t id) {
    HMODULE icons = LoadLibraryExA((OwnDirectory() + "TORGFX.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!icons) return nullptr;
    // At the size the display draws it at the screen's resolution.
    const int size = service::OsdScaled(service::kOsdIconSize, service::ScreenPixelsPerInch());
    auto icon = static_cast<HICON>(
        LoadImageA(icons, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    FreeLibrary(icons);
    return icon;
}

// The icon the shell shows for a custom key's target.
HICON TargetIcon(const std::string& path) {
    char buffer[MAX_PATH] = "";
    path.copy(buffer, MAX_PATH - 1);
    WORD index = 0;
    return ExtractAssociatedIconA(GetModuleHandleA(nullptr), buffer, &index);
}

// Acts as key keyId: opens a custom key's target and shows the name.
void Press(int32_t keyId, const TSharedSettingsBlock& settings) {
    service::TPressAction action = service::ResolvePress(keys, keyId);
    std::string prefix = "press: key " + std::to_string(keyId);
    if (action.Mode == service::TKeyMode::Custom) {
        if (action.Open.empty()) {
            Log(prefix + " has no target to open");
        } else {
            std::string dir = action.Open.substr(0, action.Open.find_last_of("\\/") + 1);
            auto result = INT_PTR(ShellExecuteA(nullptr, "open", action.Open.c_str(), nullptr,
                                                dir.empty() ? nullptr : dir.c_str(), SW_SHOWNORMAL));
            Log(prefix + (result > 32 ? " opens \"" : " cannot open \"") + action.Open + "\"" +
                (result > 32 ? "" : " (error " + std::to_string(result) + ")"));
        }
    }
    std::string text = action.TextId ? LibraryText(action.TextId) : action.Text;
    if (text.empty()) text = "Key " + std::to_string(keyId); // no text in the library
    Log(prefix + " shows \"" + text + "\"");
    HICON icon = action.Open.empty() ? LibraryIcon(action.TextId ? action.TextId : keyId) : TargetIcon(action.Open);
    ShowOnDisplay(settings, text, icon);
}

struct TLockKey {
    int VirtualKey;
    const char* Name;
    int32_t TSharedSettingsBlock::*Flag;
    bool On;
};
TLockKey lockKeys[] = {
    {VK_CAPITAL, "Caps Lock", &TSharedSettingsBlock::CapsLockStatus, false},
    {VK_NUMLOCK, "Num Lock", &TSharedSettingsBlock::NumLockStatus, false},
    {VK_SCROLL, "Scroll Lock", &TSharedSettingsBlock::ScrollLockStatus, false},
};

bool Toggled(int virtualKey) { return (GetKeyState(virtualKey) & 1) != 0; }

// Looks for lock keys that changed since the last look; the display shows
// the change of one whose flag is set.
void WatchLockKeys() {
    for (TLockKey& lock : lockKeys) {
        bool on = Toggled(lock.VirtualKey);
        if (on == lock.On) continue;
        lock.On = on;
        if (block->*lock.Flag) ShowOnDisplay(*block, service::LockStateText(lock.Name, on));
    }
}

void LogReload() {
    Log("reload: delay=" + std::to_string(block->OSDDelayTime) + " frame=" + std::to_string(block->OSDFrameColor) +
        " name=" + std::to_string(block->OSDFunctionNameColor) + " bk=" + std::to_string(block->OSDBKColor) +
        " caps=" + std::to_string(block->CapsLockStatus) + " num=" + std::to_string(block->NumLockStatus) +
        " scroll=" + std::to_string(block->ScrollLockStatus));
    std::string failure;
    std::vector<uint8_t> bytes = LoadKeys(failure);
    if (!failure.empty()) {
        Log(failure);
        return;
    }
    for (const std::string& line : service::DescribeKeyFile(bytes)) Log(line);
}

LRESULT CALLBACK ServiceProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case ReloadMessage:
        LogReload();
        ShowOnDisplay(*block, kPreviewText, LibraryIcon(kPreviewIconId));
        return 0;
    case PressMessage:
        Press(int32_t(wParam), *block);
        return 0;
    case WM_TIMER:
        if (wParam == kLockTimer) WatchLockKeys();
        return 0;
    case WM_CLOSE:
        DestroyWindow(wnd);
        return 0;
    case WM_DESTROY:
        KillTimer(wnd, kLockTimer);
        if (block->ServiceWindow == WindowToField(wnd)) block->ServiceWindow = 0;
        Log("stopped");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

// The number after --press; false when there is none or it is not a number.
bool PressedKey(const std::string& args, int32_t& keyId) {
    std::string rest = args.substr(args.find("--press") + 7);
    size_t first = rest.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    const char* start = rest.c_str() + first;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(start, &end, 10);
    if (end == start || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return false;
    if (*end != '\0' && *end != ' ') return false;
    keyId = int32_t(value);
    return true;
}

void SetLogPath(const std::string& args) {
    logPath = OwnDirectory() + "service.log";
    auto logArg = args.find("--log ");
    if (logArg != std::string::npos) {
        logPath = args.substr(logArg + 6);
        while (!logPath.empty() && (logPath.back() == ' ' || logPath.back() == '"')) logPath.pop_back();
        if (!logPath.empty() && logPath.front() == '"') logPath.erase(0, 1);
    }
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

// --press with no service running: act here and stay until the display hides.
int PressAlone(HINSTANCE instance, int32_t keyId) {
    TSharedSettingsBlock defaults{};
    WriteDefaults(&defaults);
    std::string failure;
    LoadKeys(failure);
    if (!failure.empty()) Log("press: " + failure);
    display = std::make_unique<service::TOsdWindow>(instance);
    display->OnHidden = [] { PostQuitMessage(0); };
    Press(keyId, defaults);
    int code = RunMessageLoop();
    display.reset();
    return code;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    block = static_cast<TSharedSettingsBlock*>(AttachSharedBlock());
    if (!block) return 2;
    std::string args = GetCommandLineA();
    HWND running = WindowFromField(block->ServiceWindow);
    bool serviceRuns = running && IsWindow(running);
    if (args.find("--stop") != std::string::npos) {
        if (serviceRuns) PostMessageA(running, WM_CLOSE, 0, 0);
        return 0;
    }
    SetLogPath(args);
    if (args.find("--press") != std::string::npos) {
        int32_t keyId = 0;
        if (!PressedKey(args, keyId)) return 2;
        if (serviceRuns) return PostMessageA(running, PressMessage, WPARAM(keyId), 0) ? 0 : 2;
        return PressAlone(instance, keyId);
    }
    if (serviceRuns) return 1; // one service at a time

    WNDCLASSA wc{};
    wc.lpfnWndProc = ServiceProc;
    wc.hInstance = instance;
    wc.lpszClassName = "TorvelKeyboardService";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "Keyboard service", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               instance, nullptr);
    if (!wnd) return 2;
    WriteDefaults(block);
    std::string failure;
    LoadKeys(failure);
    display = std::make_unique<service::TOsdWindow>(instance);
    for (TLockKey& lock : lockKeys) lock.On = Toggled(lock.VirtualKey);
    SetTimer(wnd, kLockTimer, 100, nullptr);
    block->ServiceWindow = WindowToField(wnd);
    Log("started");

    int code = RunMessageLoop();
    display.reset();
    return code;
}

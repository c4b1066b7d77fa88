// Stand-in for the keyboard service: publishes the shared settings block
// with its defaults, keeps a window that takes the reload message, and logs
// every reload together with what def.kfd then holds.
//
//   KeyboardService.exe [--log FILE]   run (the log defaults to service.log beside the exe)
//   KeyboardService.exe --stop         ask the running service to end
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "KeyFileReport.h"
#include "SharedSettingsBlock.h"
#include "Torvel32.h"

namespace {

TSharedSettingsBlock* block = nullptr;
std::string logPath;

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

void LogReload() {
    Log("reload: delay=" + std::to_string(block->OSDDelayTime) + " frame=" + std::to_string(block->OSDFrameColor) +
        " name=" + std::to_string(block->OSDFunctionNameColor) + " bk=" + std::to_string(block->OSDBKColor) +
        " caps=" + std::to_string(block->CapsLockStatus) + " num=" + std::to_string(block->NumLockStatus) +
        " scroll=" + std::to_string(block->ScrollLockStatus));
    FILE* f = std::fopen((OwnDirectory() + "def.kfd").c_str(), "rb");
    if (!f) {
        bool exists = GetFileAttributesA((OwnDirectory() + "def.kfd").c_str()) != INVALID_FILE_ATTRIBUTES;
        Log(exists ? "def.kfd: cannot be opened" : "def.kfd: missing");
        return;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        Log("def.kfd: read error");
        return;
    }
    for (const std::string& line : service::DescribeKeyFile(bytes)) Log(line);
}

LRESULT CALLBACK ServiceProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case ReloadMessage:
        LogReload();
        return 0;
    case WM_CLOSE:
        DestroyWindow(wnd);
        return 0;
    case WM_DESTROY:
        if (block->ServiceWindow == uint32_t(uintptr_t(wnd))) block->ServiceWindow = 0;
        Log("stopped");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

void WriteDefaults() {
    block->OSDDelayTime = 3;
    block->OSDFrameColor = DefaultOSDFrameColor;
    block->OSDFunctionNameColor = DefaultOSDFunctionNameColor;
    block->OSDBKColor = DefaultOSDBKColor;
    block->CapsLockStatus = -1;
    block->NumLockStatus = -1;
    block->ScrollLockStatus = 0;
    // The service's own bytes get a recognisable pattern.
    for (size_t i = 0; i < sizeof block->ServiceOwn1; ++i) block->ServiceOwn1[i] = uint8_t(0xA0 + i);
    for (size_t i = 0; i < sizeof block->ServiceOwn2; ++i) block->ServiceOwn2[i] = uint8_t(0x50 + i);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    block = static_cast<TSharedSettingsBlock*>(AttachSharedBlock());
    if (!block) return 2;
    std::string args = GetCommandLineA();
    HWND running = reinterpret_cast<HWND>(uintptr_t(block->ServiceWindow));
    if (args.find("--stop") != std::string::npos) {
        if (running && IsWindow(running)) PostMessageA(running, WM_CLOSE, 0, 0);
        return 0;
    }
    if (running && IsWindow(running)) return 1; // one service at a time
    logPath = OwnDirectory() + "service.log";
    auto logArg = args.find("--log ");
    if (logArg != std::string::npos) {
        logPath = args.substr(logArg + 6);
        while (!logPath.empty() && (logPath.back() == ' ' || logPath.back() == '"')) logPath.pop_back();
        if (!logPath.empty() && logPath.front() == '"') logPath.erase(0, 1);
    }

    WNDCLASSA wc{};
    wc.lpfnWndProc = ServiceProc;
    wc.hInstance = instance;
    wc.lpszClassName = "TorvelKeyboardService";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "Keyboard service", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               instance, nullptr);
    if (!wnd) return 2;
    WriteDefaults();
    block->ServiceWindow = uint32_t(uintptr_t(wnd));
    Log("started");

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

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

#include "app/KbDataType.h"
#include "app/SharedSettingsBlock.h"
#include "forms/SysUtils.h"
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

const char* ModeOf(const TKeyFunctionRecord& r) {
    if (r.UseDefault) return "factory";
    return r.SpecialFunctionId ? "special" : "custom";
}

void LogReload() {
    Log("reload: delay=" + std::to_string(block->OSDDelayTime) + " frame=" + std::to_string(block->OSDFrameColor) +
        " name=" + std::to_string(block->OSDFunctionNameColor) + " bk=" + std::to_string(block->OSDBKColor) +
        " caps=" + std::to_string(block->CapsLockStatus) + " num=" + std::to_string(block->NumLockStatus) +
        " scroll=" + std::to_string(block->ScrollLockStatus));
    TDralKeyFunctionDataFile file;
    std::string name = forms::ExecutableDirectory() + "def.kfd";
    try {
        if (file.LoadFromFile(name) == 1 && !forms::FileExists(name)) {
            Log("def.kfd: missing");
            return;
        }
        Log("def.kfd: " + std::to_string(file.Records().size()) + " records");
        for (const auto& r : file.Records())
            Log("key " + std::to_string(int32_t(r->KeyId)) + " " + ModeOf(*r) + " special=" +
                std::to_string(int32_t(r->SpecialFunctionId)) + " name=\"" + r->CustomName.Get() + "\" path=\"" +
                r->CustomPath.Get() + "\"");
    } catch (const std::exception& e) {
        Log(std::string("def.kfd: ") + e.what());
    }
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
    logPath = forms::ExecutableDirectory() + "service.log";
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

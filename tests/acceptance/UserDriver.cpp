#include "UserDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace acceptance {

namespace {

// The build's bin folder: the suite runs from there, beside the program.
std::string BinDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(dir + name + "\\");
            else DeleteFileA((dir + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

void Send(std::vector<INPUT> inputs) { SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)); }

struct Search {
    const std::function<bool(HWND)>* match;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM data) {
    auto* s = reinterpret_cast<Search*>(data);
    if (!(*s->match)(wnd)) return TRUE;
    s->found = wnd;
    return FALSE;
}

bool HasClass(HWND wnd, const char* cls) {
    char name[64] = "";
    GetClassNameA(wnd, name, sizeof name);
    return _stricmp(name, cls) == 0;
}

} // namespace

Process::~Process() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

bool Process::Start(const std::string& exe, const std::string& args) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    std::string dir = exe.substr(0, exe.find_last_of('\\') + 1);
    return CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &info_);
}

long Process::Wait(DWORD timeoutMs) {
    if (!WaitFor([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return long(code);
}

std::string BuildFile(const std::string& name) {
    const std::string bin = BinDirectory();
    return name == "TORLANG.DLL"          ? bin + "..\\lang\\TORLANG.DLL"
           : name == "broken:TORLANG.DLL" ? bin + "..\\brokenlang\\TORLANG.DLL"
           : name == "planted:oleacc.dll" ? bin + "..\\planted\\oleacc.dll"
                                           : bin + name;
}

Installation::Installation(const std::vector<std::string>& files) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    dir_ = std::string(temp) + "varnoq-acceptance-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + "\\";
    RemoveTree(dir_);
    CreateDirectoryA(dir_.c_str(), nullptr);
    for (const std::string& f : files) {
        std::string from = BuildFile(f);
        std::string name = f.substr(f.find(':') + 1);
        if (!CopyFileA(from.c_str(), (dir_ + name).c_str(), FALSE)) notCopied_ += " " + from;
    }
}

Installation::~Installation() { RemoveTree(dir_); }

void Installation::Write(const std::string& name, const std::string& content) const {
    if (FILE* f = std::fopen(Path(name).c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
}

std::string Installation::Read(const std::string& name) const {
    std::string text;
    if (FILE* f = std::fopen(Path(name).c_str(), "rb")) {
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
        std::fclose(f);
    }
    return text;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (done()) return true;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(20);
    }
    return done();
}

void MoveMouse(POINT screen) {
    // Absolute moves are given in 65536ths of the primary screen.
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = LONG((screen.x * 65536 + w - 1) / w);
    move.mi.dy = LONG((screen.y * 65536 + h - 1) / h);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send({move});
    POINT at{};
    WaitFor([&] { return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y; }, 2000);
}

void Click(POINT screen) {
    MoveMouse(screen);
    INPUT click[2]{};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    Send({click[0], click[1]});
}

void ClickWindow(HWND wnd) {
    RECT r;
    GetWindowRect(wnd, &r);
    Click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

void PressKeys(std::initializer_list<WORD> chord) {
    std::vector<INPUT> inputs;
    for (WORD vk : chord) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        inputs.push_back(in);
    }
    for (auto it = chord.end(); it != chord.begin();) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *--it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    Send(inputs);
}

HWND FindChild(HWND parent, const std::function<bool(HWND)>& match) {
    Search s{&match, nullptr};
    EnumChildWindows(parent, MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND FindChildWithText(HWND parent, const std::string& text) {
    return FindChild(parent, [&](HWND w) { return WindowText(w) == text; });
}

HWND FindChildOfClass(HWND parent, const char* cls) {
    return FindChild(parent, [&](HWND w) { return HasClass(w, cls); });
}

HWND FindTopWindowOf(DWORD process, const char* cls) {
    std::function<bool(HWND)> match = [&](HWND w) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        return owner == process && IsWindowVisible(w) && HasClass(w, cls);
    };
    Search s{&match, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string WindowText(HWND wnd) {
    char text[256] = "";
    GetWindowTextA(wnd, text, sizeof text);
    return text;
}

std::string ComboItemText(HWND combo, int index) {
    // The wide form: Wine hands the ANSI form's text across processes in
    // wide characters, the wide form reads right everywhere.
    wchar_t text[256] = L"";
    if (SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(index), 0) >= 256) return "(too long)";
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    char narrow[512] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

POINT ClientPoint(HWND wnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(wnd, &p);
    return p;
}

namespace {

Pixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
    Pixels p;
    p.Width = width;
    p.Height = height;
    p.Rgb.resize(size_t(width) * height);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(dc, bitmap, 0, UINT(height), p.Rgb.data(), &info, DIB_RGB_COLORS);
    for (uint32_t& v : p.Rgb) v &= 0xFFFFFF;
    return p;
}

} // namespace

Pixels CaptureScreen(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    Pixels p = ReadBitmap(screen, bitmap, w, h);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return p;
}

bool WaitForStillScreen(const RECT& screen, DWORD timeoutMs) {
    Pixels last = CaptureScreen(screen);
    return WaitFor([&] {
        Sleep(250);
        Pixels now = CaptureScreen(screen);
        const bool still = CountDifferent(now, last) == 0;
        last = std::move(now);
        return still;
    }, timeoutMs);
}

Pixels LoadBitmapFile(const std::string& path) {
    auto bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                  LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap) return {};
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    HDC screen = GetDC(nullptr);
    Pixels p = ReadBitmap(screen, bitmap, info.bmWidth, info.bmHeight);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return p;
}

Pixels Crop(const Pixels& p, const RECT& r) {
    Pixels out;
    out.Width = r.right - r.left;
    out.Height = r.bottom - r.top;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            out.Rgb.push_back(x < p.Width && y < p.Height ? p.At(x, y) : 0xFF000000);
    return out;
}

size_t CountDifferent(const Pixels& a, const Pixels& b) {
    if (a.Width != b.Width || a.Height != b.Height) return std::max(a.Rgb.size(), b.Rgb.size());
    size_t n = 0;
    for (size_t i = 0; i < a.Rgb.size(); ++i) n += a.Rgb[i] != b.Rgb[i];
    return n;
}

size_t CountColours(const Pixels& p) { return std::set<uint32_t>(p.Rgb.begin(), p.Rgb.end()).size(); }

} // namespace acceptance

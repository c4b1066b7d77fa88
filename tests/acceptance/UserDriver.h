// What the acceptance suite does as a user does it: installs the program in a
// fresh folder, starts processes, moves the mouse, clicks and types through
// the system's input queue, and looks at windows, pixels and files from
// outside. Nothing here links or calls the program's own code.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace acceptance {

// A running process; ended by force when the scenario leaves it running.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
    // Starts exe (with args) in exe's folder; false when it cannot start.
    bool Start(const std::string& exe, const std::string& args = "");
    // The exit code, or -1 when it is still running after timeoutMs.
    long Wait(DWORD timeoutMs);
    DWORD Id() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_{};
};

// A fresh folder holding the program and the files a user put beside it,
// removed with everything in it at the end.
class Installation {
public:
    // Names are copied from the build's bin folder; "TORLANG.DLL" comes from
    // the language module's folder, "broken:TORLANG.DLL" from the broken one,
    // "planted:oleacc.dll" is the library that tells when it is loaded.
    explicit Installation(const std::vector<std::string>& files);
    ~Installation();
    void Write(const std::string& name, const std::string& content) const;
    std::string Read(const std::string& name) const;
    std::string Path(const std::string& name) const { return dir_ + name; }
    // The files that could not be copied in, with their sources.
    const std::string& NotCopied() const { return notCopied_; }

private:
    std::string dir_, notCopied_;
};

// A file of the build as the suite installs it (see Installation).
std::string BuildFile(const std::string& name);

// Waits up to timeoutMs for done, pumping this thread's messages.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);

// Mouse and keyboard, through SendInput, at screen coordinates.
void MoveMouse(POINT screen);
void Click(POINT screen);
void ClickWindow(HWND wnd); // at the middle of the window
void PressKeys(std::initializer_list<WORD> chord); // down in order, up in reverse

// Windows of another process, found by what a user sees.
HWND FindChild(HWND parent, const std::function<bool(HWND)>& match);
HWND FindChildWithText(HWND parent, const std::string& text);
HWND FindChildOfClass(HWND parent, const char* cls);
HWND FindTopWindowOf(DWORD process, const char* cls);
std::string WindowText(HWND wnd);
std::string ComboItemText(HWND combo, int index);
POINT ClientPoint(HWND wnd, int x, int y); // to screen

// Pixels, 0x00RRGGBB, rows top-down.
struct Pixels {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Rgb;
    uint32_t At(int x, int y) const { return Rgb[size_t(y) * Width + x]; }
};
Pixels CaptureScreen(const RECT& screen);
// True once two captures of the rectangle 250 ms apart agree: painting is over.
bool WaitForStillScreen(const RECT& screen, DWORD timeoutMs);
Pixels LoadBitmapFile(const std::string& path);
Pixels Crop(const Pixels& p, const RECT& r);
// How many pixels of a and b differ (all of them when the sizes differ).
size_t CountDifferent(const Pixels& a, const Pixels& b);
size_t CountColours(const Pixels& p);

} // namespace acceptance

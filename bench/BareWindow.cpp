// The floor of the start-up benchmark: the least a Win32 window program does
// to be on screen. One window of the main window's size with a caption,
// painted once with a background and a line of text, closed by WM_CLOSE.
// Built with the same toolchain and flags as the program. With --exit it
// ends at once: the cost of a process alone; the libraries named on its
// command line (NAME.dll ...) it loads before its window: their share.
#include <windows.h>

#include <cstring>

namespace {

LRESULT CALLBACK BareProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT r;
        GetClientRect(wnd, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawTextA(dc, "Bare window", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int show) {
    if (std::strstr(args, "--exit")) return 0;
    for (char* word = std::strtok(args, " "); word; word = std::strtok(nullptr, " "))
        if (std::strlen(word) > 4 && _stricmp(word + std::strlen(word) - 4, ".dll") == 0) LoadLibraryA(word);
    WNDCLASSA wc{};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "BareWindow";
    if (!RegisterClassA(&wc)) return 2;
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "Bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                               660, 480, nullptr, nullptr, instance, nullptr);
    if (!wnd) return 2;
    ShowWindow(wnd, show);
    UpdateWindow(wnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

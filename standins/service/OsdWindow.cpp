#include "OsdWindow.h"

#include <algorithm>

// The service stands apart from the settings program, so it draws with
// plain GDI rather than the program's form library.

namespace service {

namespace {

constexpr char kClassName[] = "TorvelOnScreenDisplay";
constexpr UINT_PTR kHideTimer = 1;

// Frees a GDI object and restores the DC's previous one when it goes.
class TSelected {
public:
    TSelected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), old_(SelectObject(dc, object)) {}
    ~TSelected() {
        SelectObject(dc_, old_);
        DeleteObject(object_);
    }
    TSelected(const TSelected&) = delete;
    TSelected& operator=(const TSelected&) = delete;

private:
    HDC dc_;
    HGDIOBJ object_, old_;
};

void Fill(HDC dc, const RECT& r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

} // namespace

COLORREF ResolveColor(uint32_t color) {
    if (color & 0x80000000u) return GetSysColor(int(color & 0xFF));
    return COLORREF(color & 0x00FFFFFFu);
}

TOsdLook LookOf(uint32_t frame, uint32_t background, uint32_t text) {
    return {ResolveColor(frame), ResolveColor(background), ResolveColor(text)};
}

int ScreenPixelsPerInch() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

RECT OsdStrip(const RECT& box, bool withIcon, int dpi) {
    const int margin = OsdScaled(12, dpi), edge = OsdScaled(14, dpi);
    RECT strip{box.left + margin, box.top + edge, box.right - margin, box.bottom - edge};
    if (withIcon) strip.left += OsdScaled(kOsdIconSize, dpi) + margin;
    return strip;
}

void PaintOsd(HDC dc, const RECT& box, const TOsdLook& look, const std::string& text, HICON icon, int dpi) {
    Fill(dc, box, look.Frame);
    RECT strip = OsdStrip(box, icon != nullptr, dpi);
    const int iconSize = OsdScaled(kOsdIconSize, dpi);
    if (icon)
        DrawIconEx(dc, box.left + OsdScaled(12, dpi), (box.top + box.bottom - iconSize) / 2, icon, iconSize, iconSize, 0,
                   nullptr, DI_NORMAL);
    Fill(dc, strip, look.Background);
    TSelected font(dc, CreateFontA(OsdScaled(-22, dpi), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                   DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(dc, look.Text);
    RECT inner = strip;
    InflateRect(&inner, -OsdScaled(8, dpi), 0);
    DrawTextA(dc, text.c_str(), int(text.size()), &inner,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

TOsdWindow::TOsdWindow(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // fails harmlessly when a second display registers it again
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    // Centred, near the bottom of the work area, where it covers little.
    const int width = OsdScaled(kOsdWidth, dpi_), height = OsdScaled(kOsdHeight, dpi_);
    int x = (work.left + work.right - width) / 2;
    int y = work.bottom - height - (work.bottom - work.top) / 8;
    wnd_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, x, y,
                           width, height, nullptr, nullptr, instance, this);
}

TOsdWindow::~TOsdWindow() {
    if (wnd_) DestroyWindow(wnd_);
    if (icon_) DestroyIcon(icon_);
}

void TOsdWindow::Show(const std::string& text, const TOsdLook& look, int seconds, HICON icon) {
    if (icon_ && icon_ != icon) DestroyIcon(icon_);
    icon_ = icon;
    if (!wnd_) return;
    text_ = text;
    look_ = look;
    // The window text is what assistive tools and tests read.
    SetWindowTextA(wnd_, text.c_str());
    SetTimer(wnd_, kHideTimer, UINT(std::clamp(seconds, 1, 10)) * 1000, nullptr);
    InvalidateRect(wnd_, nullptr, FALSE);
    SetWindowPos(wnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(wnd_);
}

void TOsdWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd_, &ps);
    RECT box;
    GetClientRect(wnd_, &box);
    // Composed off screen and copied in one step: no flicker between the fills.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP image = CreateCompatibleBitmap(dc, box.right, box.bottom);
    HGDIOBJ old = SelectObject(memory, image);
    PaintOsd(memory, box, look_, text_, icon_, dpi_);
    BitBlt(dc, 0, 0, box.right, box.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(image);
    DeleteDC(memory);
    EndPaint(wnd_, &ps);
}

LRESULT CALLBACK TOsdWindow::Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrA(wnd, GWLP_USERDATA,
                          LONG_PTR(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TOsdWindow*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_PAINT:
        if (self) {
            self->Paint();
            return 0;
        }
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_TIMER:
        if (wParam == kHideTimer && self) {
            KillTimer(wnd, kHideTimer);
            ShowWindow(wnd, SW_HIDE);
            if (self->OnHidden) self->OnHidden();
            return 0;
        }
        break;
    case WM_NCDESTROY:
        if (self) self->wnd_ = nullptr;
        break;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

} // namespace service

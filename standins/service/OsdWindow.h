// The service's on-screen display: a small topmost window near the bottom of
// the screen that never takes the focus, shows one line of text in the
// block's colours and hides itself when its time is up.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace service {

// The three colours as drawn (system colours resolved).
struct TOsdLook {
    COLORREF Frame = 0, Background = 0, Text = 0;
};

// A colour of the block: 0x00BBGGRR, or 0x80000000 plus a system colour index.
COLORREF ResolveColor(uint32_t color);
TOsdLook LookOf(uint32_t frame, uint32_t background, uint32_t text);

// Sizes at 96 dpi; the display scales them to the screen's resolution.
constexpr int kOsdWidth = 380, kOsdHeight = 64, kOsdIconSize = 32;

// A size given at 96 dpi, at the screen's resolution: MulDiv(value, dpi, 96),
// the settings program's rule.
int ScreenPixelsPerInch();
inline int OsdScaled(int value, int dpi) { return MulDiv(value, dpi, 96); }

// Where the background strip lies in box: inside the frame, right of the
// icon when there is one.
RECT OsdStrip(const RECT& box, bool withIcon, int dpi = 96);

// Draws the display into box: the frame colour around, the icon (if any) on
// the frame at the left, the background strip with the text centred on it
// (cut with an ellipsis); its margins, icon and font at dpi.
void PaintOsd(HDC dc, const RECT& box, const TOsdLook& look, const std::string& text, HICON icon, int dpi = 96);

class TOsdWindow {
public:
    explicit TOsdWindow(HINSTANCE instance);
    ~TOsdWindow();
    TOsdWindow(const TOsdWindow&) = delete;
    TOsdWindow& operator=(const TOsdWindow&) = delete;

    // Shows text (and icon, which the display takes over; may be 0) for the
    // given seconds (1 to 10; others are brought into that range); a new Show
    // replaces what is up and starts the time anew.
    void Show(const std::string& text, const TOsdLook& look, int seconds, HICON icon = nullptr);
    // Runs when the display hides itself.
    std::function<void()> OnHidden;
    HWND Handle() const { return wnd_; }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint();

    int dpi_ = ScreenPixelsPerInch();
    HWND wnd_ = nullptr;
    TOsdLook look_;
    std::string text_;
    HICON icon_ = nullptr;
};

} // namespace service

// Pixel access for the background tests: targets pre-filled with a colour no
// background draws, read back with GetDIBits independently of any canvas.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"

namespace oxa_test {

// A colour the tests never draw with, to see what a drawing left alone.
constexpr forms::TColor Untouched = RGB(0x12, 0x34, 0x56);

struct TPixels {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Argb; // top-down rows

    forms::TColor At(int x, int y) const {
        uint32_t v = Argb[size_t(y) * Width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // True when every pixel of the rectangle has this colour.
    bool All(const RECT& r, forms::TColor color) const {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) != color) return false;
        return true;
    }
    // True when every pixel outside the rectangle has this colour.
    bool AllOutside(const RECT& r, forms::TColor color) const {
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                if (!inside && At(x, y) != color) return false;
            }
        return true;
    }
};

inline TPixels Read(forms::TBitmap& bitmap) {
    TPixels p;
    p.Width = bitmap.Width();
    p.Height = bitmap.Height();
    p.Argb.resize(size_t(p.Width) * p.Height);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, p.Width, -p.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap.Handle(), 0, UINT(p.Height), p.Argb.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return p;
}

// A target bitmap of the given size filled with `Untouched`.
inline void Prepare(forms::TBitmap& target, int width, int height) {
    target.SetSize(width, height);
    target.Canvas().Brush().SetStyle(forms::bsSolid);
    target.Canvas().Brush().SetColor(Untouched);
    target.Canvas().FillRect({0, 0, width, height});
}

} // namespace oxa_test

// All pixels of a bitmap, read with GetDIBits independently of any canvas
// that may hold it, for tests that check what was drawn.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"

namespace testing_support {

struct TPixels {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Bgra; // top-down rows
    int RowsRead = 0;           // what GetDIBits reported

    forms::TColor At(int x, int y) const {
        uint32_t v = Bgra[size_t(y) * Width + x];
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
    int Count(forms::TColor color) const {
        int n = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) n += At(x, y) == color;
        return n;
    }
    bool operator==(const TPixels&) const = default;
};

inline TPixels ReadPixels(HBITMAP bitmap, int width, int height) {
    TPixels p;
    p.Width = width;
    p.Height = height;
    p.Bgra.resize(size_t(width) * height);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    p.RowsRead = GetDIBits(screen, bitmap, 0, UINT(height), p.Bgra.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return p;
}

inline TPixels ReadPixels(forms::TBitmap& bitmap) {
    return ReadPixels(bitmap.Handle(), bitmap.Width(), bitmap.Height());
}

} // namespace testing_support

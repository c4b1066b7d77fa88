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

// What a window shows on the screen now, its client area from the top-left
// (all of it without a size).
inline TPixels ReadWindow(HWND wnd, int width, int height) {
    forms::TWindowDC dc(wnd);
    forms::TGdiObject bitmap(CreateCompatibleBitmap(dc, width, height));
    {
        forms::TMemoryDC mem(static_cast<HBITMAP>(bitmap.Get()), dc);
        BitBlt(mem, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    }
    return ReadPixels(static_cast<HBITMAP>(bitmap.Get()), width, height);
}

inline TPixels ReadWindow(HWND wnd) {
    RECT r{};
    GetClientRect(wnd, &r);
    return ReadWindow(wnd, r.right, r.bottom);
}

// A bitmap of the given size in one colour, to draw or paint controls on.
inline void Fill(forms::TBitmap& bitmap, int width, int height, forms::TColor color) {
    bitmap.SetSize(width, height);
    bitmap.Canvas().Brush().SetStyle(forms::bsSolid);
    bitmap.Canvas().Brush().SetColor(color);
    bitmap.Canvas().FillRect({0, 0, width, height});
}

// A square icon of one opaque colour; the caller destroys it.
inline HICON SolidIcon(forms::TColor color, int size) {
    forms::TBitmap picture;
    Fill(picture, size, size, color);
    std::vector<uint8_t> zeros(size_t((size + 15) / 16 * 2 * size), 0); // mask 0: opaque everywhere
    forms::TGdiObject mask(CreateBitmap(size, size, 1, 1, zeros.data()));
    ICONINFO info{TRUE, 0, 0, static_cast<HBITMAP>(mask.Get()), picture.Handle()};
    return CreateIconIndirect(&info);
}

// The RGB value a colour is drawn with (system colours resolved).
inline forms::TColor Rgb(forms::TColor color) { return forms::ColorToRef(color); }

} // namespace testing_support

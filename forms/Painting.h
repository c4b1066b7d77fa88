// The painting toolkit of self-drawn controls: a canvas bound to a DC for
// a block, and the paint buffer through which every self-drawn surface is
// composed off-screen and reaches the screen (or its target) in one copy,
// so nothing flickers or shows half-drawn.
#pragma once
#include <windows.h>

#include "Canvas.h"
#include "GdiGuards.h"

namespace forms {

// A bitmap to compose on, for copying to `like`: for a memory DC, in the
// format of the bitmap it holds. Of 32 bits (for a window or the screen
// too), a small image is a DIB section: a bitmap compatible with the
// display costs the system a round trip to the display settings when made
// and again when selected (about 0.2 ms under Wine). A DIB section's
// memory is mapped afresh and faults in page by page, so from about 48 KB
// on, the compatible bitmap, whose memory the process reuses, is cheaper.
// Throws when the system is out of memory or handles.
HBITMAP NewImage(HDC like, int width, int height);
constexpr int SmallImageBytes = 48 * 1024; // of 32 bits, made as a DIB section

// A canvas drawing on a DC someone else owns, for the length of a block:
// the one way to put a canvas on a DC. The DC gets its own objects and
// clipping back however the block ends; with a font, the canvas takes a
// copy of it first.
class TCanvasBinding {
public:
    TCanvasBinding(TCanvas& canvas, HDC dc, const TFont* font = nullptr);
    ~TCanvasBinding();
    TCanvasBinding(const TCanvasBinding&) = delete;
    TCanvasBinding& operator=(const TCanvasBinding&) = delete;

private:
    TCanvas& canvas_;
    HDC previous_;
};

// An off-screen image with a canvas on it, copied in one step by Flush.
// Made for a window's WM_PAINT, it runs BeginPaint and EndPaint, covers
// the client area (so image coordinates are client coordinates) and clips
// drawing to the damaged part, which is all Flush copies. Made for a target
// canvas, it covers `area` in the target's coordinates and starts with the
// target's pen, brush and font. Without Flush (a painter that failed),
// nothing reaches the target.
class TPaintBuffer {
public:
    explicit TPaintBuffer(HWND window);
    TPaintBuffer(TCanvas& target, const RECT& area);
    TPaintBuffer(HDC target, const RECT& area); // a DC someone else owns: an owner-drawn item's
    ~TPaintBuffer();
    TPaintBuffer(const TPaintBuffer&) = delete;
    TPaintBuffer& operator=(const TPaintBuffer&) = delete;

    TCanvas& Canvas() { return canvas_; }
    // The image's DC, for drawing without the canvas.
    HDC DC() const { return memoryDC_; }
    // What Flush copies: the damaged part of a window, else the whole area.
    const RECT& PaintRect() const { return paintRect_; }
    void Flush();

private:
    // BeginPaint and EndPaint of a window; nothing for a target canvas.
    struct TPaintScope {
        explicit TPaintScope(HWND window);
        ~TPaintScope() { if (window) EndPaint(window, &ps); }
        HWND window;
        PAINTSTRUCT ps{};
        HDC dc = nullptr;
    };

    // Declared in the order they are made; they go in reverse.
    TPaintScope paint_;
    TCanvas* targetCanvas_ = nullptr; // asked for its DC again at Flush: a bitmap's may have changed
    HDC targetDC_;
    RECT area_;
    RECT paintRect_;
    TGdiObject bitmap_;
    TMemoryDC memoryDC_;
    TCanvas canvas_;
};

} // namespace forms

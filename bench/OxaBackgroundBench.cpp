// Cost of painting the main window's two backgrounds through their fill
// controls at their sizes: the first render after a change, and the repaint
// that copies the rendered picture (uncovering, switching pages, dragging).
// The floor, measured in the same run, is one blit of the same area between
// two images in the screen's format, as the window's paint buffer is; the
// repaint is meant to stay within 1.5 times it. Prints figures; never fails.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "bench/BenchTiming.h"
#include "components/OxaTFillBackground.h"
#include "forms/GdiGuards.h"

using namespace components;
using namespace forms;
using bench::PerCall;

namespace {

// An image in the screen's format with a DC on it.
struct TScreenImage {
    TScreenImage(int width, int height)
        : Bitmap(CreateCompatibleBitmap(TWindowDC(), width, height)), DC(static_cast<HBITMAP>(Bitmap.Get())) {}
    TGdiObject Bitmap;
    TMemoryDC DC;
};

void Measure(const char* name, TOxaBackground& background, int width, int height) {
    TScreenImage target(width, height), source(width, height);
    TOxaFillBackground fill(nullptr);
    fill.SetBounds(0, 0, width, height);
    fill.SetBackground(&background);
    // Written before it is read: untouched memory may all be one shared
    // page of zeros, far cheaper to read than a picture.
    PatBlt(source.DC, 0, 0, width, height, WHITENESS);
    auto blit = [&] { BitBlt(target.DC, 0, 0, width, height, source.DC, 0, 0, SRCCOPY); };
    auto repaint = [&] { fill.PaintTo(target.DC); };
    // A notification with no setting changed: the control renders anew.
    auto render = [&] {
        background.NotifyChanged();
        fill.PaintTo(target.DC);
    };
    // The three alternate, the lowest of three each, so that other load on
    // the machine weighs on all alike.
    double floor = 1e9, first = 1e9, cached = 1e9;
    for (int round = 0; round < 3; ++round) {
        floor = std::min(floor, PerCall(blit));
        first = std::min(first, PerCall(render));
        cached = std::min(cached, PerCall(repaint));
    }
    std::printf("%-34s %4d x %-4d floor %7.1f us   first render %8.1f us (%6.1f x)   repaint %7.1f us (%4.2f x)\n",
                name, width, height, floor * 1e6, first * 1e6, first / floor, cached * 1e6, cached / floor);
}

} // namespace

int main() {
    TOxaBackground pages, title;
    pages.Gradient().SetBeginColor(clBlue);
    pages.Gradient().SetFillStyle(TOxaFillStyle::MiddleHBar);
    title.Gradient().SetEndColor(clMaroon);
    std::printf("Fill controls: first render and cached repaint against one blit of the same area\n");
    Measure("OxaBackground1 (pages, MiddleHBar)", pages, 375, 310);
    Measure("OxaBackground2 (title, Horizontal)", title, 375, 18);
    return 0;
}

// Cost of painting the main window's two backgrounds, TOxaBackground::Draw
// at their sizes, against a floor measured in the same run: one fill of an
// off-screen image of the same area and one copy of it to the target, the
// least any off-screen composition costs. Prints figures; never fails.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/BenchTiming.h"
#include "components/OxaTBackground.h"

using namespace components;
using namespace forms;
using bench::PerCall;

namespace {

void Measure(const char* name, TOxaBackground& background, int width, int height) {
    TBitmap target, work;
    target.SetSize(width, height);
    work.SetSize(width, height);
    HDC to = target.Canvas().Handle();
    HDC from = work.Canvas().Handle();
    double floor = PerCall([&] {
        PatBlt(from, 0, 0, width, height, PATCOPY);
        BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
    });
    double draw = PerCall([&] { background.Draw(target.Canvas(), width, height, true); });
    std::printf("%-34s %4d x %-4d floor %8.1f us   Draw %8.1f us   ratio %6.1f\n", name, width, height, floor * 1e6,
                draw * 1e6, draw / floor);
}

} // namespace

int main() {
    TOxaBackground pages, title;
    pages.Gradient().SetBeginColor(clBlue);
    pages.Gradient().SetFillStyle(TOxaFillStyle::MiddleHBar);
    title.Gradient().SetEndColor(clMaroon);
    std::printf("TOxaBackground.Draw against one fill and one blit of the same area\n");
    Measure("OxaBackground1 (pages, MiddleHBar)", pages, 375, 310);
    Measure("OxaBackground2 (title, Horizontal)", title, 375, 18);
    return 0;
}

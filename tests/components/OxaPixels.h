// Pixel access for the background tests: targets pre-filled with a colour no
// background draws, read back with GetDIBits independently of any canvas.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"
#include "tests/support/Pixels.h"

namespace oxa_test {

using testing_support::ReadPixels;
using testing_support::TPixels;

// A colour the tests never draw with, to see what a drawing left alone.
constexpr forms::TColor Untouched = RGB(0x12, 0x34, 0x56);



// A target bitmap of the given size filled with `Untouched`.
inline void Prepare(forms::TBitmap& target, int width, int height) {
    testing_support::Fill(target, width, height, Untouched);
}

} // namespace oxa_test

// Reading .bmp files and BITMAP resources into plain pixel rows. Portable:
// these bytes come from files and from language modules, so every length
// and count is checked against what is there before anything is allocated.
#pragma once
#include <cstdint>
#include <vector>

#include "Classes.h"
#include "GraphicTexts.h"

namespace forms {

// Bytes of one device-independent bitmap row: rows are padded to four bytes.
constexpr uint64_t DibStride(int64_t width, int bitsPerPixel) {
    return (uint64_t(width) * unsigned(bitsPerPixel) + 31) / 32 * 4;
}

struct TBmpImage {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 24;          // 1, 4, 8, 16, 24 or 32
    std::vector<uint32_t> Palette;  // colour table entries as stored (blue, green, red, 0)
    std::vector<uint32_t> Masks;    // red, green and blue masks of a bit-fields image
    std::vector<uint8_t> Bits;      // bottom-up rows of DibStride bytes
};

// Reads a bitmap from the stream's position: a .bmp file when fileHeader is
// set, else a BITMAP resource (the same without the file header). Short
// data raises EReadError, malformed data EInvalidGraphic; image is only
// written on success.
void ReadBmp(TStream& stream, bool fileHeader, TBmpImage& image);

} // namespace forms

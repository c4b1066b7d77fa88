// Reading .ico files: the directory, the choice of one image and the checks
// that the image fits its entry. Portable: these bytes come from files and
// from language modules, so every length is checked before it is used.
#pragma once
#include <cstdint>
#include <vector>

#include "Classes.h"
#include "GraphicTexts.h"

namespace forms {

struct TIcoFile {
    std::vector<uint8_t> Data; // the whole file, directory included
    uint32_t ImageOffset = 0;  // the chosen image within Data
    uint32_t ImageSize = 0;
    int Width = 0;
    int Height = 0;
};

// Where the parts of one icon image lie: a PNG, or colour pixels over a
// one-bit mask, both bottom-up, after a BITMAPINFOHEADER (whose height
// counts both) and its colour table.
struct TIconImage {
    int Width = 0;
    int Height = 0;
    bool Png = false;
    uint32_t PixelsOffset = 0; // of the colour pixels: the header and colour table come before
    uint32_t MaskOffset = 0;
};

// Checks one image as an icon file or an icon resource holds it, and finds
// its parts: malformed data, or data shorter than its pixels, raises
// EInvalidGraphic.
TIconImage ReadIconImage(const uint8_t* image, uint32_t size);

// The resource id of the image of an icon group resource (RT_GROUP_ICON)
// nearest width x height, then nearest depth bits per pixel, as the system
// chooses it; 0 for a malformed or empty group.
int ChooseGroupIcon(const uint8_t* group, size_t size, int width, int height, int depth);

// Reads an icon file from the stream's position and picks the 32 x 32
// image, or else the one nearest that size, with the most colours. Short
// data raises EReadError, malformed data EInvalidGraphic; icon is only
// written on success.
void ReadIco(TStream& stream, TIcoFile& icon);

} // namespace forms

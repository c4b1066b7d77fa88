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

// Reads an icon file from the stream's position and picks the 32 x 32
// image, or else the one nearest that size, with the most colours. Short
// data raises EReadError, malformed data EInvalidGraphic; icon is only
// written on success.
void ReadIco(TStream& stream, TIcoFile& icon);

} // namespace forms

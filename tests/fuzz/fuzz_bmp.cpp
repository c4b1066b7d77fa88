// Feeds arbitrary bytes to the bitmap decoder, as a .bmp file and as a
// BITMAP resource, and checks that what it accepts is consistent.
#include <cstdint>
#include <cstdlib>

#include "forms/BmpDecoder.h"

namespace {

void Decode(const uint8_t* data, size_t size, bool fileHeader) {
    forms::TMemoryStream in(data, size);
    forms::TBmpImage image;
    try {
        forms::ReadBmp(in, fileHeader, image);
    } catch (const forms::EReadError&) {
        return;
    } catch (const forms::EInvalidGraphic&) {
        return;
    }
    if (image.Width <= 0 || image.Height <= 0 || image.Width > 0x8000 || image.Height > 0x8000) std::abort();
    if (image.Bits.size() != forms::DibStride(image.Width, image.BitsPerPixel) * uint64_t(image.Height)) std::abort();
    if (image.Palette.size() > 256 || (image.Masks.size() != 0 && image.Masks.size() != 3)) std::abort();
    if (image.Bits.size() > size) std::abort(); // never more than the input could fill
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Decode(data, size, true);
    if (size > 14) Decode(data + 14, size - 14, false);
    return 0;
}

#include "BmpDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "ByteReading.h"

namespace forms {

namespace {

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(GraphicText(stInvalidBitmap)); }

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;

} // namespace

void ReadBmp(TStream& stream, bool fileHeader, TBmpImage& result) {
    TBmpImage image;
    uint64_t consumed = 0, pixelOffset = 0;
    if (fileHeader) {
        uint8_t file[14];
        stream.ReadBuffer(file, sizeof file);
        if (file[0] != 'B' || file[1] != 'M') InvalidBitmap();
        pixelOffset = LE32(file + 10);
        consumed = sizeof file;
    }
    // BITMAPINFOHEADER or one of its longer successors; the older OS/2
    // header is not supported.
    uint8_t header[124] = {};
    stream.ReadBuffer(header, 4);
    uint32_t headerSize = LE32(header);
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        InvalidBitmap();
    stream.ReadBuffer(header + 4, int32_t(headerSize - 4));
    consumed += headerSize;

    int32_t width = int32_t(LE32(header + 4));
    int32_t height = int32_t(LE32(header + 8));
    uint16_t planes = LE16(header + 12);
    uint16_t bpp = LE16(header + 14);
    uint32_t compression = LE32(header + 16);
    uint32_t colorsUsed = LE32(header + 32);
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min() || planes != 1) InvalidBitmap();
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (width > 0x8000 || height > 0x8000) InvalidBitmap();
    bool bitfields = compression == kBiBitfields;
    switch (bpp) {
    case 1: case 4: case 8: case 24:
        if (compression != kBiRgb) InvalidBitmap();
        break;
    case 16: case 32:
        if (compression != kBiRgb && !bitfields) InvalidBitmap();
        break;
    default:
        InvalidBitmap();
    }
    image.Width = width;
    image.Height = height;
    image.BitsPerPixel = bpp;

    if (bitfields) {
        uint8_t masks[12];
        if (headerSize >= 52) {
            std::memcpy(masks, header + 40, sizeof masks);
        } else {
            stream.ReadBuffer(masks, sizeof masks);
            consumed += sizeof masks;
        }
        for (int i = 0; i < 3; ++i) {
            uint32_t mask = LE32(masks + 4 * i);
            if (mask == 0) InvalidBitmap();
            image.Masks.push_back(mask);
        }
    }

    // Colour table: the full one for the depth unless fewer are listed.
    // Deeper images may carry one as a hint, which is skipped.
    if (colorsUsed > 256 || (bpp <= 8 && colorsUsed > (1u << bpp))) InvalidBitmap();
    uint32_t colors = colorsUsed ? colorsUsed : bpp <= 8 ? 1u << bpp : 0;
    if (colors) {
        std::vector<uint8_t> table(colors * 4);
        stream.ReadBuffer(table.data(), int32_t(table.size()));
        consumed += table.size();
        if (bpp <= 8)
            for (uint32_t i = 0; i < colors; ++i) image.Palette.push_back(LE32(&table[4 * i]) & 0x00FFFFFF);
    }

    if (fileHeader && pixelOffset != 0) {
        if (pixelOffset < consumed) InvalidBitmap();
        uint64_t skip = pixelOffset - consumed;
        if (skip > uint64_t(Remaining(stream))) throw EReadError(FormText(stReadError));
        stream.Seek(int64_t(skip), soCurrent);
    }

    uint64_t stride = DibStride(width, bpp);
    uint64_t size = stride * uint64_t(height);
    if (size > uint64_t(Remaining(stream))) throw EReadError(FormText(stReadError));
    if (size > uint64_t(std::numeric_limits<int32_t>::max())) InvalidBitmap();
    image.Bits.resize(size_t(size));
    if (topDown) {
        for (int row = 0; row < height; ++row)
            stream.ReadBuffer(image.Bits.data() + stride * uint64_t(height - 1 - row), int32_t(stride));
    } else {
        stream.ReadBuffer(image.Bits.data(), int32_t(size));
    }
    result = std::move(image);
}

} // namespace forms

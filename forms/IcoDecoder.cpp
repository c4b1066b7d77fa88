#include "IcoDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "BmpDecoder.h"
#include "ByteReading.h"

namespace forms {

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(GraphicText(stInvalidIcon)); }

} // namespace

TIconImage ReadIconImage(const uint8_t* image, uint32_t size) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    TIconImage result;
    if (size >= 24 && std::memcmp(image, png, sizeof png) == 0) {
        uint32_t w = BE32(image + 16), h = BE32(image + 20); // of the IHDR chunk
        if (w == 0 || h == 0 || w > 256 || h > 256) InvalidIcon();
        result.Width = int(w);
        result.Height = int(h);
        result.Png = true;
        return result;
    }
    if (size < 40) InvalidIcon();
    uint32_t headerSize = LE32(image);
    int32_t width = int32_t(LE32(image + 4));
    int32_t doubleHeight = int32_t(LE32(image + 8));
    uint16_t planes = LE16(image + 12), bpp = LE16(image + 14);
    uint32_t compression = LE32(image + 16), colorsUsed = LE32(image + 32);
    if (headerSize < 40 || headerSize > size) InvalidIcon();
    if (width <= 0 || width > 256 || doubleHeight <= 0 || doubleHeight > 512 || doubleHeight % 2) InvalidIcon();
    if (planes != 1 || compression != 0 /* BI_RGB */) InvalidIcon();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) InvalidIcon();
    if (colorsUsed > 256 || (bpp <= 8 && colorsUsed > (1u << bpp))) InvalidIcon();
    int height = doubleHeight / 2;
    uint64_t colors = colorsUsed ? colorsUsed : bpp <= 8 ? 1u << bpp : 0;
    uint64_t pixels = headerSize + colors * 4, mask = pixels + DibStride(width, bpp) * height;
    if (mask + DibStride(width, 1) * height > size) InvalidIcon();
    result.Width = width;
    result.Height = height;
    result.PixelsOffset = uint32_t(pixels);
    result.MaskOffset = uint32_t(mask);
    return result;
}

int ChooseGroupIcon(const uint8_t* group, size_t size, int width, int height, int depth) {
    // The directory of a file, with each entry's image offset replaced by
    // a two-byte resource id: entries of fourteen bytes.
    if (size < 6 || LE16(group) != 0 || LE16(group + 2) != 1) return 0;
    const size_t count = std::min<size_t>(LE16(group + 4), (size - 6) / 14);
    auto entry = [&](size_t i) { return group + 6 + 14 * i; };
    auto side = [](uint8_t stored) { return stored ? long(stored) : 256L; };
    long bestSize = -1, bestDepth = 0;
    int best = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = entry(i);
        long sizeDistance = std::labs(width - side(e[0])) + std::labs(height - side(e[1]));
        long depthDistance = std::labs(depth - long(LE16(e + 6)));
        if (bestSize < 0 || sizeDistance < bestSize || (sizeDistance == bestSize && depthDistance < bestDepth)) {
            best = LE16(e + 12);
            bestSize = sizeDistance;
            bestDepth = depthDistance;
        }
    }
    return best;
}

void ReadIco(TStream& stream, TIcoFile& icon) {
    int64_t available = Remaining(stream);
    uint8_t dir[6];
    stream.ReadBuffer(dir, sizeof dir);
    uint16_t count = LE16(dir + 4);
    if (LE16(dir) != 0 || LE16(dir + 2) != 1 || count == 0) InvalidIcon();
    uint32_t directorySize = 6 + 16u * count;
    if (directorySize > available) throw EReadError(FormText(stReadError));
    std::vector<uint8_t> data(directorySize);
    std::memcpy(data.data(), dir, sizeof dir);
    stream.ReadBuffer(data.data() + 6, int32_t(16u * count));

    // The file runs to the end of its furthest image.
    uint64_t extent = directorySize;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = data.data() + 6 + 16 * i;
        uint32_t size = LE32(e + 8), offset = LE32(e + 12);
        if (size == 0 || offset < directorySize) InvalidIcon();
        extent = std::max<uint64_t>(extent, uint64_t(offset) + size);
    }
    if (extent > uint64_t(available)) throw EReadError(FormText(stReadError));
    data.resize(size_t(extent));
    stream.ReadBuffer(data.data() + directorySize, int32_t(extent - directorySize));

    // The 32 x 32 image if there is one, else the nearest in size; among
    // equals the most colours, then the larger (shrinking looks better than
    // growing).
    int best = -1;
    long bestDistance = 0, bestBits = 0, bestWidth = 0;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = data.data() + 6 + 16 * i;
        long w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        long bits = LE16(e + 6);
        if (bits == 0) bits = e[2] == 0 ? 8 : e[2] <= 2 ? 1 : e[2] <= 16 ? 4 : 8;
        long distance = std::labs(w - 32) + std::labs(h - 32);
        if (best < 0 || distance < bestDistance ||
            (distance == bestDistance && (bits > bestBits || (bits == bestBits && w > bestWidth)))) {
            best = int(i);
            bestDistance = distance;
            bestBits = bits;
            bestWidth = w;
        }
    }
    const uint8_t* entry = data.data() + 6 + 16 * best;
    uint32_t size = LE32(entry + 8), offset = LE32(entry + 12);
    TIconImage image = ReadIconImage(data.data() + offset, size);
    icon.Data = std::move(data);
    icon.ImageOffset = offset;
    icon.ImageSize = size;
    icon.Width = image.Width;
    icon.Height = image.Height;
}

} // namespace forms

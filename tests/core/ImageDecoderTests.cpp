// The .bmp and .ico decoders on well-formed, cut and corrupt bytes: what
// a language module or a user's file may hand them.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <vector>

#include "forms/BmpDecoder.h"
#include "forms/IcoDecoder.h"

using namespace forms;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); }
void Put32(Bytes& b, size_t at, uint32_t v) { Put16(b, at, v), Put16(b, at + 2, v >> 16); }
uint32_t LE32Of(const Bytes& b, size_t at) { return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24); }

// A .bmp file (or, without the file header, a BITMAP resource) of the given
// depth, with a full colour table up to 8 bits and rows counting up.
Bytes Bmp(int width, int height, int bpp, bool fileHeader = true) {
    size_t colors = bpp <= 8 ? size_t(1) << bpp : 0;
    size_t stride = size_t(DibStride(width, bpp)), rows = size_t(height < 0 ? -height : height);
    size_t head = fileHeader ? 14 : 0, offset = head + 40 + colors * 4;
    Bytes b(offset + stride * rows);
    if (fileHeader) {
        b[0] = 'B', b[1] = 'M';
        Put32(b, 2, uint32_t(b.size()));
        Put32(b, 10, uint32_t(offset));
    }
    Put32(b, head, 40);
    Put32(b, head + 4, uint32_t(width));
    Put32(b, head + 8, uint32_t(height));
    Put16(b, head + 12, 1);
    Put16(b, head + 14, uint32_t(bpp));
    for (size_t i = 0; i < colors; ++i) Put32(b, head + 40 + 4 * i, uint32_t(i * 0x010101) | 0xFF000000u);
    for (size_t r = 0; r < rows; ++r) std::memset(&b[offset + r * stride], int(r + 1), stride);
    return b;
}

// An icon file of one 32 x 32 image per depth in `depths`, images at the end.
Bytes Ico(std::vector<int> depths) {
    Bytes b(6 + 16 * depths.size());
    Put16(b, 2, 1);
    Put16(b, 4, uint32_t(depths.size()));
    for (size_t i = 0; i < depths.size(); ++i) {
        int bpp = depths[i];
        size_t colors = bpp <= 8 ? size_t(1) << bpp : 0;
        Bytes image(40 + colors * 4 + size_t(DibStride(32, bpp) + DibStride(32, 1)) * 32);
        Put32(image, 0, 40);
        Put32(image, 4, 32);
        Put32(image, 8, 64);
        Put16(image, 12, 1);
        Put16(image, 14, uint32_t(bpp));
        size_t e = 6 + 16 * i;
        b[e] = b[e + 1] = 32;
        Put16(b, e + 4, 1);
        Put16(b, e + 6, uint32_t(bpp));
        Put32(b, e + 8, uint32_t(image.size()));
        Put32(b, e + 12, uint32_t(b.size()));
        b.insert(b.end(), image.begin(), image.end());
    }
    return b;
}

TBmpImage ReadBmpBytes(const Bytes& b, bool fileHeader = true) {
    TMemoryStream s(b.data(), b.size());
    TBmpImage image;
    ReadBmp(s, fileHeader, image);
    return image;
}

TIcoFile ReadIcoBytes(const Bytes& b) {
    TMemoryStream s(b.data(), b.size());
    TIcoFile icon;
    ReadIco(s, icon);
    return icon;
}

} // namespace

TEST(BmpDecoder, ReadsEveryDepthBottomUpAndTopDown) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        TBmpImage image = ReadBmpBytes(Bmp(5, 3, bpp));
        EXPECT_EQ(image.Width, 5) << bpp;
        EXPECT_EQ(image.BitsPerPixel, bpp);
        EXPECT_EQ(image.Palette.size(), bpp <= 8 ? size_t(1) << bpp : 0u) << bpp;
        ASSERT_EQ(image.Bits.size(), DibStride(5, bpp) * 3) << bpp;
        EXPECT_EQ(image.Bits.front(), 1);
        EXPECT_EQ(image.Bits.back(), 3);
    }
    EXPECT_EQ(ReadBmpBytes(Bmp(4, 2, 8)).Palette[2], 0x020202u) << "reserved byte dropped";
    // A top-down file's first row is the picture's top: stored last.
    TBmpImage topDown = ReadBmpBytes(Bmp(4, -3, 24));
    EXPECT_EQ(topDown.Height, 3);
    EXPECT_EQ(topDown.Bits.front(), 3);
    EXPECT_EQ(topDown.Bits.back(), 1);
    EXPECT_EQ(ReadBmpBytes(Bmp(4, 2, 24, false), false).Bits.back(), 2) << "resource form";
}

TEST(BmpDecoder, RefusesCutAndCorruptFilesWithoutLargeAllocations) {
    const Bytes good = Bmp(6, 4, 8);
    // Every cut is a read error, never a crash.
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + long(n));
        TBmpImage image;
        image.Width = 99;
        TMemoryStream s(cut.data(), cut.size());
        EXPECT_THROW(ReadBmp(s, true, image), EReadError) << n;
        EXPECT_EQ(image.Width, 99) << "left alone on failure";
    }
    struct TCorruption {
        const char* what;
        std::function<void(Bytes&)> apply;
        bool readError;
    };
    const TCorruption cases[] = {
        {"signature", [](Bytes& b) { b[0] = 'X'; }, false},
        {"header size", [](Bytes& b) { Put32(b, 14, 12); }, false},
        {"zero width", [](Bytes& b) { Put32(b, 18, 0); }, false},
        {"negative width", [](Bytes& b) { Put32(b, 18, 0xFFFFFFF0u); }, false},
        {"smallest height", [](Bytes& b) { Put32(b, 22, 0x80000000u); }, false},
        {"planes", [](Bytes& b) { Put16(b, 26, 2); }, false},
        {"depth", [](Bytes& b) { Put16(b, 28, 7); }, false},
        {"compressed", [](Bytes& b) { Put32(b, 30, 1); }, false},
        {"too many colours", [](Bytes& b) { Put32(b, 46, 257); }, false},
        {"pixels before the header", [](Bytes& b) { Put32(b, 10, 20); }, false},
        {"pixels past the end", [](Bytes& b) { Put32(b, 10, 0x7FFFFFF0u); }, true},
        // A huge size claimed by a small file: refused before allocating.
        {"huge picture", [](Bytes& b) { Put32(b, 18, 0x8000), Put32(b, 22, 0x8000); }, true},
        {"wider than allowed", [](Bytes& b) { Put32(b, 18, 0x8001); }, false},
    };
    for (const TCorruption& c : cases) {
        Bytes b = good;
        c.apply(b);
        TMemoryStream s(b.data(), b.size());
        TBmpImage image;
        if (c.readError) EXPECT_THROW(ReadBmp(s, true, image), EReadError) << c.what;
        else EXPECT_THROW(ReadBmp(s, true, image), EInvalidGraphic) << c.what;
    }
    // Bit fields need three non-zero masks after the header.
    Bytes fields = Bmp(2, 2, 16);
    Put32(fields, 30, 3);
    fields.insert(fields.begin() + 54, {0, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0});
    Put32(fields, 10, 66);
    EXPECT_EQ(ReadBmpBytes(fields).Masks, (std::vector<uint32_t>{0x7C00, 0x03E0, 0x001F}));
    Put32(fields, 58, 0);
    EXPECT_THROW(ReadBmpBytes(fields), EInvalidGraphic);
}

TEST(IcoDecoder, PicksThe32PixelImageWithTheMostColours) {
    Bytes file = Ico({4, 32, 8});
    TIcoFile icon = ReadIcoBytes(file);
    EXPECT_EQ(icon.Width, 32);
    EXPECT_EQ(icon.Height, 32);
    EXPECT_EQ(icon.Data, file);
    EXPECT_EQ(icon.ImageOffset, LE32Of(file, 6 + 16 + 12));
}

TEST(IcoDecoder, ChoosesTheGroupImageNearestInSizeThenDepth) {
    // A group resource: the file's directory with a two-byte id per entry.
    auto group = [](std::vector<std::array<int, 3>> entries) { // side, bits, id
        Bytes b(6 + 14 * entries.size());
        Put16(b, 2, 1);
        Put16(b, 4, uint32_t(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            b[6 + 14 * i] = b[7 + 14 * i] = uint8_t(entries[i][0] & 0xFF);
            Put16(b, 6 + 14 * i + 6, uint32_t(entries[i][1]));
            Put16(b, 6 + 14 * i + 12, uint32_t(entries[i][2]));
        }
        return b;
    };
    const Bytes sizes = group({{32, 32, 1}, {16, 8, 2}, {16, 32, 3}, {48, 32, 4}, {256, 32, 5}});
    Bytes cursors = group({{16, 32, 7}});
    Put16(cursors, 2, 2);
    const struct {
        const char* what;
        Bytes group;
        size_t cut;
        int size, depth, id;
    } cases[] = {
        {"exact size, nearest depth", sizes, 0, 16, 32, 3},
        {"exact size, other depth", sizes, 0, 16, 8, 2},
        {"nearer the smaller", sizes, 0, 20, 32, 3},
        {"nearer the larger", sizes, 0, 44, 32, 4},
        {"halfway: the first", sizes, 0, 40, 32, 1},
        {"a side of 0 is 256", sizes, 0, 200, 32, 5},
        {"entries past the end are not read", sizes, 14 * 4, 16, 32, 1},
        {"empty", group({}), 0, 16, 32, 0},
        {"shorter than its header", sizes, sizes.size() - 4, 16, 32, 0},
        {"a cursor group", cursors, 0, 16, 32, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseGroupIcon(c.group.data(), c.group.size() - c.cut, c.size, c.size, c.depth), c.id) << c.what;
}

TEST(IcoDecoder, RefusesCutAndCorruptFiles) {
    const Bytes good = Ico({8});
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + long(n));
        TMemoryStream s(cut.data(), cut.size());
        TIcoFile icon;
        EXPECT_THROW(ReadIco(s, icon), EReadError) << n;
        EXPECT_TRUE(icon.Data.empty());
    }
    struct TCorruption {
        const char* what;
        size_t at;
        uint32_t value;
        bool wide;
        bool readError;
    };
    const TCorruption cases[] = {
        {"type", 2, 2, false, false},
        {"no images", 4, 0, false, false},
        {"many images claimed", 4, 0xFFFF, false, true},
        {"image size zero", 14, 0, true, false},
        {"image inside the directory", 18, 4, true, false},
        {"image past the end", 18, 0x7FFFFFF0u, true, true},
        {"header size", 22, 12, true, false},
        {"header larger than the image", 22, 0x10000, true, false},
        {"odd height", 30, 63, true, false},
        {"too wide", 26, 257, true, false},
        {"depth", 36, 3, false, false},
        {"compressed", 38, 1, true, false},
        {"too many colours", 54, 257, true, false},
        {"image shorter than its pixels", 14, 100, true, false},
    };
    for (const TCorruption& c : cases) {
        Bytes b = good;
        if (c.wide) Put32(b, c.at, c.value);
        else Put16(b, c.at, c.value);
        TMemoryStream s(b.data(), b.size());
        TIcoFile icon;
        if (c.readError) EXPECT_THROW(ReadIco(s, icon), EReadError) << c.what;
        else EXPECT_THROW(ReadIco(s, icon), EInvalidGraphic) << c.what;
    }
}

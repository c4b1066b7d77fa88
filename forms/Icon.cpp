#include "Icon.h"

#include <shellapi.h>

#include <cstring>

#include "BmpDecoder.h"
#include "GdiGuards.h"
#include "IcoDecoder.h"
#include "SystemLibrary.h"

namespace forms {

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(GraphicText(stInvalidIcon)); }

// Size of an icon handle's image, from its bitmaps.
SIZE IconSize(HICON icon) {
    SIZE size{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return size;
    TGdiObject color(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm{};
    if (ii.hbmColor && GetObjectA(ii.hbmColor, sizeof bm, &bm)) {
        size = {bm.bmWidth, bm.bmHeight};
    } else if (ii.hbmMask && GetObjectA(ii.hbmMask, sizeof bm, &bm)) {
        size = {bm.bmWidth, bm.bmHeight / 2}; // AND mask over XOR mask
    }
    return size;
}

} // namespace

TIcon::~TIcon() { Free(); }

void TIcon::Free() {
    if (icon_) DestroyIcon(icon_);
    icon_ = nullptr;
    width_ = height_ = 0;
    data_.clear();
}

void TIcon::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TIcon*>(source)) {
        if (other == this) return;
        pixelsPerInch_ = other->pixelsPerInch_;
        if (!other->data_.empty()) {
            TMemoryStream stream(other->data_.data(), other->data_.size());
            LoadFromStream(stream);
            return;
        }
        HICON copy = nullptr;
        if (other->icon_ && !(copy = CopyIcon(other->icon_))) OutOfResources();
        Free();
        icon_ = copy;
        width_ = other->width_;
        height_ = other->height_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::SetHandle(HICON icon) {
    if (icon == icon_) return;
    Free();
    if (icon) {
        SIZE size = IconSize(icon);
        icon_ = icon;
        width_ = size.cx;
        height_ = size.cy;
    }
    Changed();
}

void TIcon::CopyHandle(HICON shared) {
    HICON copy = nullptr;
    if (shared && !(copy = CopyIcon(shared))) OutOfResources();
    SetHandle(copy);
}

bool TIcon::LoadAssociated(const std::string& path) {
    char buffer[MAX_PATH];
    if (path.size() >= sizeof buffer) throw EInvalidGraphic(GraphicTextFmt(stPathTooLong, path));
    path.copy(buffer, path.size());
    buffer[path.size()] = '\0';
    // A program, library or icon file carries its own icon: read at the
    // shell's large size straight from the file, without loading the shell
    // (a large library, and slow to start). Anything else, a folder or a
    // document, takes the icon its type is associated with.
    HICON icon = nullptr;
    if (PrivateExtractIconsA(buffer, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), &icon, nullptr, 1,
                             LR_DEFAULTCOLOR) != 1)
        icon = nullptr;
    if (!icon) {
        WORD index = 0;
        auto extract = SYSTEM_FUNCTION("shell32.dll", ExtractAssociatedIconA);
        icon = extract ? extract(GetModuleHandleA(nullptr), buffer, &index) : nullptr;
    }
    if (!icon) return false;
    SetHandle(icon);
    // The shell gives its large icon, 32 pixels at 96 dpi, at the system's size.
    if (Width() > 0) pixelsPerInch_ = MulDiv(Width(), DesignPixelsPerInch, 32);
    return true;
}

HICON TIcon::ReleaseHandle() {
    HICON icon = icon_;
    icon_ = nullptr;
    Free();
    Changed();
    return icon;
}

void TIcon::Draw(TCanvas& canvas, const RECT& r) {
    if (!icon_) return;
    DrawIconEx(canvas.Handle(), r.left, r.top, icon_, r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
}

void TIcon::LoadFromStream(TStream& stream) {
    TIcoFile file;
    ReadIco(stream, file);
    HICON icon = CreateIconFromResourceEx(file.Data.data() + file.ImageOffset, file.ImageSize, TRUE, 0x00030000,
                                          file.Width, file.Height, LR_DEFAULTCOLOR);
    if (!icon) InvalidIcon();
    Free();
    icon_ = icon;
    width_ = file.Width;
    height_ = file.Height;
    data_ = std::move(file.Data);
    Changed();
}

void TIcon::SaveToStream(TStream& stream) const {
    if (!data_.empty()) {
        stream.WriteBuffer(data_.data(), int32_t(data_.size()));
        return;
    }
    if (!icon_) return;

    // An icon known only by its handle: write its bitmaps as a one-image file.
    ICONINFO ii{};
    if (!GetIconInfo(icon_, &ii)) InvalidIcon();
    TGdiObject colorGuard(ii.hbmColor), maskGuard(ii.hbmMask);
    BITMAP maskInfo{};
    if (!ii.hbmMask || !GetObjectA(ii.hbmMask, sizeof maskInfo, &maskInfo)) InvalidIcon();
    bool monochrome = ii.hbmColor == nullptr;
    int w = maskInfo.bmWidth;
    int h = monochrome ? maskInfo.bmHeight / 2 : maskInfo.bmHeight;
    if (w <= 0 || h <= 0 || w > 256 || h > 256) InvalidIcon();

    TMemoryDC dc;

    // Reads a bitmap as a bottom-up DIB of the given depth.
    auto bitsOf = [&](HBITMAP bitmap, int bpp, int rows, std::vector<RGBQUAD>* palette) {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } bmi{};
        bmi.header.biSize = sizeof bmi.header;
        bmi.header.biWidth = w;
        bmi.header.biHeight = rows;
        bmi.header.biPlanes = 1;
        bmi.header.biBitCount = WORD(bpp);
        bmi.header.biCompression = BI_RGB;
        std::vector<uint8_t> bits(size_t(DibStride(w, bpp)) * rows);
        if (GetDIBits(dc, bitmap, 0, UINT(rows), bits.data(), reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS) != rows)
            InvalidIcon();
        if (palette) palette->assign(bmi.colors, bmi.colors + 2);
        return bits;
    };

    int bpp;
    std::vector<uint8_t> colorBits, maskBits;
    std::vector<RGBQUAD> palette;
    if (monochrome) {
        // One 1-bit bitmap: the AND mask on top, the XOR image below it;
        // bottom-up, the XOR rows come first.
        std::vector<uint8_t> both = bitsOf(ii.hbmMask, 1, 2 * h, &palette);
        size_t half = both.size() / 2;
        colorBits.assign(both.begin(), both.begin() + half);
        maskBits.assign(both.begin() + half, both.end());
        bpp = 1;
    } else {
        colorBits = bitsOf(ii.hbmColor, 32, h, nullptr);
        maskBits = bitsOf(ii.hbmMask, 1, h, nullptr);
        bool alpha = false;
        for (size_t i = 3; i < colorBits.size() && !alpha; i += 4) alpha = colorBits[i] != 0;
        bpp = 32;
        if (!alpha) {
            // No alpha channel: store 24 bits, so readers go by the mask.
            std::vector<uint8_t> rgb(size_t(DibStride(w, 24)) * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    std::memcpy(&rgb[size_t(DibStride(w, 24)) * y + 3 * x], &colorBits[size_t(4 * w) * y + 4 * x], 3);
            colorBits = std::move(rgb);
            bpp = 24;
        }
    }

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = 2 * h;
    header.biPlanes = 1;
    header.biBitCount = WORD(bpp);
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(colorBits.size() + maskBits.size());
    header.biClrUsed = DWORD(palette.size());
    uint32_t imageSize = uint32_t(sizeof header + palette.size() * 4 + colorBits.size() + maskBits.size());

    uint8_t dir[22] = {};
    dir[2] = 1; // type: icon
    dir[4] = 1; // one image
    dir[6] = BYTE(w < 256 ? w : 0);
    dir[7] = BYTE(h < 256 ? h : 0);
    dir[8] = BYTE(monochrome ? 2 : 0);
    dir[10] = 1; // planes
    dir[12] = BYTE(bpp);
    std::memcpy(dir + 14, &imageSize, 4);
    uint32_t offset = sizeof dir;
    std::memcpy(dir + 18, &offset, 4);
    stream.WriteBuffer(dir, sizeof dir);
    stream.WriteBuffer(&header, sizeof header);
    if (!palette.empty()) stream.WriteBuffer(palette.data(), int32_t(palette.size() * 4));
    stream.WriteBuffer(colorBits.data(), int32_t(colorBits.size()));
    stream.WriteBuffer(maskBits.data(), int32_t(maskBits.size()));
}

} // namespace forms

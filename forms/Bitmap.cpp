#include "Bitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "BmpDecoder.h"
#include "ByteReading.h"
#include "GdiGuards.h"
#include "Resources.h"
#include "SystemLibrary.h"

namespace forms {

// The bitmap's memory DC, made on first use and freed with the canvas, or
// when the bitmap's image is replaced.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& owner) : owner_(owner) {}
    ~TBitmapCanvas() override { ReleaseHandle(); }

    void ReleaseHandle() override {
        TCanvas::ReleaseHandle();
        if (!memoryDC_) return;
        if (oldBitmap_) SelectObject(memoryDC_, oldBitmap_);
        DeleteDC(memoryDC_);
        memoryDC_ = nullptr;
        oldBitmap_ = nullptr;
    }

    // The DC without selecting pen, brush or font: a source for blits.
    HDC MemoryDC() {
        if (!memoryDC_) CreateHandle();
        return memoryDC_;
    }

protected:
    void CreateHandle() override {
        if (memoryDC_) return;
        memoryDC_ = CreateCompatibleDC(nullptr);
        if (!memoryDC_) OutOfResources();
        oldBitmap_ = owner_.image_.dib ? SelectObject(memoryDC_, owner_.image_.dib) : nullptr;
        SetHandle(memoryDC_);
    }

private:
    TBitmap& owner_;
    HDC memoryDC_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
};

TBitmap::TImage::~TImage() {
    if (dib) DeleteObject(dib);
}

void TBitmap::TImage::Swap(TImage& other) {
    std::swap(dib, other.dib);
    std::swap(bits, other.bits);
    std::swap(width, other.width);
    std::swap(height, other.height);
    std::swap(bpp, other.bpp);
    palette.swap(other.palette);
    masks.swap(other.masks);
}

size_t TBitmap::TImage::ImageSize() const { return size_t(DibStride(width, bpp) * uint64_t(height)); }

std::vector<uint8_t> TBitmap::TImage::Info() const {
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + masks.size() * 4 + palette.size() * 4);
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bpp);
    h.biCompression = masks.empty() ? BI_RGB : BI_BITFIELDS;
    h.biSizeImage = DWORD(ImageSize());
    h.biClrUsed = DWORD(palette.size());
    std::memcpy(info.data(), &h, sizeof h);
    if (!masks.empty()) std::memcpy(info.data() + sizeof h, masks.data(), masks.size() * 4);
    if (!palette.empty()) std::memcpy(info.data() + sizeof h + masks.size() * 4, palette.data(), palette.size() * 4);
    return info;
}

void TBitmap::TImage::Create() {
    if (DibStride(width, bpp) * uint64_t(height) > uint64_t(std::numeric_limits<int32_t>::max())) OutOfResources();
    std::vector<uint8_t> info = Info();
    void* p = nullptr;
    dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &p, nullptr, 0);
    if (!dib || !p) OutOfResources();
    bits = static_cast<uint8_t*>(p);
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() = default;

void TBitmap::Replace(TImage& image) {
    if (canvas_) canvas_->ReleaseHandle();
    if (!image.dib) image.width = image.height = 0;
    image_.Swap(image); // the old section now goes with `image`
}

void TBitmap::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TBitmap*>(source)) {
        if (other == this) return;
        TImage image;
        image.bpp = other->image_.bpp;
        image.palette = other->image_.palette;
        image.masks = other->image_.masks;
        if (other->image_.dib) {
            image.width = other->image_.width;
            image.height = other->image_.height;
            image.Create();
            GdiFlush();
            std::memcpy(image.bits, other->image_.bits, image.ImageSize());
        }
        Replace(image);
        transparent_ = other->transparent_;
        pixelsPerInch_ = other->pixelsPerInch_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::SetSize(int width, int height) {
    if (width <= 0 || height <= 0) width = height = 0;
    if (width == image_.width && height == image_.height) return;
    TImage image;
    image.bpp = image_.bpp;
    image.palette = image_.palette;
    image.masks = image_.masks;
    if (width > 0) {
        image.width = width;
        image.height = height;
        image.Create();
        TMemoryDC to(image.dib);
        PatBlt(to, 0, 0, width, height, WHITENESS);
        if (image_.dib) {
            if (canvas_) canvas_->ReleaseHandle();
            TMemoryDC from(image_.dib);
            BitBlt(to, 0, 0, std::min(width, image_.width), std::min(height, image_.height), from, 0, 0, SRCCOPY);
        }
    }
    Replace(image);
    Changed();
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
    return *canvas_;
}

HBITMAP TBitmap::Handle() {
    if (canvas_) canvas_->ReleaseHandle();
    return image_.dib;
}

uint8_t* TBitmap::ScanLine(int row) {
    if (!image_.dib || row < 0 || row >= image_.height)
        throw EInvalidGraphicOperation(GraphicText(stScanLineRange));
    GdiFlush();
    return image_.bits + size_t(DibStride(image_.width, image_.bpp)) * size_t(image_.height - 1 - row);
}

TColor TBitmap::TransparentColor() {
    if (!image_.dib) return clNone;
    // Read from the bits, not through the canvas: its DC may carry an
    // origin or clipping of the moment.
    GdiFlush();
    const uint8_t* p = image_.bits; // bottom row, stored first
    switch (image_.bpp) {
    case 1:
    case 4:
    case 8: {
        unsigned index = image_.bpp == 8 ? p[0] : image_.bpp == 4 ? p[0] >> 4 : p[0] >> 7;
        if (index >= image_.palette.size()) return clBlack;
        const RGBQUAD& q = image_.palette[index];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case 24: return RGB(p[2], p[1], p[0]);
    default: {
        uint32_t v = image_.bpp == 16 ? LE16(p) : LE32(p);
        std::vector<DWORD> masks = image_.masks;
        if (masks.empty()) masks = image_.bpp == 16 ? std::vector<DWORD>{0x7C00, 0x03E0, 0x001F}
                                              : std::vector<DWORD>{0xFF0000, 0x00FF00, 0x0000FF};
        BYTE channel[3];
        for (int i = 0; i < 3; ++i) {
            DWORD mask = masks[i];
            int shift = 0;
            while (!((mask >> shift) & 1)) ++shift; // masks are checked non-zero on load
            DWORD max = mask >> shift;
            channel[i] = BYTE(((v & mask) >> shift) * 255 / max);
        }
        return RGB(channel[0], channel[1], channel[2]);
    }
    }
}

void TBitmap::Draw(TCanvas& canvas, const RECT& r) {
    if (!image_.dib) return;
    HDC to = canvas.Handle();
    HDC from = static_cast<TBitmapCanvas&>(Canvas()).MemoryDC();
    int w = r.right - r.left, h = r.bottom - r.top;
    if (Transparent()) {
        if (auto transparentBlt = SYSTEM_FUNCTION("msimg32.dll", TransparentBlt))
            transparentBlt(to, r.left, r.top, w, h, from, 0, 0, image_.width, image_.height, ColorToRef(TransparentColor()));
    } else if (w == image_.width && h == image_.height) {
        BitBlt(to, r.left, r.top, w, h, from, 0, 0, SRCCOPY);
    } else {
        // Whole multiples keep their pixels sharp; other sizes are smoothed.
        const bool whole = w % image_.width == 0 && h % image_.height == 0;
        const int oldMode = SetStretchBltMode(to, whole ? COLORONCOLOR : HALFTONE);
        POINT oldOrigin;
        SetBrushOrgEx(to, 0, 0, &oldOrigin); // as HALFTONE asks
        StretchBlt(to, r.left, r.top, w, h, from, 0, 0, image_.width, image_.height, SRCCOPY);
        SetBrushOrgEx(to, oldOrigin.x, oldOrigin.y, nullptr);
        SetStretchBltMode(to, oldMode);
    }
}

void TBitmap::ReadImage(TStream& stream, bool fileHeader, TImage& image) {
    TBmpImage decoded;
    ReadBmp(stream, fileHeader, decoded);
    image.width = decoded.Width;
    image.height = decoded.Height;
    image.bpp = decoded.BitsPerPixel;
    image.palette.resize(decoded.Palette.size());
    std::memcpy(image.palette.data(), decoded.Palette.data(), decoded.Palette.size() * 4);
    image.masks.assign(decoded.Masks.begin(), decoded.Masks.end());
    image.Create();
    std::memcpy(image.bits, decoded.Bits.data(), decoded.Bits.size());
}

void TBitmap::LoadFromStream(TStream& stream) {
    TImage image;
    ReadImage(stream, true, image);
    Replace(image);
    Changed();
}

void TBitmap::SaveToStream(TStream& stream) const {
    if (!image_.dib) return;
    std::vector<uint8_t> info = image_.Info();
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = DWORD(sizeof file + info.size());
    file.bfSize = DWORD(file.bfOffBits + image_.ImageSize());
    GdiFlush();
    stream.WriteBuffer(&file, sizeof file);
    stream.WriteBuffer(info.data(), int32_t(info.size()));
    stream.WriteBuffer(image_.bits, int32_t(image_.ImageSize()));
}

void TBitmap::LoadFromResource(const char* name, const std::string& shownName) {
    const TResourceBytes bytes = FindResourceBytes(ResourceModule(), name, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!bytes.Data) throw EResNotFound(GraphicTextFmt(stResNotFound, shownName));
    // A BITMAP resource is a .bmp file without its file header.
    TMemoryStream stream(bytes.Data, bytes.Size);
    TImage image;
    ReadImage(stream, false, image);
    Replace(image);
    Changed();
}

void TBitmap::LoadFromResourceName(const std::string& name) { LoadFromResource(name.c_str(), name); }

void TBitmap::LoadFromResourceID(int id) { LoadFromResource(MAKEINTRESOURCEA(id), std::to_string(id)); }


} // namespace forms

#include "Bitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "BmpDecoder.h"
#include "ByteReading.h"
#include "GdiGuards.h"
#include "Resources.h"

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
        oldBitmap_ = owner_.dib_ ? SelectObject(memoryDC_, owner_.dib_) : nullptr;
        SetHandle(memoryDC_);
    }

private:
    TBitmap& owner_;
    HDC memoryDC_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
};

// A DIB section being made; deleted unless handed over to a TBitmap.
struct TBitmap::TImage {
    HBITMAP dib = nullptr;
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int bpp = 24;
    std::vector<RGBQUAD> palette;
    std::vector<DWORD> masks;

    TImage() = default;
    TImage(const TImage&) = delete;
    TImage& operator=(const TImage&) = delete;
    ~TImage() {
        if (dib) DeleteObject(dib);
    }

    size_t ImageSize() const { return size_t(DibStride(width, bpp) * uint64_t(height)); }

    // BITMAPINFOHEADER, channel masks and colour table, as in a .bmp file.
    std::vector<uint8_t> Info() const {
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

    void Create() {
        if (DibStride(width, bpp) * uint64_t(height) > uint64_t(std::numeric_limits<int32_t>::max())) OutOfResources();
        std::vector<uint8_t> info = Info();
        void* p = nullptr;
        dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &p, nullptr, 0);
        if (!dib || !p) OutOfResources();
        bits = static_cast<uint8_t*>(p);
    }
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    canvas_.reset(); // frees the memory DC before the bitmap in it
    if (dib_) DeleteObject(dib_);
}

void TBitmap::Replace(TImage& image) {
    if (canvas_) canvas_->ReleaseHandle();
    if (dib_) DeleteObject(dib_);
    dib_ = image.dib;
    bits_ = image.bits;
    width_ = dib_ ? image.width : 0;
    height_ = dib_ ? image.height : 0;
    bpp_ = image.bpp;
    palette_ = std::move(image.palette);
    masks_ = std::move(image.masks);
    image.dib = nullptr;
}

void TBitmap::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TBitmap*>(source)) {
        if (other == this) return;
        TImage image;
        image.bpp = other->bpp_;
        image.palette = other->palette_;
        image.masks = other->masks_;
        if (other->dib_) {
            image.width = other->width_;
            image.height = other->height_;
            image.Create();
            GdiFlush();
            std::memcpy(image.bits, other->bits_, image.ImageSize());
        }
        Replace(image);
        transparent_ = other->transparent_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::SetSize(int width, int height) {
    if (width <= 0 || height <= 0) width = height = 0;
    if (width == width_ && height == height_) return;
    TImage image;
    image.bpp = bpp_;
    image.palette = palette_;
    image.masks = masks_;
    if (width > 0) {
        image.width = width;
        image.height = height;
        image.Create();
        TMemoryDC to(image.dib);
        PatBlt(to, 0, 0, width, height, WHITENESS);
        if (dib_) {
            if (canvas_) canvas_->ReleaseHandle();
            TMemoryDC from(dib_);
            BitBlt(to, 0, 0, std::min(width, width_), std::min(height, height_), from, 0, 0, SRCCOPY);
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
    return dib_;
}

uint8_t* TBitmap::ScanLine(int row) {
    if (!dib_ || row < 0 || row >= height_)
        throw EInvalidGraphicOperation(GraphicText(stScanLineRange));
    GdiFlush();
    return bits_ + size_t(DibStride(width_, bpp_)) * size_t(height_ - 1 - row);
}

TColor TBitmap::TransparentColor() {
    if (!dib_) return clNone;
    // Read from the bits, not through the canvas: its DC may carry an
    // origin or clipping of the moment.
    GdiFlush();
    const uint8_t* p = bits_; // bottom row, stored first
    switch (bpp_) {
    case 1:
    case 4:
    case 8: {
        unsigned index = bpp_ == 8 ? p[0] : bpp_ == 4 ? p[0] >> 4 : p[0] >> 7;
        if (index >= palette_.size()) return clBlack;
        const RGBQUAD& q = palette_[index];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case 24: return RGB(p[2], p[1], p[0]);
    default: {
        uint32_t v = bpp_ == 16 ? LE16(p) : LE32(p);
        std::vector<DWORD> masks = masks_;
        if (masks.empty()) masks = bpp_ == 16 ? std::vector<DWORD>{0x7C00, 0x03E0, 0x001F}
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
    if (!dib_) return;
    HDC to = canvas.Handle();
    HDC from = static_cast<TBitmapCanvas&>(Canvas()).MemoryDC();
    int w = r.right - r.left, h = r.bottom - r.top;
    if (Transparent())
        TransparentBlt(to, r.left, r.top, w, h, from, 0, 0, width_, height_, ColorToRef(TransparentColor()));
    else if (w == width_ && h == height_)
        BitBlt(to, r.left, r.top, w, h, from, 0, 0, SRCCOPY);
    else
        StretchBlt(to, r.left, r.top, w, h, from, 0, 0, width_, height_, SRCCOPY);
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
    if (!dib_) return;
    TImage image; // only for the header; owns no DIB
    image.width = width_;
    image.height = height_;
    image.bpp = bpp_;
    image.palette = palette_;
    image.masks = masks_;
    std::vector<uint8_t> info = image.Info();
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = DWORD(sizeof file + info.size());
    file.bfSize = DWORD(file.bfOffBits + image.ImageSize());
    GdiFlush();
    stream.WriteBuffer(&file, sizeof file);
    stream.WriteBuffer(info.data(), int32_t(info.size()));
    stream.WriteBuffer(bits_, int32_t(image.ImageSize()));
}

void TBitmap::LoadFromResource(const char* name, const std::string& shownName) {
    HINSTANCE module = ResourceModule();
    HRSRC info = FindResourceA(module, name, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    HGLOBAL handle = info ? LoadResource(module, info) : nullptr;
    const void* bytes = handle ? LockResource(handle) : nullptr;
    if (!bytes) throw EResNotFound(GraphicTextFmt(stResNotFound, shownName));
    // A BITMAP resource is a .bmp file without its file header.
    TMemoryStream stream(bytes, SizeofResource(module, info));
    TImage image;
    ReadImage(stream, false, image);
    Replace(image);
    Changed();
}

void TBitmap::LoadFromResourceName(const std::string& name) { LoadFromResource(name.c_str(), name); }

void TBitmap::LoadFromResourceID(int id) { LoadFromResource(MAKEINTRESOURCEA(id), std::to_string(id)); }


} // namespace forms

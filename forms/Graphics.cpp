#include "Graphics.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "Resources.h"

namespace forms {

namespace {

std::string Text(TGraphicTextId id, const char* english) {
    std::string text = FormText(TFormTextId(id));
    return text.empty() ? std::string(english) : text;
}

std::string TextFmt(TGraphicTextId id, const char* english, const std::string& arg) {
    std::string text = Text(id, english);
    auto pos = text.find("%s");
    if (pos != std::string::npos) text.replace(pos, 2, arg);
    return text;
}

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(Text(stInvalidBitmap, "Bitmap image is not valid")); }
[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(Text(stInvalidIcon, "Icon image is not valid")); }
[[noreturn]] void OutOfResources() { throw EOutOfResources(Text(stOutOfResources, "Out of system resources")); }
[[noreturn]] void ShortData() { throw EReadError(FormText(stReadError)); }

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}

// What GDI gets: system colours resolved, and no flag bits (clNone would
// otherwise read as a palette reference).
COLORREF Ref(TColor color) { return ColorToRGB(color) & 0x00FFFFFF; }

uint16_t LE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t LE32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// Bytes of one DIB row, rows padded to four bytes.
uint64_t Stride(int64_t width, int bpp) { return (uint64_t(width) * unsigned(bpp) + 31) / 32 * 4; }

int64_t Remaining(TStream& stream) { return stream.Size() - stream.Position(); }

void Skip(TStream& stream, uint64_t count) {
    if (int64_t(count) > Remaining(stream)) ShortData();
    uint8_t chunk[4096];
    while (count > 0) {
        int32_t n = int32_t(std::min<uint64_t>(count, sizeof chunk));
        stream.ReadBuffer(chunk, n);
        count -= uint64_t(n);
    }
}

// A memory DC with one bitmap selected, for the length of a block.
class TMemoryDC {
public:
    explicit TMemoryDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
        if (!dc_) OutOfResources();
        old_ = SelectObject(dc_, bitmap);
    }
    ~TMemoryDC() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Deletes a GDI object at the end of a block.
struct TObjectGuard {
    HGDIOBJ object;
    ~TObjectGuard() { if (object) DeleteObject(object); }
};

struct TColorIdent {
    TColor color;
    const char* name;
};

const TColorIdent colorIdents[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clNone, "clNone"}, {clDefault, "clDefault"},
};

// Parses a whole 32-bit integer: optional sign, then decimal digits or hex
// digits after "$" or "0x". Values above the signed range wrap, as colours
// are unsigned.
bool ParseInteger(const std::string& text, uint32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        int c = std::tolower((unsigned char)text[i]);
        int digit = c >= '0' && c <= '9' ? c - '0' : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        v = v * unsigned(base) + unsigned(digit);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (negative && v > 0x80000000ull) return false;
    value = negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Colours

TColor ColorToRGB(TColor color) {
    if ((color & 0xFF000000) == clSystemColor) return GetSysColor(int(color & 0xFF));
    return color;
}

bool IdentToColor(const std::string& ident, TColor& color) {
    for (const TColorIdent& c : colorIdents)
        if (SameText(ident, c.name)) {
            color = c.color;
            return true;
        }
    return false;
}

bool ColorToIdent(TColor color, std::string& ident) {
    for (const TColorIdent& c : colorIdents)
        if (c.color == color) {
            ident = c.name;
            return true;
        }
    return false;
}

TColor StringToColor(const std::string& text) {
    TColor color;
    if (IdentToColor(text, color)) return color;
    uint32_t value;
    if (ParseInteger(text, value)) return value;
    throw EConvertError(TextFmt(stInvalidInteger, "'%s' is not a valid integer value", text));
}

std::string ColorToString(TColor color) {
    std::string ident;
    if (ColorToIdent(color, ident)) return ident;
    char buffer[16];
    wsprintfA(buffer, "$%08X", unsigned(color));
    return buffer;
}

// ---------------------------------------------------------------------------
// Pens, brushes, fonts

TGraphicsObject::~TGraphicsObject() {
    if (handle_ && owned_) DeleteObject(handle_);
}

void TGraphicsObject::SetCachedHandle(HGDIOBJ handle, bool owned) {
    handle_ = handle;
    owned_ = owned;
}

void TGraphicsObject::Changed() {
    TObjectGuard old{owned_ ? handle_ : nullptr};
    handle_ = nullptr;
    owned_ = false;
    NotifyChange();
}

void TPen::Assign(const TPersistent* source) {
    if (auto* pen = dynamic_cast<const TPen*>(source)) {
        if (pen->color_ == color_ && pen->width_ == width_ && pen->style_ == style_) return;
        color_ = pen->color_;
        width_ = pen->width_;
        style_ = pen->style_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TPen::SetWidth(int width) {
    if (width == width_) return;
    width_ = width;
    Changed();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

HPEN TPen::Handle() {
    if (!CachedHandle()) {
        if (style_ == psClear) {
            SetCachedHandle(GetStockObject(NULL_PEN), false);
        } else {
            // TPenStyle follows the PS_ numbering.
            HPEN pen = CreatePen(int(style_), width_, Ref(color_));
            if (!pen) OutOfResources();
            SetCachedHandle(pen, true);
        }
    }
    return static_cast<HPEN>(CachedHandle());
}

void TBrush::Assign(const TPersistent* source) {
    if (auto* brush = dynamic_cast<const TBrush*>(source)) {
        if (brush->color_ == color_ && brush->style_ == style_) return;
        color_ = brush->color_;
        style_ = brush->style_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TBrush::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

HBRUSH TBrush::Handle() {
    if (!CachedHandle()) {
        if (style_ == bsClear) {
            SetCachedHandle(GetStockObject(NULL_BRUSH), false);
        } else {
            // The hatch styles follow the HS_ numbering from bsHorizontal on.
            HBRUSH brush = style_ == bsSolid ? CreateSolidBrush(Ref(color_))
                                             : CreateHatchBrush(int(style_) - bsHorizontal, Ref(color_));
            if (!brush) OutOfResources();
            SetCachedHandle(brush, true);
        }
    }
    return static_cast<HBRUSH>(CachedHandle());
}

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        HDC dc = GetDC(nullptr);
        int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
        if (dc) ReleaseDC(nullptr, dc);
        return value > 0 ? value : 96;
    }();
    return ppi;
}

void TFont::Assign(const TPersistent* source) {
    if (auto* font = dynamic_cast<const TFont*>(source)) {
        if (font->name_ == name_ && font->height_ == height_ && font->color_ == color_ && font->style_ == style_)
            return;
        name_ = font->name_;
        height_ = font->height_;
        color_ = font->color_;
        style_ = font->style_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TFont::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72)); }

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

HFONT TFont::Handle() {
    if (!CachedHandle()) {
        LOGFONTA lf{};
        lf.lfHeight = height_;
        lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = style_.Contains(fsItalic);
        lf.lfUnderline = style_.Contains(fsUnderline);
        lf.lfStrikeOut = style_.Contains(fsStrikeOut);
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        name_.copy(lf.lfFaceName, LF_FACESIZE - 1);
        HFONT font = CreateFontIndirectA(&lf);
        if (!font) OutOfResources();
        SetCachedHandle(font, true);
    }
    return static_cast<HFONT>(CachedHandle());
}

// ---------------------------------------------------------------------------
// Canvas

TCanvas::TCanvas() { HookTools(); }

TCanvas::TCanvas(HDC dc) : dc_(dc) { HookTools(); }

TCanvas::~TCanvas() { DeselectHandles(); }

void TCanvas::HookTools() {
    pen_.OnChange = [this](TPen*) { Deselect(csPen); };
    brush_.OnChange = [this](TBrush*) { Deselect(csBrush); };
    font_.OnChange = [this](TFont*) { Deselect(csFont); };
}

HDC TCanvas::Handle() { return Require(csAll); }

void TCanvas::SetHandle(HDC dc) {
    if (dc == dc_) return;
    DeselectHandles();
    dc_ = dc;
}

void TCanvas::ReleaseHandle() {
    DeselectHandles();
    dc_ = nullptr;
}

void TCanvas::DeselectHandles() {
    if (!dc_) return;
    Deselect(csAll);
    RestoreClip();
}

void TCanvas::Deselect(unsigned what) {
    what &= selected_;
    if (!what) return;
    if (what & csPen) SelectObject(dc_, oldPen_);
    if (what & csBrush) SelectObject(dc_, oldBrush_);
    if (what & csFont) SelectObject(dc_, oldFont_);
    selected_ &= ~what;
}

HDC TCanvas::Require(unsigned what) {
    if (!dc_) {
        CreateHandle();
        if (!dc_) throw EInvalidGraphicOperation(Text(stNoCanvasHandle, "Canvas does not allow drawing"));
    }
    unsigned missing = what & ~selected_;
    if (missing & csPen) {
        oldPen_ = SelectObject(dc_, pen_.Handle());
        selected_ |= csPen;
    }
    if (missing & csBrush) {
        oldBrush_ = SelectObject(dc_, brush_.Handle());
        selected_ |= csBrush;
        // Hatches and hollow brushes leave the ground alone; text drawn
        // with them gets no background box either.
        if (brush_.Style() == bsSolid) {
            SetBkColor(dc_, Ref(brush_.Color()));
            SetBkMode(dc_, OPAQUE);
        } else {
            SetBkMode(dc_, TRANSPARENT);
        }
    }
    if (missing & csFont) {
        oldFont_ = SelectObject(dc_, font_.Handle());
        selected_ |= csFont;
        SetTextColor(dc_, Ref(font_.Color()));
    }
    return dc_;
}

void TCanvas::FillRect(const RECT& r) { ::FillRect(Require(csBrush), &r, brush_.Handle()); }

void TCanvas::FrameRect(const RECT& r) { ::FrameRect(Require(csBrush), &r, brush_.Handle()); }

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) { ::Rectangle(Require(csPen | csBrush), x1, y1, x2, y2); }

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) { ::Ellipse(Require(csPen | csBrush), x1, y1, x2, y2); }

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
    ::RoundRect(Require(csPen | csBrush), x1, y1, x2, y2, cornerWidth, cornerHeight);
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Require(0), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) { ::LineTo(Require(csPen), x, y); }

POINT TCanvas::PenPos() {
    POINT p{};
    GetCurrentPositionEx(Require(0), &p);
    return p;
}

void TCanvas::Polygon(std::span<const POINT> points) {
    if (points.empty()) return;
    ::Polygon(Require(csPen | csBrush), points.data(), int(points.size()));
}

void TCanvas::Polyline(std::span<const POINT> points) {
    if (points.empty()) return;
    ::Polyline(Require(csPen), points.data(), int(points.size()));
}

void TCanvas::DrawFocusRect(const RECT& r) { ::DrawFocusRect(Require(0), &r); }

void TCanvas::TextOut(int x, int y, const std::string& text) {
    ::TextOutA(Require(csFont | csBrush), x, y, text.data(), int(text.size()));
}

void TCanvas::TextRect(const RECT& r, int x, int y, const std::string& text) {
    UINT options = ETO_CLIPPED;
    if (brush_.Style() != bsClear) options |= ETO_OPAQUE;
    ExtTextOutA(Require(csFont | csBrush), x, y, options, &r, text.data(), UINT(text.size()), nullptr);
}

int TCanvas::DrawText(const std::string& text, RECT& r, UINT format) {
    // The text is read-only here, so it may not be rewritten in place.
    format &= ~UINT(DT_MODIFYSTRING);
    return ::DrawTextA(Require(csFont | csBrush), text.data(), int(text.size()), &r, format);
}

SIZE TCanvas::TextExtent(const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(Require(csFont), text.data(), int(text.size()), &size);
    return size;
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    if (graphic.Empty()) return;
    RECT r{x, y, x + graphic.Width(), y + graphic.Height()};
    graphic.Draw(*this, r);
}

void TCanvas::StretchDraw(const RECT& r, TGraphic& graphic) {
    if (!graphic.Empty()) graphic.Draw(*this, r);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect) {
    HDC to = Require(0);
    HDC from = source.Require(0);
    int w = dest.right - dest.left, h = dest.bottom - dest.top;
    int sw = sourceRect.right - sourceRect.left, sh = sourceRect.bottom - sourceRect.top;
    if (w == sw && h == sh)
        BitBlt(to, dest.left, dest.top, w, h, from, sourceRect.left, sourceRect.top, SRCCOPY);
    else
        StretchBlt(to, dest.left, dest.top, w, h, from, sourceRect.left, sourceRect.top, sw, sh, SRCCOPY);
}

TColor TCanvas::Pixels(int x, int y) { return GetPixel(Require(0), x, y); }

void TCanvas::SetPixels(int x, int y, TColor color) { SetPixel(Require(0), x, y, Ref(color)); }

void TCanvas::SaveClip() {
    if (clipSaved_) return;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (!region) OutOfResources();
    if (GetClipRgn(dc_, region) == 1) {
        savedClip_ = region;
    } else {
        DeleteObject(region);
        savedClip_ = nullptr;
    }
    clipSaved_ = true;
}

void TCanvas::IntersectClipRect(const RECT& r) {
    HDC dc = Require(0);
    SaveClip();
    ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
}

void TCanvas::ExcludeClipRect(const RECT& r) {
    HDC dc = Require(0);
    SaveClip();
    ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
}

void TCanvas::SelectClipRgn(HRGN region) {
    HDC dc = Require(0);
    SaveClip();
    ::SelectClipRgn(dc, region);
}

void TCanvas::ExtSelectClipRgn(HRGN region, int mode) {
    HDC dc = Require(0);
    SaveClip();
    ::ExtSelectClipRgn(dc, region, mode);
}

RECT TCanvas::ClipRect() {
    RECT r{};
    GetClipBox(Require(0), &r);
    return r;
}

void TCanvas::RestoreClip() {
    if (!clipSaved_) return;
    if (dc_) ::SelectClipRgn(dc_, savedClip_);
    if (savedClip_) DeleteObject(savedClip_);
    savedClip_ = nullptr;
    clipSaved_ = false;
}

// ---------------------------------------------------------------------------
// Graphics

void TGraphic::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Changed();
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

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

    size_t ImageSize() const { return size_t(Stride(width, bpp) * uint64_t(height)); }

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
        if (Stride(width, bpp) * uint64_t(height) > uint64_t(std::numeric_limits<int32_t>::max())) OutOfResources();
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
        throw EInvalidGraphicOperation(Text(stScanLineRange, "Scan line index out of range"));
    GdiFlush();
    return bits_ + size_t(Stride(width_, bpp_)) * size_t(height_ - 1 - row);
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
        TransparentBlt(to, r.left, r.top, w, h, from, 0, 0, width_, height_, Ref(TransparentColor()));
    else if (w == width_ && h == height_)
        BitBlt(to, r.left, r.top, w, h, from, 0, 0, SRCCOPY);
    else
        StretchBlt(to, r.left, r.top, w, h, from, 0, 0, width_, height_, SRCCOPY);
}

void TBitmap::ReadImage(TStream& stream, bool fileHeader, TImage& image) {
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
    bool bitfields = compression == BI_BITFIELDS;
    switch (bpp) {
    case 1: case 4: case 8: case 24:
        if (compression != BI_RGB) InvalidBitmap();
        break;
    case 16: case 32:
        if (compression != BI_RGB && !bitfields) InvalidBitmap();
        break;
    default:
        InvalidBitmap();
    }

    image.width = width;
    image.height = height;
    image.bpp = bpp;
    if (bitfields) {
        uint8_t masks[12];
        if (headerSize >= 52) {
            std::memcpy(masks, header + 40, sizeof masks);
        } else {
            stream.ReadBuffer(masks, sizeof masks);
            consumed += sizeof masks;
        }
        for (int i = 0; i < 3; ++i) {
            DWORD mask = LE32(masks + 4 * i);
            if (mask == 0) InvalidBitmap();
            image.masks.push_back(mask);
        }
    }

    // Colour table: the full one for the depth unless fewer are listed.
    // Deeper images may carry one as a hint, which is skipped.
    if (colorsUsed > 256 || (bpp <= 8 && colorsUsed > (1u << bpp))) InvalidBitmap();
    uint32_t colors = colorsUsed ? colorsUsed : bpp <= 8 ? 1u << bpp : 0;
    if (colors) {
        std::vector<RGBQUAD> table(colors);
        stream.ReadBuffer(table.data(), int32_t(colors * 4));
        consumed += colors * 4;
        if (bpp <= 8) {
            for (RGBQUAD& q : table) q.rgbReserved = 0;
            image.palette = std::move(table);
        }
    }

    if (fileHeader && pixelOffset != 0) {
        if (pixelOffset < consumed) InvalidBitmap();
        Skip(stream, pixelOffset - consumed);
    }

    uint64_t stride = Stride(width, bpp);
    uint64_t size = stride * uint64_t(height);
    if (int64_t(size) > Remaining(stream)) ShortData();
    image.Create();
    if (topDown) {
        for (int row = 0; row < height; ++row)
            stream.ReadBuffer(image.bits + stride * uint64_t(height - 1 - row), int32_t(stride));
    } else {
        stream.ReadBuffer(image.bits, int32_t(size));
    }
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
    if (!bytes) throw EResNotFound(TextFmt(stResNotFound, "Resource %s not found", shownName));
    // A BITMAP resource is a .bmp file without its file header.
    TMemoryStream stream(bytes, SizeofResource(module, info));
    TImage image;
    ReadImage(stream, false, image);
    Replace(image);
    Changed();
}

void TBitmap::LoadFromResourceName(const std::string& name) { LoadFromResource(name.c_str(), name); }

void TBitmap::LoadFromResourceID(int id) { LoadFromResource(MAKEINTRESOURCEA(id), std::to_string(id)); }

// ---------------------------------------------------------------------------
// Icons

namespace {

// Size of an icon handle's image, from its bitmaps.
SIZE IconSize(HICON icon) {
    SIZE size{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return size;
    TObjectGuard color{ii.hbmColor}, mask{ii.hbmMask};
    BITMAP bm{};
    if (ii.hbmColor && GetObjectA(ii.hbmColor, sizeof bm, &bm)) {
        size = {bm.bmWidth, bm.bmHeight};
    } else if (ii.hbmMask && GetObjectA(ii.hbmMask, sizeof bm, &bm)) {
        size = {bm.bmWidth, bm.bmHeight / 2}; // AND mask over XOR mask
    }
    return size;
}

// Checks that the image of one directory entry is a well-formed icon image
// that fits its entry, and gives its size.
SIZE CheckIconImage(const uint8_t* image, uint32_t size) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 24 && std::memcmp(image, png, sizeof png) == 0) {
        // Big-endian width and height of the IHDR chunk.
        auto be32 = [](const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; };
        uint32_t w = be32(image + 16), h = be32(image + 20);
        if (w == 0 || h == 0 || w > 256 || h > 256) InvalidIcon();
        return {LONG(w), LONG(h)};
    }
    if (size < 40) InvalidIcon();
    uint32_t headerSize = LE32(image);
    int32_t width = int32_t(LE32(image + 4));
    int32_t doubleHeight = int32_t(LE32(image + 8));
    uint16_t planes = LE16(image + 12), bpp = LE16(image + 14);
    uint32_t compression = LE32(image + 16), colorsUsed = LE32(image + 32);
    if (headerSize < 40 || headerSize > size) InvalidIcon();
    if (width <= 0 || width > 256 || doubleHeight <= 0 || doubleHeight > 512 || doubleHeight % 2) InvalidIcon();
    if (planes != 1 || compression != BI_RGB) InvalidIcon();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) InvalidIcon();
    if (colorsUsed > 256 || (bpp <= 8 && colorsUsed > (1u << bpp))) InvalidIcon();
    int height = doubleHeight / 2;
    uint64_t colors = colorsUsed ? colorsUsed : bpp <= 8 ? 1u << bpp : 0;
    uint64_t need = headerSize + colors * 4 + Stride(width, bpp) * height + Stride(width, 1) * height;
    if (need > size) InvalidIcon();
    return {width, height};
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
    int64_t available = Remaining(stream);
    uint8_t dir[6];
    stream.ReadBuffer(dir, sizeof dir);
    uint16_t count = LE16(dir + 4);
    if (LE16(dir) != 0 || LE16(dir + 2) != 1 || count == 0) InvalidIcon();
    uint32_t directorySize = 6 + 16u * count;
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
    if (int64_t(extent) > available) ShortData();
    data.resize(size_t(extent));
    stream.ReadBuffer(data.data() + directorySize, int32_t(extent - directorySize));

    // The 32 x 32 image if there is one, else the nearest in size.
    int best = -1;
    long bestDistance = 0, bestBits = 0, bestWidth = 0;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = data.data() + 6 + 16 * i;
        long w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        long bits = LE16(e + 6);
        if (bits == 0) bits = e[2] == 0 ? 8 : e[2] <= 2 ? 1 : e[2] <= 16 ? 4 : 8;
        long distance = std::labs(w - 32) + std::labs(h - 32);
        // Among equals the most colours, then the larger (shrinking looks
        // better than growing).
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
    SIZE imageSize = CheckIconImage(data.data() + offset, size);
    HICON icon = CreateIconFromResourceEx(data.data() + offset, size, TRUE, 0x00030000, imageSize.cx, imageSize.cy,
                                          LR_DEFAULTCOLOR);
    if (!icon) InvalidIcon();
    Free();
    icon_ = icon;
    width_ = imageSize.cx;
    height_ = imageSize.cy;
    data_ = std::move(data);
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
    TObjectGuard colorGuard{ii.hbmColor}, maskGuard{ii.hbmMask};
    BITMAP maskInfo{};
    if (!ii.hbmMask || !GetObjectA(ii.hbmMask, sizeof maskInfo, &maskInfo)) InvalidIcon();
    bool monochrome = ii.hbmColor == nullptr;
    int w = maskInfo.bmWidth;
    int h = monochrome ? maskInfo.bmHeight / 2 : maskInfo.bmHeight;
    if (w <= 0 || h <= 0 || w > 256 || h > 256) InvalidIcon();

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) OutOfResources();
    struct TDCGuard { HDC dc; ~TDCGuard() { DeleteDC(dc); } } dcGuard{dc};

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
        std::vector<uint8_t> bits(size_t(Stride(w, bpp)) * rows);
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
            std::vector<uint8_t> rgb(size_t(Stride(w, 24)) * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    std::memcpy(&rgb[size_t(Stride(w, 24)) * y + 3 * x], &colorBits[size_t(4 * w) * y + 4 * x], 3);
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

// ---------------------------------------------------------------------------
// Pictures

namespace {

// A new, empty graphic of the same class, for copying into.
std::unique_ptr<TGraphic> NewGraphic(const std::string& className) {
    if (SameText(className, "TBitmap")) return std::make_unique<TBitmap>();
    if (SameText(className, "TIcon")) return std::make_unique<TIcon>();
    return nullptr;
}

} // namespace

TPicture::~TPicture() = default;

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    if (graphic) graphic->OnChange = [this](TGraphic*) { Changed(); };
    graphic_ = std::move(graphic);
    Changed();
}

void TPicture::Assign(const TPersistent* source) {
    if (!source) {
        SetGraphic(nullptr);
        return;
    }
    const TGraphic* graphic = dynamic_cast<const TGraphic*>(source);
    if (auto* picture = dynamic_cast<const TPicture*>(source)) {
        if (picture == this) return;
        if (!picture->graphic_) {
            SetGraphic(nullptr);
            return;
        }
        graphic = picture->graphic_.get();
    }
    if (graphic) {
        if (std::unique_ptr<TGraphic> copy = NewGraphic(graphic->ClassName())) {
            copy->Assign(graphic);
            SetGraphic(std::move(copy));
            return;
        }
    }
    TPersistent::Assign(source);
}

TBitmap& TPicture::Bitmap() {
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
    auto bitmap = std::make_unique<TBitmap>();
    TBitmap& result = *bitmap;
    SetGraphic(std::move(bitmap));
    return result;
}

TIcon& TPicture::Icon() {
    if (auto* icon = dynamic_cast<TIcon*>(graphic_.get())) return *icon;
    auto icon = std::make_unique<TIcon>();
    TIcon& result = *icon;
    SetGraphic(std::move(icon));
    return result;
}

void TPicture::LoadFromFile(const std::string& fileName) {
    size_t dot = fileName.find_last_of('.');
    size_t slash = fileName.find_last_of("\\/");
    std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : fileName.substr(dot);
    std::unique_ptr<TGraphic> graphic;
    if (SameText(ext, ".bmp")) graphic = std::make_unique<TBitmap>();
    else if (SameText(ext, ".ico")) graphic = std::make_unique<TIcon>();
    else throw EInvalidGraphic(TextFmt(stUnknownExtension, "Unknown picture file extension (%s)", ext));
    graphic->LoadFromFile(fileName);
    SetGraphic(std::move(graphic));
}

void TPicture::ReadData(TStream& stream) {
    uint8_t length;
    stream.ReadBuffer(&length, 1);
    std::string className(length, '\0');
    stream.ReadBuffer(className.data(), length);
    if (className.empty()) {
        SetGraphic(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> graphic = NewGraphic(className);
    if (!graphic) throw EInvalidGraphic(FormTextFmt(stLayoutUnknownClass, className));
    // An empty graphic is stored as its class name alone.
    if (Remaining(stream) > 0) graphic->LoadFromStream(stream);
    SetGraphic(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) const {
    std::string className = graphic_ ? graphic_->ClassName() : std::string();
    uint8_t length = uint8_t(className.size());
    stream.WriteBuffer(&length, 1);
    stream.WriteBuffer(className.data(), length);
    if (graphic_) graphic_->SaveToStream(stream);
}

void TPicture::ReadBinaryProperty(const std::string& name, TStream& stream) {
    if (SameText(name, "Data")) ReadData(stream);
    else TPersistent::ReadBinaryProperty(name, stream);
}

// ---------------------------------------------------------------------------
// Off-screen composition

TOffscreenCanvas::TOffscreenCanvas(TCanvas& target, const RECT& area) : target_(target), area_(area) {
    buffer_.SetSize(std::max<int>(0, area.right - area.left), std::max<int>(0, area.bottom - area.top));
    TCanvas& canvas = buffer_.Canvas();
    canvas.Pen().Assign(&target.Pen());
    canvas.Brush().Assign(&target.Brush());
    canvas.Font().Assign(&target.Font());
    // Drawing uses the target's coordinates.
    if (!buffer_.Empty()) SetViewportOrgEx(canvas.Handle(), -area.left, -area.top, nullptr);
}

void TOffscreenCanvas::Flush() {
    if (buffer_.Empty()) return;
    BitBlt(target_.Handle(), area_.left, area_.top, buffer_.Width(), buffer_.Height(), buffer_.Canvas().Handle(),
           area_.left, area_.top, SRCCOPY);
}

} // namespace forms

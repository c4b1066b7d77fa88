#include "DrawingTools.h"

#include "GdiGuards.h"

namespace forms {


TGraphicsObject::~TGraphicsObject() {
    if (handle_ && owned_) DeleteObject(handle_);
}

void TGraphicsObject::SetCachedHandle(HGDIOBJ handle, bool owned) {
    handle_ = handle;
    owned_ = owned;
}

void TGraphicsObject::Changed() {
    TGdiObject old(owned_ ? handle_ : nullptr);
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
            HPEN pen = CreatePen(int(style_), width_, ColorToRef(color_));
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
            HBRUSH brush = style_ == bsSolid ? CreateSolidBrush(ColorToRef(color_))
                                             : CreateHatchBrush(int(style_) - bsHorizontal, ColorToRef(color_));
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

} // namespace forms

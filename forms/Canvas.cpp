#include "Canvas.h"

namespace forms {


TCanvas::TCanvas() { HookTools(); }

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
        if (!dc_) throw EInvalidGraphicOperation(GraphicText(stNoCanvasHandle));
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
            SetBkColor(dc_, ColorToRef(brush_.Color()));
            SetBkMode(dc_, OPAQUE);
        } else {
            SetBkMode(dc_, TRANSPARENT);
        }
    }
    if (missing & csFont) {
        oldFont_ = SelectObject(dc_, font_.Handle());
        selected_ |= csFont;
        SetTextColor(dc_, ColorToRef(font_.Color()));
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

void TCanvas::SetPixels(int x, int y, TColor color) { SetPixel(Require(0), x, y, ColorToRef(color)); }

void TCanvas::SaveClip() {
    if (clipSaved_) return;
    TGdiObject region(CreateRectRgn(0, 0, 0, 0));
    if (!region.Get()) OutOfResources();
    if (GetClipRgn(dc_, static_cast<HRGN>(region.Get())) == 1) savedClip_.Reset(region.Release());
    else savedClip_.Reset();
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
    if (dc_) ::SelectClipRgn(dc_, static_cast<HRGN>(savedClip_.Get()));
    savedClip_.Reset();
    clipSaved_ = false;
}

void TGraphic::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Changed();
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}


} // namespace forms

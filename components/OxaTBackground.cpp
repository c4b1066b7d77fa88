#include "OxaTBackground.h"

#include <windows.h>

#include <algorithm>

#include "forms/ScopedValue.h"

namespace components {

using namespace forms;

namespace {

// Replaces every pixel of colour `from` by `to` in a 24-bit bitmap.
void ReplaceColor(TBitmap& bitmap, COLORREF from, COLORREF to) {
    const uint8_t fb = GetBValue(from), fg = GetGValue(from), fr = GetRValue(from);
    const uint8_t tb = GetBValue(to), tg = GetGValue(to), tr = GetRValue(to);
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 3)
            if (p[0] == fb && p[1] == fg && p[2] == fr) p[0] = tb, p[1] = tg, p[2] = tr;
    }
}

} // namespace

// ------------------------------------------------------------- TOxaTexture

TOxaTexture::TOxaTexture() {
    image_.OnChange = [this](TGraphic*) {
        if (!copyingImage_) Changed();
    };
}

void TOxaTexture::Changed() {
    if (OnChange) OnChange(this);
}

void TOxaTexture::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TOxaTexture*>(source)) {
        if (other != this) {
            {
                TScopedValue copying(copyingImage_, true);
                image_.Assign(&other->image_);
            }
            imageStyle_ = other->imageStyle_;
            transparentColor_ = other->transparentColor_;
            transparentBackground_ = other->transparentBackground_;
        }
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TOxaTexture::SetImage(const TBitmap* image) {
    {
        TScopedValue copying(copyingImage_, true);
        if (image) image_.Assign(image);
        else image_.SetSize(0, 0);
    }
    Changed();
}

void TOxaTexture::SetImageStyle(TOxaImageStyle style) {
    imageStyle_ = style;
    Changed();
}

void TOxaTexture::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    Changed();
}

void TOxaTexture::SetTransparentBackground(TColor color) {
    transparentBackground_ = color;
    Changed();
}

void TOxaTexture::Draw(TCanvas& target, int width, int height, TColor solidColor) {
    if (image_.Empty() || width <= 0 || height <= 0) return;
    const int w = image_.Width(), h = image_.Height();
    const RECT whole{0, 0, w, h};

    TBitmap seeThrough;
    TBitmap* source = &image_;
    if (transparentColor_ != clNone) {
        seeThrough.SetSize(w, h);
        seeThrough.Canvas().CopyRect(whole, image_.Canvas(), whole);
        ReplaceColor(seeThrough, ColorToRef(transparentColor_), ColorToRef(transparentBackground_));
        source = &seeThrough;
    }

    HDC dc = target.Handle();
    TSavedDC saved(dc);
    // Tiles and large centred pictures reach past the area; they are cut there.
    IntersectClipRect(dc, 0, 0, width, height);
    switch (imageStyle_) {
    case isTile:
        // One more column and row than fit, partly or wholly clipped.
        for (int c = 0; c <= width / w; ++c)
            for (int d = 0; d <= height / h; ++d)
                target.CopyRect({c * w, d * h, c * w + w, d * h + h}, source->Canvas(), whole);
        break;
    case isStretched:
        // Dropping rows and columns keeps a colour picture's colours true
        // when it shrinks.
        SetStretchBltMode(dc, COLORONCOLOR);
        target.CopyRect({0, 0, width, height}, source->Canvas(), whole);
        break;
    case isCenter: {
        // The light pixels of a two-colour picture take the background colour.
        SetBkColor(dc, ColorToRef(solidColor));
        SetBkMode(dc, OPAQUE);
        POINT at = CenterOrigin(width, height);
        target.CopyRect({at.x, at.y, at.x + w, at.y + h}, source->Canvas(), whole);
        break;
    }
    }
}

POINT TOxaTexture::CenterOrigin(int width, int height) const {
    const int w = image_.Width(), h = image_.Height();
    return {w < width ? (width - w) / 2 : 0, h < height ? (height - h) / 2 : 0};
}

RECT TOxaTexture::PaintedArea(int width, int height) const {
    if (image_.Empty() || width <= 0 || height <= 0) return {0, 0, 0, 0};
    if (imageStyle_ != isCenter) return {0, 0, width, height};
    POINT at = CenterOrigin(width, height);
    return {at.x, at.y, std::min<LONG>(width, at.x + image_.Width()), std::min<LONG>(height, at.y + image_.Height())};
}

// ------------------------------------------------------------ TOxaBrushFill

void TOxaBrushFill::Changed() {
    if (OnChange) OnChange(this);
}

void TOxaBrushFill::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TOxaBrushFill*>(source)) {
        brushStyle_ = other->brushStyle_;
        brushColor_ = other->brushColor_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TOxaBrushFill::SetBrushStyle(TBrushStyle style) {
    brushStyle_ = style;
    Changed();
}

void TOxaBrushFill::SetBrushColor(TColor color) {
    brushColor_ = color;
    Changed();
}

// ----------------------------------------------------------- TOxaBackground

TOxaBackground::TOxaBackground(TComponent* owner) : TComponent(owner) {
    texture_.OnChange = [this](TObject*) { NotifyChanged(); };
    gradient_.OnChange = [this](TObject*) { NotifyChanged(); };
    brushFill_.OnChange = [this](TObject*) { NotifyChanged(); };
}

TOxaBackground::~TOxaBackground() {
    texture_.OnChange = nullptr;
    gradient_.OnChange = nullptr;
    brushFill_.OnChange = nullptr;
    // The clients are told by the removal notification that follows; they
    // let go of this background without touching it.
}

void TOxaBackground::SetSolidColor(TColor color) {
    solidColor_ = color;
    NotifyChanged();
}

void TOxaBackground::SetBackgroundStyle(TOxaBackStyle style) {
    backgroundStyle_ = style;
    NotifyChanged();
}

void TOxaBackground::AddClient(TControl* client) {
    if (!client) return;
    if (std::find(clients_.begin(), clients_.end(), client) == clients_.end()) clients_.push_back(client);
    FreeNotification(client);
}

void TOxaBackground::RemoveClient(TControl* client) {
    if (!client) return;
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    RemoveFreeNotification(client);
    client->RemoveFreeNotification(this);
}

void TOxaBackground::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove)
        clients_.erase(std::remove(clients_.begin(), clients_.end(), component), clients_.end());
}

void TOxaBackground::NotifyChanged() {
    ++changeCount_;
    // A repaint may change the list (a control that lets go of us).
    std::vector<TControl*> clients = clients_;
    for (TControl* client : clients) client->Invalidate();
    if (OnChanged) OnChanged(this);
}

void TOxaBackground::Draw(TCanvas& target, int width, int height, bool forwardFirst) {
    switch (backgroundStyle_) {
    case bGradient: gradient_.Draw(target, width, height, forwardFirst); break;
    case bTexture: texture_.Draw(target, width, height, solidColor_); break;
    case bSolidcolor: DrawSolidColor(target, width, height); break;
    case bBrushFillUseCurrent: DrawBrushFill(target, width, height, false); break;
    case bBrushFillSolidColor: DrawBrushFill(target, width, height, true); break;
    }
}

RECT TOxaBackground::PaintedArea(int width, int height) const {
    if (backgroundStyle_ == bTexture) return texture_.PaintedArea(width, height);
    if (width <= 0 || height <= 0) return {0, 0, 0, 0};
    return {0, 0, width, height};
}

TGradientBands TOxaBackground::Bands(int width, int height) const {
    if (backgroundStyle_ == bGradient) return gradient_.Bands(width, height);
    return backgroundStyle_ == bSolidcolor ? TGradientBands::Rows : TGradientBands::None;
}

uint32_t TOxaBackground::DrawnColorsKey() const {
    uint32_t key = 2166136261u;
    auto add = [&key](TColor color) { key = (key ^ ColorToRef(color)) * 16777619u; };
    switch (backgroundStyle_) {
    case bGradient:
        add(gradient_.BeginColor());
        add(gradient_.EndColor());
        // The in-between colours are text, read when the gradient renders;
        // a write to them notifies. What changes without one is a system
        // colour a line names ("clBtnFace"), so those count as they are now.
        // A line that is no colour fails the rendering itself; it adds nothing.
        for (const std::string& line : gradient_.ColorsInBetween()) {
            try {
                if (TColor color = StringToColor(line); (color & 0xFF000000) == clSystemColor) add(color);
            } catch (const EConvertError&) {
            }
        }
        break;
    case bTexture:
        add(solidColor_);
        if (texture_.TransparentColor() != clNone) {
            add(texture_.TransparentColor());
            add(texture_.TransparentBackground());
        }
        break;
    case bSolidcolor: add(solidColor_); break;
    case bBrushFillUseCurrent: add(brushFill_.BrushColor()); break;
    case bBrushFillSolidColor:
        add(brushFill_.BrushColor());
        add(solidColor_);
        break;
    }
    return key;
}

void TOxaBackground::DrawSolidColor(TCanvas& target, int width, int height) {
    if (width <= 0 || height <= 0) return;
    TBrush brush;
    brush.SetColor(solidColor_);
    RECT r{0, 0, width, height};
    FillRect(target.Handle(), &r, brush.Handle());
}

void TOxaBackground::DrawBrushFill(TCanvas& target, int width, int height, bool onSolidColor) {
    if (width <= 0 || height <= 0) return;
    // Hatch lines only, over a fresh white ground; bsClear paints nothing.
    TBitmap work;
    work.SetSize(width, height);
    TCanvas& canvas = work.Canvas();
    canvas.Brush().SetStyle(brushFill_.BrushStyle());
    canvas.Brush().SetColor(brushFill_.BrushColor());
    RECT all{0, 0, width, height};
    canvas.FillRect(all);
    if (onSolidColor) ReplaceColor(work, RGB(255, 255, 255), ColorToRef(solidColor_));
    target.CopyRect(all, canvas, all);
}

} // namespace components

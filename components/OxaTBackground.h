// Decorative backgrounds: a gradient, a picture, a hatch brush or a plain
// colour, described by a non-visual TOxaBackground and painted by the fill
// controls that show it (OxaTFillBackground). The settings objects notify on
// every write, so a change to any setting repaints every fill control.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/OxaGradient.h"
#include "forms/Components.h"
#include "forms/Controls.h"
#include "forms/Graphics.h"

namespace components {

enum TOxaImageStyle { isTile, isCenter, isStretched };

// A picture as a background; every property write calls OnChange.
class TOxaTexture : public forms::TPersistent {
public:
    TOxaTexture();
    TOxaTexture(const TOxaTexture&) = delete;
    TOxaTexture& operator=(const TOxaTexture&) = delete;

    std::string ClassName() const override { return "TOxaTexture"; }
    // Copies every property (the picture too), then calls OnChange once.
    void Assign(const forms::TPersistent* source) override;

    // The picture is owned. Loading or resizing it in place notifies like
    // SetImage does; drawing on it notifies nobody, so fill controls show
    // the drawing after the next change that notifies.
    forms::TBitmap& Image() { return image_; }
    const forms::TBitmap& Image() const { return image_; }
    // Copies the given picture; null empties it.
    void SetImage(const forms::TBitmap* image);
    TOxaImageStyle ImageStyle() const { return imageStyle_; }
    void SetImageStyle(TOxaImageStyle style);
    // Pixels of this colour show TransparentBackground; clNone keeps the
    // picture as stored.
    forms::TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(forms::TColor color);
    forms::TColor TransparentBackground() const { return transparentBackground_; }
    void SetTransparentBackground(forms::TColor color);

    // Paints the picture into the width x height area at the target's
    // origin; nothing outside the area changes. An empty picture paints
    // nothing. solidColor is the background colour a centred picture is
    // copied with.
    void Draw(forms::TCanvas& target, int width, int height, forms::TColor solidColor);
    // The part of a width x height area that Draw paints: all of it, a
    // centred picture's rectangle, or nothing for an empty picture.
    RECT PaintedArea(int width, int height) const;

    forms::TNotifyEvent OnChange;

private:
    void Changed();
    // Where isCenter puts the picture: centred on each axis where it is
    // smaller than the area, at 0 where it is not.
    POINT CenterOrigin(int width, int height) const;

    forms::TBitmap image_;
    bool copyingImage_ = false;
    TOxaImageStyle imageStyle_ = isTile;
    forms::TColor transparentColor_ = forms::clNone;
    forms::TColor transparentBackground_ = forms::clBtnFace;
};

// A hatch brush as a background; every property write calls OnChange.
class TOxaBrushFill : public forms::TPersistent {
public:
    TOxaBrushFill() = default;
    TOxaBrushFill(const TOxaBrushFill&) = delete;
    TOxaBrushFill& operator=(const TOxaBrushFill&) = delete;

    std::string ClassName() const override { return "TOxaBrushFill"; }
    void Assign(const forms::TPersistent* source) override;

    forms::TBrushStyle BrushStyle() const { return brushStyle_; }
    void SetBrushStyle(forms::TBrushStyle style);
    forms::TColor BrushColor() const { return brushColor_; }
    void SetBrushColor(forms::TColor color);

    forms::TNotifyEvent OnChange;

private:
    void Changed();

    forms::TBrushStyle brushStyle_ = forms::bsSolid;
    forms::TColor brushColor_ = forms::clBtnFace;
};

enum TOxaBackStyle { bGradient, bTexture, bSolidcolor, bBrushFillUseCurrent, bBrushFillSolidColor };

// The description of a background, shown by any number of fill controls
// (Clients, not owned). It owns its three settings objects and hears of
// every write to them.
class TOxaBackground : public forms::TComponent {
public:
    explicit TOxaBackground(forms::TComponent* owner = nullptr);
    ~TOxaBackground() override;

    std::string ClassName() const override { return "TOxaBackground"; }

    TOxaTexture& Texture() { return texture_; }
    TOxaGradient& Gradient() { return gradient_; }
    TOxaBrushFill& BrushFill() { return brushFill_; }
    // Whole-object writes copy into the owned objects, which stay the same.
    void SetTexture(const TOxaTexture& texture) { texture_.Assign(&texture); }
    void SetGradient(const TOxaGradient& gradient) { gradient_.Assign(&gradient); }
    void SetBrushFill(const TOxaBrushFill& brushFill) { brushFill_.Assign(&brushFill); }

    forms::TColor SolidColor() const { return solidColor_; }
    void SetSolidColor(forms::TColor color);
    TOxaBackStyle BackgroundStyle() const { return backgroundStyle_; }
    void SetBackgroundStyle(TOxaBackStyle style);

    // Paints the whole background into the width x height area at the
    // target's origin, according to BackgroundStyle.
    void Draw(forms::TCanvas& target, int width, int height, bool forwardFirst);
    // The part of a width x height area that Draw paints; what lies outside
    // it keeps what was there.
    RECT PaintedArea(int width, int height) const;
    // How the colours Draw paints run over a width x height area: a plain
    // colour in rows, a gradient as its plan says, anything else neither.
    TGradientBands Bands(int width, int height) const;

    // Counts NotifyChanged calls: a picture rendered while it stays the same
    // is still this background's picture.
    unsigned ChangeCount() const { return changeCount_; }
    // The colours the current style draws with, as RGB values folded into
    // one number. System colours are resolved when drawing, so this changes
    // when the system's colours do, which notifies nobody.
    uint32_t DrawnColorsKey() const;

    // Fill controls showing this background, in the order they came. A
    // control leaves the list when it is destroyed; when the background goes
    // first, each control hears of it through the removal notification.
    const std::vector<forms::TControl*>& Clients() const { return clients_; }
    void AddClient(forms::TControl* client);
    void RemoveClient(forms::TControl* client);

    // Repaints every client in list order, then raises OnChanged.
    void NotifyChanged();
    forms::TNotifyEvent OnChanged;

protected:
    void Notification(forms::TComponent* component, forms::TOperation operation) override;

private:
    void DrawBrushFill(forms::TCanvas& target, int width, int height, bool onSolidColor);
    void DrawSolidColor(forms::TCanvas& target, int width, int height);

    TOxaTexture texture_;
    TOxaGradient gradient_;
    TOxaBrushFill brushFill_;
    forms::TColor solidColor_ = forms::clBtnFace;
    TOxaBackStyle backgroundStyle_ = bGradient;
    std::vector<forms::TControl*> clients_;
    unsigned changeCount_ = 0;
};

} // namespace components

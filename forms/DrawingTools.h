// Pens, brushes and fonts. Each keeps one GDI handle, made when first asked
// for and dropped after every change; setters do nothing when the value is
// unchanged and otherwise raise OnChange.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "Classes.h"
#include "Colors.h"
#include "Components.h"

namespace forms {

// Shared handle bookkeeping of TPen, TBrush and TFont.
class TGraphicsObject : public TPersistent {
public:
    ~TGraphicsObject() override;
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;

protected:
    TGraphicsObject() = default;
    HGDIOBJ CachedHandle() const { return handle_; }
    void SetCachedHandle(HGDIOBJ handle, bool owned);
    // Tells the listener first and deletes the old handle afterwards, so a
    // canvas can take it out of its DC before it goes.
    void Changed();
    virtual void NotifyChange() = 0;

private:
    HGDIOBJ handle_ = nullptr;
    bool owned_ = false;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TGraphicsObject {
public:
    TPen() = default;
    std::string ClassName() const override { return "TPen"; }
    void Assign(const TPersistent* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);

    HPEN Handle();
    std::function<void(TPen*)> OnChange;

protected:
    void NotifyChange() override { if (OnChange) OnChange(this); }

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    TBrush() = default;
    std::string ClassName() const override { return "TBrush"; }
    void Assign(const TPersistent* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);

    // bsClear gives the stock hollow brush, which nobody deletes.
    HBRUSH Handle();
    std::function<void(TBrush*)> OnChange;

protected:
    void NotifyChange() override { if (OnChange) OnChange(this); }

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

class TFontStyles {
public:
    constexpr TFontStyles() = default;
    constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
        for (TFontStyle s : styles) bits_ |= 1u << s;
    }
    constexpr bool Contains(TFontStyle s) const { return (bits_ >> s) & 1u; }
    constexpr TFontStyles& Include(TFontStyle s) { bits_ |= 1u << s; return *this; }
    constexpr TFontStyles& Exclude(TFontStyle s) { bits_ &= ~(1u << s); return *this; }
    constexpr bool operator==(const TFontStyles&) const = default;

private:
    unsigned bits_ = 0;
};

class TFont : public TGraphicsObject {
public:
    TFont() = default;
    std::string ClassName() const override { return "TFont"; }
    void Assign(const TPersistent* source) override;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Pixels; negative is the character height, positive the cell height,
    // as in LOGFONT.
    int Height() const { return height_; }
    void SetHeight(int height);
    // Points at the screen's resolution: Size = -Height * 72 / PixelsPerInch.
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);

    HFONT Handle();
    std::function<void(TFont*)> OnChange;

protected:
    void NotifyChange() override { if (OnChange) OnChange(this); }

private:
    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_;
};

// Vertical resolution of the screen, for point sizes.
int ScreenPixelsPerInch();

// Pixel sizes are given at 96 dpi (layouts, drawing tables); this is the
// one rule that turns them into pixels at another resolution.
constexpr int DesignPixelsPerInch = 96;
inline int ScaleToDpi(int value, int dpi) { return MulDiv(value, dpi, DesignPixelsPerInch); }

} // namespace forms

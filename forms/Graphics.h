// Drawing: colours, pens, brushes, fonts, the canvas over a device context,
// and the pictures (bitmaps, icons) that controls show and compose with.
//
// Every GDI and USER object made here is owned by exactly one object and is
// released by it; a canvas puts the DC's own objects back before it lets the
// DC go, so nothing of ours stays selected in a released DC.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Classes.h"
#include "Components.h"
#include "SysUtils.h"

namespace forms {

class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EResNotFound : public Exception { using Exception::Exception; };

// Texts of this module; a language module may translate them like the
// library's other texts (see TFormTextId).
enum TGraphicTextId : int {
    stInvalidBitmap = 65040,    // "Bitmap image is not valid"
    stInvalidIcon = 65041,      // "Icon image is not valid"
    stUnknownExtension = 65042, // "Unknown picture file extension (%s)"
    stNoCanvasHandle = 65043,   // "Canvas does not allow drawing"
    stOutOfResources = 65044,   // "Out of system resources"
    stResNotFound = 65045,      // "Resource %s not found"
    stInvalidInteger = 65046,   // "'%s' is not a valid integer value"
    stScanLineRange = 65047,    // "Scan line index out of range"
};

// ---------------------------------------------------------------------------
// Colours: 0x00BBGGRR, or 0x80000000 + a system colour index, or clNone.
// They stay as given until something is drawn with them.

using TColor = uint32_t;

constexpr TColor clBlack = 0x00000000;
constexpr TColor clMaroon = 0x00000080;
constexpr TColor clGreen = 0x00008000;
constexpr TColor clOlive = 0x00008080;
constexpr TColor clNavy = 0x00800000;
constexpr TColor clPurple = 0x00800080;
constexpr TColor clTeal = 0x00808000;
constexpr TColor clGray = 0x00808080;
constexpr TColor clSilver = 0x00C0C0C0;
constexpr TColor clRed = 0x000000FF;
constexpr TColor clLime = 0x0000FF00;
constexpr TColor clYellow = 0x0000FFFF;
constexpr TColor clBlue = 0x00FF0000;
constexpr TColor clFuchsia = 0x00FF00FF;
constexpr TColor clAqua = 0x00FFFF00;
constexpr TColor clWhite = 0x00FFFFFF;

constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value to draw with: system colours are looked up now; plain
// colours, clNone and clDefault come back unchanged.
TColor ColorToRGB(TColor color);

// Colour identifiers as layouts write them ("clBtnFace"), case-insensitive.
bool IdentToColor(const std::string& ident, TColor& color);
bool ColorToIdent(TColor color, std::string& ident);
// An identifier or an integer (decimal, or hexadecimal after "$" or "0x");
// anything else raises EConvertError "'%s' is not a valid integer value".
TColor StringToColor(const std::string& text);
// The identifier when there is one, else "$" and eight hex digits.
std::string ColorToString(TColor color);

// ---------------------------------------------------------------------------
// Pens, brushes and fonts. Each keeps one GDI handle, made when first asked
// for and dropped after every change; setters do nothing when the value is
// unchanged and otherwise raise OnChange.

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

// ---------------------------------------------------------------------------
// Canvas

class TGraphic;

// Draws on a device context supplied by its owner. The pen, brush and font
// are selected on use; ReleaseHandle, SetHandle and the destructor put back
// the objects and the clipping the DC had before. The canvas owns its Pen,
// Brush and Font and listens to their OnChange; owners copy into them with
// Assign rather than hooking them.
class TCanvas : public TPersistent {
public:
    TCanvas();
    explicit TCanvas(HDC dc);
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    std::string ClassName() const override { return "TCanvas"; }

    // The DC with the canvas's pen, brush and font selected, ready for
    // direct GDI calls. Asks the owner for a DC when there is none; raises
    // EInvalidGraphicOperation when no DC can be had.
    HDC Handle();
    // Attaches a DC the caller keeps owning; 0 detaches. The previous DC
    // gets its own objects back first.
    void SetHandle(HDC dc);
    // Restores the DC and lets go of it (an owner-made DC is freed).
    virtual void ReleaseHandle();
    bool HandleAllocated() const { return dc_ != nullptr; }

    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    TFont& Font() { return font_; }

    // Shapes; rectangles exclude their right and bottom edges.
    void FillRect(const RECT& r);
    void FrameRect(const RECT& r);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const RECT& r) { Ellipse(r.left, r.top, r.right, r.bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    POINT PenPos();
    void Polygon(std::span<const POINT> points);
    void Polyline(std::span<const POINT> points);
    void DrawFocusRect(const RECT& r);

    // Text in the font's colour; the background is the brush colour, or
    // left alone when the brush is bsClear.
    void TextOut(int x, int y, const std::string& text);
    // Text at (x, y) clipped to r; r is filled first unless the brush is bsClear.
    void TextRect(const RECT& r, int x, int y, const std::string& text);
    // DrawTextA with the given DT_ flags; returns the text height.
    int DrawText(const std::string& text, RECT& r, UINT format);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

    // Pictures: Draw at the graphic's own size, StretchDraw into r.
    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const RECT& r, TGraphic& graphic);
    // Copies sourceRect of source into dest, stretching when the sizes differ.
    void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);

    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    // Clipping on top of the DC's own; RestoreClip (and releasing the DC)
    // brings back what the DC had when the canvas first changed it.
    void IntersectClipRect(const RECT& r);
    void ExcludeClipRect(const RECT& r);
    // region is in device units and stays the caller's; 0 removes clipping.
    void SelectClipRgn(HRGN region);
    void ExtSelectClipRgn(HRGN region, int mode);
    RECT ClipRect();
    void RestoreClip();

protected:
    // Owners that make their DC on demand (a bitmap's memory DC, a window's
    // DC) override this to call SetHandle.
    virtual void CreateHandle() {}
    // Puts the DC's own objects and clipping back.
    void DeselectHandles();

private:
    enum : unsigned { csPen = 1, csBrush = 2, csFont = 4, csAll = 7 };
    void HookTools();
    HDC Require(unsigned what);
    void Deselect(unsigned what);
    void SaveClip();

    HDC dc_ = nullptr;
    unsigned selected_ = 0;
    HGDIOBJ oldPen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
    bool clipSaved_ = false;
    HRGN savedClip_ = nullptr; // 0 with clipSaved_: the DC had no clipping
    TPen pen_;
    TBrush brush_;
    TFont font_;
};

// ---------------------------------------------------------------------------
// Pictures

class TGraphic : public TPersistent {
public:
    std::string ClassName() const override { return "TGraphic"; }

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Bitmaps leave out their transparent colour when set; icons always
    // draw through their mask.
    virtual bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    virtual void Draw(TCanvas& canvas, const RECT& r) = 0;
    // Reads the graphic's file format from the stream's position. Short
    // data raises EReadError, malformed data EInvalidGraphic; on error the
    // graphic keeps what it had.
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;
    void LoadFromFile(const std::string& fileName);

    std::function<void(TGraphic*)> OnChange;

protected:
    void Changed() { if (OnChange) OnChange(this); }

    bool transparent_ = false;
};

class TBitmapCanvas;

// A device-independent bitmap (DIB section), 24 bits per pixel unless
// loaded from a file of another depth (1, 4, 8, 16, 24 or 32 bits).
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    std::string ClassName() const override { return "TBitmap"; }
    void Assign(const TPersistent* source) override;

    bool Empty() const override { return dib_ == nullptr; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int BitsPerPixel() const { return bpp_; }
    // Keeps the picture at the top-left; new area is white. 0 empties it.
    void SetSize(int width, int height);

    // Drawing on the bitmap; its memory DC lives until the image changes
    // or Handle is asked for.
    TCanvas& Canvas();
    // The DIB section. Takes it out of the canvas's DC first, so others
    // may select it (image lists, GetDIBits).
    HBITMAP Handle();
    // Row `row` counted from the top, in the DIB's own pixel format;
    // pending GDI drawing is flushed first.
    uint8_t* ScanLine(int row);
    // The bottom-left pixel; clNone for an empty bitmap.
    TColor TransparentColor();

    void Draw(TCanvas& canvas, const RECT& r) override;
    void LoadFromStream(TStream& stream) override; // .bmp file bytes
    void SaveToStream(TStream& stream) const override;
    // A BITMAP resource of the resource module.
    void LoadFromResourceName(const std::string& name);
    void LoadFromResourceID(int id);

private:
    friend class TBitmapCanvas;
    struct TImage;
    static void ReadImage(TStream& stream, bool fileHeader, TImage& image);
    void Replace(TImage& image);
    void LoadFromResource(const char* name, const std::string& shownName);

    HBITMAP dib_ = nullptr;
    uint8_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int bpp_ = 24;
    std::vector<RGBQUAD> palette_;
    std::vector<DWORD> masks_; // three channel masks of a BI_BITFIELDS image
    std::unique_ptr<TBitmapCanvas> canvas_;
};

// An icon, from .ico bytes or from a handle it is given.
class TIcon : public TGraphic {
public:
    TIcon() = default;
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    std::string ClassName() const override { return "TIcon"; }
    void Assign(const TPersistent* source) override;

    bool Empty() const override { return icon_ == nullptr; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Transparent() const override { return true; }

    HICON Handle() const { return icon_; }
    // Takes ownership of icon (0 empties the icon).
    void SetHandle(HICON icon);
    // Gives the handle up to the caller, who must destroy it; the icon is
    // empty afterwards.
    HICON ReleaseHandle();

    void Draw(TCanvas& canvas, const RECT& r) override;
    // Picks the 32 x 32 image of the file, or else the one nearest that
    // size, with the most colours.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;

private:
    void Free();

    HICON icon_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> data_; // the .ico bytes it was read from, if any
};

// Holds a bitmap, an icon or nothing; copies what it is given.
class TPicture : public TPersistent {
public:
    TPicture() = default;
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    std::string ClassName() const override { return "TPicture"; }
    // From a TPicture, TBitmap or TIcon (always a copy); 0 clears.
    void Assign(const TPersistent* source) override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // The held bitmap or icon, replacing whatever else is held by an empty one.
    TBitmap& Bitmap();
    TIcon& Icon();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    bool Empty() const { return !graphic_ || graphic_->Empty(); }

    // .bmp or .ico by the file's extension.
    void LoadFromFile(const std::string& fileName);

    // The stored form of a layout's "Picture.Data": a length byte and the
    // class name ("TBitmap", "TIcon"; empty for no picture), then the
    // graphic's file bytes.
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) const;
    void ReadBinaryProperty(const std::string& name, TStream& stream) override;

    std::function<void(TPicture*)> OnChange;

private:
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    void Changed() { if (OnChange) OnChange(this); }

    std::unique_ptr<TGraphic> graphic_;
};

// Off-screen composition for controls that paint themselves: draw on
// Canvas() in the target's coordinates, then Flush copies the whole area
// to the target in one step, so the screen never shows a half-drawn state.
// The off-screen canvas starts with the target's pen, brush and font.
class TOffscreenCanvas {
public:
    TOffscreenCanvas(TCanvas& target, const RECT& area);
    TCanvas& Canvas() { return buffer_.Canvas(); }
    void Flush();

private:
    TCanvas& target_;
    RECT area_;
    TBitmap buffer_;
};

} // namespace forms

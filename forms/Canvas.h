// The canvas over a device context, and the pictures drawn on it.
#pragma once
#include <windows.h>

#include <functional>
#include <span>
#include <string>

#include "DrawingTools.h"
#include "GdiGuards.h"
#include "GraphicTexts.h"

namespace forms {

class TGraphic;

// Draws on a device context supplied by its owner. The pen, brush and font
// are selected on use; ReleaseHandle, SetHandle and the destructor put back
// the objects and the clipping the DC had before. The canvas owns its Pen,
// Brush and Font and listens to their OnChange; owners copy into them with
// Assign rather than hooking them.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    std::string ClassName() const override { return "TCanvas"; }

    // The DC with the canvas's pen, brush and font selected, ready for
    // direct GDI calls. Asks the owner for a DC when there is none; raises
    // EInvalidGraphicOperation when no DC can be had.
    HDC Handle();
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
    // Attaches a DC the caller keeps owning; 0 detaches. The previous DC
    // gets its own objects back first. Others bind a DC with TCanvasBinding.
    void SetHandle(HDC dc);
    // Owners that make their DC on demand (a bitmap's memory DC, a window's
    // DC) override this to call SetHandle.
    virtual void CreateHandle() {}
    // Puts the DC's own objects and clipping back.
    void DeselectHandles();

private:
    friend class TCanvasBinding;
    friend class TPaintBuffer;
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
    TGdiObject savedClip_; // empty with clipSaved_: the DC had no clipping
    TPen pen_;
    TBrush brush_;
    TFont font_;
};

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
    // The resolution the graphic's pixels are made for: 96 dpi for pictures
    // from files and layouts; an icon loaded at a display's size says so.
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int dpi) { pixelsPerInch_ = dpi; }
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
    int pixelsPerInch_ = 96;
};

} // namespace forms

// Device-independent bitmaps: drawn on through their own canvas, read
// from .bmp files, streams and BITMAP resources.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Canvas.h"

namespace forms {

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


} // namespace forms

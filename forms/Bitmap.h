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

    bool Empty() const override { return image_.dib == nullptr; }
    int Width() const override { return image_.width; }
    int Height() const override { return image_.height; }
    int BitsPerPixel() const { return image_.bpp; }
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
    // A DIB section with its format: the one owner of the section, which it
    // deletes. A bitmap holds one; a new picture is made in another and
    // swapped in, so the old section goes with the one that held it last.
    struct TImage {
        HBITMAP dib = nullptr;
        uint8_t* bits = nullptr;
        int width = 0;
        int height = 0;
        int bpp = 24;
        std::vector<RGBQUAD> palette;
        std::vector<DWORD> masks; // three channel masks of a BI_BITFIELDS image

        TImage() = default;
        TImage(const TImage&) = delete;
        TImage& operator=(const TImage&) = delete;
        ~TImage();
        void Swap(TImage& other);
        size_t ImageSize() const;
        // BITMAPINFOHEADER, channel masks and colour table, as in a .bmp file.
        std::vector<uint8_t> Info() const;
        // Makes the section for the format and size set; raises when it cannot.
        void Create();
    };
    static void ReadImage(TStream& stream, bool fileHeader, TImage& image);
    void Replace(TImage& image);
    void LoadFromResource(const char* name, const std::string& shownName);

    TImage image_;
    // Declared after the image: its memory DC goes before the section in it.
    std::unique_ptr<TBitmapCanvas> canvas_;
};


} // namespace forms

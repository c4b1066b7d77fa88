// A list box that draws its own rows: an optional image per row from an
// image list, one row colour or two alternating ones, and the selected row
// as a coloured bar with a 3D or flat frame and a font of its own.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "forms/ComCtrls.h"
#include "forms/StdCtrls.h"

namespace components {

enum TBarStyle { tbsLowered, tbsRaised, tbsColor };
enum TImagePos { ipLeft, ipRight };

// Asks for the image of row ItemIndex; idx enters as -1, below 0 means none.
using TUlaGetIndexEvent = std::function<void(forms::TObject* Sender, const int ItemIndex, int& idx)>;

class TUlaListBox : public forms::TListBox {
public:
    explicit TUlaListBox(forms::TComponent* owner);
    ~TUlaListBox() override;
    std::string ClassName() const override { return "TUlaListBox"; }
    // The bar's font is its own: it follows a move to another resolution.
    void ScaleChanged(int to, int from) override;

    forms::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(forms::TAlignment value);
    forms::TColor BarColor() const { return barColor_; }
    void SetBarColor(forms::TColor value);
    // Font of the selected and the focused row. Setting copies the given
    // font's attributes; the list keeps its own.
    forms::TFont& BarFont() { return barFont_; }
    void SetBarFont(const forms::TFont* font);
    TBarStyle BarStyle() const { return barStyle_; }
    void SetBarStyle(TBarStyle value);
    forms::TColor EvenColor() const { return evenColor_; }
    void SetEvenColor(forms::TColor value);
    forms::TColor OddColor() const { return oddColor_; }
    void SetOddColor(forms::TColor value);
    bool OddEvenColors() const { return oddEvenColors_; }
    void SetOddEvenColors(bool value);
    // Not owned: the list lets go of it when it is destroyed.
    forms::TImageList* Images() const { return images_; }
    void SetImages(forms::TImageList* value);
    TImagePos ImagePos() const { return imagePos_; }
    void SetImagePos(TImagePos value);
    // Margin between the row edge and the image, or the text without images.
    uint8_t Offset() const { return offset_; }
    void SetOffset(uint8_t value);

    TUlaGetIndexEvent OnGetImageIndex;

    // The list box's registration with the image list in Images.
    const forms::TChangeLink& ImageChangeLink() const { return imageChangeLink_; }

    // Row height from the fonts and the images: the tallest plus 5.
    void UpdateItemHeight();
    // Repaints the selected row only, or the whole list when several rows
    // are selected.
    void InvalidateSelection();

protected:
    void DrawItem(int index, const RECT& rect, unsigned state) override;
    void FontChanged() override;
    void Notification(forms::TComponent* component, forms::TOperation operation) override;

private:
    void BarFontChanged();
    void ImageListChanged();
    void DrawBarFrame(forms::TCanvas& canvas, const RECT& r, forms::TColor topLeft, forms::TColor bottomRight);

    forms::TAlignment alignment_ = forms::taLeftJustify;
    forms::TColor barColor_ = 0xD6E9D7;
    forms::TFont barFont_;
    TBarStyle barStyle_ = tbsLowered;
    forms::TColor evenColor_ = 0xE1E1E1;
    forms::TColor oddColor_ = 0xD1D1D1;
    bool oddEvenColors_ = false;
    forms::TImageList* images_ = nullptr;
    TImagePos imagePos_ = ipLeft;
    int rowsSizedForImages_ = 0; // the images' height the rows were last sized for
    uint8_t offset_ = 3;
    forms::TChangeLink imageChangeLink_;
};

// Makes TUlaListBox known to layouts.
void RegisterUlaListBox();

} // namespace components

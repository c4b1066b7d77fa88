// The drop-down palette of the colour selector: twenty fixed colours in four
// columns and five rows, a swatch of the current colour when it is not one of
// them, and a button that opens the system's colour dialog. It draws itself
// off-screen, highlights the position under the pointer and hands a picked
// colour to its OnSelect; it hides itself after a pick and when it loses the
// keyboard focus.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "forms/Forms.h"

namespace components {

// Caption of the other-colour button; "&Other..." is put in when it is empty
// at painting time. The selector copies its own caption here on opening.
extern std::string PaletteCaption;

// The fixed colours, PaletteColors[row - 1][column - 1].
extern const forms::TColor PaletteColors[5][4];

class TColorForm;
using TColorSelectEvent = std::function<void(TColorForm* Palette, forms::TColor Color)>;

class TColorForm : public forms::TForm {
public:
    static constexpr int PaletteWidth = 78;
    static constexpr int PaletteHeight = 120;
    // (HotColumn, HotRow) of the current-colour swatch.
    static constexpr int SwatchColumn = 4;
    static constexpr int SwatchRow = 6;

    // A palette sized for dpi, the resolution of the window it drops from.
    explicit TColorForm(forms::TComponent* owner, int dpi = forms::ScreenPixelsPerInch());
    std::string ClassName() const override { return "TColorForm"; }

    // The window the palette stays above and the colour dialog is modal to;
    // by default the top-level window of the nearest windowed owner. Set
    // before the palette is shown.
    void SetOwnerWindow(HWND wnd) { ownerWindow_ = wnd; }
    // Frees the palette, raising no more events. While a press is being
    // handled (the colour dialog may be up) the palette lives on until the
    // press returns, and Press frees it then.
    void Release();

    forms::TColor CurrentColor() const { return currentColor_; }
    void SetCurrentColor(forms::TColor color);
    int HotColumn() const { return hotColumn_; }
    int HotRow() const { return hotRow_; }
    // Moves the highlight (0, 0 for none) and repaints when it changes.
    void SetHot(int column, int row);
    // The swatch and the narrower button are drawn only for a colour that
    // is not in the table.
    bool SwatchShown() const;

    // Hands a picked colour to the selector.
    TColorSelectEvent OnSelect;
    // Raised after a press ended with the palette hidden (a pick, or the
    // colour dialog done), so the selector can take the focus back.
    std::function<void(TColorForm* Palette)> OnCloseUp;

    // Geometry, in client pixels of a palette at dpi (its table is at 96);
    // right and bottom are exclusive.
    static RECT CellRect(int column, int row, int dpi = forms::DesignPixelsPerInch);
    static RECT SwatchRect(int dpi = forms::DesignPixelsPerInch);
    static RECT OtherButtonRect(bool swatchShown, int dpi = forms::DesignPixelsPerInch);
    // The first position of color in the table, in row order; false when
    // it is not there (every system colour, and clNone).
    static bool FindPaletteColor(forms::TColor color, int& column, int& row);
    // The position a client point highlights: a cell (grown by 2 pixels,
    // bounds exclusive, first hit in row order), else the swatch's area
    // whether or not the swatch is drawn, else (0, 0).
    static void PositionAt(int x, int y, int& column, int& row, int dpi = forms::DesignPixelsPerInch);

    // The whole picture at (0, 0), as the window shows it.
    void DrawPalette(forms::TCanvas& canvas);
    // A mouse press at a client point: picks the highlighted colour and
    // closes; inside the other-colour button's area opens the colour dialog.
    // Frees the palette when it was released meanwhile.
    void Press(int x, int y);

    void MouseMove(forms::TShiftState shift, int x, int y) override;

protected:
    void CreateParams(forms::TCreateParams& params) override;
    void InitializeWnd() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void InitHot();
    void CloseUp();
    void RunColorDialog();
    void Paint();

    forms::TColor currentColor_ = forms::clBlack;
    int hotColumn_ = 0;
    int hotRow_ = 0;
    int busy_ = 0;            // presses being handled
    bool released_ = false;   // Release came during a press
    HWND ownerWindow_ = nullptr;
};

// Sole ownership of a palette: freeing goes through Release.
struct TColorFormRelease {
    void operator()(TColorForm* palette) const { palette->Release(); }
};
using TColorFormPtr = std::unique_ptr<TColorForm, TColorFormRelease>;

} // namespace components

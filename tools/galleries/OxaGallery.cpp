// Shows every gradient fill style in one and two segments, and the main
// window's two strips at their sizes, drawn by the real fill controls: a
// contact sheet to look at (screenshots under Xvfb). An optional number on
// the command line closes the window after that many seconds.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "components/OxaTBackground.h"
#include "components/OxaTFillBackground.h"
#include "forms/Forms.h"

using namespace components;
using namespace forms;

namespace {

const char* const kStyleNames[OxaFillStyleCount] = {
    "Circle",     "Horizontal", "Vertical",          "LeftBottom",         "RoundMiddle",
    "SquareMiddle", "Spectral", "DoppelFlash",       "Singleflash",        "MiddleHBar",
    "MiddleVBar", "VerticalDoppelBar", "HorizontalDoppelBar"};

// A line of text on the window's own colour.
class TSheetCaption : public TGraphicControl {
public:
    TSheetCaption(TComponent* owner, const std::string& text) : TGraphicControl(owner), text_(text) {}
    void Paint() override {
        RECT r = ClientRect();
        Canvas().Brush().SetStyle(bsClear);
        Canvas().Font().SetColor(clWindowText);
        Canvas().DrawText(text_, r, DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }

private:
    std::string text_;
};

class TGalleryForm : public TForm {
public:
    explicit TGalleryForm(TComponent* owner) : TForm(owner) {
        SetCaption("Gradient fill styles");
        SetBorderStyle(bsSingle);
        const int tileW = 88, tileH = 110, gap = 6, captionH = 16;
        const int sheetW = OxaFillStyleCount * (tileW + gap) + gap;
        for (int twoSegments = 0; twoSegments < 2; ++twoSegments) {
            int top = gap + twoSegments * (tileH + 2 * captionH + gap);
            AddCaption(twoSegments ? "Two segments: clBlue, clYellow, clRed" : "One segment: clBlue to clWhite", gap, top,
                    sheetW - 2 * gap);
            for (int style = 0; style < OxaFillStyleCount; ++style) {
                auto* background = new TOxaBackground(this);
                TOxaGradient& g = background->Gradient();
                g.SetFillStyle(TOxaFillStyle(style));
                g.SetBeginColor(clBlue);
                g.SetEndColor(twoSegments ? clRed : clWhite);
                if (twoSegments) g.SetColorsInBetween({"clYellow"});
                int left = gap + style * (tileW + gap);
                AddFill(background, left, top + captionH, tileW, tileH);
                AddCaption(kStyleNames[style], left - gap / 2, top + captionH + tileH, tileW + gap);
            }
        }
        // The main window's strips: title (default gradient to maroon) and pages.
        int top = gap + 2 * (tileH + 2 * captionH + gap);
        AddCaption("Main window: title strip 375 x 18 and pages 375 x 310 (MiddleHBar, clBlue to clBtnHighlight)", gap,
                top, sheetW - 2 * gap);
        auto* title = new TOxaBackground(this);
        title->Gradient().SetEndColor(clMaroon);
        auto* pages = new TOxaBackground(this);
        pages->Gradient().SetBeginColor(clBlue);
        pages->Gradient().SetFillStyle(TOxaFillStyle::MiddleHBar);
        AddFill(title, gap, top + captionH, 375, 18);
        AddFill(pages, gap, top + captionH + 19, 375, 310);
        SetClientSize(sheetW, top + captionH + 19 + 310 + gap);
    }

private:
    void AddFill(TOxaBackground* background, int left, int top, int width, int height) {
        auto* fill = new TOxaFillBackground(this);
        fill->SetParent(this);
        fill->SetBounds(left, top, width, height);
        fill->SetBackground(background);
    }
    void AddCaption(const std::string& text, int left, int top, int width) {
        auto* caption = new TSheetCaption(this, text);
        caption->SetParent(this);
        caption->SetBounds(left, top, width, 16);
    }
};

void CALLBACK CloseMainForm(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (Application()->MainForm()) Application()->MainForm()->Close();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    Application()->SetTitle("Gradient fill styles");
    TGalleryForm* form = Application()->CreateForm<TGalleryForm>();
    form->SetLeft(0);
    form->SetTop(0);
    form->Show();
    int seconds = std::atoi(commandLine);
    if (seconds > 0) SetTimer(nullptr, 0, UINT(seconds) * 1000, CloseMainForm);
    Application()->Run();
    return 0;
}

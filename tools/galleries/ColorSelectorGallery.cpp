// Shows colour selectors on a window with the first one's palette dropped
// down, for looking at: "colorselector_gallery [system] [seconds]". With
// "system" the first selector holds a system colour, so the palette shows
// its swatch. Quits by itself after the given seconds (default 20).
#include <cstdlib>
#include <cstring>

#include "components/ColorSelector.h"
#include "forms/StdCtrls.h"

using namespace forms;
using namespace components;

int main(int argc, char** argv) {
    bool system = argc > 1 && std::strcmp(argv[1], "system") == 0;
    int seconds = argc > 2 ? std::atoi(argv[2]) : 20;

    TForm* form = Application()->CreateForm<TForm>();
    form->SetCaption("Colour selectors");
    form->SetBorderStyle(bsSingle);
    form->SetBounds(120, 100, 300, 220);
    const TColor colors[] = {system ? clBtnFace : clMaroon, clTeal, 0x00336699};
    TColorSelector* first = nullptr;
    for (int i = 0; i < 3; ++i) {
        auto* label = new TLabel(form);
        label->SetParent(form);
        label->SetBounds(16, 22 + 34 * i, 100, 16);
        label->SetCaption(i == 0 ? "Frame:" : i == 1 ? "Background:" : "Text:");
        auto* selector = new TColorSelector(form);
        selector->SetParent(form);
        selector->SetLeft(110);
        selector->SetTop(20 + 34 * i);
        selector->SetColor(colors[i]);
        if (!first) first = selector;
    }
    OtherColorCaption = "&More...";
    form->Show();
    // Dropped down once the window manager has activated the window, as a
    // user's click would come after that.
    static TColorSelector* toOpen = first;
    SetTimer(nullptr, 0, 1000, [](HWND, UINT, UINT_PTR id, DWORD) WINAPI {
        KillTimer(nullptr, id);
        toOpen->SetFocus();
        toOpen->Click();
    });
    SetTimer(nullptr, 0, UINT(seconds) * 1000, [](HWND, UINT, UINT_PTR, DWORD) WINAPI { Application()->Terminate(); });
    Application()->Run();
    delete Application();
    return 0;
}

// Cost of a hover change on the keyboard strip: the pointer moving from key
// to key across all 18 keys of the stored default map, over the keyboard
// pictures. Each change hit-tests, selects, composes the lit-up image of the
// new key and invalidates the old and the new key box. The floor, measured
// in the same run, is one blit of a key box between two off-screen images.
// Prints figures; never fails.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "components/ComponentsRegistration.h"
#include "components/HotImage.h"
#include "forms/Forms.h"
#include "forms/LayoutReader.h"
#include "forms/Layouts.h"
#include "tests/support/ResourcePath.h"
#include "tests/support/KeyboardImageBlock.h"

using namespace components;
using namespace forms;
using bench::PerCall;

namespace {

using testing_support::ResourcePath;

} // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    RegisterComponentClasses();
    std::string fragment = testing_support::KeyboardImageBlock();
    if (fragment.empty()) {
        std::printf("%s not found\n", testing_support::ResourcePath("QorVarnoqForm.layout").c_str());
        return 1;
    }
    auto* form = new TForm(Application());
    ReadLayoutInto(form,
                   ReadLayout("object Strip: TForm\n  BorderStyle = bsNone\n  object Panel5: TPanel\n    Width = 640\n"
                              "    Height = 84\n    BevelOuter = bvNone\n" + fragment + "  end\nend\n"),
                   form);
    form->SetBounds(0, 0, 640, 84);
    auto* image = form->Field<THotImage>("HotImage1");
    image->Picture().LoadFromFile(ResourcePath("Q5.bmp"));
    image->MaskPicture().LoadFromFile(ResourcePath("Q5Mask.bmp"));
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1); // off the strip
    form->Show();
    Application()->ProcessMessages();

    HWND panel = image->Parent()->Handle();
    std::vector<LPARAM> centres;
    for (int i = 0; i < image->HotSpots().Count(); ++i) {
        RECT r = image->HotSpots().Items(i)->GetBounds();
        centres.push_back(MAKELPARAM(image->Left() + (r.left + r.right) / 2, image->Top() + (r.top + r.bottom) / 2));
    }
    size_t next = 0;
    auto hover = [&] {
        SendMessageA(panel, WM_MOUSEMOVE, 0, centres[next]);
        next = (next + 1) % centres.size();
    };

    // The floor: one blit of a key box (the largest key, 33 x 28).
    TBitmap from, to;
    from.SetSize(33, 28);
    to.SetSize(33, 28);
    HDC fromDc = from.Canvas().Handle(), toDc = to.Canvas().Handle();
    double floor = PerCall([&] { BitBlt(toDc, 0, 0, 33, 28, fromDc, 0, 0, SRCCOPY); });
    // What the window's routing of a move costs when nothing changes (the
    // same point again: no hit test, no new light).
    double still = PerCall([&] { SendMessageA(panel, WM_MOUSEMOVE, 0, centres[0]); });
    double change = PerCall(hover);
    double withPaint = PerCall([&] {
        hover();
        UpdateWindow(panel);
    });
    std::printf("Hover change on the keyboard strip (18 keys, stored default map, Q5 pictures)\n");
    std::printf("floor: one 33 x 28 key-box blit          %8.2f us\n", floor * 1e6);
    std::printf("mouse move without a change               %8.2f us   ratio %6.1f\n", still * 1e6, still / floor);
    std::printf("hover change (hit test, light, invalidate) %8.2f us   ratio %6.1f\n", change * 1e6, change / floor);
    std::printf("hover change and repaint of both boxes    %8.2f us   ratio %6.1f\n", withPaint * 1e6,
                withPaint / floor);
    if (image->SelectedSpot() == nullptr || !image->HighlightVisible())
        std::printf("(warning: the last move did not light a key)\n");
    delete form;
    return 0;
}

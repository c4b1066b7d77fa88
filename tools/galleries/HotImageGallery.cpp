// The keyboard strip as the main window stores it (the default key map and
// the pictures beside the program), with one key lit under the pointer and
// its name in a label: to look at under Xvfb. Optional arguments: the key
// to point at (1 to 18, default 15) and the seconds until the window closes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "components/ComponentsRegistration.h"
#include "components/HotImage.h"
#include "forms/Forms.h"
#include "forms/LayoutReader.h"
#include "forms/Layouts.h"
#include "forms/StdCtrls.h"
#include "tests/support/ResourcePath.h"
#include "tests/support/KeyboardImageBlock.h"

using namespace components;
using namespace forms;

namespace {

using testing_support::ResourcePath;

void CALLBACK CloseMainForm(HWND, UINT, UINT_PTR, DWORD) { Application()->MainForm()->Close(); }

class TStripForm : public TForm {
public:
    using TForm::TForm;
    static TFormBindings<TStripForm> Bindings() {
        return {{{"FormCreate", &TStripForm::FormCreate}},
                {{"HotImage1", &TStripForm::image_}}};
    }
    static std::string Layout() {
        return "object StripForm: TForm\n  BorderStyle = bsNone\n  OnCreate = FormCreate\n  object Panel5: TPanel\n"
               "    Left = 0\n    Top = 0\n    Width = 642\n    Height = 84\n    BevelOuter = bvNone\n" +
               testing_support::KeyboardImageBlock() + "  end\nend\n";
    }
    void FormCreate(TObject*) {
        image_->OnClick = [this](TObject*) { Report("clicked"); };
        image_->Picture().LoadFromFile(ResourcePath("Q5.bmp"));
        image_->MaskPicture().LoadFromFile(ResourcePath("Q5Mask.bmp"));
        image_->OnSelectSpot = [this](TObject*, TSpot*) { Report("under the pointer"); };
        label_ = new TLabel(this);
        label_->SetParent(this);
        label_->SetBounds(8, 90, 600, 16);
        Report("under the pointer");
    }
    THotImage* Image() { return image_; }

private:
    void Report(const char* what) {
        TSpot* spot = image_->SelectedSpot();
        char text[80];
        if (spot) std::snprintf(text, sizeof text, "Key %d %s", int(spot->Id()), what);
        else std::snprintf(text, sizeof text, "No key %s", what);
        label_->SetCaption(text);
    }

    THotImage* image_ = nullptr;
    TLabel* label_ = nullptr;
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    RegisterComponentClasses();
    int key = 15, seconds = 0;
    std::sscanf(commandLine, "%d %d", &key, &seconds);
    auto* form = Application()->CreateFormFromText<TStripForm>(TStripForm::Layout());
    form->SetBounds(0, 40, 642, 112);
    form->Show();
    THotImage* image = form->Image();
    for (int i = 0; i < image->HotSpots().Count(); ++i) {
        TSpot* spot = image->HotSpots().Items(i);
        if (spot->Id() != key) continue;
        RECT r = spot->GetBounds();
        POINT p = image->ClientToScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        SetCursorPos(p.x, p.y); // the pointer's own move lights the key
    }
    if (seconds > 0) SetTimer(nullptr, 0, UINT(seconds) * 1000, CloseMainForm);
    Application()->Run();
    return 0;
}

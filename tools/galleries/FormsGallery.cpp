// Shows the form library's test window until it is closed, for looking at
// every standard control on screen (screenshots under Xvfb).
#include <windows.h>

#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "forms/Layouts.h"

using namespace forms;

namespace {

class TTestWindow : public TForm {
public:
    using TForm::TForm;
    std::string ClassName() const override { return "TTestWindow"; }
    static TFormBindings<TTestWindow> Bindings() {
        using W = TTestWindow;
        return {{{"FormCreate", &W::Ignore}, {"ProbeClick", &W::Ignore}, {"RadioClick", &W::Ignore},
                 {"CheckClick", &W::Ignore}, {"ChoiceChange", &W::Ignore}, {"RowsClick", &W::Ignore},
                 {"PagesChange", &W::Ignore}, {"LockClick", &W::Ignore}, {"FailClick", &W::FailClick}}};
    }
    void Ignore(TObject*) {}
    void FailClick(TObject*) { throw Exception("The handler failed on purpose."); }
};

// Stands in for the tests' probe control: a plain yellow box.
class TProbeControl : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::string ClassName() const override { return "TProbeControl"; }
    void Paint() override {
        Canvas().Brush().SetColor(clYellow);
        Canvas().FillRect(ClientRect());
    }
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RegisterFormClasses();
    RegisterClassOf<TProbeControl>("TProbeControl", "TGraphicControl");
    Application()->SetTitle("Form library gallery");
    try {
        Application()->CreateForm<TTestWindow>();
    } catch (const std::exception& e) {
        ShowMessageBox(e.what(), "Gallery", MB_OK);
        return 1;
    }
    Application()->Run();
    return 0;
}

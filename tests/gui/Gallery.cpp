// Shows the form library's test window until it is closed, for looking at
// every standard control on screen (screenshots under Xvfb).
#include <windows.h>

#include "forms/Forms.h"
#include "forms/Layouts.h"

using namespace forms;

namespace {

class TTestWindow : public TForm {
public:
    explicit TTestWindow(TComponent* owner) : TForm(owner) {
        for (const char* name : {"FormCreate", "ProbeClick", "RadioClick", "CheckClick", "ChoiceChange", "RowsClick",
                                 "PagesChange"})
            RegisterHandler(name, TNotifyEvent([](TObject*) {}));
        RegisterHandler("FailClick", TNotifyEvent([](TObject*) { throw Exception("The handler failed on purpose."); }));
        InitLayout("TTESTWINDOW");
    }
    std::string ClassName() const override { return "TTestWindow"; }
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
    RegisterComponentClass("TTestWindow", "TForm", nullptr);
    RegisterClassOf<TProbeControl>("TProbeControl", "TGraphicControl");
    Application()->SetTitle("Form library gallery");
    try {
        Application()->CreateForm<TTestWindow>();
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), "Gallery", MB_OK);
        return 1;
    }
    Application()->Run();
    return 0;
}

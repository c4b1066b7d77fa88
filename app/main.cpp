#include "main.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "KbdDll.h"
#include "components/ComponentsRegistration.h"
#include "forms/Dialogs.h"
#include "forms/Resources.h"
#include "forms/ScopedValue.h"
#include "forms/SysUtils.h"

using namespace forms;

TQorVarnoqForm::TQorVarnoqForm(TComponent* owner) : TForm(owner) {
    // The layout holds the components' classes.
    components::RegisterComponentClasses();
}

TFormBindings<TQorVarnoqForm> TQorVarnoqForm::Bindings() {
    using F = TQorVarnoqForm;
    return {
        .Handlers = {{"FormCreate", &F::FormCreate},
                     {"FormDestroy", &F::FormDestroy},
                     {"OKButtonClick", &F::OKButtonClick},
                     {"CancelButtonClick", &F::CancelButtonClick},
                     {"ApplyButtonClick", &F::ApplyButtonClick},
                     {"HotImage1Click", &F::HotImage1Click},
                     {"PageControl1Change", &F::PageControl1Change},
                     {"OxaFillBackground2MouseDown", &F::OxaFillBackground2MouseDown},
                     {"OSDColorItemComboBoxChange", &F::OSDColorItemComboBoxChange},
                     {"OSDColorSelectorChangeColor", &F::OSDColorSelectorChangeColor},
                     {"OSDFramePanelClick", &F::OSDFramePanelClick},
                     {"OSDBKPanelClick", &F::OSDBKPanelClick},
                     {"OSDFunctionNameLabelClick", &F::OSDFunctionNameLabelClick},
                     {"UseDefaultOSDColorButtonClick", &F::UseDefaultOSDColorButtonClick},
                     {"OSDDelayTimeComboBoxChange", &F::OSDDelayTimeComboBoxChange},
                     {"SLockCheckBoxClick", &F::SLockCheckBoxClick},
                     {"NLockCheckBoxClick", &F::NLockCheckBoxClick},
                     {"ClockCheckBoxClick", &F::ClockCheckBoxClick}},
        .Fields = {{"Panel5", &F::Panel5},
                   {"HotImage1", &F::HotImage1},
                   {"Panel1", &F::Panel1},
                   {"OxaFillBackground2", &F::OxaFillBackground2},
                   {"PageControl1", &F::PageControl1},
                   {"OKButton", &F::OKButton},
                   {"CancelButton", &F::CancelButton},
                   {"ApplyButton", &F::ApplyButton},
                   {"OSDFramePanel", &F::OSDFramePanel},
                   {"OSDBKPanel", &F::OSDBKPanel},
                   {"OSDFunctionNameLabel", &F::OSDFunctionNameLabel},
                   {"OSDColorItemComboBox", &F::OSDColorItemComboBox},
                   {"OSDColorSelector", &F::OSDColorSelector},
                   {"UseDefaultOSDColorButton", &F::UseDefaultOSDColorButton},
                   {"OSDDelayTimeComboBox", &F::OSDDelayTimeComboBox},
                   {"SLockCheckBox", &F::SLockCheckBox},
                   {"NLockCheckBox", &F::NLockCheckBox},
                   {"ClockCheckBox", &F::ClockCheckBox}},
    };
}

void TQorVarnoqForm::FormCreate(TObject*) {
    Application()->SetTitle("Corvane Media Keyboard");
    // The keyboard picture, its lit-up twin and a map of its keys, when they
    // stand beside the program; otherwise the stored map serves.
    LoadOptionalFile("Q5.bmp", [this](const std::string& path) { HotImage1->Picture().LoadFromFile(path); });
    LoadOptionalFile("Q5Mask.bmp", [this](const std::string& path) { HotImage1->MaskPicture().LoadFromFile(path); });
    LoadOptionalFile("KBD.hmt", [this](const std::string& path) {
        components::THotSpots map; // read whole before it replaces the stored map
        map.LoadFromFile(path);
        HotImage1->HotSpots().Assign(&map);
    });
    // The picture may have resized its strip: the outline follows it.
    SetOutline(MakeWindowRegion());
    // The block is written live and restored from this copy at close.
    SharedBlock->SettingsWindow = uint32_t(uintptr_t(Handle()));
    std::memcpy(&BlockBackup, SharedBlock, sizeof BlockBackup);
    backupTaken_ = true;
    dataFile_ = std::make_unique<TDralKeyFunctionDataFile>();
    try {
        dataFile_->LoadFromFile(ExecutableDirectory() + "def.kfd");
        if (dataFile_->RecoveredFromBackup())
            ShowMessageBox(FormTextFmt(stRestoredFromBackup, "def.kfd"), Application()->Title(),
                           MB_OK | MB_ICONINFORMATION, nullptr, true);
    } catch (...) {
        // A damaged def.kfd is reported; the window still opens, so the block
        // is restored and SettingsWindow cleared when it closes.
        Application()->HandleException(nullptr, true);
    }
    ChooseResourceModules(ExecutableDirectory());
    CurrentKeyId = 15;
    // A box that changes state runs its click handler, which writes the flag
    // back as -1: any non-zero value the service stored means "show".
    SLockCheckBox->SetChecked(SharedBlock->ScrollLockStatus != 0);
    NLockCheckBox->SetChecked(SharedBlock->NumLockStatus != 0);
    ClockCheckBox->SetChecked(SharedBlock->CapsLockStatus != 0);
    OSDColorItemComboBox->SetItems({LoadTextResource(4001), LoadTextResource(4002), LoadTextResource(4003)});
    OSDColorItemComboBox->SetItemIndex(0);
    OSDColorSelector->SetColor(SharedBlock->OSDFrameColor);
    for (int index = 0; index < 3; ++index) ShowInPreview(index, ColorField(index));
    std::vector<std::string> delays;
    for (int seconds = 1; seconds <= 10; ++seconds) delays.push_back(std::to_string(seconds));
    OSDDelayTimeComboBox->SetItems(delays);
    // A stored delay outside the list leaves nothing selected.
    const int32_t delay = SharedBlock->OSDDelayTime;
    OSDDelayTimeComboBox->SetItemIndex(delay >= 1 && delay <= 10 ? delay - 1 : -1);
    components::OtherColorCaption = LoadTextResource(4004) + "...";
    PageControl1->SetActivePageIndex(0);
    UserColorChange = true;
    // The check boxes enabled it; nothing is edited yet.
    ApplyButton->SetEnabled(false);
}

HRGN TQorVarnoqForm::MakePanelRegion() {
    const RECT r = Panel1->BoundsRect();
    return CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, 30, 30);
}

HRGN TQorVarnoqForm::MakeWindowRegion() {
    const RECT strip = Panel5->BoundsRect();
    HRGN region = CreateRectRgnIndirect(&strip);
    HRGN panel = MakePanelRegion();
    CombineRgn(region, region, panel, RGN_OR);
    DeleteObject(panel);
    return region;
}

void TQorVarnoqForm::SetOutline(HRGN region) {
    // The window frees the region it took; one it refused is still ours.
    if (!SetWindowRgn(Handle(), region, TRUE)) DeleteObject(region);
}

void TQorVarnoqForm::PageControl1Change(TObject*) {
    // Only the Keys page uses the keyboard picture.
    SetOutline(PageControl1->ActivePageIndex() == 0 ? MakeWindowRegion() : MakePanelRegion());
}

void TQorVarnoqForm::OxaFillBackground2MouseDown(TObject*, TMouseButton button, TShiftState, int, int) {
    if (button != mbLeft) return;
    // The system moves the window as if its caption had been grabbed.
    ReleaseCapture();
    SendMessageA(Handle(), WM_SYSCOMMAND, SC_MOVE + HTCAPTION, 0);
}

void TQorVarnoqForm::LoadOptionalFile(const std::string& name, const std::function<void(const std::string&)>& load) {
    const std::string path = ExecutableDirectory() + name;
    if (!FileExists(path)) return;
    try {
        load(path);
    } catch (...) {
        // No window of ours is up yet: the box comes to the front by itself.
        Application()->HandleException(nullptr, true);
    }
}

void TQorVarnoqForm::ChooseResourceModules(const std::string& dir) {
    StringModuleLoaded = false;
    if (FileExists(dir + "TORSTR.DLL")) {
        StringModule = LoadLibraryA((dir + "TORSTR.DLL").c_str());
        StringModuleLoaded = true;
    } else {
        StringModule = ResourceModule();
    }
    IconModuleLoaded = false;
    if (FileExists(dir + "TORGFX.DLL")) {
        IconModule = LoadLibraryA((dir + "TORGFX.DLL").c_str());
        IconModuleLoaded = true;
    } else {
        IconModule = ResourceModule();
    }
}

void TQorVarnoqForm::ReleaseResourceModules() {
    // A module that failed to load left 0, which is not ours to free.
    if (StringModuleLoaded && StringModule) FreeLibrary(StringModule);
    if (IconModuleLoaded && IconModule) FreeLibrary(IconModule);
    StringModuleLoaded = IconModuleLoaded = false;
    StringModule = IconModule = nullptr;
}

void TQorVarnoqForm::FormDestroy(TObject*) {
    ReleaseResourceModules();
    // Only a backup taken from the block may be written back over it.
    if (backupTaken_) std::memcpy(SharedBlock, &BlockBackup, sizeof BlockBackup);
    SharedBlock->SettingsWindow = 0;
    dataFile_.reset();
}

void TQorVarnoqForm::ApplyButtonClick(TObject*) {
    std::memcpy(&BlockBackup, SharedBlock, sizeof BlockBackup);
    // A failed save raises its error to the user and stops here: the
    // service is not told, and Apply stays enabled for another try.
    dataFile_->SaveToFile(ExecutableDirectory() + "def.kfd");
    PostMessageA(reinterpret_cast<HWND>(uintptr_t(SharedBlock->ServiceWindow)), ReloadMessage, 0, 0);
    ApplyButton->SetEnabled(false);
}

void TQorVarnoqForm::OKButtonClick(TObject* sender) {
    if (ApplyButton->Enabled()) ApplyButtonClick(sender);
    Close();
}

void TQorVarnoqForm::CancelButtonClick(TObject*) { Close(); }

// Bound by the layout; the Keys page that answers it is not built yet.
void TQorVarnoqForm::HotImage1Click(TObject*) {}

uint32_t& TQorVarnoqForm::ColorField(int index) {
    // The item order differs from the block's: background before name.
    switch (index) {
    case 0: return SharedBlock->OSDFrameColor;
    case 1: return SharedBlock->OSDBKColor;
    default: return SharedBlock->OSDFunctionNameColor;
    }
}

void TQorVarnoqForm::ShowInPreview(int index, TColor color) {
    switch (index) {
    case 0: OSDFramePanel->SetColor(color); break;
    case 1: OSDBKPanel->SetColor(color); break;
    default: OSDFunctionNameLabel->Font().SetColor(color); break;
    }
}

void TQorVarnoqForm::ShowSelectorColor(TColor color) {
    TScopedValue<bool> byWindow(UserColorChange, false);
    OSDColorSelector->SetColor(color);
}

void TQorVarnoqForm::SelectColorItem(int index) {
    OSDColorItemComboBox->SetItemIndex(index);
    ShowSelectorColor(ColorField(index));
}

void TQorVarnoqForm::OSDColorItemComboBoxChange(TObject*) {
    const int index = OSDColorItemComboBox->ItemIndex();
    if (index >= 0) ShowSelectorColor(ColorField(index));
}

void TQorVarnoqForm::OSDFramePanelClick(TObject*) { SelectColorItem(0); }
void TQorVarnoqForm::OSDBKPanelClick(TObject*) { SelectColorItem(1); }
void TQorVarnoqForm::OSDFunctionNameLabelClick(TObject*) { SelectColorItem(2); }

void TQorVarnoqForm::OSDColorSelectorChangeColor(TObject*) {
    const int index = OSDColorItemComboBox->ItemIndex();
    if (index < 0) return;
    const TColor color = OSDColorSelector->Color();
    ShowInPreview(index, color);
    ColorField(index) = color;
    if (UserColorChange) ApplyButton->SetEnabled(true);
}

void TQorVarnoqForm::UseDefaultOSDColorButtonClick(TObject*) {
    SetDefaultOSDColors();
    for (int index = 0; index < 3; ++index) ShowInPreview(index, ColorField(index));
    const int selected = OSDColorItemComboBox->ItemIndex();
    if (selected >= 0) ShowSelectorColor(ColorField(selected));
    ApplyButton->SetEnabled(true);
}

void TQorVarnoqForm::OSDDelayTimeComboBoxChange(TObject*) {
    const int index = OSDDelayTimeComboBox->ItemIndex();
    if (index < 0) return;
    SharedBlock->OSDDelayTime = index + 1;
    ApplyButton->SetEnabled(true);
}

void TQorVarnoqForm::StoreLockFlag(TCheckBox* box, int32_t& flag) {
    flag = box->Checked() ? -1 : 0;
    ApplyButton->SetEnabled(true);
}

void TQorVarnoqForm::SLockCheckBoxClick(TObject*) { StoreLockFlag(SLockCheckBox, SharedBlock->ScrollLockStatus); }
void TQorVarnoqForm::NLockCheckBoxClick(TObject*) { StoreLockFlag(NLockCheckBox, SharedBlock->NumLockStatus); }
void TQorVarnoqForm::ClockCheckBoxClick(TObject*) { StoreLockFlag(ClockCheckBox, SharedBlock->CapsLockStatus); }

#include "main.h"

#include <windows.h>

#include <cstring>

#include "KbdDll.h"
#include "components/ComponentsRegistration.h"
#include "forms/Dialogs.h"
#include "forms/Resources.h"
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
                     {"ApplyButtonClick", &F::ApplyButtonClick}},
        .Fields = {{"HotImage1", &F::HotImage1},
                   {"PageControl1", &F::PageControl1},
                   {"OKButton", &F::OKButton},
                   {"CancelButton", &F::CancelButton},
                   {"ApplyButton", &F::ApplyButton}},
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
    PageControl1->SetActivePageIndex(0);
    ApplyButton->SetEnabled(false);
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
    dataFile_->SaveToFile(ExecutableDirectory() + "def.kfd");
    PostMessageA(reinterpret_cast<HWND>(uintptr_t(SharedBlock->ServiceWindow)), ReloadMessage, 0, 0);
    ApplyButton->SetEnabled(false);
}

void TQorVarnoqForm::OKButtonClick(TObject* sender) {
    if (ApplyButton->Enabled()) ApplyButtonClick(sender);
    Close();
}

void TQorVarnoqForm::CancelButtonClick(TObject*) { Close(); }


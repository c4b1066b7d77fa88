#include "main.h"

#include <windows.h>

#include <cstring>

#include "KbdDll.h"
#include "components/ComponentsRegistration.h"
#include "forms/Layouts.h"
#include "forms/Resources.h"
#include "forms/SysUtils.h"

using namespace forms;

void RegisterMainFormClasses() {
    components::RegisterComponentClasses();
    RegisterComponentClass("TQorVarnoqForm", "TForm", nullptr);
}

TQorVarnoqForm::TQorVarnoqForm(TComponent* owner) : TForm(owner) {
    RegisterHandler("FormCreate", TNotifyEvent([this](TObject* s) { FormCreate(s); }));
    RegisterHandler("FormDestroy", TNotifyEvent([this](TObject* s) { FormDestroy(s); }));
    RegisterHandler("OKButtonClick", TNotifyEvent([this](TObject* s) { OKButtonClick(s); }));
    RegisterHandler("CancelButtonClick", TNotifyEvent([this](TObject* s) { CancelButtonClick(s); }));
    RegisterHandler("ApplyButtonClick", TNotifyEvent([this](TObject* s) { ApplyButtonClick(s); }));
    RegisterMainFormClasses();
    ReadLayoutResource(this, "TQORVARNOQFORM");
    HotImage1 = Field<components::THotImage>("HotImage1");
    PageControl1 = Field<TPageControl>("PageControl1");
    OKButton = Field<TButton>("OKButton");
    CancelButton = Field<TButton>("CancelButton");
    ApplyButton = Field<TButton>("ApplyButton");
    if (OnCreate) OnCreate(this);
}

TQorVarnoqForm::~TQorVarnoqForm() {
    // The handler uses this object's members: run it before they go.
    DoDestroy();
}

void TQorVarnoqForm::FormCreate(TObject*) {
    Application()->SetTitle("Corvane Media Keyboard");
    // The keyboard picture, its lit-up twin and a map of its keys, when they
    // stand beside the program; otherwise the stored map serves.
    const std::string dir = ExecutableDirectory();
    if (FileExists(dir + "Q5.bmp")) HotImage1->Picture().LoadFromFile(dir + "Q5.bmp");
    if (FileExists(dir + "Q5Mask.bmp")) HotImage1->MaskPicture().LoadFromFile(dir + "Q5Mask.bmp");
    if (FileExists(dir + "KBD.hmt")) HotImage1->HotSpots().LoadFromFile(dir + "KBD.hmt");
    // The block is written live and restored from this copy at close.
    SharedBlock->SettingsWindow = uint32_t(uintptr_t(Handle()));
    std::memcpy(&BlockBackup, SharedBlock, sizeof BlockBackup);
    backupTaken_ = true;
    dataFile_ = std::make_unique<TDralKeyFunctionDataFile>();
    try {
        dataFile_->LoadFromFile(ExecutableDirectory() + "def.kfd");
        if (dataFile_->RecoveredFromBackup())
            Application()->MessageBox(FormTextFmt(stRestoredFromBackup, "def.kfd"), Application()->Title(),
                                      MB_OK | MB_ICONINFORMATION);
    } catch (...) {
        // A damaged def.kfd is reported; the window still opens, so the block
        // is restored and SettingsWindow cleared when it closes.
        Application()->HandleException();
    }
    ChooseResourceModules(ExecutableDirectory());
    PageControl1->SetActivePageIndex(0);
    ApplyButton->SetEnabled(false);
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


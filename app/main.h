// The main settings window: edits the shared block live and undoes what was
// not applied when it closes; Apply saves def.kfd and tells the service.
#pragma once
#include <memory>

#include "KbDataType.h"
#include "SharedSettingsBlock.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "components/HotImage.h"
#include "forms/StdCtrls.h"

class TQorVarnoqForm : public forms::TForm {
public:
    explicit TQorVarnoqForm(forms::TComponent* owner);
    ~TQorVarnoqForm() override;
    std::string ClassName() const override { return "TQorVarnoqForm"; }

    // Controls from the layout.
    components::THotImage* HotImage1;
    forms::TPageControl* PageControl1;
    forms::TButton* OKButton;
    forms::TButton* CancelButton;
    forms::TButton* ApplyButton;

    bool StringModuleLoaded = false;
    bool IconModuleLoaded = false;
    int32_t CurrentKeyId = 15;
    TKeyFunctionRecord* CurrentRecord = nullptr;

    TSharedSettingsBlock BlockBackup{};
    TDralKeyFunctionDataFile* DataFile() const { return dataFile_.get(); }

    void FormCreate(forms::TObject* sender);
    void FormDestroy(forms::TObject* sender);
    void OKButtonClick(forms::TObject* sender);
    void CancelButtonClick(forms::TObject* sender);
    void ApplyButtonClick(forms::TObject* sender);

    // Takes TORSTR.DLL and TORGFX.DLL from directory when they are there,
    // else borrows the resource module; releases only what it loaded.
    void ChooseResourceModules(const std::string& directory);
    void ReleaseResourceModules();

private:

    std::unique_ptr<TDralKeyFunctionDataFile> dataFile_;
    bool backupTaken_ = false;
};

// Registers the main window's classes for its layout.
void RegisterMainFormClasses();

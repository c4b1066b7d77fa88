// The main settings window: edits the shared block live and undoes what was
// not applied when it closes; Apply saves def.kfd and tells the service.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "KbDataType.h"
#include "SharedSettingsBlock.h"
#include "components/ColorSelector.h"
#include "components/HotImage.h"
#include "components/OxaTFillBackground.h"
#include "components/UlaListBox.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/Resources.h"
#include "forms/StdCtrls.h"

// Made by forms::CreateForm, which reads the layout TQORVARNOQFORM, binds
// the handlers and fields Bindings() names and runs FormCreate.
class TQorVarnoqForm : public forms::TForm {
public:
    std::string ClassName() const override { return "TQorVarnoqForm"; }
    static forms::TFormBindings<TQorVarnoqForm> Bindings();

    // Controls from the layout.
    forms::TPanel* Panel5 = nullptr;
    components::THotImage* HotImage1 = nullptr;
    forms::TPanel* Panel1 = nullptr;
    components::TOxaFillBackground* OxaFillBackground2 = nullptr;
    forms::TPageControl* PageControl1 = nullptr;
    forms::TButton* OKButton = nullptr;
    forms::TButton* CancelButton = nullptr;
    forms::TButton* ApplyButton = nullptr;
    // The Keys page.
    forms::TImage* KeyImage = nullptr;
    forms::TLabel* KeyNameLabel = nullptr;
    forms::TRadioButton* DefaultRadioButton = nullptr;
    forms::TRadioButton* SpecialFunctionRadioButton = nullptr;
    components::TUlaListBox* UlaListBox1 = nullptr;
    forms::TRadioButton* CustomRadioButton = nullptr;
    forms::TButton* SetCustomButton = nullptr;
    forms::TImage* Image4 = nullptr;
    forms::TEdit* AppLabelEdit = nullptr;
    // Shown under the name of a custom key's target that is not there.
    forms::TLabel* MissingTargetLabel = nullptr;
    // Says why the page cannot be edited when def.kfd could not be read.
    forms::TLabel* KeysUnreadableLabel = nullptr;
    forms::TButton* ResetAllFunctionButton = nullptr;
    forms::TImageList* ImageList1 = nullptr;
    // The OSD page.
    forms::TPanel* OSDFramePanel = nullptr;
    forms::TPanel* OSDBKPanel = nullptr;
    forms::TLabel* OSDFunctionNameLabel = nullptr;
    forms::TComboBox* OSDColorItemComboBox = nullptr;
    components::TColorSelector* OSDColorSelector = nullptr;
    forms::TButton* UseDefaultOSDColorButton = nullptr;
    forms::TComboBox* OSDDelayTimeComboBox = nullptr;
    // The Key Status page.
    forms::TCheckBox* SLockCheckBox = nullptr;
    forms::TCheckBox* NLockCheckBox = nullptr;
    forms::TCheckBox* ClockCheckBox = nullptr;

    bool StringModuleLoaded = false;
    bool IconModuleLoaded = false;
    int32_t CurrentKeyId = 15;
    TKeyFunctionRecord* CurrentRecord = nullptr;
    // While true a colour the selector reports is the user's edit and
    // enables Apply; false while the window itself sets the selector.
    bool UserColorChange = false;

    TSharedSettingsBlock BlockBackup{};
    TDralKeyFunctionDataFile* DataFile() const { return dataFile_.get(); }

    void FormCreate(forms::TObject* sender);
    void FormDestroy(forms::TObject* sender);
    void OKButtonClick(forms::TObject* sender);
    void CancelButtonClick(forms::TObject* sender);
    void ApplyButtonClick(forms::TObject* sender);
    // The Keys page's: a key of the picture was clicked.
    void HotImage1Click(forms::TObject* sender);
    // Shows CurrentKeyId's record and makes it CurrentRecord; a key without
    // a record leaves the page as it was.
    void ShowKeyFunction();
    void DefaultRadioButtonClick(forms::TObject* sender);
    void SpecialFunctionRadioButtonClick(forms::TObject* sender);
    void CustomRadioButtonClick(forms::TObject* sender);
    void UlaListBox1Click(forms::TObject* sender);
    void UlaListBox1GetImageIndex(forms::TObject* sender, const int itemIndex, int& idx);
    void ResetAllFunctionButtonClick(forms::TObject* sender);
    void SetCustomButtonClick(forms::TObject* sender);
    void PageControl1Change(forms::TObject* sender);
    void OxaFillBackground2MouseDown(forms::TObject* sender, forms::TMouseButton button, forms::TShiftState shift,
                                     int x, int y);
    void OSDColorItemComboBoxChange(forms::TObject* sender);
    void OSDColorSelectorChangeColor(forms::TObject* sender);
    void OSDFramePanelClick(forms::TObject* sender);
    void OSDBKPanelClick(forms::TObject* sender);
    void OSDFunctionNameLabelClick(forms::TObject* sender);
    void UseDefaultOSDColorButtonClick(forms::TObject* sender);
    void OSDDelayTimeComboBoxChange(forms::TObject* sender);
    void SLockCheckBoxClick(forms::TObject* sender);
    void NLockCheckBoxClick(forms::TObject* sender);
    void ClockCheckBoxClick(forms::TObject* sender);

    // The window's outlines, each a new region the caller owns: the rounded
    // settings panel, and that panel joined with the picture strip.
    HRGN MakePanelRegion();
    HRGN MakeWindowRegion();

    // Takes TORSTR.DLL and TORGFX.DLL from directory when they are there,
    // else borrows the resource module; releases only what it loaded.
    void ChooseResourceModules(const std::string& directory);
    void ReleaseResourceModules();

protected:
    explicit TQorVarnoqForm(forms::TComponent* owner);
    // After a move to a display of another resolution the outline follows
    // the rescaled controls.
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Loads a picture or map file beside the program when it is there; one
    // that cannot be read is reported and left out.
    void LoadOptionalFile(const std::string& name, const std::function<void(const std::string&)>& load);
    // Hands region to the window, which then owns it.
    void SetOutline(HRGN region);
    // The block field behind colour item index (0 frame, 1 background,
    // 2 function name) and the preview that shows it.
    uint32_t& ColorField(int index);
    void ShowInPreview(int index, forms::TColor color);
    // Selects the colour item and loads its colour into the selector, which
    // is not a user's edit.
    void SelectColorItem(int index);
    void ShowSelectorColor(forms::TColor color);
    void StoreLockFlag(forms::TCheckBox* box, int32_t& flag);
    // The special-function rows and their icons, image i for row i.
    void FillSpecialFunctionList();
    void LoadSpecialFunctionIcons();
    void ShowKeyIcon();
    // The radio buttons' shared part: the list and "Set..." enabled as the
    // mode needs, and Apply enabled.
    void ShowModeEdited(bool listEnabled, bool setEnabled);
    // Shows CurrentRecord as it is: icon, name, mode and custom program.
    void ShowRecord();
    // Image4 shows the icon associated with the custom path, or nothing.
    void ShowCustomProgram();
    // MissingTargetLabel shows, with the path as its hint, while the record
    // is in custom mode and its target is not there.
    void ShowTargetState();

    std::unique_ptr<TDralKeyFunctionDataFile> dataFile_;
    bool backupTaken_ = false;
    // The texts' and icons' libraries beside the program, while loaded.
    forms::TLoadedLibrary stringLibrary_, iconLibrary_;
    // def.kfd was there but could not be read whole: the keys cannot be
    // edited, and Apply does not write the file.
    bool keysUnreadable_ = false;
};

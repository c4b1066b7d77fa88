#include "main.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "AppTexts.h"
#include "KbdDll.h"
#include "wzFunSet.h"
#include "components/ComponentsRegistration.h"
#include "forms/Dialogs.h"
#include "forms/GdiGuards.h"
#include "forms/Icon.h"
#include "forms/Resources.h"
#include "forms/ScopedValue.h"
#include "forms/SysUtils.h"

using namespace forms;

namespace {
// A record's name and path hold at most this many characters.
constexpr size_t kMaxRecordText = sizeof(TShortString256::Chars);
} // namespace

TQorVarnoqForm::TQorVarnoqForm(TComponent* owner) : TForm(owner) {
    // The layout holds the components' classes.
    components::RegisterComponentClasses();
}

TFormBindings<TQorVarnoqForm> TQorVarnoqForm::Bindings() {
    using F = TQorVarnoqForm;
    return {
        .Handlers = {FORM_MEMBER(F, FormCreate),
                     FORM_MEMBER(F, FormDestroy),
                     FORM_MEMBER(F, OKButtonClick),
                     FORM_MEMBER(F, CancelButtonClick),
                     FORM_MEMBER(F, ApplyButtonClick),
                     FORM_MEMBER(F, HotImage1Click),
                     FORM_MEMBER(F, PageControl1Change),
                     FORM_MEMBER(F, OxaFillBackground2MouseDown),
                     FORM_MEMBER(F, OSDColorItemComboBoxChange),
                     FORM_MEMBER(F, OSDColorSelectorChangeColor),
                     FORM_MEMBER(F, OSDFramePanelClick),
                     FORM_MEMBER(F, OSDBKPanelClick),
                     FORM_MEMBER(F, OSDFunctionNameLabelClick),
                     FORM_MEMBER(F, UseDefaultOSDColorButtonClick),
                     FORM_MEMBER(F, OSDDelayTimeComboBoxChange),
                     FORM_MEMBER(F, SLockCheckBoxClick),
                     FORM_MEMBER(F, NLockCheckBoxClick),
                     FORM_MEMBER(F, ClockCheckBoxClick),
                     FORM_MEMBER(F, DefaultRadioButtonClick),
                     FORM_MEMBER(F, SpecialFunctionRadioButtonClick),
                     FORM_MEMBER(F, CustomRadioButtonClick),
                     FORM_MEMBER(F, UlaListBox1Click),
                     FORM_MEMBER(F, UlaListBox1GetImageIndex),
                     FORM_MEMBER(F, ResetAllFunctionButtonClick),
                     FORM_MEMBER(F, SetCustomButtonClick)},
        .Fields = {FORM_MEMBER(F, Panel5),
                   FORM_MEMBER(F, HotImage1),
                   FORM_MEMBER(F, Panel1),
                   FORM_MEMBER(F, OxaFillBackground2),
                   FORM_MEMBER(F, PageControl1),
                   FORM_MEMBER(F, OKButton),
                   FORM_MEMBER(F, CancelButton),
                   FORM_MEMBER(F, ApplyButton),
                   FORM_MEMBER(F, OSDFramePanel),
                   FORM_MEMBER(F, OSDBKPanel),
                   FORM_MEMBER(F, OSDFunctionNameLabel),
                   FORM_MEMBER(F, OSDColorItemComboBox),
                   FORM_MEMBER(F, OSDColorSelector),
                   FORM_MEMBER(F, UseDefaultOSDColorButton),
                   FORM_MEMBER(F, OSDDelayTimeComboBox),
                   FORM_MEMBER(F, SLockCheckBox),
                   FORM_MEMBER(F, NLockCheckBox),
                   FORM_MEMBER(F, ClockCheckBox),
                   FORM_MEMBER(F, KeyImage),
                   FORM_MEMBER(F, KeyNameLabel),
                   FORM_MEMBER(F, DefaultRadioButton),
                   FORM_MEMBER(F, SpecialFunctionRadioButton),
                   FORM_MEMBER(F, UlaListBox1),
                   FORM_MEMBER(F, CustomRadioButton),
                   FORM_MEMBER(F, SetCustomButton),
                   FORM_MEMBER(F, Image4),
                   FORM_MEMBER(F, AppLabelEdit),
                   FORM_MEMBER(F, MissingTargetLabel),
                   FORM_MEMBER(F, KeysUnreadableLabel),
                   FORM_MEMBER(F, ResetAllFunctionButton),
                   FORM_MEMBER(F, ImageList1)},
    };
}

void TQorVarnoqForm::FormCreate(TObject*) {
    // Message boxes carry the window's caption, in the language of its layout.
    Application()->SetTitle(Caption());
    // The keyboard picture, its lit-up twin and a map of its keys, when they
    // stand beside the program; otherwise the stored map serves.
    LoadOptionalFile("Q5.bmp", [this](const std::string& path) { HotImage1->Picture().LoadFromFile(path); });
    LoadOptionalFile("Q5Mask.bmp", [this](const std::string& path) { HotImage1->MaskPicture().LoadFromFile(path); });
    LoadOptionalFile("KBD.hmt", [this](const std::string& path) {
        components::THotSpots map; // read whole before it replaces the stored map
        map.LoadFromFile(path);
        HotImage1->HotSpots().Assign(&map);
    });
    // Assistive technology reads each key by the name the Keys page shows.
    HotImage1->OnGetSpotName = [](TObject*, components::TSpot* spot, std::string& text) {
        text = LoadTextResource(spot->Id());
    };
    // The picture may have resized its strip: the outline follows it.
    SetOutline(MakeWindowRegion());
    // The block is written live and restored from this copy at close.
    SharedBlock->SettingsWindow = WindowToField(Handle());
    std::memcpy(&BlockBackup, SharedBlock, sizeof BlockBackup);
    backupTaken_ = true;
    dataFile_ = std::make_unique<TDralKeyFunctionDataFile>();
    try {
        dataFile_->LoadFromFile(ExecutableDirectory() + "def.kfd");
        if (dataFile_->RecoveredFromBackup())
            ShowMessageBox(FormTextFmt(stRestoredFromBackup, "def.kfd"), Application()->Title(),
                           MB_OK | MB_ICONINFORMATION, nullptr, true);
    } catch (...) {
        // A def.kfd that is there but could not be read whole (held by
        // another program, or damaged) is reported. The window still opens
        // for the OSD and Key Status pages, and closing it restores the
        // block; but what was read of the keys is not theirs, so the Keys
        // page stays locked and Apply never writes the file.
        keysUnreadable_ = true;
        Application()->HandleException(nullptr, true);
    }
    ChooseResourceModules(ExecutableDirectory());
    CurrentKeyId = 15;
    FillSpecialFunctionList();
    ShowKeyFunction();
    // Without a key's record the mode controls have nothing to write into.
    // (With one, they were set for it: disabled first, they would be
    // disabled and enabled again, a round trip to the system each.)
    if (!CurrentRecord)
        for (TWinControl* control : std::initializer_list<TWinControl*>{
                 DefaultRadioButton, SpecialFunctionRadioButton, CustomRadioButton, UlaListBox1, SetCustomButton})
            control->SetEnabled(false);
    if (keysUnreadable_) {
        ResetAllFunctionButton->SetEnabled(false);
        KeysUnreadableLabel->SetCaption(AppText(atKeysUnreadable));
        KeysUnreadableLabel->SetVisible(true);
    }
    // Tab brings the keyboard onto the picture at the key the page shows.
    for (int i = 0; i < HotImage1->HotSpots().Count(); ++i)
        if (components::TSpot* spot = HotImage1->HotSpots().Items(i); spot->Id() == CurrentKeyId)
            HotImage1->SetFocusedSpot(spot);
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
    const int corner = ScaleToDpi(30, PixelsPerInch());
    return CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, corner, corner);
}

HRGN TQorVarnoqForm::MakeWindowRegion() {
    const RECT strip = Panel5->BoundsRect();
    HRGN region = CreateRectRgnIndirect(&strip);
    TGdiObject panel(MakePanelRegion());
    CombineRgn(region, region, static_cast<HRGN>(panel.Get()), RGN_OR);
    return region;
}

void TQorVarnoqForm::SetOutline(HRGN region) {
    // The window frees the region it took; one it refused is still ours.
    TGdiObject outline(region);
    GiveWindowRegion(Handle(), outline, true);
}

LRESULT TQorVarnoqForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const int before = PixelsPerInch();
    const LRESULT result = TForm::WndProc(msg, wParam, lParam);
    if (msg != WM_DPICHANGED) return result;
    PageControl1Change(this);
    if (PixelsPerInch() != before) {
        // The icons are loaded again at the size the new resolution asks
        // for, not stretched from the old one's.
        ImageList1->SetWidth(MulDiv(ImageList1->Width(), PixelsPerInch(), before));
        ImageList1->SetHeight(MulDiv(ImageList1->Height(), PixelsPerInch(), before));
        LoadSpecialFunctionIcons();
        if (CurrentRecord) ShowKeyIcon();
    }
    return result;
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
    // A library beside the program serves its texts or icons (0 when it
    // fails to load); without one, the resource module does.
    StringModuleLoaded = FileExists(dir + "TORSTR.DLL");
    stringLibrary_.Load(StringModuleLoaded ? dir + "TORSTR.DLL" : "");
    StringModule = StringModuleLoaded ? stringLibrary_.Get() : ResourceModule();
    IconModuleLoaded = FileExists(dir + "TORGFX.DLL");
    iconLibrary_.Load(IconModuleLoaded ? dir + "TORGFX.DLL" : "");
    IconModule = IconModuleLoaded ? iconLibrary_.Get() : ResourceModule();
}

void TQorVarnoqForm::ReleaseResourceModules() {
    StringModule = IconModule = nullptr;
    stringLibrary_.Reset();
    iconLibrary_.Reset();
    StringModuleLoaded = IconModuleLoaded = false;
}

void TQorVarnoqForm::FormDestroy(TObject*) {
    ReleaseResourceModules();
    // Only a backup taken from the block may be written back over it.
    if (backupTaken_) std::memcpy(SharedBlock, &BlockBackup, sizeof BlockBackup);
    SharedBlock->SettingsWindow = 0;
    dataFile_.reset();
}

void TQorVarnoqForm::ApplyButtonClick(TObject*) {
    const TSharedSettingsBlock previous = BlockBackup;
    std::memcpy(&BlockBackup, SharedBlock, sizeof BlockBackup);
    // A failed save commits nothing: the backup is the one before, so Cancel
    // still undoes every edit. Its error reaches the user, the service is
    // not told, and Apply stays enabled for another try. A def.kfd that
    // could not be read is never written over.
    try {
        if (!keysUnreadable_) dataFile_->SaveToFile(ExecutableDirectory() + "def.kfd");
    } catch (...) {
        BlockBackup = previous;
        throw;
    }
    PostMessageA(WindowFromField(SharedBlock->ServiceWindow), ReloadMessage, 0, 0);
    ApplyButton->SetEnabled(false);
}

void TQorVarnoqForm::OKButtonClick(TObject* sender) {
    if (ApplyButton->Enabled()) ApplyButtonClick(sender);
    Close();
}

void TQorVarnoqForm::CancelButtonClick(TObject*) { Close(); }

// ------------------------------------------------------------ the Keys page

void TQorVarnoqForm::FillSpecialFunctionList() {
    for (int row = 0; row < 8; ++row) UlaListBox1->AddItem(LoadTextResource(SpecialFunctionIds(row)), SpecialFunctionIds(row));
    LoadSpecialFunctionIcons();
}

void TQorVarnoqForm::LoadSpecialFunctionIcons() {
    ImageList1->Clear();
    // Each icon's own image at the list's size, not its large one shrunk. A
    // missing icon adds a blank image, which keeps the later rows' images in step.
    std::vector<int> ids;
    for (int row = 0; row < UlaListBox1->Count(); ++row) ids.push_back(int(UlaListBox1->ItemObject(row)));
    ImageList1->AddIconResources(IconModule, ids);
}

void TQorVarnoqForm::HotImage1Click(TObject*) {
    const components::TSpot* spot = HotImage1->SelectedSpot();
    if (!spot || spot->Id() == CurrentKeyId) return;
    CurrentKeyId = spot->Id();
    ShowKeyFunction();
}

void TQorVarnoqForm::ShowCustomProgram() {
    ShowTargetState();
    Image4->Picture().Assign(nullptr);
    const std::string path = CurrentRecord->CustomPath.Get();
    if (path.empty()) return;
    // Loaded into the picture: a copy would be made again.
    if (!Image4->Picture().Icon().LoadAssociated(path)) Image4->Picture().Assign(nullptr);
}

void TQorVarnoqForm::ShowTargetState() {
    // Looked up each time the key is shown: a drive plugged in meanwhile
    // counts. Nothing is changed in the record either way.
    const bool custom = !CurrentRecord->UseDefault && CurrentRecord->SpecialFunctionId == 0;
    const std::string path = CurrentRecord->CustomPath.Get();
    const bool missing = custom && TFunSetForm::TargetMissing(path);
    MissingTargetLabel->SetHint(missing ? path : "");
    MissingTargetLabel->SetVisible(missing);
}

void TQorVarnoqForm::ShowKeyFunction() {
    TKeyFunctionRecord* record = dataFile_ && !keysUnreadable_ ? dataFile_->FindRecord(CurrentKeyId) : nullptr;
    if (!record) return;
    CurrentRecord = record;
    ShowRecord();
}

void TQorVarnoqForm::ShowRecord() {
    TKeyFunctionRecord* record = CurrentRecord;
    for (TRadioButton* button : {DefaultRadioButton, SpecialFunctionRadioButton, CustomRadioButton})
        button->SetEnabled(true);
    ShowKeyIcon();
    const std::string name = LoadTextResource(record->KeyId);
    KeyNameLabel->SetCaption(name);
    DefaultRadioButton->SetCaption(name);
    AppLabelEdit->SetText(record->CustomName.Get());
    ShowCustomProgram();
    // Selecting a button that was not selected runs its click handler, which
    // writes its mode into the record again and enables Apply.
    if (record->UseDefault) {
        DefaultRadioButton->SetChecked(true);
        SetCustomButton->SetEnabled(false);
        UlaListBox1->SetItemIndex(0);
        UlaListBox1->SetEnabled(false);
    } else if (record->SpecialFunctionId == 0) {
        CustomRadioButton->SetChecked(true);
        SetCustomButton->SetEnabled(true);
        UlaListBox1->SetItemIndex(0);
        UlaListBox1->SetEnabled(false);
    } else {
        // An identifier none of the rows carries selects no row.
        int row = -1;
        for (int i = 0; i < UlaListBox1->Count(); ++i)
            if (UlaListBox1->ItemObject(i) == record->SpecialFunctionId) row = i;
        UlaListBox1->SetItemIndex(row);
        SpecialFunctionRadioButton->SetChecked(true);
        SetCustomButton->SetEnabled(false);
        UlaListBox1->SetEnabled(true);
    }
}

void TQorVarnoqForm::ShowKeyIcon() {
    // The key's icon at the size its place asks for at this resolution,
    // loaded into the picture (a copy would be made again).
    TIcon& keyIcon = KeyImage->Picture().Icon();
    keyIcon.SetPixelsPerInch(PixelsPerInch());
    keyIcon.SetHandle(LoadIconResource(CurrentRecord->KeyId, ScaleToDpi(32, PixelsPerInch())));
}

void TQorVarnoqForm::ShowModeEdited(bool listEnabled, bool setEnabled) {
    UlaListBox1->SetEnabled(listEnabled);
    SetCustomButton->SetEnabled(setEnabled);
    ShowTargetState();
    ApplyButton->SetEnabled(true);
}

// The mode handlers never touch the custom name and path: a key switched
// away from its program and back finds it again.
void TQorVarnoqForm::DefaultRadioButtonClick(TObject*) {
    if (!CurrentRecord) return;
    CurrentRecord->UseDefault = 1;
    ShowModeEdited(false, false);
}

void TQorVarnoqForm::SpecialFunctionRadioButtonClick(TObject*) {
    if (!CurrentRecord) return;
    CurrentRecord->UseDefault = 0;
    // No row is selected only for a stored identifier the list lacks; the
    // record keeps it.
    const int row = UlaListBox1->ItemIndex();
    if (row >= 0) CurrentRecord->SpecialFunctionId = int32_t(UlaListBox1->ItemObject(row));
    ShowModeEdited(true, false);
}

void TQorVarnoqForm::CustomRadioButtonClick(TObject*) {
    if (!CurrentRecord) return;
    CurrentRecord->UseDefault = 0;
    CurrentRecord->SpecialFunctionId = 0;
    ShowModeEdited(false, true);
}

void TQorVarnoqForm::UlaListBox1Click(TObject*) {
    const int row = UlaListBox1->ItemIndex();
    if (!CurrentRecord || row < 0) return;
    CurrentRecord->SpecialFunctionId = int32_t(UlaListBox1->ItemObject(row));
    ApplyButton->SetEnabled(true);
}

void TQorVarnoqForm::UlaListBox1GetImageIndex(TObject*, const int itemIndex, int& idx) { idx = itemIndex; }

void TQorVarnoqForm::ResetAllFunctionButtonClick(TObject*) {
    if (keysUnreadable_) return;
    dataFile_->ResetAllFunctions();
    // The record shown may belong to another key than the one picked last
    // (a key without a record leaves it shown): it is shown as it now is.
    if (CurrentRecord) ShowRecord();
    ApplyButton->SetEnabled(true);
}

void TQorVarnoqForm::SetCustomButtonClick(TObject*) {
    if (!CurrentRecord) return;
    std::unique_ptr<TFunSetForm> wizard(CreateForm<TFunSetForm>(this));
    wizard->ShutcutNameEdit->SetText(CurrentRecord->CustomName.Get());
    const std::string path = CurrentRecord->CustomPath.Get();
    wizard->AppPathEdit->SetText(path);
    if (!path.empty()) wizard->ShowTargetIcon(path);
    wizard->NextButton->SetEnabled(!path.empty());
    // A path cut to what the record holds would open another target: Finish
    // refuses it and the wizard stays open for another choice. The name is
    // only shown, so it is cut.
    TFunSetForm* shown = wizard.get();
    wizard->FinishButton->OnClick = [shown, finish = wizard->FinishButton->OnClick](TObject* sender) {
        const std::string target = shown->AppPathEdit->Text();
        if (target.size() > kMaxRecordText) {
            ShowMessageBox(FormTextFmt(stTextLimit, {std::to_string(kMaxRecordText), target}), Application()->Title(),
                           MB_OK | MB_ICONERROR, shown, true);
            return;
        }
        if (finish) finish(sender);
    };
    if (wizard->ShowModal() != mrOk) return;
    CurrentRecord->CustomName.Set(wizard->ShutcutNameEdit->Text());
    CurrentRecord->CustomPath.Set(wizard->AppPathEdit->Text());
    AppLabelEdit->SetText(CurrentRecord->CustomName.Get());
    ShowCustomProgram();
    ApplyButton->SetEnabled(true);
}

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

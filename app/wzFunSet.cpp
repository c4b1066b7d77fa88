#include "wzFunSet.h"

#include <windows.h>

#include <cctype>

#include "AppTexts.h"
#include "components/ComponentsRegistration.h"
#include "forms/CodePage.h"
#include "forms/GraphicTexts.h"
#include "forms/Icon.h"
#include "forms/Picture.h"

using namespace forms;

TFunSetForm::TFunSetForm(TComponent* owner) : TForm(owner) {
    // The layout holds the drop target's class.
    components::RegisterComponentClasses();
}

TFormBindings<TFunSetForm> TFunSetForm::Bindings() {
    using F = TFunSetForm;
    return {
        .Handlers = {FORM_MEMBER(F, FormCreate),
                     FORM_MEMBER(F, NextButtonClick),
                     FORM_MEMBER(F, BackButtonClick),
                     FORM_MEMBER(F, FinishButtonClick),
                     FORM_MEMBER(F, CancelButtonClick),
                     FORM_MEMBER(F, AppPathEditChange),
                     FORM_MEMBER(F, ShutcutNameEditChange),
                     FORM_MEMBER(F, BrowseButtonClick),
                     FORM_MEMBER(F, DnDControl1DnDStart),
                     FORM_MEMBER(F, DnDControl1DnDItem),
                     FORM_MEMBER(F, DnDControl1DnDFinish)},
        .Fields = {FORM_MEMBER(F, Notebook1),
                   FORM_MEMBER(F, BackButton),
                   FORM_MEMBER(F, NextButton),
                   FORM_MEMBER(F, CancelButton),
                   FORM_MEMBER(F, FinishButton),
                   FORM_MEMBER(F, OpenDialog1),
                   FORM_MEMBER(F, DnDControl1),
                   FORM_MEMBER(F, AppPathEdit),
                   FORM_MEMBER(F, DragPanel),
                   FORM_MEMBER(F, DragImage),
                   FORM_MEMBER(F, BrowseButton),
                   FORM_MEMBER(F, ShutcutNameEdit),
                   FORM_MEMBER(F, AppNameLabelEdit),
                   FORM_MEMBER(F, Image1)},
    };
}

void TFunSetForm::FormCreate(TObject*) { Notebook1->SetPageIndex(pageSelect); }

void TFunSetForm::ShowPage(int index, TWinControl* focus) {
    Notebook1->SetPageIndex(index);
    // The focus leaves the page (and the button) just hidden, where keys
    // would go on editing what cannot be seen.
    focus->SetFocus();
}

// The page comes first, then the buttons: the focus has left a button before
// it is hidden or disabled, and buttons showing a page's state never stand
// beside the page before it.
void TFunSetForm::NextButtonClick(TObject*) {
    switch (Page()) {
    case pageSelect:
        ShowPage(pageName, ShutcutNameEdit);
        BackButton->SetVisible(true);
        NextButton->SetEnabled(!ShutcutNameEdit->Text().empty());
        break;
    case pageName:
        AppNameLabelEdit->SetText(ShutcutNameEdit->Text());
        LoadIcon(Image1, AppPathEdit->Text());
        ShowPage(pageFinish, AppNameLabelEdit);
        BackButton->SetVisible(true);
        NextButton->SetVisible(false);
        CancelButton->SetVisible(false);
        FinishButton->SetVisible(true);
        break;
    }
}

void TFunSetForm::BackButtonClick(TObject*) {
    switch (Page()) {
    case pageName:
        ShowPage(pageSelect, AppPathEdit);
        NextButton->SetEnabled(!AppPathEdit->Text().empty());
        BackButton->SetVisible(false);
        break;
    case pageFinish:
        ShowPage(pageName, ShutcutNameEdit);
        // Next keeps the state it had when page 1 was left.
        NextButton->SetVisible(true);
        CancelButton->SetVisible(true);
        FinishButton->SetVisible(false);
        break;
    }
}

void TFunSetForm::FinishButtonClick(TObject*) {
    // A target that is not there may be on a drive that is out for now, so
    // the user may keep it; "No" stays on this page to choose another.
    const std::string path = AppPathEdit->Text();
    if (TargetMissing(path) && ShowMessageBox(path + "\n\n" + AppText(atTargetMissingAsk), Caption(),
                                              MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, this) != IDYES)
        return;
    SetModalResult(mrOk);
}

void TFunSetForm::CancelButtonClick(TObject*) { SetModalResult(mrCancel); }

void TFunSetForm::AppPathEditChange(TObject*) {
    if (Page() == pageSelect) NextButton->SetEnabled(!AppPathEdit->Text().empty());
}

void TFunSetForm::ShutcutNameEditChange(TObject*) {
    if (Page() == pageName) NextButton->SetEnabled(!ShutcutNameEdit->Text().empty());
}

void TFunSetForm::BrowseButtonClick(TObject*) {
    if (!OpenDialog1->Execute() || !AcceptsName(OpenDialog1->UnicodeFileName())) return;
    const std::string path = OpenDialog1->FileName();
    ShowTargetIcon(path);
    AppPathEdit->SetText(path);
}

void TFunSetForm::DnDControl1DnDStart(TObject*, int32_t count, int32_t, int32_t) {
    DropAccepted = false;
    pathBeforeDrop_ = AppPathEdit->Text();
    AppPathEdit->SetText("");
    DroppedFileName.clear();
    if (count == 1)
        DropAccepted = true;
    else
        ShowMessageBox(AppText(atOnlyOneFile), AppText(atErrorCaption), MB_OK | MB_ICONERROR, this, true);
}

void TFunSetForm::DnDControl1DnDItem(TObject*, const std::string& item) {
    DroppedFileName = item;
    droppedUnicodeName_ = DnDControl1->UnicodeItem();
}

void TFunSetForm::DnDControl1DnDFinish(TObject*) {
    if (!DropAccepted) return;
    // A name refused leaves the wizard with the path it held before the drop.
    if (!AcceptsName(droppedUnicodeName_)) {
        AppPathEdit->SetText(pathBeforeDrop_);
        return;
    }
    ShowTargetIcon(DroppedFileName);
    AppPathEdit->SetText(DroppedFileName);
}

bool TFunSetForm::AcceptsName(const std::wstring& name) {
    if (FitsCodePage(name)) return true;
    std::wstring text = AnsiToWide(AppText(atNameOutsideCodePage));
    if (const size_t at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, name);
    ShowMessageBox(text, Caption(), MB_OK | MB_ICONERROR, this, true);
    return false;
}

void TFunSetForm::ShowTargetIcon(const std::string& path) {
    // The caption gives way to the first icon and does not come back.
    if (LoadIcon(DragImage, path)) DragPanel->SetCaption("");
}

bool TFunSetForm::TargetMissing(const std::string& path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       (path[2] == '\\' || path[2] == '/');
    const bool share = path.rfind("\\\\", 0) == 0;
    if (!drive && !share) return false;
    // A drive without its medium answers "not ready" instead of asking the
    // user to insert a disk.
    const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS);
    SetErrorMode(mode | SEM_FAILCRITICALERRORS);
    const DWORD attributes = GetFileAttributesA(path.c_str()), error = GetLastError();
    SetErrorMode(mode);
    if (attributes != INVALID_FILE_ATTRIBUTES) return false;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY: // a removable drive without its medium
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
        return true;
    default:
        return false;
    }
}

bool TFunSetForm::LoadIcon(TImage* image, const std::string& path) {
    TIcon icon;
    try {
        if (!icon.LoadAssociated(path)) return false;
    } catch (const EInvalidGraphic&) {
        // Longer than the lookup takes: the path is kept, just without an icon.
        return false;
    }
    image->Picture().Assign(&icon);
    return true;
}

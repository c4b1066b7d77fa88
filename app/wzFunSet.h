// The key function set wizard: three pages on which the user chooses the
// program, folder or file a key opens (by browsing or by dropping it) and
// names it. It only edits the two texts; its caller reads them back when it
// ends with 1 (Finish), and 2 (Cancel or the frame) leaves them unused.
#pragma once
#include <string>

#include "components/DDDest.h"
#include "forms/Dialogs.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"

// Made by forms::CreateForm, which reads the layout TFUNSETFORM, binds the
// handlers and fields Bindings() names and runs FormCreate.
class TFunSetForm : public forms::TForm {
public:
    std::string ClassName() const override { return "TFunSetForm"; }
    static forms::TFormBindings<TFunSetForm> Bindings();

    // Controls from the layout; the pages are known by index.
    forms::TNotebook* Notebook1 = nullptr;
    forms::TButton* BackButton = nullptr;
    forms::TButton* NextButton = nullptr;
    forms::TButton* CancelButton = nullptr;
    forms::TButton* FinishButton = nullptr;
    forms::TOpenDialog* OpenDialog1 = nullptr;
    components::TDnDControl* DnDControl1 = nullptr;
    forms::TEdit* AppPathEdit = nullptr;
    forms::TPanel* DragPanel = nullptr;
    forms::TImage* DragImage = nullptr;
    forms::TButton* BrowseButton = nullptr;
    forms::TEdit* ShutcutNameEdit = nullptr;
    forms::TEdit* AppNameLabelEdit = nullptr;
    forms::TImage* Image1 = nullptr;

    // The name the last drop delivered, and whether that drop held exactly one.
    std::string DroppedFileName;
    bool DropAccepted = false;

    void FormCreate(forms::TObject* sender);
    void NextButtonClick(forms::TObject* sender);
    void BackButtonClick(forms::TObject* sender);
    void FinishButtonClick(forms::TObject* sender);
    void CancelButtonClick(forms::TObject* sender);
    void AppPathEditChange(forms::TObject* sender);
    void ShutcutNameEditChange(forms::TObject* sender);
    void BrowseButtonClick(forms::TObject* sender);
    void DnDControl1DnDStart(forms::TObject* sender, int32_t count, int32_t x, int32_t y);
    void DnDControl1DnDItem(forms::TObject* sender, const std::string& item);
    void DnDControl1DnDFinish(forms::TObject* sender);

    // Shows the icon the shell associates with path in DragImage, in place
    // of the "Drag Here" caption; a target without one shows nothing new.
    void ShowTargetIcon(const std::string& path);

    // True when path is a full path (drive or network share) that the system
    // reports as absent: neither a file nor a folder is there. A bare program
    // name or an address is left to the shell's own search, and a path the
    // system cannot look into (no access) is not called missing.
    static bool TargetMissing(const std::string& path);

protected:
    explicit TFunSetForm(forms::TComponent* owner);

private:
    enum { pageSelect = 0, pageName = 1, pageFinish = 2 };
    int Page() const { return Notebook1->PageIndex(); }
    // Shows page index and gives focus, on it, the keyboard.
    void ShowPage(int index, forms::TWinControl* focus);
    // Puts path's icon into image; false, image unchanged, when it has none
    // or the path is too long for the lookup.
    static bool LoadIcon(forms::TImage* image, const std::string& path);
    // The code page, in which a path is kept and shown, changes a character
    // it lacks into a look-alike or '?', naming another target or none: such
    // a name is refused with a message naming it, and false comes back.
    bool AcceptsName(const std::wstring& name);

    std::string pathBeforeDrop_;
    std::wstring droppedUnicodeName_;
};

// The system's dialogs: the message box, and the file-open dialog as a
// component that layouts can describe.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "Components.h"

namespace forms {

class TWinControl;

// Shows a message box (flags as for MessageBoxA) and returns the button
// pressed. With an owner the box belongs to the owner's window and keeps
// it waiting; without one it belongs to the active window and keeps every
// window of the program waiting. bringToFront makes it the foreground
// window: for a box that no window of the program stands behind.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                   TWinControl* owner = nullptr, bool bringToFront = false);
// The same for a text that holds what the code page cannot show, such as a
// file name the program refuses for that reason.
int ShowMessageBox(const std::wstring& text, const std::string& caption, unsigned flags,
                   TWinControl* owner = nullptr, bool bringToFront = false);

// Runs the system's colour dialog on cc; true when the user chose a colour.
bool ShowColorDialog(CHOOSECOLORA& cc);

using TOpenOptions = unsigned;
constexpr TOpenOptions ofReadOnly = 1, ofHideReadOnly = 2, ofNoChangeDir = 4, ofPathMustExist = 8,
                       ofFileMustExist = 16, ofEnableSizing = 32;

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
    std::string ClassName() const override { return "TOpenDialog"; }

    // Pairs of description and pattern, all separated by '|':
    // "Programs|*.exe|All files|*.*".
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& value) { filter_ = value; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value) { title_ = value; }
    // Proposed before, chosen after Execute; in the code page, so a chosen
    // name the code page cannot hold comes out changed (see UnicodeFileName).
    const std::string& FileName() const { return fileName_; }
    // The chosen name as the system gave it.
    const std::wstring& UnicodeFileName() const { return unicodeFileName_; }
    void SetFileName(const std::string& value) { fileName_ = value; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& value) { initialDir_ = value; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions value) { options_ = value; }

    // Shows the dialog owned by its owner's window (else the active one); true when the user chose a
    // file (FileName holds it), false when cancelled.
    bool Execute();

private:
    std::string filter_, title_, fileName_, initialDir_;
    std::wstring unicodeFileName_;
    TOpenOptions options_ = ofHideReadOnly | ofEnableSizing;
};

} // namespace forms

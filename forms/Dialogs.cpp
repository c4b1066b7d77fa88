#include "Dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "Forms.h"
#include "SystemLibrary.h"

namespace forms {

namespace {

// The common dialog library, with the libraries it brings in, was the largest
// single part of the program's start-up time and memory: it is loaded when a
// dialog is first shown.
template <class F>
F CommonDialogFunction(const char* name) {
    return SystemLibraryFunction<F>("comdlg32.dll", name);
}

} // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags, TWinControl* owner,
                   bool bringToFront) {
    HWND ownerWnd = owner ? GetAncestor(owner->Handle(), GA_ROOT) : GetActiveWindow();
    flags |= owner ? MB_APPLMODAL : MB_TASKMODAL;
    if (bringToFront) flags |= MB_SETFOREGROUND;
    return ::MessageBoxA(ownerWnd, text.c_str(), caption.c_str(), flags);
}

bool ShowColorDialog(CHOOSECOLORA& cc) {
    auto chooseColor = CommonDialogFunction<decltype(&ChooseColorA)>("ChooseColorA");
    return chooseColor && chooseColor(&cc);
}

bool TOpenDialog::Execute() {
    // The system wants the pairs separated by NULs and ended by two.
    std::string filter = filter_;
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.append(2, '\0');
    // Room for the longest path the system knows, and always for the whole
    // proposal: a proposal cut to fit would name another file.
    std::vector<char> file(std::max<size_t>(32768, fileName_.size() + 1), '\0');
    fileName_.copy(file.data(), fileName_.size());

    DWORD flags = OFN_EXPLORER;
    if (options_ & ofReadOnly) flags |= OFN_READONLY;
    if (options_ & ofHideReadOnly) flags |= OFN_HIDEREADONLY;
    if (options_ & ofNoChangeDir) flags |= OFN_NOCHANGEDIR;
    if (options_ & ofPathMustExist) flags |= OFN_PATHMUSTEXIST;
    if (options_ & ofFileMustExist) flags |= OFN_FILEMUSTEXIST;
    if (options_ & ofEnableSizing) flags |= OFN_ENABLESIZING;

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerWindow(Owner());
    if (!ofn.hwndOwner) ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.Flags = flags;
    auto getOpenFileName = CommonDialogFunction<decltype(&GetOpenFileNameA)>("GetOpenFileNameA");
    if (!getOpenFileName || !getOpenFileName(&ofn)) return false;
    // Read within the buffer, whatever the dialog left in it.
    fileName_.assign(file.data(), strnlen(file.data(), file.size()));
    return true;
}

} // namespace forms

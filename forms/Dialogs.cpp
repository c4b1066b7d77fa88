#include "Dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "CodePage.h"
#include "Forms.h"
#include "SystemLibrary.h"

namespace forms {

namespace {

HWND MessageBoxOwner(TWinControl* owner, bool bringToFront, unsigned& flags) {
    flags |= owner ? MB_APPLMODAL : MB_TASKMODAL;
    if (bringToFront) flags |= MB_SETFOREGROUND;
    return owner ? GetAncestor(owner->Handle(), GA_ROOT) : GetActiveWindow();
}

} // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags, TWinControl* owner,
                   bool bringToFront) {
    HWND ownerWnd = MessageBoxOwner(owner, bringToFront, flags);
    return ::MessageBoxA(ownerWnd, text.c_str(), caption.c_str(), flags);
}

int ShowMessageBox(const std::wstring& text, const std::string& caption, unsigned flags, TWinControl* owner,
                   bool bringToFront) {
    HWND ownerWnd = MessageBoxOwner(owner, bringToFront, flags);
    return ::MessageBoxW(ownerWnd, text.c_str(), AnsiToWide(caption).c_str(), flags);
}

bool ShowColorDialog(CHOOSECOLORA& cc) {
    // The common dialog library, with the libraries it brings in, was the
    // largest single part of the start-up's time and memory.
    auto chooseColor = SYSTEM_FUNCTION("comdlg32.dll", ChooseColorA);
    return chooseColor && chooseColor(&cc);
}

bool TOpenDialog::Execute() {
    // The Unicode dialog, so that a chosen name the code page cannot hold is
    // seen as such (UnicodeFileName) rather than as the look-alike the
    // narrow dialog would hand back. The system wants the filter's pairs
    // separated by NULs and ended by two.
    std::wstring filter = AnsiToWide(filter_);
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    filter.append(2, L'\0');
    const std::wstring proposal = AnsiToWide(fileName_), title = AnsiToWide(title_), initialDir = AnsiToWide(initialDir_);
    // Room for the longest path the system knows, and always for the whole
    // proposal: a proposal cut to fit would name another file.
    std::vector<wchar_t> file(std::max<size_t>(32768, proposal.size() + 1), L'\0');
    proposal.copy(file.data(), proposal.size());

    DWORD flags = OFN_EXPLORER;
    if (options_ & ofReadOnly) flags |= OFN_READONLY;
    if (options_ & ofHideReadOnly) flags |= OFN_HIDEREADONLY;
    if (options_ & ofNoChangeDir) flags |= OFN_NOCHANGEDIR;
    if (options_ & ofPathMustExist) flags |= OFN_PATHMUSTEXIST;
    if (options_ & ofFileMustExist) flags |= OFN_FILEMUSTEXIST;
    if (options_ & ofEnableSizing) flags |= OFN_ENABLESIZING;

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerWindow(Owner());
    if (!ofn.hwndOwner) ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = flags;
    auto getOpenFileName = SYSTEM_FUNCTION("comdlg32.dll", GetOpenFileNameW);
    if (!getOpenFileName || !getOpenFileName(&ofn)) return false;
    // Read within the buffer, whatever the dialog left in it.
    unicodeFileName_.assign(file.data(), wcsnlen(file.data(), file.size()));
    fileName_ = WideToAnsi(unicodeFileName_);
    return true;
}

} // namespace forms

// The file moves of SaveFileSafely on Win32.
#include <windows.h>

#include "SafeSave.h"

namespace forms::detail {

bool MoveFileReplacing(const std::string& from, const std::string& to, bool& transient) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DWORD error = GetLastError();
    transient = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
    return false;
}

void WaitBeforeRetry() { Sleep(25); }

bool IsReadOnly(const std::string& fileName) {
    const DWORD attributes = GetFileAttributesA(fileName.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

void ClearReadOnly(const std::string& fileName) {
    const DWORD attributes = GetFileAttributesA(fileName.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(fileName.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

} // namespace forms::detail

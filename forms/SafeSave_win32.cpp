// SaveFileSafely on Win32: temporary file, flush, ReplaceFileA with a backup.
#include <windows.h>

#include <memory>

#include "SafeSave.h"
#include "SysUtils.h"

namespace forms {

namespace {

// Virus scanners and the keyboard service read the file now and then; a
// sharing violation during the swap is worth a few short retries.
constexpr int kSwapAttempts = 20;
constexpr DWORD kSwapRetryMs = 25;

bool IsTransient(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED; }

// Puts temp in place of target. Wine's ReplaceFile is not atomic and may have
// removed the target when it fails; the backup then brings it back.
bool SwapIn(const std::string& temp, const std::string& target, const std::string& backup) {
    for (int attempt = 0; attempt < kSwapAttempts; ++attempt) {
        bool targetExists = FileExists(target);
        BOOL ok = targetExists
                      ? ReplaceFileA(target.c_str(), temp.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                                     nullptr, nullptr)
                      : MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        DWORD error = ok ? 0 : GetLastError();
        if (!FileExists(target) && FileExists(backup))
            MoveFileExA(backup.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (ok) {
            DeleteFileA(backup.c_str());
            return true;
        }
        if (!IsTransient(error)) return false;
        Sleep(kSwapRetryMs);
    }
    return false;
}

} // namespace

void SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& writeContent) {
    const std::string temp = SafeSaveTempName(fileName);
    const std::string backup = SafeSaveBackupName(fileName);
    {
        std::unique_ptr<TFileStream> created;
        try {
            created = std::make_unique<TFileStream>(temp, fmCreate);
        } catch (const EFCreateError&) {
            throw EFCreateError(FormTextFmt(stFCreateError, fileName));
        }
        TFileStream& stream = *created;
        try {
            writeContent(stream);
            if (!stream.Flush()) throw EWriteError(FormText(stWriteError));
        } catch (...) {
            stream.Close();
            DeleteFileA(temp.c_str());
            throw;
        }
    }
    if (!SwapIn(temp, fileName, backup)) {
        DeleteFileA(temp.c_str());
        throw EFCreateError(FormTextFmt(stFCreateError, fileName));
    }
}

} // namespace forms

#include "SafeSave.h"

#include <memory>

#include "SysUtils.h"

namespace forms {

namespace {

TSaveStepHook stepHook = nullptr;

void Reached(TSaveStep step) {
    if (stepHook) stepHook(step);
}

// Virus scanners and the keyboard service read the file now and then; a
// sharing violation during a move is worth a few short retries.
constexpr int kMoveAttempts = 20;

bool MoveWithRetries(const std::string& from, const std::string& to) {
    for (int attempt = 1;; ++attempt) {
        bool transient = false;
        if (detail::MoveFileReplacing(from, to, transient)) return true;
        if (!transient || attempt == kMoveAttempts) return false;
        Reached(TSaveStep::MoveRetried);
        detail::WaitBeforeRetry();
    }
}

bool DeleteWithRetries(const std::string& fileName) {
    for (int attempt = 1;; ++attempt) {
        if (DeleteFileNamed(fileName) || !FileExists(fileName)) return true;
        if (attempt == kMoveAttempts) return false;
        detail::WaitBeforeRetry();
    }
}

// A backup beside an existing file was left by a save stopped after its new
// file was in place: older than that file, it is never to be taken back.
// Marked read-only (an earlier save moved a read-only file there) it could
// not be deleted, and would block every later save.
void RemoveStaleBackup(const std::string& fileName) {
    const std::string backup = SafeSaveBackupName(fileName);
    if (!FileExists(fileName) || !FileExists(backup)) return;
    detail::ClearReadOnly(backup);
    DeleteWithRetries(backup);
}

} // namespace

std::string SafeSaveTempName(const std::string& fileName) { return fileName + ".new~"; }
std::string SafeSaveBackupName(const std::string& fileName) { return fileName + ".old~"; }

void SetSaveStepHook(TSaveStepHook hook) { stepHook = hook; }

void SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& writeContent) {
    const std::string temp = SafeSaveTempName(fileName);
    const std::string backup = SafeSaveBackupName(fileName);
    // A read-only file is not to be replaced: refused as writing it in place
    // would be, before anything is written or moved.
    if (detail::IsReadOnly(fileName)) throw EFCreateError(FormTextFmt(stFCreateError, fileName));
    RemoveStaleBackup(fileName);
    {
        std::unique_ptr<TFileStream> created;
        try {
            created = std::make_unique<TFileStream>(temp, fmCreate);
        } catch (const EFCreateError&) {
            throw EFCreateError(FormTextFmt(stFCreateError, fileName));
        }
        Reached(TSaveStep::TempCreated);
        try {
            writeContent(*created);
            if (!created->Flush()) throw EWriteError(FormText(stWriteError));
        } catch (...) {
            created->Close();
            DeleteFileNamed(temp);
            throw;
        }
    }
    Reached(TSaveStep::TempWritten);
    // The old file steps aside under the backup name rather than being
    // overwritten: until the new one is in place, one of the two names holds
    // a complete file. A lone backup this save did not make (left by an
    // earlier interrupted one, with no file beside it) is not touched.
    const bool hadOld = FileExists(fileName);
    if (hadOld) {
        if (!MoveWithRetries(fileName, backup)) {
            DeleteFileNamed(temp);
            throw EFCreateError(FormTextFmt(stFCreateError, fileName));
        }
        Reached(TSaveStep::OldMovedToBackup);
    }
    if (!MoveWithRetries(temp, fileName)) {
        if (hadOld) MoveWithRetries(backup, fileName);
        DeleteFileNamed(temp);
        throw EFCreateError(FormTextFmt(stFCreateError, fileName));
    }
    Reached(TSaveStep::NewInPlace);
    // Should the backup outlast the retries, it is a stale one beside the
    // new file, which the next load or save removes and never takes back.
    if (hadOld) DeleteWithRetries(backup);
    Reached(TSaveStep::BackupRemoved);
}

bool RestoreInterruptedSave(const std::string& fileName) {
    RemoveStaleBackup(fileName);
    const std::string backup = SafeSaveBackupName(fileName);
    return !FileExists(fileName) && FileExists(backup) && MoveWithRetries(backup, fileName);
}

} // namespace forms

// Replacing a file's content without ever leaving it half-written or lost.
#pragma once
#include <functional>
#include <string>

#include "Classes.h"

namespace forms {

// Writes the new content through writeContent into a temporary file beside
// fileName and pushes it to the disk; then moves the old file to the backup
// name, the new one to fileName, and only then deletes the backup. When
// anything fails the previous file stays byte for byte as it was, no
// temporary file remains, and the error propagates: a create or replace
// failure as EFCreateError naming fileName, a write failure as whatever
// writeContent raised. A read-only fileName is refused that way before
// anything is written or moved. A process stopped between the two moves
// leaves only the backup, which RestoreInterruptedSave puts back.
void SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& writeContent);

// When fileName is missing and the backup of an interrupted SaveFileSafely
// exists, moves the backup back to fileName. True when it did. A backup
// beside an existing fileName is older than that file (its save was stopped
// after the new file was in place): it is deleted, so that it can never be
// taken back later.
bool RestoreInterruptedSave(const std::string& fileName);

// Name of the temporary file SaveFileSafely writes beside fileName, and of the
// backup of the old file that exists while the new one is moved in.
std::string SafeSaveTempName(const std::string& fileName);
std::string SafeSaveBackupName(const std::string& fileName);

// The points SaveFileSafely passes, in order. Tests stop a process at each
// one to show that every stop leaves a loadable file.
enum class TSaveStep {
    TempCreated,      // the temporary file exists, still empty
    TempWritten,      // the new content is complete, flushed and closed
    OldMovedToBackup, // the old file is under the backup name only (when there was one)
    NewInPlace,       // the new content is under fileName
    BackupRemoved,    // the save is complete
    MoveRetried,      // a move met a sharing violation and is tried again shortly
};
using TSaveStepHook = void (*)(TSaveStep step);
// Called at every step of every save; none by default.
void SetSaveStepHook(TSaveStepHook hook);

namespace detail {
// Renames from to to, replacing an existing to, through to the disk. On
// failure transient says whether a retry may succeed (a sharing violation).
bool MoveFileReplacing(const std::string& from, const std::string& to, bool& transient);
void WaitBeforeRetry();
// Whether fileName exists and is marked read-only.
bool IsReadOnly(const std::string& fileName);
// Takes the read-only mark off fileName, so that it can be deleted.
void ClearReadOnly(const std::string& fileName);
} // namespace detail

} // namespace forms

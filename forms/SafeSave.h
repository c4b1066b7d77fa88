// Replacing a file's content without ever leaving it half-written.
#pragma once
#include <functional>
#include <string>

#include "Classes.h"

namespace forms {

// Writes the new content through writeContent into a temporary file beside
// fileName, pushes it to the disk, then puts it in place of fileName in one
// step. When anything fails the previous file stays byte for byte as it was,
// no temporary file remains, and the error propagates: a create or replace
// failure as EFCreateError naming fileName, a write failure as whatever
// writeContent raised.
void SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& writeContent);

// Name of the temporary file SaveFileSafely writes beside fileName, and of the
// backup it may leave while the replacement runs; both exist only during a save.
std::string SafeSaveTempName(const std::string& fileName);
std::string SafeSaveBackupName(const std::string& fileName);

} // namespace forms

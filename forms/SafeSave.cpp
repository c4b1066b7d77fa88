#include "SafeSave.h"

namespace forms {

std::string SafeSaveTempName(const std::string& fileName) { return fileName + ".new~"; }
std::string SafeSaveBackupName(const std::string& fileName) { return fileName + ".old~"; }

} // namespace forms

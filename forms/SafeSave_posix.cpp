// SaveFileSafely for the host build: temporary file, fsync, rename.
#include <cstdio>
#include <memory>

#include "SafeSave.h"
#include "SysUtils.h"

namespace forms {

void SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& writeContent) {
    const std::string temp = SafeSaveTempName(fileName);
    {
        std::unique_ptr<TFileStream> created;
        try {
            created = std::make_unique<TFileStream>(temp, fmCreate);
        } catch (const EFCreateError&) {
            throw EFCreateError(FormTextFmt(stFCreateError, fileName));
        }
        try {
            writeContent(*created);
            if (!created->Flush()) throw EWriteError(FormText(stWriteError));
        } catch (...) {
            created->Close();
            DeleteFileNamed(temp);
            throw;
        }
    }
    if (std::rename(temp.c_str(), fileName.c_str()) != 0) {
        DeleteFileNamed(temp);
        throw EFCreateError(FormTextFmt(stFCreateError, fileName));
    }
}

} // namespace forms

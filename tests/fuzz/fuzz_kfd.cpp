// Feeds arbitrary bytes to the key-function file reader, then checks that
// whatever was read saves back to the size the format prescribes.
#include <cstdint>
#include <cstdlib>

#include "app/KbDataType.h"
#include "forms/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TDralKeyFunctionDataFile::Header() = {};
    TDralKeyFunctionDataFile file;
    forms::TMemoryStream in(data, size);
    try {
        file.LoadFromStream(in);
    } catch (const forms::EReadError&) {
    }
    file.FindRecord(15);
    file.ResetAllFunctions();
    forms::TMemoryStream out;
    file.SaveToStream(out, 0.0);
    if (out.Data().size() != 1293 + 526 * file.Records().size()) std::abort();
    return 0;
}

// Feeds arbitrary bytes to the key-function file reader, then checks that
// whatever was read saves to a file that reads back to the same header and
// the same records, byte for byte.
#include <cstdint>
#include <cstdlib>
#include <cstring>

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
    const TKeyFunctionFileHeader saved = TDralKeyFunctionDataFile::Header();

    // Read back with the reader itself: every byte the writer wrote must come
    // back where it was, and nothing may follow the last record.
    TDralKeyFunctionDataFile::Header() = {};
    TDralKeyFunctionDataFile reread;
    forms::TMemoryStream back(out.Data().data(), out.Data().size());
    reread.LoadFromStream(back);
    if (std::memcmp(&TDralKeyFunctionDataFile::Header(), &saved, sizeof saved) != 0) std::abort();
    if (reread.Records().size() != file.Records().size()) std::abort();
    for (size_t i = 0; i < file.Records().size(); ++i)
        if (std::memcmp(reread.Records()[i].get(), file.Records()[i].get(), sizeof(TKeyFunctionRecord)) != 0)
            std::abort();
    if (back.Position() != back.Size()) std::abort();
    return 0;
}

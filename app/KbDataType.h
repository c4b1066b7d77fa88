// The key-function data file def.kfd: one record per extra key, saying whether
// the key keeps its factory function, runs a special function or opens a
// custom program, folder or file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "forms/Classes.h"

#pragma pack(push, 1)

// A length-prefixed text in a fixed 256-byte field. Storing a shorter value
// writes only the length byte and the new characters: the older bytes behind
// them are kept and saved as they are.
struct TShortString256 {
    uint8_t Length;
    char Chars[255];

    std::string Get() const { return std::string(Chars, Length); }
    // Values longer than 255 characters are cut to 255.
    void Set(const std::string& value);
};

struct TKeyFunctionFileHeader {
    uint8_t StatusByte;
    double SavedAt; // OLE date, local time of the last save
    uint8_t Reserved[1024];
    TShortString256 HeaderName;
    int32_t RecordCount;
};

struct TKeyFunctionRecord {
    int32_t KeyId;
    uint8_t Reserved[5];
    uint8_t UseDefault; // non-zero: factory function
    int32_t SpecialFunctionId; // with UseDefault 0: non-zero special function, 0 custom program
    TShortString256 CustomName;
    TShortString256 CustomPath;
};

#pragma pack(pop)

static_assert(sizeof(TShortString256) == 256);
static_assert(sizeof(TKeyFunctionFileHeader) == 1293);
static_assert(sizeof(TKeyFunctionRecord) == 526);

class TDralKeyFunctionDataFile {
public:
    TDralKeyFunctionDataFile() = default;
    TDralKeyFunctionDataFile(const TDralKeyFunctionDataFile&) = delete;
    TDralKeyFunctionDataFile& operator=(const TDralKeyFunctionDataFile&) = delete;

    // Returns the loaded StatusByte, or 1 when the file does not exist (then
    // nothing changes). Raises "Cannot open file %s" or "Stream read error".
    // A file missing because a save was stopped half-way is first restored
    // from the backup that save left (see RecoveredFromBackup).
    uint8_t LoadFromFile(const std::string& fileName);
    // True when the last LoadFromFile had to restore the file from the backup
    // of an interrupted save; the caller tells the user.
    bool RecoveredFromBackup() const { return recoveredFromBackup_; }
    // Writes header and records in place of fileName; the previous file is
    // kept intact when the save fails. Returns true whenever it returns.
    bool SaveToFile(const std::string& fileName);

    // The parsing and writing behind the two above, on any stream.
    uint8_t LoadFromStream(forms::TStream& stream);
    void SaveToStream(forms::TStream& stream, double savedAt);

    // The first record with that KeyId, or null. References stay valid until
    // the next load that finds its file.
    TKeyFunctionRecord* FindRecord(int32_t keyId);
    // Every record back to the factory function, with empty name and path.
    void ResetAllFunctions();

    const std::vector<std::unique_ptr<TKeyFunctionRecord>>& Records() const { return records_; }

    // One header serves the whole process: zero until the first load, replaced
    // by every load and written back, updated, by every save.
    static TKeyFunctionFileHeader& Header();

private:
    void StampHeader(double savedAt);
    void WriteTo(forms::TStream& stream) const;

    std::vector<std::unique_ptr<TKeyFunctionRecord>> records_;
    bool recoveredFromBackup_ = false;
};

#include "KbDataType.h"

#include <cstring>

#include "forms/SafeSave.h"
#include "forms/SysUtils.h"

using namespace forms;

void TShortString256::Set(const std::string& value) {
    size_t n = value.size() < sizeof Chars ? value.size() : sizeof Chars;
    Length = uint8_t(n);
    std::memcpy(Chars, value.data(), n);
}

TKeyFunctionFileHeader& TDralKeyFunctionDataFile::Header() {
    static TKeyFunctionFileHeader header{};
    return header;
}

uint8_t TDralKeyFunctionDataFile::LoadFromFile(const std::string& fileName) {
    recoveredFromBackup_ = RestoreInterruptedSave(fileName);
    if (!FileExists(fileName)) return 1;
    // Others may read while we do, but not write.
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    return LoadFromStream(stream);
}

uint8_t TDralKeyFunctionDataFile::LoadFromStream(TStream& stream) {
    TKeyFunctionFileHeader& header = Header();
    stream.ReadBuffer(&header, sizeof header);
    records_.clear();
    // Records are read one at a time, so a count the data cannot hold ends in
    // a read error at the first missing record instead of a huge allocation.
    for (int32_t i = 0; i < header.RecordCount; ++i) {
        auto record = std::make_unique<TKeyFunctionRecord>();
        stream.ReadBuffer(record.get(), sizeof *record);
        records_.push_back(std::move(record));
    }
    return header.StatusByte;
}

bool TDralKeyFunctionDataFile::SaveToFile(const std::string& fileName) {
    // The header is updated before the file is touched, so it stays updated
    // even when the file cannot be created.
    StampHeader(Now());
    SaveFileSafely(fileName, [this](TStream& stream) { WriteTo(stream); });
    return true;
}

void TDralKeyFunctionDataFile::SaveToStream(TStream& stream, double savedAt) {
    StampHeader(savedAt);
    WriteTo(stream);
}

void TDralKeyFunctionDataFile::StampHeader(double savedAt) {
    TKeyFunctionFileHeader& header = Header();
    header.SavedAt = savedAt;
    header.HeaderName.Set("Default");
    header.RecordCount = int32_t(records_.size());
}

void TDralKeyFunctionDataFile::WriteTo(TStream& stream) const {
    stream.WriteBuffer(&Header(), sizeof(TKeyFunctionFileHeader));
    for (const auto& record : records_) stream.WriteBuffer(record.get(), sizeof *record);
}

TKeyFunctionRecord* TDralKeyFunctionDataFile::FindRecord(int32_t keyId) {
    for (const auto& record : records_)
        if (record->KeyId == keyId) return record.get();
    return nullptr;
}

void TDralKeyFunctionDataFile::ResetAllFunctions() {
    for (const auto& record : records_) {
        record->CustomName.Length = 0;
        record->CustomPath.Length = 0;
        record->UseDefault = 1;
    }
}

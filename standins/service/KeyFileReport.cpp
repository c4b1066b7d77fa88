#include "KeyFileReport.h"

namespace service {

namespace {

constexpr size_t kHeaderSize = 1293;
constexpr size_t kCountOffset = 1289;
constexpr size_t kRecordSize = 526;

int32_t Int32At(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

std::string TextAt(const uint8_t* field) { return std::string(reinterpret_cast<const char*>(field + 1), field[0]); }

TKeyAssignment ReadRecord(const uint8_t* r) {
    TKeyAssignment key;
    key.KeyId = Int32At(r);
    key.Special = Int32At(r + 10);
    key.Mode = r[9] ? TKeyMode::Factory : key.Special ? TKeyMode::Special : TKeyMode::Custom;
    key.Name = TextAt(r + 14);
    key.Path = TextAt(r + 270);
    return key;
}

std::string Describe(const TKeyAssignment& key) {
    const char* mode = key.Mode == TKeyMode::Factory ? "factory" : key.Mode == TKeyMode::Special ? "special" : "custom";
    return "key " + std::to_string(key.KeyId) + " " + mode + " special=" + std::to_string(key.Special) + " name=\"" +
           key.Name + "\" path=\"" + key.Path + "\"";
}

size_t AnnouncedCount(const std::vector<uint8_t>& bytes) {
    int32_t count = Int32At(bytes.data() + kCountOffset);
    return count > 0 ? size_t(count) : 0;
}

} // namespace

std::vector<TKeyAssignment> ReadKeyAssignments(const std::vector<uint8_t>& bytes) {
    std::vector<TKeyAssignment> keys;
    if (bytes.size() < kHeaderSize) return keys;
    size_t present = (bytes.size() - kHeaderSize) / kRecordSize;
    for (size_t i = 0; i < AnnouncedCount(bytes) && i < present; ++i)
        keys.push_back(ReadRecord(bytes.data() + kHeaderSize + i * kRecordSize));
    return keys;
}

std::vector<std::string> DescribeKeyFile(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kHeaderSize)
        return {"def.kfd: cut short in the header (" + std::to_string(bytes.size()) + " bytes)"};
    size_t present = (bytes.size() - kHeaderSize) / kRecordSize;
    std::vector<std::string> lines{"def.kfd: " + std::to_string(Int32At(bytes.data() + kCountOffset)) + " records"};
    for (const TKeyAssignment& key : ReadKeyAssignments(bytes)) lines.push_back(Describe(key));
    size_t expected = kHeaderSize + AnnouncedCount(bytes) * kRecordSize;
    if (bytes.size() < expected)
        lines.push_back("def.kfd: cut short after " + std::to_string(present) + " records");
    else if (bytes.size() > expected)
        lines.push_back("def.kfd: " + std::to_string(bytes.size() - expected) + " bytes after the last record");
    return lines;
}

} // namespace service

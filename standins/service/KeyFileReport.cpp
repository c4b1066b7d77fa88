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

std::string DescribeRecord(const uint8_t* r) {
    int32_t special = Int32At(r + 10);
    const char* mode = r[9] ? "factory" : special ? "special" : "custom";
    return "key " + std::to_string(Int32At(r)) + " " + mode + " special=" + std::to_string(special) + " name=\"" +
           TextAt(r + 14) + "\" path=\"" + TextAt(r + 270) + "\"";
}

} // namespace

std::vector<std::string> DescribeKeyFile(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kHeaderSize)
        return {"def.kfd: cut short in the header (" + std::to_string(bytes.size()) + " bytes)"};
    int32_t count = Int32At(bytes.data() + kCountOffset);
    size_t announced = count > 0 ? size_t(count) : 0;
    size_t present = (bytes.size() - kHeaderSize) / kRecordSize;
    std::vector<std::string> lines{"def.kfd: " + std::to_string(count) + " records"};
    for (size_t i = 0; i < announced && i < present; ++i)
        lines.push_back(DescribeRecord(bytes.data() + kHeaderSize + i * kRecordSize));
    size_t expected = kHeaderSize + announced * kRecordSize;
    if (bytes.size() < expected)
        lines.push_back("def.kfd: cut short after " + std::to_string(present) + " records");
    else if (bytes.size() > expected)
        lines.push_back("def.kfd: " + std::to_string(bytes.size() - expected) + " bytes after the last record");
    return lines;
}

} // namespace service

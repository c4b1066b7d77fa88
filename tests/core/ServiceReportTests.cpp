// The stand-in service reads def.kfd with its own reader; what it reports of
// a file written by the program's data-file class is the cross-check the
// end-to-end tests rely on, so both must agree field by field.
#include <gtest/gtest.h>

#include "KeyFileReport.h"
#include "app/KbDataType.h"

using forms::TMemoryStream;
using service::DescribeKeyFile;

namespace {

std::vector<uint8_t> ProgramWrites(const std::vector<TKeyFunctionRecord>& records) {
    std::vector<uint8_t> bytes(1293, 0);
    for (const auto& r : records) {
        const auto* p = reinterpret_cast<const uint8_t*>(&r);
        bytes.insert(bytes.end(), p, p + sizeof r);
    }
    int32_t n = int32_t(records.size());
    for (int i = 0; i < 4; ++i) bytes[1289 + i] = uint8_t(uint32_t(n) >> (8 * i));
    // Read and written again by the program's class, as Apply does.
    TDralKeyFunctionDataFile file;
    TMemoryStream in(bytes);
    file.LoadFromStream(in);
    TMemoryStream out;
    file.SaveToStream(out, 0);
    return out.Data();
}

TKeyFunctionRecord Record(int32_t key, uint8_t useDefault, int32_t special, const std::string& name,
                          const std::string& path) {
    TKeyFunctionRecord r{};
    r.KeyId = key;
    r.UseDefault = useDefault;
    r.SpecialFunctionId = special;
    r.CustomName.Set(name);
    r.CustomPath.Set(path);
    return r;
}

} // namespace

TEST(ServiceReport, AgreesWithTheProgramOnEveryMode) {
    auto bytes = ProgramWrites({Record(15, 1, 1003, "old", "C:\\old.exe"), Record(-7, 0, 1008, "", ""),
                                Record(2, 0, 0, "Notes", "C:\\Tools\\notes.exe")});
    EXPECT_EQ(DescribeKeyFile(bytes), (std::vector<std::string>{
                                          "def.kfd: 3 records",
                                          "key 15 factory special=1003 name=\"old\" path=\"C:\\old.exe\"",
                                          "key -7 special special=1008 name=\"\" path=\"\"",
                                          "key 2 custom special=0 name=\"Notes\" path=\"C:\\Tools\\notes.exe\"",
                                      }));
}

TEST(ServiceReport, SaysWhereAFileIsDamaged) {
    auto two = ProgramWrites({Record(1, 1, 0, "", ""), Record(2, 1, 0, "", "")});
    auto cut = two;
    cut.resize(cut.size() - 1);
    auto longer = two;
    longer.push_back(0);
    auto negative = ProgramWrites({});
    negative[1289 + 3] = 0x80;
    const struct {
        std::vector<uint8_t> bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {std::vector<uint8_t>(1292), {"def.kfd: cut short in the header (1292 bytes)"}},
        {cut, {"def.kfd: 2 records", "key 1 factory special=0 name=\"\" path=\"\"", "def.kfd: cut short after 1 records"}},
        {longer, {"def.kfd: 2 records", "key 1 factory special=0 name=\"\" path=\"\"",
                  "key 2 factory special=0 name=\"\" path=\"\"", "def.kfd: 1 bytes after the last record"}},
        {negative, {"def.kfd: -2147483648 records"}},
    };
    for (const auto& c : cases) EXPECT_EQ(DescribeKeyFile(c.bytes), c.lines);
}

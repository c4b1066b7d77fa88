// The stand-in service's own reading of def.kfd, written from the file's
// published layout rather than with the settings program's classes, so that
// its report is an independent check of what the program wrote.
//
// The file: a 1,293-byte header whose last four bytes (offset 1,289) are the
// signed record count, then that many 526-byte records. A record holds the
// key's identifier (offset 0, signed 32-bit), the factory flag (offset 9),
// the special function (offset 10, signed 32-bit), and two length-prefixed
// texts in 256-byte fields: the name (offset 14) and the path (offset 270).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace service {

enum class TKeyMode { Factory, Special, Custom };

// One record as the service acts on it.
struct TKeyAssignment {
    int32_t KeyId = 0;
    TKeyMode Mode = TKeyMode::Factory;
    int32_t Special = 0;
    std::string Name, Path;
};

// The records the file holds completely, in file order (as many as the count
// announces and the file's length allows).
std::vector<TKeyAssignment> ReadKeyAssignments(const std::vector<uint8_t>& bytes);

// One line per finding, in the form the service's log uses:
//   "def.kfd: N records", then per record
//   "key ID MODE special=S name="..." path="..."" (MODE factory, special, custom);
// a file cut short or with trailing bytes says so in its last line.
std::vector<std::string> DescribeKeyFile(const std::vector<uint8_t>& bytes);

} // namespace service

// Little- and big-endian fields of file formats, and what is left of a
// stream, for the decoders that check lengths before they read.
#pragma once
#include <cstdint>

#include "Classes.h"

namespace forms {

inline uint16_t LE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t LE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t BE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline int64_t Remaining(TStream& stream) { return stream.Size() - stream.Position(); }

} // namespace forms

// Integer arithmetic shared by the components, with the platform's rounding
// rules, usable without the platform (portable core).
#pragma once
#include <cstdint>

namespace components {

// a * b / c computed in 64 bits and rounded to the nearest integer, halves
// away from zero, as the platform's MulDiv does; -1 when c is 0 or the
// result does not fit in 32 bits.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// Rounds to the nearest integer, halves to the even neighbour.
int64_t BankersRound(double value);

// Region coordinates wrap like the platform's 32-bit arithmetic does, so
// extreme values read from a file cannot overflow.
inline int32_t Wrap(int64_t v) { return int32_t(uint32_t(uint64_t(v))); }

} // namespace components

#include "MathUtils.h"

#include <cmath>

namespace components {

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    int64_t product = int64_t(a) * int64_t(b);
    int64_t quotient = product / c;
    int64_t remainder = product % c;
    // |remainder| * 2 >= |c| means the fraction is at least one half.
    uint64_t twiceRemainder = uint64_t(remainder < 0 ? -remainder : remainder) * 2;
    uint64_t divisor = uint64_t(c < 0 ? -int64_t(c) : int64_t(c));
    if (twiceRemainder >= divisor) quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    if (quotient > INT32_MAX || quotient < INT32_MIN) return -1;
    return int32_t(quotient);
}

int64_t BankersRound(double value) { return int64_t(std::nearbyint(value)); }

} // namespace components

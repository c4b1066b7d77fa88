// Timing for the benchmarks: a high-resolution clock and the median cost of
// one call, measured in batches long enough to be stable.
#pragma once
#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

inline double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

// Median time of one call over five batches of at least 0.2 s each.
inline double PerCall(const std::function<void()>& call) {
    call();
    int count = 1;
    for (;;) {
        double start = Seconds();
        for (int i = 0; i < count; ++i) call();
        GdiFlush();
        if (Seconds() - start >= 0.2) break;
        count *= 2;
    }
    std::vector<double> batches;
    for (int b = 0; b < 5; ++b) {
        double start = Seconds();
        for (int i = 0; i < count; ++i) call();
        GdiFlush();
        batches.push_back((Seconds() - start) / count);
    }
    std::sort(batches.begin(), batches.end());
    return batches[2];
}

} // namespace bench

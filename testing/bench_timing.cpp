#include "testing/bench_timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace vorn::testing {

double BestMilliseconds(int runs, const std::function<void()>& setup, const std::function<void()>& work)
{
    using Clock = std::chrono::steady_clock;
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        setup();
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

bool ReportMilliseconds(const char* what, double milliseconds, double limit)
{
    const bool met = milliseconds < limit;
    std::printf("%-64s %10.1f ms   (target < %.0f ms) %s\n", what, milliseconds, limit, met ? "ok" : "MISSED");
    return met;
}

} // namespace vorn::testing

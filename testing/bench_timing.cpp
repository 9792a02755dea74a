#include "testing/bench_timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sys/resource.h>

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

namespace {

double ProcessCpuMilliseconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Milliseconds(const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; }

} // namespace

RunTimes MeasureRuns(int runs, const std::function<void()>& setup, const std::function<void()>& work)
{
    using Clock = std::chrono::steady_clock;
    RunTimes times;
    for (int i = 0; i < runs; ++i) {
        setup();
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        const double cpuStart = ProcessCpuMilliseconds();
        const auto start = Clock::now();
        work();
        const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const double cpu = ProcessCpuMilliseconds() - cpuStart;
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        if (i == 0 || cpu < times.bestCpu) {
            times.bestCpu = cpu;
            times.bestUser = Milliseconds(after.ru_utime) - Milliseconds(before.ru_utime);
            times.bestSystem = Milliseconds(after.ru_stime) - Milliseconds(before.ru_stime);
        }
        times.worstCpu = i == 0 ? cpu : std::max(times.worstCpu, cpu);
        times.bestWall = i == 0 ? wall : std::min(times.bestWall, wall);
        times.worstWall = i == 0 ? wall : std::max(times.worstWall, wall);
    }
    return times;
}

bool ReportCpuMilliseconds(const char* what, const RunTimes& times, double limit, bool held)
{
    const bool met = times.bestCpu < limit;
    std::printf("%s\n    cpu %7.1f ms (user %.1f + sys %.1f; runs %.1f to %.1f)   wall %7.1f ms (runs %.1f to %.1f)",
                what, times.bestCpu, times.bestUser, times.bestSystem, times.bestCpu, times.worstCpu, times.bestWall,
                times.bestWall, times.worstWall);
    if (held)
        std::printf("   (target: cpu < %.0f ms) %s\n", limit, met ? "ok" : "MISSED");
    else
        std::printf("   (shown only)\n");
    return met || !held;
}

long StatusKiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return 0;
}

void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace vorn::testing

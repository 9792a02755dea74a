#pragma once

#include <functional>
#include <string>

namespace vorn::testing {

// The best wall-clock time of `runs` runs of `work`, each after an untimed `setup`.
double BestMilliseconds(int runs, const std::function<void()>& setup, const std::function<void()>& work);

// Prints one benchmark figure against its upper limit; returns whether it was met.
bool ReportMilliseconds(const char* what, double milliseconds, double limit);

// Wall-clock and processor time of the runs of one piece of work. Processor
// time is user plus system time of this process, all its threads together:
// what the work costs, whatever else shares the cores.
struct RunTimes {
    double bestCpu = 0, worstCpu = 0; // milliseconds
    double bestUser = 0, bestSystem = 0; // of the run with the best processor time
    double bestWall = 0, worstWall = 0;
};
RunTimes MeasureRuns(int runs, const std::function<void()>& setup, const std::function<void()>& work);

// Prints both times with their spread and holds the best processor time to
// `limit`; returns whether it was met. With `held` false the line is only
// shown.
bool ReportCpuMilliseconds(const char* what, const RunTimes& times, double limit, bool held = true);

// A line of /proc/self/status in KiB ("VmRSS", "VmHWM"); 0 when unknown.
long StatusKiB(const std::string& field);

// Starts a new peak of the resident set (VmHWM) at the present size.
void ResetPeakMemory();

} // namespace vorn::testing

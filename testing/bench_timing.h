#pragma once

#include <functional>

namespace vorn::testing {

// The best wall-clock time of `runs` runs of `work`, each after an untimed `setup`.
double BestMilliseconds(int runs, const std::function<void()>& setup, const std::function<void()>& work);

// Prints one benchmark figure against its upper limit; returns whether it was met.
bool ReportMilliseconds(const char* what, double milliseconds, double limit);

} // namespace vorn::testing

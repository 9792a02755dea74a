#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// Decimal digits grouped by commas in threes: 0, 999, 1,000, 4,294,967,295.
std::string FormatGroupedNumber(uint64_t value);

} // namespace vorn

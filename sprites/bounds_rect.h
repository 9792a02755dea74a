#pragma once

#include <cstdint>
#include <limits>

namespace vorn {

// A picture's extent relative to its origin: left and top inclusive, right
// and bottom exclusive (right = x + width, bottom = the bottom edge's y).
// The empty rectangle has left = top = INT32_MAX and right = bottom =
// INT32_MIN, so any union with it is the other rectangle.
struct BoundsRect {
    int32_t left = std::numeric_limits<int32_t>::max();
    int32_t top = std::numeric_limits<int32_t>::max();
    int32_t right = std::numeric_limits<int32_t>::min();
    int32_t bottom = std::numeric_limits<int32_t>::min();

    static constexpr BoundsRect Empty() { return {}; }
    bool IsEmpty() const { return *this == BoundsRect{}; }
    bool operator==(const BoundsRect&) const = default;
};

// 32-bit two's-complement sum: wraps instead of overflowing.
constexpr int32_t WrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t WrapSub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

} // namespace vorn

#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <vector>

namespace vorn {

// A copy of the bytes, or none when memory runs out: callers hand copies of
// whole entries out, and an entry may be larger than what is free.
inline std::optional<std::vector<uint8_t>> CopyBytes(std::span<const uint8_t> bytes)
{
    try {
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace vorn

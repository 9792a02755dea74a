#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace vorn {

// The in-memory bytes of one entry. Block 0 of an archive is a permanent
// empty block that no entry owns.
struct FarDataBlock {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t length = 0;
    bool allocated = false;

    bool HasBytes() const { return allocated; }
    std::span<const uint8_t> Span() const { return {bytes.get(), length}; }
};

} // namespace vorn

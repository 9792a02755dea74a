#pragma once

#include <array>
#include <cstdint>

namespace vorn {

// The 16 bytes at the start of a FAR archive, and the layout constants of the format.
struct FarHeader {
    static constexpr std::array<char, 8> kMagic = {'F', 'A', 'R', '!', 'b', 'y', 'A', 'Z'};
    static constexpr uint32_t kWrittenVersion = 1;
    static constexpr uint32_t kSize = 16;
    static constexpr uint32_t kVersionOffset = 8;
    static constexpr uint32_t kManifestOffsetOffset = 12;

    std::array<char, 8> magic = kMagic;
    uint32_t version = kWrittenVersion;
    uint32_t manifestOffset = kSize;
};

} // namespace vorn

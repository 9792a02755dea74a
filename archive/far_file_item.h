#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// One file of a directory in the tree: which archive entry it stands for and
// its own name (the part of the entry's name after the last "\\").
struct FarFileItem {
    int32_t entryIndex = -1;
    std::string name;

    bool operator==(const FarFileItem&) const = default;
};

} // namespace vorn

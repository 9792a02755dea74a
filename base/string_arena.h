#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace vorn {

// Owns many small strings in a few large blocks, so keeping hundreds of
// thousands of names costs a handful of allocations and nothing per name.
// Strings are only added; every view handed out stays valid until Clear or
// destruction.
class StringArena {
public:
    StringArena() = default;
    StringArena(const StringArena&) = delete;
    StringArena& operator=(const StringArena&) = delete;

    // Room for `size` bytes that the caller fills; null only for size 0.
    // What goes unused can be given back with Shrink before the next call.
    char* Allocate(size_t size);
    // Returns the last `unused` bytes of the latest allocation.
    void Shrink(size_t unused);
    // A kept copy of `text`.
    std::string_view Keep(std::string_view text);
    void Clear();

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
        size_t used = 0;
    };
    std::vector<Block> blocks_;
    size_t lastBlock_ = 0; // the block of the latest allocation
};

} // namespace vorn

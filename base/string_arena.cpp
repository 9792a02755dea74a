#include "base/string_arena.h"

#include <algorithm>
#include <cstring>

namespace vorn {

namespace {

constexpr size_t kBlockSize = 256 * 1024;

} // namespace

char* StringArena::Allocate(size_t size)
{
    if (size == 0)
        return nullptr;
    if (size > kBlockSize / 4) {
        // A string too large to share a block gets one of its own, put
        // before the current block so that block's free room stays in use.
        Block own{std::unique_ptr<char[]>(new char[size]), size, size};
        char* bytes = own.bytes.get();
        const auto at = blocks_.empty() ? blocks_.end() : blocks_.end() - 1;
        const auto inserted = blocks_.insert(at, std::move(own)); // may move the vector
        lastBlock_ = static_cast<size_t>(inserted - blocks_.begin());
        return bytes;
    }
    if (blocks_.empty() || blocks_.back().size - blocks_.back().used < size)
        blocks_.push_back(Block{std::unique_ptr<char[]>(new char[kBlockSize]), kBlockSize, 0});
    Block& block = blocks_.back();
    char* bytes = block.bytes.get() + block.used;
    block.used += size;
    lastBlock_ = blocks_.size() - 1;
    return bytes;
}

void StringArena::Shrink(size_t unused)
{
    if (!blocks_.empty())
        blocks_[lastBlock_].used -= std::min(unused, blocks_[lastBlock_].used);
}

std::string_view StringArena::Keep(std::string_view text)
{
    char* bytes = Allocate(text.size());
    if (bytes)
        std::memcpy(bytes, text.data(), text.size());
    return {bytes, text.size()};
}

void StringArena::Clear()
{
    blocks_.clear();
    lastBlock_ = 0;
}

} // namespace vorn

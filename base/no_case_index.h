#pragma once

#include "base/name_compare.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vorn {

// A flat, open-addressing set of 32-bit ids keyed by names compared without
// regard to letter case. The names stay in the caller's records: the set
// holds each id beside its name's hash, so lookups touch one array and
// growing never hashes a name again. No two ids of the set have equal names.
class NoCaseIndex {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    static uint32_t Hash(std::string_view name)
    {
        const uint64_t hash = HashNoCase(name);
        return static_cast<uint32_t>(hash ^ (hash >> 32));
    }

    void Clear();
    void Reserve(size_t count);
    size_t Size() const { return size_; }

    // The id whose name (through `nameOf(id)`) equals `name`, or kNone.
    template <class NameOf>
    uint32_t Find(std::string_view name, uint32_t hash, const NameOf& nameOf) const
    {
        if (slots_.empty())
            return kNone;
        for (size_t i = Home(hash);; i = (i + 1) & Mask()) {
            const Slot& slot = slots_[i];
            if (slot.id == kNone)
                return kNone;
            if (slot.hash == hash && EqualsNoCase(nameOf(slot.id), name))
                return slot.id;
        }
    }

    // Adds an id whose name is not in the set.
    void Insert(uint32_t id, uint32_t hash);
    // Removes the id stored under `hash`; false when it is not there.
    bool Erase(uint32_t id, uint32_t hash);
    // Puts `replacement` (a name equal to id's) where `id` is; false when `id` is not there.
    bool Replace(uint32_t id, uint32_t hash, uint32_t replacement);
    // Every id above `id` becomes one less: for ids that are positions in a
    // list from which the element at `id` was removed (and erased here first).
    void ShiftDownAbove(uint32_t id);
    // Every id from `id` up becomes one more: for positions in a list into
    // which an element goes at `id` (inserted here afterwards).
    void ShiftUpFrom(uint32_t id);

private:
    struct Slot {
        uint32_t hash = 0;
        uint32_t id = kNone;
    };

    size_t Mask() const { return slots_.size() - 1; }
    // Fibonacci hashing spreads hashes whose low bits are alike.
    size_t Home(uint32_t hash) const { return static_cast<size_t>((hash * 2654435769u) >> shift_); }
    size_t SlotOf(uint32_t id, uint32_t hash) const;
    void Grow(size_t capacity);

    std::vector<Slot> slots_;
    size_t size_ = 0;
    unsigned shift_ = 32;
};

} // namespace vorn

#include "base/no_case_index.h"

#include <algorithm>
#include <bit>

namespace vorn {

namespace {

constexpr size_t kMinCapacity = 16;

// Capacity that keeps `count` ids at most three quarters full.
size_t CapacityFor(size_t count)
{
    return std::bit_ceil(std::max(kMinCapacity, count + count / 3 + 1));
}

} // namespace

void NoCaseIndex::Clear()
{
    slots_.clear();
    slots_.shrink_to_fit();
    size_ = 0;
    shift_ = 32;
}

void NoCaseIndex::Reserve(size_t count)
{
    if (CapacityFor(count) > slots_.size())
        Grow(CapacityFor(count));
}

void NoCaseIndex::Grow(size_t capacity)
{
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    shift_ = 32 - static_cast<unsigned>(std::countr_zero(capacity));
    for (const Slot& slot : old) {
        if (slot.id == kNone)
            continue;
        size_t i = Home(slot.hash);
        while (slots_[i].id != kNone)
            i = (i + 1) & Mask();
        slots_[i] = slot;
    }
}

void NoCaseIndex::Insert(uint32_t id, uint32_t hash)
{
    if (slots_.empty() || (size_ + 1) * 4 > slots_.size() * 3)
        Grow(CapacityFor(std::max(size_ + 1, slots_.size())));
    size_t i = Home(hash);
    while (slots_[i].id != kNone)
        i = (i + 1) & Mask();
    slots_[i] = Slot{hash, id};
    ++size_;
}

size_t NoCaseIndex::SlotOf(uint32_t id, uint32_t hash) const
{
    if (slots_.empty())
        return slots_.size();
    for (size_t i = Home(hash);; i = (i + 1) & Mask()) {
        if (slots_[i].id == kNone)
            return slots_.size();
        if (slots_[i].id == id)
            return i;
    }
}

bool NoCaseIndex::Replace(uint32_t id, uint32_t hash, uint32_t replacement)
{
    const size_t i = SlotOf(id, hash);
    if (i == slots_.size())
        return false;
    slots_[i].id = replacement;
    return true;
}

void NoCaseIndex::ShiftDownAbove(uint32_t id)
{
    // Hashes do not change, so no slot moves.
    for (Slot& slot : slots_) {
        if (slot.id != kNone && slot.id > id)
            --slot.id;
    }
}

void NoCaseIndex::ShiftUpFrom(uint32_t id)
{
    for (Slot& slot : slots_) {
        if (slot.id != kNone && slot.id >= id)
            ++slot.id;
    }
}

bool NoCaseIndex::Erase(uint32_t id, uint32_t hash)
{
    size_t hole = SlotOf(id, hash);
    if (hole == slots_.size())
        return false;
    // Backward shift: pull later members of the probe run into the hole so
    // that no lookup stops early at it.
    for (size_t j = (hole + 1) & Mask(); slots_[j].id != kNone; j = (j + 1) & Mask()) {
        const size_t home = Home(slots_[j].hash);
        const bool homeAfterHole = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
        if (homeAfterHole)
            continue;
        slots_[hole] = slots_[j];
        hole = j;
    }
    slots_[hole] = Slot{};
    --size_;
    return true;
}

} // namespace vorn

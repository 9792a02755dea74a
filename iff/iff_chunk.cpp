#include "iff/iff_chunk.h"

#include "base/endian.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace vorn {

namespace {

constexpr uint64_t kMaxCapacity = 0xFFFFFFC0u; // largest multiple of 64 that fits 32 bits

uint64_t RoundUp64(uint64_t n) { return n == 0 ? 64 : (n + 63) & ~uint64_t{63}; }

} // namespace

CIffChunk::CIffChunk() : CIffChunk(0, 0, kDefaultFlags, {}) {}

CIffChunk::CIffChunk(uint32_t type, uint16_t id, uint16_t flags, std::string label)
    : type_(type), id_(id), flags_(flags), label_(std::move(label)), data_(64), capacity_(64)
{
    SetLabel(label_);
}

void CIffChunk::SetLabel(std::string label)
{
    // A label is NUL-terminated text in the file; nothing after a NUL survives a round trip.
    if (const auto nul = label.find('\0'); nul != std::string::npos)
        label.resize(nul);
    label_ = std::move(label);
}

bool CIffChunk::GrowTo(uint64_t capacity)
{
    if (capacity <= capacity_)
        return true;
    if (capacity > kMaxCapacity)
        return false;
    try {
        // std::vector grows its storage geometrically underneath, so the
        // 64-byte capacity steps do not make long write sequences quadratic.
        data_.resize(static_cast<size_t>(capacity));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    capacity_ = static_cast<uint32_t>(capacity);
    return true;
}

bool CIffChunk::Read(void* buffer, uint32_t count)
{
    const uint64_t end = static_cast<uint64_t>(position_) + count;
    // An unloaded chunk knows its size but holds no bytes yet.
    if (end > size_ || end > capacity_)
        return false;
    if (count != 0)
        std::memcpy(buffer, data_.data() + position_, count);
    position_ += count;
    return true;
}

bool CIffChunk::Read16(uint16_t& value)
{
    uint8_t bytes[2];
    if (!Read(bytes, 2))
        return false;
    value = LoadLE16(bytes);
    return true;
}

bool CIffChunk::Read32(uint32_t& value)
{
    uint8_t bytes[4];
    if (!Read(bytes, 4))
        return false;
    value = LoadLE32(bytes);
    return true;
}

bool CIffChunk::Write(const void* data, uint32_t count)
{
    const uint64_t end = static_cast<uint64_t>(position_) + count;
    if (end > capacity_) {
        uint64_t grown = (static_cast<uint64_t>(count) + capacity_ + 63) & ~uint64_t{63};
        // A position set beyond the capacity would otherwise leave the new buffer too short.
        grown = std::max(grown, RoundUp64(end));
        if (!GrowTo(grown))
            return false;
    }
    if (position_ > size_)
        std::fill(data_.begin() + size_, data_.begin() + position_, uint8_t{0});
    if (count != 0)
        std::memcpy(data_.data() + position_, data, count);
    position_ = static_cast<uint32_t>(end);
    size_ = std::max(size_, position_);
    return true;
}

bool CIffChunk::Write16(uint16_t value)
{
    uint8_t bytes[2];
    StoreLE16(bytes, value);
    return Write(bytes, 2);
}

bool CIffChunk::Write32(uint32_t value)
{
    uint8_t bytes[4];
    StoreLE32(bytes, value);
    return Write(bytes, 4);
}

bool CIffChunk::SetSize(uint32_t size)
{
    if (size > capacity_ && !GrowTo(RoundUp64(size)))
        return false;
    size_ = size;
    position_ = std::min(position_, size);
    return true;
}

bool CIffChunk::ReserveForSize(uint32_t size)
{
    const uint64_t capacity = RoundUp64(size);
    if (capacity > kMaxCapacity)
        return false;
    try {
        std::vector<uint8_t> fresh(static_cast<size_t>(capacity));
        data_.swap(fresh);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    capacity_ = static_cast<uint32_t>(capacity);
    position_ = 0;
    return true;
}

bool CIffChunk::Assign(std::span<const uint8_t> bytes)
{
    if (bytes.size() > kMaxCapacity || !ReserveForSize(static_cast<uint32_t>(bytes.size())))
        return false;
    if (!bytes.empty())
        std::memcpy(data_.data(), bytes.data(), bytes.size());
    size_ = static_cast<uint32_t>(bytes.size());
    loaded_ = true;
    return true;
}

} // namespace vorn

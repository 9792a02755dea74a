#include "base/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vorn {

MemoryStream::MemoryStream(size_t growthStep) : growthStep_(growthStep == 0 ? 1 : growthStep) {}

MemoryStream::MemoryStream(std::span<const uint8_t> bytes, size_t growthStep)
    : buffer_(bytes.begin(), bytes.end()), length_(bytes.size()), growthStep_(growthStep == 0 ? 1 : growthStep) {}

size_t MemoryStream::Read(void* buffer, size_t size)
{
    if (position_ >= length_)
        return 0;
    const size_t count = std::min(size, length_ - position_);
    if (count != 0)
        std::memcpy(buffer, buffer_.data() + position_, count);
    position_ += count;
    return count;
}

bool MemoryStream::Reserve(size_t length)
{
    if (length <= buffer_.size())
        return true;
    const size_t steps = length / growthStep_ + (length % growthStep_ != 0 ? 1 : 0);
    if (steps > std::numeric_limits<size_t>::max() / growthStep_)
        return false;
    try {
        buffer_.resize(steps * growthStep_);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

bool MemoryStream::Write(const void* data, size_t size)
{
    if (size == 0)
        return true;
    if (size > std::numeric_limits<size_t>::max() - position_ || !Reserve(position_ + size))
        return false;
    // A write after a seek past the end leaves zeros in the gap.
    if (position_ > length_)
        std::fill(buffer_.begin() + static_cast<ptrdiff_t>(length_), buffer_.begin() + static_cast<ptrdiff_t>(position_), 0);
    std::memcpy(buffer_.data() + position_, data, size);
    position_ += size;
    length_ = std::max(length_, position_);
    return true;
}

int64_t MemoryStream::Seek(int64_t offset, SeekOrigin origin)
{
    int64_t base = 0;
    if (origin == SeekOrigin::Current)
        base = static_cast<int64_t>(position_);
    else if (origin == SeekOrigin::End)
        base = static_cast<int64_t>(length_);
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset))
        return -1;
    position_ = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(position_);
}

bool MemoryStream::Truncate(int64_t length)
{
    if (length < 0)
        return false;
    const auto newLength = static_cast<size_t>(length);
    if (newLength > length_) {
        if (!Reserve(newLength))
            return false;
        std::fill(buffer_.begin() + static_cast<ptrdiff_t>(length_), buffer_.begin() + static_cast<ptrdiff_t>(newLength), 0);
    }
    length_ = newLength;
    return true;
}

std::vector<uint8_t> MemoryStream::TakeBytes()
{
    buffer_.resize(length_);
    std::vector<uint8_t> bytes = std::move(buffer_);
    buffer_.clear();
    length_ = 0;
    position_ = 0;
    return bytes;
}

} // namespace vorn

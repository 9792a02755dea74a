#include "base/buffered_reader.h"

#include "base/endian.h"

#include <algorithm>
#include <cstring>

namespace vorn {

BufferedReader::BufferedReader(ByteStream& stream, size_t bufferSize)
    : stream_(stream), buffer_(std::max<size_t>(bufferSize, 16)), windowStart_(stream.Position())
{
}

bool BufferedReader::Refill()
{
    // Keep the unread tail, then top the buffer up from the stream.
    const size_t tail = filled_ - cursor_;
    std::memmove(buffer_.data(), buffer_.data() + cursor_, tail);
    windowStart_ += static_cast<int64_t>(cursor_);
    cursor_ = 0;
    filled_ = tail;
    if (stream_.Seek(windowStart_ + static_cast<int64_t>(filled_), SeekOrigin::Begin) < 0)
        return false;
    const size_t got = stream_.Read(buffer_.data() + filled_, buffer_.size() - filled_);
    filled_ += got;
    return got != 0;
}

bool BufferedReader::Read(void* buffer, size_t size)
{
    auto* out = static_cast<uint8_t*>(buffer);
    while (size != 0) {
        if (cursor_ == filled_) {
            // Large reads bypass the buffer.
            if (size >= buffer_.size()) {
                windowStart_ += static_cast<int64_t>(cursor_);
                cursor_ = filled_ = 0;
                if (stream_.Seek(windowStart_, SeekOrigin::Begin) < 0)
                    return false;
                const size_t got = stream_.Read(out, size);
                windowStart_ += static_cast<int64_t>(got);
                return got == size;
            }
            if (!Refill())
                return false;
        }
        const size_t step = std::min(size, filled_ - cursor_);
        std::memcpy(out, buffer_.data() + cursor_, step);
        cursor_ += step;
        out += step;
        size -= step;
    }
    return true;
}

bool BufferedReader::ReadLE16(uint16_t& value)
{
    uint8_t bytes[2];
    if (!Read(bytes, sizeof bytes))
        return false;
    value = LoadLE16(bytes);
    return true;
}

bool BufferedReader::ReadLE32(uint32_t& value)
{
    uint8_t bytes[4];
    if (!Read(bytes, sizeof bytes))
        return false;
    value = LoadLE32(bytes);
    return true;
}

bool BufferedReader::SeekTo(int64_t position)
{
    if (position < 0)
        return false;
    if (position >= windowStart_ && position <= windowStart_ + static_cast<int64_t>(filled_)) {
        cursor_ = static_cast<size_t>(position - windowStart_);
        return true;
    }
    windowStart_ = position;
    cursor_ = filled_ = 0;
    return stream_.Seek(position, SeekOrigin::Begin) == position;
}

} // namespace vorn

#include "base/buffered_writer.h"

#include "base/endian.h"

#include <algorithm>
#include <cstring>

namespace vorn {

BufferedWriter::BufferedWriter(ByteStream& stream, size_t bufferSize)
    : stream_(stream), buffer_(std::max<size_t>(bufferSize, 16)), streamPosition_(stream.Position())
{
}

bool BufferedWriter::Drain()
{
    if (pending_ == 0 || failed_)
        return !failed_;
    if (!stream_.Write(buffer_.data(), pending_))
        failed_ = true;
    streamPosition_ += static_cast<int64_t>(pending_);
    pending_ = 0;
    return !failed_;
}

bool BufferedWriter::Write(const void* data, size_t size)
{
    if (failed_)
        return false;
    // Nothing to copy: an empty name or block may come with no storage at all.
    if (size == 0)
        return true;
    // Copying a block that would fill most of the buffer costs more than a system call.
    if (size >= buffer_.size() / 4) {
        if (!Drain())
            return false;
        if (!stream_.Write(data, size))
            failed_ = true;
        streamPosition_ += static_cast<int64_t>(size);
        return !failed_;
    }
    if (pending_ + size > buffer_.size() && !Drain())
        return false;
    std::memcpy(buffer_.data() + pending_, data, size);
    pending_ += size;
    return true;
}

bool BufferedWriter::WriteLE16(uint16_t value)
{
    uint8_t bytes[2];
    StoreLE16(bytes, value);
    return Write(bytes, sizeof bytes);
}

bool BufferedWriter::WriteLE32(uint32_t value)
{
    uint8_t bytes[4];
    StoreLE32(bytes, value);
    return Write(bytes, sizeof bytes);
}

bool BufferedWriter::Finish()
{
    return Drain();
}

} // namespace vorn

#pragma once

#include "base/byte_stream.h"

#include <vector>

namespace vorn {

// Reads a stream through a buffer, for formats made of many small fields
// (a manifest of 200,000 records must not cost a system call per field).
// The reader owns the stream's position while it is in use.
class BufferedReader {
public:
    explicit BufferedReader(ByteStream& stream, size_t bufferSize = 64 * 1024);

    bool Read(void* buffer, size_t size);
    bool ReadLE16(uint16_t& value);
    bool ReadLE32(uint32_t& value);
    // Moves to an absolute position; within the buffer this costs nothing.
    bool SeekTo(int64_t position);
    int64_t Position() const { return windowStart_ + static_cast<int64_t>(cursor_); }

private:
    bool Refill();

    ByteStream& stream_;
    std::vector<uint8_t> buffer_;
    int64_t windowStart_; // stream position of buffer_[0]
    size_t cursor_ = 0;
    size_t filled_ = 0;
};

} // namespace vorn

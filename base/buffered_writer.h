#pragma once

#include "base/byte_stream.h"

#include <vector>

namespace vorn {

// Collects small writes into large ones; big blocks go straight through.
// Nothing is guaranteed written until Finish() returns true.
class BufferedWriter {
public:
    explicit BufferedWriter(ByteStream& stream, size_t bufferSize = 256 * 1024);

    bool Write(const void* data, size_t size);
    bool WriteLE16(uint16_t value);
    bool WriteLE32(uint32_t value);
    // Position in the stream as if everything written so far had landed.
    int64_t Position() const { return streamPosition_ + static_cast<int64_t>(pending_); }
    // Writes out what is pending; false if any write failed.
    bool Finish();

private:
    bool Drain();

    ByteStream& stream_;
    std::vector<uint8_t> buffer_;
    size_t pending_ = 0;
    int64_t streamPosition_;
    bool failed_ = false;
};

} // namespace vorn

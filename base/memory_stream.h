#pragma once

#include "base/byte_stream.h"

#include <span>
#include <vector>

namespace vorn {

// A growable in-memory stream. Capacity grows in multiples of the growth step
// the owner chooses, so many small writes do not reallocate each time.
class MemoryStream : public ByteStream {
public:
    explicit MemoryStream(size_t growthStep = 1024);
    MemoryStream(std::span<const uint8_t> bytes, size_t growthStep = 1024);

    size_t Read(void* buffer, size_t size) override;
    bool Write(const void* data, size_t size) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override { return static_cast<int64_t>(position_); }
    int64_t Length() const override { return static_cast<int64_t>(length_); }
    bool Truncate(int64_t length) override;
    bool Flush() override { return true; }

    std::span<const uint8_t> Bytes() const { return {buffer_.data(), length_}; }
    size_t Capacity() const { return buffer_.size(); }
    // Hands the bytes over and leaves the stream empty.
    std::vector<uint8_t> TakeBytes();

private:
    bool Reserve(size_t length);

    std::vector<uint8_t> buffer_;
    size_t length_ = 0;
    size_t position_ = 0;
    size_t growthStep_;
};

} // namespace vorn

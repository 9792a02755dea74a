#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vorn {

enum class SeekOrigin { Begin, Current, End };

// A seekable byte stream. Operations never throw: reads report how much they
// got, the others report success, so callers turn failures into results.
class ByteStream {
public:
    virtual ~ByteStream() = default;

    // Reads up to `size` bytes; fewer at the end of the stream or on an I/O error.
    virtual size_t Read(void* buffer, size_t size) = 0;
    // Writes every byte or returns false.
    virtual bool Write(const void* data, size_t size) = 0;
    // Returns the position reached, or -1 when the target is negative or the stream failed.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Position() const = 0;
    // The stream's length, or -1 on an I/O error.
    virtual int64_t Length() const = 0;
    // Sets the length; the position is left where it was.
    virtual bool Truncate(int64_t length) = 0;
    // Makes written bytes durable where the medium allows it.
    virtual bool Flush() = 0;
    // A second, independent handle to the same open file, or null when the
    // stream has no handle to share (memory streams).
    virtual std::unique_ptr<ByteStream> DuplicateHandle() const { return nullptr; }

    bool ReadExact(void* buffer, size_t size) { return Read(buffer, size) == size; }
};

} // namespace vorn

#pragma once

#include "base/byte_stream.h"

#include <filesystem>

namespace vorn {

enum class FileMode {
    Read,            // existing file, read only
    ReadWrite,       // existing file, read and write
    CreateReadWrite, // created or truncated, read and write
};

// A file on disk behind a POSIX descriptor. It keeps its own position and
// uses positioned I/O, so duplicated handles never disturb each other.
class FileStream : public ByteStream {
public:
    explicit FileStream(int fd);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Opens a file; on failure returns null and stores errno in `error`.
    static std::unique_ptr<FileStream> Open(const std::filesystem::path& path, FileMode mode, int& error);
    // Creates a new, uniquely named file in `folder`; its path goes to `created`.
    static std::unique_ptr<FileStream> CreateTemporary(const std::filesystem::path& folder,
                                                       std::filesystem::path& created, int& error);

    size_t Read(void* buffer, size_t size) override;
    bool Write(const void* data, size_t size) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override { return position_; }
    int64_t Length() const override;
    bool Truncate(int64_t length) override;
    bool Flush() override;
    std::unique_ptr<ByteStream> DuplicateHandle() const override;

    // Takes an exclusive lock on the open file description, so no other
    // holder (in this process or another) can lock the same file. Returns
    // false when someone else holds it; `error` then says why.
    bool LockExclusive(int& error);
    int Descriptor() const { return fd_; }

private:
    int fd_;
    int64_t position_ = 0;
};

} // namespace vorn

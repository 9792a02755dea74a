#pragma once

#include "base/byte_stream.h"

#include <filesystem>

namespace vorn {

enum class FileMode {
    Read,            // existing file, read only
    ReadWrite,       // existing file, read and write
    CreateReadWrite, // created or truncated, read and write
};

// The kind of lock a holder takes on a whole file: an exclusive one keeps
// every other holder out; shared ones admit each other and keep exclusive
// ones out.
enum class FileLock { Exclusive, Shared };

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
    // Opens an existing file read-write and takes its exclusive lock (or,
    // with FileLock::Shared, read only under a shared lock), then checks that
    // `path` still names the locked file: a writer that renamed a new file
    // over the name between the open and the lock leaves this one holding a
    // replaced file, whose changes would be lost (or whose reader would show
    // what is gone), so the new one is opened instead (a few times at most).
    // On failure returns null with errno in `error`; EAGAIN when another
    // holder keeps the file.
    static std::unique_ptr<FileStream> OpenLocked(const std::filesystem::path& path, int& error,
                                                  FileLock lock = FileLock::Exclusive);

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
    bool LockExclusive(int& error) { return Lock(FileLock::Exclusive, error); }
    // Takes either kind of lock (a shared one needs only read access).
    bool Lock(FileLock lock, int& error);
    // True when `path` names the file this stream has open.
    bool IsNamedBy(const std::filesystem::path& path) const;
    int Descriptor() const { return fd_; }
    // The errno of the last write, sync or truncation that failed (0 while
    // none has), so a caller can say why ("no space left") after the fact.
    int LastError() const { return lastError_; }

private:
    bool Failed(int error);

    int fd_;
    int64_t position_ = 0;
    int lastError_ = 0;
};

} // namespace vorn

#include "base/file_stream.h"

#include "base/fault_point.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

FileStream::FileStream(int fd) : fd_(fd) {}

FileStream::~FileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::unique_ptr<FileStream> FileStream::Open(const std::filesystem::path& path, FileMode mode, int& error)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case FileMode::Read: flags |= O_RDONLY; break;
    case FileMode::ReadWrite: flags |= O_RDWR; break;
    case FileMode::CreateReadWrite: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        error = EISDIR;
        return nullptr;
    }
    error = 0;
    return std::make_unique<FileStream>(fd);
}

std::unique_ptr<FileStream> FileStream::OpenLocked(const std::filesystem::path& path, int& error, FileLock lock)
{
    const FileMode mode = lock == FileLock::Shared ? FileMode::Read : FileMode::ReadWrite;
    // Each retry means another writer replaced the file in the moment
    // between our open and our lock; a handful of those in a row is a
    // writer that keeps replacing it, which reads as a file in use.
    constexpr int kAttempts = 8;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::unique_ptr<FileStream> file = Open(path, mode, error);
        if (!file)
            return nullptr;
        if (FaultInjected(FaultPoint::Lock) || !file->Lock(lock, error)) {
            // A lock another holder keeps reads as a file in use, whichever way the system words it.
            error = error == EACCES || error == 0 ? EAGAIN : error;
            return nullptr;
        }
        if (file->IsNamedBy(path))
            return file;
    }
    error = EAGAIN;
    return nullptr;
}

bool FileStream::IsNamedBy(const std::filesystem::path& path) const
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd_, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

bool FileStream::Failed(int error)
{
    lastError_ = error;
    errno = error;
    return false;
}

size_t FileStream::Read(void* buffer, size_t size)
{
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd_, out + done, size - done, position_);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
        position_ += got;
    }
    return done;
}

bool FileStream::Write(const void* data, size_t size)
{
    if (FaultInjected(FaultPoint::Write))
        return Failed(EIO);
    if (FaultInjected(FaultPoint::DiskFull))
        return Failed(ENOSPC);
    const auto* in = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd_, in + done, size - done, position_);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return Failed(put < 0 ? errno : EIO);
        done += static_cast<size_t>(put);
        position_ += put;
    }
    return true;
}

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin)
{
    int64_t base = 0;
    if (origin == SeekOrigin::Current) {
        base = position_;
    } else if (origin == SeekOrigin::End) {
        base = Length();
        if (base < 0)
            return -1;
    }
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset))
        return -1;
    position_ = base + offset;
    return position_;
}

int64_t FileStream::Length() const
{
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        return -1;
    return info.st_size;
}

bool FileStream::Truncate(int64_t length)
{
    if (length < 0)
        return false;
    int result;
    do {
        result = ::ftruncate(fd_, length);
    } while (result != 0 && errno == EINTR);
    return result == 0 || Failed(errno);
}

bool FileStream::Flush()
{
    if (FaultInjected(FaultPoint::Sync))
        return Failed(EIO);
    return ::fsync(fd_) == 0 || Failed(errno);
}

std::unique_ptr<ByteStream> FileStream::DuplicateHandle() const
{
    const int copy = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return nullptr;
    return std::make_unique<FileStream>(copy);
}

bool FileStream::Lock(FileLock kind, int& error)
{
    struct flock lock {};
    lock.l_type = kind == FileLock::Shared ? F_RDLCK : F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // the whole file, however long it grows
    if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) {
        error = 0;
        return true;
    }
    error = errno;
    return false;
}

} // namespace vorn

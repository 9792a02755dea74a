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

std::unique_ptr<FileStream> FileStream::CreateTemporary(const std::filesystem::path& folder,
                                                        std::filesystem::path& created, int& error)
{
    std::string pattern = (folder / ".vorn-XXXXXX").string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    // mkstemp makes the file 0600; an archive should get the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    created = pattern;
    error = 0;
    return std::make_unique<FileStream>(fd);
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
    if (FaultInjected(FaultPoint::Write)) {
        errno = EIO;
        return false;
    }
    const auto* in = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd_, in + done, size - done, position_);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
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
    return result == 0;
}

bool FileStream::Flush()
{
    if (FaultInjected(FaultPoint::Sync)) {
        errno = EIO;
        return false;
    }
    return ::fsync(fd_) == 0;
}

std::unique_ptr<ByteStream> FileStream::DuplicateHandle() const
{
    const int copy = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return nullptr;
    return std::make_unique<FileStream>(copy);
}

bool FileStream::LockExclusive(int& error)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
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

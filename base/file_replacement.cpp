#include "base/file_replacement.h"

#include "base/fault_point.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

namespace {

std::filesystem::path FolderOf(const std::filesystem::path& path)
{
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

void SyncFolder(const std::filesystem::path& folder)
{
    if (FaultInjected(FaultPoint::Sync))
        return; // the new name is in place already; only its durability is at stake
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A fresh name beside the target in the temporary-file pattern.
std::filesystem::path RandomNameIn(const std::filesystem::path& folder)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        const auto seed = static_cast<unsigned long>(::getpid()) ^ static_cast<unsigned long>(::time(nullptr));
        for (size_t i = 0; i < sizeof random; ++i)
            random[i] = static_cast<unsigned char>(seed >> (i * 5));
    }
    std::string name = ".vorn-";
    for (unsigned char byte : random)
        name += kLetters[byte % (sizeof kLetters - 1)];
    return folder / name;
}

// Gives the open unnamed file `fd` the name `path`; fails when `path` exists.
bool LinkUnnamed(int fd, const std::filesystem::path& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    // Without /proc the descriptor itself can be linked where that is permitted.
    return ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0;
}

// Takes the whole-file lock that marks a temporary file as in use; the lock
// goes with the last descriptor, so a killed save leaves its file unlocked.
bool TryLock(int fd)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool IsTemporaryName(const char* name)
{
    static constexpr char kPrefix[] = ".vorn-";
    return std::strncmp(name, kPrefix, sizeof kPrefix - 1) == 0 && std::strlen(name) == sizeof kPrefix - 1 + 6;
}

} // namespace

void RemoveAbandonedTemporaries(const std::filesystem::path& folder)
{
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return;
    const int folderFd = ::dirfd(listing);
    while (const dirent* item = ::readdir(listing)) {
        if (!IsTemporaryName(item->d_name))
            continue;
        const int fd = ::openat(folderFd, item->d_name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        // Only a regular file that nobody holds, and still the one under that name.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && TryLock(fd) &&
            ::fstatat(folderFd, item->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino)
            ::unlinkat(folderFd, item->d_name, 0);
        ::close(fd);
    }
    ::closedir(listing);
}

FileReplacement::FileReplacement(std::filesystem::path target, ReplaceMode mode)
    : target_(std::move(target)), mode_(mode)
{
}

FileReplacement::~FileReplacement()
{
    Discard();
}

bool FileReplacement::Begin(int& error)
{
    const std::filesystem::path folder = FolderOf(target_);
    // A save killed between naming its file and the rename leaves that file behind.
    RemoveAbandonedTemporaries(folder);
    const int fd = FaultInjected(FaultPoint::UnnamedCreate)
                       ? (errno = EOPNOTSUPP, -1)
                       : ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        stream_ = std::make_unique<FileStream>(fd);
        unnamed_ = true;
    } else {
        // File systems without unnamed files get a named one, removed on failure.
        stream_ = FileStream::CreateTemporary(folder, temporary_, error);
        if (!stream_)
            return false;
    }
    // Locked from the start, so that no other save takes it for an abandoned one.
    TryLock(stream_->Descriptor());
    struct stat previous {};
    if (::stat(target_.c_str(), &previous) == 0)
        ::fchmod(stream_->Descriptor(), previous.st_mode & 07777);
    error = 0;
    return true;
}

bool FileReplacement::PlaceUnnamed(int& error)
{
    if (FaultInjected(FaultPoint::Rename)) {
        error = EIO;
        return false;
    }
    if (mode_ == ReplaceMode::CreateNew) {
        // A link never replaces an existing name, so of two creators only one wins.
        if (LinkUnnamed(stream_->Descriptor(), target_))
            return true;
        error = errno;
        return false;
    }
    // A link cannot replace the target: give the file a name of its own for
    // the moment of the rename, which does replace it atomically.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path name = RandomNameIn(FolderOf(target_));
        if (!LinkUnnamed(stream_->Descriptor(), name)) {
            if (errno == EEXIST)
                continue;
            error = errno;
            return false;
        }
        if (::rename(name.c_str(), target_.c_str()) == 0)
            return true;
        error = errno;
        ::unlink(name.c_str());
        return false;
    }
    error = EEXIST;
    return false;
}

bool FileReplacement::PlaceNamed(int& error)
{
    if (FaultInjected(FaultPoint::Rename)) {
        error = EIO;
        return false;
    }
    if (mode_ == ReplaceMode::Replace) {
        if (::rename(temporary_.c_str(), target_.c_str()) == 0) {
            temporary_.clear();
            return true;
        }
        error = errno;
        return false;
    }
    if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
        temporary_.clear();
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        error = errno;
        return false;
    }
    // No exclusive rename here: a link fails on an existing name just as well.
    if (::link(temporary_.c_str(), target_.c_str()) != 0) {
        error = errno;
        return false;
    }
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return true;
}

ReplaceResult FileReplacement::Commit(int& error)
{
    if (!stream_->Flush()) {
        error = errno;
        Discard();
        return ReplaceResult::NotSynced;
    }
    if (!(unnamed_ ? PlaceUnnamed(error) : PlaceNamed(error))) {
        Discard();
        return mode_ == ReplaceMode::CreateNew && error == EEXIST ? ReplaceResult::AlreadyExists
                                                                 : ReplaceResult::NotRenamed;
    }
    committed_ = true;
    SyncFolder(FolderOf(target_));
    error = 0;
    return ReplaceResult::Replaced;
}

void FileReplacement::Discard()
{
    if (committed_)
        return;
    stream_.reset();
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

} // namespace vorn

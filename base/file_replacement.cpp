#include "base/file_replacement.h"

#include "base/fault_point.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

constexpr std::string_view kTemporaryPrefix = ".vorn-save-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr size_t kRandomLetters = 12;

bool IsAsciiLetterOrDigit(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// A fresh name beside the target: ".vorn-save-<pid>-<12 letters>.tmp", a
// shape no user picks by chance, so the clean-up never mistakes a user's file for one.
std::filesystem::path RandomNameIn(const std::filesystem::path& folder)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[kRandomLetters] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        static std::atomic<unsigned long> counter{0};
        unsigned long seed = static_cast<unsigned long>(::getpid()) * 2654435761UL ^
                             static_cast<unsigned long>(::time(nullptr)) ^ (counter.fetch_add(1) << 20);
        for (unsigned char& byte : random) {
            seed = seed * 6364136223846793005UL + 1442695040888963407UL;
            byte = static_cast<unsigned char>(seed >> 33);
        }
    }
    std::string name(kTemporaryPrefix);
    name += std::to_string(::getpid());
    name += '-';
    for (unsigned char byte : random)
        name += kLetters[byte % (sizeof kLetters - 1)];
    name += kTemporarySuffix;
    return folder / name;
}

// A named new file for file systems without unnamed ones.
std::unique_ptr<FileStream> CreateNamedIn(const std::filesystem::path& folder, std::filesystem::path& created,
                                          int& error)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path name = RandomNameIn(folder);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            created = name;
            error = 0;
            return std::make_unique<FileStream>(fd);
        }
        if (errno != EEXIST) {
            error = errno;
            return nullptr;
        }
    }
    error = EEXIST;
    return nullptr;
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

} // namespace

bool IsTemporaryName(std::string_view name)
{
    if (name.size() <= kTemporaryPrefix.size() + kTemporarySuffix.size() || !name.starts_with(kTemporaryPrefix) ||
        !name.ends_with(kTemporarySuffix))
        return false;
    name.remove_prefix(kTemporaryPrefix.size());
    name.remove_suffix(kTemporarySuffix.size());
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10 || name.size() - dash - 1 != kRandomLetters)
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i < dash ? !(c >= '0' && c <= '9') : i > dash && !IsAsciiLetterOrDigit(c))
            return false;
    }
    return true;
}

void RemoveAbandonedTemporaries(const std::filesystem::path& folder, std::span<const char> signature)
{
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return;
    const int folderFd = ::dirfd(listing);
    std::vector<char> head(signature.size());
    while (const dirent* item = ::readdir(listing)) {
        if (!IsTemporaryName(item->d_name))
            continue;
        const int fd = ::openat(folderFd, item->d_name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        // Only a regular file that begins as the saved kind of file does (a
        // save locks its file before it writes a byte, so one that has bytes
        // and no lock lost its writer), that nobody holds, and that is still
        // the one under that name.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::pread(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size()) &&
            std::equal(head.begin(), head.end(), signature.begin()) && TryLock(fd) &&
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
    const int fd = FaultInjected(FaultPoint::UnnamedCreate)
                       ? (errno = EOPNOTSUPP, -1)
                       : ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        stream_ = std::make_unique<FileStream>(fd);
        unnamed_ = true;
    } else {
        // File systems without unnamed files get a named one, removed on failure.
        stream_ = CreateNamedIn(folder, temporary_, error);
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
    if (mode_ == ReplaceMode::CreateNew) {
        if (FaultInjected(FaultPoint::Rename)) {
            error = EIO;
            return false;
        }
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
        // The moment a kill leaves a named file behind, which the clean-up removes.
        if (FaultInjected(FaultPoint::Rename))
            errno = EIO;
        else if (::rename(name.c_str(), target_.c_str()) == 0)
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

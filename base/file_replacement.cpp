#include "base/file_replacement.h"

#include <cerrno>
#include <fcntl.h>
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
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FileReplacement::FileReplacement(std::filesystem::path target) : target_(std::move(target)) {}

FileReplacement::~FileReplacement()
{
    Discard();
}

bool FileReplacement::Begin(int& error)
{
    stream_ = FileStream::CreateTemporary(FolderOf(target_), temporary_, error);
    if (!stream_)
        return false;
    struct stat previous {};
    if (::stat(target_.c_str(), &previous) == 0)
        ::fchmod(stream_->Descriptor(), previous.st_mode & 07777);
    return true;
}

ReplaceResult FileReplacement::Commit(int& error)
{
    if (!stream_->Flush()) {
        error = errno;
        Discard();
        return ReplaceResult::NotSynced;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = errno;
        Discard();
        return ReplaceResult::NotRenamed;
    }
    committed_ = true;
    SyncFolder(FolderOf(target_));
    error = 0;
    return ReplaceResult::Replaced;
}

void FileReplacement::Discard()
{
    if (committed_ || temporary_.empty())
        return;
    stream_.reset();
    ::unlink(temporary_.c_str());
    temporary_.clear();
}

} // namespace vorn

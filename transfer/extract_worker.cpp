#include "transfer/extract_worker.h"

#include "archive/archive_path.h"
#include "archive/far_directory_tree.h"
#include "base/fault_point.h"
#include "base/file_error_text.h"
#include "base/file_stream.h"
#include "transfer/disk_names.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_protocol.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace vorn {

namespace {

using transfer_detail::FinishCompleted;
using transfer_detail::StopOnCancel;
namespace text = transfer_text;

// An open disk folder that names below it are resolved against, so a deep
// tree costs one short lookup per file instead of a walk of the whole path.
// Empty (-1) when the folder could not be made or opened: every file meant
// for it then fails on its own. It also knows how long its path is (with
// the closing "/"): nothing is made whose path the system could not name,
// so what is extracted stays reachable by path.
class OpenFolder {
public:
    OpenFolder() = default;
    OpenFolder(int fd, size_t pathLength) : fd_(fd), pathLength_(pathLength) {}
    OpenFolder(OpenFolder&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)), pathLength_(other.pathLength_)
    {
    }
    OpenFolder& operator=(OpenFolder&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        std::swap(pathLength_, other.pathLength_);
        return *this;
    }
    ~OpenFolder()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int fd() const { return fd_; }
    size_t pathLength() const { return pathLength_; }

private:
    int fd_ = -1;
    size_t pathLength_ = 0;
};

// Opens a folder below `parent`; a link in its place is never followed.
int OpenFolderAt(int parent, const std::string& name)
{
    return ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool IsLinkAt(int parent, const std::string& name)
{
    struct stat info {};
    return ::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

// Where the last component of a disk name lives. A "/" inside an archive
// name passes folders nothing has looked at yet; each is opened without
// following a link, so a link on the way leads nowhere.
struct Place {
    int fd = -1; // the folder `last` is resolved in; -1 when it cannot be reached
    size_t pathLength = 0;
    OpenFolder passed; // owns `fd` when it was opened on the way
    std::string last;
    bool throughLink = false;

    bool Fits() const { return pathLength + last.size() < PATH_MAX; }
};

Place PlaceOf(const OpenFolder& folder, const std::string& name)
{
    Place place;
    place.fd = folder.fd();
    place.pathLength = folder.pathLength();
    size_t start = 0;
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', start)) {
        const std::string step = name.substr(start, slash - start);
        const int fd = place.fd < 0 ? -1 : OpenFolderAt(place.fd, step);
        if (fd < 0) {
            place.throughLink = place.fd >= 0 && IsLinkAt(place.fd, step);
            place.fd = -1;
            return place;
        }
        place.pathLength += step.size() + 1;
        place.passed = OpenFolder(fd, place.pathLength);
        place.fd = fd;
        start = slash + 1;
    }
    place.last = name.substr(start);
    return place;
}

// What was in a directory's place on disk before it was made.
enum class FolderFound { Created, Existing, FileInTheWay, LinkInTheWay, Failed };

struct MadeFolder {
    FolderFound found = FolderFound::Failed;
    OpenFolder folder;
};

// Makes `name` below `parent` (the creation comes first, so a new folder
// costs no lookup) and opens it.
MadeFolder MakeFolderAt(const OpenFolder& parent, const std::string& name)
{
    MadeFolder made;
    const Place place = PlaceOf(parent, name);
    if (place.throughLink)
        made.found = FolderFound::LinkInTheWay;
    if (place.fd < 0 || !place.Fits())
        return made;
    const int at = place.fd;
    if (::mkdirat(at, place.last.c_str(), 0777) == 0) {
        made.found = FolderFound::Created;
    } else if (errno == EEXIST) {
        struct stat info {};
        if (::fstatat(at, place.last.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return made;
        made.found = S_ISLNK(info.st_mode)  ? FolderFound::LinkInTheWay
                     : S_ISDIR(info.st_mode) ? FolderFound::Existing
                                             : FolderFound::FileInTheWay;
        if (made.found != FolderFound::Existing)
            return made;
    } else {
        return made;
    }
    made.folder = OpenFolder(OpenFolderAt(at, place.last), place.pathLength + place.last.size() + 1);
    return made;
}

// What one run needs besides the job: the identity of the archive's own
// file and the descriptor entries are copied from.
class Extraction {
public:
    explicit Extraction(TransferJob& job) : job_(job)
    {
        struct stat info {};
        if (!job.archiveFile.empty() && ::stat(job.archiveFile.c_str(), &info) == 0) {
            archiveKnown_ = true;
            archiveDevice_ = info.st_dev;
            archiveInode_ = info.st_ino;
        }
        if (const auto* file = dynamic_cast<const FileStream*>(job.source))
            sourceFd_ = file->Descriptor();
        // The folder the user picked may itself be a link: that one is followed.
        target_ = OpenFolder(::open(job.targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                             job.targetFolder.size());
    }

    TransferOutcome Files();
    TransferOutcome Directory(const std::string& directoryPath, bool overwriteAll);

private:
    // What happens to a file that exists on disk: a top-level file asks each
    // time; inside a directory the directory's one answer decides.
    enum class FileOverwrite { Ask, Always, Never };
    // A selected directory: made below the target folder under the tree's
    // spelling of its path, then filled. An existing one asks once for its
    // whole subtree.
    TransferOutcome SelectedDirectory(const std::string& archivePath);
    // A selected file, written under its directory's spelling in the tree.
    void SelectedFile(const std::string& archivePath);
    // Writes the contents of `directory` into `folder`, subdirectories first.
    TransferOutcome Fill(const CFarDirectory& directory, const OpenFolder& folder, FileOverwrite overwrite);
    // Writes one file item as `diskName` below `folder`; `relative` names it
    // in messages.
    void WriteFile(const OpenFolder& folder, const std::string& diskName, const FarFileItem* item,
                   std::string_view relative, FileOverwrite overwrite);
    // Creates `name` in `folder` as a new file; -1 with errno when it cannot.
    static int CreateFileAt(int folder, const std::string& name);
    // Puts a new file in the place of one that is already on disk, after the
    // questions and the checks; -1 when it is skipped or refused (with its
    // message).
    int ReplaceExisting(int folder, const std::string& name, std::string_view relative, FileOverwrite overwrite);
    // `message` with the reason added when the disk is full.
    Message WithCause(Message message, int error) const;

    enum class SourceCopy { NotFromSource, Copied, Failed };
    // Copies an entry whose bytes are not in memory straight from the job's
    // source; on failure `error` holds errno of a failed write (0 for a read).
    SourceCopy CopyFromSource(const FarFileItem& item, FileStream& out, int& error);
    bool KernelCopy(int64_t from, uint64_t length, int out, bool& unsupported, int& error) const;

    std::string_view Relative(std::string_view path) const
    {
        const auto cut = static_cast<size_t>(std::max<int32_t>(job_.prefixLength, 0));
        return path.substr(std::min(cut, path.size()));
    }
    void Progress(std::string line) { job_.host->SetProgressText(line); }
    MessageAnswer Show(const Message& message) { return job_.host->ShowMessage(message); }

    static constexpr size_t kStreamBuffer = 1 << 20;

    TransferJob& job_;
    OpenFolder target_;
    std::vector<uint8_t> buffer_;
    int64_t sourceLength_ = -1;
    int sourceFd_ = -1;
    bool kernelCopy_ = true;
    bool archiveKnown_ = false;
    dev_t archiveDevice_ = 0;
    ino_t archiveInode_ = 0;
};

TransferOutcome Extraction::Files()
{
    for (const std::string& path : job_.directories) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        if (SelectedDirectory(path) == TransferOutcome::Cancelled)
            return TransferOutcome::Cancelled;
    }

    for (const std::string& path : job_.files) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        SelectedFile(path);
    }

    FinishCompleted(job_);
    return TransferOutcome::Completed;
}

TransferOutcome Extraction::Directory(const std::string& directoryPath, bool overwriteAll)
{
    const CFarDirectoryTree& tree = *job_.archive;
    const std::string_view stripped = StripLeadingSeparators(directoryPath);
    const CFarDirectory* directory = stripped.empty() ? &tree.Root() : tree.GetDirectoryRef(directoryPath);
    if (!directory) {
        Show(text::CantExtractDirectory(Relative(directoryPath)));
        return TransferOutcome::Completed;
    }
    // The caller made the folder; it is only opened here.
    OpenFolder folder;
    const std::string_view below = Relative(directory->Path());
    if (below.empty()) {
        folder = OpenFolder(target_.fd() < 0 ? -1 : ::fcntl(target_.fd(), F_DUPFD_CLOEXEC, 0), target_.pathLength());
    } else if (const std::optional<std::string> disk = SafeDiskRelativePath(below)) {
        const Place place = PlaceOf(target_, *disk);
        if (place.fd >= 0)
            folder = OpenFolder(OpenFolderAt(place.fd, place.last), place.pathLength + place.last.size() + 1);
    }
    return Fill(*directory, folder, overwriteAll ? FileOverwrite::Always : FileOverwrite::Never);
}

TransferOutcome Extraction::SelectedDirectory(const std::string& archivePath)
{
    const std::string_view relative = Relative(archivePath);
    Progress(text::ExtractingInDirectory(relative));
    const CFarDirectoryTree& tree = *job_.archive;
    const CFarDirectory* directory =
        StripLeadingSeparators(archivePath).empty() ? nullptr : tree.GetDirectoryRef(archivePath);
    // The tree's spelling: one archive directory is one folder, whatever the
    // letter case of the path it was selected by.
    const std::optional<std::string> disk = SafeDiskRelativePath(directory ? Relative(directory->Path()) : relative);
    if (!disk) {
        Show(text::CantCreate(relative));
        return TransferOutcome::Completed;
    }
    MadeFolder made = MakeFolderAt(target_, *disk);
    FileOverwrite overwrite = FileOverwrite::Always; // a new directory has nothing to overwrite
    switch (made.found) {
    case FolderFound::LinkInTheWay: // it may lead anywhere outside the target folder
        Show(text::CantCreate(relative));
        return TransferOutcome::Completed;
    case FolderFound::FileInTheWay:
        Show(text::CantCreateDirectory(relative));
        return TransferOutcome::Completed;
    case FolderFound::Existing:
        if (Show(text::AskOverwriteAll(relative)) == MessageAnswer::No)
            overwrite = FileOverwrite::Never;
        break;
    case FolderFound::Created:
    case FolderFound::Failed: // shows later, as one message per file that cannot be created
        break;
    }
    if (!directory) {
        Show(text::CantExtractDirectory(relative));
        return TransferOutcome::Completed;
    }
    return Fill(*directory, made.folder, overwrite);
}

void Extraction::SelectedFile(const std::string& archivePath)
{
    const std::string_view relative = Relative(archivePath);
    Progress(text::ExtractingFile(relative));
    const CFarDirectoryTree& tree = *job_.archive;
    const FarFileItem* item = tree.FindFileItem(archivePath);
    std::string spelled(relative);
    if (item) {
        const std::string_view path = StripLeadingSeparators(archivePath);
        const size_t slash = path.rfind(kArchiveSeparator);
        const CFarDirectory* directory =
            slash == std::string_view::npos ? &tree.Root() : tree.GetDirectoryRef(path.substr(0, slash));
        if (directory)
            spelled = Relative(JoinArchivePath(directory->Path(), item->name));
    }
    const std::optional<std::string> disk = SafeDiskRelativePath(spelled);
    if (!disk) {
        Show(text::CantCreate(relative));
        return;
    }
    WriteFile(target_, *disk, item, relative, FileOverwrite::Ask);
}

TransferOutcome Extraction::Fill(const CFarDirectory& directory, const OpenFolder& folder, FileOverwrite overwrite)
{
    // Nothing changes the tree while the job runs, so its lists are walked in place.
    const CFarDirectoryTree& tree = *job_.archive;
    for (const CFarDirectory& subdirectory : directory.Subdirectories()) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        const std::string_view relative = Relative(subdirectory.Path());
        Progress(text::ExtractingInDirectory(relative));
        const std::optional<std::string> disk = SafeDiskRelativePath(subdirectory.Name());
        if (!disk) {
            Show(text::CantCreate(relative));
            continue;
        }
        // An existing directory is used without a question; one that cannot
        // be made shows as one message per file below it.
        MadeFolder made = MakeFolderAt(folder, *disk);
        if (made.found == FolderFound::LinkInTheWay || made.found == FolderFound::FileInTheWay) {
            Show(made.found == FolderFound::LinkInTheWay ? text::CantCreate(relative) : text::CantCreateDirectory(relative));
            continue;
        }
        if (Fill(subdirectory, made.folder, overwrite) == TransferOutcome::Cancelled)
            return TransferOutcome::Cancelled;
    }

    for (const FarFileItem& item : directory.Files()) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        const CFarEntry* entry = tree.EntryOfItem(item);
        if (!entry)
            continue;
        // Messages name the entry as stored; the disk gets the item's name in
        // the folder of its tree directory.
        const std::string_view relative = Relative(entry->name);
        Progress(text::ExtractingInDirectory(relative));
        const std::optional<std::string> disk = SafeDiskRelativePath(item.name);
        if (!disk) {
            Show(text::CantCreate(relative));
            continue;
        }
        WriteFile(folder, *disk, &item, relative, overwrite);
    }
    return TransferOutcome::Completed;
}

int Extraction::CreateFileAt(int folder, const std::string& name)
{
    return ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
}

int Extraction::ReplaceExisting(int folder, const std::string& name, std::string_view relative,
                                FileOverwrite overwrite)
{
    struct stat found {};
    // A link in the file's place may lead anywhere outside the target folder.
    if (::fstatat(folder, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(found.st_mode)) {
        Show(text::CantCreate(relative));
        return -1;
    }
    if (S_ISDIR(found.st_mode)) {
        Show(text::CantCreateFile(relative));
        return -1;
    }
    if (overwrite == FileOverwrite::Never)
        return -1;
    if (overwrite == FileOverwrite::Ask && Show(text::AskOverwrite(relative)) == MessageAnswer::No)
        return -1;
    // Only a regular file is replaced (a FIFO or a device is not ours to
    // remove); one the user made read-only stays, as it would for a writer
    // that truncates; and the archive's own file is still being read.
    if (!S_ISREG(found.st_mode) || ::faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0 ||
        (archiveKnown_ && found.st_dev == archiveDevice_ && found.st_ino == archiveInode_)) {
        Show(text::CantCreate(relative));
        return -1;
    }
    // The name is replaced, never the file behind it: that file may be a
    // hard link to one outside the target folder, which keeps its bytes.
    // Whatever appears under the name meanwhile fails the exclusive create.
    if (::unlinkat(folder, name.c_str(), 0) != 0) {
        Show(text::CantCreate(relative));
        return -1;
    }
    const int fd = CreateFileAt(folder, name);
    if (fd < 0) {
        const int cause = errno;
        Show(WithCause(text::CantCreate(relative), cause));
    }
    return fd;
}

Message Extraction::WithCause(Message message, int error) const
{
    if (IsDiskFull(error)) {
        // The folder names the device; the job keeps it with a closing "/".
        std::string folder = job_.targetFolder;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        message.text += "\n\n" + FileErrorText(error, folder, FileAction::Save);
    }
    return message;
}

void Extraction::WriteFile(const OpenFolder& folder, const std::string& diskName, const FarFileItem* item,
                           std::string_view relative, FileOverwrite overwrite)
{
    const Place place = PlaceOf(folder, diskName);
    if (place.fd < 0 || !place.Fits()) {
        Show(text::CantCreate(relative));
        return;
    }
    // A file created here is new and regular (an exclusive create never
    // follows a link): the questions and checks are needed only when
    // something already has the name.
    int fd = CreateFileAt(place.fd, place.last);
    if (fd < 0) {
        const int cause = errno;
        if (cause != EEXIST) {
            Show(WithCause(text::CantCreate(relative), cause));
            return;
        }
        fd = ReplaceExisting(place.fd, place.last, relative, overwrite);
        if (fd < 0)
            return;
    }
    bool written = false;
    int cause = 0;
    {
        FileStream file(fd); // closes the descriptor
        if (item) {
            const CFarEntry* entry = job_.archive->EntryOfItem(*item);
            switch (CopyFromSource(*item, file, cause)) {
            case SourceCopy::Copied:
                written = true;
                break;
            case SourceCopy::Failed:
                // The tree rewrites the file from its start.
                file.Truncate(0);
                file.Seek(0, SeekOrigin::Begin);
                [[fallthrough]];
            case SourceCopy::NotFromSource:
                written = entry && job_.archive->WriteEntryData(entry->name, file);
                break;
            }
        }
        if (file.LastError() != 0)
            cause = file.LastError();
    }
    if (written)
        job_.filesDone.fetch_add(1, std::memory_order_relaxed);
    else
        Show(WithCause(text::CantExtract(relative), cause));
}

// Copies inside the kernel, without bringing the bytes into this process.
// `unsupported` is set when the file systems refuse before anything was copied.
bool Extraction::KernelCopy(int64_t from, uint64_t length, int out, bool& unsupported, int& error) const
{
    loff_t in = from;
    loff_t to = 0;
    uint64_t left = length;
    while (left > 0) {
        const ssize_t copied = FaultInjected(FaultPoint::DiskFull)
                                   ? (errno = ENOSPC, -1)
                                   : ::copy_file_range(sourceFd_, &in, out, &to, static_cast<size_t>(left), 0);
        if (copied > 0) {
            left -= static_cast<uint64_t>(copied);
            continue;
        }
        if (copied < 0 && errno == EINTR)
            continue;
        unsupported = copied < 0 && left == length &&
                      (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF);
        error = copied < 0 ? errno : 0;
        return false;
    }
    return true;
}

Extraction::SourceCopy Extraction::CopyFromSource(const FarFileItem& item, FileStream& out, int& error)
{
    const CFarArchive* archive = job_.archive->Archive();
    if (!job_.source || !archive || item.entryIndex < 0)
        return SourceCopy::NotFromSource;
    const auto index = static_cast<size_t>(item.entryIndex);
    const CFarEntry* entry = archive->Entry(index);
    if (!entry || entry->isDeleted || entry->isNew || entry->offset < 0 || archive->BlockOf(index).HasBytes())
        return SourceCopy::NotFromSource;
    if (sourceLength_ < 0)
        sourceLength_ = job_.source->Length();
    if (entry->offset + static_cast<int64_t>(entry->size2) > sourceLength_)
        return SourceCopy::NotFromSource;
    if (entry->size2 == 0)
        return SourceCopy::Copied;

    if (sourceFd_ >= 0 && kernelCopy_) {
        bool unsupported = false;
        if (KernelCopy(entry->offset, entry->size2, out.Descriptor(), unsupported, error))
            return SourceCopy::Copied;
        if (!unsupported)
            return SourceCopy::Failed;
        kernelCopy_ = false; // the same file systems refuse every time: copy through memory from now on
    }

    if (buffer_.empty())
        buffer_.resize(kStreamBuffer);
    int64_t at = entry->offset;
    uint64_t left = entry->size2;
    while (left > 0) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, buffer_.size()));
        if (job_.source->Seek(at, SeekOrigin::Begin) != at || !job_.source->ReadExact(buffer_.data(), chunk) ||
            !out.Write(buffer_.data(), chunk))
            return SourceCopy::Failed;
        at += static_cast<int64_t>(chunk);
        left -= chunk;
    }
    return SourceCopy::Copied;
}

} // namespace

TransferOutcome ExtractFiles(TransferJob& job)
{
    return Extraction(job).Files();
}

TransferOutcome ExtractDirectory(TransferJob& job, const std::string& directoryPath, bool overwriteAll)
{
    return Extraction(job).Directory(directoryPath, overwriteAll);
}

} // namespace vorn

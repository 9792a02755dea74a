#include "transfer/extract_worker.h"

#include "archive/archive_path.h"
#include "archive/far_directory_tree.h"
#include "base/file_stream.h"
#include "transfer/disk_names.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_protocol.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace vorn {

namespace {

using transfer_detail::FinishCompleted;
using transfer_detail::StopOnCancel;
namespace text = transfer_text;

// A link in the target folder is never written through: it may lead
// anywhere outside it.
enum class DiskKind { Missing, File, Directory, Link };

struct DiskState {
    DiskKind kind = DiskKind::Missing;
    dev_t device = 0;
    ino_t inode = 0;
};

DiskState LookUp(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return {};
    const DiskKind kind = S_ISLNK(info.st_mode)  ? DiskKind::Link
                          : S_ISDIR(info.st_mode) ? DiskKind::Directory
                                                  : DiskKind::File;
    return {kind, info.st_dev, info.st_ino};
}

// Whether a folder on the way from `folder` to `relative` is a link. The
// folders of the tree's directories are each looked at when entered; only a
// "/" inside an archive name adds folders nothing has looked at yet.
bool PassesThroughLink(const std::string& folder, const std::string& relative)
{
    for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1)) {
        struct stat info {};
        if (::lstat((folder + relative.substr(0, slash)).c_str(), &info) == 0 && S_ISLNK(info.st_mode))
            return true;
    }
    return false;
}

// What one run needs besides the job: the identity of the archive's own file.
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
    }

    TransferOutcome Files();
    TransferOutcome Directory(const std::string& directoryPath, bool overwriteAll);

private:
    // What happens to a file that exists on disk: a top-level file asks each
    // time; inside a directory the directory's one answer decides.
    enum class FileOverwrite { Ask, Always, Never };
    void File(const std::string& archivePath, FileOverwrite overwrite);
    // A directory to create on disk and fill; an existing top-level one asks
    // once for its whole subtree. Returns 1 when the job was cancelled.
    TransferOutcome Subdirectory(const std::string& archivePath, FileOverwrite overwrite);

private:
    std::string_view Relative(std::string_view path) const
    {
        const auto cut = static_cast<size_t>(std::max<int32_t>(job_.prefixLength, 0));
        return path.substr(std::min(cut, path.size()));
    }
    // target folder + the disk form of the path below the shown directory; none
    // when that path would leave the folder.
    std::optional<std::string> DiskPathOf(std::string_view relative) const
    {
        std::optional<std::string> disk = SafeDiskRelativePath(relative);
        if (!disk)
            return std::nullopt;
        if (relative.find('/') != std::string_view::npos && PassesThroughLink(job_.targetFolder, *disk))
            return std::nullopt;
        return job_.targetFolder + *disk;
    }
    void Progress(std::string line) { job_.host->SetProgressText(line); }
    MessageAnswer Show(const Message& message) { return job_.host->ShowMessage(message); }
    void WriteFile(const std::string& archivePath, std::string_view relative, const std::string& diskPath,
                   const DiskState& state);

    // Copies an entry whose bytes are not in memory straight from the job's source.
    bool StreamFromSource(const std::string& archivePath, ByteStream& out);

    static constexpr size_t kStreamBuffer = 1 << 20;

    TransferJob& job_;
    std::vector<uint8_t> buffer_;
    int64_t sourceLength_ = -1;
    bool archiveKnown_ = false;
    dev_t archiveDevice_ = 0;
    ino_t archiveInode_ = 0;
};

TransferOutcome Extraction::Files()
{
    for (const std::string& path : job_.directories) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        if (Subdirectory(path, FileOverwrite::Ask) == TransferOutcome::Cancelled)
            return TransferOutcome::Cancelled;
    }

    for (const std::string& path : job_.files) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        File(path, FileOverwrite::Ask);
    }

    FinishCompleted(job_);
    return TransferOutcome::Completed;
}

TransferOutcome Extraction::Directory(const std::string& directoryPath, bool overwriteAll)
{
    CFarDirectoryTree& tree = *job_.archive;
    // Only names are copied: nothing changes the tree while the job runs, and
    // a deep copy per level would cost a copy of the whole subtree each time.
    std::vector<std::string> subdirectories;
    std::vector<std::string> files;
    {
        const CFarDirectory* directory =
            StripLeadingSeparators(directoryPath).empty() ? &tree.Root() : tree.GetDirectoryRef(directoryPath);
        if (!directory) {
            Show(text::CantExtractDirectory(Relative(directoryPath)));
            return TransferOutcome::Completed;
        }
        subdirectories.reserve(directory->Subdirectories().size());
        for (const CFarDirectory& subdirectory : directory->Subdirectories())
            subdirectories.push_back(subdirectory.Path());
        files.reserve(directory->Files().size());
        for (const FarFileItem& item : directory->Files()) {
            if (const CFarEntry* entry = tree.EntryOfItem(item))
                files.push_back(entry->name);
        }
    }

    for (const std::string& path : subdirectories) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        if (Subdirectory(path, overwriteAll ? FileOverwrite::Always : FileOverwrite::Never) == TransferOutcome::Cancelled)
            return TransferOutcome::Cancelled;
    }

    for (const std::string& path : files) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        File(path, overwriteAll ? FileOverwrite::Always : FileOverwrite::Never);
    }
    return TransferOutcome::Completed;
}

TransferOutcome Extraction::Subdirectory(const std::string& archivePath, FileOverwrite overwrite)
{
    const std::string_view relative = Relative(archivePath);
    Progress(text::ExtractingInDirectory(relative));
    const std::optional<std::string> diskPath = DiskPathOf(relative);
    if (!diskPath) {
        Show(text::CantCreate(relative));
        return TransferOutcome::Completed;
    }
    switch (LookUp(*diskPath).kind) {
    case DiskKind::Link:
        Show(text::CantCreate(relative));
        return TransferOutcome::Completed;
    case DiskKind::File:
        Show(text::CantCreateDirectory(relative));
        return TransferOutcome::Completed;
    case DiskKind::Directory:
        if (overwrite == FileOverwrite::Ask)
            overwrite = Show(text::AskOverwriteAll(relative)) != MessageAnswer::No ? FileOverwrite::Always
                                                                                    : FileOverwrite::Never;
        break;
    case DiskKind::Missing:
        // A failure shows later, as one message per file that cannot be created.
        ::mkdir(diskPath->c_str(), 0777);
        break;
    }
    // A new top-level directory has nothing to overwrite.
    return Directory(archivePath, overwrite != FileOverwrite::Never);
}

void Extraction::File(const std::string& archivePath, FileOverwrite overwrite)
{
    const std::string_view relative = Relative(archivePath);
    Progress(overwrite == FileOverwrite::Ask ? text::ExtractingFile(relative) : text::ExtractingInDirectory(relative));
    const std::optional<std::string> diskPath = DiskPathOf(relative);
    if (!diskPath) {
        Show(text::CantCreate(relative));
        return;
    }
    const DiskState state = LookUp(*diskPath);
    if (state.kind == DiskKind::Link) {
        Show(text::CantCreate(relative));
        return;
    }
    if (state.kind == DiskKind::Directory) {
        Show(text::CantCreateFile(relative));
        return;
    }
    if (state.kind == DiskKind::File) {
        if (overwrite == FileOverwrite::Never)
            return;
        if (overwrite == FileOverwrite::Ask && Show(text::AskOverwrite(relative)) == MessageAnswer::No)
            return;
    }
    WriteFile(archivePath, relative, *diskPath, state);
}

bool Extraction::StreamFromSource(const std::string& archivePath, ByteStream& out)
{
    if (!job_.source)
        return false;
    const CFarArchive* archive = job_.archive->Archive();
    const FarFileItem* item = job_.archive->FindFileItem(archivePath);
    if (!archive || !item || item->entryIndex < 0)
        return false;
    const auto index = static_cast<size_t>(item->entryIndex);
    const CFarEntry* entry = archive->Entry(index);
    if (!entry || entry->isDeleted || entry->isNew || entry->offset < 0 || archive->BlockOf(index).HasBytes())
        return false;
    if (sourceLength_ < 0)
        sourceLength_ = job_.source->Length();
    if (entry->offset + static_cast<int64_t>(entry->size2) > sourceLength_)
        return false;
    if (buffer_.empty())
        buffer_.resize(kStreamBuffer);
    int64_t at = entry->offset;
    uint64_t left = entry->size2;
    while (left > 0) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, buffer_.size()));
        // Seek and read fail alike; the caller then falls back to the tree,
        // which rewrites the file from its start.
        if (job_.source->Seek(at, SeekOrigin::Begin) != at || !job_.source->ReadExact(buffer_.data(), chunk) ||
            !out.Write(buffer_.data(), chunk)) {
            out.Truncate(0);
            out.Seek(0, SeekOrigin::Begin);
            return false;
        }
        at += static_cast<int64_t>(chunk);
        left -= chunk;
    }
    return true;
}

void Extraction::WriteFile(const std::string& archivePath, std::string_view relative, const std::string& diskPath,
                           const DiskState& state)
{
    // Truncating the archive's own file would destroy the bytes still to be read.
    if (state.kind == DiskKind::File && archiveKnown_ && state.device == archiveDevice_ &&
        state.inode == archiveInode_) {
        Show(text::CantCreate(relative));
        return;
    }
    // Non-blocking, so a FIFO in the target's place cannot hang the worker
    // where no cancel reaches it; only a regular file is written.
    const int fd = ::open(diskPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW, 0666);
    if (fd < 0) {
        Show(text::CantCreate(relative));
        return;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        Show(text::CantCreate(relative));
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    bool written = false;
    {
        FileStream file(fd); // closes the descriptor
        written = StreamFromSource(archivePath, file) || job_.archive->WriteEntryData(archivePath, file);
    }
    if (written)
        job_.filesDone.fetch_add(1, std::memory_order_relaxed);
    else
        Show(text::CantExtract(relative));
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

#include "transfer/add_worker.h"

#include "archive/archive_path.h"
#include "archive/far_directory_tree.h"
#include "archive/far_header.h"
#include "base/file_stream.h"
#include "transfer/disk_names.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_protocol.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

namespace vorn {

namespace {

using transfer_detail::FinishCompleted;
using transfer_detail::StopOnCancel;
namespace text = transfer_text;

// Sizes and offsets of a FAR archive are 32-bit.
constexpr uint64_t kMaxArchiveBytes = std::numeric_limits<uint32_t>::max();

// A disk name as it can be stored: Latin-1, and without "\\", which would
// split it into directories inside the archive.
std::optional<std::string> ArchiveNameOf(const std::string& diskName)
{
    std::optional<std::string> name = Utf8ToLatin1(diskName);
    if (!name || name->empty() || name->find('\\') != std::string::npos)
        return std::nullopt;
    return name;
}

// Opens a regular file for reading. Non-blocking, so a FIFO or device that
// slipped in between the lookup and the open cannot hang the worker.
std::unique_ptr<FileStream> OpenRegularFile(const std::string& path, uint64_t& size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    size = static_cast<uint64_t>(info.st_size);
    return std::make_unique<FileStream>(fd);
}

class Adding {
public:
    explicit Adding(TransferJob& job) : job_(job), tree_(*job.archive) {}

    TransferOutcome DroppedItems();
    TransferOutcome DiskDirectory(const std::string& diskFolder, const std::string& archiveDirectory);

private:
    void Progress(const std::string& diskName) { job_.host->SetProgressText(text::Adding(DiskNameForDisplay(diskName))); }
    MessageAnswer Show(const Message& message) { return job_.host->ShowMessage(message); }
    void AddDroppedFile(const std::string& diskPath, const std::string& diskName);
    // Cancelled when the dropped folder was cancelled inside.
    TransferOutcome AddDroppedDirectory(const std::string& diskPath, const std::string& diskName);
    // Adds the open file under `archivePath`; none when the archive refuses it.
    std::optional<FarFileItem> Store(const std::string& archivePath, FileStream& file, uint64_t size);
    uint64_t& StoredBytes();
    // Whether the open file replaces the archive's `existing` file of its
    // name, by the job's rule for existing files.
    bool ShouldReplace(const FarFileItem& existing, const std::string& shownName, FileStream& file, uint64_t size);
    bool SameBytes(const FarFileItem& existing, FileStream& file, uint64_t size);
    void Record(const FarFileItem& item, FileChange change);

    TransferJob& job_;
    CFarDirectoryTree& tree_;
};

uint64_t& Adding::StoredBytes()
{
    if (!job_.storedBytes) {
        uint64_t total = FarHeader::kSize;
        if (const CFarArchive* archive = tree_.Archive()) {
            for (const CFarEntry& entry : archive->Entries()) {
                if (!entry.isDeleted)
                    total += entry.size2;
            }
        }
        job_.storedBytes = total;
    }
    return *job_.storedBytes;
}

std::optional<FarFileItem> Adding::Store(const std::string& archivePath, FileStream& file, uint64_t size)
{
    uint64_t replaced = 0;
    if (const std::optional<FarFileItem> existing = tree_.GetFileItem(archivePath)) {
        if (const CFarEntry* entry = tree_.EntryOfItem(*existing))
            replaced = entry->size2;
    }
    // Refused before reading: the archive could neither record the size nor
    // place the data behind the bytes it already holds.
    const uint64_t total = StoredBytes() - replaced + size;
    if (size > kMaxArchiveBytes || total > kMaxArchiveBytes)
        return std::nullopt;
    std::optional<FarFileItem> item = tree_.AddFile(archivePath, file, true);
    if (item) {
        const CFarEntry* entry = tree_.EntryOfItem(*item);
        StoredBytes() = StoredBytes() - replaced + (entry ? entry->size2 : size);
    }
    return item;
}

bool Adding::ShouldReplace(const FarFileItem& existing, const std::string& shownName, FileStream& file,
                           uint64_t size)
{
    if (job_.existingFiles == ExistingFiles::Ask)
        return Show(text::AskOverwriteInArchive(shownName)) != MessageAnswer::No;
    if (!SameBytes(existing, file, size))
        return true;
    Record(existing, FileChange::Unchanged);
    return false;
}

// Compared block by block with the archive's file (or the bytes in memory),
// so an update that changes little does not load the whole archive.
bool Adding::SameBytes(const FarFileItem& existing, FileStream& file, uint64_t size)
{
    const CFarArchive* archive = tree_.Archive();
    const CFarEntry* entry = tree_.EntryOfItem(existing);
    if (archive == nullptr || entry == nullptr || entry->size2 != size)
        return false;
    const std::span<const uint8_t> inMemory = archive->BytesOf(static_cast<size_t>(existing.entryIndex));
    std::unique_ptr<ByteStream> source;
    if (inMemory.size() < size) {
        source = archive->DuplicateSource();
        if (!source || entry->offset < 0 || source->Seek(entry->offset, SeekOrigin::Begin) != entry->offset)
            return false;
    }
    constexpr size_t kBlock = 1 << 16;
    std::vector<uint8_t> disk(kBlock);
    std::vector<uint8_t> stored(source ? kBlock : 0);
    bool same = true;
    for (uint64_t at = 0; same && at < size; at += kBlock) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(kBlock, size - at));
        const uint8_t* theirs = source ? stored.data() : inMemory.data() + at;
        same = file.ReadExact(disk.data(), length) && (!source || source->ReadExact(stored.data(), length)) &&
               std::equal(disk.begin(), disk.begin() + static_cast<std::ptrdiff_t>(length), theirs);
    }
    file.Seek(0, SeekOrigin::Begin);
    return same;
}

void Adding::Record(const FarFileItem& item, FileChange change)
{
    if (job_.changes == nullptr)
        return;
    if (const CFarEntry* entry = tree_.EntryOfItem(item))
        job_.changes->push_back(AddedFile{std::string(entry->name), change});
}

TransferOutcome Adding::DroppedItems()
{
    for (const std::string& diskPath : job_.droppedItems) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        // A dropped link is taken for what it points to; links below a
        // dropped folder are not followed.
        struct stat info {};
        if (::stat(diskPath.c_str(), &info) != 0)
            continue;
        const std::string diskName = DiskBaseName(diskPath);
        Progress(diskName);
        if (S_ISDIR(info.st_mode)) {
            if (diskName == "." || diskName == "..")
                continue;
            if (AddDroppedDirectory(diskPath, diskName) == TransferOutcome::Cancelled)
                return TransferOutcome::Cancelled;
        } else {
            AddDroppedFile(diskPath, diskName);
        }
    }
    FinishCompleted(job_);
    return TransferOutcome::Completed;
}

void Adding::AddDroppedFile(const std::string& diskPath, const std::string& diskName)
{
    const std::string shownName = DiskNameForDisplay(diskName);
    uint64_t size = 0;
    std::unique_ptr<FileStream> file = OpenRegularFile(diskPath, size);
    if (!file) {
        Show(text::CantOpenFile(shownName));
        return;
    }
    const std::optional<std::string> name = ArchiveNameOf(diskName);
    if (!name) {
        Show(text::CantCreateFileInArchive(shownName));
        return;
    }
    const std::string archivePath = JoinArchivePath(job_.currentDirectory, *name);
    const std::optional<FarFileItem> existing = tree_.GetFileItem(archivePath);
    if (existing && !ShouldReplace(*existing, shownName, *file, size))
        return;
    const std::optional<FarFileItem> item = Store(archivePath, *file, size);
    file.reset();
    if (!item) {
        Show(text::CantCreateFileInArchive(shownName));
        return;
    }
    job_.filesDone.fetch_add(1, std::memory_order_relaxed);
    Record(*item, existing ? FileChange::Replaced : FileChange::Added);
}

TransferOutcome Adding::AddDroppedDirectory(const std::string& diskPath, const std::string& diskName)
{
    const std::string shownName = DiskNameForDisplay(diskName);
    const std::optional<std::string> name = ArchiveNameOf(diskName);
    if (!name) {
        Show(text::CantCreateDirectoryInArchive(shownName));
        return TransferOutcome::Completed;
    }
    const std::string archivePath = JoinArchivePath(StripLeadingSeparators(job_.currentDirectory), *name);
    // A drop does not merge trees: an existing directory is refused as a whole.
    if (const CFarDirectory* existing = tree_.GetDirectoryRef(archivePath)) {
        if (job_.mergeDirectories)
            return DiskDirectory(diskPath, existing->Path());
        Show(text::DirectoryExists(shownName));
        return TransferOutcome::Completed;
    }
    const std::optional<CFarDirectory> made = tree_.MakeDirectory(archivePath);
    if (!made) {
        Show(text::CantCreateDirectoryInArchive(shownName));
        return TransferOutcome::Completed;
    }
    if (!tree_.GetDirectoryRef(made->Path()))
        return TransferOutcome::Completed;
    return DiskDirectory(diskPath, made->Path());
}

TransferOutcome Adding::DiskDirectory(const std::string& diskFolder, const std::string& archiveDirectory)
{
    // Sorted, so the archive gets the same order whatever the file system's.
    std::vector<std::string> names;
    if (DIR* folder = ::opendir(diskFolder.c_str())) {
        while (const dirent* found = ::readdir(folder))
            names.emplace_back(found->d_name);
        ::closedir(folder);
    }
    if (names.empty())
        return TransferOutcome::Completed;
    std::sort(names.begin(), names.end());

    for (const std::string& diskName : names) {
        if (StopOnCancel(job_))
            return TransferOutcome::Cancelled;
        if (diskName == "." || diskName == "..")
            continue;
        Progress(diskName);
        const std::string diskPath = diskFolder + "/" + diskName;
        struct stat info {};
        if (::lstat(diskPath.c_str(), &info) != 0) {
            // Past the system's path limit nothing below can be read: say so
            // rather than leave it out unnoticed.
            if (errno == ENAMETOOLONG)
                Show(text::CantOpenFile(DiskNameForDisplay(diskName)));
            continue;
        }
        if (S_ISLNK(info.st_mode)) {
            // A link to a directory could lead back up the tree and recurse
            // without end, so only links to files are taken.
            if (::stat(diskPath.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
                continue;
        }
        const std::string shownName = DiskNameForDisplay(diskName);
        const std::optional<std::string> name = ArchiveNameOf(diskName);
        if (S_ISDIR(info.st_mode)) {
            const std::optional<CFarDirectory> made =
                name ? tree_.MakeDirectory(JoinArchivePath(archiveDirectory, *name)) : std::nullopt;
            if (!made) {
                Show(text::CantCreateDirectoryInArchive(shownName));
                continue;
            }
            if (tree_.GetDirectoryRef(made->Path()) && DiskDirectory(diskPath, made->Path()) == TransferOutcome::Cancelled)
                return TransferOutcome::Cancelled;
            continue;
        }
        uint64_t size = 0;
        std::unique_ptr<FileStream> file = OpenRegularFile(diskPath, size);
        if (!file) {
            // Merging into what the archive holds, a file left out unseen
            // would leave its old bytes there as if they were current.
            if (job_.mergeDirectories)
                Show(text::CantOpenFile(shownName));
            continue;
        }
        const std::string archivePath = name ? JoinArchivePath(archiveDirectory, *name) : std::string();
        // Inside a new directory only a name that differs in letter case
        // from one just added is met again, and replaces it.
        const std::optional<FarFileItem> existing = name ? tree_.GetFileItem(archivePath) : std::nullopt;
        if (existing && job_.mergeDirectories && !ShouldReplace(*existing, shownName, *file, size))
            continue;
        const std::optional<FarFileItem> item = name ? Store(archivePath, *file, size) : std::nullopt;
        file.reset();
        if (item) {
            job_.filesDone.fetch_add(1, std::memory_order_relaxed);
            Record(*item, existing ? FileChange::Replaced : FileChange::Added);
        } else {
            Show(text::CantCreateFileInArchive(shownName));
        }
    }
    return TransferOutcome::Completed;
}

} // namespace

TransferOutcome AddDroppedItems(TransferJob& job)
{
    return Adding(job).DroppedItems();
}

TransferOutcome AddDiskDirectory(TransferJob& job, const std::string& diskFolder, const std::string& archiveDirectory)
{
    return Adding(job).DiskDirectory(diskFolder, archiveDirectory);
}

} // namespace vorn

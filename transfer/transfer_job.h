#pragma once

#include "base/byte_stream.h"
#include "transfer/transfer_host.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vorn {

class CFarDirectoryTree;

// The block shared between the progress dialog (or any other runner) and the
// worker thread of one extraction or adding job.
//
// Thread protocol: the runner sets `cancelRequested`; the worker reads it
// before every item. The worker stores `resultCode` (1 completed, 2
// cancelled) and only then sets `finished`, as its last action; the runner
// polls `finished`. `filesDone` counts the files written or added and is
// read by the runner after the worker has finished.
// How a worker's run ended; the job's resultCode carries it as a number.
enum class TransferOutcome { Completed, Cancelled };

// Adding: what becomes of a file the archive already holds under the name.
enum class ExistingFiles {
    Ask,                   // the overwrite question decides
    ReplaceWhenDifferent,  // replaced without asking when the bytes differ, else left
};

// Adding: what a disk file met did to the archive.
enum class FileChange { Added, Replaced, Unchanged };
struct AddedFile {
    std::string archivePath;
    FileChange change;
};

struct TransferJob {
    static constexpr int32_t kCompleted = 1;
    static constexpr int32_t kCancelled = 2;

    std::atomic<int32_t> cancelRequested{0};
    std::atomic<int32_t> finished{0};
    // Receives the progress text, the messages and (when adding) the pane updates.
    TransferHost* host = nullptr;
    std::atomic<int32_t> resultCode{0};
    std::atomic<int32_t> filesDone{0};

    // Extraction: the disk folder, ending in "/" (Reset adds one).
    std::string targetFolder;
    // Extraction: full archive paths of the selected files and directories.
    std::vector<std::string> files;
    std::vector<std::string> directories;
    // Extraction: characters cut from the front of an archive path to get its
    // path below the shown directory.
    int32_t prefixLength = 0;
    // Extraction: the open archive's own file. Nothing is ever written over
    // it, since its unread bytes are still needed.
    std::filesystem::path archiveFile;
    // Extraction, optional: a read handle on the file the archive was loaded
    // from. Entries whose bytes are not in memory are then streamed from it
    // through one reused buffer instead of being loaded and kept, which keeps
    // a bulk extraction (the command line) from holding the whole archive
    // in memory. Without it the bytes are read through the tree and stay in
    // memory, as for every other use of an entry.
    ByteStream* source = nullptr;

    // Adding: the dropped disk paths (file-system bytes), in the order given.
    std::vector<std::string> droppedItems;
    // Adding: the archive directory the list pane shows ("" for the root).
    std::string currentDirectory;
    // Adding: a dropped folder whose directory exists is merged into it
    // rather than refused (the command line; files below follow
    // `existingFiles`).
    bool mergeDirectories = false;
    ExistingFiles existingFiles = ExistingFiles::Ask;
    // Adding, optional: receives every file stored or found unchanged, in order.
    std::vector<AddedFile>* changes = nullptr;

    // The open archive's directory tree.
    CFarDirectoryTree* archive = nullptr;

    // Adding: the bytes a compact save would need so far (header and data),
    // kept by the worker to refuse files that would push offsets past 32 bits.
    std::optional<uint64_t> storedBytes;

    // Start-up before a run: clears the flags and the counter and makes the
    // target folder end in "/".
    void Reset();
    // Asks the worker to stop before its next item.
    void RequestCancel() { cancelRequested.store(1, std::memory_order_release); }
    bool IsFinished() const { return finished.load(std::memory_order_acquire) != 0; }
};

} // namespace vorn

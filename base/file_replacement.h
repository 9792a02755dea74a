#pragma once

#include "base/file_stream.h"

#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

namespace vorn {

enum class ReplaceMode {
    Replace,   // an existing target is replaced
    CreateNew, // the target must not exist; one that appears meanwhile is kept
};

enum class ReplaceResult {
    Replaced,      // the new contents are durable under the target's name
    NotSynced,     // the new contents could not be made durable; target untouched
    NotRenamed,    // the new file could not take the target's name; target untouched
    AlreadyExists, // CreateNew only: someone else made the target first; it is untouched
};

// True for a name of the shape FileReplacement gives its new files
// (".vorn-save-<pid>-<12 letters or digits>.tmp").
bool IsTemporaryName(std::string_view name);

// Removes what a save killed between naming its new file and the rename left
// in `folder`: regular files whose name has exactly the temporary shape,
// whose first bytes are `signature` (the kind of file the caller saves) and
// that no live writer holds locked. Nothing else is touched.
void RemoveAbandonedTemporaries(const std::filesystem::path& folder, std::span<const char> signature);

// A new version of a file, written beside it and put in its place only when
// complete, so a failure at any point leaves the previous file as it was. The
// contents go to an unnamed file in the target's folder where the file system
// has them, so a crash leaves nothing behind; elsewhere to a named temporary
// file that is removed when this object goes without a successful Commit. The
// new file gets the permission bits of the file it replaces.
class FileReplacement {
public:
    explicit FileReplacement(std::filesystem::path target, ReplaceMode mode = ReplaceMode::Replace);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the new file in the target's folder; false with errno in
    // `error` when it cannot be created.
    bool Begin(int& error);
    // Where the new contents go; valid after a successful Begin.
    FileStream& Stream() { return *stream_; }
    // Syncs the written bytes, puts the file in the target's place and syncs
    // the folder, so the new name survives a crash too. On failure `error`
    // holds errno and the new file is gone.
    ReplaceResult Commit(int& error);
    // After a successful Commit: the stream, which is now the target's file.
    std::unique_ptr<FileStream> Release() { return std::move(stream_); }
    // Drops the new file; nothing replaces the target.
    void Discard();
    // True while the contents are in an unnamed file (for tests).
    bool IsUnnamed() const { return unnamed_; }

private:
    bool PlaceUnnamed(int& error);
    bool PlaceNamed(int& error);

    std::filesystem::path target_;
    ReplaceMode mode_;
    std::filesystem::path temporary_; // empty while the file has no name
    std::unique_ptr<FileStream> stream_;
    bool unnamed_ = false;
    bool committed_ = false;
};

} // namespace vorn

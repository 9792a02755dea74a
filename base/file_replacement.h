#pragma once

#include "base/file_stream.h"

#include <filesystem>
#include <memory>

namespace vorn {

enum class ReplaceResult {
    Replaced,   // the new contents are durable under the target's name
    NotSynced,  // the new contents could not be made durable; target untouched
    NotRenamed, // the new file could not take the target's name; target untouched
};

// A new version of a file, written beside it and renamed over it only when
// complete, so a failure at any point leaves the previous file as it was. The
// new file gets the permission bits of the file it replaces. Until Commit
// succeeds the temporary file is removed when this object goes.
class FileReplacement {
public:
    explicit FileReplacement(std::filesystem::path target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file in the target's folder; false with errno in
    // `error` when it cannot be created.
    bool Begin(int& error);
    // Where the new contents go; valid after a successful Begin.
    FileStream& Stream() { return *stream_; }
    // Syncs the written bytes, renames the file over the target and syncs the
    // folder, so the rename survives a crash too. On failure `error` holds
    // errno and the temporary file is gone.
    ReplaceResult Commit(int& error);
    // After a successful Commit: the stream, which is now the target's file.
    std::unique_ptr<FileStream> Release() { return std::move(stream_); }
    // Removes the temporary file; nothing replaces the target.
    void Discard();

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::unique_ptr<FileStream> stream_;
    bool committed_ = false;
};

} // namespace vorn

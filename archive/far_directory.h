#pragma once

#include "archive/far_file_item.h"
#include "base/name_compare.h"
#include "base/no_case_index.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class CFarDirectoryTree;

// One directory of the tree: its subdirectories (held by value, in order of
// creation) and its file items (in order of adding). Nothing is sorted.
//
// Both lists are indexed by case-folded name so lookups stay constant time in
// huge directories. A CFarDirectory handed out by the tree is either a deep
// copy (CFarDirectoryTree::GetDirectory) or a read-only reference into the
// tree; only the tree changes directories.
class CFarDirectory {
public:
    CFarDirectory() = default;
    CFarDirectory(std::string name, std::string path);

    // The directory's own name (one path component); "" for the root.
    const std::string& Name() const { return name_; }
    // Full path from the root, components joined by "\\", no leading or
    // trailing separator; "" for the root.
    const std::string& Path() const { return path_; }

    const std::vector<CFarDirectory>& Subdirectories() const { return subdirectories_; }
    const std::vector<FarFileItem>& Files() const { return files_; }

    // The subdirectory / file item with this own name (letter case ignored), or null.
    const CFarDirectory* FindSubdirectory(std::string_view name) const;
    const FarFileItem* FindFile(std::string_view name) const;

private:
    friend class CFarDirectoryTree;

    CFarDirectory* FindSubdirectoryMutable(std::string_view name);
    FarFileItem* FindFileMutable(std::string_view name);
    CFarDirectory& AppendSubdirectory(CFarDirectory directory);
    FarFileItem& AppendFile(FarFileItem item);
    // The position of the file item named `name`, and whether it was there:
    // when it was not, an item (entryIndex, name) has been appended for it.
    std::pair<size_t, bool> FindOrAppendFile(std::string_view name, int32_t entryIndex);
    // Puts an element at a position, keeping the order of the others.
    void InsertSubdirectoryAt(size_t position, CFarDirectory directory);
    void InsertFileAt(size_t position, FarFileItem item);
    // Removes by position, keeping the order of the others.
    CFarDirectory TakeSubdirectory(size_t position);
    void EraseFile(size_t position);
    std::optional<size_t> SubdirectoryPosition(std::string_view name) const;
    std::optional<size_t> FilePosition(std::string_view name) const;
    void RenameFileAt(size_t position, std::string name);
    void RenameSubdirectoryAt(size_t position, std::string name);
    void SetPath(std::string path) { path_ = std::move(path); }
    void SetName(std::string name) { name_ = std::move(name); }
    void Clear();

    uint32_t SubdirectoryIndexFind(std::string_view name, uint32_t hash) const;
    uint32_t FileIndexFind(std::string_view name, uint32_t hash) const;

    std::vector<CFarDirectory> subdirectories_;
    std::vector<FarFileItem> files_;
    std::string name_;
    std::string path_;
    // Flat indexes of positions by case-folded own name; the names stay in the lists.
    NoCaseIndex subdirectoryIndex_;
    NoCaseIndex fileIndex_;
};

} // namespace vorn

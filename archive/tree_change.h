#pragma once

#include "archive/far_file_item.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vorn {

class CFarDirectory;

enum class TreeChangeKind {
    FileAdded,         // item put at `position` of `directory`
    FileRemoved,       // item taken from `position` of `directory`
    FileRenamed,       // item at `position` of `directory` renamed from `oldName` to item.name
    FileMoved,         // item taken from `position` of `directory`, put at `toPosition` of `toDirectory`
    FileResized,       // the bytes of the entry of item (at `directory`, `position`) were replaced
    DirectoryAdded,    // directory `name` put at `position` of `directory`, with what it holds
    DirectoryRemoved,  // directory `name` taken from `position` of `directory`, with everything below it
    DirectoryRenamed,  // directory at `position` of `directory` renamed from `oldName` to `name`
    DirectoryMoved,    // directory `name` taken from `position` of `directory`, put at `toPosition` of `toDirectory`
    Rebuilt,           // everything may be new
};

// One change of a directory tree, told to its observers once it is made.
// Directory paths are the tree's stored spellings at the time of the change
// ("" the root); positions count in the list of files or of subdirectories.
// A change carries what is needed to take it back exactly.
struct TreeChange {
    TreeChangeKind kind = TreeChangeKind::Rebuilt;
    std::string directory;
    size_t position = 0;
    std::string toDirectory;
    size_t toPosition = 0;
    // Files: the item (its name after the change).
    FarFileItem item;
    // FileResized: the item's entry before the change.
    int32_t oldEntryIndex = -1;
    // Directories: the own name after the change.
    std::string name;
    std::string oldName;
    // DirectoryRemoved: the directory taken out, kept for putting it back.
    std::shared_ptr<CFarDirectory> removed;

    // The full path of the file or directory after the change (before it for removals).
    std::string Path() const;
};

class TreeObserver {
public:
    virtual ~TreeObserver() = default;
    virtual void TreeChanged(const TreeChange& change) = 0;
};

} // namespace vorn

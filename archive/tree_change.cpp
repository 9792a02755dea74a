#include "archive/tree_change.h"

#include "archive/archive_path.h"

namespace vorn {

std::string TreeChange::Path() const
{
    switch (kind) {
    case TreeChangeKind::FileAdded:
    case TreeChangeKind::FileRemoved:
    case TreeChangeKind::FileRenamed:
    case TreeChangeKind::FileResized:
        return JoinArchivePath(directory, item.name);
    case TreeChangeKind::FileMoved:
        return JoinArchivePath(toDirectory, item.name);
    case TreeChangeKind::DirectoryMoved:
        return JoinArchivePath(toDirectory, name);
    default:
        return JoinArchivePath(directory, name);
    }
}

} // namespace vorn

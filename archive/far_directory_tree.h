#pragma once

#include "archive/far_archive.h"
#include "archive/far_directory.h"
#include "archive/far_file_item.h"
#include "archive/tree_change.h"
#include "base/byte_stream.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The directories of an archive, derived from its entry names, and the
// path-based way everything else reaches the entries. Every change of a
// file's place or name is made both in the tree and in the entry's name, so
// a save stores the new paths.
//
// Path rules of every operation taking a path: all leading "\\" are removed;
// components compare without regard to ASCII letter case; a single trailing
// "\\" of a directory path is ignored; "" names the root where the root is
// accepted. Operations that change something return false (or an empty
// result) and leave the tree and the archive unchanged when a check fails,
// and show no message. Every change made is told to the observer, once
// complete (Build as one Rebuilt).
//
// References and pointers handed out are valid until the next change of the tree.
class CFarDirectoryTree {
public:
    CFarDirectoryTree() = default;
    CFarDirectoryTree(const CFarDirectoryTree&) = delete;
    CFarDirectoryTree& operator=(const CFarDirectoryTree&) = delete;

    // Empties the tree, remembers `archive`, and puts every live entry in, in
    // list order. False as soon as one entry cannot be placed (the entries
    // placed so far stay in the tree).
    bool Build(CFarArchive& archive);
    // Places one entry: creates missing directories and appends a file item.
    // When an item of the same path exists: with `replace` it is pointed at
    // this entry (and takes its name), without it the result is null.
    const FarFileItem* AddEntry(size_t entryIndex, bool replace);

    // True exactly when Build(archive) would succeed, without building
    // anything: for readers that need the entries but not the tree.
    static bool CanBuild(const CFarArchive& archive);
    // The entry whose item Build(archive) would put at the full file path
    // `path` (the later of entries of one name), or none. Meaningful only for
    // an archive CanBuild accepts; one pass over the entries, no tree built.
    static std::optional<size_t> ShownEntry(const CFarArchive& archive, std::string_view path);

    // True over a read-only archive: every operation that changes the tree
    // or the archive then refuses, changing nothing.
    bool IsReadOnly() const { return archive_ && archive_->IsReadOnly(); }

    // The whole tree; its name and path are "".
    const CFarDirectory& Root() const { return root_; }
    // The archive the tree was built over (null before the first Build).
    CFarArchive* Archive() const { return archive_; }

    // The file item at a full file path, or null ("" gives null).
    const FarFileItem* FindFileItem(std::string_view path) const;

    // Deep copy of the directory at `path` ("" gives the root); none when missing.
    std::optional<CFarDirectory> GetDirectory(std::string_view path) const;
    // The directory at `path` inside the tree, not the root; null when missing.
    const CFarDirectory* GetDirectoryRef(std::string_view path) const;
    // Finds or creates the directory (and missing parents) and returns a copy.
    // Refuses "" and paths with an empty component ("a\\\\b"). A directory
    // without files lives only in the tree: a save does not store it.
    std::optional<CFarDirectory> MakeDirectory(std::string_view path);
    // Copy of the file item at a full file path; none when missing.
    std::optional<FarFileItem> GetFileItem(std::string_view path) const;

    // The archive entry behind an item / an entry index; null when outside the list.
    const CFarEntry* EntryOfItem(const FarFileItem& item) const;
    const CFarEntry* EntryAt(int64_t entryIndex) const;

    // Adds the stream's whole contents as the file at `path`, creating missing
    // directories, or replaces the bytes of an existing file of that name when
    // `overwrite` is set. Refuses "", paths with an empty component, and an
    // existing name without `overwrite`. Returns a copy of the file's item.
    std::optional<FarFileItem> AddFile(std::string_view path, ByteStream& stream, bool overwrite);
    // Renames a file within its directory: `newPath` must name the same
    // directory (letter case aside) and a new last component that is not
    // empty, ".", "..", and holds no "\\" or "/". Fails when another file has
    // that path; a change of letter case only is allowed.
    bool RenameFile(std::string_view oldPath, std::string_view newPath);
    // Marks the file's entry deleted and removes its item.
    bool RemoveFile(std::string_view path);
    // Moves a file into the directory `destination` ("" for the root),
    // keeping its name. Fails when that directory holds a file of the name
    // (which includes the file's own directory).
    bool MoveFileItem(std::string_view path, std::string_view destination);
    // Writes the file's bytes (read from the source on first use) to `stream`.
    bool WriteEntryData(std::string_view path, ByteStream& stream);
    // A copy of the file's bytes; none when they cannot be read.
    std::optional<std::vector<uint8_t>> CopyEntryData(std::string_view path);

    // Renames a directory within its parent (same rules for the new last
    // component as RenameFile); every entry below it gets its new name.
    bool RenameDirectory(std::string_view oldPath, std::string_view newPath);
    // Moves a directory with everything below it into `destination` ("" for
    // the root), keeping its name. Refused when the destination already holds
    // a directory of that name, or lies inside the moved directory itself.
    bool MoveDirectory(std::string_view path, std::string_view destination);
    // Marks every entry below the directory deleted and removes it. Not the
    // root. A failure halfway (an entry below already deleted) leaves what
    // was deleted deleted.
    bool DeleteDirectory(std::string_view path);

    // Forwarded to the archive (0 before the first Build).
    uint32_t EntryCount() const;
    uint64_t TotalSize() const;

    // Receives every change of the tree (null: none).
    void SetObserver(TreeObserver* observer) { observer_ = observer; }
    // Takes back / makes again a change this tree reported, exactly, when the
    // tree is as it was right after / before it; tells the observer what
    // changed. Entry names and marks are the archive's to restore.
    void Revert(TreeChange& change) { Replay(change, false); }
    void Reapply(TreeChange& change) { Replay(change, true); }

private:
    // Where an item sits: the directory holding it and its place there.
    enum class ItemKind { File, Directory };
    struct Slot {
        CFarDirectory* parent;
        size_t position;
    };
    // The slot of the file or directory at `path` (already normalised); none
    // without an archive, for "" or when there is no such item.
    std::optional<Slot> Locate(std::string_view path, ItemKind kind);
    // What both renames check before changing anything: the item of
    // `oldPath` and its new own name. None when there is no such item, when
    // `newPath` names another item of the kind, or leaves the item's parent
    // or ends in a name that is not acceptable.
    struct Renaming {
        Slot slot;
        std::string_view name;
    };
    std::optional<Renaming> PlanRename(std::string_view oldPath, std::string_view newPath, ItemKind kind);
    // The bytes of the file at `path`, read from the source on first use and
    // cut to the entry's data length; none when they cannot be had.
    std::optional<std::span<const uint8_t>> EntryBytes(std::string_view path);

    void Replay(TreeChange& change, bool forward);
    void Notify(TreeChange change);
    // The directory at a stored path ("" the root); null when missing.
    CFarDirectory* DirectoryAt(std::string_view path);
    CFarDirectory* FindDirectoryMutable(std::string_view path, bool create);
    CFarDirectory* ParentOf(std::string_view path);
    FarFileItem* FindFileItemMutable(std::string_view path);
    void RepathBelow(CFarDirectory& directory, const std::string& oldTop, const std::string& newTop);
    // Gives every directory below `directory` its path under the directory's; entries keep their names.
    static void RepathDirectories(CFarDirectory& directory);
    // Whether every file below `directory` stands for a live entry.
    bool AllEntriesLive(const CFarDirectory& directory) const;
    void MarkAllDeleted(const CFarDirectory& directory);
    // The item-by-item delete for a tree whose entries are not all live:
    // files from the last, then subdirectories from the last; stops at the
    // first entry that cannot be marked deleted.
    bool EmptyDirectory(CFarDirectory& directory);

    CFarDirectory root_;
    CFarArchive* archive_ = nullptr;
    TreeObserver* observer_ = nullptr;
    bool building_ = false;
};

} // namespace vorn

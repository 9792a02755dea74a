#include "archive/far_directory_tree.h"

#include "archive/archive_path.h"
#include "base/byte_copy.h"

#include <algorithm>

namespace vorn {

namespace {

// Directories nest at most this deep. Deeper names can only come from a
// damaged or hostile manifest, and the tree's walks recurse per level.
constexpr size_t kMaxDepth = 1024;

bool HasEmptyComponent(std::string_view path)
{
    return path.empty() || path.front() == kArchiveSeparator || path.back() == kArchiveSeparator ||
           path.find("\\\\") != std::string_view::npos;
}

bool EndsWithSeparator(std::string_view path)
{
    return !path.empty() && path.back() == kArchiveSeparator;
}

// Levels of directories from `directory` down to its deepest descendant, itself included.
size_t Height(const CFarDirectory& directory)
{
    size_t below = 0;
    for (const CFarDirectory& child : directory.Subdirectories())
        below = std::max(below, Height(child));
    return below + 1;
}

// A name the user gives a file or directory in place of its old one.
bool IsAcceptableName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find(kArchiveSeparator) == std::string_view::npos &&
           name.find('/') == std::string_view::npos;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// For a path of at least one component: the part before the last separator
// ("" when there is none) and the last component.
std::pair<std::string_view, std::string_view> SplitLast(std::string_view path)
{
    const size_t last = path.rfind(kArchiveSeparator);
    if (last == std::string_view::npos)
        return {std::string_view{}, path};
    return {path.substr(0, last), path.substr(last + 1)};
}

// The new last component of a rename: `newPath` must keep the parent of
// `oldPath` (letter case aside) and end in an acceptable name.
std::optional<std::string_view> RenamedComponent(std::string_view oldPath, std::string_view newPath)
{
    const size_t last = oldPath.rfind(kArchiveSeparator);
    std::string_view name = newPath;
    if (last != std::string_view::npos) {
        if (newPath.size() <= last || newPath[last] != kArchiveSeparator ||
            !EqualsNoCase(newPath.substr(0, last), oldPath.substr(0, last)))
            return std::nullopt;
        name = newPath.substr(last + 1);
    }
    if (!IsAcceptableName(name))
        return std::nullopt;
    return name;
}

// Where Build puts an entry, decided by its name alone.
enum class PlaceKind {
    Root,          // no directory part
    RootIfPresent, // a directory part of separators only: it can only take the root's item of its name
    Directory,     // the (normalised) directory part, created as needed
    TooDeep,       // more levels than a directory may nest
};

struct Placement {
    PlaceKind kind;
    std::string_view directoryPart; // as written, before the last separator
    std::string_view directory;     // its ArchiveDirectoryPath, the directory walked (Directory only)
    std::string_view file;
};

Placement PlaceName(std::string_view name)
{
    const auto [directoryPart, fileName] = SplitLast(name);
    if (directoryPart.empty())
        return {PlaceKind::Root, directoryPart, {}, fileName};
    if (StripLeadingSeparators(directoryPart).empty())
        return {PlaceKind::RootIfPresent, directoryPart, {}, fileName};
    const std::string_view directory = ArchiveDirectoryPath(directoryPart);
    // A directory path of n separators has n + 1 components.
    if (static_cast<size_t>(std::count(directory.begin(), directory.end(), kArchiveSeparator)) >= kMaxDepth)
        return {PlaceKind::TooDeep, directoryPart, directory, fileName};
    return {PlaceKind::Directory, directoryPart, directory, fileName};
}

} // namespace

// ---- building ------------------------------------------------------------

bool CFarDirectoryTree::CanBuild(const CFarArchive& archive)
{
    const std::vector<CFarEntry>& entries = archive.Entries();
    if (entries.size() > static_cast<size_t>(INT32_MAX) + 1)
        return false;
    // Own names of the root's files so far; only needed once a name can only
    // take a root item, which real archives never have.
    NoCaseIndex rootFiles;
    std::vector<std::string_view> rootNames;
    size_t rootScanned = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].isDeleted)
            continue;
        const Placement place = PlaceName(entries[i].name);
        if (place.kind == PlaceKind::TooDeep)
            return false;
        if (place.kind != PlaceKind::RootIfPresent)
            continue;
        for (; rootScanned < i; ++rootScanned) {
            if (entries[rootScanned].isDeleted)
                continue;
            const Placement earlier = PlaceName(entries[rootScanned].name);
            if (earlier.kind != PlaceKind::Root)
                continue;
            const uint32_t hash = NoCaseIndex::Hash(earlier.file);
            auto nameOf = [&](uint32_t id) { return rootNames[id]; };
            if (rootFiles.Find(earlier.file, hash, nameOf) == NoCaseIndex::kNone) {
                rootNames.push_back(earlier.file);
                rootFiles.Insert(static_cast<uint32_t>(rootNames.size() - 1), hash);
            }
        }
        rootScanned = i + 1;
        auto nameOf = [&](uint32_t id) { return rootNames[id]; };
        if (rootFiles.Find(place.file, NoCaseIndex::Hash(place.file), nameOf) == NoCaseIndex::kNone)
            return false;
    }
    return true;
}

std::optional<size_t> CFarDirectoryTree::ShownEntry(const CFarArchive& archive, std::string_view path)
{
    path = StripLeadingSeparators(path);
    if (path.empty())
        return std::nullopt;
    const auto [parent, file] = SplitLast(path);
    const std::string_view directory = ArchiveDirectoryPath(parent);
    const bool inRoot = parent.empty();
    const std::vector<CFarEntry>& entries = archive.Entries();
    // The later of two entries of one place is the one the tree shows.
    for (size_t i = entries.size(); i-- > 0;) {
        const CFarEntry& entry = entries[i];
        if (entry.isDeleted || entry.name.size() < file.size())
            continue;
        const Placement place = PlaceName(entry.name);
        if (!EqualsNoCase(place.file, file))
            continue;
        // An archive Build accepts has a root item for every RootIfPresent name.
        const bool entryInRoot = place.kind != PlaceKind::Directory;
        if (inRoot ? entryInRoot : (!entryInRoot && EqualsNoCase(place.directory, directory)))
            return i;
    }
    return std::nullopt;
}

bool CFarDirectoryTree::Build(CFarArchive& archive)
{
    root_.Clear();
    archive_ = &archive;
    building_ = true;
    bool built = true;
    const size_t count = archive.Entries().size();
    for (size_t i = 0; i < count && built; ++i) {
        if (!archive.Entries()[i].isDeleted)
            built = AddEntry(i, true) != nullptr;
    }
    building_ = false;
    Notify(TreeChange{});
    return built;
}

const FarFileItem* CFarDirectoryTree::AddEntry(size_t entryIndex, bool replace)
{
    const CFarEntry* entry = EntryAt(static_cast<int64_t>(entryIndex));
    if (!entry || entry->isDeleted || entryIndex > static_cast<size_t>(INT32_MAX))
        return nullptr;
    const Placement place = PlaceName(entry->name);
    const std::string_view fileName = place.file;
    CFarDirectory* directory = nullptr;
    switch (place.kind) {
    case PlaceKind::Root:
        directory = &root_;
        break;
    case PlaceKind::RootIfPresent:
        // Only separators before the name: the item of the stripped name in
        // the root can take this entry, but no directory can hold a new one.
        directory = root_.FindFile(fileName) ? &root_ : nullptr;
        break;
    case PlaceKind::Directory:
    case PlaceKind::TooDeep: // makes the levels it may, then fails
        directory = FindDirectoryMutable(place.directoryPart, true);
        break;
    }
    if (!directory)
        return nullptr;
    const auto [position, existed] = directory->FindOrAppendFile(fileName, static_cast<int32_t>(entryIndex));
    FarFileItem& item = directory->files_[position];
    TreeChange change;
    change.directory = directory->path_;
    change.position = position;
    if (existed) {
        if (!replace)
            return nullptr;
        change.kind = TreeChangeKind::FileResized;
        change.oldName = item.name;
        change.oldEntryIndex = item.entryIndex;
        // The later of two entries with the same name is the one shown.
        directory->RenameFileAt(position, std::string(fileName));
        item.entryIndex = static_cast<int32_t>(entryIndex);
    } else {
        change.kind = TreeChangeKind::FileAdded;
    }
    change.item = item;
    Notify(std::move(change));
    return &directory->files_[position];
}

// ---- lookup --------------------------------------------------------------

CFarDirectory* CFarDirectoryTree::FindDirectoryMutable(std::string_view path, bool create)
{
    path = ArchiveDirectoryPath(path);
    if (path.empty())
        return nullptr;
    CFarDirectory* directory = &root_;
    size_t depth = 0;
    while (true) {
        const size_t end = path.find(kArchiveSeparator);
        const std::string_view component = path.substr(0, end);
        CFarDirectory* next = directory->FindSubdirectoryMutable(component);
        if (!next) {
            if (!create || depth >= kMaxDepth)
                return nullptr;
            next = &directory->AppendSubdirectory(
                CFarDirectory(std::string(component), JoinArchivePath(directory->Path(), component)));
            TreeChange change;
            change.kind = TreeChangeKind::DirectoryAdded;
            change.directory = directory->path_;
            change.position = directory->subdirectories_.size() - 1;
            change.name = next->name_;
            Notify(std::move(change));
        }
        directory = next;
        ++depth;
        if (end == std::string_view::npos)
            return directory;
        path.remove_prefix(end + 1);
    }
}

auto CFarDirectoryTree::Locate(std::string_view path, ItemKind kind) -> std::optional<Slot>
{
    if (!archive_ || path.empty())
        return std::nullopt;
    CFarDirectory* parent = ParentOf(path);
    if (!parent)
        return std::nullopt;
    const std::string_view name = SplitLast(path).second;
    const std::optional<size_t> position =
        kind == ItemKind::File ? parent->FilePosition(name) : parent->SubdirectoryPosition(name);
    if (!position)
        return std::nullopt;
    return Slot{parent, *position};
}

CFarDirectory* CFarDirectoryTree::ParentOf(std::string_view path)
{
    const std::string_view parent = SplitLast(path).first;
    return parent.empty() ? &root_ : FindDirectoryMutable(parent, false);
}

FarFileItem* CFarDirectoryTree::FindFileItemMutable(std::string_view path)
{
    path = StripLeadingSeparators(path);
    if (path.empty())
        return nullptr;
    CFarDirectory* directory = ParentOf(path);
    return directory ? directory->FindFileMutable(SplitLast(path).second) : nullptr;
}

const FarFileItem* CFarDirectoryTree::FindFileItem(std::string_view path) const
{
    return const_cast<CFarDirectoryTree*>(this)->FindFileItemMutable(path);
}

std::optional<CFarDirectory> CFarDirectoryTree::GetDirectory(std::string_view path) const
{
    if (ArchiveDirectoryPath(path).empty())
        return root_;
    if (const CFarDirectory* directory = GetDirectoryRef(path))
        return *directory;
    return std::nullopt;
}

const CFarDirectory* CFarDirectoryTree::GetDirectoryRef(std::string_view path) const
{
    return const_cast<CFarDirectoryTree*>(this)->FindDirectoryMutable(path, false);
}

std::optional<CFarDirectory> CFarDirectoryTree::MakeDirectory(std::string_view path)
{
    if (IsReadOnly())
        return std::nullopt;
    path = ArchiveDirectoryPath(path);
    // Refuse too deep a path before making any of it.
    if (HasEmptyComponent(path) ||
        static_cast<size_t>(std::count(path.begin(), path.end(), kArchiveSeparator)) >= kMaxDepth)
        return std::nullopt;
    if (const CFarDirectory* directory = FindDirectoryMutable(path, true))
        return *directory;
    return std::nullopt;
}

std::optional<FarFileItem> CFarDirectoryTree::GetFileItem(std::string_view path) const
{
    if (const FarFileItem* item = FindFileItem(path))
        return *item;
    return std::nullopt;
}

const CFarEntry* CFarDirectoryTree::EntryOfItem(const FarFileItem& item) const
{
    return EntryAt(item.entryIndex);
}

const CFarEntry* CFarDirectoryTree::EntryAt(int64_t entryIndex) const
{
    if (!archive_ || entryIndex < 0)
        return nullptr;
    return archive_->Entry(static_cast<size_t>(entryIndex));
}

uint32_t CFarDirectoryTree::EntryCount() const
{
    return archive_ ? archive_->EntryCount() : 0;
}

uint64_t CFarDirectoryTree::TotalSize() const
{
    return archive_ ? archive_->TotalSize() : 0;
}

// ---- files ---------------------------------------------------------------

std::optional<FarFileItem> CFarDirectoryTree::AddFile(std::string_view path, ByteStream& stream, bool overwrite)
{
    if (IsReadOnly())
        return std::nullopt;
    path = StripLeadingSeparators(path);
    if (!archive_ || HasEmptyComponent(path))
        return std::nullopt;
    // Refuse before the archive changes when the directory could not be made.
    if (static_cast<size_t>(std::count(path.begin(), path.end(), kArchiveSeparator)) > kMaxDepth)
        return std::nullopt;
    const size_t countBefore = archive_->Entries().size();
    const std::optional<size_t> entry = archive_->AddOrReplace(path, stream, overwrite);
    if (!entry)
        return std::nullopt;
    const FarFileItem* item = AddEntry(*entry, true);
    if (!item) {
        if (*entry >= countBefore)
            archive_->MarkDeleted(*entry);
        return std::nullopt;
    }
    return *item;
}

auto CFarDirectoryTree::PlanRename(std::string_view oldPath, std::string_view newPath, ItemKind kind)
    -> std::optional<Renaming>
{
    const std::optional<Slot> slot = Locate(oldPath, kind);
    if (!slot)
        return std::nullopt;
    // Another item of that path refuses the rename; the item itself (a new
    // letter case only) does not.
    const bool taken = kind == ItemKind::File ? FindFileItem(newPath) != nullptr : GetDirectoryRef(newPath) != nullptr;
    if (taken && !EqualsNoCase(oldPath, newPath))
        return std::nullopt;
    const std::optional<std::string_view> name = RenamedComponent(oldPath, newPath);
    if (!name)
        return std::nullopt;
    return Renaming{*slot, *name};
}

bool CFarDirectoryTree::RenameFile(std::string_view oldPath, std::string_view newPath)
{
    if (IsReadOnly())
        return false;
    oldPath = StripLeadingSeparators(oldPath);
    newPath = StripLeadingSeparators(newPath);
    const std::optional<Renaming> renaming = PlanRename(oldPath, newPath, ItemKind::File);
    if (!renaming)
        return false;
    const Slot& slot = renaming->slot;
    if (!archive_->RenameEntry(static_cast<size_t>(slot.parent->files_[slot.position].entryIndex), newPath))
        return false;
    TreeChange change;
    change.kind = TreeChangeKind::FileRenamed;
    change.directory = slot.parent->path_;
    change.position = slot.position;
    change.oldName = slot.parent->files_[slot.position].name;
    slot.parent->RenameFileAt(slot.position, std::string(renaming->name));
    change.item = slot.parent->files_[slot.position];
    Notify(std::move(change));
    return true;
}

bool CFarDirectoryTree::RemoveFile(std::string_view path)
{
    if (IsReadOnly())
        return false;
    const std::optional<Slot> slot = Locate(StripLeadingSeparators(path), ItemKind::File);
    if (!slot || !archive_->MarkDeleted(static_cast<size_t>(slot->parent->files_[slot->position].entryIndex)))
        return false;
    TreeChange change;
    change.kind = TreeChangeKind::FileRemoved;
    change.directory = slot->parent->path_;
    change.position = slot->position;
    change.item = slot->parent->files_[slot->position];
    slot->parent->EraseFile(slot->position);
    Notify(std::move(change));
    return true;
}

bool CFarDirectoryTree::MoveFileItem(std::string_view path, std::string_view destination)
{
    if (IsReadOnly())
        return false;
    path = StripLeadingSeparators(path);
    destination = ArchiveDirectoryPath(destination);
    const std::optional<Slot> slot = Locate(path, ItemKind::File);
    if (!slot)
        return false;
    CFarDirectory* target = destination.empty() ? &root_ : FindDirectoryMutable(destination, false);
    if (!target)
        return false;
    const FarFileItem item = slot->parent->files_[slot->position];
    // This also refuses a move into the directory that holds the file.
    if (target->FindFile(item.name))
        return false;
    // The target's own spelling, not the typed one: the entry must name the
    // directory that now holds it as the tree shows it.
    if (!archive_->RenameEntry(static_cast<size_t>(item.entryIndex), JoinArchivePath(target->path_, item.name)))
        return false;
    TreeChange change;
    change.kind = TreeChangeKind::FileMoved;
    change.directory = slot->parent->path_;
    change.position = slot->position;
    change.toDirectory = target->path_;
    change.toPosition = target->files_.size();
    change.item = item;
    slot->parent->EraseFile(slot->position);
    target->AppendFile(item);
    Notify(std::move(change));
    return true;
}

std::optional<std::span<const uint8_t>> CFarDirectoryTree::EntryBytes(std::string_view path)
{
    const FarFileItem* item = FindFileItem(path);
    if (!item || !archive_)
        return std::nullopt;
    return archive_->LoadedBytes(static_cast<size_t>(item->entryIndex));
}

bool CFarDirectoryTree::WriteEntryData(std::string_view path, ByteStream& stream)
{
    const std::optional<std::span<const uint8_t>> bytes = EntryBytes(path);
    return bytes && stream.Write(bytes->data(), bytes->size());
}

std::optional<std::vector<uint8_t>> CFarDirectoryTree::CopyEntryData(std::string_view path)
{
    const std::optional<std::span<const uint8_t>> bytes = EntryBytes(path);
    if (!bytes)
        return std::nullopt;
    return CopyBytes(*bytes);
}

// ---- directories ---------------------------------------------------------

// Gives every directory below `directory` its path under the directory's
// (already set) path, and every file below it its new entry name: a name
// under `oldTop` has that part replaced by `newTop`, keeping the letter case
// of its tail; any other name is made to match the tree.
void CFarDirectoryTree::RepathBelow(CFarDirectory& directory, const std::string& oldTop, const std::string& newTop)
{
    for (const FarFileItem& item : directory.files_) {
        const CFarEntry* entry = EntryOfItem(item);
        if (!entry)
            continue;
        const bool underOldTop = entry->name.size() > oldTop.size() && entry->name[oldTop.size()] == kArchiveSeparator &&
                                 StartsWithNoCase(entry->name, oldTop);
        const std::string name = underOldTop ? newTop + std::string(entry->name.substr(oldTop.size()))
                                             : JoinArchivePath(directory.path_, item.name);
        if (name != entry->name)
            archive_->RenameEntry(static_cast<size_t>(item.entryIndex), name);
    }
    for (CFarDirectory& child : directory.subdirectories_) {
        child.path_ = JoinArchivePath(directory.path_, child.name_);
        RepathBelow(child, oldTop, newTop);
    }
}

bool CFarDirectoryTree::RenameDirectory(std::string_view oldPath, std::string_view newPath)
{
    if (IsReadOnly())
        return false;
    oldPath = ArchiveDirectoryPath(oldPath);
    newPath = ArchiveDirectoryPath(newPath);
    const std::optional<Renaming> renaming = PlanRename(oldPath, newPath, ItemKind::Directory);
    // A parent written with a doubled separator is found without it, but the
    // new path would keep it: the directory's path would not lead back to it.
    if (!renaming || EndsWithSeparator(SplitLast(oldPath).first))
        return false;
    CFarDirectory* parent = renaming->slot.parent;
    const size_t position = renaming->slot.position;

    // Every entry under the old path takes the new one, also an earlier
    // entry hidden in the tree by a later one of the same name.
    const std::string oldPrefix = std::string(oldPath) + kArchiveSeparator;
    const std::string newPathText(newPath);
    const auto& entries = archive_->Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].isDeleted && StartsWithNoCase(entries[i].name, oldPrefix))
            archive_->RenameEntry(i, newPathText + std::string(entries[i].name.substr(oldPath.size())));
    }

    TreeChange change;
    change.kind = TreeChangeKind::DirectoryRenamed;
    change.directory = parent->path_;
    change.position = position;
    change.oldName = parent->subdirectories_[position].name_;
    parent->RenameSubdirectoryAt(position, std::string(renaming->name));
    CFarDirectory& directory = parent->subdirectories_[position];
    directory.path_ = newPathText;
    // Names the scan could not reach (odd separators) are made to match the tree.
    RepathBelow(directory, newPathText, newPathText);
    change.name = directory.name_;
    Notify(std::move(change));
    return true;
}

bool CFarDirectoryTree::MoveDirectory(std::string_view path, std::string_view destination)
{
    if (IsReadOnly())
        return false;
    path = ArchiveDirectoryPath(path);
    destination = ArchiveDirectoryPath(destination);
    if (!archive_ || path.empty())
        return false;
    // A destination written with a doubled trailing separator is found
    // without it, but the new path would keep it.
    if (EndsWithSeparator(destination))
        return false;
    if (GetDirectoryRef(JoinArchivePath(destination, SplitLast(path).second)))
        return false;
    const std::optional<Slot> slot = Locate(path, ItemKind::Directory);
    if (!slot)
        return false;
    CFarDirectory* parent = slot->parent;
    const size_t position = slot->position;
    CFarDirectory* target = destination.empty() ? &root_ : FindDirectoryMutable(destination, false);
    if (!target)
        return false;
    // A directory cannot go into itself or below itself: it would be cut off the tree.
    const std::string& movedPath = parent->subdirectories_[position].path_;
    if (EqualsNoCase(target->path_, movedPath) || StartsWithNoCase(target->path_, movedPath + kArchiveSeparator))
        return false;
    // Moves must not build nesting deeper than names may make.
    const size_t targetLevel =
        target == &root_ ? 0 : static_cast<size_t>(std::count(target->path_.begin(), target->path_.end(), kArchiveSeparator)) + 1;
    if (targetLevel + Height(parent->subdirectories_[position]) > kMaxDepth)
        return false;

    // Taking the directory out may move its siblings, and the target may be
    // one of them or below one: find the target again afterwards.
    TreeChange change;
    change.kind = TreeChangeKind::DirectoryMoved;
    change.directory = parent->path_;
    change.position = position;
    CFarDirectory moved = parent->TakeSubdirectory(position);
    target = destination.empty() ? &root_ : FindDirectoryMutable(destination, false);
    // Formed from the stored spellings, so a path typed in other letter case
    // leaves no directory whose path disagrees with its parent's and its name.
    const std::string newPath = JoinArchivePath(target->path_, moved.name_);
    const std::string oldPath = moved.path_;
    moved.path_ = newPath;
    CFarDirectory& placed = target->AppendSubdirectory(std::move(moved));
    RepathBelow(placed, oldPath, newPath);
    change.toDirectory = target->path_;
    change.toPosition = target->subdirectories_.size() - 1;
    change.name = placed.name_;
    Notify(std::move(change));
    return true;
}

bool CFarDirectoryTree::AllEntriesLive(const CFarDirectory& directory) const
{
    for (const FarFileItem& item : directory.files_) {
        const CFarEntry* entry = EntryOfItem(item);
        if (!entry || entry->isDeleted)
            return false;
    }
    for (const CFarDirectory& child : directory.subdirectories_) {
        if (!AllEntriesLive(child))
            return false;
    }
    return true;
}

void CFarDirectoryTree::MarkAllDeleted(const CFarDirectory& directory)
{
    for (size_t i = directory.files_.size(); i-- > 0;)
        archive_->MarkDeleted(static_cast<size_t>(directory.files_[i].entryIndex));
    for (size_t i = directory.subdirectories_.size(); i-- > 0;)
        MarkAllDeleted(directory.subdirectories_[i]);
}

bool CFarDirectoryTree::EmptyDirectory(CFarDirectory& directory)
{
    while (!directory.files_.empty()) {
        const size_t last = directory.files_.size() - 1;
        if (!archive_->MarkDeleted(static_cast<size_t>(directory.files_[last].entryIndex)))
            return false;
        TreeChange change;
        change.kind = TreeChangeKind::FileRemoved;
        change.directory = directory.path_;
        change.position = last;
        change.item = directory.files_[last];
        directory.EraseFile(last);
        Notify(std::move(change));
    }
    while (!directory.subdirectories_.empty()) {
        const size_t last = directory.subdirectories_.size() - 1;
        if (!EmptyDirectory(directory.subdirectories_[last]))
            return false;
        TreeChange change;
        change.kind = TreeChangeKind::DirectoryRemoved;
        change.directory = directory.path_;
        change.position = last;
        change.removed = std::make_shared<CFarDirectory>(directory.TakeSubdirectory(last));
        change.name = change.removed->name_;
        Notify(std::move(change));
    }
    return true;
}

bool CFarDirectoryTree::DeleteDirectory(std::string_view path)
{
    if (IsReadOnly())
        return false;
    const std::optional<Slot> slot = Locate(ArchiveDirectoryPath(path), ItemKind::Directory);
    if (!slot)
        return false;
    // A tree whose entries are all live (always, unless an entry was deleted
    // behind its back) loses the directory whole, kept for an undo as one
    // change; otherwise item by item up to the entry that fails.
    if (!AllEntriesLive(slot->parent->subdirectories_[slot->position])) {
        if (!EmptyDirectory(slot->parent->subdirectories_[slot->position]))
            return false;
    }
    MarkAllDeleted(slot->parent->subdirectories_[slot->position]);
    TreeChange change;
    change.kind = TreeChangeKind::DirectoryRemoved;
    change.directory = slot->parent->path_;
    change.position = slot->position;
    change.removed = std::make_shared<CFarDirectory>(slot->parent->TakeSubdirectory(slot->position));
    change.name = change.removed->name_;
    Notify(std::move(change));
    return true;
}

// ---- changes -------------------------------------------------------------

void CFarDirectoryTree::Notify(TreeChange change)
{
    if (observer_ && !building_)
        observer_->TreeChanged(change);
}

CFarDirectory* CFarDirectoryTree::DirectoryAt(std::string_view path)
{
    return path.empty() ? &root_ : FindDirectoryMutable(path, false);
}

void CFarDirectoryTree::RepathDirectories(CFarDirectory& directory)
{
    for (CFarDirectory& child : directory.subdirectories_) {
        child.path_ = JoinArchivePath(directory.path_, child.name_);
        RepathDirectories(child);
    }
}

void CFarDirectoryTree::Replay(TreeChange& change, bool forward)
{
    using Kind = TreeChangeKind;
    // What the observer is told: the change itself, or the one that undoes it.
    TreeChange told = change;
    told.removed.reset();
    auto put = [](CFarDirectory* directory, size_t position, CFarDirectory moved) {
        moved.path_ = JoinArchivePath(directory->path_, moved.name_);
        RepathDirectories(moved);
        directory->InsertSubdirectoryAt(position, std::move(moved));
    };
    switch (change.kind) {
    case Kind::FileAdded:
    case Kind::FileRemoved: {
        CFarDirectory* directory = DirectoryAt(change.directory);
        if (!directory)
            return;
        if ((change.kind == Kind::FileAdded) == forward) {
            directory->InsertFileAt(change.position, change.item);
            told.kind = Kind::FileAdded;
        } else {
            directory->EraseFile(change.position);
            told.kind = Kind::FileRemoved;
        }
        break;
    }
    case Kind::FileRenamed: {
        CFarDirectory* directory = DirectoryAt(change.directory);
        if (!directory)
            return;
        directory->RenameFileAt(change.position, forward ? change.item.name : change.oldName);
        told.item.name = directory->files_[change.position].name;
        told.oldName = forward ? change.oldName : change.item.name;
        break;
    }
    case Kind::FileResized: {
        CFarDirectory* directory = DirectoryAt(change.directory);
        if (!directory)
            return;
        directory->RenameFileAt(change.position, forward ? change.item.name : change.oldName);
        directory->files_[change.position].entryIndex = forward ? change.item.entryIndex : change.oldEntryIndex;
        told.item = directory->files_[change.position];
        break;
    }
    case Kind::FileMoved: {
        CFarDirectory* from = DirectoryAt(forward ? change.directory : change.toDirectory);
        CFarDirectory* to = DirectoryAt(forward ? change.toDirectory : change.directory);
        if (!from || !to)
            return;
        const size_t fromPosition = forward ? change.position : change.toPosition;
        const size_t toPosition = forward ? change.toPosition : change.position;
        FarFileItem item = from->files_[fromPosition];
        from->EraseFile(fromPosition);
        to->InsertFileAt(toPosition, std::move(item));
        told.directory = from->path_;
        told.position = fromPosition;
        told.toDirectory = to->path_;
        told.toPosition = toPosition;
        break;
    }
    case Kind::DirectoryAdded:
    case Kind::DirectoryRemoved: {
        CFarDirectory* parent = DirectoryAt(change.directory);
        if (!parent)
            return;
        if ((change.kind == Kind::DirectoryAdded) == forward) {
            CFarDirectory directory(change.name, std::string());
            if (change.removed)
                directory = std::move(*change.removed);
            change.removed.reset();
            put(parent, change.position, std::move(directory));
            told.kind = Kind::DirectoryAdded;
        } else {
            change.removed = std::make_shared<CFarDirectory>(parent->TakeSubdirectory(change.position));
            told.kind = Kind::DirectoryRemoved;
        }
        break;
    }
    case Kind::DirectoryRenamed: {
        CFarDirectory* parent = DirectoryAt(change.directory);
        if (!parent)
            return;
        parent->RenameSubdirectoryAt(change.position, forward ? change.name : change.oldName);
        CFarDirectory& directory = parent->subdirectories_[change.position];
        directory.path_ = JoinArchivePath(parent->path_, directory.name_);
        RepathDirectories(directory);
        told.name = directory.name_;
        told.oldName = forward ? change.oldName : change.name;
        break;
    }
    case Kind::DirectoryMoved: {
        CFarDirectory* from = DirectoryAt(forward ? change.directory : change.toDirectory);
        if (!from)
            return;
        const size_t fromPosition = forward ? change.position : change.toPosition;
        const size_t toPosition = forward ? change.toPosition : change.position;
        CFarDirectory moved = from->TakeSubdirectory(fromPosition);
        told.directory = from->path_;
        // Found after the take: the target may be a sibling that moved up.
        CFarDirectory* to = DirectoryAt(forward ? change.toDirectory : change.directory);
        if (!to)
            to = &root_;
        put(to, toPosition, std::move(moved));
        told.position = fromPosition;
        told.toDirectory = to->path_;
        told.toPosition = toPosition;
        break;
    }
    case Kind::Rebuilt:
        return;
    }
    Notify(std::move(told));
}

} // namespace vorn

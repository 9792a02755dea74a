#include "archive/far_directory.h"

#include <algorithm>
#include <type_traits>
#include <utility>

namespace vorn {

// Subdirectories are held by value in a vector: growing it must move them,
// never deep-copy whole subtrees.
static_assert(std::is_nothrow_move_constructible_v<CFarDirectory>);

namespace {

// Inserts at `position` (clamped to the end) and keeps the name index in step.
template <typename Item>
void InsertIndexed(std::vector<Item>& items, NoCaseIndex& index, size_t position, Item item, uint32_t hash)
{
    position = std::min(position, items.size());
    const auto id = static_cast<uint32_t>(position);
    if (position < items.size())
        index.ShiftUpFrom(id);
    index.Insert(id, hash);
    items.insert(items.begin() + static_cast<ptrdiff_t>(position), std::move(item));
}

} // namespace

CFarDirectory::CFarDirectory(std::string name, std::string path)
    : name_(std::move(name)), path_(std::move(path))
{
}

uint32_t CFarDirectory::SubdirectoryIndexFind(std::string_view name, uint32_t hash) const
{
    return subdirectoryIndex_.Find(name, hash, [this](uint32_t position) -> std::string_view {
        return subdirectories_[position].name_;
    });
}

uint32_t CFarDirectory::FileIndexFind(std::string_view name, uint32_t hash) const
{
    return fileIndex_.Find(name, hash, [this](uint32_t position) -> std::string_view { return files_[position].name; });
}

const CFarDirectory* CFarDirectory::FindSubdirectory(std::string_view name) const
{
    const uint32_t position = SubdirectoryIndexFind(name, NoCaseIndex::Hash(name));
    return position == NoCaseIndex::kNone ? nullptr : &subdirectories_[position];
}

const FarFileItem* CFarDirectory::FindFile(std::string_view name) const
{
    const uint32_t position = FileIndexFind(name, NoCaseIndex::Hash(name));
    return position == NoCaseIndex::kNone ? nullptr : &files_[position];
}

CFarDirectory* CFarDirectory::FindSubdirectoryMutable(std::string_view name)
{
    return const_cast<CFarDirectory*>(std::as_const(*this).FindSubdirectory(name));
}

FarFileItem* CFarDirectory::FindFileMutable(std::string_view name)
{
    return const_cast<FarFileItem*>(std::as_const(*this).FindFile(name));
}

std::optional<size_t> CFarDirectory::SubdirectoryPosition(std::string_view name) const
{
    const uint32_t position = SubdirectoryIndexFind(name, NoCaseIndex::Hash(name));
    if (position == NoCaseIndex::kNone)
        return std::nullopt;
    return position;
}

std::optional<size_t> CFarDirectory::FilePosition(std::string_view name) const
{
    const uint32_t position = FileIndexFind(name, NoCaseIndex::Hash(name));
    if (position == NoCaseIndex::kNone)
        return std::nullopt;
    return position;
}

CFarDirectory& CFarDirectory::AppendSubdirectory(CFarDirectory directory)
{
    subdirectoryIndex_.Insert(static_cast<uint32_t>(subdirectories_.size()), NoCaseIndex::Hash(directory.name_));
    subdirectories_.push_back(std::move(directory));
    return subdirectories_.back();
}

FarFileItem& CFarDirectory::AppendFile(FarFileItem item)
{
    fileIndex_.Insert(static_cast<uint32_t>(files_.size()), NoCaseIndex::Hash(item.name));
    files_.push_back(std::move(item));
    return files_.back();
}

std::pair<size_t, bool> CFarDirectory::FindOrAppendFile(std::string_view name, int32_t entryIndex)
{
    const uint32_t hash = NoCaseIndex::Hash(name);
    const uint32_t found = FileIndexFind(name, hash);
    if (found != NoCaseIndex::kNone)
        return {found, true};
    files_.push_back({entryIndex, std::string(name)});
    fileIndex_.Insert(static_cast<uint32_t>(files_.size() - 1), hash);
    return {files_.size() - 1, false};
}

void CFarDirectory::InsertSubdirectoryAt(size_t position, CFarDirectory directory)
{
    const uint32_t hash = NoCaseIndex::Hash(directory.name_);
    InsertIndexed(subdirectories_, subdirectoryIndex_, position, std::move(directory), hash);
}

void CFarDirectory::InsertFileAt(size_t position, FarFileItem item)
{
    const uint32_t hash = NoCaseIndex::Hash(item.name);
    InsertIndexed(files_, fileIndex_, position, std::move(item), hash);
}

CFarDirectory CFarDirectory::TakeSubdirectory(size_t position)
{
    const auto id = static_cast<uint32_t>(position);
    subdirectoryIndex_.Erase(id, NoCaseIndex::Hash(subdirectories_[position].name_));
    if (position + 1 < subdirectories_.size())
        subdirectoryIndex_.ShiftDownAbove(id);
    CFarDirectory taken = std::move(subdirectories_[position]);
    subdirectories_.erase(subdirectories_.begin() + static_cast<ptrdiff_t>(position));
    return taken;
}

void CFarDirectory::EraseFile(size_t position)
{
    const auto id = static_cast<uint32_t>(position);
    fileIndex_.Erase(id, NoCaseIndex::Hash(files_[position].name));
    // Emptying a directory takes its last item each time: nothing to shift.
    if (position + 1 < files_.size())
        fileIndex_.ShiftDownAbove(id);
    files_.erase(files_.begin() + static_cast<ptrdiff_t>(position));
}

void CFarDirectory::RenameFileAt(size_t position, std::string name)
{
    const auto id = static_cast<uint32_t>(position);
    fileIndex_.Erase(id, NoCaseIndex::Hash(files_[position].name));
    files_[position].name = std::move(name);
    fileIndex_.Insert(id, NoCaseIndex::Hash(files_[position].name));
}

void CFarDirectory::RenameSubdirectoryAt(size_t position, std::string name)
{
    const auto id = static_cast<uint32_t>(position);
    subdirectoryIndex_.Erase(id, NoCaseIndex::Hash(subdirectories_[position].name_));
    subdirectories_[position].name_ = std::move(name);
    subdirectoryIndex_.Insert(id, NoCaseIndex::Hash(subdirectories_[position].name_));
}

void CFarDirectory::Clear()
{
    subdirectories_.clear();
    files_.clear();
    subdirectoryIndex_.Clear();
    fileIndex_.Clear();
    name_.clear();
    path_.clear();
}

} // namespace vorn

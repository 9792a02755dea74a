#include "archive/far_directory.h"

#include <type_traits>
#include <utility>

namespace vorn {

// Subdirectories are held by value in a vector: growing it must move them,
// never deep-copy whole subtrees.
static_assert(std::is_nothrow_move_constructible_v<CFarDirectory>);

CFarDirectory::CFarDirectory(std::string name, std::string path)
    : name_(std::move(name)), path_(std::move(path))
{
}

const CFarDirectory* CFarDirectory::FindSubdirectory(std::string_view name) const
{
    const auto it = subdirectoryIndex_.find(name);
    return it == subdirectoryIndex_.end() ? nullptr : &subdirectories_[it->second];
}

const FarFileItem* CFarDirectory::FindFile(std::string_view name) const
{
    const auto it = fileIndex_.find(name);
    return it == fileIndex_.end() ? nullptr : &files_[it->second];
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
    const auto it = subdirectoryIndex_.find(name);
    if (it == subdirectoryIndex_.end())
        return std::nullopt;
    return it->second;
}

std::optional<size_t> CFarDirectory::FilePosition(std::string_view name) const
{
    const auto it = fileIndex_.find(name);
    if (it == fileIndex_.end())
        return std::nullopt;
    return it->second;
}

CFarDirectory& CFarDirectory::AppendSubdirectory(CFarDirectory directory)
{
    subdirectoryIndex_.emplace(directory.name_, subdirectories_.size());
    subdirectories_.push_back(std::move(directory));
    return subdirectories_.back();
}

FarFileItem& CFarDirectory::AppendFile(FarFileItem item)
{
    fileIndex_.emplace(item.name, files_.size());
    files_.push_back(std::move(item));
    return files_.back();
}

CFarDirectory CFarDirectory::TakeSubdirectory(size_t position)
{
    CFarDirectory taken = std::move(subdirectories_[position]);
    subdirectoryIndex_.erase(taken.name_);
    subdirectories_.erase(subdirectories_.begin() + static_cast<ptrdiff_t>(position));
    for (size_t i = position; i < subdirectories_.size(); ++i)
        subdirectoryIndex_.find(subdirectories_[i].name_)->second = i;
    return taken;
}

void CFarDirectory::EraseFile(size_t position)
{
    fileIndex_.erase(files_[position].name);
    files_.erase(files_.begin() + static_cast<ptrdiff_t>(position));
    for (size_t i = position; i < files_.size(); ++i)
        fileIndex_.find(files_[i].name)->second = i;
}

void CFarDirectory::RenameFileAt(size_t position, std::string name)
{
    fileIndex_.erase(files_[position].name);
    files_[position].name = std::move(name);
    fileIndex_.emplace(files_[position].name, position);
}

void CFarDirectory::RenameSubdirectoryAt(size_t position, std::string name)
{
    subdirectoryIndex_.erase(subdirectories_[position].name_);
    subdirectories_[position].name_ = std::move(name);
    subdirectoryIndex_.emplace(subdirectories_[position].name_, position);
}

void CFarDirectory::Clear()
{
    subdirectories_.clear();
    files_.clear();
    subdirectoryIndex_.clear();
    fileIndex_.clear();
    name_.clear();
    path_.clear();
}

} // namespace vorn

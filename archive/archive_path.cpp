#include "archive/archive_path.h"

namespace vorn {

std::string_view StripLeadingSeparators(std::string_view path)
{
    const size_t first = path.find_first_not_of(kArchiveSeparator);
    return first == std::string_view::npos ? std::string_view{} : path.substr(first);
}

std::string_view ArchiveDirectoryPath(std::string_view path)
{
    path = StripLeadingSeparators(path);
    if (!path.empty() && path.back() == kArchiveSeparator)
        path.remove_suffix(1);
    return path;
}

std::string JoinArchivePath(std::string_view directory, std::string_view name)
{
    if (directory.empty())
        return std::string(name);
    std::string joined;
    joined.reserve(directory.size() + 1 + name.size());
    joined.append(directory).push_back(kArchiveSeparator);
    joined.append(name);
    return joined;
}

} // namespace vorn

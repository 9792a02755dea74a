#include "transfer/disk_names.h"

#include <cstdint>

namespace vorn {

std::string DiskNameForDisplay(std::string_view utf8)
{
    std::string shown;
    shown.reserve(utf8.size());
    size_t at = 0;
    while (at < utf8.size()) {
        const std::optional<char32_t> code = DecodeUtf8(utf8, at);
        if (!code) {
            ++at;
            shown.push_back('?');
        } else {
            shown.push_back(*code > 0xFF ? '?' : static_cast<char>(*code));
        }
    }
    return shown;
}

std::optional<std::string> SafeDiskRelativePath(std::string_view archiveRelative)
{
    std::string disk;
    size_t start = 0;
    while (start <= archiveRelative.size()) {
        size_t end = archiveRelative.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = archiveRelative.size();
        const std::string_view component = archiveRelative.substr(start, end - start);
        start = end + 1;
        if (component.empty())
            continue;
        if (component == "." || component == ".." || component.find('\0') != std::string_view::npos)
            return std::nullopt;
        if (!disk.empty())
            disk.push_back('/');
        disk += Latin1ToUtf8(component);
    }
    if (disk.empty())
        return std::nullopt;
    return disk;
}

std::string DiskBaseName(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (path == "/")
        return "/";
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace vorn

#pragma once

#include <string>
#include <string_view>

namespace vorn {

// Paths inside a FAR archive: components separated by "\\", the root "".
constexpr char kArchiveSeparator = '\\';

// The path without its leading separators ("\\\\a\\b" gives "a\\b").
std::string_view StripLeadingSeparators(std::string_view path);
// A directory path as every operation takes it: leading separators removed,
// a single trailing one ignored.
std::string_view ArchiveDirectoryPath(std::string_view path);
// `name` inside `directory`: "directory\\name", or just the name in the root.
std::string JoinArchivePath(std::string_view directory, std::string_view name);

} // namespace vorn

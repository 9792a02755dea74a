#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vorn::testing {

// Every entry's name and bytes as a fresh load of an archive file shows them.
using ArchiveContents = std::map<std::string, std::string>;

// Empty when the file does not load in full.
std::optional<ArchiveContents> LoadArchiveContents(const std::filesystem::path& path);

} // namespace vorn::testing

#pragma once

#include <filesystem>

namespace vorn {

// A path the user gave, made absolute so it names the same file whatever the
// working folder is later; as given when that fails.
inline std::filesystem::path AbsolutePath(const std::filesystem::path& path)
{
    std::error_code ignored;
    std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute;
}

} // namespace vorn

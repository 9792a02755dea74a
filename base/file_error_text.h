#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vorn {

// `text` with its first "%1" replaced by `value`.
std::string Fill(std::string_view text, std::string_view value);

// What the file was wanted for, which picks the text of an unknown error.
enum class FileAction { Open, Save };

// The document's message for a file the system refused, chosen by errno:
// "%1 was not found.", "Access to %1 was denied.", "%1 is a folder, not a
// file.", "Disk full while accessing %1." and the like; "Failed to open
// document." or "Failed to save document." for an error without a text of
// its own.
std::string FileErrorText(int error, const std::filesystem::path& path, FileAction action);

// True for the errors that mean no space is left (the disk or the quota is full).
bool IsDiskFull(int error);

} // namespace vorn

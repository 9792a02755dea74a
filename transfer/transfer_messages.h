#pragma once

#include "base/messenger.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// The message boxes and progress lines of extraction and adding. Each
// message is a text before the name, the name and a text after it.
namespace transfer_text {

// Extraction; the name is the item's path relative to the shown directory.
Message CantCreateDirectory(std::string_view name);   // X1: a file is in the way
Message AskOverwriteAll(std::string_view name);       // X2: the directory exists
Message CantCreateFile(std::string_view name);        // X3: a directory is in the way
Message AskOverwrite(std::string_view name);          // X4: the file exists
Message CantCreate(std::string_view name);            // X5: the file cannot be created
Message CantExtract(std::string_view name);           // X6: the bytes cannot be written
Message CantExtractDirectory(std::string_view name);  // X7: not in the archive

// Adding; the name is the item's own name on disk.
Message CantOpenFile(std::string_view name);              // A1
Message AskOverwriteInArchive(std::string_view name);     // A2
Message CantCreateFileInArchive(std::string_view name);   // A3
Message DirectoryExists(std::string_view name);           // A4
Message CantCreateDirectoryInArchive(std::string_view name); // A5

// Progress lines. A selected file shows no space after the dots; a
// directory and everything inside one shows a space.
inline constexpr const char* kInitialProgress = "Extracting...";
std::string ExtractingFile(std::string_view name);       // "Extracting..." + name
std::string ExtractingInDirectory(std::string_view name); // "Extracting... " + name
std::string Adding(std::string_view name);                // "Adding \"name\"..."

// The extract command's closing message (caption "Vorn", information icon).
Message ExtractedCount(int32_t filesDone);

} // namespace transfer_text

} // namespace vorn

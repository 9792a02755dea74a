#pragma once

#include "base/messenger.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace vorn {

// The rules and the checks behind the folder picker, kept free of the UI so
// the command line and the tests use them too. Paths are file-system bytes.

// A folder path is valid when it is absolute, has no empty component, no
// component "." or "..", and does not end in "/" unless it is the root "/".
bool IsValidFolderPath(std::string_view path);

// The picker's answer to OK on a typed path `path`:
//  0  the folder exists (or was created): accept it;
//  1  the path breaks the rules ("... is invalid. Please reenter.");
// -1  the folder is missing and the user did not want it created;
//  2  a folder of the path could not be created ("... can not be created.").
// Creating makes every missing folder of the path; folders made before a
// failure stay.
int ValidateFolderPath(const std::string& path, Messenger& messenger);

// The folder the extract command offers first: the open archive's folder
// (ending in "/"), or the user's home folder when the archive has no file yet.
std::string InitialExtractFolder(const std::filesystem::path& archivePath);

namespace folder_text {
Message Invalid(std::string_view path);
Message AskCreate(std::string_view path);
Message CannotCreate(std::string_view path);
} // namespace folder_text

} // namespace vorn

#include "base/file_error_text.h"

#include "base/message_texts.h"

#include <cerrno>

namespace vorn {

std::string Fill(std::string_view text, std::string_view value)
{
    std::string result(text);
    const size_t at = result.find("%1");
    if (at != std::string::npos)
        result.replace(at, 2, value);
    return result;
}

std::string FileErrorText(int error, const std::filesystem::path& path, FileAction action)
{
    const std::string name = path.string();
    if (IsDiskFull(error))
        return Fill("Disk full while accessing %1.", name);
    switch (error) {
    case ENOENT: return Fill("%1 was not found.", name);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return Fill("%1 contains an incorrect path.", name);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return Fill("Access to %1 was denied.", name);
    case EISDIR: return Fill("%1 is a folder, not a file.", name);
    case EAGAIN: return Fill("A sharing violation occurred while accessing %1.", name);
    case EMFILE:
    case ENFILE: return Fill("Could not open %1 because there are too many open files.", name);
    default: return action == FileAction::Save ? "Failed to save document." : texts::kFailedToOpenDocument;
    }
}

bool IsDiskFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

} // namespace vorn

#include "transfer/folder_path.h"

#include "transfer/disk_names.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

namespace {

bool IsDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The path is file-system bytes (UTF-8); message texts are Latin-1.
std::string Framed(std::string_view path, const char* after)
{
    std::string text = "The folder:\n\n";
    text.append(DiskNameForDisplay(path));
    text.append(after);
    return text;
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
        return user->pw_dir;
    return "/";
}

} // namespace

namespace folder_text {

Message Invalid(std::string_view path)
{
    return {Framed(path, "\n\nis invalid. Please reenter."), "Vorn", MessageIcon::Warning, MessageButtons::Ok};
}

Message AskCreate(std::string_view path)
{
    return {Framed(path, "\n\ndoes not exist. Do you want the folder to be created?"), "Vorn",
            MessageIcon::Question, MessageButtons::YesNo};
}

Message CannotCreate(std::string_view path)
{
    return {Framed(path, "\n\ncan not be created. Please double check."), "Vorn", MessageIcon::Warning,
            MessageButtons::Ok};
}

} // namespace folder_text

bool IsValidFolderPath(std::string_view path)
{
    if (path.empty() || path.front() != '/' || path.size() >= PATH_MAX)
        return false;
    if (path == "/")
        return true;
    if (path.back() == '/' || path.find('\0') != std::string_view::npos)
        return false;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == "..")
            return false;
        start = end + 1;
    }
    return true;
}

int ValidateFolderPath(const std::string& path, Messenger& messenger)
{
    if (!IsValidFolderPath(path)) {
        messenger.Show(folder_text::Invalid(path));
        return 1;
    }
    // A file of that name is no folder: it is treated as missing, and making
    // the folder then fails with the message below.
    if (IsDirectory(path))
        return 0;
    if (messenger.Show(folder_text::AskCreate(path)) != MessageAnswer::Yes)
        return -1;
    size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('/', end + 1);
        const std::string prefix = path.substr(0, end);
        ::mkdir(prefix.c_str(), 0777);
        if (!IsDirectory(prefix)) {
            messenger.Show(folder_text::CannotCreate(path));
            return 2;
        }
    }
    return 0;
}

std::string InitialExtractFolder(const std::filesystem::path& archivePath)
{
    const std::string path = archivePath.string();
    const size_t slash = path.rfind('/');
    if (path.empty() || slash == std::string::npos)
        return HomeFolder();
    return path.substr(0, slash + 1);
}

} // namespace vorn

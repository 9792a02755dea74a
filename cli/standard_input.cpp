#include "cli/standard_input.h"

#include "base/file_error_text.h"
#include "base/number_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorn {

namespace {

// Opening this name opens the file behind the descriptor, even one that has
// no name left.
std::filesystem::path DescriptorPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Copies standard input into a new temporary file; the file's name is
// removed at once, so nothing is left behind whatever ends the process.
// Returns the copy's descriptor, or the message that says why there is none.
int CopyToTemporaryFile(std::string& problem)
{
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/vorn-stdin-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        problem = "Can't copy standard input: " + FileErrorText(errno, name, FileAction::Save);
        return -1;
    }
    ::unlink(name.c_str());
    std::vector<uint8_t> buffer(1 << 16);
    uint64_t total = 0;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem = std::string("Can't read standard input: ") + std::strerror(errno) + "!";
            break;
        }
        if (got == 0)
            return fd;
        total += static_cast<uint64_t>(got);
        if (total > StandardInput::kLimit) {
            problem = "Standard input holds more than " + FormatGroupedNumber(StandardInput::kLimit) +
                      " bytes, more than an archive or a file in one can hold!";
            break;
        }
        if (!WriteAll(fd, buffer.data(), static_cast<size_t>(got))) {
            problem = "Can't copy standard input: " + FileErrorText(errno, name, FileAction::Save);
            break;
        }
    }
    ::close(fd);
    return -1;
}

} // namespace

std::optional<std::filesystem::path> StandardInput::File(Messenger& messenger)
{
    // Standard input can be read once: the first call's result stands.
    static std::optional<std::filesystem::path> file;
    static std::string problem;
    static bool done = false;
    if (!done) {
        done = true;
        struct stat info {};
        if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode) && ::lseek(STDIN_FILENO, 0, SEEK_CUR) == 0) {
            file = DescriptorPath(STDIN_FILENO);
        } else if (const int copy = CopyToTemporaryFile(problem); copy >= 0) {
            file = DescriptorPath(copy);
        }
    }
    if (!file)
        messenger.Show(Message{problem, "Error", MessageIcon::Error, MessageButtons::Ok});
    return file;
}

std::optional<std::filesystem::path> InputFile(const std::filesystem::path& named, Messenger& messenger)
{
    if (StandardInput::IsNamedBy(named))
        return StandardInput::File(messenger);
    return named;
}

} // namespace vorn

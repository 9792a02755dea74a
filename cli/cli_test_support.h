#pragma once

// Runs the built vorn-cli the way a script does and captures what it prints.

#include "testing/temp_dir.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace vorn::testing {

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadText(const std::filesystem::path& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

// A vorn-cli started and not yet waited for.
struct RunningTool {
    pid_t pid = -1;
    std::filesystem::path outPath;
    std::filesystem::path errPath;
};

// The address space a sanitizer build cannot run in: it reserves terabytes
// for its shadow memory, so there a limit is left off.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSpaceLimitWorks = false;
#else
constexpr bool kAddressSpaceLimitWorks = true;
#endif

// Starts vorn-cli with `arguments` in `workDir`, standard input empty (or
// the descriptor `input`); with `addressSpace` (bytes, where
// kAddressSpaceLimitWorks) its memory is bounded as a small machine's would
// be; standard output goes to `outputFile` when one is given ("/dev/full").
inline RunningTool StartTool(const std::vector<std::string>& arguments, const std::filesystem::path& workDir,
                             uint64_t addressSpace = 0, const std::filesystem::path& outputFile = {}, int input = -1)
{
    static int serial = 0;
    const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(++serial);
    RunningTool tool;
    tool.outPath = std::filesystem::temp_directory_path() / ("vorn-cli-out-" + tag);
    tool.errPath = std::filesystem::temp_directory_path() / ("vorn-cli-err-" + tag);
    // Everything the child needs is made before the fork.
    std::string program = VORN_CLI_PATH;
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    tool.pid = ::fork();
    if (tool.pid == 0) {
        const int in = input >= 0 ? input : ::open("/dev/null", O_RDONLY);
        const std::filesystem::path& outTarget = outputFile.empty() ? tool.outPath : outputFile;
        const int out = ::open(outTarget.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(tool.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::chdir(workDir.c_str()) != 0)
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        // A sanitizer build's findings must not pass for an ordinary failure (status 1).
        ::setenv("ASAN_OPTIONS", "exitcode=86", 1);
        ::setenv("UBSAN_OPTIONS", "exitcode=86:print_stacktrace=1", 1);
        if (addressSpace != 0 && kAddressSpaceLimitWorks) {
            const rlimit limit{addressSpace, addressSpace};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return tool;
}

// Waits for a started vorn-cli; a signal's death shows as 128 + its number.
inline ToolResult FinishTool(const RunningTool& tool)
{
    ToolResult result;
    int status = 0;
    if (tool.pid > 0 && ::waitpid(tool.pid, &status, 0) == tool.pid)
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::error_code ignored;
    if (std::filesystem::exists(tool.outPath, ignored))
        result.out = ReadText(tool.outPath);
    if (std::filesystem::exists(tool.errPath, ignored))
        result.err = ReadText(tool.errPath);
    std::filesystem::remove(tool.outPath, ignored);
    std::filesystem::remove(tool.errPath, ignored);
    return result;
}

// Runs vorn-cli with `arguments` in `workDir`, standard input empty.
inline ToolResult RunTool(const std::vector<std::string>& arguments, const std::filesystem::path& workDir,
                          uint64_t addressSpace = 0, const std::filesystem::path& outputFile = {})
{
    return FinishTool(StartTool(arguments, workDir, addressSpace, outputFile));
}

// Runs vorn-cli with `input` on its standard input: through a pipe, or
// with `regularFile` as a file standard input is redirected from.
inline ToolResult RunToolWithInput(const std::vector<std::string>& arguments, const std::filesystem::path& workDir,
                                   std::string_view input, bool regularFile = false)
{
    if (regularFile) {
        const std::filesystem::path file = workDir / ".standard-input";
        WriteFileBytes(file, std::span(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const ToolResult result = FinishTool(StartTool(arguments, workDir, 0, {}, fd));
        ::close(fd);
        std::filesystem::remove(file);
        return result;
    }
    // Both ends close on exec, so the tool sees the end of its input; a tool
    // that stops reading early must not end the test with SIGPIPE.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    ::signal(SIGPIPE, SIG_IGN);
    const RunningTool tool = StartTool(arguments, workDir, 0, {}, ends[0]);
    ::close(ends[0]);
    for (size_t at = 0; at < input.size();) {
        const ssize_t written = ::write(ends[1], input.data() + at, input.size() - at);
        if (written <= 0)
            break;
        at += static_cast<size_t>(written);
    }
    ::close(ends[1]);
    return FinishTool(tool);
}

// `png` with the width and height of its header replaced (and the header's
// check sum made right), the pixel data left as it was: a small file that
// claims a large picture.
inline std::vector<uint8_t> PngClaimingSize(std::vector<uint8_t> png, uint32_t width, uint32_t height)
{
    auto put = [&png](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            png[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (24 - 8 * i));
    };
    put(16, width);
    put(20, height);
    put(29, static_cast<uint32_t>(::crc32(::crc32(0, nullptr, 0), png.data() + 12, 17)));
    return png;
}

// A picture the tool wrote, as 8-bit R, G, B bytes, top row first.
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;

    uint32_t At(uint32_t x, uint32_t y) const
    {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return (p[0] << 16) | (p[1] << 8) | p[2];
    }
};

// Reads a PNG back with libpng; also checks it is stored as 8-bit RGB.
inline Picture ReadPng(const std::vector<uint8_t>& bytes)
{
    Picture picture;
    if (bytes.size() < 26 || bytes[24] != 8 || bytes[25] != PNG_COLOR_TYPE_RGB) {
        ADD_FAILURE() << "not an 8-bit RGB PNG";
        return picture;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        ADD_FAILURE() << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr))
        ADD_FAILURE() << image.message;
    return picture;
}

} // namespace vorn::testing

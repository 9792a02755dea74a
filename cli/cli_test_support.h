#pragma once

// Runs the built vorn-cli the way a script does and captures what it prints.

#include "testing/temp_dir.h"

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

// Runs vorn-cli with `arguments` in `workDir`, standard input empty.
inline ToolResult RunTool(const std::vector<std::string>& arguments, const std::filesystem::path& workDir)
{
    static int serial = 0;
    const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(++serial);
    const std::filesystem::path outPath = std::filesystem::temp_directory_path() / ("vorn-cli-out-" + tag);
    const std::filesystem::path errPath = std::filesystem::temp_directory_path() / ("vorn-cli-err-" + tag);
    ToolResult result;
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::chdir(workDir.c_str()) != 0)
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        // A sanitizer build's findings must not pass for an ordinary failure (status 1).
        ::setenv("ASAN_OPTIONS", "exitcode=86", 1);
        ::setenv("UBSAN_OPTIONS", "exitcode=86:print_stacktrace=1", 1);
        std::vector<char*> argv;
        std::string program = VORN_CLI_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child)
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return result;
}

} // namespace vorn::testing

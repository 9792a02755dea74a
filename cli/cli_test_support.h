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

// A vorn-cli started and not yet waited for.
struct RunningTool {
    pid_t pid = -1;
    std::filesystem::path outPath;
    std::filesystem::path errPath;
};

// Starts vorn-cli with `arguments` in `workDir`, standard input empty.
inline RunningTool StartTool(const std::vector<std::string>& arguments, const std::filesystem::path& workDir)
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
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(tool.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(tool.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::chdir(workDir.c_str()) != 0)
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        // A sanitizer build's findings must not pass for an ordinary failure (status 1).
        ::setenv("ASAN_OPTIONS", "exitcode=86", 1);
        ::setenv("UBSAN_OPTIONS", "exitcode=86:print_stacktrace=1", 1);
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
inline ToolResult RunTool(const std::vector<std::string>& arguments, const std::filesystem::path& workDir)
{
    return FinishTool(StartTool(arguments, workDir));
}

} // namespace vorn::testing

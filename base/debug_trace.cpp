#include "base/debug_trace.h"

#include <cstdarg>
#include <cstdio>

namespace vorn {

DebugTrace& DebugTrace::Instance()
{
    static DebugTrace trace;
    return trace;
}

void DebugTrace::SetFileName(std::string fileName)
{
    std::lock_guard lock(mutex_);
    fileName_ = std::move(fileName);
}

std::string DebugTrace::FileName() const
{
    std::lock_guard lock(mutex_);
    return fileName_;
}

void DebugTrace::Trace(const char* format, ...)
{
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);

    std::lock_guard lock(mutex_);
    if (fileName_.empty())
        return;
    if (std::FILE* file = std::fopen(fileName_.c_str(), "a")) {
        std::fputs(line, file);
        std::fputc('\n', file);
        std::fclose(file);
    }
}

} // namespace vorn

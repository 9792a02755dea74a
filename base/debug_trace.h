#pragma once

#include <mutex>
#include <string>

namespace vorn {

// The process-wide diagnostic trace. Each Trace call formats one line (at most
// 255 characters, printf placeholders) and appends it to the trace file when a
// file name has been set. Nothing in the program sets one, so by default the
// calls cost a format and write nothing; a developer sets the name while
// hunting a fault in the viewers.
class DebugTrace {
public:
    static DebugTrace& Instance();

    void SetFileName(std::string fileName);
    std::string FileName() const;

    // Opens the file for appending (creating it when missing), writes the line
    // and a line end, and closes it again so other readers see it at once.
    // File errors are ignored: tracing must never disturb the program.
    void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    DebugTrace() = default;

    mutable std::mutex mutex_;
    std::string fileName_;
};

} // namespace vorn

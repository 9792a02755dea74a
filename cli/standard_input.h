#pragma once

#include "base/messenger.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace vorn {

// Standard input as a file the readers open by name, for an INPUT or ARCHIVE
// given as "-". A pipe cannot be read twice nor sought in, and an archive is
// read where its manifest points, so what the pipe gives is first copied
// into a temporary file without a name, which vanishes with the process. The
// copy is bounded: more than kLimit bytes is refused, since no archive, and
// no file inside one, can be larger. Standard input that is a regular file
// read from its start is opened as it is, without a copy.
class StandardInput {
public:
    static constexpr std::string_view kName = "-";
    static constexpr uint64_t kLimit = UINT32_MAX;

    static bool IsNamedBy(const std::filesystem::path& path) { return path == kName; }

    // A name that opens the file holding what standard input gave; the copy
    // is made on the first call only. None, with the message shown, when
    // standard input cannot be read, is too large, or cannot be copied.
    static std::optional<std::filesystem::path> File(Messenger& messenger);
};

// The file an INPUT or ARCHIVE names: standard input for "-", else the name
// itself. None, with the message shown, when standard input cannot be had.
std::optional<std::filesystem::path> InputFile(const std::filesystem::path& named, Messenger& messenger);

} // namespace vorn

#pragma once

#include "base/latin1_text.h"

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// How archive names and disk names map onto each other on Linux.
//
// Archive names are single-byte (Latin-1) strings with "\\" between
// directories. On disk a name is the archive bytes decoded as Latin-1 and
// encoded as UTF-8 (base/latin1_text.h), and every archive separator
// becomes "/".

// A disk name for a message or a progress line (Latin-1, like every text the
// UI shows): characters outside Latin-1 and stray bytes become "?".
std::string DiskNameForDisplay(std::string_view utf8);

// The disk path, relative to a target folder, that an archive path relative
// to the shown directory is written to. Both "\\" and "/" separate (a "/" in
// an archive name would separate on disk anyway); empty components are
// dropped. None when a component is "." or "..", when a NUL byte appears,
// or when nothing is left: such a name would leave the target folder or
// name the folder itself.
std::optional<std::string> SafeDiskRelativePath(std::string_view archiveRelative);

// The last component of a disk path, trailing "/" ignored ("/" itself gives "/").
std::string DiskBaseName(std::string_view path);

} // namespace vorn

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// How archive names and disk names map onto each other on Linux.
//
// Archive names are single-byte (Latin-1) strings with "\\" between
// directories. On disk a name is the archive bytes decoded as Latin-1 and
// encoded as UTF-8, and every archive separator becomes "/".

// Latin-1 bytes as UTF-8; every byte maps, so this never fails.
std::string Latin1ToUtf8(std::string_view latin1);

// A disk name (UTF-8) as archive bytes; none when the name is not valid
// UTF-8 or holds a character outside Latin-1, so it is never stored mangled.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

// Whether `text` is well-formed UTF-8 (ASCII is).
bool IsValidUtf8(std::string_view text);

// The first character of the UTF-8 text `utf8` that Latin-1 cannot hold
// ("\xE2\x82\xAC" and 0x20AC for the euro sign), for a message naming it;
// none when every character fits or the text is not valid UTF-8.
struct Utf8Character {
    std::string text;
    char32_t code = 0;

    // "U+20AC".
    std::string CodeText() const;
};
std::optional<Utf8Character> FirstBeyondLatin1(std::string_view utf8);

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

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Strings of the game's files shown on one line and typed back: TAB, line
// ends, the backslash and the other control bytes become `\t`, `\n`, `\r`,
// `\\` and `\xNN`; every other byte stays as it is. Escaping then unescaping
// gives the same bytes, so a cell or a command line never loses one.
std::string EscapeControls(std::string_view bytes);
// The bytes of an escaped text; none when a backslash starts no escape above
// (a `\x` wants two hexadecimal digits).
std::optional<std::string> UnescapeControls(std::string_view text);

} // namespace vorn

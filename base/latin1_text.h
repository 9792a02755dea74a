#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Archive names and the text inside object files are Latin-1 bytes; disks,
// terminals and JSON speak UTF-8. These are the conversions between them.

// Decodes the UTF-8 sequence at `text[at]` (at < text.size()) and moves `at`
// past it; none for a malformed, overlong or surrogate sequence (`at` is then
// left as it was).
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& at);

// Latin-1 bytes as UTF-8; every byte maps, so this never fails.
std::string Latin1ToUtf8(std::string_view latin1);

// UTF-8 text as Latin-1 bytes; none when the text is not valid UTF-8 or
// holds a character outside Latin-1, so it is never stored mangled.
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

} // namespace vorn

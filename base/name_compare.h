#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// Archive names are byte strings compared without regard to ASCII letter
// case; bytes above 0x7F compare as they are.
inline char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b);
// Orders like a case-insensitive strcmp: <0, 0 or >0.
int CompareNoCase(std::string_view a, std::string_view b);
// A hash that agrees with EqualsNoCase.
uint64_t HashNoCase(std::string_view text);
std::string FoldedCopy(std::string_view text);
// Whether `part` occurs in `text` under the same letter-case rule; "" occurs
// in everything.
bool ContainsNoCase(std::string_view text, std::string_view part);
// Whether `text` ends with `end` under the same rule (a name's ".iff").
bool EndsWithNoCase(std::string_view text, std::string_view end);

struct NoCaseHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return static_cast<size_t>(HashNoCase(text)); }
};

struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};

} // namespace vorn

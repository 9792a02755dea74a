#include "archive/archive_pattern.h"

#include "base/name_compare.h"

#include <span>

namespace vorn {

namespace {

std::vector<std::string_view> SplitNames(std::string_view path)
{
    std::vector<std::string_view> names;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// The set at the start of `pattern` ("[...]") against `c`; `length` gets the
// set's length, 0 when the "[" opens no set and stands for itself.
bool InSet(std::string_view pattern, char c, size_t& length)
{
    size_t i = 1;
    const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated)
        ++i;
    bool found = false;
    bool first = true;
    for (; i < pattern.size() && (first || pattern[i] != ']'); ++i, first = false) {
        char low = FoldAscii(pattern[i]);
        char high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            high = FoldAscii(pattern[i + 2]);
            i += 2;
        }
        const auto folded = static_cast<unsigned char>(FoldAscii(c));
        if (static_cast<unsigned char>(low) <= folded && folded <= static_cast<unsigned char>(high))
            found = true;
    }
    if (i >= pattern.size()) {
        length = 0;
        return FoldAscii(c) == '[';
    }
    length = i + 1;
    return found != negated;
}

bool NamesMatch(std::span<const std::string> pattern, std::span<const std::string_view> names)
{
    if (pattern.empty())
        return names.empty();
    if (pattern.front() == "**") {
        // Zero or more whole names; consecutive "**" act as one.
        for (size_t skip = 0; skip <= names.size(); ++skip)
            if (NamesMatch(pattern.subspan(1), names.subspan(skip)))
                return true;
        return false;
    }
    return !names.empty() && ArchivePattern::NameMatches(pattern.front(), names.front()) &&
           NamesMatch(pattern.subspan(1), names.subspan(1));
}

} // namespace

ArchivePattern::ArchivePattern(std::string_view pattern)
{
    for (std::string_view name : SplitNames(pattern))
        if (!(name == "**" && !names_.empty() && names_.back() == "**"))
            names_.emplace_back(name);
}

// One name against one name pattern; "*" backtracks to the last star only,
// so the cost stays linear in the name for each star.
bool ArchivePattern::NameMatches(std::string_view pattern, std::string_view name)
{
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::string_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pattern.size()) {
            size_t length = 1;
            bool same = false;
            if (pattern[p] == '?')
                same = true;
            else if (pattern[p] == '[')
                same = InSet(pattern.substr(p), name[n], length);
            else
                same = FoldAscii(pattern[p]) == FoldAscii(name[n]);
            length = length == 0 ? 1 : length;
            if (same) {
                p += length;
                ++n;
                continue;
            }
        }
        if (starP == std::string_view::npos)
            return false;
        p = starP;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool ArchivePattern::IsPattern(std::string_view text)
{
    return text.find_first_of("*?[") != std::string_view::npos;
}

bool ArchivePattern::Matches(std::string_view path) const
{
    const std::vector<std::string_view> names = SplitNames(path);
    return NamesMatch(names_, names);
}

bool ArchivePattern::MatchesItselfOrAParent(std::string_view path) const
{
    for (size_t end = path.find('\\'); end != std::string_view::npos; end = path.find('\\', end + 1))
        if (Matches(path.substr(0, end)))
            return true;
    return Matches(path);
}

} // namespace vorn

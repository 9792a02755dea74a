#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// A shell-style pattern on archive paths, compared without regard to letter
// case as archive names are: "*" any run of characters within one name, "?"
// one character, "[abc]", "[a-z]" and "[!abc]" one of a set, and "**" as a
// whole name any number of directories, none included. Paths and patterns
// use "\\" between names.
class ArchivePattern {
public:
    explicit ArchivePattern(std::string_view pattern);

    // True when `text` holds "*", "?" or "[": a name without them is taken as it is.
    static bool IsPattern(std::string_view text);

    // One name against one name's pattern ("*", "?", sets; "\\" is no
    // separator here): also what matches a text taken as one name.
    static bool NameMatches(std::string_view pattern, std::string_view name);

    bool Matches(std::string_view path) const;
    // True when the path or a directory above it matches: what a matched
    // directory brings along.
    bool MatchesItselfOrAParent(std::string_view path) const;

private:
    std::vector<std::string> names_;
};

} // namespace vorn

#include "archive/archive_pattern.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(ArchivePattern, MatchesAsTheShellDoesWithoutLetterCase)
{
    struct Case {
        const char* pattern;
        const char* path;
        bool matches;
    };
    const Case cases[] = {
        {"Objects\\*.iff", "objects\\Crate.IFF", true},
        {"Objects\\*.iff", "Objects\\Furniture\\Stage.iff", false}, // "*" stays within a name
        {"*", "readme.txt", true},
        {"*", "a\\b", false},
        {"**\\thief.iff", "thief.iff", true},
        {"**\\thief.iff", "a\\b\\c\\THIEF.iff", true},
        {"**\\thief.iff", "a\\b\\thief.iff.bak", false},
        {"a\\**", "a\\b\\c", true},
        {"a\\**\\**\\c", "a\\c", true},
        {"**", "anything\\at\\all", true},
        {"?.txt", "e.txt", true},
        {"?.txt", "ee.txt", false},
        {"[a-c]*.xa", "Chime.xa", true},
        {"[!a-c]*.xa", "Chime.xa", false},
        {"[]x]", "]", true},
        {"[abc", "[abc", true}, // an unclosed set stands for itself
        {"*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"caf\xE9*", "caf\xE9.iff", true},
        {"caf\xE9*", "caf\xC9.iff", false}, // bytes above 0x7F compare as they are, like the archive
        {"Sounds\\*", "Sounds", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ArchivePattern(c.pattern).Matches(c.path), c.matches) << c.pattern << " on " << c.path;

    EXPECT_TRUE(ArchivePattern("Objects\\F*").MatchesItselfOrAParent("Objects\\Furniture\\Stage.iff"));
    EXPECT_FALSE(ArchivePattern("Objects\\F*").MatchesItselfOrAParent("Objects\\Crate.iff"));
    EXPECT_TRUE(ArchivePattern::IsPattern("a\\[b]"));
    EXPECT_FALSE(ArchivePattern::IsPattern("Tone 440 Hz.xa"));
}

} // namespace
} // namespace vorn

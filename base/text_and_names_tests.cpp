#include "base/name_compare.h"
#include "base/number_text.h"
#include "base/recording_messenger.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(GroupedNumber, PutsCommasBetweenGroupsOfThree)
{
    EXPECT_EQ(FormatGroupedNumber(0), "0");
    EXPECT_EQ(FormatGroupedNumber(999), "999");
    EXPECT_EQ(FormatGroupedNumber(1000), "1,000");
    EXPECT_EQ(FormatGroupedNumber(100000), "100,000");
    EXPECT_EQ(FormatGroupedNumber(4294967295u), "4,294,967,295");
}

TEST(NameCompare, FoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(EqualsNoCase("Objects\\Chair.IFF", "objects\\chair.iff"));
    EXPECT_FALSE(EqualsNoCase("a\\b", "a/b"));
    EXPECT_FALSE(EqualsNoCase("ab", "abc"));
    // Latin-1 letters are outside the folding: \xC9 and \xE9 stay distinct.
    EXPECT_FALSE(EqualsNoCase("\xC9", "\xE9"));
    // '[' sits between 'Z' and 'a': folding must not make it equal to '{'.
    EXPECT_FALSE(EqualsNoCase("[", "{"));
    EXPECT_EQ(HashNoCase("MiXeD"), HashNoCase("mixed"));
    EXPECT_LT(CompareNoCase("apple", "Banana"), 0);
    EXPECT_GT(CompareNoCase("abc", "AB"), 0);
    EXPECT_EQ(CompareNoCase("ABC", "abc"), 0);
    EXPECT_GT(CompareNoCase("\xE9", "z"), 0) << "bytes compare unsigned";
    EXPECT_TRUE(ContainsNoCase("Objects\\ChairBig.IFF", "chairb"));
    EXPECT_TRUE(ContainsNoCase("abc", ""));
    EXPECT_TRUE(ContainsNoCase("aab", "AB")) << "a partial match must not skip the next start";
    EXPECT_FALSE(ContainsNoCase("ab", "abc"));
    EXPECT_FALSE(ContainsNoCase("caf\xC9", "caf\xE9"));
}

TEST(RecordingMessenger, RecordsAndAnswersFromTheScriptThenTheFirstButton)
{
    RecordingMessenger messenger;
    messenger.Script({MessageAnswer::No});
    const Message question{"Overwrite?", "Warning", MessageIcon::Question, MessageButtons::YesNo};
    EXPECT_EQ(messenger.Show(question), MessageAnswer::No);
    EXPECT_EQ(messenger.Show(question), MessageAnswer::Yes);
    ASSERT_EQ(messenger.Count(), 2u);
    EXPECT_EQ(messenger.Messages()[0], question);
}

} // namespace
} // namespace vorn

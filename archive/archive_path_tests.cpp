#include "archive/archive_path.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(ArchivePath, StripsJoinsAndTrimsAsEveryCallerNeeds)
{
    EXPECT_EQ(StripLeadingSeparators("\\\\a\\b\\"), "a\\b\\");
    EXPECT_EQ(StripLeadingSeparators("\\\\\\"), "");
    EXPECT_EQ(ArchiveDirectoryPath("\\a\\b\\"), "a\\b");
    EXPECT_EQ(ArchiveDirectoryPath("a\\b\\\\"), "a\\b\\"); // only one trailing separator goes
    EXPECT_EQ(ArchiveDirectoryPath("\\"), "");
    EXPECT_EQ(JoinArchivePath("", "n.txt"), "n.txt");
    EXPECT_EQ(JoinArchivePath("a\\b", "n.txt"), "a\\b\\n.txt");
}

} // namespace
} // namespace vorn

#include "sprites/archive_find.h"

#include "archive/vorn_doc.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "testing/iff_fixtures.h"

#include <gtest/gtest.h>

#include <random>

namespace vorn {
namespace {

using vorn::testing::BuildIffFile;
using vorn::testing::BuildStringTable;
using vorn::testing::StrLayout;

class ArchiveFindTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        vorn::testing::IffFileLayout layout;
        layout.chunks.push_back({"CTSS", 2000, 0x10, "catalogue",
                                 BuildStringTable(StrLayout::Languages, {{"Comfy Chair", "", 1}, {"Sit on it", "", 1}})});
        layout.chunks.push_back({"STR#", 300, 0x10, "text",
                                 BuildStringTable(StrLayout::Plain, {{"path a\\b/c"}, {"caf\xE9 \x01 bytes"}})});
        layout.chunks.push_back({"SPR2", 1, 0x10, "", std::vector<uint8_t>(20, 0)});
        table_ = BuildIffFile(layout);
        Add("Objects\\Table.iff", table_);
        Add("Objects\\Chair.IFF", {'x'});
        Add("Objects\\Sub\\armchair.iff", {'y'});
        // Files that are no IFF, or only the start of one, have no strings.
        Add("chair.bmp", {'B', 'M'});
        Add("cut.iff", std::vector<uint8_t>(table_.begin(), table_.begin() + 150));  // inside the CTSS chunk
        std::mt19937 random(7);
        std::vector<uint8_t> noise(4096);
        for (uint8_t& byte : noise)
            byte = static_cast<uint8_t>(random());
        Add("noise.iff", noise);
    }

    void Add(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        MemoryStream stream(bytes);
        ASSERT_TRUE(doc_.Tree().AddFile(path, stream, false));
    }

    // Each hit as "path|where|text".
    std::vector<std::string> Find(const std::string& pattern, bool strings)
    {
        std::vector<std::string> lines;
        for (const ArchiveFindHit& hit : ArchiveFind(pattern, strings).Run(doc_.Tree()))
            lines.push_back(hit.path + "|" + hit.Where() + "|" + hit.text);
        return lines;
    }

    using Lines = std::vector<std::string>;
    RecordingMessenger messenger_;
    CVornDoc doc_{messenger_};
    std::vector<uint8_t> table_;
};

TEST_F(ArchiveFindTest, NamesMatchByPartOrPatternAndPathsWithASeparator)
{
    // Root files, then each directory's files before its subdirectories.
    EXPECT_EQ(Find("CHAIR", false), (Lines{"chair.bmp|name|chair.bmp", "Objects\\Chair.IFF|name|Chair.IFF",
                                           "Objects\\Sub\\armchair.iff|name|armchair.iff"}));
    EXPECT_EQ(Find("*.iff", false).size(), 5u);
    EXPECT_EQ(Find("objects/*.iff", false),
              (Lines{"Objects\\Table.iff|name|Table.iff", "Objects\\Chair.IFF|name|Chair.IFF"}));
    EXPECT_EQ(Find("**\\arm*", false), Lines{"Objects\\Sub\\armchair.iff|name|armchair.iff"});
    EXPECT_EQ(Find("desk", false), Lines{});
}

TEST_F(ArchiveFindTest, StringsOfIffEntriesMatchByPartOrWholePatternAndBadFilesAreSkipped)
{
    EXPECT_EQ(Find("chair", true),
              (Lines{"chair.bmp|name|chair.bmp", "Objects\\Table.iff|CTSS 2000 #0|Comfy Chair",
                     "Objects\\Chair.IFF|name|Chair.IFF", "Objects\\Sub\\armchair.iff|name|armchair.iff"}));
    // A wildcard pattern matches a string whole, as one name.
    EXPECT_EQ(Find("sit*", true), Lines{"Objects\\Table.iff|CTSS 2000 #1|Sit on it"});
    EXPECT_EQ(Find("sit", true).size(), 1u);
    EXPECT_EQ(Find("it on", true).size(), 1u);
    EXPECT_EQ(Find("it on*", true), Lines{});
    // "\\" and "/" make a path pattern for names; strings take them as text.
    EXPECT_EQ(Find("a\\b/c", true), Lines{"Objects\\Table.iff|STR# 300 #0|path a\\b/c"});
    // Bytes that are no valid text in any encoding compare as bytes.
    EXPECT_EQ(Find("CAF\xE9 \x01", true), Lines{"Objects\\Table.iff|STR# 300 #1|caf\xE9 \x01 bytes"});
    EXPECT_EQ(Find("CAF\xC9", true), Lines{});
}

} // namespace
} // namespace vorn

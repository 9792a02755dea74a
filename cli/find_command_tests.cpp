#include "cli/cli_test_support.h"
#include "testing/far_fixture.h"
#include "testing/iff_fixtures.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::RunTool;

TEST(FindCommand, PrintsNameAndStringHitsAsTsvAndFailsWhenNothingMatches)
{
    testing::TempDir folder;
    testing::IffFileLayout layout;
    layout.chunks.push_back({"CTSS", 2000, 0x10, "catalogue",
                             testing::BuildStringTable(testing::StrLayout::Languages,
                                                       {{"Comfy Chair", "", 1}, {"Tab\there", "", 1}})});
    const std::vector<uint8_t> table = testing::BuildIffFile(layout);
    testing::WriteFileBytes(folder / "a.far",
                            testing::MakeFarImage({{"Objects\\Table.iff", std::string(table.begin(), table.end())},
                                                   {"Objects\\Chair.iff", "x"},
                                                   {"chair.bmp", "BM"}}));

    const testing::ToolResult names = RunTool({"find", "a.far", "CHAIR"}, folder.Path());
    EXPECT_EQ(names.status, 0) << names.err;
    EXPECT_EQ(names.out, "chair.bmp\tname\tchair.bmp\nObjects\\Chair.iff\tname\tChair.iff\n");

    const testing::ToolResult strings = RunTool({"find", "a.far", "chair", "--strings"}, folder.Path());
    EXPECT_EQ(strings.out, "chair.bmp\tname\tchair.bmp\n"
                           "Objects\\Table.iff\tCTSS 2000 #0\tComfy Chair\n"
                           "Objects\\Chair.iff\tname\tChair.iff\n");
    // A TAB inside a string is escaped, so every line keeps three fields.
    EXPECT_EQ(RunTool({"find", "a.far", "tab*", "--strings"}, folder.Path()).out,
              "Objects\\Table.iff\tname\tTable.iff\nObjects\\Table.iff\tCTSS 2000 #1\tTab\\there\n");
    EXPECT_EQ(RunTool({"find", "a.far", "objects/*.IFF"}, folder.Path()).out,
              "Objects\\Table.iff\tname\tTable.iff\nObjects\\Chair.iff\tname\tChair.iff\n");

    const testing::ToolResult none = RunTool({"find", "a.far", "desk", "--strings"}, folder.Path());
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "");
}

TEST(FindCommand, FindsCatalogueTextAcrossTheSharedObjectFiles)
{
    const std::filesystem::path objects = std::filesystem::path(VORN_REALDATA_DIR) / "objects";
    if (!std::filesystem::is_directory(objects))
        GTEST_SKIP() << "no real object files at " << objects;
    testing::TempDir folder;
    ASSERT_EQ(RunTool({"add", "objects.far", objects.string()}, folder.Path()).status, 0);
    const testing::ToolResult all = RunTool({"find", "objects.far", "*.iff"}, folder.Path());
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 24);
    const testing::ToolResult text = RunTool({"find", "objects.far", "19TH CENTURY", "--strings"}, folder.Path());
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.starts_with("objects\\3TileClock.iff\tCTSS 200 #1\tOur buyers tell us")) << text.out;
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 1) << text.out;
}

} // namespace
} // namespace vorn

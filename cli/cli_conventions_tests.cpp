// vorn-cli as scripts use it: what it prints when its output is lost, what it
// adds from "." and how commands on the sample archive behave.
#include "cli/cli_test_support.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::ReadFileBytes;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFileBytes;

class CliConventions : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::copy_file(VORN_SAMPLE_ARCHIVE, dir_ / "sample.far"); }
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return RunTool(arguments, dir_.Path()); }
    TempDir dir_;
};

TEST_F(CliConventions, OutputThatCannotBeWrittenFailsEveryCommand)
{
    const std::string iff = "sample.far::Objects/Crate and signpost.iff";
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"list", "sample.far"},
             {"tree", "sample.far"},
             {"info", "sample.far"},
             {"cat", "sample.far", "Objects/Crate and signpost.iff"},
             {"iff", "chunks", iff},
             {"iff", "objects", iff},
             {"xa2wav", "sample.far::Sounds/Chime.xa", "-"},
             {"--help"},
             {"help"},
             {"list", "--help"},
             {"iff", "--help"}}) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        ASSERT_EQ(Run(arguments).status, 0);
        const auto full = RunTool(arguments, dir_.Path(), 0, "/dev/full");
        EXPECT_EQ(full.status, 1);
        EXPECT_TRUE(full.err.starts_with("vorn-cli: can't write to standard output")) << full.err;
    }
}

TEST_F(CliConventions, AddingTheCurrentFolderAddsWhatItHolds)
{
    const std::filesystem::path mod = dir_ / "mod";
    std::filesystem::create_directories(mod / "Sounds");
    WriteFileBytes(mod / "readme.txt", testing::BytesOf("hello"));
    WriteFileBytes(mod / "Sounds/a.xa", testing::BytesOf("xa"));
    for (const char* source : {".", "./", "mod/.", "mod/Sounds/.."}) {
        SCOPED_TRACE(source);
        // From inside the folder the archive is made there, and not added into itself.
        const bool inside = source[0] == '.';
        const std::filesystem::path archive = (inside ? mod : dir_.Path()) / "new.far";
        const auto add = RunTool({"add", archive.string(), source}, inside ? mod : dir_.Path());
        ASSERT_EQ(add.status, 0) << add.err;
        EXPECT_EQ(Run({"list", archive.string()}).out, "2\tSounds\\a.xa\n5\treadme.txt\n");
        std::filesystem::remove(archive);
    }

    // A folder without files gives no archive rather than an empty one.
    std::filesystem::create_directories(dir_ / "empty/sub");
    const auto nothing = RunTool({"add", "new.far", "."}, dir_ / "empty");
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.err.find("new.far"), std::string::npos) << nothing.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "empty/new.far"));
}

} // namespace
} // namespace vorn

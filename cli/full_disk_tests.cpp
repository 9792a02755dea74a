// Every command that writes files says so when the disk is full, rather than
// that the file cannot be created. The tool runs in this process so a fault
// point can fill the disk at the first write.
#include "base/fault_point.h"
#include "cli/cli_app.h"
#include "cli/cli_test_support.h"
#include "testing/far_fixture.h"
#include "testing/object_fixture.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vorn {
namespace {

using testing::WriteFileBytes;

struct Outcome {
    int status = -1;
    std::string err;
};

Outcome RunOnAFullDisk(const std::vector<std::string>& arguments)
{
    std::ostringstream out, err;
    SetFaultHook([](FaultPoint point) { return point == FaultPoint::DiskFull; });
    const int status = RunCli(arguments, out, err);
    SetFaultHook(nullptr);
    return {status, err.str()};
}

TEST(FullDisk, OutputsExtractionAndSavesNameTheCause)
{
    testing::TempDir dir;
    const auto at = [&](const char* name) { return (dir / name).string(); };
    WriteFileBytes(dir / "in.wav", testing::BuildWavImage(1, 22050, std::vector<int16_t>(2000, 1000)));
    WriteFileBytes(dir / "in.xa", testing::BuildXa(1, 22050, std::vector<uint8_t>(150, 0x11)));
    testing::IffFileLayout layout;
    layout.chunks = {testing::Chunk("SPR2", 1, testing::BuildSpr2(0, {testing::SolidFrame(2, 2, 5, 9)})),
                     testing::Chunk("PALT", 0, testing::BuildPalt(std::vector<uint8_t>(768, 40)))};
    WriteFileBytes(dir / "obj.iff", testing::BuildIffFile(layout));
    WriteFileBytes(dir / "a.far", testing::MakeFarImage({{"d\\x.txt", "x"}}));

    // A replaced output is written to a new file first; the old one stays.
    WriteFileBytes(dir / "old.wav", testing::BytesOf("old"));
    for (const auto& [arguments, written] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"wav2xa", at("in.wav"), at("out.xa")}, at("out.xa")},
             {{"xa2wav", at("in.xa"), at("out.wav")}, at("out.wav")},
             {{"--yes", "xa2wav", at("in.xa"), at("old.wav")}, at("old.wav")},
             {{"iff", "export", at("obj.iff"), at("sprites")}, ""},
             {{"add", at("a.far"), at("in.wav")}, at("a.far")}}) {
        SCOPED_TRACE(arguments[0] + " " + arguments[1]);
        const Outcome outcome = RunOnAFullDisk(arguments);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.err.find("Disk full while accessing " + dir.Path().string() + "/"), std::string::npos)
            << outcome.err;
        EXPECT_EQ(outcome.err.find("Can't create"), std::string::npos) << outcome.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xa"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
    EXPECT_EQ(testing::ReadText(dir / "old.wav"), "old");

    // Extraction keeps the Part's message and adds the cause; the cut file stays.
    const Outcome extract = RunOnAFullDisk({"extract", at("a.far"), at("out")});
    EXPECT_EQ(extract.status, 1);
    EXPECT_EQ(extract.err, "vorn-cli: " + at("a.far") + ": Can't extract \"d\\x.txt\"!\n\nDisk full while accessing " +
                               at("out") +
                               ".\n0 files have been successfully extracted!\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "out/d/x.txt"));
}

} // namespace
} // namespace vorn

#include "cli/cli_test_support.h"
#include "cli/png_reader.h"
#include "testing/bmp_builder.h"
#include "testing/far_fixture.h"
#include "testing/object_fixture.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::Chunk;
using testing::DgrpChunk;
using testing::ObjdChunk;
using testing::Placement;
using testing::ReadFileBytes;
using testing::SolidFrame;
using testing::WriteFileBytes;

// One object: at zoom 3 (direction 0) a 12 x 6 block of red.
std::string ObjectFile()
{
    testing::IffFileLayout layout;
    layout.chunks = {
        ObjdChunk(128, "Block", 2000, 1),
        DgrpChunk(2000, 1, 3, {Placement(300, 0, 0, 0)}),
        Chunk("SPR2", 300, testing::BuildSpr2(1, {SolidFrame(12, 6, 1, 50)})),
        Chunk("PALT", 1, testing::BuildPalt({0, 0, 0, 255, 0, 0})),
    };
    const std::vector<uint8_t> bytes = testing::BuildIffFile(layout);
    return {bytes.begin(), bytes.end()};
}

std::string GreyBmp(int32_t width, int32_t height)
{
    testing::BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels.assign(static_cast<size_t>((width * 3 + 3) / 4 * 4) * static_cast<size_t>(height), 0x80);
    const std::vector<uint8_t> bytes = testing::BuildBmp(layout);
    return {bytes.begin(), bytes.end()};
}

// The thumbnail read back through the tool's own PNG reader, after checking
// it is stored with an alpha channel, as file managers expect.
PngPicture ReadRgbaPng(const std::vector<uint8_t>& bytes)
{
    PngPicture picture;
    if (bytes.size() < 26 || bytes[25] != PNG_COLOR_TYPE_RGBA ||
        PngReader::ReadRgba(bytes, PngLimits{4096, 4096u * 4096u}, picture) != PngReadStatus::Ok)
        ADD_FAILURE() << "not an RGBA PNG";
    return picture;
}

class ThumbnailCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Directory by directory: "a" holds an .iff that draws nothing, so
        // the object in "b" is the first that draws.
        WriteFileBytes(dir_ / "objects.far", testing::MakeFarImage({{"Read me.txt", "hello"},
                                                                    {"b\\objects.iff", ObjectFile()},
                                                                    {"a\\broken.iff", "not an object"},
                                                                    {"b\\wide.bmp", GreyBmp(300, 200)}}));
        const std::string object = ObjectFile();
        WriteFileBytes(dir_ / "object-without-extension", std::vector<uint8_t>(object.begin(), object.end()));
    }
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return testing::RunTool(arguments, dir_.Path()); }
    PngPicture Thumbnail(const std::string& input, const std::string& size)
    {
        std::filesystem::remove(dir_ / "out.png");
        const auto result = Run({"thumbnail", input, "out.png", size});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
        return ReadRgbaPng(ReadFileBytes(dir_ / "out.png"));
    }
    testing::TempDir dir_;
};

TEST_F(ThumbnailCommand, DrawsTheFirstObjectOrPictureOfAnArchiveAnEntryOrAFile)
{
    const std::vector<uint8_t> red = {255, 0, 0, 255};
    for (const std::string input : {"objects.far", "objects.far::b", "object-without-extension"}) {
        const PngPicture picture = Thumbnail(input, "64");
        EXPECT_EQ(picture.width, 12u) << input;
        EXPECT_EQ(picture.height, 6u) << input;
        for (size_t i = 0; i < picture.pixels.size(); i += 4)
            ASSERT_EQ(std::vector<uint8_t>(picture.pixels.begin() + static_cast<ptrdiff_t>(i),
                                           picture.pixels.begin() + static_cast<ptrdiff_t>(i) + 4),
                      red)
                << input << " pixel " << i / 4;
    }
    const PngPicture wide = Thumbnail("objects.far::b/wide.bmp", "64");
    EXPECT_EQ(wide.width, 64u);
    EXPECT_EQ(wide.height, 43u);
    EXPECT_EQ(std::vector<uint8_t>(wide.pixels.begin(), wide.pixels.begin() + 4), (std::vector<uint8_t>{128, 128, 128, 255}));
}

TEST_F(ThumbnailCommand, NothingToShowWritesNothingAndABadSizeIsAUsageError)
{
    for (const std::string input : {"objects.far::Read me.txt", "objects.far::a", "objects.far::a/broken.iff"}) {
        const auto result = Run({"thumbnail", input, "out.png", "128"});
        EXPECT_EQ(result.status, 1) << input;
        EXPECT_EQ(result.err, "vorn-cli: \"" + input + "\" holds no object or picture to show!\n");
        EXPECT_FALSE(std::filesystem::exists(dir_ / "out.png")) << input;
    }
    for (const std::string size : {"0", "1025", "12px", ""}) {
        const auto result = Run({"thumbnail", "objects.far", "out.png", size});
        EXPECT_EQ(result.status, 2) << size;
        EXPECT_NE(result.err.find("bad SIZE"), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "out.png"));
    }
    EXPECT_EQ(Run({"thumbnail", "missing.iff", "out.png", "128"}).status, 1);
}

} // namespace
} // namespace vorn

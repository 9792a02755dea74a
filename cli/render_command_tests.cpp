#include "cli/cli_test_support.h"
#include "testing/far_fixture.h"
#include "testing/object_fixture.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::Chunk;
using testing::DgrpChunk;
using testing::ObjdChunk;
using testing::Placement;
using testing::Picture;
using testing::ReadFileBytes;
using testing::ReadPng;
using testing::SolidFrame;
using testing::WriteFileBytes;

constexpr uint32_t kYellow = 0xFFFF00;
// Colours 1 to 4 stay exact in every layout; colour 5 does not in 15 and 16 bits.
const std::vector<uint8_t> kColours = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 0, 255, 0x80, 0x40, 0x20};
constexpr uint32_t kDirectionColours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF};

// Chair (128): one draw group with an image per direction and zoom; the image
// of direction d at zoom z is a (4z x 2z) block of colour 1 + d / 2. Sprite
// 301 frame 0 is a 6x2 block of colour 5 (draw group 2100 of Lamp, 129).
// Table (140) is a two-tile group of 1x1 frames.
std::vector<uint8_t> ObjectFile(std::vector<uint8_t> lampPixels = {})
{
    std::vector<testing::Spr2ChunkFrame> frames;
    std::vector<testing::DgrpImageDesc> images;
    for (uint32_t zoom = 1; zoom <= 3; ++zoom)
        for (uint32_t direction = 0; direction < 8; direction += 2) {
            const auto index = static_cast<uint32_t>(frames.size());
            frames.push_back(SolidFrame(static_cast<uint16_t>(4 * zoom), static_cast<uint16_t>(2 * zoom),
                                        static_cast<uint8_t>(1 + direction / 2), 100));
            images.push_back({1u << direction, zoom, {Placement(300, index, 0, 0)}});
        }
    auto lamp = SolidFrame(6, 2, 5, std::nullopt);
    if (!lampPixels.empty())
        lamp.pixels = lampPixels;
    testing::IffFileLayout layout;
    layout.chunks = {
        ObjdChunk(128, "Chair", 2000, 1),
        Chunk("DGRP", 2000, testing::BuildDgrp(20004, images)),
        ObjdChunk(129, "Lamp", 2100, 1),
        DgrpChunk(2100, 0xFF, 3, {Placement(300, 8, -20, 0), Placement(301, 0, 0, 0)}),
        ObjdChunk(140, "Table", 0, 1, 7, -1),
        ObjdChunk(141, "Table tile 0", 3000, 1, 7, 0x0000),
        ObjdChunk(142, "Table tile 1", 3100, 1, 7, 0x0001),
        DgrpChunk(3000, 0xFF, 1, {Placement(300, 0, 0, 0)}),
        DgrpChunk(3100, 0xFF, 1, {Placement(300, 1, 0, 0)}),
        Chunk("SPR2", 300, testing::BuildSpr2(1, frames)),
        Chunk("SPR2", 301, testing::BuildSpr2(1, {lamp})),
        Chunk("PALT", 1, testing::BuildPalt(kColours)),
    };
    return testing::BuildIffFile(layout);
}

// The expected picture: yellow with a block of `colour` centred as recentre puts it.
Picture Expected(uint32_t width, uint32_t height, uint32_t blockWidth, uint32_t blockHeight, uint32_t colour)
{
    Picture picture{width, height, {}};
    const uint32_t left = width / 2 - blockWidth / 2;
    const uint32_t top = height / 2 - blockHeight / 2;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const bool inside = x >= left && x < left + blockWidth && y >= top && y < top + blockHeight;
            const uint32_t c = inside ? colour : kYellow;
            picture.rgb.insert(picture.rgb.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                                   static_cast<uint8_t>(c)});
        }
    return picture;
}

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(dir_ / "objects.iff", ObjectFile()); }
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return testing::RunTool(arguments, dir_.Path()); }
    Picture Render(std::vector<std::string> options, const std::string& input = "objects.iff")
    {
        std::filesystem::remove(dir_ / "out.png");
        std::vector<std::string> arguments = {"iff", "render", input, "out.png"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
        return ReadPng(ReadFileBytes(dir_ / "out.png"));
    }
    testing::TempDir dir_;
};

void ExpectSame(const Picture& actual, const Picture& expected)
{
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    EXPECT_TRUE(actual.rgb == expected.rgb);
}

TEST_F(RenderCommand, DefaultsDrawDirectionZeroAtZoomThreeIn512By384)
{
    const Picture picture = Render({"--object", "128"});
    ExpectSame(picture, Expected(512, 384, 12, 6, kDirectionColours[0]));
    EXPECT_EQ(picture.At(250, 189), kDirectionColours[0]);
    EXPECT_EQ(picture.At(249, 189), kYellow);
}

TEST_F(RenderCommand, EachDirectionAndZoom)
{
    for (int zoom = 1; zoom <= 3; ++zoom)
        for (int direction = 0; direction < 8; direction += 2) {
            SCOPED_TRACE(::testing::Message() << "direction " << direction << " zoom " << zoom);
            const Picture picture = Render({"--object", "0x80", "--direction", std::to_string(direction), "--zoom",
                                            std::to_string(zoom), "--size", "40x30"});
            ExpectSame(picture, Expected(40, 30, 4 * zoom, 2 * zoom, kDirectionColours[direction / 2]));
        }
}

TEST_F(RenderCommand, EachFormatAndItsWidenedChannels)
{
    // Lamp: the chair's 12x6 block at x -20 and the 6x2 block of colour 5 at 0.
    const std::pair<std::string, uint32_t> formats[] = {
        {"32", 0x804020}, {"24", 0x804020}, {"16", 0x844121}, {"15", 0x844221}};
    for (const auto& [format, lampColour] : formats) {
        SCOPED_TRACE(format);
        const Picture picture = Render({"--object", "129", "--format", format, "--size", "64x20"});
        ASSERT_EQ(picture.width, 64u);
        // Bounds (-20, -6, 6, 0): the origin goes to (32 + 7, 10 + 3).
        EXPECT_EQ(picture.At(39, 12), lampColour);
        EXPECT_EQ(picture.At(44, 11), lampColour);
        EXPECT_EQ(picture.At(45, 12), kYellow);
        EXPECT_EQ(picture.At(19, 7), kDirectionColours[0]);
        EXPECT_EQ(picture.At(30, 12), kDirectionColours[0]);
        EXPECT_EQ(picture.At(31, 12), kYellow);
        EXPECT_EQ(picture.At(0, 0), kYellow);
    }
}

TEST_F(RenderCommand, MultiTileObjectsAndArchiveInput)
{
    WriteFileBytes(dir_ / "game.far", testing::MakeFarImage({{"Objects\\Table.iff", [] {
                                                                  const auto bytes = ObjectFile();
                                                                  return std::string(bytes.begin(), bytes.end());
                                                              }()}}));
    const Picture fromFile = Render({"--object", "140", "--direction", "4", "--zoom", "1", "--size", "40x40"});
    const Picture fromArchive =
        Render({"--object", "140", "--direction", "4", "--zoom", "1", "--size", "40x40"}, "game.far::objects/table.IFF");
    ExpectSame(fromArchive, fromFile);
    // Zoom 1 frames are 4x2; tile (1,0) is 16 right and 8 up of tile (0,0).
    // Bounds (0, -10, 20, 0) centre the origin at (10, 25).
    EXPECT_EQ(fromFile.At(10, 23), kDirectionColours[0]);
    EXPECT_EQ(fromFile.At(26, 15), kDirectionColours[1]);
    EXPECT_EQ(fromFile.At(25, 15), kYellow);
}

TEST_F(RenderCommand, ObjectsThatCannotBeShownAreRefused)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--object", "999"}, "No object to show has the chunk id 999!\n"},
        {{"--object", "141"}, "No object to show has the chunk id 141!\n"}, // a tile
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> arguments = {"iff", "render", "objects.iff", "out.png"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "vorn-cli: objects.iff: " + message);
        EXPECT_FALSE(std::filesystem::exists(dir_ / "out.png"));
    }
    WriteFileBytes(dir_ / "none.iff", testing::BuildIffFile({}));
    EXPECT_EQ(Run({"iff", "render", "none.iff", "out.png", "--object", "1"}).err,
              "vorn-cli: none.iff: This file does not contain objects!\n");
    WriteFileBytes(dir_ / "bad.iff", testing::BytesOf("not an iff file at all"));
    EXPECT_EQ(Run({"iff", "render", "bad.iff", "out.png", "--object", "1"}).err,
              "vorn-cli: bad.iff: This file is not a valid IFF file!\n");
}

TEST_F(RenderCommand, BadOptionsAreUsageErrors)
{
    const std::vector<std::vector<std::string>> bad = {
        {"iff", "render", "objects.iff", "out.png"},
        {"iff", "render", "objects.iff", "out.png", "--object", "128", "--direction", "3"},
        {"iff", "render", "objects.iff", "out.png", "--object", "128", "--zoom", "0"},
        {"iff", "render", "objects.iff", "out.png", "--object", "128", "--format", "8"},
        {"iff", "render", "objects.iff", "out.png", "--object", "128", "--size", "0x10"},
        {"iff", "render", "objects.iff", "out.png", "--object", "128", "--size", "100000x10"},
        {"iff", "render", "objects.iff", "out.png", "--object", "70000"},
        {"iff", "render", "objects.iff", "out.png", "--object", "128", "--graphic"},
        {"iff", "objects", "objects.iff", "--object", "128"},
    };
    for (const auto& arguments : bad) {
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.back();
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.png"));
    EXPECT_NE(Run({"iff", "render", "--help"}).out.find("--object CHUNKID"), std::string::npos);
}

TEST_F(RenderCommand, ABrokenSpriteStillGivesThePictureSoFar)
{
    // The lamp's second frame ends inside its pixel run: the first placement
    // is drawn, the second in part.
    const std::vector<uint8_t> cut = {0x00, 0x00, 0x06, 0xC0, 5, 5, 5};
    WriteFileBytes(dir_ / "objects.iff", ObjectFile(cut));
    const auto result = Run({"iff", "render", "objects.iff", "out.png", "--object", "129", "--size", "64x20"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "vorn-cli: objects.iff: The object could not be drawn completely; the picture shows what was drawn.\n"
              "vorn-cli: Not drawn: sprite 301 frame 0\n");
    const Picture picture = ReadPng(ReadFileBytes(dir_ / "out.png"));
    EXPECT_EQ(picture.At(30, 12), kDirectionColours[0]);
    EXPECT_EQ(picture.At(39, 11), 0x804020u);
    EXPECT_EQ(picture.At(41, 11), 0x804020u);
    EXPECT_EQ(picture.At(42, 11), kYellow);
    // A file cut short is no IFF file at all.
    std::vector<uint8_t> truncated = ObjectFile();
    truncated.resize(truncated.size() / 2);
    WriteFileBytes(dir_ / "half.iff", truncated);
    EXPECT_EQ(Run({"iff", "render", "half.iff", "out2.png", "--object", "128"}).status, 1);
}

} // namespace
} // namespace vorn

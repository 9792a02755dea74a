#include "sprites/entry_thumbnail.h"

#include "testing/bmp_builder.h"
#include "testing/object_fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace vorn {
namespace {

using testing::Chunk;
using testing::DgrpChunk;
using testing::ObjdChunk;
using testing::Placement;
using testing::SolidFrame;

constexpr uint32_t kDirection0 = 1;

// Colour index 1 of the palette, and a frame half see-through in it.
constexpr uint8_t kRed[3] = {200, 10, 20};

testing::Spr2ChunkFrame HalfSeeThroughFrame()
{
    testing::Spr2SourceFrame source;
    source.width = 4;
    source.height = 4;
    source.colour.assign(16, 1);
    source.depth.assign(16, 10);
    source.alpha.assign(16, 128);
    source.hasAlpha = true;
    source.transparentIndex = 0;
    testing::Spr2ChunkFrame frame;
    frame.width = 4;
    frame.height = 4;
    frame.pixels = testing::EncodeSpr2Pixels(source);
    return frame;
}

// "Broken" (128) names a draw group that is missing. "Table" (129): at zoom
// 3 two 10 x 10 blocks, at (0, 0) and (20, 10), so its extent is 30 x 20
// with an empty corner; at zoom 2 a 20 x 15 block; at zoom 1 a 10 x 8 one.
// "Shadow" (130) is one half see-through frame.
std::vector<uint8_t> ObjectFile()
{
    const std::vector<testing::Spr2ChunkFrame> frames = {SolidFrame(10, 10, 1, 50), SolidFrame(20, 15, 1, 50),
                                                         SolidFrame(10, 8, 1, 50), HalfSeeThroughFrame()};
    const std::vector<testing::DgrpImageDesc> images = {
        {kDirection0, 3, {Placement(300, 0, 0, 0), Placement(300, 0, 20, 10)}},
        {kDirection0, 2, {Placement(300, 1, 0, 0)}},
        {kDirection0, 1, {Placement(300, 2, 0, 0)}},
    };
    testing::IffFileLayout layout;
    layout.chunks = {
        ObjdChunk(128, "Broken", 5000, 1),
        ObjdChunk(129, "Table", 2000, 1),
        Chunk("DGRP", 2000, testing::BuildDgrp(20004, images)),
        ObjdChunk(130, "Shadow", 3000, 1),
        DgrpChunk(3000, kDirection0, 3, {Placement(300, 3, 0, 0)}),
        Chunk("SPR2", 300, testing::BuildSpr2(1, frames)),
        Chunk("PALT", 1, testing::BuildPalt({0, 0, 0, kRed[0], kRed[1], kRed[2]})),
    };
    return testing::BuildIffFile(layout);
}

const uint8_t* PixelAt(const RgbaImage& picture, int32_t x, int32_t y)
{
    return &picture.rgba[4 * (static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x))];
}

bool IsOpaqueRed(const uint8_t* pixel)
{
    return pixel[0] == kRed[0] && pixel[1] == kRed[1] && pixel[2] == kRed[2] && pixel[3] == 255;
}

TEST(EntryThumbnail, AnObjectFileShowsItsFirstObjectThatDrawsAtTheLargestZoomThatFits)
{
    const std::vector<uint8_t> file = ObjectFile();
    RgbaImage picture;
    // "Broken" draws nothing, so "Table" shows, cropped to its extent.
    ASSERT_EQ(DrawEntryThumbnail("objects\\TABLE.IFF", file, 64, picture), ThumbnailResult::Drawn);
    ASSERT_EQ(picture.width, 30);
    ASSERT_EQ(picture.height, 20);
    ASSERT_EQ(picture.rgba.size(), 30u * 20u * 4u);
    EXPECT_TRUE(IsOpaqueRed(PixelAt(picture, 5, 5)));
    EXPECT_TRUE(IsOpaqueRed(PixelAt(picture, 25, 15)));
    EXPECT_EQ(PixelAt(picture, 25, 5)[3], 0); // the empty corner lets everything through
    EXPECT_EQ(PixelAt(picture, 5, 15)[3], 0);

    ASSERT_EQ(DrawEntryThumbnail("table.iff", file, 29, picture), ThumbnailResult::Drawn);
    EXPECT_EQ(picture.width, 20); // zoom 2
    EXPECT_EQ(picture.height, 15);
    EXPECT_TRUE(IsOpaqueRed(PixelAt(picture, 19, 14)));

    // Nothing fits 5 pixels: zoom 1's 10 x 8 is shrunk, keeping its proportions.
    ASSERT_EQ(DrawEntryThumbnail("table.iff", file, 5, picture), ThumbnailResult::Drawn);
    EXPECT_EQ(picture.width, 5);
    EXPECT_EQ(picture.height, 4);
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x)
            EXPECT_TRUE(IsOpaqueRed(PixelAt(picture, x, y))) << x << ", " << y;
}

TEST(EntryThumbnail, ABlendedPixelKeepsItsColourAndLetsHalfTheBackgroundThrough)
{
    testing::IffFileLayout layout;
    layout.chunks = {
        ObjdChunk(130, "Shadow", 3000, 1),
        DgrpChunk(3000, kDirection0, 3, {Placement(300, 0, 0, 0)}),
        Chunk("SPR2", 300, testing::BuildSpr2(1, {HalfSeeThroughFrame()})),
        Chunk("PALT", 1, testing::BuildPalt({0, 0, 0, kRed[0], kRed[1], kRed[2]})),
    };
    RgbaImage picture;
    ASSERT_EQ(DrawEntryThumbnail("shadow.iff", testing::BuildIffFile(layout), 128, picture), ThumbnailResult::Drawn);
    ASSERT_EQ(picture.width, 4);
    const uint8_t* pixel = PixelAt(picture, 2, 2);
    EXPECT_NEAR(pixel[3], 128, 2);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(pixel[c], kRed[c], 3) << c;
}

// A 6 x 3 frame as some real objects store theirs: a 2 x 2 red block, every
// other pixel blended in the transparent index (yellow, 2) with alpha 0,
// which draws it in full yellow.
testing::Spr2ChunkFrame MarkedFrame()
{
    std::vector<uint8_t> commands;
    const auto word = [&](unsigned command, unsigned count) {
        commands.push_back(static_cast<uint8_t>(command << 13 | count));
        commands.push_back(static_cast<uint8_t>((command << 13 | count) >> 8));
    };
    for (int row = 0; row < 3; ++row) {
        word(0, 0);
        word(2, 6); // 18 bytes: no pad
        for (int column = 0; column < 6; ++column)
            commands.insert(commands.end(), {10, static_cast<uint8_t>(row < 2 && column / 2 == 1 ? 1 : 2), 0});
    }
    word(5, 0);
    testing::Spr2ChunkFrame frame;
    frame.width = 6;
    frame.height = 3;
    frame.transparentIndex = 2;
    frame.pixels = commands;
    return frame;
}

TEST(EntryThumbnail, TheTransparentIndexIsLeftOutAndThePictureCroppedToWhatShows)
{
    testing::IffFileLayout layout;
    layout.chunks = {
        ObjdChunk(130, "Marked", 3000, 1),
        DgrpChunk(3000, kDirection0, 3, {Placement(300, 0, 0, 0)}),
        Chunk("SPR2", 300, testing::BuildSpr2(1, {MarkedFrame()})),
        Chunk("PALT", 1, testing::BuildPalt({0, 0, 0, kRed[0], kRed[1], kRed[2], 255, 255, 0})),
    };
    RgbaImage picture;
    ASSERT_EQ(DrawEntryThumbnail("marked.iff", testing::BuildIffFile(layout), 128, picture), ThumbnailResult::Drawn);
    ASSERT_EQ(picture.width, 2);
    ASSERT_EQ(picture.height, 2);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x)
            EXPECT_TRUE(IsOpaqueRed(PixelAt(picture, x, y))) << x << ", " << y;
}

TEST(EntryThumbnail, NothingToShowForOtherNamesFilesWithoutDrawableObjectsAndBadBytes)
{
    const std::vector<uint8_t> file = ObjectFile();
    RgbaImage picture;
    EXPECT_EQ(DrawEntryThumbnail("table.far", file, 64, picture), ThumbnailResult::NothingToShow);
    EXPECT_EQ(DrawEntryThumbnail("table.iff.txt", file, 64, picture), ThumbnailResult::NothingToShow);
    EXPECT_EQ(DrawEntryThumbnail("table.iff", file, 0, picture), ThumbnailResult::NothingToShow);
    EXPECT_EQ(DrawEntryThumbnail("table.iff", file, kMaxThumbnailSize + 1, picture), ThumbnailResult::NothingToShow);
    EXPECT_EQ(DrawEntryThumbnail("table.bmp", file, 64, picture), ThumbnailResult::NothingToShow);

    testing::IffFileLayout onlyBroken;
    onlyBroken.chunks = {ObjdChunk(128, "Broken", 5000, 1), ObjdChunk(129, "No graphics", 2000, 0)};
    EXPECT_EQ(DrawEntryThumbnail("broken.iff", testing::BuildIffFile(onlyBroken), 64, picture),
              ThumbnailResult::NothingToShow);

    // Every cut of the file, and random damage to it, either has nothing to
    // show or gives a whole picture that fits (the sanitizer build checks
    // nothing is read amiss).
    const auto drawsSoundly = [&](std::span<const uint8_t> bytes) {
        if (DrawEntryThumbnail("damaged.iff", bytes, 64, picture) == ThumbnailResult::NothingToShow)
            return true;
        return picture.width >= 1 && picture.height >= 1 && std::max(picture.width, picture.height) <= 64 &&
               picture.rgba.size() == 4u * static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    };
    for (size_t length = 0; length < file.size(); length += 7)
        EXPECT_TRUE(drawsSoundly(std::span(file).first(length))) << length;
    EXPECT_EQ(DrawEntryThumbnail("cut.iff", std::span(file).first(60), 64, picture), ThumbnailResult::NothingToShow);
    std::mt19937 random(28);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> damaged = file;
        for (int i = 0; i < 8; ++i)
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        EXPECT_TRUE(drawsSoundly(damaged)) << round;
        std::vector<uint8_t> noise(random() % 600);
        for (uint8_t& byte : noise)
            byte = static_cast<uint8_t>(random());
        EXPECT_EQ(DrawEntryThumbnail("noise.bmp", noise, 64, picture), ThumbnailResult::NothingToShow);
    }
}

// A `width` x `height` 1-bit picture stored bottom row first: black and white
// columns by turns, except the bottom row, which is white.
std::vector<uint8_t> StripedBmp(int32_t width, int32_t height)
{
    testing::BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitsPerPixel = 1;
    layout.colours = {0x000000, 0xFFFFFF};
    layout.coloursUsed = 2;
    const size_t stride = (static_cast<size_t>(width) + 31) / 32 * 4;
    layout.pixels.assign(stride * static_cast<size_t>(height), 0x55); // 0 1 0 1 ...: black, white, ...
    std::fill_n(layout.pixels.begin(), stride, 0xFF);
    return testing::BuildBmp(layout);
}

TEST(EntryThumbnail, ALargePictureIsShrunkToFitAveragingEveryPixel)
{
    RgbaImage picture;
    ASSERT_EQ(DrawEntryThumbnail("big.BMP", StripedBmp(4000, 1000), 128, picture), ThumbnailResult::Drawn);
    ASSERT_EQ(picture.width, 128);
    ASSERT_EQ(picture.height, 32);
    // Columns of black and white average to grey; the bottom row's white
    // shows only in the bottom thumbnail row, faintly.
    const uint8_t* middle = PixelAt(picture, 64, 10);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(middle[c], 128, 1);
    EXPECT_EQ(middle[3], 255);
    EXPECT_GT(PixelAt(picture, 64, 31)[0], middle[0]);
    EXPECT_EQ(PixelAt(picture, 64, 0)[0], middle[0]);

    // A small picture is not enlarged; a top-down one keeps its top row on top.
    testing::BmpLayout small;
    small.width = 2;
    small.height = -3;
    small.pixels = testing::PadRows({{0, 0, 255, 0, 0, 255}, {0, 255, 0, 0, 255, 0}, {255, 0, 0, 255, 0, 0}});
    ASSERT_EQ(DrawEntryThumbnail("small.bmp", testing::BuildBmp(small), 128, picture), ThumbnailResult::Drawn);
    ASSERT_EQ(picture.width, 2);
    ASSERT_EQ(picture.height, 3);
    EXPECT_EQ(std::vector<uint8_t>(picture.rgba.begin(), picture.rgba.begin() + 4),
              (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(picture.rgba.end() - 4, picture.rgba.end()), (std::vector<uint8_t>{0, 0, 255, 255}));
}

TEST(EntryThumbnail, ThreadsDrawAtOnceWithTheSameResults)
{
    const std::vector<uint8_t> file = ObjectFile();
    const std::vector<uint8_t> bmp = StripedBmp(300, 200);
    RgbaImage object;
    RgbaImage bitmap;
    ASSERT_EQ(DrawEntryThumbnail("a.iff", file, 64, object), ThumbnailResult::Drawn);
    ASSERT_EQ(DrawEntryThumbnail("a.bmp", bmp, 64, bitmap), ThumbnailResult::Drawn);
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < mismatches.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 25; ++round) {
                RgbaImage picture;
                if (DrawEntryThumbnail("a.iff", file, 64, picture) != ThumbnailResult::Drawn ||
                    picture.rgba != object.rgba)
                    ++mismatches[t];
                if (DrawEntryThumbnail("a.bmp", bmp, 64, picture) != ThumbnailResult::Drawn ||
                    picture.rgba != bitmap.rgba)
                    ++mismatches[t];
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

} // namespace
} // namespace vorn

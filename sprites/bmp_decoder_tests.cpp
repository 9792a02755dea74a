#include "sprites/bmp_decoder.h"

#include "testing/bmp_builder.h"

#include <gtest/gtest.h>

#include <random>

namespace vorn {
namespace {

using testing::BuildBmp;
using testing::PadRows;

// The picture's pixels as 0xRRGGBB, top row first.
std::vector<uint32_t> Pixels(const DecodedBitmap& picture)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
        out.push_back((uint32_t{picture.rgb[i]} << 16) | (uint32_t{picture.rgb[i + 1]} << 8) | picture.rgb[i + 2]);
    return out;
}

std::optional<std::vector<uint32_t>> Decode(const testing::BmpLayout& layout, uint32_t width, uint32_t height)
{
    const std::optional<DecodedBitmap> picture = DecodeBmp(BuildBmp(layout));
    if (!picture)
        return std::nullopt;
    EXPECT_EQ(picture->width, width);
    EXPECT_EQ(picture->height, height);
    return Pixels(*picture);
}

TEST(BmpDecoder, EveryStoredLayoutComesOutTopRowFirst)
{
    testing::BmpLayout truecolour;
    truecolour.width = 2;
    truecolour.height = 2;
    // Bottom row first: blue-green-red bytes.
    truecolour.pixels = PadRows({{0x03, 0x02, 0x01, 0x06, 0x05, 0x04}, {0x30, 0x20, 0x10, 0x60, 0x50, 0x40}});
    EXPECT_EQ(Decode(truecolour, 2, 2), (std::vector<uint32_t>{0x102030, 0x405060, 0x010203, 0x040506}));
    truecolour.height = -2;
    EXPECT_EQ(Decode(truecolour, 2, 2), (std::vector<uint32_t>{0x010203, 0x040506, 0x102030, 0x405060}));

    testing::BmpLayout indexed;
    indexed.width = 3;
    indexed.height = 1;
    indexed.bitsPerPixel = 8;
    indexed.colours = {0x000000, 0xFF0000, 0x00FF00};
    indexed.coloursUsed = 3;
    indexed.pixels = PadRows({{2, 1, 7}}); // 7 lies beyond the table: black
    EXPECT_EQ(Decode(indexed, 3, 1), (std::vector<uint32_t>{0x00FF00, 0xFF0000, 0x000000}));

    testing::BmpLayout nibbles = indexed;
    nibbles.bitsPerPixel = 4;
    nibbles.pixels = PadRows({{0x21, 0x00}});
    EXPECT_EQ(Decode(nibbles, 3, 1), (std::vector<uint32_t>{0x00FF00, 0xFF0000, 0x000000}));

    testing::BmpLayout bits = indexed;
    bits.bitsPerPixel = 1;
    bits.width = 9;
    bits.coloursUsed = 2;
    bits.colours = {0x000000, 0xFFFFFF};
    bits.pixels = PadRows({{0xA0, 0x80}});
    EXPECT_EQ(Decode(bits, 9, 1), (std::vector<uint32_t>{0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0, 0, 0, 0xFFFFFF}));

    testing::BmpLayout fields;
    fields.width = 2;
    fields.bitsPerPixel = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F}; // 5-6-5
    fields.pixels = PadRows({{0x00, 0xF8, 0xE0, 0x07}});
    EXPECT_EQ(Decode(fields, 2, 1), (std::vector<uint32_t>{0xFF0000, 0x00FF00}));
    fields.compression = 0; // plain 16 bits: 5-5-5
    fields.masks.clear();
    fields.pixels = PadRows({{0x00, 0x7C, 0x1F, 0x00}});
    EXPECT_EQ(Decode(fields, 2, 1), (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
}

TEST(BmpDecoder, RunLengthPicturesLeaveSkippedPixelsAtColourZero)
{
    testing::BmpLayout rle;
    rle.width = 4;
    rle.height = 3;
    rle.bitsPerPixel = 8;
    rle.compression = 1;
    rle.colours = {0x111111, 0x222222, 0x333333};
    rle.coloursUsed = 3;
    // Bottom row: a run of two 1s, then absolute 2 2 (padded); end of line;
    // a delta of 1 right and 1 down; a run of one 2; end of bitmap.
    rle.pixels = {2, 1, 0, 3, 2, 2, 2, 0, 0, 0, 0, 2, 1, 1, 1, 2, 0, 1};
    EXPECT_EQ(Decode(rle, 4, 3), (std::vector<uint32_t>{0x111111, 0x333333, 0x111111, 0x111111,  // top row
                                                        0x111111, 0x111111, 0x111111, 0x111111,  // skipped
                                                        0x222222, 0x222222, 0x333333, 0x333333}));
}

TEST(BmpDecoder, DamagedFilesAreRefusedAndRandomOnesNeverReadPastTheirBytes)
{
    testing::BmpLayout truecolour;
    truecolour.width = 3;
    truecolour.height = 2;
    truecolour.pixels = PadRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1}});
    const std::vector<uint8_t> file = BuildBmp(truecolour);
    ASSERT_TRUE(DecodeBmp(file).has_value());
    for (size_t length = 0; length < file.size(); ++length)
        EXPECT_FALSE(DecodeBmp(std::span(file.data(), length)).has_value()) << length;
    testing::BmpLayout huge = truecolour;
    huge.width = 100000;
    EXPECT_FALSE(DecodeBmp(BuildBmp(huge)).has_value());

    std::mt19937 random(7);
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = file;
        for (int flips = 0; flips < 3; ++flips)
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        if (const std::optional<DecodedBitmap> picture = DecodeBmp(bytes)) {
            ASSERT_EQ(picture->rgb.size(), size_t{3} * picture->width * picture->height);
            ++decoded;
        }
    }
    EXPECT_GT(decoded, 100);
}

} // namespace
} // namespace vorn

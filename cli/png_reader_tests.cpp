#include "cli/png_reader.h"
#include "cli/png_writer.h"

#include <gtest/gtest.h>

#include <random>

namespace vorn {
namespace {

TEST(PngReader, ReadsWhatTheWriterWritesInEachLayout)
{
    const std::vector<uint8_t> rgba = {1, 2, 3, 4, 250, 251, 252, 0, 9, 8, 7, 255};
    PngPicture picture;
    ASSERT_EQ(CPngReader::ReadRgba(EncodeRgbaPng(rgba, 3, 1), 100, picture), PngReadStatus::Ok);
    EXPECT_EQ(picture.width, 3u);
    EXPECT_EQ(picture.pixels, rgba);
    const std::vector<uint8_t> grey = {0, 17, 255, 128};
    ASSERT_EQ(CPngReader::ReadGrey(EncodeGreyPng(grey, 2, 2), 100, picture), PngReadStatus::Ok);
    EXPECT_EQ(picture.pixels, grey);
    // RGB comes in opaque.
    ASSERT_EQ(CPngReader::ReadRgba(EncodeRgbPng(std::vector<uint8_t>{5, 6, 7}, 1, 1), 100, picture), PngReadStatus::Ok);
    EXPECT_EQ(picture.pixels, (std::vector<uint8_t>{5, 6, 7, 255}));
    // The size limit is checked from the header.
    EXPECT_EQ(CPngReader::ReadRgba(EncodeRgbaPng(rgba, 3, 1), 2, picture), PngReadStatus::TooLarge);
    EXPECT_EQ(picture.width, 3u);
}

TEST(PngReader, TruncatedAndRandomBytesAreRefused)
{
    std::vector<uint8_t> rgba(16 * 16 * 4);
    std::mt19937 rng(5);
    for (uint8_t& b : rgba)
        b = static_cast<uint8_t>(rng());
    const std::vector<uint8_t> png = EncodeRgbaPng(rgba, 16, 16);
    PngPicture picture;
    // Cut anywhere before the closing 12-byte IEND chunk, the pixels are not all there.
    for (size_t cut = 0; cut + 12 < png.size(); cut += 7)
        EXPECT_EQ(CPngReader::ReadRgba(std::span(png.data(), cut), 1000, picture), PngReadStatus::NotPng) << cut;
    for (size_t cut = png.size() - 12; cut < png.size(); ++cut)
        if (CPngReader::ReadRgba(std::span(png.data(), cut), 1000, picture) == PngReadStatus::Ok) {
            EXPECT_EQ(picture.pixels, rgba);
        }
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes = png;
        for (int flips = 0; flips < 3; ++flips)
            bytes[8 + rng() % (bytes.size() - 8)] = static_cast<uint8_t>(rng());
        // The CRCs catch almost every change; whatever is accepted must be whole.
        if (CPngReader::ReadRgba(bytes, 1000, picture) == PngReadStatus::Ok) {
            EXPECT_EQ(picture.pixels.size(), static_cast<size_t>(picture.width) * picture.height * 4);
        }
        std::vector<uint8_t> noise(rng() % 200);
        for (uint8_t& b : noise)
            b = static_cast<uint8_t>(rng());
        EXPECT_EQ(CPngReader::ReadGrey(noise, 1000, picture), PngReadStatus::NotPng);
    }
}

} // namespace
} // namespace vorn

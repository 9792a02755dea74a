#include "cli/png_reader.h"

#include "cli/cli_test_support.h"
#include "cli/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <random>

namespace vorn {
namespace {

// Sides up to `side`, any number of pixels they allow.
PngLimits Side(uint32_t side) { return {side, uint64_t{side} * side}; }

TEST(PngReader, ReadsWhatTheWriterWritesInEachLayout)
{
    const std::vector<uint8_t> rgba = {1, 2, 3, 4, 250, 251, 252, 0, 9, 8, 7, 255};
    PngPicture picture;
    ASSERT_EQ(PngReader::ReadRgba(EncodeRgbaPng(rgba, 3, 1), Side(100), picture), PngReadStatus::Ok);
    EXPECT_EQ(picture.width, 3u);
    EXPECT_EQ(picture.pixels, rgba);
    const std::vector<uint8_t> grey = {0, 17, 255, 128};
    ASSERT_EQ(PngReader::ReadGrey(EncodeGreyPng(grey, 2, 2), Side(100), picture), PngReadStatus::Ok);
    EXPECT_EQ(picture.pixels, grey);
    // RGB comes in opaque.
    ASSERT_EQ(PngReader::ReadRgba(EncodeRgbPng(std::vector<uint8_t>{5, 6, 7}, 1, 1), Side(100), picture),
              PngReadStatus::Ok);
    EXPECT_EQ(picture.pixels, (std::vector<uint8_t>{5, 6, 7, 255}));
    // The size limit is checked from the header.
    EXPECT_EQ(PngReader::ReadRgba(EncodeRgbaPng(rgba, 3, 1), Side(2), picture), PngReadStatus::TooLarge);
    EXPECT_EQ(picture.width, 3u);
}

TEST(PngReader, SizesBeyondTheLimitsAreNamedFromTheHeaderBeforeDecoding)
{
    // Small files claiming large pictures: refused from the header, so
    // nothing is allocated for them, and named with the size they claim,
    // whether or not libpng's own arithmetic or limits could cope.
    const std::vector<uint8_t> small = EncodeGreyPng(std::vector<uint8_t>(4, 0), 2, 2);
    const PngLimits limits{65535, 4096 * 4096};
    const std::pair<uint32_t, uint32_t> sizes[] = {
        {16000, 16000}, {30000, 30000}, {33000, 33000}, {4096, 4097}, {65536, 1}, {1, 0x7FFFFFFF}, {2000000, 2000000}};
    for (const auto& [width, height] : sizes) {
        PngPicture picture;
        const std::vector<uint8_t> claim = testing::PngClaimingSize(small, width, height);
        EXPECT_EQ(PngReader::ReadRgba(claim, limits, picture), PngReadStatus::TooLarge) << width;
        EXPECT_EQ(picture.width, width);
        EXPECT_EQ(picture.height, height);
        EXPECT_TRUE(picture.pixels.empty());
        EXPECT_EQ(PngReader::ReadGrey(claim, limits, picture), PngReadStatus::TooLarge) << width;
    }
    // At the limit the size passes; these pixels are then too few for it.
    PngPicture picture;
    EXPECT_EQ(PngReader::ReadGrey(testing::PngClaimingSize(small, 4096, 4096), limits, picture),
              PngReadStatus::NotPng);
    EXPECT_EQ(PngReader::ReadGrey(small, limits, picture), PngReadStatus::Ok);
}

// A 16-bit PNG as many editors write it: no gamma or colour-space chunk.
std::vector<uint8_t> SixteenBitPng(uint32_t width, int colourType, const std::vector<uint16_t>& samples)
{
    std::vector<uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, size_t length) {
            auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + length);
        },
        [](png_structp) {});
    png_set_IHDR(png, info, width, 1, 16, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row;
    for (uint16_t v : samples) {
        row.push_back(static_cast<uint8_t>(v >> 8)); // big-endian samples
        row.push_back(static_cast<uint8_t>(v));
    }
    png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

TEST(PngReader, SixteenBitSamplesWithoutGammaAreNarrowedNotBrightened)
{
    // v * 257 is the 16-bit form of the 8-bit value v.
    const std::vector<uint8_t> rgba = SixteenBitPng(
        2, PNG_COLOR_TYPE_RGB_ALPHA, {128 * 257, 64 * 257, 192 * 257, 65535, 16 * 257, 32 * 257, 48 * 257, 128 * 257});
    PngPicture picture;
    ASSERT_EQ(PngReader::ReadRgba(rgba, Side(100), picture), PngReadStatus::Ok);
    EXPECT_EQ(picture.pixels, (std::vector<uint8_t>{128, 64, 192, 255, 16, 32, 48, 128}));
    // A 16-bit depth keeps its values too.
    const std::vector<uint8_t> grey = SixteenBitPng(3, PNG_COLOR_TYPE_GRAY, {0, 100 * 257, 65535});
    ASSERT_EQ(PngReader::ReadGrey(grey, Side(100), picture), PngReadStatus::Ok);
    EXPECT_EQ(picture.pixels, (std::vector<uint8_t>{0, 100, 255}));
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
        EXPECT_EQ(PngReader::ReadRgba(std::span(png.data(), cut), Side(1000), picture), PngReadStatus::NotPng) << cut;
    for (size_t cut = png.size() - 12; cut < png.size(); ++cut)
        if (PngReader::ReadRgba(std::span(png.data(), cut), Side(1000), picture) == PngReadStatus::Ok) {
            EXPECT_EQ(picture.pixels, rgba);
        }
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes = png;
        for (int flips = 0; flips < 3; ++flips)
            bytes[8 + rng() % (bytes.size() - 8)] = static_cast<uint8_t>(rng());
        // The CRCs catch almost every change; whatever is accepted must be whole.
        if (PngReader::ReadRgba(bytes, Side(1000), picture) == PngReadStatus::Ok) {
            EXPECT_EQ(picture.pixels.size(), static_cast<size_t>(picture.width) * picture.height * 4);
        }
        std::vector<uint8_t> noise(rng() % 200);
        for (uint8_t& b : noise)
            b = static_cast<uint8_t>(rng());
        EXPECT_EQ(PngReader::ReadGrey(noise, Side(1000), picture), PngReadStatus::NotPng);
    }
}

} // namespace
} // namespace vorn

#include "app/bitmap_loader.h"

#include "base/memory_stream.h"
#include "testing/bmp_builder.h"

#include <gtest/gtest.h>

#include <random>

namespace vorn {
namespace {

using testing::BmpLayout;
using testing::BuildBmp;
using testing::PadRows;

std::optional<BitmapPicture> LoadBytes(const std::vector<uint8_t>& bytes)
{
    MemoryStream stream(bytes);
    return BitmapLoader::Load(stream);
}

// The picture's pixels, top row first, as 0xRRGGBB.
std::vector<std::vector<uint32_t>> PixelsOf(const QImage& image)
{
    std::vector<std::vector<uint32_t>> rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < image.width(); ++x)
            rows.back().push_back(image.pixel(x, y) & 0xFFFFFF);
    }
    return rows;
}

const std::vector<uint32_t> kFour = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// A 3 by 2 picture in every uncompressed depth: top row red, green, blue;
// bottom row blue, black, red. Rows are stored bottom first.
TEST(BitmapLoaderTest, UncompressedDepthsGiveTheirPixels)
{
    const std::vector<std::vector<uint32_t>> expected = {{kRed, kGreen, kBlue}, {kBlue, kBlack, kRed}};
    struct Case {
        uint16_t bits;
        std::vector<uint8_t> bottom, top;
    };
    const std::vector<Case> cases = {
        {1, {0b01000000}, {0b11000000}},                     // 1 bit: colours 0/1 only (see below)
        {4, {0x30, 0x10}, {0x12, 0x30}},                     // indexes 3 0 1 / 1 2 3
        {8, {3, 0, 1}, {1, 2, 3}},
        {16, {0x1F, 0x00, 0x00, 0x00, 0x00, 0x7C}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}}, // 5-5-5
        {24, {0xFF, 0, 0, 0, 0, 0, 0, 0, 0xFF}, {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0}},
        {32, {0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        BmpLayout layout;
        layout.width = 3;
        layout.height = 2;
        layout.bitsPerPixel = c.bits;
        layout.pixels = PadRows({c.bottom, c.top});
        if (c.bits == 4 || c.bits == 8) {
            layout.coloursUsed = 4;
            layout.colours = kFour;
        } else if (c.bits == 1) {
            layout.colours = {kBlue, kRed};
        }
        const std::optional<BitmapPicture> picture = LoadBytes(BuildBmp(layout));
        ASSERT_TRUE(picture) << c.bits;
        ASSERT_EQ(picture->image.size(), QSize(3, 2)) << c.bits;
        if (c.bits == 16) {
            // Five bits a channel: full intensity is 0xF8.
            EXPECT_EQ(PixelsOf(picture->image),
                      (std::vector<std::vector<uint32_t>>{{0xF80000, 0x00F800, 0x0000F8}, {0x0000F8, 0, 0xF80000}}));
        } else if (c.bits == 1) {
            // Two colours: top 1 1 0 = red red blue, bottom 0 1 0 = blue red blue.
            EXPECT_EQ(PixelsOf(picture->image), (std::vector<std::vector<uint32_t>>{{kRed, kRed, kBlue}, {kBlue, kRed, kBlue}}));
        } else {
            EXPECT_EQ(PixelsOf(picture->image), expected) << c.bits;
        }
    }
}

TEST(BitmapLoaderTest, PaletteOnlyForPicturesOfAtMost256Colours)
{
    BmpLayout truecolour;
    truecolour.width = 1;
    truecolour.bitsPerPixel = 24;
    truecolour.pixels = {1, 2, 3, 0};
    std::optional<BitmapPicture> picture = LoadBytes(BuildBmp(truecolour));
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->hasPalette);
    EXPECT_TRUE(picture->palette.isEmpty());
    EXPECT_EQ(picture->image.pixel(0, 0) & 0xFFFFFF, 0x030201u);

    // A 32-bit picture counts 2 to the 0th power colours, yet holds no table.
    truecolour.bitsPerPixel = 32;
    picture = LoadBytes(BuildBmp(truecolour));
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->hasPalette);

    // Colours used 0 on 8 bits: all 256 entries, and the pixels after them.
    BmpLayout indexed;
    indexed.width = 2;
    indexed.bitsPerPixel = 8;
    for (uint32_t i = 0; i < 256; ++i)
        indexed.colours.push_back(i << 16 | (255 - i));
    indexed.pixels = {200, 7, 0, 0};
    picture = LoadBytes(BuildBmp(indexed));
    ASSERT_TRUE(picture);
    ASSERT_TRUE(picture->hasPalette);
    ASSERT_EQ(picture->palette.size(), 256);
    EXPECT_EQ(picture->palette[1], qRgb(1, 0, 254));
    EXPECT_EQ(picture->palette[255], qRgb(255, 0, 0));
    EXPECT_EQ(picture->image.pixel(0, 0) & 0xFFFFFF, 200u << 16 | 55u);
    EXPECT_EQ(picture->image.pixel(1, 0) & 0xFFFFFF, 7u << 16 | 248u);

    // Colours used 2: a two-entry palette, the pixels right after it.
    indexed.coloursUsed = 2;
    indexed.colours = {kGreen, kBlue};
    indexed.pixels = {1, 0, 0, 0};
    picture = LoadBytes(BuildBmp(indexed));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->palette, (QList<QRgb>{qRgb(0, 255, 0), qRgb(0, 0, 255)}));
    EXPECT_EQ(PixelsOf(picture->image), (std::vector<std::vector<uint32_t>>{{kBlue, kGreen}}));
}

TEST(BitmapLoaderTest, Rle8RunsAbsoluteRunsDeltasAndLineEnds)
{
    // 4 by 3, bottom row first. Row 2 (bottom): 2 x index 1, then absolute 2, 3.
    // Row 1: a delta of 1 right, 0 down, then 3 x index 3. Row 0 (top): end of
    // bitmap before it, so it stays index 0.
    BmpLayout layout;
    layout.width = 4;
    layout.height = 3;
    layout.bitsPerPixel = 8;
    layout.compression = 1;
    layout.coloursUsed = 4;
    layout.colours = kFour;
    layout.pixels = {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 3, 3, 0, 0, 0, 1};
    // The absolute run of 3 pixels is 2, 3, 1 and its pad byte 0.
    const std::optional<BitmapPicture> picture = LoadBytes(BuildBmp(layout));
    ASSERT_TRUE(picture);
    EXPECT_EQ(PixelsOf(picture->image), (std::vector<std::vector<uint32_t>>{
                                            {kBlack, kBlack, kBlack, kBlack},
                                            {kBlack, kBlue, kBlue, kBlue},
                                            {kRed, kRed, kGreen, kBlue}}));
}

TEST(BitmapLoaderTest, Rle4RunsAlternateNibbles)
{
    // 5 by 2. Bottom row: a run of 5 alternating indexes 1 and 2. Top row:
    // absolute 3, 0, 1 (two bytes, padded to a word), then a run of 2 x 2.
    BmpLayout layout;
    layout.width = 5;
    layout.height = 2;
    layout.bitsPerPixel = 4;
    layout.compression = 2;
    layout.coloursUsed = 4;
    layout.colours = kFour;
    layout.pixels = {5, 0x12, 0, 0, 0, 3, 0x30, 0x10, 2, 0x22, 0, 1};
    const std::optional<BitmapPicture> picture = LoadBytes(BuildBmp(layout));
    ASSERT_TRUE(picture);
    EXPECT_EQ(PixelsOf(picture->image), (std::vector<std::vector<uint32_t>>{
                                            {kBlue, kBlack, kRed, kGreen, kGreen},
                                            {kRed, kGreen, kRed, kGreen, kRed}}));
}

TEST(BitmapLoaderTest, GamePictureOf800By600InRle8)
{
    BmpLayout layout;
    layout.width = 800;
    layout.height = 600;
    layout.bitsPerPixel = 8;
    layout.compression = 1;
    for (uint32_t i = 0; i < 256; ++i)
        layout.colours.push_back(i * 0x010101u);
    for (int row = 0; row < 600; ++row) {
        const uint8_t shade = static_cast<uint8_t>(row % 256);
        for (uint8_t run : {255, 255, 255, 35})
            layout.pixels.insert(layout.pixels.end(), {run, shade});
        layout.pixels.insert(layout.pixels.end(), {0, 0});
    }
    layout.pixels.insert(layout.pixels.end(), {0, 1});
    const std::optional<BitmapPicture> picture = LoadBytes(BuildBmp(layout));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->image.size(), QSize(800, 600));
    EXPECT_EQ(picture->palette.size(), 256);
    EXPECT_EQ(picture->image.pixel(799, 599) & 0xFF, 0u);  // bottom row: shade 0
    EXPECT_EQ(picture->image.pixel(0, 0) & 0xFF, 599u % 256);
}

TEST(BitmapLoaderTest, BitFieldsAfterTheHeaderOrInsideALongerOne)
{
    // 16 bits 5-6-5: pure green is 0x07E0.
    BmpLayout layout;
    layout.width = 2;
    layout.bitsPerPixel = 16;
    layout.compression = 3;
    layout.masks = {0xF800, 0x07E0, 0x001F};
    layout.pixels = {0xE0, 0x07, 0x00, 0xF8};
    std::optional<BitmapPicture> picture = LoadBytes(BuildBmp(layout));
    ASSERT_TRUE(picture);
    EXPECT_EQ(PixelsOf(picture->image), (std::vector<std::vector<uint32_t>>{{0x00FC00, 0xF80000}}));

    // 32 bits with the masks in a 108-byte header.
    BmpLayout longer;
    longer.bitsPerPixel = 32;
    longer.compression = 3;
    longer.headerSize = 108;
    longer.pixels = {0x00, 0x00, 0x00, 0xFF};
    std::vector<uint8_t> bytes = BuildBmp(longer);
    // The masks sit at offsets 40, 44 and 48 of the header: red in the top byte.
    const uint32_t masks[] = {0xFF000000, 0x00FF0000, 0x0000FF00};
    for (int i = 0; i < 3; ++i)
        for (int b = 0; b < 4; ++b)
            bytes[14 + 40 + 4 * i + b] = static_cast<uint8_t>(masks[i] >> (8 * b));
    picture = LoadBytes(bytes);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->image.pixel(0, 0) & 0xFFFFFF, kRed);
}

TEST(BitmapLoaderTest, LongerHeadersAndPixelsPlacedFurtherOn)
{
    BmpLayout layout;
    layout.width = 2;
    layout.bitsPerPixel = 8;
    layout.coloursUsed = 4;
    layout.colours = kFour;
    layout.pixels = {1, 3, 0, 0};
    const std::vector<std::vector<uint32_t>> expected = {{kRed, kBlue}};

    for (uint32_t headerSize : {108u, 124u}) {
        layout.headerSize = headerSize;
        const std::optional<BitmapPicture> picture = LoadBytes(BuildBmp(layout));
        ASSERT_TRUE(picture) << headerSize;
        EXPECT_EQ(picture->palette[1], qRgb(255, 0, 0)) << headerSize;  // the table follows the longer header
        EXPECT_EQ(PixelsOf(picture->image), expected) << headerSize;
    }
    layout.headerSize = 40;

    // A gap after the table, named by the file header's offset.
    layout.gapBeforePixels = 6;
    std::optional<BitmapPicture> picture = LoadBytes(BuildBmp(layout));
    ASSERT_TRUE(picture);
    EXPECT_EQ(PixelsOf(picture->image), expected);

    // An offset into the table, or past the end, is not believed: the pixels
    // are taken right after the table.
    layout.gapBeforePixels = 0;
    for (uint32_t offset : {0u, 14u + 40u, 14u + 40u + 8u, 100000u}) {
        layout.pixelOffset = offset;
        picture = LoadBytes(BuildBmp(layout));
        ASSERT_TRUE(picture) << offset;
        EXPECT_EQ(PixelsOf(picture->image), expected) << offset;
    }
}

BmpLayout SmallIndexed()
{
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.bitsPerPixel = 8;
    layout.coloursUsed = 4;
    layout.colours = kFour;
    layout.pixels = PadRows({{1, 2, 3}, {3, 2, 1}});
    return layout;
}

TEST(BitmapLoaderTest, RefusesFilesThatAreNotBitmapsOrCutShort)
{
    const std::vector<uint8_t> good = BuildBmp(SmallIndexed());
    ASSERT_TRUE(LoadBytes(good));

    std::vector<uint8_t> notBm = good;
    notBm[0] = 'M';
    notBm[1] = 'B';
    EXPECT_FALSE(LoadBytes(notBm));
    EXPECT_FALSE(LoadBytes({}));

    // Every shorter prefix: in the file header, the information header, the
    // colour table or the pixel rows.
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(LoadBytes(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(length)))) << length;

    // An RLE stream cut inside a command.
    BmpLayout rle = SmallIndexed();
    rle.compression = 1;
    rle.pixels = {0, 3, 1, 2};  // absolute run of 3 needs 4 bytes after its escape
    EXPECT_FALSE(LoadBytes(BuildBmp(rle)));
    rle.pixels = {3, 1, 0, 2, 1};  // a delta without its second byte
    EXPECT_FALSE(LoadBytes(BuildBmp(rle)));
    rle.pixels = {3, 1, 0};
    EXPECT_FALSE(LoadBytes(BuildBmp(rle)));
}

TEST(BitmapLoaderTest, RefusesHeadersItCannotRead)
{
    auto withHeader = [](auto change) {
        BmpLayout layout = SmallIndexed();
        change(layout);
        return LoadBytes(BuildBmp(layout));
    };
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.headerSize = 12; }));
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.headerSize = 0; }));
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.width = 0; }));
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.width = -3; }));
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.height = 0; }));
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.bitsPerPixel = 7; }));
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.compression = 4; }));         // JPEG inside
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.compression = 2; }));         // RLE4 on 8 bits
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.coloursUsed = 0x40000000; })); // 4 * N wraps in 32 bits
    EXPECT_FALSE(withHeader([](BmpLayout& l) { l.coloursUsed = 0xFFFFFFFF; }));
    std::vector<uint8_t> overlong = BuildBmp(SmallIndexed());
    overlong[14] = overlong[15] = overlong[16] = overlong[17] = 0xFF; // longer than the file
    EXPECT_FALSE(LoadBytes(overlong));
    // Rows stored top first are fine uncompressed.
    const std::optional<BitmapPicture> topDown = withHeader([](BmpLayout& l) { l.height = -2; });
    ASSERT_TRUE(topDown);
    EXPECT_EQ(topDown->image.pixel(0, 0) & 0xFFFFFF, kRed);
    EXPECT_FALSE(withHeader([](BmpLayout& l) {
        l.height = -2;
        l.compression = 1;
        l.pixels = {3, 1, 0, 0, 3, 2, 0, 1};
    }));
}

TEST(BitmapLoaderTest, RefusesAbsurdSizesBeforeAllocating)
{
    BmpLayout layout = SmallIndexed();
    layout.width = 16385;
    EXPECT_FALSE(LoadBytes(BuildBmp(layout)));
    layout.width = 3;
    layout.height = -16385;
    EXPECT_FALSE(LoadBytes(BuildBmp(layout)));
    layout.height = INT32_MIN;
    EXPECT_FALSE(LoadBytes(BuildBmp(layout)));

    // Within the side limit, but far more rows than the bytes hold.
    layout.width = 16384;
    layout.height = 16384;
    EXPECT_FALSE(LoadBytes(BuildBmp(layout)));

    // An RLE picture of two bytes claiming 16384 by 16384 pixels.
    layout.compression = 1;
    layout.pixels = {0, 1};
    EXPECT_FALSE(LoadBytes(BuildBmp(layout)));
    // The same stream is fine for a small picture (the rest stays index 0).
    layout.width = 10;
    layout.height = 10;
    const std::optional<BitmapPicture> small = LoadBytes(BuildBmp(layout));
    ASSERT_TRUE(small);
    EXPECT_EQ(small->image.pixel(9, 9) & 0xFFFFFF, kBlack);
}

TEST(BitmapLoaderTest, RandomBytesNeverReadPastTheEnd)
{
    std::mt19937 random(20261208);
    const std::vector<uint8_t> good = BuildBmp(SmallIndexed());
    BmpLayout rleLayout = SmallIndexed();
    rleLayout.compression = 1;
    rleLayout.pixels = {3, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};
    const std::vector<uint8_t> rle = BuildBmp(rleLayout);
    ASSERT_TRUE(LoadBytes(rle));

    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes;
        if (round % 3 == 0) {
            bytes.resize(random() % 200);
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(random());
            if (bytes.size() >= 2) {
                bytes[0] = 'B';
                bytes[1] = 'M';
            }
        } else {
            // A valid file with a few bytes changed and maybe cut short.
            bytes = round % 3 == 1 ? good : rle;
            for (int i = 0; i < 4; ++i)
                bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
            bytes.resize(bytes.size() - random() % 8);
        }
        const std::optional<BitmapPicture> picture = LoadBytes(bytes);
        if (picture) {
            EXPECT_FALSE(picture->image.isNull());
            EXPECT_LE(picture->image.width(), BitmapLoader::kMaxSide);
            EXPECT_LE(picture->image.height(), BitmapLoader::kMaxSide);
        }
    }
}

} // namespace
} // namespace vorn

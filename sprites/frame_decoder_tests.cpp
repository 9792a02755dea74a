#include "sprites/frame_decoder.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <algorithm>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace vorn {
namespace {

// Pixel commands written by hand: a word of command and count, then data.
class Commands {
public:
    Commands& Word(unsigned command, unsigned count)
    {
        const unsigned word = (command << 13) | count;
        bytes.push_back(static_cast<uint8_t>(word));
        bytes.push_back(static_cast<uint8_t>(word >> 8));
        return *this;
    }
    Commands& Row() { return Word(0, 0); }
    Commands& Skip(unsigned pixels) { return Word(3, pixels); }
    Commands& SkipRows(unsigned rows) { return Word(4, rows); }
    Commands& End() { return Word(5, 0); }
    Commands& Fail() { return Word(7, 0); }
    // Command 1: (depth, colour) pairs.
    Commands& Depth(std::vector<std::pair<uint8_t, uint8_t>> pixels)
    {
        Word(1, static_cast<unsigned>(pixels.size()));
        for (auto [depth, colour] : pixels) {
            bytes.push_back(depth);
            bytes.push_back(colour);
        }
        return Pad();
    }
    // Command 2: (depth, colour, alpha).
    Commands& Blended(uint8_t depth, uint8_t colour, uint8_t alpha)
    {
        Word(2, 1);
        bytes.insert(bytes.end(), {depth, colour, alpha});
        return Pad();
    }
    // Command 6: colours only.
    Commands& Plain(std::vector<uint8_t> colours)
    {
        Word(6, static_cast<unsigned>(colours.size()));
        bytes.insert(bytes.end(), colours.begin(), colours.end());
        return Pad();
    }
    Commands& Pad()
    {
        if (bytes.size() % 2 != 0)
            bytes.push_back(0xEE); // a pad byte that would show if read as data
        return *this;
    }

    std::vector<uint8_t> bytes;
};

// Colour 1 (0xF8, 0x80, 0x08), colour 2 (0x10, 0x20, 0x30), colour 3 white;
// the rest black.
std::array<uint8_t, 768> TestPalette()
{
    std::array<uint8_t, 768> colours{};
    const uint8_t known[] = {0xF8, 0x80, 0x08, 0x10, 0x20, 0x30, 0xFF, 0xFF, 0xFF};
    std::copy(std::begin(known), std::end(known), colours.begin() + 3);
    return colours;
}

struct Format {
    int bitsPerPixel;
    std::vector<uint8_t> colour1; // colour 1 as stored
    std::vector<uint8_t> colour2;
    std::vector<uint8_t> keptUnderFullAlpha; // colour 1 blended over colour 2 with alpha 255
};

void PrintTo(const Format& format, std::ostream* out) { *out << format.bitsPerPixel << " bits"; }

const Format kFormats[] = {
    // Full alpha keeps the old colour less what the truncation takes: channels
    // below the palette's lose one (0x10 -> 0x0F, 0x20 -> 0x1F), which a
    // 5- or 6-bit channel shows one step lower.
    {15, {0x01, 0x7E}, {0x86, 0x08}, {0x66, 0x04}},
    {16, {0x01, 0xFC}, {0x06, 0x11}, {0xE6, 0x08}},
    {24, {0x08, 0x80, 0xF8}, {0x30, 0x20, 0x10}, {0x30, 0x1F, 0x0F}},
    {32, {0x08, 0x80, 0xF8, 0x00}, {0x30, 0x20, 0x10, 0x00}, {0x30, 0x1F, 0x0F, 0x00}},
};

class DecoderTest : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override { ASSERT_TRUE(target.Allocate(6, 4, GetParam().bitsPerPixel)); }

    bool Run(const Commands& commands, int32_t x, int32_t y, bool mirrored = false, uint32_t frameWidth = 1)
    {
        target.x = x;
        target.y = y;
        target.mirror = mirrored;
        return DecodeFrame(target, commands.bytes, PaletteColours(palette), frameWidth);
    }
    std::vector<uint8_t> Pixel(int column, int row) const
    {
        const int bytes = target.BytesPerPixel();
        const uint8_t* p = target.ColourRowFromTop(row) + column * bytes;
        return {p, p + bytes};
    }
    int Depth(int column, int row) const { return target.DepthRowFromTop(row)[column]; }
    // Columns of `row` holding colour 1, as a string of '1' and '.'.
    std::string RowText(int row) const
    {
        std::string text;
        for (int column = 0; column < target.Width(); ++column)
            text += Pixel(column, row) == GetParam().colour1 ? '1' : Pixel(column, row) == GetParam().colour2 ? '2' : '.';
        return text;
    }
    std::string Picture() const
    {
        std::string text;
        for (int row = 0; row < target.Height(); ++row)
            text += RowText(row) + "|";
        return text;
    }

    RenderTarget target;
    std::array<uint8_t, 768> palette = TestPalette();
};

TEST_P(DecoderTest, WritesEachFormatsPixelValueAndDepthBottomUp)
{
    EXPECT_TRUE(Run(Commands().Row().Depth({{7, 1}, {9, 2}}).End(), 1, 0));
    EXPECT_EQ(Pixel(1, 0), GetParam().colour1);
    EXPECT_EQ(Pixel(2, 0), GetParam().colour2);
    EXPECT_EQ(Depth(1, 0), 7);
    EXPECT_EQ(Depth(2, 0), 9);
    EXPECT_EQ(Depth(3, 0), 255);
    // The picture's top row is the last row in memory.
    const uint8_t* lastRow = target.ColourPlane() + 3 * target.ColourStride();
    EXPECT_EQ(std::vector<uint8_t>(lastRow + target.BytesPerPixel(), lastRow + 2 * target.BytesPerPixel()),
              GetParam().colour1);
}

TEST_P(DecoderTest, RowsStartAtTheFramesYAndMirroredRowsRunRightToLeft)
{
    const Commands frame = Commands().Row().Plain({1, 2}).Row().Plain({2}).End();
    EXPECT_TRUE(Run(frame, 0, 0));
    EXPECT_EQ(Picture(), "12....|2.....|......|......|");
    target.FillColour(0, 0, 0);
    EXPECT_TRUE(Run(frame, 1, 2, true, 3));
    EXPECT_EQ(Picture(), "......|......|..21..|...2..|");
}

TEST_P(DecoderTest, FramesAboveTheTopSkipTwoRowsFewerWhenPlain)
{
    const Commands frame = Commands().Row().Plain({1}).Row().Plain({2}).Row().Plain({1, 1}).Row().Plain({2, 2}).End();
    EXPECT_TRUE(Run(frame, 0, -3));
    EXPECT_EQ(Picture(), "2.....|11....|22....|......|");
    target.FillColour(0, 0, 0);
    EXPECT_TRUE(Run(frame, 0, -3, true, 2));
    EXPECT_EQ(Picture(), "22....|......|......|......|");
    // y = -1 and -2 skip nothing when plain.
    for (int32_t y : {-1, -2}) {
        target.FillColour(0, 0, 0);
        EXPECT_TRUE(Run(frame, 0, y));
        EXPECT_EQ(RowText(0), "1.....") << y;
    }
}

TEST_P(DecoderTest, PixelsOutsideTheColumnsAreConsumedNotDrawn)
{
    // The run starts two pixels left of the picture; the 3-byte run is padded.
    EXPECT_TRUE(Run(Commands().Row().Plain({2, 2, 1, 1, 2}).Plain({1}).End(), -2, 0));
    EXPECT_EQ(RowText(0), "1121..");
    target.FillColour(0, 0, 0);
    // Mirrored from column 7 leftwards: two pixels beyond the right edge.
    EXPECT_TRUE(Run(Commands().Row().Plain({2, 2, 1, 1}).Skip(1).Depth({{3, 2}}).End(), 0, 0, true, 8));
    EXPECT_EQ(RowText(0), "..2.11");
    EXPECT_EQ(Depth(2, 0), 3);
}

TEST_P(DecoderTest, BlendedRunsAreDepthTestedAndPadded)
{
    // Three bytes after the word leave the position odd: a pad byte follows.
    target.FillDepth(100);
    EXPECT_TRUE(Run(Commands().Row().Blended(40, 1, 0).Blended(100, 2, 0).Blended(101, 1, 0).End(), 0, 0));
    EXPECT_EQ(RowText(0), "12....");
    EXPECT_EQ(Depth(0, 0), 40);
    EXPECT_EQ(Depth(1, 0), 100);
    EXPECT_EQ(Depth(2, 0), 100);
}

TEST_P(DecoderTest, DepthBiasAndTheDepthTest)
{
    target.depthBias = 10;
    EXPECT_TRUE(Run(Commands().Row().Depth({{250, 1}, {245, 1}}).End(), 0, 0));
    EXPECT_EQ(RowText(0), ".1....");
    EXPECT_EQ(Depth(0, 0), 255);
    EXPECT_EQ(Depth(1, 0), 255);
    target.depthBias = -10;
    EXPECT_TRUE(Run(Commands().Row().Depth({{5, 2}}).Row().Depth({{100, 1}}).End(), 0, 0));
    EXPECT_EQ(Depth(0, 0), 0);
    EXPECT_EQ(RowText(0), "21....");
    // Stored 90: a nearer pixel and an equal one are drawn, a farther one not.
    target.depthBias = 0;
    target.FillDepth(90);
    target.FillColour(0, 0, 0);
    EXPECT_TRUE(Run(Commands().Row().Depth({{89, 1}, {90, 2}, {91, 1}}).End(), 0, 0));
    EXPECT_EQ(RowText(0), "12....");
    EXPECT_EQ(Depth(0, 0), 89);
    EXPECT_EQ(Depth(1, 0), 90);
    EXPECT_EQ(Depth(2, 0), 90);
}

TEST_P(DecoderTest, PlainPixelsIgnoreDepth)
{
    target.FillDepth(0);
    EXPECT_TRUE(Run(Commands().Row().Plain({1}).Depth({{0, 2}}).End(), 0, 0));
    EXPECT_EQ(RowText(0), "12....");
    EXPECT_EQ(Depth(0, 0), 0);
}

TEST_P(DecoderTest, AlphaZeroPaintsThePaletteColourAndFullAlphaKeepsTheOld)
{
    target.FillColour(0x10, 0x20, 0x30); // colour 2 as background
    EXPECT_TRUE(Run(Commands().Row().Blended(9, 1, 0).Blended(9, 1, 255).End(), 0, 0));
    EXPECT_EQ(Pixel(0, 0), GetParam().colour1);
    EXPECT_EQ(Depth(0, 0), 9);
    EXPECT_EQ(Pixel(1, 0), GetParam().keptUnderFullAlpha);
}

TEST_P(DecoderTest, AHiddenIndexDrawsNeitherColourNorDepthInAnyPixelCommand)
{
    // Colour 2 in a depth run, a blended pixel and a plain run; plain, mirrored, and with nothing hidden.
    const Commands frame = Commands().Row().Depth({{5, 2}, {5, 1}}).Blended(5, 2, 0).Plain({2, 1}).End();
    target.mirror = false;
    EXPECT_TRUE(DecodeFrame(target, frame.bytes, PaletteColours(palette), 5, 2));
    EXPECT_EQ(RowText(0), ".1..1.");
    EXPECT_EQ(Depth(0, 0), 255);
    EXPECT_EQ(Depth(1, 0), 5);
    EXPECT_EQ(Depth(2, 0), 255);
    target.FillColour(0, 0, 0);
    target.FillDepth();
    target.mirror = true;
    EXPECT_TRUE(DecodeFrame(target, frame.bytes, PaletteColours(palette), 5, 2));
    EXPECT_EQ(RowText(0), "1..1..");
    EXPECT_EQ(Depth(4, 0), 255);
    EXPECT_TRUE(Run(frame, 0, 0));
    EXPECT_EQ(RowText(0), "21221.");
    EXPECT_EQ(Depth(2, 0), 5);
}

TEST_P(DecoderTest, RunningOffTheBottomIsSuccessAndStopsReading)
{
    // Six rows into a four-row picture, then a failure command never reached.
    Commands frame;
    for (int row = 0; row < 6; ++row)
        frame.Row().Plain({1});
    frame.Fail();
    EXPECT_TRUE(Run(frame, 0, 1));
    EXPECT_EQ(Picture(), "......|1.....|1.....|1.....|");
    // Row skips past the bottom end the frame too.
    EXPECT_TRUE(Run(Commands().Row().SkipRows(10).Fail(), 0, 0));
    EXPECT_FALSE(Run(Commands().Row().SkipRows(1).Fail(), 0, 0));
}

TEST_P(DecoderTest, EndOfBytesEndsTheFrame)
{
    // No end command: what is there is drawn and the frame is finished.
    EXPECT_TRUE(Run(Commands().Row().Plain({1, 2}), 0, 0));
    EXPECT_EQ(RowText(0), "12....");
    // Cut inside a run: its whole pixels are drawn, the frame fails.
    Commands cut = Commands().Row().Row().Depth({{1, 2}, {1, 1}, {1, 2}});
    cut.bytes.resize(cut.bytes.size() - 1);
    EXPECT_FALSE(Run(cut, 0, 0));
    EXPECT_EQ(RowText(1), "21....");
    // A word cut in half.
    Commands half = Commands().Row();
    half.bytes.push_back(0);
    EXPECT_FALSE(Run(half, 0, 0));
    EXPECT_TRUE(Run(Commands(), 0, 0));
}

TEST_P(DecoderTest, CommandSevenFailsAndNothingIsDrawnBeforeARowStart)
{
    EXPECT_FALSE(Run(Commands().Row().Plain({1}).Fail().Plain({1}), 0, 0));
    EXPECT_EQ(RowText(0), "1.....");
    EXPECT_TRUE(Run(Commands().Plain({2, 2}).End(), 0, 0));
    EXPECT_EQ(RowText(0), "1.....");
}

TEST_P(DecoderTest, HugeOffsetsDrawNothingAndCostNothing)
{
    Commands frame;
    for (int i = 0; i < 2000; ++i)
        frame.SkipRows(0x1FFF).Row().Depth({{0, 1}, {0, 1}}).Skip(0x1FFF);
    for (int32_t x : {INT32_MIN, -7, 0, INT32_MAX - 1, INT32_MAX})
        for (int32_t y : {INT32_MIN, INT32_MIN + 1, -100000, 100000, INT32_MAX}) {
            for (bool mirrored : {false, true}) {
                Run(frame, x, y, mirrored, 0xFFFF);
                if (x == 0 && y == -100000)
                    continue; // skips its way into the picture
                EXPECT_EQ(Picture(), "......|......|......|......|") << x << ',' << y << ',' << mirrored;
            }
        }
}

TEST_P(DecoderTest, RandomAndTruncatedCommandsStayInsideThePlanes)
{
    // Rows with spare bytes after the pixels, a palette without zero bytes:
    // anything written past a row's end would show in the spare bytes.
    const int bytes = GetParam().bitsPerPixel == 15 ? 2 : GetParam().bitsPerPixel / 8;
    const size_t rowBytes = static_cast<size_t>(6 * bytes);
    ASSERT_TRUE(target.Allocate(6, 4, GetParam().bitsPerPixel, rowBytes + 5));
    palette.fill(0x77);
    auto sparesUntouched = [&] {
        for (int row = 0; row < 4; ++row) {
            const uint8_t* colour = std::as_const(target).ColourRowFromTop(row);
            const uint8_t* depth = std::as_const(target).DepthRowFromTop(row);
            if (std::any_of(colour + rowBytes, colour + rowBytes + 5, [](uint8_t b) { return b != 0; }) ||
                depth[6] != 255 || depth[7] != 255)
                return false;
        }
        return true;
    };
    std::mt19937 random(1234 + GetParam().bitsPerPixel);
    Commands sample = Commands().Row().Depth({{1, 1}, {2, 2}}).Row().Blended(3, 1, 9).Plain({1, 2, 1}).SkipRows(1)
                          .Row().Skip(2).Plain({2}).End();
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes;
        if (round % 3 == 0) {
            bytes.assign(sample.bytes.begin(), sample.bytes.begin() + round % (sample.bytes.size() + 1));
        } else {
            bytes.resize(random() % 64);
            for (uint8_t& byte : bytes)
                byte = static_cast<uint8_t>(random());
        }
        // Keep the words small enough to matter now and then.
        for (size_t i = 1; i < bytes.size() && round % 2 == 0; i += 2)
            bytes[i] &= 0xE0;
        target.depthBias = static_cast<int32_t>(random() % 600) - 300;
        Commands commands;
        commands.bytes = bytes;
        Run(commands, static_cast<int32_t>(random() % 12) - 6, static_cast<int32_t>(random() % 10) - 5,
            random() % 2 == 0, random() % 16);
        ASSERT_TRUE(sparesUntouched()) << "round " << round;
    }
    // The sample itself draws.
    target.depthBias = 0;
    EXPECT_TRUE(Run(sample, 0, 0));
    EXPECT_NE(Pixel(0, 0), std::vector<uint8_t>(static_cast<size_t>(bytes), 0));
}

INSTANTIATE_TEST_SUITE_P(Formats, DecoderTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return "Bpp" + std::to_string(info.param.bitsPerPixel); });

TEST(Blend, UsesTheSinglePrecisionScale)
{
    EXPECT_EQ(Blend(0x12, 0x34, 0), 0x34);
    EXPECT_EQ(Blend(200, 100, 128), 150);
    EXPECT_EQ(Blend(255, 0, 255), 255);
    EXPECT_EQ(Blend(0, 255, 255), 0);
    // Exactly 1/255 would give 254 here; the scale lies just above it.
    EXPECT_EQ(Blend(0, 255, 1), 253);
    EXPECT_EQ(Blend(10, 250, 255), 9);
}

TEST(Blend, SixteenBitOldChannelsAreTakenFromTheStoredValue)
{
    // 0x7FFF read as 565 has red 0x78, green 0xFC, blue 0xF8.
    RenderTarget target;
    ASSERT_TRUE(target.Allocate(1, 1, 16));
    target.ColourPlane()[0] = 0xFF;
    target.ColourPlane()[1] = 0x7F;
    std::array<uint8_t, 768> palette{};
    Commands commands = Commands().Row().Blended(0, 0, 128).End();
    ASSERT_TRUE(DecodeT565(target, commands.bytes, PaletteColours(palette)));
    const unsigned v = target.ColourPlane()[0] | (target.ColourPlane()[1] << 8);
    EXPECT_EQ(v, static_cast<unsigned>(((Blend(0x78, 0, 128) >> 3) << 11) | ((Blend(0xFC, 0, 128) >> 2) << 5) |
                                       (Blend(0xF8, 0, 128) >> 3)));
    EXPECT_EQ(v, (7u << 11) | (31u << 5) | 15u);
}

TEST(Decoders, ResettingTheDepthPlaneRestoresEveryByteTheyWrote)
{
    RenderTarget target;
    ASSERT_TRUE(target.Allocate(7, 5, 32));
    std::array<uint8_t, 768> palette{};
    auto allFar = [&] {
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 7; ++column)
                if (std::as_const(target).DepthRowFromTop(row)[column] != 255)
                    return false;
        return true;
    };
    const std::vector<uint8_t> frame = Commands().Row().Depth({{1, 1}, {2, 1}}).Row().Skip(3).Blended(3, 1, 1).End().bytes;
    for (const auto& [x, y, mirrored] : {std::tuple{0, 0, false}, {4, 3, true}, {5, 1, false}, {-1, -1, false}}) {
        target.x = x;
        target.y = y;
        target.mirror = mirrored;
        ASSERT_TRUE(DecodeFrame(target, frame, PaletteColours(palette), 3));
        EXPECT_FALSE(allFar()) << x << ',' << y;
        target.FillDepth(255);
        EXPECT_TRUE(allFar()) << x << ',' << y;
    }
    // Bytes written from outside, and other fill values, are covered too.
    target.DepthRowFromTop(4)[6] = 9;
    target.FillDepth(255);
    EXPECT_TRUE(allFar());
    target.FillDepth(0);
    target.FillDepth(255);
    EXPECT_TRUE(allFar());
}

TEST(Decoders, NeedPlanes)
{
    RenderTarget target;
    std::array<uint8_t, 768> palette{};
    const std::vector<uint8_t> frame = Commands().Row().Plain({1}).End().bytes;
    EXPECT_FALSE(DecodeT32Bits(target, frame, PaletteColours(palette)));
    EXPECT_FALSE(DecodeT555Mirrored(target, frame, PaletteColours(palette), 1));
    EXPECT_FALSE(DecodeFrame(target, frame, PaletteColours(palette), 1));
}

} // namespace
} // namespace vorn

#include "sprites/frame_export.h"

#include "iff/spr2_frame_encoder.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace vorn {
namespace {

using Kind = Spr2PixelKind;

// Colour i is (i, 255 - i, 3i): every index has its own colour.
std::array<uint8_t, 768> Palette()
{
    std::array<uint8_t, 768> p{};
    for (int i = 0; i < 256; ++i) {
        p[static_cast<size_t>(3 * i)] = static_cast<uint8_t>(i);
        p[static_cast<size_t>(3 * i + 1)] = static_cast<uint8_t>(255 - i);
        p[static_cast<size_t>(3 * i + 2)] = static_cast<uint8_t>(3 * i);
    }
    return p;
}

struct Pixel {
    Kind kind;
    uint8_t colour = 0, depth = 255, alpha = 0;
};

Spr2PixelPlanes Planes(uint16_t width, uint16_t height, const std::vector<Pixel>& pixels)
{
    Spr2PixelPlanes planes{width, height, {}, {}, {}, {}};
    for (const Pixel& p : pixels) {
        planes.kind.push_back(p.kind);
        planes.colour.push_back(p.colour);
        planes.depth.push_back(p.depth);
        planes.alpha.push_back(p.alpha);
    }
    return planes;
}

ExportedFrame Export(const Spr2PixelPlanes& planes, const std::vector<uint8_t>& commands, bool expectOk = true)
{
    Spr2Frame frame;
    frame.width = planes.width;
    frame.height = planes.height;
    frame.pixels = commands.data();
    frame.pixelLength = static_cast<uint32_t>(commands.size());
    const auto palette = Palette();
    ExportedFrame out;
    EXPECT_EQ(ExportFrame(frame, PaletteColours(palette), out), expectOk);
    return out;
}

TEST(FrameExport, EveryKindComesBackWithItsIndexAlphaAndDepth)
{
    const Pixel T{Kind::Transparent};
    // Row 0: plain, depth-tested and blended pixels with stored alphas 0,
    // 1, 128, 254 and 255 (an index with all bits set and one with none);
    // row 1 empty; row 2 a transparent gap between opaque pixels.
    const std::vector<Pixel> pixels = {
        {Kind::Plain, 5},          {Kind::Depth, 200, 17},    {Kind::Blended, 255, 3, 0},
        {Kind::Blended, 0, 4, 1},  {Kind::Blended, 170, 5, 128}, {Kind::Blended, 85, 6, 254},
        {Kind::Blended, 9, 7, 255}, T, T, T, T, T, T, T,
        {Kind::Depth, 1, 0},       T, T, {Kind::Plain, 254}, T, T, T,
    };
    const Spr2PixelPlanes planes = Planes(7, 3, pixels);
    const ExportedFrame out = Export(planes, EncodeSpr2Frame(planes));
    ASSERT_EQ(out.rgba.size(), 7u * 3 * 4);
    const auto palette = Palette();
    for (size_t p = 0; p < pixels.size(); ++p) {
        const Pixel& in = pixels[p];
        const uint8_t alpha = in.kind == Kind::Transparent ? 0 : in.kind == Kind::Blended ? 255 - in.alpha : 255;
        EXPECT_EQ(out.rgba[4 * p + 3], alpha) << p;
        EXPECT_EQ(out.depth[p], in.kind == Kind::Transparent || in.kind == Kind::Plain ? 255 : in.depth) << p;
        for (size_t c = 0; c < 3; ++c)
            EXPECT_EQ(out.rgba[4 * p + c], alpha == 0 ? 0 : palette[3 * in.colour + c]) << p << " channel " << c;
    }
}

TEST(FrameExport, FramesWithAndWithoutPartialBlendsGiveTheSameIndices)
{
    // Every index opaque, then blended with the stored alphas 0 and 255 only,
    // then the same with one pixel half blended: the first two are read in
    // one drawing, the last needs the drawings that carry the index in bits.
    for (int variant = 0; variant < 3; ++variant) {
        std::vector<Pixel> pixels;
        for (int i = 0; i < 256; ++i) {
            if (variant == 0)
                pixels.push_back({i % 2 == 0 ? Kind::Plain : Kind::Depth, static_cast<uint8_t>(i), 40});
            else
                pixels.push_back({Kind::Blended, static_cast<uint8_t>(i), 50, static_cast<uint8_t>(i % 3 == 0 ? 255 : 0)});
        }
        if (variant == 2)
            pixels[77].alpha = 128;
        const Spr2PixelPlanes planes = Planes(16, 16, pixels);
        const ExportedFrame out = Export(planes, EncodeSpr2Frame(planes));
        const auto palette = Palette();
        for (size_t p = 0; p < pixels.size(); ++p) {
            const uint8_t alpha = pixels[p].kind == Kind::Blended ? 255 - pixels[p].alpha : 255;
            ASSERT_EQ(out.rgba[4 * p + 3], alpha) << variant << " pixel " << p;
            for (size_t c = 0; c < 3; ++c)
                EXPECT_EQ(out.rgba[4 * p + c], alpha == 0 ? 0 : palette[3 * p + c]) << variant << " pixel " << p;
            EXPECT_EQ(out.depth[p], pixels[p].kind == Kind::Plain ? 255 : pixels[p].depth) << variant << " pixel " << p;
        }
    }
}

TEST(FrameExport, LongRunsAndSkippedRowsSplitAtTheCountLimit)
{
    // Runs longer than a 13-bit count: two rows of 9000 pixels.
    const uint16_t width = 9000;
    std::vector<Pixel> wide(2 * static_cast<size_t>(width));
    for (size_t x = 0; x < width; ++x) {
        wide[x] = {Kind::Depth, static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 5)};
        wide[width + x] = {x < 8500 ? Kind::Plain : Kind::Blended, static_cast<uint8_t>(x * 7), 3, 100};
    }
    const Spr2PixelPlanes widePlanes = Planes(width, 2, wide);
    const ExportedFrame out = Export(widePlanes, EncodeSpr2Frame(widePlanes));
    for (size_t x = 0; x < width; x += 499) {
        EXPECT_EQ(out.rgba[4 * x], static_cast<uint8_t>(x)) << x;
        EXPECT_EQ(out.depth[x], static_cast<uint8_t>(x >> 5)) << x;
        EXPECT_EQ(out.rgba[4 * (width + x)], static_cast<uint8_t>(x * 7)) << x;
        EXPECT_EQ(out.rgba[4 * (width + x) + 3], x < 8500 ? 255 : 155) << x;
    }
    // More empty rows than one skip can count.
    const uint16_t height = 8200;
    std::vector<Pixel> tall(height, Pixel{Kind::Transparent});
    tall.front() = {Kind::Plain, 40};
    tall.back() = {Kind::Plain, 41};
    const Spr2PixelPlanes tallPlanes = Planes(1, height, tall);
    const ExportedFrame column = Export(tallPlanes, EncodeSpr2Frame(tallPlanes));
    EXPECT_EQ(column.rgba[0], 40);
    EXPECT_EQ(column.rgba[4 * (height - 1)], 41);
    EXPECT_EQ(column.rgba[4 * (height - 2) + 3], 0);
}

TEST(FrameExport, DamagedCommandsFailWithoutReachingOutside)
{
    std::mt19937 rng(11);
    const Spr2PixelPlanes planes = Planes(3, 2, std::vector<Pixel>(6, Pixel{Kind::Depth, 9, 9}));
    std::vector<uint8_t> good = EncodeSpr2Frame(planes);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        Spr2Frame frame{3, 2, 0, 0, 0, 0, 0, part.data(), static_cast<uint32_t>(part.size())};
        ExportedFrame out;
        const auto palette = Palette();
        ExportFrame(frame, PaletteColours(palette), out);
        EXPECT_EQ(out.rgba.size(), 24u);
    }
    for (int round = 0; round < 500; ++round) {
        std::vector<uint8_t> noise(rng() % 64);
        for (uint8_t& b : noise)
            b = static_cast<uint8_t>(rng());
        Spr2Frame frame{static_cast<uint16_t>(rng() % 9), static_cast<uint16_t>(rng() % 9), 0, 0, 0, 0, 0,
                        noise.data(), static_cast<uint32_t>(noise.size())};
        ExportedFrame out;
        const auto palette = Palette();
        ExportFrame(frame, PaletteColours(palette), out);
        EXPECT_EQ(out.depth.size(), static_cast<size_t>(frame.width) * frame.height);
    }
    // Planes that do not match the size give nothing to decode.
    Spr2PixelPlanes wrong = planes;
    wrong.alpha.pop_back();
    EXPECT_TRUE(EncodeSpr2Frame(wrong).empty());
}

} // namespace
} // namespace vorn

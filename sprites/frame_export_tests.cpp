#include "sprites/frame_export.h"

#include "iff/spr2_frame_encoder.h"
#include "testing/spr2_encoder.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

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
    EXPECT_EQ(ExportFrame(frame, PaletteColours(palette), out) == FrameExportResult::Complete, expectOk);
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

// Encodes `planes`, checks that every row start states its row's length,
// and draws the frame back: it must show the planes' picture exactly.
void ExpectRoundTrip(const Spr2PixelPlanes& planes, const std::string& what)
{
    std::vector<uint8_t> commands;
    const Spr2EncodeResult result = EncodeSpr2Frame(planes, commands);
    ASSERT_EQ(result.status, Spr2EncodeStatus::Ok) << what;
    EXPECT_TRUE(testing::Spr2RowLengthsAgree(commands)) << what;
    const ExportedFrame out = Export(planes, commands);
    const auto palette = Palette();
    size_t wrong = 0;
    for (size_t p = 0; p < planes.kind.size() && wrong < 3; ++p) {
        const Kind kind = planes.kind[p];
        const uint8_t opacity = kind == Kind::Transparent ? 0 : kind == Kind::Blended ? 255 - planes.alpha[p] : 255;
        const uint8_t depth = kind == Kind::Depth || kind == Kind::Blended ? planes.depth[p] : 255;
        bool same = out.rgba[4 * p + 3] == opacity && out.depth[p] == depth;
        for (size_t c = 0; c < 3; ++c)
            same = same && out.rgba[4 * p + c] == (opacity == 0 ? 0 : palette[3 * size_t{planes.colour[p]} + c]);
        if (!same) {
            ADD_FAILURE() << what << ": pixel " << p % planes.width << ", " << p / planes.width;
            ++wrong;
        }
    }
}

// A picture of `height` rows of `width` pixels, all transparent but for
// pixels of `kind` (colour, depth and alpha from the position) at the given
// columns of the given rows.
Spr2PixelPlanes Sparse(uint16_t width, uint16_t height, Kind kind, const std::vector<uint32_t>& columns,
                       const std::vector<uint32_t>& rows)
{
    std::vector<Pixel> pixels(static_cast<size_t>(width) * height, Pixel{Kind::Transparent});
    for (const uint32_t y : rows)
        for (const uint32_t x : columns)
            pixels[static_cast<size_t>(y) * width + x] = {kind, static_cast<uint8_t>(x * 7 + y),
                                                          static_cast<uint8_t>(x + 3 * y), static_cast<uint8_t>(x)};
    return Planes(width, height, pixels);
}

TEST(FrameExport, LongRunsAndSkippedRowsSplitAtTheCountLimit)
{
    // A row's commands take 2 bytes of row start, then 2 bytes a run plus 1,
    // 2 or 3 bytes a pixel (no depth, depth, blended), padded to even: its
    // 13-bit count holds 8191 bytes, so 8186, 4093 and 2728 pixels fit.
    const struct {
        Kind kind;
        uint16_t widest;
    } kinds[] = {{Kind::Plain, 8186}, {Kind::Depth, 4093}, {Kind::Blended, 2728}};
    for (const auto& [kind, widest] : kinds) {
        for (const uint16_t width : {static_cast<uint16_t>(widest - 1), widest}) {
            std::vector<Pixel> row(2 * static_cast<size_t>(width));
            for (size_t x = 0; x < row.size(); ++x)
                row[x] = {kind, static_cast<uint8_t>(x * 5), static_cast<uint8_t>(x / 3), static_cast<uint8_t>(x)};
            ExpectRoundTrip(Planes(width, 2, row), "full rows of " + std::to_string(width));
        }
        const uint16_t over = static_cast<uint16_t>(widest + 1);
        const Spr2PixelPlanes tooWide = Planes(over, 2, std::vector<Pixel>(2 * size_t{over}, Pixel{kind, 1, 2, 3}));
        std::vector<uint8_t> commands = {1};
        const Spr2EncodeResult refused = EncodeSpr2Frame(tooWide, commands);
        EXPECT_EQ(refused.status, Spr2EncodeStatus::RowTooLong) << over;
        EXPECT_EQ(refused.row, 0u);
        EXPECT_GT(refused.rowBytes, kMaxSpr2RowBytes);
        EXPECT_TRUE(commands.empty());
    }
    // The wide picture that once got a row count of 12 instead of 8204.
    const Spr2PixelPlanes depth4100 = Planes(4100, 2, std::vector<Pixel>(8200, Pixel{Kind::Depth, 9, 9}));
    std::vector<uint8_t> commands;
    const Spr2EncodeResult result = EncodeSpr2Frame(depth4100, commands);
    EXPECT_EQ(result.status, Spr2EncodeStatus::RowTooLong);
    EXPECT_EQ(result.rowBytes, 8204u);

    // Transparent runs around the 13-bit pixel count, before, between and
    // after drawn pixels of each kind; a row's last transparent run is left out.
    for (const Kind kind : {Kind::Plain, Kind::Depth, Kind::Blended})
        for (const uint32_t gap : {8190u, 8191u, 8192u, 8193u, 16382u, 16383u, 16384u}) {
            const auto width = static_cast<uint16_t>(gap + 4);
            ExpectRoundTrip(Sparse(width, 2, kind, {gap, gap + 1}, {0, 1}), "gap " + std::to_string(gap));
            ExpectRoundTrip(Sparse(width, 1, kind, {0, gap + 2}, {0}), "inner gap " + std::to_string(gap));
            ExpectRoundTrip(Sparse(width, 1, kind, {1}, {0}), "trailing gap " + std::to_string(gap));
        }
    // Empty rows around the 13-bit row count of command 4: above, between
    // and below drawn rows.
    for (const uint32_t rows : {8190u, 8191u, 8192u, 8193u, 16382u, 16383u, 16384u}) {
        const auto height = static_cast<uint16_t>(rows + 2);
        ExpectRoundTrip(Sparse(3, height, Kind::Depth, {1}, {0, rows + 1}), "rows between " + std::to_string(rows));
        ExpectRoundTrip(Sparse(3, height, Kind::Blended, {0, 2}, {rows + 1}), "rows above " + std::to_string(rows));
        ExpectRoundTrip(Sparse(3, height, Kind::Plain, {2}, {0}), "rows below " + std::to_string(rows));
    }
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

TEST(FrameExport, FramesBeyondThePixelLimitAreRefusedBeforeAnythingIsAllocated)
{
    const auto palette = Palette();
    const std::vector<uint8_t> end = {0x00, 0xA0}; // command 5
    for (const auto& [width, height] : {std::pair<uint16_t, uint16_t>{65535, 65535}, {12000, 12000}, {4097, 4096}}) {
        Spr2Frame frame;
        frame.width = width;
        frame.height = height;
        frame.pixels = end.data();
        frame.pixelLength = 2;
        ExportedFrame out;
        EXPECT_EQ(ExportFrame(frame, PaletteColours(palette), out), FrameExportResult::TooLarge) << width;
        EXPECT_EQ(out.width, width);
        EXPECT_TRUE(out.rgba.empty() && out.depth.empty());
    }
}

} // namespace
} // namespace vorn

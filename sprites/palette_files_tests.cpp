#include "sprites/palette_builder.h"
#include "sprites/palette_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace vorn {
namespace {

PaltColours Ramp()
{
    PaltColours colours{};
    for (size_t i = 0; i < 256; ++i) {
        colours[3 * i] = static_cast<uint8_t>(i);
        colours[3 * i + 1] = static_cast<uint8_t>(255 - i);
        colours[3 * i + 2] = static_cast<uint8_t>(7 * i);
    }
    return colours;
}

TEST(PaletteFiles, GimpPalettesAndSwatchesRoundTripAndPartialPalettesSetTheirFirstColours)
{
    const PaltColours colours = Ramp();
    const std::string gpl = PaletteFiles::WriteGpl(colours, "PALT 7");
    EXPECT_TRUE(gpl.starts_with("GIMP Palette\nName: PALT 7\nColumns: 16\n#\n  0 255   0\tIndex 0\n")) << gpl;
    const PaletteFileRead read = PaletteFiles::ReadGpl(gpl);
    ASSERT_TRUE(read.read) << read.problem;
    EXPECT_EQ(read.count, 256u);
    EXPECT_EQ(read.colours, colours);

    // What painters write: CRLF, comments, blank lines, names after the colour.
    const PaletteFileRead few = PaletteFiles::ReadGpl("GIMP Palette\r\nName: mine\r\n# made by hand\r\n\r\n"
                                                      " 12  34  56 Untitled\r\n255\t0\t7\r\n");
    ASSERT_TRUE(few.read) << few.problem;
    EXPECT_EQ(few.count, 2u);
    EXPECT_EQ((std::vector<uint8_t>(few.colours.begin(), few.colours.begin() + 6)),
              (std::vector<uint8_t>{12, 34, 56, 255, 0, 7}));

    // Written at 16 pixels a cell, read back at any cell size.
    const std::vector<uint8_t> rgb = PaletteFiles::SwatchPixels(colours);
    ASSERT_EQ(rgb.size(), 256u * 256u * 3u);
    std::vector<uint8_t> rgba;
    for (size_t p = 0; p < rgb.size() / 3; ++p)
        rgba.insert(rgba.end(), {rgb[3 * p], rgb[3 * p + 1], rgb[3 * p + 2], 255});
    EXPECT_EQ(PaletteFiles::ReadSwatch(rgba, 256, 256).colours, colours);
    std::vector<uint8_t> small;
    for (size_t i = 0; i < 256; ++i)
        small.insert(small.end(), {colours[3 * i], colours[3 * i + 1], colours[3 * i + 2], 255});
    EXPECT_EQ(PaletteFiles::ReadSwatch(small, 16, 16).colours, colours);
}

TEST(PaletteFiles, WhatIsNoPaletteIsRefusedWithTheLineAndBadBytesNeverCrash)
{
    EXPECT_EQ(PaletteFiles::ReadGpl("JASC-PAL\n0 0 0\n").problem,
              "line 1: not a GIMP palette (it starts with \"GIMP Palette\")");
    EXPECT_EQ(PaletteFiles::ReadGpl("GIMP Palette\n1 2 3\n1 2 256\n").problem,
              "line 3: give red, green and blue, each 0 to 255");
    EXPECT_EQ(PaletteFiles::ReadGpl("GIMP Palette\n1 2\n").problem, "line 2: give red, green and blue, each 0 to 255");
    EXPECT_EQ(PaletteFiles::ReadGpl("GIMP Palette\n-1 2 3\n").problem, "line 2: give red, green and blue, each 0 to 255");
    EXPECT_EQ(PaletteFiles::ReadGpl("GIMP Palette\nName: x\n").problem, "the palette holds no colour");
    EXPECT_EQ(PaletteFiles::ReadGpl("").problem, "empty, not a GIMP palette");
    std::string many = "GIMP Palette\n";
    for (int i = 0; i < 257; ++i)
        many += "1 2 3\n";
    EXPECT_EQ(PaletteFiles::ReadGpl(many).problem, "line 258: more than 256 colours, more than a PALT holds");
    EXPECT_FALSE(PaletteFiles::ReadGpl(std::string(PaletteFiles::kMaxGplBytes + 1, '\n')).read);
    EXPECT_EQ(PaletteFiles::ReadSwatch(std::vector<uint8_t>(100 * 100 * 4), 100, 100).problem,
              "100 x 100 pixels, not a swatch: 16 x 16 square cells, a colour each (256 x 256 as written)");
    EXPECT_FALSE(PaletteFiles::ReadSwatch(std::vector<uint8_t>(10), 16, 16).read);
    // A side whose pixel count wraps to the bytes given: refused, not read past them.
    EXPECT_FALSE(PaletteFiles::ReadSwatch({}, 0x80000000u, 0x80000000u).read);

    // Every cut of a real palette and random bytes: read or refused, never more.
    const std::string gpl = PaletteFiles::WriteGpl(Ramp(), "x");
    for (size_t cut = 0; cut < gpl.size(); cut += 7) {
        const PaletteFileRead read = PaletteFiles::ReadGpl(gpl.substr(0, cut));
        EXPECT_LE(read.count, 256u);
        EXPECT_EQ(read.read, read.problem.empty());
    }
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes = "GIMP Palette\n";
        for (int i = 0; i < 300; ++i)
            bytes.push_back(static_cast<char>(random() % 64 + ' ' - (random() % 9 == 0 ? 22 : 0)));
        const PaletteFileRead read = PaletteFiles::ReadGpl(bytes);
        EXPECT_EQ(read.read, read.problem.empty());
        EXPECT_LE(read.count, 256u);
    }
}

// The farthest any drawn colour of `rgba` lies from its nearest palette colour.
double FarthestFrom(const PaltColours& palette, const std::vector<uint8_t>& rgba)
{
    double farthest = 0;
    for (size_t p = 0; p < rgba.size() / 4; ++p) {
        if (rgba[4 * p + 3] == 0)
            continue;
        double nearest = 1e9;
        for (size_t i = 0; i < 256; ++i) {
            const double dr = rgba[4 * p] - palette[3 * i], dg = rgba[4 * p + 1] - palette[3 * i + 1],
                         db = rgba[4 * p + 2] - palette[3 * i + 2];
            nearest = std::min(nearest, std::sqrt(dr * dr + dg * dg + db * db));
        }
        farthest = std::max(farthest, nearest);
    }
    return farthest;
}

TEST(PaletteBuilder, FewColoursAreKeptExactlyAndManyAreQuantisedCloseToEveryPixel)
{
    PaletteBuilder few;
    // Two colours shown; a transparent pixel's colour does not count.
    few.Add(std::vector<uint8_t>{0, 200, 0, 255, 9, 9, 9, 0, 0, 200, 0, 128, 40, 80, 40, 60});
    ASSERT_EQ(few.ColourCount(), 2u);
    const std::optional<PaltColours> exact = few.Build();
    ASSERT_TRUE(exact);
    EXPECT_EQ((std::vector<uint8_t>(exact->begin(), exact->begin() + 9)),
              (std::vector<uint8_t>{0, 200, 0, 40, 80, 40, 0, 0, 0}));

    // A green-tinted gradient of 64 x 64 colours over two frames.
    std::vector<uint8_t> first, second;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            std::vector<uint8_t>& picture = y < 32 ? first : second;
            picture.insert(picture.end(), {static_cast<uint8_t>(x * 2), static_cast<uint8_t>(128 + y * 2),
                                           static_cast<uint8_t>(x + y), 255});
        }
    PaletteBuilder many;
    many.Add(first);
    many.Add(second);
    ASSERT_EQ(many.ColourCount(), 4096u);
    const std::optional<PaltColours> built = many.Build();
    ASSERT_TRUE(built);
    EXPECT_LT(FarthestFrom(*built, first), 12.0);
    EXPECT_LT(FarthestFrom(*built, second), 12.0);
}

} // namespace
} // namespace vorn

#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "sprites/contact_sheet.h"
#include "sprites/label_font.h"
#include "sprites/preview_pan.h"
#include "sprites/rgb_image.h"
#include "sprites/object_renderer.h"
#include "testing/object_fixture.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::Chunk;
using testing::DgrpChunk;
using testing::ObjdChunk;
using testing::Placement;
using testing::SolidFrame;

// Chair (128): in direction d at zoom z a (2 + d) x (1 + z) block of colour
// 1, except direction 6 at zoom 2, whose second placement names a missing
// sprite. Stool (129): draw group 3000 serves no view.
std::vector<uint8_t> Objects()
{
    std::vector<testing::Spr2ChunkFrame> frames;
    std::vector<testing::DgrpImageDesc> images;
    for (uint32_t zoom = 1; zoom <= 3; ++zoom)
        for (uint32_t direction = 0; direction < 8; direction += 2) {
            const auto index = static_cast<uint32_t>(frames.size());
            frames.push_back(SolidFrame(static_cast<uint16_t>(2 + direction), static_cast<uint16_t>(1 + zoom), 1, 50));
            images.push_back({1u << direction, zoom, {Placement(300, index, 0, 0)}});
        }
    images[6].sprites.push_back(Placement(301, 0, 0, 0));
    testing::IffFileLayout layout;
    layout.chunks = {
        ObjdChunk(128, "Chair", 2000, 1),
        Chunk("DGRP", 2000, testing::BuildDgrp(20004, images)),
        ObjdChunk(129, "Stool", 3000, 1),
        DgrpChunk(3000, 0, 1, {Placement(300, 0, 0, 0)}),
        Chunk("SPR2", 300, testing::BuildSpr2(1, frames)),
        Chunk("PALT", 1, testing::BuildPalt({0, 0, 0, 200, 10, 20})),
    };
    return testing::BuildIffFile(layout);
}

class SheetFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        IffParseError error = IffParseError::None;
        ASSERT_TRUE(file.Open(Objects(), error, true));
        ASSERT_TRUE(catalogue.Build(&file));
    }
    const ObjectEntry& Entry(uint16_t id) const
    {
        return *std::find_if(catalogue.Entries().begin(), catalogue.Entries().end(),
                             [id](const ObjectEntry& e) { return e.chunkId == id; });
    }

    CIffFileRef file;
    CObjectCatalogue catalogue;
};

// The band's pixels of one cell, top row first.
std::vector<uint8_t> CellPixels(const std::vector<uint8_t>& rgb, int32_t width, const ContactSheetBand::Cell& cell)
{
    std::vector<uint8_t> pixels;
    for (int32_t y = cell.y; y < cell.y + cell.height; ++y) {
        const auto row = rgb.begin() + (static_cast<ptrdiff_t>(y) * width + cell.x) * 3;
        pixels.insert(pixels.end(), row, row + cell.width * 3);
    }
    return pixels;
}

TEST_F(SheetFixture, EachCellIsThePreviewOfItsViewAtTheCellsSize)
{
    const ContactSheetBand band(catalogue, Entry(128), 0, "chair");
    ASSERT_TRUE(band.HasCells());
    const int32_t width = band.Width() + 7;
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3 * static_cast<size_t>(band.Height()));
    RenderTarget scratch;
    const ContactSheetBand::Outcome outcome = band.Draw(catalogue, Entry(128), rgb, width, scratch);
    EXPECT_EQ(outcome.completeViews, 11);
    EXPECT_TRUE(outcome.drewAnything);
    EXPECT_EQ(outcome.report.Summary(), "Not drawn: sprite 301 frame 0");

    int32_t right = 0;
    for (int i = 0; i < ContactSheetBand::kViews; ++i) {
        SCOPED_TRACE(i);
        const PreviewView view = ContactSheetBand::ViewOf(0, i);
        EXPECT_EQ(view.direction, 2 * (i % 4));
        EXPECT_EQ(view.zoom, 1 + i / 4);
        const ContactSheetBand::Cell cell = band.CellAt(i);
        EXPECT_GT(cell.x, right) << "cells do not overlap";
        right = cell.x + cell.width;
        RenderTarget expected;
        ASSERT_TRUE(expected.Allocate(cell.width, cell.height, 32));
        const BoundsRect bounds = ObjectBounds(catalogue, Entry(128), 0, view.direction, view.zoom);
        EXPECT_GE(cell.width, bounds.right - bounds.left);
        PaintPreview(expected, catalogue, Entry(128), view, RecentrePan(cell.width, cell.height, bounds));
        std::vector<uint8_t> want = ColourPlaneToRgb(expected);
        if (i == 6) {
            // The view that cannot be drawn completely is framed in red.
            const std::vector<uint8_t> got = CellPixels(rgb, width, cell);
            EXPECT_EQ((std::vector<uint8_t>(got.begin(), got.begin() + 3)), (std::vector<uint8_t>{0xD0, 0, 0}));
            for (int32_t y = 2; y < cell.height - 2; ++y)
                for (int32_t x = 2; x < cell.width - 2; ++x)
                    for (int c = 0; c < 3; ++c) {
                        const size_t at = (static_cast<size_t>(y) * cell.width + x) * 3 + c;
                        ASSERT_EQ(got[at], want[at]) << x << "," << y;
                    }
            continue;
        }
        EXPECT_EQ(CellPixels(rgb, width, cell), want);
    }
    EXPECT_LE(right, band.Width());
}

TEST_F(SheetFixture, ABandWithNothingToDrawIsItsLinesAlone)
{
    const ContactSheetBand empty(catalogue, Entry(129), 0, "stool");
    const ContactSheetBand full(catalogue, Entry(128), 0, "chair");
    EXPECT_FALSE(empty.HasCells());
    EXPECT_LT(empty.Height(), full.Height());
    const int32_t width = full.Width();
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3 * static_cast<size_t>(empty.Height()));
    RenderTarget scratch;
    const ContactSheetBand::Outcome outcome = empty.Draw(catalogue, Entry(129), rgb, width, scratch);
    EXPECT_EQ(outcome.completeViews, 0);
    EXPECT_FALSE(outcome.drewAnything);
    EXPECT_EQ(outcome.report.Summary(), "Not drawn: draw group 3000 in this view");
    // A buffer too small for the band is left alone.
    std::vector<uint8_t> small(static_cast<size_t>(width) * 3, 7);
    EXPECT_EQ(empty.Draw(catalogue, Entry(129), small, width, scratch).completeViews, 0);
    EXPECT_EQ(small, std::vector<uint8_t>(small.size(), 7));
}

TEST(LabelFont, DrawsGlyphsClippedToThePicture)
{
    EXPECT_EQ(LabelFont::Width(""), 0);
    EXPECT_EQ(LabelFont::Width("abc"), 17);
    constexpr int32_t kWidth = 8;
    constexpr int32_t kHeight = 9;
    std::vector<uint8_t> rgb(kWidth * kHeight * 3, 0);
    LabelFont::Draw(rgb, kWidth, kHeight, 1, 1, "I", 0x102030);
    // "I": a bar of three above and below a stem of five.
    int lit = 0;
    for (size_t p = 0; p < rgb.size(); p += 3)
        lit += rgb[p] == 0x10 && rgb[p + 1] == 0x20 && rgb[p + 2] == 0x30 ? 1 : 0;
    EXPECT_EQ(lit, 11);
    EXPECT_EQ(rgb[(1 * kWidth + 2) * 3], 0x10); // the top bar starts one pixel in
    EXPECT_EQ(rgb[(1 * kWidth + 1) * 3], 0);
    // Off every edge, and a byte outside ASCII: nothing is written out of bounds.
    LabelFont::Draw(rgb, kWidth, kHeight, -3, -4, "\xe9WW", 0xFFFFFF);
    LabelFont::Draw(rgb, kWidth, kHeight, 6, 6, "Mm", 0xFFFFFF);
    LabelFont::Draw(rgb, kWidth, kHeight, 0, 0, "x", 0xFFFFFF);
    EXPECT_EQ(rgb.size(), static_cast<size_t>(kWidth * kHeight * 3));
}

} // namespace
} // namespace vorn

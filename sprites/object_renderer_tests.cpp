#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "sprites/draw_sprite.h"
#include "sprites/object_renderer.h"
#include "sprites/preview_pan.h"
#include "testing/object_fixture.h"

#include <gtest/gtest.h>

#include <climits>

namespace vorn {
namespace {

using testing::Chunk;
using testing::DgrpChunk;
using testing::ObjdChunk;
using testing::Placement;
using testing::SolidFrame;

// Palette 1: colour 1 red, 2 green, 3 blue, 4 white. Palette 2: colour 1 grey.
std::vector<uint8_t> Palette1() { return testing::BuildPalt({0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}); }
std::vector<uint8_t> Palette2() { return testing::BuildPalt({0, 0, 0, 128, 128, 128}); }

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kNothing = 0x000000;

class RenderFixture : public ::testing::Test {
protected:
    void Open(std::vector<testing::IffChunkDesc> chunks)
    {
        testing::IffFileLayout layout;
        layout.chunks = std::move(chunks);
        IffParseError error = IffParseError::None;
        ASSERT_TRUE(file.Open(testing::BuildIffFile(layout), error, true));
        catalogue.Build(&file);
        ASSERT_TRUE(target.Allocate(300, 200, 32));
    }
    const ObjectEntry& Entry(uint16_t chunkId)
    {
        for (const ObjectEntry& entry : catalogue.Entries())
            if (entry.chunkId == chunkId)
                return entry;
        ADD_FAILURE() << "no entry " << chunkId;
        return catalogue.Entries().front();
    }
    uint32_t At(int x, int y) const
    {
        const uint8_t* p = target.ColourRowFromTop(y) + 4 * x;
        return (p[2] << 16) | (p[1] << 8) | p[0];
    }
    int Coloured() const
    {
        int count = 0;
        for (int y = 0; y < target.Height(); ++y)
            for (int x = 0; x < target.Width(); ++x)
                count += At(x, y) != 0 ? 1 : 0;
        return count;
    }
    bool Draw(uint16_t chunkId, int32_t graphic, int direction, int zoom, int32_t x = 100, int32_t y = 100)
    {
        target.x = x;
        target.y = y;
        return DrawObject(catalogue, Entry(chunkId), graphic, direction, zoom, target);
    }

    CIffFileRef file;
    CObjectCatalogue catalogue;
    RenderTarget target;
};

// Sprite 300: frame 0 red at depth 200, frame 1 green at depth 10 (1x1
// each), frame 2 a 2x1 of red then blue without depth.
testing::IffChunkDesc Sprites()
{
    auto twoColours = SolidFrame(2, 1, 1, std::nullopt);
    twoColours.pixels = {0x00, 0x00, 0x02, 0xC0, 1, 3, 0x00, 0xA0};
    return Chunk("SPR2", 300, testing::BuildSpr2(1, {SolidFrame(1, 1, 1, 200), SolidFrame(1, 1, 2, 10), twoColours}));
}

// A two-tile group (master 7): leader 500, tile (0,0) draws frame 0 at its
// origin; tile (1,0) draws frame 1 at its origin and twice more shifted by
// one tile step either way, so that one of those lands on the other tile's
// pixel in directions 4 and 0.
std::vector<testing::IffChunkDesc> TwoTileObject(uint16_t secondTileGraphics = 1)
{
    constexpr uint32_t kAll = 0xFF;
    return {
        ObjdChunk(500, "Table", 0, 1, 7, -1),
        ObjdChunk(501, "Table tile 0", 1000, 2, 7, 0x0000),
        ObjdChunk(502, "Table tile 1", 1100, secondTileGraphics, 7, 0x0001),
        DgrpChunk(1000, kAll, 3, {Placement(300, 0, 0, 0)}),
        DgrpChunk(1001, kAll, 3, {Placement(300, 1, 0, 0)}),
        DgrpChunk(1100, kAll, 3, {Placement(300, 1, 0, 0), Placement(300, 1, -64, 32), Placement(300, 1, 64, -32)}),
        Sprites(),
        Chunk("PALT", 1, Palette1()),
    };
}

TEST_F(RenderFixture, DirectionFourDrawsTheFarTileFirstUpAndToTheRight)
{
    Open(TwoTileObject());
    ASSERT_TRUE(Draw(500, 0, 4, 3));
    // Tile (1,0): key 1, 64 pixels right and 32 up; a 1x1 frame ends at y - 1.
    EXPECT_EQ(At(164, 67), kGreen);
    EXPECT_EQ(At(228, 35), kGreen);
    // Tile (0,0) afterwards at the origin, over the green pixel shifted onto it
    // although its depth (200) is farther than green's (10).
    EXPECT_EQ(At(100, 99), kRed);
    EXPECT_EQ(Coloured(), 3);
    EXPECT_EQ(target.DepthRowFromTop(99)[100], 255); // reset after the last tile too
    EXPECT_EQ(ObjectBounds(catalogue, Entry(500), 0, 4, 3), (BoundsRect{0, -65, 129, 0}));
}

TEST_F(RenderFixture, DirectionZeroDrawsTheNearTileLastDownAndToTheLeft)
{
    Open(TwoTileObject());
    ASSERT_TRUE(Draw(500, 0, 0, 3));
    EXPECT_EQ(At(36, 131), kGreen);
    EXPECT_EQ(At(100, 99), kGreen); // drawn after (0,0), over it
    EXPECT_EQ(Coloured(), 2);       // the third placement lies left of the picture
    EXPECT_EQ(ObjectBounds(catalogue, Entry(500), 0, 0, 3), (BoundsRect{-128, -1, 1, 64}));
}

TEST(TilePlacement, ZoomSetsTheTileStep)
{
    TilePlacement placement;
    ASSERT_TRUE(PlaceTile(4, 1, 0x0001, placement));
    EXPECT_EQ(placement.dx, 16);
    EXPECT_EQ(placement.dy, -8);
    ASSERT_TRUE(PlaceTile(2, 2, 0x0102, placement)); // x 2, y 1
    EXPECT_EQ(placement.key, 1);
    EXPECT_EQ(placement.dx, 2 * 16 * (-2 - 1));
    EXPECT_EQ(placement.dy, -16);
    EXPECT_FALSE(PlaceTile(1, 3, 0, placement));
    EXPECT_FALSE(PlaceTile(4, 0, 0, placement));
}

TEST_F(RenderFixture, ATileWithoutTheGraphicIsLeftOut)
{
    // Graphic 1 exists for tile (0,0) only; tile (1,0) has one graphic and
    // no draw group 1101, which drawing it would need.
    Open(TwoTileObject(1));
    EXPECT_EQ(Entry(500).graphicCount, 2);
    ASSERT_TRUE(Draw(500, 1, 4, 3));
    EXPECT_EQ(At(100, 99), kGreen);
    EXPECT_EQ(Coloured(), 1);
    EXPECT_EQ(ObjectBounds(catalogue, Entry(500), 1, 4, 3), (BoundsRect{0, -1, 1, 0}));
    // With the tile claiming the graphic, its missing draw group fails the
    // drawing; the other tile is still drawn and measured.
    Open(TwoTileObject(2));
    DrawReport report;
    target.x = 100;
    target.y = 100;
    EXPECT_FALSE(DrawObject(catalogue, Entry(500), 1, 4, 3, target, &report));
    EXPECT_EQ(At(100, 99), kGreen);
    EXPECT_EQ(Coloured(), 1);
    EXPECT_EQ(report.Summary(), "Not drawn: draw group 1101");
    EXPECT_EQ(ObjectBounds(catalogue, Entry(500), 1, 4, 3), (BoundsRect{0, -1, 1, 0}));
}

TEST_F(RenderFixture, SingleObjectsAndTheirFailures)
{
    Open({ObjdChunk(128, "Chair", 2000, 1), DgrpChunk(2000, 0x10, 2, {Placement(300, 2, 5, 3, 1)}), Sprites(),
          Chunk("PALT", 1, Palette1())});
    ASSERT_TRUE(Draw(128, 0, 4, 2));
    // Mirrored: red, blue becomes blue, red, one row above y + 3.
    EXPECT_EQ(At(105, 102), kBlue);
    EXPECT_EQ(At(106, 102), kRed);
    EXPECT_EQ(ObjectBounds(catalogue, Entry(128), 0, 4, 2), (BoundsRect{5, 2, 7, 3}));
    // Graphic index equal to the count, another direction or zoom: nothing.
    target.FillColour(0, 0, 0);
    EXPECT_FALSE(Draw(128, 1, 4, 2));
    EXPECT_FALSE(Draw(128, 0, 2, 2));
    EXPECT_FALSE(Draw(128, 0, 4, 3));
    EXPECT_EQ(Coloured(), 0);
    const BoundsRect none = ObjectBounds(catalogue, Entry(128), 1, 4, 2);
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(RecentrePan(400, 300, none), (PreviewPan{200, 150}));
}

TEST_F(RenderFixture, AnEntryWhoseObjdIsGoneIsNotDrawn)
{
    Open({ObjdChunk(128, "Chair", 2000, 1), DgrpChunk(2000, 0x1, 1, {Placement(300, 0, 0, 0)}), Sprites(),
          Chunk("PALT", 1, Palette1())});
    ObjectEntry stranger = Entry(128);
    stranger.chunkId = 129;
    EXPECT_FALSE(DrawObject(catalogue, stranger, 0, 0, 1, target));
    ObjectEntry tile = Entry(128);
    tile.single = false;
    EXPECT_FALSE(DrawObject(catalogue, tile, 0, 0, 1, target));
    CObjectCatalogue empty;
    EXPECT_FALSE(DrawObject(empty, Entry(128), 0, 0, 1, target));
    EXPECT_TRUE(ObjectBounds(empty, Entry(128), 0, 0, 1).IsEmpty());
}

TEST_F(RenderFixture, EveryTileFailingDrawsNothingAndNamesEachTile)
{
    auto chunks = TwoTileObject();
    // Tile (0,0)'s draw group serves no view at zoom 3; tile (1,0)'s is gone.
    chunks[3] = DgrpChunk(1000, 0xFF, 1, {Placement(300, 0, 0, 0)});
    chunks.erase(chunks.begin() + 5);
    Open(chunks);
    DrawReport report;
    target.x = 100;
    target.y = 100;
    EXPECT_FALSE(DrawObject(catalogue, Entry(500), 0, 4, 3, target, &report));
    EXPECT_EQ(Coloured(), 0);
    EXPECT_EQ(report.Summary(), "Not drawn: draw group 1100 and draw group 1000 in this view");
    EXPECT_TRUE(ObjectBounds(catalogue, Entry(500), 0, 4, 3).IsEmpty());

    // A single object names the graphic or object it lacks.
    report.Clear();
    ObjectEntry single = Entry(501);
    single.single = true;
    EXPECT_FALSE(DrawObject(catalogue, single, 5, 4, 3, target, &report));
    single.chunkId = 999;
    EXPECT_FALSE(DrawObject(catalogue, single, 0, 4, 3, target, &report));
    EXPECT_EQ(report.Summary(), "Not drawn: graphic 5 and object 999");
}

TEST_F(RenderFixture, EitherSpriteLayoutAndEitherPaletteHeaderDrawTheSamePixels)
{
    const auto frames = std::vector<testing::Spr2ChunkFrame>{SolidFrame(3, 2, 1, 200), SolidFrame(2, 4, 4, 9)};
    auto draw = [&](std::vector<uint8_t> sprite, uint32_t paletteVersion) {
        Open({ObjdChunk(128, "Chair", 2000, 1),
              DgrpChunk(2000, 0xFF, 2, {Placement(300, 0, 0, 0), Placement(300, 1, 2, 1, 1)}),
              Chunk("SPR2", 300, std::move(sprite)),
              Chunk("PALT", 1, testing::BuildPalt({0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255},
                                                  paletteVersion))});
        EXPECT_TRUE(Draw(128, 0, 6, 2));
        return std::vector<uint8_t>(target.ColourPlane(), target.ColourPlane() + target.ColourStride() * 200);
    };
    const auto reference = draw(testing::BuildSpr2(1, frames), 1);
    EXPECT_EQ(Coloured(), 12);
    EXPECT_EQ(draw(testing::BuildSpr2Sequential(1, frames), 0), reference);
    EXPECT_EQ(draw(testing::BuildSpr2Sequential(1, frames), 1), reference);
}

TEST(DrawReport, NamesEachPartOnceAndCountsTheRest)
{
    DrawReport report;
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(report.Summary(), "");
    report.Add({UndrawnPart::Kind::Frame, 0, 0});
    report.Add({UndrawnPart::Kind::Frame, 0, 0});
    EXPECT_EQ(report.Summary(), "Not drawn: sprite 0 frame 0");
    report.Add({UndrawnPart::Kind::Frame, 0, 1});
    report.Add({UndrawnPart::Kind::DrawGroup, 101, 0});
    EXPECT_EQ(report.Summary(), "Not drawn: sprite 0 frame 0, sprite 0 frame 1 and draw group 101");
    report.Add({UndrawnPart::Kind::View, 7, 0});
    report.Add({UndrawnPart::Kind::Object, 8, 0});
    EXPECT_EQ(report.Summary(), "Not drawn: sprite 0 frame 0, sprite 0 frame 1, draw group 101 and 2 more");
    EXPECT_FALSE(report.Complete());
    // Past the parts it keeps, the report only counts.
    for (uint32_t frame = 0; frame < 2 * DrawReport::kKeptParts; ++frame)
        report.Add({UndrawnPart::Kind::Frame, 9, frame});
    EXPECT_EQ(report.Parts().size(), DrawReport::kKeptParts);
    EXPECT_EQ(report.Summary(), "Not drawn: sprite 0 frame 0, sprite 0 frame 1, draw group 101 and " +
                                    std::to_string(2 * DrawReport::kKeptParts + 2) + " more");
    report.Clear();
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(report.Summary(), "");
}

class ImageFixture : public RenderFixture {
protected:
    void OpenImages(std::vector<testing::DgrpSpriteDesc> sprites, std::vector<testing::IffChunkDesc> more = {})
    {
        std::vector<testing::IffChunkDesc> chunks = {DgrpChunk(2000, 0x1, 1, std::move(sprites)), Sprites(),
                                                     Chunk("PALT", 1, Palette1())};
        chunks.insert(chunks.end(), more.begin(), more.end());
        Open(chunks);
        ASSERT_TRUE(group.Load(file, file.Find(kTypeDgrp, 2000)));
    }
    CDrawGroup group;
};

TEST_F(ImageFixture, PlacementsDrawInOrderAtTheirBottomEdges)
{
    OpenImages({Placement(300, 0, 0, 0), Placement(300, 1, 0, 0), Placement(300, 2, -3, 10)});
    ASSERT_TRUE(DrawImage(file, group, 0, target, 50, 40, 0));
    EXPECT_EQ(At(50, 39), kGreen); // later placement, nearer
    EXPECT_EQ(At(47, 49), kRed);
    EXPECT_EQ(At(48, 49), kBlue);
    EXPECT_EQ(ImageBounds(file, group, 0), (BoundsRect{-3, -1, 1, 10}));
    // The depth bias moves every frame: red at 200 + 56 is beyond the farthest.
    target.FillColour(0, 0, 0);
    target.FillDepth(255);
    ASSERT_TRUE(DrawImage(file, group, 0, target, 50, 40, 56));
    EXPECT_EQ(target.DepthRowFromTop(39)[50], 66);
    EXPECT_EQ(At(47, 49), kRed); // no depth test for frame 2
}

TEST_F(ImageFixture, APlacementThatCannotBeDrawnIsLeftOutAndTheRestDrawn)
{
    // Reference: the image without the bad placements.
    OpenImages({Placement(300, 0, 0, 0), Placement(300, 2, -3, 10)});
    ASSERT_TRUE(DrawImage(file, group, 0, target, 50, 40, 0));
    const std::vector<uint8_t> complete(target.ColourPlane(), target.ColourPlane() + target.ColourStride() * 200);
    EXPECT_EQ(ImageBounds(file, group, 0), (BoundsRect{-3, -1, 1, 10}));
    // A missing sprite, a frame beyond the sprite's, one whose palette is
    // missing and a sprite that does not parse, among the good ones.
    auto noPalette = SolidFrame(1, 1, 2, std::nullopt, 9);
    auto broken = testing::BuildSpr2(1, {SolidFrame(1, 1, 3, std::nullopt)});
    broken[0] = 0x99;
    OpenImages({Placement(301, 0, 0, 0), Placement(300, 0, 0, 0), Placement(300, 3, 7, 7),
                Placement(302, 0, 1, 1), Placement(300, 2, -3, 10), Placement(303, 0, 2, 2),
                Placement(300, 0x80000000u, 0, 0)},
               {Chunk("SPR2", 302, testing::BuildSpr2(9, {noPalette})), Chunk("SPR2", 303, broken)});
    DrawReport report;
    EXPECT_FALSE(DrawImage(file, group, 0, target, 50, 40, 0, &report));
    EXPECT_EQ(std::vector<uint8_t>(target.ColourPlane(), target.ColourPlane() + target.ColourStride() * 200),
              complete)
        << "every placement that can be drawn, exactly as without the others";
    // The placements that cannot be had come first, those that fail to draw after them.
    using Kind = UndrawnPart::Kind;
    EXPECT_EQ(report.Parts(), (std::vector<UndrawnPart>{{Kind::Frame, 301, 0}, {Kind::Frame, 300, 3},
                                                        {Kind::Frame, 303, 0}, {Kind::Frame, 300, 0x80000000u},
                                                        {Kind::Frame, 302, 0}}));
    EXPECT_EQ(report.Summary(), "Not drawn: sprite 301 frame 0, sprite 300 frame 3, sprite 303 frame 0 and 2 more");
    // The bounds take the frames that can be had (302's frame has a size,
    // only its palette is missing).
    EXPECT_EQ(ImageBounds(file, group, 0), (BoundsRect{-3, -1, 2, 10}));
    EXPECT_FALSE(DrawImage(file, group, 1, target, 50, 40, 0));
    RenderTarget none;
    EXPECT_FALSE(DrawImage(file, group, 0, none, 50, 40, 0));

    // Nothing that can be drawn: nothing drawn, no bounds.
    OpenImages({Placement(301, 0, 0, 0), Placement(300, 3, 0, 0)});
    EXPECT_FALSE(DrawImage(file, group, 0, target, 50, 40, 0));
    EXPECT_EQ(Coloured(), 0);
    EXPECT_TRUE(ImageBounds(file, group, 0).IsEmpty());
}

TEST_F(ImageFixture, AFrameOfWidthZeroHasNoBoundsButIsStillDecoded)
{
    auto flat = SolidFrame(1, 1, 4, std::nullopt);
    flat.width = 0;
    OpenImages({Placement(301, 0, 0, 0)}, {Chunk("SPR2", 301, testing::BuildSpr2(1, {flat}))});
    EXPECT_TRUE(ImageBounds(file, group, 0).IsEmpty());
    ASSERT_TRUE(DrawImage(file, group, 0, target, 10, 10, 0));
    EXPECT_EQ(At(10, 9), 0xFFFFFFu);
}

TEST_F(ImageFixture, BoundsWrapInThirtyTwoBits)
{
    OpenImages({Placement(300, 2, INT32_MAX, INT32_MIN)});
    EXPECT_EQ(ImageBounds(file, group, 0), (BoundsRect{INT32_MAX, INT32_MAX, INT32_MIN + 1, INT32_MIN}));
    // Drawn far outside the picture: nothing, and no failure.
    EXPECT_TRUE(DrawImage(file, group, 0, target, 10, 10, 0));
    EXPECT_EQ(Coloured(), 0);
}

TEST_F(ImageFixture, FramesTakeTheirOwnPaletteBeforeTheSprites)
{
    auto own = SolidFrame(1, 1, 1, std::nullopt, 2);
    auto missing = SolidFrame(1, 1, 1, std::nullopt, 9);
    OpenImages({Placement(301, 0, 0, 0), Placement(301, 1, 1, 0)},
               {Chunk("SPR2", 301, testing::BuildSpr2(1, {own, missing})), Chunk("PALT", 2, Palette2())});
    ASSERT_TRUE(DrawImage(file, group, 0, target, 10, 10, 0));
    EXPECT_EQ(At(10, 9), 0x808080u); // palette 2
    EXPECT_EQ(At(11, 9), kRed);      // palette 9 is missing: the sprite's palette 1
}

class PaletteFixture : public RenderFixture {
protected:
    bool DrawWith(std::vector<uint8_t> palette)
    {
        Open({Sprites(), Chunk("PALT", 1, std::move(palette))});
        CSpr2Sprite sprite;
        EXPECT_TRUE(sprite.Load(file, file.Find(kTypeSpr2, 300)));
        Spr2Frame frame;
        EXPECT_TRUE(sprite.GetFrame(0, frame));
        target.x = 0;
        target.y = 0;
        return DrawSprite(file, frame, target, sprite.PaletteId());
    }
};

TEST_F(PaletteFixture, MalformedPalettesMakeTheSpriteUndrawable)
{
    EXPECT_TRUE(DrawWith(Palette1()));
    EXPECT_FALSE(DrawWith(testing::BuildPalt({}, 2)));
    EXPECT_FALSE(DrawWith(testing::BuildPalt({}, 1, 255)));
    // One colour byte short of 256 colours: refused rather than read beyond the chunk.
    std::vector<uint8_t> shortPalette = Palette1();
    shortPalette.resize(16 + 767);
    EXPECT_FALSE(DrawWith(shortPalette));
    shortPalette.resize(16 + 768);
    EXPECT_TRUE(DrawWith(shortPalette));
    EXPECT_FALSE(DrawWith(std::vector<uint8_t>(8, 0)));
}

TEST_F(PaletteFixture, NoPaletteOrNoPlanesFail)
{
    Open({Sprites()});
    CSpr2Sprite sprite;
    ASSERT_TRUE(sprite.Load(file, file.Find(kTypeSpr2, 300)));
    Spr2Frame frame;
    ASSERT_TRUE(sprite.GetFrame(0, frame));
    EXPECT_FALSE(DrawSprite(file, frame, target, sprite.PaletteId()));
    Open({Sprites(), Chunk("PALT", 1, Palette1())});
    RenderTarget none;
    EXPECT_FALSE(DrawSprite(file, frame, none, 1));
    EXPECT_TRUE(DrawSprite(file, frame, target, 1));
}

} // namespace
} // namespace vorn

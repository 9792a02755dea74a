#include "sprites/sprite_import.h"

#include "iff/type_codes.h"
#include "sprites/frame_export.h"
#include "sprites/iff_edit_service.h"
#include "testing/iff_fixtures.h"
#include "testing/object_fixture.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using namespace vorn::testing;

// PALT 9 holds browns only; SPR2 40 and 41 are drawn with it (41's frame in colour 7).
IffEditService& Open(IffEditService& service)
{
    std::vector<uint8_t> colours(768, 0);
    const uint8_t brown[] = {200, 100, 50};
    const uint8_t dark[] = {10, 20, 30};
    std::copy(std::begin(dark), std::end(dark), colours.begin() + 3);
    std::copy(std::begin(brown), std::end(brown), colours.begin() + 21);
    IffFileLayout layout;
    layout.chunks = {Chunk("PALT", 9, BuildPalt(colours)),
                     Chunk("SPR2", 40, BuildSpr2(9, {SolidFrame(2, 1, 1, 0x40, 9)})),
                     Chunk("SPR2", 41, BuildSpr2(9, {SolidFrame(1, 1, 7, std::nullopt, 9)}))};
    EXPECT_EQ(service.Open(BuildIffFile(layout)), IffOpenResult::Opened);
    return service;
}

std::vector<uint8_t> Bytes(IffEditService& service, uint32_t type, uint16_t id)
{
    const std::span<const uint8_t> data = *service.Data(*service.Find(type, id));
    return {data.begin(), data.end()};
}

// The RGBA the stored frame draws, through PALT 9.
std::vector<uint8_t> Drawn(IffEditService& service, uint16_t sprite)
{
    SpriteImport import(service);
    ImportedSprite* loaded = import.Load(service.Find(kTypeSpr2, sprite));
    Spr2Frame frame;
    EXPECT_TRUE(loaded != nullptr && loaded->sprite.GetFrame(0, frame));
    ExportedFrame out;
    EXPECT_EQ(ExportFrame(frame, PaletteColours(import.PaletteOf(*loaded, frame), 768), out), FrameExportResult::Complete);
    return out.rgba;
}

SpriteImportResult ImportGreen(IffEditService& service, bool rebuild, uint32_t width = 2)
{
    SpriteImport import(service);
    ImportedSprite* loaded = import.Load(service.Find(kTypeSpr2, 40));
    Spr2Frame frame;
    EXPECT_TRUE(loaded != nullptr && loaded->sprite.GetFrame(0, frame));
    // Green where the palette has none, then the palette's brown.
    std::vector<uint8_t> rgba;
    for (uint32_t x = 0; x < width; ++x)
        rgba.insert(rgba.end(), {static_cast<uint8_t>(x == 0 ? 0 : 200), static_cast<uint8_t>(x == 0 ? 200 : 100),
                                 static_cast<uint8_t>(x == 0 ? 0 : 50), 255});
    import.AddFrame(*loaded, 0, frame, false, "green.png", width, 1, rgba, std::vector<uint8_t>(width, 0x40));
    return import.Finish(rebuild);
}

TEST(SpriteImport, AColourThePaletteLacksIsMeasuredAndARebuiltPaletteKeepsItAndTheOtherFramesLook)
{
    IffEditService kept;
    Open(kept);
    const std::vector<uint8_t> palette = Bytes(kept, kTypePalt, 9);
    const SpriteImportResult keep = ImportGreen(kept, false);
    ASSERT_FALSE(keep.problem) << *keep.problem;
    EXPECT_TRUE(keep.changed);
    EXPECT_TRUE(keep.rebuilt.empty());
    ASSERT_EQ(keep.frames.size(), 1u);
    EXPECT_EQ(keep.frames[0].sprite, 40);
    EXPECT_EQ(keep.frames[0].palette, 9);
    EXPECT_EQ(keep.frames[0].drift.pixels, 1u) << "the brown pixel is the palette's own";
    // Green (0, 200, 0) came out as the nearest of black, (10, 20, 30) and brown.
    EXPECT_GE(keep.frames[0].drift.largest, 180u);
    EXPECT_EQ(Bytes(kept, kTypePalt, 9), palette);

    IffEditService rebuilt;
    Open(rebuilt);
    const std::vector<uint8_t> other = Drawn(rebuilt, 41);
    const SpriteImportResult rebuild = ImportGreen(rebuilt, true);
    ASSERT_FALSE(rebuild.problem) << *rebuild.problem;
    ASSERT_EQ(rebuild.rebuilt.size(), 1u);
    EXPECT_EQ(rebuild.rebuilt[0].id, 9);
    EXPECT_EQ(rebuild.rebuilt[0].frames, 2u);
    EXPECT_EQ(rebuild.rebuilt[0].colours, 2u);
    ASSERT_EQ(rebuild.frames.size(), 2u);
    EXPECT_EQ(rebuild.frames[0].drift.pixels, 0u);
    EXPECT_FALSE(rebuild.frames[0].redrawn);
    EXPECT_EQ(rebuild.frames[1].sprite, 41);
    EXPECT_TRUE(rebuild.frames[1].redrawn);
    EXPECT_EQ(Drawn(rebuilt, 40), (std::vector<uint8_t>{0, 200, 0, 255, 200, 100, 50, 255}));
    EXPECT_EQ(Drawn(rebuilt, 41), other) << "drawn again with the new colours, it looks as before";
}

TEST(SpriteImport, AnImportThatFailsHalfwayLeavesThePalettesAndSpritesAsTheyWere)
{
    IffEditService service;
    Open(service);
    const std::vector<uint8_t> palette = Bytes(service, kTypePalt, 9);
    const std::vector<uint8_t> sprite40 = Bytes(service, kTypeSpr2, 40);
    const std::vector<uint8_t> sprite41 = Bytes(service, kTypeSpr2, 41);
    // A row of 9,000 depth-tested pixels is more than an SPR2 row holds; the
    // palette was rebuilt before the frame was found too wide.
    const SpriteImportResult result = ImportGreen(service, true, 9000);
    ASSERT_TRUE(result.problem);
    EXPECT_TRUE(result.problem->starts_with("Row 0 of \"green.png\" takes ")) << *result.problem;
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(Bytes(service, kTypePalt, 9), palette);
    EXPECT_EQ(Bytes(service, kTypeSpr2, 40), sprite40);
    EXPECT_EQ(Bytes(service, kTypeSpr2, 41), sprite41);
}

} // namespace
} // namespace vorn

#include "iff/fix_colors.h"
#include "iff/iff_file_ref.h"
#include "iff/spr2_sprite.h"
#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

testing::Spr2ChunkFrame FrameWithPalette(uint16_t paletteId)
{
    testing::Spr2ChunkFrame frame;
    frame.width = 1;
    frame.height = 1;
    frame.paletteId = paletteId;
    frame.pixels = {0x00, 0xA0};
    return frame;
}

std::vector<uint16_t> PaletteIds(CIffFileRef& file, uint16_t id)
{
    CSpr2Sprite sprite;
    EXPECT_TRUE(sprite.Load(file, file.Find(kTypeSpr2, id)));
    std::vector<uint16_t> ids;
    Spr2Frame frame;
    for (int i = 0; sprite.GetFrame(i, frame); ++i)
        ids.push_back(frame.paletteId);
    return ids;
}

TEST(FixColors, EveryFrameGetsTheFixedPaletteAndBrokenSpritesAreReportedAndKept)
{
    CIffFileRef file;
    file.File()->AddChunk(kTypeSpr2, 1, 0x10, "a",
                          testing::BuildSpr2(9, {FrameWithPalette(9), FrameWithPalette(kFixedPaletteId)}));
    const std::vector<uint8_t> broken = testing::BuildSpr2(9, {FrameWithPalette(9)}, true, 999);
    file.File()->AddChunk(kTypeSpr2, 2, 0x10, "broken", broken);
    file.File()->AddChunk(kTypeSpr2, 3, 0x10, "b", testing::BuildSpr2(4, {FrameWithPalette(0)}));

    const FixColorsResult result = FixColors(file);
    EXPECT_EQ(result.changedFrames, 2u); // the frame already fixed does not count
    EXPECT_EQ(result.unloadableSprites, std::vector<uint16_t>{2});
    EXPECT_EQ(PaletteIds(file, 1), (std::vector<uint16_t>{kFixedPaletteId, kFixedPaletteId}));
    EXPECT_EQ(PaletteIds(file, 3), std::vector<uint16_t>{kFixedPaletteId});
    const auto kept = file.Find(kTypeSpr2, 2)->Bytes();
    EXPECT_EQ(std::vector<uint8_t>(kept.begin(), kept.end()), broken);

    // A second pass finds nothing left to change but still rewrites the sprites.
    const FixColorsResult again = FixColors(file);
    EXPECT_FALSE(again.Changed());
    EXPECT_EQ(again.unloadableSprites.size(), 1u);
}

} // namespace
} // namespace vorn

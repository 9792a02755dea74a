#include "base/endian.h"
#include "iff/draw_group.h"
#include "iff/iff_file_ref.h"
#include "iff/iff_file_table.h"
#include "iff/object_catalogue.h"
#include "iff/object_definition.h"
#include "iff/palt_palette.h"
#include "iff/spr2_sprite.h"
#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"

#include <gtest/gtest.h>

#include <random>

namespace vorn {
namespace {

using namespace vorn::testing;

std::vector<uint8_t> RichFile()
{
    Spr2ChunkFrame frame;
    frame.width = 2;
    frame.height = 2;
    frame.pixels = {0x00, 0xA0, 1, 2, 3};
    IffFileLayout layout;
    layout.chunks = {
        {"OBJD", 1, 0x10, "leader", BuildObjd({138, 10, 2, 7, -1}), true},
        {"OBJD", 2, 0x10, "tile", BuildObjd({138, 10, 3, 7, 1}), true},
        {"DGRP", 10, 0x10, "g0", BuildDgrp(20001, {{0x55, 1, {{-3, 20, 0, 1, 2, 3, 0, 0, 0}}}}), true},
        {"DGRP", 11, 0x10, "g1", BuildDgrp(20004, {{0x0F, 2, {{-3, 20, 1, -1, -2, 3, 4, 5, 1}}}}), true},
        {"SPR2", 20, 0x10, "sprite", BuildSpr2(30, {frame, frame}), true},
        {"PALT", 30, 0x10, "palette", BuildPalt({1, 2, 3}), true},
        {"BHAV", 40, 0x14, "map only", {1, 2, 3}, true},
    };
    return BuildIffFile(layout);
}

// Runs every parser over whatever a container yields; the only requirement
// is that nothing crashes, hangs or reads out of bounds.
void Exercise(std::span<const uint8_t> bytes)
{
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    if (!ref.Open(bytes, error, true))
        return;
    CObjectCatalogue catalogue;
    catalogue.Build(&ref);
    for (const auto& chunk : ref.File()->Chunks()) {
        CSpr2Sprite sprite;
        if (sprite.Load(ref, chunk.get())) {
            Spr2Frame frame;
            for (int i = 0; sprite.GetFrame(i, frame); ++i)
                sprite.SetFrame(i, frame);
            sprite.Store();
        }
        CDrawGroup group;
        group.Load(ref, chunk.get());
        group.FindImage(0, 1);
        CObjectDefinition definition;
        definition.Load(ref, chunk.get());
        PaltPalette::Colours(*chunk);
    }
    MemoryStream out;
    if (ref.LoadAll())
        ref.Save(out);
}

TEST(IffBadInput, EveryTruncationOfAFileIsHandled)
{
    const auto file = RichFile();
    const size_t openBefore = IffFileTable::Instance().OpenCount();
    for (size_t length = 0; length <= file.size(); ++length)
        Exercise(std::span<const uint8_t>(file.data(), length));
    EXPECT_EQ(IffFileTable::Instance().OpenCount(), openBefore);

    // Cut inside the sprite's data: the chunks before it load, the sprite is
    // listed but cannot be loaded.
    CIffFileRef whole;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(whole.Open(file, error, true));
    const auto cut = static_cast<size_t>(whole.Find(kTypeSpr2, 20)->DataOffset() + 3);
    CIffFileRef ref;
    ASSERT_TRUE(ref.Open(std::span<const uint8_t>(file.data(), cut), error, true));
    EXPECT_EQ(ref.File()->ChunkCount(), 5u);
    EXPECT_TRUE(ref.LoadChunk(*ref.Find(kTypeDgrp, 11)));
    EXPECT_FALSE(ref.LoadChunk(*ref.Find(kTypeSpr2, 20)));
    EXPECT_FALSE(ref.LoadAll());
}

TEST(IffBadInput, RandomBytesAndMutationsAreHandled)
{
    std::mt19937 random(1234);
    const auto file = RichFile();
    for (int round = 0; round < 1500; ++round) {
        auto bytes = file;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i)
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        Exercise(bytes);
    }
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes(64 + random() % 2000);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(random());
        std::memcpy(bytes.data(), "IFF FILE 2.5", 12);
        StoreBE32(bytes.data() + 60, static_cast<uint32_t>(random() % bytes.size()));
        Exercise(bytes);
    }
}

TEST(IffBadInput, RandomResourceDataIsHandled)
{
    std::mt19937 random(99);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> data(random() % 300);
        for (auto& b : data)
            b = static_cast<uint8_t>(random() % 4 == 0 ? 0xFF : random());
        // Valid leading fields send the parsers deeper.
        if (data.size() >= 4 && round % 2 == 0)
            StoreLE32(data.data(), 1000);
        if (data.size() >= 2 && round % 3 == 0)
            StoreLE16(data.data(), static_cast<uint16_t>(20000 + round % 5));
        CIffFileRef ref;
        CIffChunk* chunk = ref.File()->AddChunk(kTypeSpr2, 1, 0x10, "", data);
        CSpr2Sprite sprite;
        if (sprite.Load(ref, chunk)) {
            EXPECT_TRUE(sprite.Store());
        }
        CDrawGroup group;
        if (group.Load(ref, chunk)) {
            EXPECT_TRUE(group.Store());
        }
    }
}

TEST(IffBadInput, CountsBeyondTheDataAreRefusedBeforeReserving)
{
    CIffFileRef ref;
    std::vector<uint8_t> spr2 = {0xE8, 0x03, 0, 0, 0xFF, 0xFF, 0xFF, 0x3F, 0, 0, 0, 0};
    CSpr2Sprite sprite;
    EXPECT_FALSE(sprite.Load(ref, ref.File()->AddChunk(kTypeSpr2, 1, 0x10, "", spr2)));
    EXPECT_TRUE(sprite.Offsets().empty());

    std::vector<uint8_t> dgrp = {0x24, 0x4E, 0xFF, 0xFF, 0xFF, 0xFF};
    CDrawGroup group;
    EXPECT_FALSE(group.Load(ref, ref.File()->AddChunk(kTypeDgrp, 1, 0x10, "", dgrp)));
    EXPECT_EQ(group.ImageCount(), 0);
}

} // namespace
} // namespace vorn

#include "base/endian.h"
#include "iff/draw_group.h"
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "iff/object_definition.h"
#include "testing/iff_fixtures.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::BuildDgrp;
using testing::BuildObjd;
using testing::DgrpImageDesc;
using testing::DgrpSpriteDesc;
using testing::ObjdFields;

DgrpSpriteDesc Sprite(uint32_t id, int32_t x, int32_t y, int16_t type = -3)
{
    DgrpSpriteDesc s;
    s.type = type;
    s.spriteId = id;
    s.frameIndex = id + 1;
    s.x = x;
    s.y = y;
    s.extra1 = 0x11111111;
    s.extra2 = 0x22222222;
    s.extra3 = 0x33333333;
    s.flags = 1;
    return s;
}

bool LoadGroup(CIffFileRef& ref, CDrawGroup& group, const std::vector<uint8_t>& data, uint16_t flags = 0x10)
{
    return group.Load(ref, ref.File()->AddChunk(kTypeDgrp, 1, flags, "", data));
}

TEST(DrawGroup, EveryVersionBandReadsItsLayout)
{
    const std::vector<DgrpImageDesc> images = {
        {0x05, 3, {Sprite(100, -4, 7), Sprite(101, 200, -300)}},
        {0x80, 1, {Sprite(102, 1, 2)}},
    };
    for (const uint16_t version : {20000, 20001, 20002, 20003, 20004}) {
        CIffFileRef ref;
        CDrawGroup group;
        ASSERT_TRUE(LoadGroup(ref, group, BuildDgrp(version, images))) << version;
        EXPECT_EQ(group.Version(), version);
        ASSERT_EQ(group.ImageCount(), 2);
        const SpritePlacement& p = group.Images()[0].sprites[0];
        EXPECT_EQ(p.spriteId, 100u);
        EXPECT_EQ(p.frameIndex, 101u);
        EXPECT_EQ(p.x, -4);
        EXPECT_EQ(p.y, 7);
        EXPECT_EQ(p.flags, 1u);
        EXPECT_EQ(group.Images()[0].sprites[1].y, -300);
        EXPECT_EQ(p.extra1, version >= 20001 ? 0x11111111u : 0u) << version;
        EXPECT_EQ(p.extra2, version >= 20004 ? 0x22222222u : 0u) << version;
        EXPECT_EQ(p.extra3, version >= 20004 ? 0x33333333u : 0u) << version;
        // The short layout's 8-bit mask 0x80 is sign-extended.
        EXPECT_EQ(group.Images()[1].directionMask, version < 20003 ? 0xFFFFFF80u : 0x80u) << version;
        EXPECT_EQ(group.FindImage(7, 1), 1);
        EXPECT_EQ(group.FindImage(2, 3), 0);
        EXPECT_EQ(group.FindImage(1, 3), -1);
    }
}

TEST(DrawGroup, ShortLayoutDropsSpritesOfOtherTypesAfterConsumingThem)
{
    for (const uint16_t version : {20000, 20001}) {
        const std::vector<DgrpImageDesc> images = {
            {0x01, 1, {Sprite(1, 0, 0, -2), Sprite(2, 5, 6), Sprite(3, 0, 0, 0)}},
            {0x02, 2, {Sprite(4, 8, 9)}},
        };
        CIffFileRef ref;
        CDrawGroup group;
        ASSERT_TRUE(LoadGroup(ref, group, BuildDgrp(version, images)));
        ASSERT_EQ(group.ImageCount(), 2);
        ASSERT_EQ(group.Images()[0].sprites.size(), 1u);
        EXPECT_EQ(group.Images()[0].sprites[0].spriteId, 2u);
        ASSERT_EQ(group.Images()[1].sprites.size(), 1u);
        EXPECT_EQ(group.Images()[1].sprites[0].x, 8);
    }
}

TEST(DrawGroup, FindImageRejectsDirectionsAndZoomsOutOfRange)
{
    CIffFileRef ref;
    CDrawGroup group;
    ASSERT_TRUE(LoadGroup(ref, group, BuildDgrp(20004, {{0xFFFFFFFF, 0, {}}, {0xFFFFFFFF, 1, {}}})));
    EXPECT_EQ(group.FindImage(8, 1), -1);
    EXPECT_EQ(group.FindImage(-1, 1), -1);
    EXPECT_EQ(group.FindImage(0, 0), -1);
    EXPECT_EQ(group.FindImage(0, 4), -1);
    EXPECT_EQ(group.FindImage(0, 1), 1);
    DrawGroupImage image;
    EXPECT_TRUE(group.GetImage(1, image));
    EXPECT_EQ(image.zoom, 1u);
    EXPECT_FALSE(group.GetImage(2, image));
    EXPECT_FALSE(group.GetImage(-1, image));
}

TEST(DrawGroup, WriteProducesTheLongLayoutOfVersion20004)
{
    const std::vector<DgrpImageDesc> images = {{0x80, 2, {Sprite(7, -1, -2), Sprite(8, 3, 4, -3)}}};
    CIffFileRef ref;
    CDrawGroup group;
    ASSERT_TRUE(LoadGroup(ref, group, BuildDgrp(20001, images), 0x0000));
    ASSERT_TRUE(group.Store());
    EXPECT_EQ(group.Version(), 20004);
    EXPECT_EQ(group.Chunk()->Flags(), 0x0000) << "a draw group's write leaves the chunk flags alone";
    auto expected = images;
    expected[0].directionMask = 0xFFFFFF80;
    for (auto& s : expected[0].sprites)
        s.extra2 = s.extra3 = 0;
    const auto bytes = group.Chunk()->Bytes();
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), BuildDgrp(20004, expected));
}

TEST(DrawGroup, TruncatedDataKeepsTheImagesReadBeforeIt)
{
    auto data = BuildDgrp(20004, {{1, 1, {Sprite(1, 0, 0)}}, {2, 1, {Sprite(2, 0, 0)}}});
    data.resize(data.size() - 1);
    CIffFileRef ref;
    CDrawGroup group;
    EXPECT_FALSE(LoadGroup(ref, group, data));
    EXPECT_EQ(group.ImageCount(), 1);
}

TEST(ObjectDefinition, ReadNeedsTheWrittenFlagAndKeepsBytesBeyondAShortChunk)
{
    CObjectDefinition fresh;
    EXPECT_EQ(fresh.Version(), 138u);
    EXPECT_EQ(fresh.GraphicCount(), 0);

    CIffFileRef ref;
    ObjdFields fields;
    fields.version = 142;
    fields.baseGraphicId = 0x1000;
    fields.graphicCount = 4;
    fields.masterId = 0x55;
    fields.subIndex = -1;
    CObjectDefinition full;
    ASSERT_TRUE(full.Load(ref, ref.File()->AddChunk(kTypeObjd, 1, 0x10, "", BuildObjd(fields, 300))));
    EXPECT_EQ(full.Version(), 142u);
    EXPECT_EQ(full.BaseGraphicId(), 0x1000);
    EXPECT_EQ(full.GraphicCount(), 4);
    EXPECT_EQ(full.MasterId(), 0x55);
    EXPECT_EQ(full.SubIndex(), -1);

    CObjectDefinition unflagged;
    EXPECT_FALSE(unflagged.Load(ref, ref.File()->AddChunk(kTypeObjd, 2, 0x00, "", BuildObjd(fields))));

    CObjectDefinition shortOne;
    ASSERT_TRUE(shortOne.Load(ref, ref.File()->AddChunk(kTypeObjd, 3, 0x10, "", BuildObjd(fields, 10))));
    EXPECT_EQ(shortOne.GraphicCount(), 4);
    EXPECT_EQ(shortOne.MasterId(), 0) << "bytes past a short chunk keep the new object's zeros";
    CObjectDefinition empty;
    ASSERT_TRUE(empty.Load(ref, ref.File()->AddChunk(kTypeObjd, 4, 0x10, "", {})));
    EXPECT_EQ(empty.Version(), 138u);

    CIffChunk* target = ref.File()->AddChunk(kTypeObjd, 5, 0x00, "", BuildObjd(fields, 20));
    CObjectDefinition writer;
    EXPECT_FALSE(writer.Load(ref, target)) << "not yet flagged, but bound";
    writer.Raw()[100] = 9;
    ASSERT_TRUE(writer.Store());
    EXPECT_EQ(target->Size(), 216u);
    EXPECT_EQ(target->Flags(), 0x10);
    EXPECT_EQ(target->Bytes()[100], 9);
}

// Builds a container of OBJD chunks (id, label, fields) in the given order.
void AddObject(CIffFileRef& ref, uint16_t id, uint16_t master, int16_t sub, uint16_t graphics, std::string label = {},
               uint16_t flags = 0x10)
{
    ObjdFields fields;
    fields.masterId = master;
    fields.subIndex = sub;
    fields.graphicCount = graphics;
    fields.baseGraphicId = static_cast<uint16_t>(id + 1000);
    ref.File()->AddChunk(kTypeObjd, id, flags, label.empty() ? "obj" + std::to_string(id) : label, BuildObjd(fields));
}

TEST(ObjectCatalogue, LeaderTakesTheLargestGraphicCountWhicheverComesFirst)
{
    CIffFileRef ref;
    AddObject(ref, 10, 0x77, 0x0000, 3);     // tile before its leader
    AddObject(ref, 11, 0x77, -1, 1, "Sofa"); // leader
    AddObject(ref, 12, 0x77, 0x0001, 5);     // tile after
    AddObject(ref, 13, 0x77, 0x0100, 2);     // smaller tile after
    AddObject(ref, 14, 0, 0, 2, "Lamp");
    CObjectCatalogue catalogue;
    ASSERT_TRUE(catalogue.Build(&ref));
    EXPECT_EQ(catalogue.File(), &ref);
    ASSERT_EQ(catalogue.Entries().size(), 5u);
    const ObjectEntry& leader = catalogue.Entries()[1];
    EXPECT_TRUE(leader.leader);
    EXPECT_EQ(leader.graphicCount, 5);
    EXPECT_EQ(leader.label, "Sofa");
    EXPECT_EQ(leader.baseGraphicId, 1011);

    std::vector<std::string> shown;
    for (auto p = catalogue.FirstDisplayable(); p != CObjectCatalogue::kEnd;)
        shown.push_back(catalogue.NextDisplayable(p)->label);
    EXPECT_EQ(shown, (std::vector<std::string>{"Sofa", "Lamp"}));

    std::vector<uint16_t> tiles;
    for (const ObjectEntry* tile : catalogue.TilesOf(0x77))
        tiles.push_back(tile->chunkId);
    EXPECT_EQ(tiles, (std::vector<uint16_t>{10, 12, 13}));
    EXPECT_TRUE(catalogue.TilesOf(0x78).empty());
}

TEST(ObjectCatalogue, LeaderAfterItsTilesStartsFromTheirLargestCount)
{
    CIffFileRef ref;
    AddObject(ref, 1, 9, 0x0000, 2);
    AddObject(ref, 2, 9, 0x0001, 6);
    AddObject(ref, 3, 9, -1, 4);
    CObjectCatalogue catalogue;
    ASSERT_TRUE(catalogue.Build(&ref));
    EXPECT_EQ(catalogue.Entries()[2].graphicCount, 6);
}

TEST(ObjectCatalogue, DuplicatesAndUnreadableDefinitionsAreDropped)
{
    CIffFileRef ref;
    AddObject(ref, 1, 0, 0, 1, "first");
    AddObject(ref, 2, 5, -1, 1, "leader");
    AddObject(ref, 3, 5, -1, 1, "second leader"); // same master id and sub index
    AddObject(ref, 4, 5, 0x0101, 1);
    AddObject(ref, 5, 5, 0x0101, 1);               // same tile position
    ref.File()->AddChunk(kTypeObjd, 6, 0x00, "unflagged", BuildObjd({}));
    CObjectCatalogue catalogue;
    ASSERT_TRUE(catalogue.Build(&ref));
    std::vector<uint16_t> ids;
    for (const auto& e : catalogue.Entries())
        ids.push_back(e.chunkId);
    EXPECT_EQ(ids, (std::vector<uint16_t>{1, 2, 4}));

    // Two definitions with one chunk id cannot come from one container; the rule still holds.
    ObjectEntry again;
    again.single = true;
    again.chunkId = 1;
    catalogue.Add(again);
    EXPECT_EQ(catalogue.Entries().size(), 3u);

    CIffFileRef none;
    EXPECT_FALSE(catalogue.Build(&none));
    EXPECT_FALSE(catalogue.Build(nullptr));
    EXPECT_EQ(catalogue.FirstDisplayable(), CObjectCatalogue::kEnd);
}

TEST(ObjectCatalogue, WithoutAnyWrittenFlagEveryDefinitionIsAnObject)
{
    CIffFileRef ref;
    AddObject(ref, 1, 3, -1, 1, "Clock", 0x00);
    AddObject(ref, 2, 3, 0x0000, 2, "", 0x00);
    AddObject(ref, 3, 0, 0, 1, "Candle", 0x04);
    CObjectCatalogue catalogue;
    ASSERT_TRUE(catalogue.Build(&ref));
    ASSERT_EQ(catalogue.Entries().size(), 3u);
    EXPECT_EQ(catalogue.Entries()[0].graphicCount, 2) << "the usual rules apply to them";
    std::vector<std::string> shown;
    for (auto p = catalogue.FirstDisplayable(); p != CObjectCatalogue::kEnd;)
        shown.push_back(catalogue.NextDisplayable(p)->label);
    EXPECT_EQ(shown, (std::vector<std::string>{"Clock", "Candle"}));

    // One flagged definition brings the flag rule back for the whole file.
    AddObject(ref, 4, 0, 0, 1, "Flagged");
    ASSERT_TRUE(catalogue.Build(&ref));
    ASSERT_EQ(catalogue.Entries().size(), 1u);
    EXPECT_EQ(catalogue.Entries()[0].label, "Flagged");
}

} // namespace
} // namespace vorn

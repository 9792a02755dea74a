#include "base/endian.h"
#include "base/memory_stream.h"
#include "iff/iff_file_ref.h"
#include "iff/iff_file_table.h"
#include "iff/iff_resource.h"
#include "iff/type_codes.h"
#include "testing/iff_fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vorn {
namespace {

using testing::BuildIffFile;
using testing::IffChunkDesc;
using testing::IffFileLayout;
using testing::IffMapPlacement;

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

IffFileLayout SampleLayout()
{
    IffFileLayout layout;
    layout.chunks = {
        {"OBJD", 128, 0x0010, "Chair", Bytes("objd-bytes"), true},
        {"SPR2", 300, 0x0010, "a", Bytes("s1"), true},
        {"DGRP", 200, 0x0000, "Chair - graphic", Bytes("dgrp"), true},
        {"SPR2", 100, 0x0010, "", Bytes("s2-longer"), true},
        {"PALT", 7, 0x0010, "odd!", Bytes(""), true},
    };
    return layout;
}

struct Snapshot {
    uint32_t type;
    uint16_t id;
    uint16_t flags;
    std::string label;
    std::vector<uint8_t> data;
    bool operator==(const Snapshot&) const = default;
};

std::vector<Snapshot> SnapshotOf(CIffFileRef& ref)
{
    std::vector<Snapshot> result;
    EXPECT_TRUE(ref.LoadAll());
    for (const auto& chunk : ref.File()->Chunks()) {
        const auto bytes = chunk->Bytes();
        result.push_back({chunk->Type(), chunk->Id(), chunk->Flags(), chunk->Label(), {bytes.begin(), bytes.end()}});
    }
    return result;
}

std::vector<uint8_t> Save(CIffFileRef& ref)
{
    MemoryStream out;
    EXPECT_TRUE(ref.LoadAll());
    EXPECT_TRUE(ref.Save(out));
    return {out.Bytes().begin(), out.Bytes().end()};
}

TEST(IffChunkStream, ReadsFailWithoutMovingAndWritesGrowInSixtyFourByteSteps)
{
    CIffChunk chunk;
    EXPECT_EQ(chunk.Capacity(), 64u);
    EXPECT_TRUE(chunk.Write("abc", 3));
    chunk.SetPosition(0);
    uint32_t value = 0;
    EXPECT_FALSE(chunk.Read32(value));
    EXPECT_EQ(chunk.Position(), 0u);
    uint16_t half = 0;
    EXPECT_TRUE(chunk.Read16(half));
    EXPECT_EQ(half, 0x6261);

    // Growth: n + old capacity + 63 with the low six bits cleared.
    std::vector<uint8_t> block(65, 0x11);
    chunk.SetPosition(0);
    ASSERT_TRUE(chunk.Write(block.data(), 65));
    EXPECT_EQ(chunk.Capacity(), 192u);
    EXPECT_EQ(chunk.Size(), 65u);
    ASSERT_TRUE(chunk.SetSize(200));
    EXPECT_EQ(chunk.Capacity(), 256u);
    chunk.SetPosition(150);
    ASSERT_TRUE(chunk.SetSize(10));
    EXPECT_EQ(chunk.Position(), 10u);

    // A write after a position beyond the end fills the gap with zeros.
    ASSERT_TRUE(chunk.SetSize(0));
    chunk.SetPosition(1000);
    ASSERT_TRUE(chunk.Write8(7));
    EXPECT_EQ(chunk.Size(), 1001u);
    EXPECT_GE(chunk.Capacity(), 1001u);
    EXPECT_EQ(chunk.Capacity() % 64, 0u);
    EXPECT_EQ(chunk.Bytes()[999], 0);
    EXPECT_EQ(chunk.Bytes()[1000], 7);

    ASSERT_TRUE(chunk.ReserveForSize(0));
    EXPECT_EQ(chunk.Capacity(), 64u);
    EXPECT_EQ(chunk.Position(), 0u);
}

TEST(IffFileTable, HandlesStartAtOneAndTheTableGrowsBySixtyFour)
{
    IffFileTable table;
    EXPECT_EQ(table.SlotCount(), 0u);
    EXPECT_EQ(table.CreateEmpty(true), 1u);
    EXPECT_EQ(table.SlotCount(), 64u);
    for (uint32_t expected = 2; expected < 64; ++expected)
        ASSERT_EQ(table.CreateEmpty(true), expected);
    EXPECT_EQ(table.SlotCount(), 64u);
    EXPECT_EQ(table.CreateEmpty(true), 64u);
    EXPECT_EQ(table.SlotCount(), 128u);

    EXPECT_TRUE(table.Close(5));
    EXPECT_FALSE(table.Close(5));
    EXPECT_FALSE(table.IsValid(5));
    EXPECT_FALSE(table.IsValid(0));
    EXPECT_FALSE(table.IsValid(128));
    EXPECT_EQ(table.CreateEmpty(false), 5u);
    EXPECT_EQ(table.OpenCount(), 64u);

    IffParseError error = IffParseError::None;
    EXPECT_FALSE(table.Parse(999, error));
    EXPECT_EQ(error, IffParseError::InvalidHandle);
    EXPECT_FALSE(table.Write(nullptr, 0));
}

TEST(IffParse, RejectsForeignHeadersAndVersions)
{
    IffFileTable table;
    IffParseError error = IffParseError::None;
    auto bytes = BuildIffFile(SampleLayout());
    bytes[3] = 'X';
    EXPECT_FALSE(table.Parse(table.Open(bytes, "", false), error));
    EXPECT_EQ(error, IffParseError::NotIff);

    bytes = BuildIffFile(SampleLayout());
    bytes[11] = '1';
    EXPECT_FALSE(table.Parse(table.Open(bytes, "", false), error));
    EXPECT_EQ(error, IffParseError::BadVersion);

    EXPECT_FALSE(table.Parse(table.Open(std::vector<uint8_t>{'I', 'F'}, "", false), error));
    EXPECT_EQ(error, IffParseError::NotIff);

    const uint32_t handle = table.Open(BuildIffFile(SampleLayout()), "x", false);
    EXPECT_TRUE(table.Parse(handle, error));
    EXPECT_EQ(error, IffParseError::None);
    EXPECT_EQ(table.Get(handle)->Name(), "x");
    EXPECT_FALSE(table.Get(handle)->AllLoaded());
}

TEST(IffRoundTrip, ParseThenWriteReproducesTheWritersLayoutByteForByte)
{
    const auto original = BuildIffFile(SampleLayout());
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(ref.Open(original, error, true));
    MemoryStream rejected;
    EXPECT_FALSE(ref.Save(rejected)) << "unloaded chunks cannot be written";
    const auto before = SnapshotOf(ref);
    const auto written = Save(ref);
    EXPECT_EQ(written, original);

    CIffFileRef again;
    ASSERT_TRUE(again.Open(written, error, true));
    EXPECT_EQ(SnapshotOf(again), before);
    // The map chunk is part of the list after a parse but never written twice.
    EXPECT_EQ(again.CountOfType(kTypeRsmp, false), 1u);
    EXPECT_EQ(Save(again), original);
}

TEST(IffRoundTrip, VersionTwoZeroFileIsScannedAndWrittenBackWithAMap)
{
    auto layout = SampleLayout();
    layout.version = "2.0";
    layout.map = IffMapPlacement::None;
    const auto old = BuildIffFile(layout);
    ASSERT_EQ(std::memcmp(old.data() + 9, "2.0", 3), 0);
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(ref.Open(old, error, true));
    EXPECT_EQ(ref.File()->ChunkCount(), 5u);
    auto expected = SampleLayout();
    EXPECT_EQ(Save(ref), BuildIffFile(expected));
}

TEST(IffParse, OnlyVersionTwoFiveReadsTheMap)
{
    IffFileLayout layout;
    layout.chunks = {
        {"SPR2", 1, 0x10, "plain", Bytes("a"), true},
        {"BHAV", 2, 0x04, "map only", Bytes("bb"), true},
    };
    auto bytes = BuildIffFile(layout);
    ASSERT_NE(LoadBE32(bytes.data() + 60), 0u);
    for (const char* version : {"2.5", "2.0"}) {
        std::memcpy(bytes.data() + 9, version, 3);
        CIffFileRef ref;
        IffParseError error = IffParseError::None;
        ASSERT_TRUE(ref.Open(bytes, error, true)) << version;
        const bool mapRead = version[2] == '5';
        EXPECT_EQ(ref.Find(MakeTypeCode("BHAV"), 2) != nullptr, mapRead) << version;
        EXPECT_EQ(ref.CountOfType(kTypeRsmp, false), 1u) << "the scan finds the map chunk either way";
    }
}

TEST(IffParse, MapPlacedBeforeTheChunks)
{
    auto layout = SampleLayout();
    layout.map = IffMapPlacement::BeforeChunks;
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(ref.Open(BuildIffFile(layout), error, true));
    ASSERT_EQ(ref.File()->ChunkCount(), 6u);
    EXPECT_EQ(ref.File()->ChunkAt(0)->Type(), kTypeRsmp);
    EXPECT_EQ(ref.File()->ChunkAt(1)->Type(), kTypeObjd);
    EXPECT_EQ(ref.File()->ChunkAt(5)->Type(), kTypePalt);
    EXPECT_EQ(Save(ref), BuildIffFile(SampleLayout()));
}

TEST(IffParse, MapWithoutSignatureOrZeroOffsetFallsBackToTheScan)
{
    auto bytes = BuildIffFile(SampleLayout());
    const uint32_t mapOffset = LoadBE32(bytes.data() + 60);
    bytes[mapOffset + 76 + 8] = 'x'; // "pmsr" broken
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(ref.Open(bytes, error, true));
    EXPECT_EQ(ref.File()->ChunkCount(), 6u);

    auto noMap = BuildIffFile(SampleLayout());
    StoreBE32(noMap.data() + 60, 0);
    CIffFileRef scanned;
    ASSERT_TRUE(scanned.Open(noMap, error, true));
    EXPECT_EQ(scanned.File()->ChunkCount(), 6u);
}

TEST(IffParse, LaterChunkWithSameTypeAndIdReplacesTheEarlierOne)
{
    IffFileLayout layout;
    layout.chunks = {
        {"SPR2", 1, 0x10, "first", Bytes("one"), true},
        {"PALT", 1, 0x10, "palette", Bytes("p"), true},
        {"SPR2", 1, 0x10, "second", Bytes("two"), true},
    };
    for (const auto placement : {IffMapPlacement::End, IffMapPlacement::None}) {
        layout.map = placement;
        CIffFileRef ref;
        IffParseError error = IffParseError::None;
        ASSERT_TRUE(ref.Open(BuildIffFile(layout), error, true));
        const auto chunks = SnapshotOf(ref);
        ASSERT_GE(chunks.size(), 2u);
        EXPECT_EQ(chunks[0].type, kTypePalt);
        EXPECT_EQ(chunks[1].label, "second");
        EXPECT_EQ(chunks[1].data, Bytes("two"));
        EXPECT_EQ(ref.CountOfType(kTypeSpr2, false), 1u);
    }
}

TEST(IffParse, MapOnlyFlagKeepsAChunkOnlyWhenTheMapListsIt)
{
    IffFileLayout layout;
    layout.chunks = {
        {"SPR2", 1, 0x10, "plain", Bytes("a"), true},
        {"BHAV", 2, 0x14, "listed", Bytes("bb"), true},
        {"BHAV", 3, 0x04, "unlisted", Bytes("cc"), false},
    };
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(ref.Open(BuildIffFile(layout), error, true));
    const uint32_t bhav = MakeTypeCode("BHAV");
    ASSERT_NE(ref.Find(bhav, 2), nullptr);
    EXPECT_EQ(ref.Find(bhav, 3), nullptr);
    // Found only through the map, it sits before the chunks of the scan.
    EXPECT_EQ(ref.File()->ChunkAt(0)->Id(), 2);

    layout.chunks.pop_back();
    std::swap(layout.chunks[0], layout.chunks[1]);
    EXPECT_EQ(Save(ref), BuildIffFile(layout));
}

TEST(IffWrite, LongLabelIsCutInTheHeaderButWholeInTheMap)
{
    const std::string label(64, 'L');
    IffFileLayout layout;
    layout.chunks = {{"OBJD", 9, 0x10, label, Bytes("d"), true}};
    CIffFileRef ref;
    ASSERT_TRUE(ref.Attach(ref.Handle())) << "re-attaching keeps the owned container";
    EXPECT_TRUE(ref.IsOwning());
    ASSERT_NE(ref.File()->AddChunk(kTypeObjd, 9, 0x10, label, Bytes("d")), nullptr);
    const auto written = Save(ref);
    EXPECT_EQ(written, BuildIffFile(layout));
    // Header label: 63 characters and a NUL.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(written.data() + 64 + 12), 63), label.substr(0, 63));
    EXPECT_EQ(written[64 + 12 + 63], 0);
    // Map entry: the whole 64 characters and a NUL.
    const uint32_t map = LoadBE32(written.data() + 60);
    const size_t entryLabel = map + 76 + 20 + 8 + 8;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(written.data() + entryLabel), 64), label);
    EXPECT_EQ(written[entryLabel + 64], 0);
}

TEST(IffWrite, MapEntriesArePaddedToAnEvenPosition)
{
    // Entry labels start at offset 112 of the map chunk: "ab" and its NUL end
    // at 115 (odd, one 0xA3 follows), "abc" at 116 (even, none).
    for (const std::string label : {"ab", "abc"}) {
        CIffFileRef ref;
        ref.File()->AddChunk(kTypeSpr2, 1, 0x10, label, Bytes("x"));
        const auto written = Save(ref);
        const uint32_t map = LoadBE32(written.data() + 60);
        const uint32_t mapSize = static_cast<uint32_t>(written.size() - map);
        EXPECT_EQ(mapSize, 116u);
        EXPECT_EQ(LoadBE32(written.data() + map + 4), mapSize);
        EXPECT_EQ(LoadLE32(written.data() + map + 88), mapSize);
        EXPECT_EQ(written[map + 115], label.size() == 2 ? 0xA3 : 0x00);
        EXPECT_EQ(LoadLE32(written.data() + map + 96), kTypeSpr2);
        EXPECT_EQ(std::memcmp(written.data() + map + 96, "2RPS", 4), 0);
    }
}

TEST(IffWrite, SelfWriteOnlyForContainersOpenedFromBytes)
{
    IffFileTable& table = IffFileTable::Instance();
    CIffFileRef empty;
    EXPECT_FALSE(table.Write(nullptr, empty.Handle()));

    CIffFileRef opened;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(opened.Open(BuildIffFile(SampleLayout()), error, true));
    ASSERT_TRUE(opened.LoadAll());
    ASSERT_TRUE(table.Write(nullptr, opened.Handle()));
    const auto image = opened.File()->Image().Bytes();
    EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.end()), BuildIffFile(SampleLayout()));
}

TEST(IffParse, MalformedChunkSequenceEndsTheScanWithTheChunksFoundSoFar)
{
    IffFileLayout layout = SampleLayout();
    layout.map = IffMapPlacement::None;
    for (const uint32_t badSize : {75u, 0x40000001u}) {
        auto bytes = BuildIffFile(layout);
        // Third chunk: 64 + (76 + 10) + (76 + 2).
        StoreBE32(bytes.data() + 64 + 86 + 78 + 4, badSize);
        CIffFileRef ref;
        IffParseError error = IffParseError::None;
        ASSERT_TRUE(ref.Open(bytes, error, true));
        EXPECT_EQ(ref.File()->ChunkCount(), 2u);
    }
    // A chunk claiming more bytes than the image holds is listed but cannot be loaded.
    auto bytes = BuildIffFile(layout);
    StoreBE32(bytes.data() + 64 + 86 + 78 + 4, 0x3FFFFFFF);
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(ref.Open(bytes, error, true));
    CIffChunk* huge = ref.Find(kTypeDgrp, 200);
    ASSERT_NE(huge, nullptr);
    EXPECT_FALSE(ref.LoadChunk(*huge));
    EXPECT_EQ(huge->Capacity(), 64u) << "nothing reserved for a size the file cannot hold";
    EXPECT_FALSE(ref.LoadAll());
}

TEST(IffParse, MapWalkStopsAtTheEndOfTheMapData)
{
    IffFileLayout layout;
    layout.chunks = {{"BHAV", 2, 0x04, "only-in-map", Bytes("bb"), true}};
    auto bytes = BuildIffFile(layout);
    const uint32_t map = LoadBE32(bytes.data() + 60);
    // Claim many more types and entries than the map holds.
    StoreLE32(bytes.data() + map + 76 + 16, 0xFFFFFFFF);
    StoreLE32(bytes.data() + map + 76 + 24, 0xFFFFFFFF);
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(ref.Open(bytes, error, true));
    EXPECT_NE(ref.Find(MakeTypeCode("BHAV"), 2), nullptr);
}

TEST(IffFileRef, LookupsByTypeAndId)
{
    CIffFileRef ref;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(ref.Open(BuildIffFile(SampleLayout()), error, true));
    EXPECT_EQ(ref.Find(kTypeSpr2, 300)->Label(), "a");
    EXPECT_EQ(ref.Find(kTypeSpr2, 301), nullptr);
    EXPECT_EQ(ref.LowestId(kTypeSpr2)->Id(), 100);
    EXPECT_EQ(ref.LowestId(MakeTypeCode("NONE")), nullptr);

    std::vector<uint16_t> byId;
    for (CIffChunk* cursor = ref.LowestId(kTypeSpr2); cursor != nullptr;)
        byId.push_back(ref.NextById(cursor)->Id());
    EXPECT_EQ(byId, (std::vector<uint16_t>{100, 300}));

    std::vector<uint16_t> inOrder;
    for (auto p = ref.FirstOfType(kTypeSpr2); p != CIffFileRef::kEnd;)
        inOrder.push_back(ref.NextOfSameType(p)->Id());
    EXPECT_EQ(inOrder, (std::vector<uint16_t>{300, 100}));

    EXPECT_EQ(ref.Types(), (std::vector<uint32_t>{kTypeObjd, kTypeSpr2, kTypeDgrp, kTypePalt, kTypeRsmp}));
    EXPECT_EQ(ref.CountOfType(kTypeSpr2, false), 2u);
    EXPECT_EQ(ref.CountOfType(kTypeSpr2, true), 0u);
    ASSERT_TRUE(ref.LoadChunk(*ref.Find(kTypeSpr2, 100)));
    EXPECT_EQ(ref.CountOfType(kTypeSpr2, true), 1u);
}

TEST(IffFileRef, OwningAndAttachedReferences)
{
    IffFileTable& table = IffFileTable::Instance();
    uint32_t handle = 0;
    {
        CIffFileRef owner;
        handle = owner.Handle();
        EXPECT_TRUE(owner.IsOwning());
        EXPECT_TRUE(owner.File()->NoSelfWrite());
        CIffFileRef viewer;
        ASSERT_TRUE(viewer.Attach(handle));
        EXPECT_FALSE(viewer.IsOwning());
    }
    EXPECT_FALSE(table.IsValid(handle));

    CIffFileRef opened;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(opened.Open(BuildIffFile(SampleLayout()), error));
    handle = opened.Handle();
    EXPECT_FALSE(opened.IsOwning());
    EXPECT_FALSE(opened.Attach(0));
    EXPECT_TRUE(table.IsValid(handle)) << "an attached container stays open";
    EXPECT_TRUE(table.Close(handle));

    CIffFileRef failed;
    const size_t openBefore = table.OpenCount();
    EXPECT_FALSE(failed.Open(Bytes("IFF FILE 3.0"), error));
    EXPECT_EQ(error, IffParseError::BadVersion);
    EXPECT_EQ(table.OpenCount(), openBefore) << "a container that fails to parse is closed again";
}

TEST(IffResource, StoreNeedsAContainerChunkAndAssignCopiesOwnedChunks)
{
    CIffResource owned;
    EXPECT_TRUE(owned.OwnsChunk());
    EXPECT_FALSE(owned.Store());
    owned.Chunk()->Write("abc", 3);

    CIffResource copy;
    copy.Assign(owned);
    EXPECT_TRUE(copy.OwnsChunk());
    EXPECT_NE(copy.Chunk(), owned.Chunk());
    EXPECT_EQ(copy.Chunk()->Size(), 3u);

    CIffFileRef ref;
    CIffChunk* chunk = ref.File()->AddChunk(kTypeSpr2, 1, 0x10, "", Bytes("x"));
    CIffResource bound;
    ASSERT_TRUE(bound.Load(ref, chunk));
    EXPECT_TRUE(bound.Store());
    CIffResource shared;
    shared.Assign(bound);
    EXPECT_FALSE(shared.OwnsChunk());
    EXPECT_EQ(shared.Chunk(), chunk);
    EXPECT_FALSE(bound.Load(ref, nullptr));
}

} // namespace
} // namespace vorn

#include "base/endian.h"
#include "iff/iff_file_ref.h"
#include "iff/palt_palette.h"
#include "iff/spr2_sprite.h"
#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::BuildSpr2;
using testing::Spr2ChunkFrame;

Spr2ChunkFrame Frame(uint16_t width, uint16_t height, std::vector<uint8_t> pixels, uint32_t gap = 0)
{
    Spr2ChunkFrame frame;
    frame.width = width;
    frame.height = height;
    frame.flags = 0x07;
    frame.paletteId = 0x1234;
    frame.transparentIndex = 5;
    frame.yOffset = 3;
    frame.xOffset = 4;
    frame.pixels = std::move(pixels);
    frame.gapBefore = gap;
    return frame;
}

// Loads `data` as SPR2 chunk 1 of a fresh container owned by `ref`.
bool LoadSprite(CIffFileRef& ref, CSpr2Sprite& sprite, const std::vector<uint8_t>& data, uint16_t flags = 0x10)
{
    CIffChunk* chunk = ref.File()->AddChunk(kTypeSpr2, 1, flags, "sprite", data);
    return sprite.Load(ref, chunk);
}

std::vector<uint8_t> Rewritten(CSpr2Sprite& sprite)
{
    EXPECT_TRUE(sprite.Store());
    const auto bytes = sprite.Chunk()->Bytes();
    return {bytes.begin(), bytes.end()};
}

TEST(Spr2Sprite, ReadsFramesAndTheirHeaders)
{
    CIffFileRef ref;
    CSpr2Sprite sprite;
    ASSERT_TRUE(LoadSprite(ref, sprite, BuildSpr2(77, {Frame(2, 3, {1, 2, 3}), Frame(9, 8, {4, 5, 6, 7, 8})})));
    EXPECT_EQ(sprite.PaletteId(), 77);
    ASSERT_EQ(sprite.FrameCount(), 2);
    Spr2Frame frame;
    ASSERT_TRUE(sprite.GetFrame(1, frame));
    EXPECT_EQ(frame.width, 9);
    EXPECT_EQ(frame.height, 8);
    EXPECT_EQ(frame.flags, 7u);
    EXPECT_EQ(frame.paletteId, 0x1234);
    EXPECT_EQ(frame.transparentIndex, 5);
    EXPECT_EQ(frame.yOffset, 3);
    EXPECT_EQ(frame.xOffset, 4);
    EXPECT_EQ(std::vector<uint8_t>(frame.pixels, frame.pixels + frame.pixelLength), (std::vector<uint8_t>{4, 5, 6, 7, 8}));
    EXPECT_FALSE(sprite.GetFrame(2, frame));
    EXPECT_FALSE(sprite.GetFrame(-1, frame));
}

TEST(Spr2Sprite, WriteAlignsTheFirstFrameToSixtyFourBytes)
{
    struct Case {
        int frames;
        uint32_t firstOffset;
        uint32_t padding;
    };
    for (const Case c : {Case{0, 64, 52}, Case{13, 64, 0}, Case{14, 128, 60}}) {
        std::vector<Spr2ChunkFrame> frames;
        for (int i = 0; i < c.frames; ++i)
            frames.push_back(Frame(1, 1, {static_cast<uint8_t>(i), 0xA0}));
        CIffFileRef ref;
        CSpr2Sprite sprite;
        // Stored unaligned, so Write has to move every frame.
        ASSERT_TRUE(LoadSprite(ref, sprite, BuildSpr2(3, frames, false), 0x0000));
        const auto written = Rewritten(sprite);
        EXPECT_EQ(written, BuildSpr2(3, frames, true)) << c.frames << " frames";
        const uint32_t tableEnd = 12 + 4 * static_cast<uint32_t>(c.frames);
        EXPECT_EQ(written.size(), c.firstOffset + 18u * static_cast<uint32_t>(c.frames));
        for (uint32_t i = tableEnd; i < tableEnd + c.padding; ++i)
            ASSERT_EQ(written[i], 0xA3);
        if (c.frames > 0) {
            EXPECT_EQ(LoadLE32(written.data() + 12), c.firstOffset);
        }
        EXPECT_EQ(sprite.Chunk()->Flags(), 0x0000) << "a sprite's write leaves the chunk flags alone";
    }
}

TEST(Spr2Sprite, FramesStoredWithGapsAreRewrittenContiguousWithIdenticalBytes)
{
    const std::vector<Spr2ChunkFrame> gappy = {Frame(2, 2, {1, 2, 3, 4}, 7), Frame(3, 1, {9, 9}, 33),
                                               Frame(1, 1, {8, 8, 8}, 1)};
    CIffFileRef ref;
    CSpr2Sprite sprite;
    ASSERT_TRUE(LoadSprite(ref, sprite, BuildSpr2(5, gappy)));
    // A frame's pixel commands run up to the next frame, so the filler between
    // frames stays with the frame before it; only the filler ahead of the
    // first frame is dropped.
    auto tight = gappy;
    tight[0].pixels.insert(tight[0].pixels.end(), 33, 0x5A);
    tight[1].pixels.insert(tight[1].pixels.end(), 1, 0x5A);
    for (auto& frame : tight)
        frame.gapBefore = 0;
    EXPECT_EQ(Rewritten(sprite), BuildSpr2(5, tight));
}

TEST(Spr2Sprite, SetFrameChangesHeaderFieldsButNotSizeOrPixels)
{
    CIffFileRef ref;
    CSpr2Sprite sprite;
    ASSERT_TRUE(LoadSprite(ref, sprite, BuildSpr2(5, {Frame(2, 2, {1, 2}), Frame(4, 4, {3, 4})})));
    Spr2Frame changed;
    ASSERT_TRUE(sprite.GetFrame(0, changed));
    changed.width = 100;
    changed.height = 200;
    changed.paletteId = 0xA3A3;
    changed.flags = 1;
    changed.transparentIndex = 2;
    changed.xOffset = 3;
    changed.yOffset = 4;
    ASSERT_TRUE(sprite.SetFrame(0, changed));
    EXPECT_FALSE(sprite.SetFrame(2, changed));

    auto expectedFrames = std::vector<Spr2ChunkFrame>{Frame(2, 2, {1, 2}), Frame(4, 4, {3, 4})};
    expectedFrames[0].paletteId = 0xA3A3;
    expectedFrames[0].flags = 1;
    expectedFrames[0].transparentIndex = 2;
    expectedFrames[0].xOffset = 3;
    expectedFrames[0].yOffset = 4;
    EXPECT_EQ(Rewritten(sprite), BuildSpr2(5, expectedFrames));

    // The change survives a write of the whole container and a fresh parse.
    MemoryStream out;
    ASSERT_TRUE(ref.LoadAll());
    ASSERT_TRUE(ref.Save(out));
    CIffFileRef reopened;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(reopened.Open(out, error, true));
    CSpr2Sprite again;
    ASSERT_TRUE(again.Load(reopened, reopened.Find(kTypeSpr2, 1)));
    Spr2Frame frame;
    ASSERT_TRUE(again.GetFrame(0, frame));
    EXPECT_EQ(frame.paletteId, 0xA3A3);
    EXPECT_EQ(frame.width, 2);
}

TEST(Spr2Sprite, RejectsMalformedHeadersAndOffsets)
{
    const auto good = BuildSpr2(5, {Frame(1, 1, {1, 2}), Frame(1, 1, {3, 4})});
    auto load = [](std::vector<uint8_t> data) {
        CIffFileRef ref;
        CSpr2Sprite sprite;
        return LoadSprite(ref, sprite, data);
    };
    EXPECT_TRUE(load(good));
    // 1001 names the other layout, which these bytes do not follow.
    for (const uint32_t version : {999u, 1001u}) {
        auto bad = good;
        StoreLE32(bad.data(), version);
        EXPECT_FALSE(load(bad)) << version;
    }
    for (const uint32_t count : {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 0x7FFFFFFFu}) {
        auto bad = good;
        StoreLE32(bad.data() + 4, count);
        EXPECT_FALSE(load(bad)) << std::hex << count;
    }
    auto atEnd = good;
    StoreLE32(atEnd.data() + 16, static_cast<uint32_t>(good.size()));
    EXPECT_FALSE(load(atEnd)) << "an offset equal to the chunk size";
    auto negative = good;
    StoreLE32(negative.data() + 16, 0xFFFFFFF0u);
    EXPECT_FALSE(load(negative));
    auto same = good;
    StoreLE32(same.data() + 16, LoadLE32(same.data() + 12));
    EXPECT_FALSE(load(same)) << "two frames at the same offset leave no pixel commands";
    auto headerOnly = good;
    headerOnly.resize(headerOnly.size() - 2);
    EXPECT_FALSE(load(headerOnly)) << "a last frame whose header ends at the chunk end";

    // No frames at all is a valid, empty sprite.
    CIffFileRef ref;
    CSpr2Sprite empty;
    ASSERT_TRUE(LoadSprite(ref, empty, BuildSpr2(9, {})));
    EXPECT_EQ(empty.FrameCount(), 0);
    Spr2Frame frame;
    EXPECT_FALSE(empty.GetFrame(0, frame));
}

TEST(Spr2Sprite, FailedReadKeepsTheFramesReadSoFar)
{
    auto data = BuildSpr2(5, {Frame(1, 1, {1, 2}), Frame(2, 2, {3, 4})});
    // The second frame's header would run past the chunk end.
    StoreLE32(data.data() + 16, static_cast<uint32_t>(data.size() - 10));
    CIffFileRef ref;
    CSpr2Sprite sprite;
    EXPECT_FALSE(LoadSprite(ref, sprite, data));
    EXPECT_EQ(sprite.HeaderFrameCount(), 2);
    EXPECT_EQ(sprite.FrameCount(), 1);
    Spr2Frame frame;
    EXPECT_TRUE(sprite.GetFrame(0, frame));
    EXPECT_FALSE(sprite.GetFrame(1, frame));

    // An offset table longer than the chunk: the header named in it is still
    // taken over, and no frame of the previous read survives.
    auto tooMany = BuildSpr2(6, {Frame(1, 1, {1, 2})});
    StoreLE32(tooMany.data() + 4, 1000);
    EXPECT_FALSE(sprite.Load(ref, ref.File()->AddChunk(kTypeSpr2, 2, 0x10, "", tooMany)));
    EXPECT_EQ(sprite.HeaderFrameCount(), 1000);
    EXPECT_EQ(sprite.PaletteId(), 6);
    EXPECT_EQ(sprite.FrameCount(), 0);
    EXPECT_FALSE(sprite.GetFrame(0, frame));
}

TEST(Spr2Sprite, SequentialLayoutReadsAndWritesBackByteForByte)
{
    const std::vector<Spr2ChunkFrame> frames = {Frame(2, 3, {1, 2, 3}), Frame(9, 8, {4, 5, 6, 7, 8})};
    const auto data = testing::BuildSpr2Sequential(77, frames);
    CIffFileRef ref;
    CSpr2Sprite sprite;
    ASSERT_TRUE(LoadSprite(ref, sprite, data));
    EXPECT_EQ(sprite.Version(), CSpr2Sprite::kSequentialVersion);
    EXPECT_EQ(sprite.PaletteId(), 77);
    EXPECT_EQ(sprite.HeaderFrameCount(), 2);
    ASSERT_EQ(sprite.FrameCount(), 2);
    Spr2Frame frame;
    ASSERT_TRUE(sprite.GetFrame(1, frame));
    EXPECT_EQ(frame.width, 9);
    EXPECT_EQ(frame.height, 8);
    EXPECT_EQ(frame.paletteId, 0x1234);
    EXPECT_EQ(frame.xOffset, 4);
    EXPECT_EQ(std::vector<uint8_t>(frame.pixels, frame.pixels + frame.pixelLength), (std::vector<uint8_t>{4, 5, 6, 7, 8}));
    EXPECT_EQ(Rewritten(sprite), data);

    // An edit keeps the layout; only the edited field changes.
    frame.paletteId = 0xA3A3;
    ASSERT_TRUE(sprite.SetFrame(1, frame));
    auto edited = frames;
    edited[1].paletteId = 0xA3A3;
    EXPECT_EQ(Rewritten(sprite), testing::BuildSpr2Sequential(77, edited));

    // No frames: the 12-byte header alone.
    CSpr2Sprite empty;
    ASSERT_TRUE(empty.Load(ref, ref.File()->AddChunk(kTypeSpr2, 2, 0x10, "", testing::BuildSpr2Sequential(5, {}))));
    EXPECT_EQ(empty.FrameCount(), 0);
    EXPECT_FALSE(empty.GetFrame(0, frame));
    EXPECT_EQ(Rewritten(empty), testing::BuildSpr2Sequential(5, {}));
}

TEST(Spr2Sprite, SequentialLayoutRefusesCountsAndSizesThatDisagreeWithTheChunk)
{
    const auto good = testing::BuildSpr2Sequential(5, {Frame(1, 1, {1, 2}), Frame(2, 1, {3, 4, 5, 6})});
    const size_t second = 12 + 8 + 16 + 2; // where the second frame's mark starts
    auto load = [](const std::vector<uint8_t>& data) {
        CIffFileRef ref;
        CSpr2Sprite sprite;
        return LoadSprite(ref, sprite, data);
    };
    ASSERT_TRUE(load(good));
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(load(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(length))))
            << "cut to " << length;
    auto trailing = good;
    trailing.push_back(0);
    EXPECT_FALSE(load(trailing)) << "bytes after the last frame";

    struct Patch {
        size_t offset;
        uint32_t value;
        const char* what;
    };
    for (const Patch& p : {Patch{8, 3, "a count above the frames present"},
                           Patch{8, 1, "a count below the frames present"},
                           Patch{8, 0x7FFFFFFF, "a count no chunk could hold"},
                           Patch{8, 0xFFFFFFFF, "a negative count"},
                           Patch{12, 1000, "a frame without its 1001 mark"},
                           Patch{16, 15, "a byte count below the frame header"},
                           Patch{16, 0, "a byte count of zero"},
                           Patch{16, 16, "a frame without pixel commands"},
                           Patch{16, 0xFFFFFFF0, "a byte count past the chunk"},
                           Patch{second + 4, 21, "a last frame overrunning the chunk by one byte"},
                           Patch{second + 4, 19, "a last frame ending before the chunk does"}}) {
        auto bad = good;
        StoreLE32(bad.data() + p.offset, p.value);
        EXPECT_FALSE(load(bad)) << p.what;
    }

    // The frames before a bad one stay readable.
    auto badSecond = good;
    StoreLE32(badSecond.data() + second, 7);
    CIffFileRef ref;
    CSpr2Sprite sprite;
    EXPECT_FALSE(LoadSprite(ref, sprite, badSecond));
    EXPECT_EQ(sprite.FrameCount(), 1);
    Spr2Frame frame;
    EXPECT_TRUE(sprite.GetFrame(0, frame));
    EXPECT_FALSE(sprite.GetFrame(1, frame));
}

TEST(Spr2Sprite, BothLayoutsInOneFileEachWriteBackTheirOwn)
{
    const std::vector<Spr2ChunkFrame> frames = {Frame(1, 1, {1, 2})};
    CIffFileRef ref;
    CSpr2Sprite offsetTable;
    CSpr2Sprite sequential;
    ASSERT_TRUE(LoadSprite(ref, offsetTable, testing::BuildSpr2(5, frames, false)));
    ASSERT_TRUE(sequential.Load(ref, ref.File()->AddChunk(kTypeSpr2, 2, 0x10, "", testing::BuildSpr2Sequential(5, frames))));
    // The same frame, whichever layout holds it.
    Spr2Frame a;
    Spr2Frame b;
    ASSERT_TRUE(offsetTable.GetFrame(0, a));
    ASSERT_TRUE(sequential.GetFrame(0, b));
    EXPECT_EQ(std::vector<uint8_t>(a.pixels, a.pixels + a.pixelLength),
              std::vector<uint8_t>(b.pixels, b.pixels + b.pixelLength));
    EXPECT_EQ(a.paletteId, b.paletteId);
    EXPECT_EQ(Rewritten(offsetTable), testing::BuildSpr2(5, frames, true));
    EXPECT_EQ(Rewritten(sequential), testing::BuildSpr2Sequential(5, frames));
}

TEST(PaltPalette, ColoursNeedVersionOneAndTwoHundredFiftySixEntries)
{
    CIffFileRef ref;
    std::vector<uint8_t> colours = {10, 20, 30, 40, 50, 60};
    CIffChunk* good = ref.File()->AddChunk(kTypePalt, 1, 0x10, "", testing::BuildPalt(colours));
    CIffChunk* badVersion = ref.File()->AddChunk(kTypePalt, 2, 0x10, "", testing::BuildPalt(colours, 2));
    CIffChunk* zeroVersion = ref.File()->AddChunk(kTypePalt, 5, 0x10, "", testing::BuildPalt(colours, 0));
    CIffChunk* badCount = ref.File()->AddChunk(kTypePalt, 3, 0x10, "", testing::BuildPalt(colours, 1, 255));
    auto shortData = testing::BuildPalt(colours);
    shortData.resize(100);
    CIffChunk* tooShort = ref.File()->AddChunk(kTypePalt, 4, 0x10, "", shortData);

    const uint8_t* rgb = PaltPalette::Colours(*good);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb[3], 40);
    EXPECT_EQ(rgb[5], 60);
    EXPECT_EQ(PaltPalette::Colours(*badVersion), nullptr);
    // Many object files store 0 where the game's own store 1; the colours are the same.
    ASSERT_NE(PaltPalette::Colours(*zeroVersion), nullptr);
    EXPECT_EQ(PaltPalette::Colours(*zeroVersion)[5], 60);
    EXPECT_EQ(PaltPalette::Colours(*badCount), nullptr);
    EXPECT_EQ(PaltPalette::Colours(*tooShort), nullptr);

    EXPECT_EQ(PaltPalette::FindChunk(ref, 2, 1), badVersion) << "the frame's own palette comes first";
    EXPECT_EQ(PaltPalette::FindChunk(ref, 99, 1), good);
    EXPECT_EQ(PaltPalette::FindChunk(ref, 99, 98), nullptr);
}

TEST(Spr2Encoder, EmitsRowAndPixelCommands)
{
    testing::Spr2SourceFrame source;
    source.width = 3;
    source.height = 3;
    source.hasAlpha = true;
    // Row 0 empty; row 1: transparent, opaque; row 2: half-transparent, transparent x2.
    source.colour = {0, 0, 0, 0, 7, 7, 9, 0, 0};
    source.depth = {0, 0, 0, 0, 30, 31, 40, 0, 0};
    source.alpha = {0, 0, 0, 0, 255, 255, 128, 0, 0};
    const std::vector<uint8_t> expected = {
        0x01, 0x80,             // 4: skip one row
        0x0A, 0x00,             // 0: row start, 10 bytes in the row
        0x01, 0x60,             // 3: one transparent pixel
        0x02, 0x20, 30, 7, 31, 7, // 1: two pixels with depth
        0x08, 0x00,             // 0: row start, 8 bytes
        0x01, 0x40, 40, 9, 128, 0, // 2: one pixel with alpha, padded to even
        0x00, 0xA0,             // 5: end
    };
    EXPECT_EQ(testing::EncodeSpr2Pixels(source), expected);

    source.hasAlpha = false;
    source.hasDepth = false;
    source.transparentIndex = 0;
    const auto plain = testing::EncodeSpr2Pixels(source);
    // Row 2 becomes one colour-only pixel: 6 with count 1, colour, pad.
    const std::vector<uint8_t> tail = {0x01, 0xC0, 9, 0, 0x00, 0xA0};
    ASSERT_GE(plain.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), plain.end() - static_cast<ptrdiff_t>(tail.size())));
}

} // namespace
} // namespace vorn

#include "cli/cli_test_support.h"
#include "cli/sprite_manifest.h"
#include "iff/iff_file_ref.h"
#include "iff/palt_palette.h"
#include "iff/spr2_frame_encoder.h"
#include "iff/spr2_sprite.h"
#include "sprites/frame_export.h"
#include "testing/far_fixture.h"
#include "testing/object_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace vorn {
namespace {

using testing::ReadFileBytes;
using testing::RunTool;
using testing::WriteFileBytes;
using Kind = Spr2PixelKind;

// Colour i is (i, 255 - i, 3i).
std::vector<uint8_t> PaletteColoursBytes()
{
    std::vector<uint8_t> p;
    for (int i = 0; i < 256; ++i) {
        p.push_back(static_cast<uint8_t>(i));
        p.push_back(static_cast<uint8_t>(255 - i));
        p.push_back(static_cast<uint8_t>(3 * i));
    }
    return p;
}

// Palette 7 back to front: colour i is colour 255 - i of palette 7.
std::vector<uint8_t> ReversedPaletteBytes()
{
    const std::vector<uint8_t> forward = PaletteColoursBytes();
    std::vector<uint8_t> p;
    for (int i = 255; i >= 0; --i)
        p.insert(p.end(), forward.begin() + 3 * i, forward.begin() + 3 * i + 3);
    return p;
}

// Sprite 500 (palette 7): frame 0 is 4x3 with every kind of pixel, frame 1
// a solid 2x2 block; sprite 501 has one 1x1 frame.
std::vector<uint8_t> SpriteFile()
{
    Spr2PixelPlanes planes{4, 3, {}, {}, {}, {}};
    const Kind kinds[12] = {Kind::Plain,   Kind::Depth,       Kind::Blended,     Kind::Blended,
                            Kind::Transparent, Kind::Transparent, Kind::Transparent, Kind::Transparent,
                            Kind::Blended, Kind::Transparent, Kind::Depth,       Kind::Plain};
    const uint8_t alphas[12] = {0, 0, 128, 255, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 12; ++i) {
        planes.kind.push_back(kinds[i]);
        planes.colour.push_back(static_cast<uint8_t>(10 + 20 * i));
        planes.depth.push_back(static_cast<uint8_t>(30 + i));
        planes.alpha.push_back(alphas[i]);
    }
    testing::Spr2ChunkFrame mixed;
    mixed.width = 4;
    mixed.height = 3;
    mixed.paletteId = 7;
    mixed.flags = 0x1234;
    mixed.xOffset = 3;
    mixed.pixels = EncodeSpr2Frame(planes);
    testing::IffFileLayout layout;
    layout.chunks = {
        testing::Chunk("SPR2", 500, testing::BuildSpr2(7, {mixed, testing::SolidFrame(2, 2, 99, 40, 7)}), "Mixed"),
        testing::Chunk("SPR2", 501, testing::BuildSpr2(7, {testing::SolidFrame(1, 1, 3, std::nullopt, 7)})),
        testing::Chunk("PALT", 7, testing::BuildPalt(PaletteColoursBytes())),
        testing::Chunk("PALT", 8, testing::BuildPalt(ReversedPaletteBytes())),
    };
    return testing::BuildIffFile(layout);
}

// Every frame of every sprite as the exporter reads it back.
std::vector<ExportedFrame> DecodedFrames(const std::vector<uint8_t>& iff)
{
    std::vector<ExportedFrame> frames;
    CIffFileRef file;
    IffParseError error{};
    EXPECT_TRUE(file.Open(iff, error, true));
    for (CIffChunk* chunk : file.ChunksOfType(MakeTypeCode("SPR2"))) {
        CSpr2Sprite sprite;
        EXPECT_TRUE(sprite.Load(file, chunk));
        for (int i = 0; i < sprite.FrameCount(); ++i) {
            Spr2Frame frame;
            EXPECT_TRUE(sprite.GetFrame(i, frame));
            const uint8_t* colours = PaltPalette::Colours(*PaltPalette::FindChunk(file, frame.paletteId, 0));
            frames.emplace_back();
            EXPECT_EQ(ExportFrame(frame, PaletteColours(colours, 768), frames.back()), FrameExportResult::Complete);
        }
    }
    return frames;
}

struct Png {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

Png ReadPng(const std::filesystem::path& path, uint32_t format, uint8_t expectedColourType)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    Png png;
    EXPECT_GT(bytes.size(), 26u);
    if (bytes.size() <= 26)
        return png;
    EXPECT_EQ(bytes[24], 8) << path;
    EXPECT_EQ(bytes[25], expectedColourType) << path;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
    image.format = format;
    png.width = image.width;
    png.height = image.height;
    png.pixels.resize(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, png.pixels.data(), 0, nullptr));
    return png;
}

// A PNG written by libpng's simple writer in `format` (with a colour map for
// the indexed formats).
void WritePng(const std::filesystem::path& path, uint32_t width, uint32_t height, uint32_t format,
              const std::vector<uint8_t>& pixels, const std::vector<uint8_t>& colourMap = {})
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    image.colormap_entries = static_cast<uint32_t>(colourMap.size() / 3);
    png_alloc_size_t size = 0;
    ASSERT_TRUE(png_image_write_get_memory_size(image, size, 0, pixels.data(), 0,
                                                colourMap.empty() ? nullptr : colourMap.data()));
    std::vector<uint8_t> bytes(size);
    ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0,
                                          colourMap.empty() ? nullptr : colourMap.data()));
    bytes.resize(size);
    WriteFileBytes(path, bytes);
}

class SpriteRoundTrip : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(dir_ / "obj.iff", SpriteFile()); }

    testing::ToolResult Export(const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args = {"iff", "export", "obj.iff", "out"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(args, dir_.Path());
    }
    testing::ToolResult Import(const std::string& output = "new.iff", const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args = {"iff", "import", "obj.iff", output, "--from", "out"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(args, dir_.Path());
    }

    testing::TempDir dir_;
};

TEST_F(SpriteRoundTrip, ExportWritesColourDepthAndTheManifest)
{
    const auto result = Export();
    ASSERT_EQ(result.status, 0) << result.err;
    const Png colour = ReadPng(dir_ / "out/500_0.png", PNG_FORMAT_RGBA, PNG_COLOR_TYPE_RGB_ALPHA);
    const Png depth = ReadPng(dir_ / "out/500_0_depth.png", PNG_FORMAT_GRAY, PNG_COLOR_TYPE_GRAY);
    ASSERT_EQ(colour.width, 4u);
    ASSERT_EQ(colour.height, 3u);
    // Pixel 0: plain colour 10; 1: depth-tested colour 30 at depth 31; 2: a
    // blend of stored alpha 128 shows opacity 127; 3: fully faded, so alpha 0
    // (black) but its depth stays; 4: nothing.
    const uint8_t expected[5][5] = {
        {10, 245, 30, 255, 255}, {30, 225, 90, 255, 31}, {50, 205, 150, 127, 32}, {0, 0, 0, 0, 33}, {0, 0, 0, 0, 255}};
    for (int p = 0; p < 5; ++p) {
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(colour.pixels[static_cast<size_t>(4 * p + c)], expected[p][c]) << p << " " << c;
        EXPECT_EQ(depth.pixels[static_cast<size_t>(p)], expected[p][4]) << p;
    }
    for (const char* name : {"500_1.png", "500_1_depth.png", "501_0.png", "501_0_depth.png"})
        EXPECT_TRUE(std::filesystem::exists(dir_ / "out" / name)) << name;
    const std::string json = testing::ReadText(dir_ / "out/sprites.json");
    EXPECT_NE(json.find("{\"chunk\": 500, \"label\": \"Mixed\", \"flags\": 16, \"paletteId\": 7"), std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"frame\": 0, \"width\": 4, \"height\": 3, \"paletteId\": 7, \"flags\": 4660"),
              std::string::npos);

    // --chunk exports one sprite; an id without a sprite is an error.
    std::filesystem::remove_all(dir_ / "out");
    ASSERT_EQ(Export({"--chunk", "501"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out/500_0.png"));
    EXPECT_TRUE(std::filesystem::exists(dir_ / "out/501_0.png"));
    const auto missing = Export({"--chunk", "777"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No SPR2 chunk has the id 777!"), std::string::npos) << missing.err;
    EXPECT_EQ(Export({"--chunk", "x"}).status, 2);
}

TEST_F(SpriteRoundTrip, ImportOfAnUnchangedExportDecodesIdentically)
{
    ASSERT_EQ(Export().status, 0);
    const auto result = Import();
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<ExportedFrame> before = DecodedFrames(SpriteFile());
    const std::vector<ExportedFrame> after = DecodedFrames(ReadFileBytes(dir_ / "new.iff"));
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].width, before[i].width);
        EXPECT_EQ(after[i].rgba, before[i].rgba) << i;
        EXPECT_EQ(after[i].depth, before[i].depth) << i;
    }
    // The header fields other than the size are kept.
    CIffFileRef file;
    IffParseError error{};
    ASSERT_TRUE(file.Open(ReadFileBytes(dir_ / "new.iff"), error, true));
    CSpr2Sprite sprite;
    ASSERT_TRUE(sprite.Load(file, file.Find(MakeTypeCode("SPR2"), 500)));
    Spr2Frame frame;
    ASSERT_TRUE(sprite.GetFrame(0, frame));
    EXPECT_EQ(frame.flags, 0x1234u);
    EXPECT_EQ(frame.xOffset, 3);
}

TEST_F(SpriteRoundTrip, NewPicturesOfAnyKindMapToTheNearestPaletteColour)
{
    ASSERT_EQ(Export().status, 0);
    // Frame 0 becomes 3x1 RGB (no alpha): colour 20 exactly, then colours a
    // step or two off colours 40 and 250.
    WritePng(dir_ / "out/500_0.png", 3, 1, PNG_FORMAT_RGB, {20, 235, 60, 41, 214, 120, 250, 5, 240});
    std::filesystem::remove(dir_ / "out/500_0_depth.png");
    // Frame 1 becomes an indexed 2x1 picture, sprite 501's frame a 16-bit one.
    WritePng(dir_ / "out/500_1.png", 2, 1, PNG_FORMAT_RGB_COLORMAP, {0, 1}, {100, 155, 44, 7, 248, 21});
    std::filesystem::remove(dir_ / "out/500_1_depth.png");
    WritePng(dir_ / "out/501_0.png", 1, 1, PNG_FORMAT_LINEAR_RGB_ALPHA, {0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF});
    std::filesystem::remove(dir_ / "out/501_0_depth.png");
    // Frame 0 had transparent pixels: its RGB picture needs --opaque.
    const auto result = Import("new.iff", {"--opaque"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<ExportedFrame> frames = DecodedFrames(ReadFileBytes(dir_ / "new.iff"));
    ASSERT_EQ(frames.size(), 3u);
    ASSERT_EQ(frames[0].width, 3);
    ASSERT_EQ(frames[0].height, 1);
    const uint8_t row[12] = {20, 235, 60, 255, 40, 215, 120, 255, 250, 5, 238, 255};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(frames[0].rgba[static_cast<size_t>(i)], row[i]) << i;
    EXPECT_EQ(frames[0].depth, std::vector<uint8_t>(3, 255)); // no depth picture: no depth
    EXPECT_EQ(frames[1].rgba, (std::vector<uint8_t>{100, 155, 44, 255, 7, 248, 21, 255}));
    EXPECT_EQ(frames[2].rgba, (std::vector<uint8_t>{0, 255, 0, 255}));
}

TEST_F(SpriteRoundTrip, BadPicturesAreRefusedAndNothingIsWritten)
{
    ASSERT_EQ(Export().status, 0);
    const std::vector<uint8_t> good = ReadFileBytes(dir_ / "out/500_0.png");
    struct Case {
        const char* what;
        std::function<void()> damage;
        const char* message;
    };
    const Case cases[] = {
        {"too wide", [&] { WritePng(dir_ / "out/500_0.png", 70000, 1, PNG_FORMAT_GRAY, std::vector<uint8_t>(70000, 9)); },
         "is 70000 x 1 pixels: a sprite frame holds at most 65535 x 65535!"},
        {"not a PNG", [&] { WriteFileBytes(dir_ / "out/500_0.png", testing::BytesOf("GIF89a....")); },
         "is not a PNG picture that can be read!"},
        {"cut short",
         [&] { WriteFileBytes(dir_ / "out/500_0.png", std::span(good.data(), good.size() / 2)); },
         "is not a PNG picture that can be read!"},
        {"depth of another size", [&] { WritePng(dir_ / "out/500_0_depth.png", 2, 2, PNG_FORMAT_GRAY, {1, 2, 3, 4}); },
         "is not the size of"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir_ / "out");
        ASSERT_EQ(Export().status, 0);
        c.damage();
        const auto result = Import();
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
        EXPECT_NE(result.err.find("Nothing was written."), std::string::npos) << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "new.iff")) << c.what;
    }
    // --from is required.
    EXPECT_EQ(RunTool({"iff", "import", "obj.iff", "new.iff"}, dir_.Path()).status, 2);
}

TEST_F(SpriteRoundTrip, FramesAndPicturesBeyondTheLimitsFailWithTheirSizeInBoundedMemory)
{
    // Under 2 GiB of address space, as a small machine: frames claiming
    // 65535 x 65535 and 12000 x 12000 pixels in a file of a few hundred bytes
    // are refused before anything is allocated for them; one at the limit
    // (4096 x 4096) is exported.
    constexpr uint64_t kTwoGiB = uint64_t{2} << 30;
    auto claiming = [](uint16_t width, uint16_t height) {
        testing::Spr2ChunkFrame frame;
        frame.width = width;
        frame.height = height;
        frame.paletteId = 7;
        frame.pixels = {0x00, 0x00, 0x01, 0xC0, 0x05, 0x00, 0x00, 0xA0}; // row start, one pixel, end
        return frame;
    };
    testing::IffFileLayout layout;
    layout.chunks = {
        testing::Chunk("SPR2", 600, testing::BuildSpr2(7, {claiming(65535, 65535), claiming(12000, 12000),
                                                           claiming(4096, 4096)})),
        testing::Chunk("PALT", 7, testing::BuildPalt(PaletteColoursBytes())),
    };
    const std::vector<uint8_t> bomb = testing::BuildIffFile(layout);
    ASSERT_LT(bomb.size(), 2000u);
    WriteFileBytes(dir_ / "bomb.iff", bomb);
    const auto exported = RunTool({"iff", "export", "bomb.iff", "bomb"}, dir_.Path(), kTwoGiB);
    EXPECT_EQ(exported.status, 1);
    const std::string limit = " pixels, more than the 16,777,216 a sprite frame may have";
    EXPECT_NE(exported.err.find("Frame 0 of SPR2 600 is 65535 x 65535" + limit), std::string::npos) << exported.err;
    EXPECT_NE(exported.err.find("Frame 1 of SPR2 600 is 12000 x 12000" + limit), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "bomb/600_0.png"));
    const Png atLimit = ReadPng(dir_ / "bomb/600_2.png", PNG_FORMAT_RGBA, PNG_COLOR_TYPE_RGB_ALPHA);
    EXPECT_EQ(atLimit.width, 4096u);
    EXPECT_EQ(atLimit.pixels[3], 255); // the one pixel drawn
    EXPECT_TRUE(std::filesystem::exists(dir_ / "bomb/sprites.json"));

    // Pictures claiming what the files claimed: each named with its size.
    ASSERT_EQ(Export().status, 0);
    const std::vector<uint8_t> small = ReadFileBytes(dir_ / "out/500_0.png");
    const std::pair<uint32_t, std::string> claims[] = {
        {16000, "is 16000 x 16000" + limit},
        {30000, "is 30000 x 30000" + limit},
        {33000, "is 33000 x 33000" + limit},
        {65536, "is 65536 x 65536 pixels: a sprite frame holds at most 65535 x 65535!"},
    };
    for (const auto& [side, message] : claims) {
        WriteFileBytes(dir_ / "out/500_0.png", testing::PngClaimingSize(small, side, side));
        const auto imported = RunTool({"iff", "import", "obj.iff", "new.iff", "--from", "out"}, dir_.Path(), kTwoGiB);
        EXPECT_EQ(imported.status, 1) << side;
        EXPECT_NE(imported.err.find(message), std::string::npos) << imported.err;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "new.iff"));
    }
}

TEST_F(SpriteRoundTrip, WideRowsImportUpToWhatAnSpr2RowHolds)
{
    // Opaque pixels with depth take 2 bytes each: 4093 of them fill a row's
    // 8191 bytes, 4100 would need 8204, which its 13-bit count cannot state.
    auto wide = [&](uint32_t width) {
        std::vector<uint8_t> rgba(4 * size_t{width} * 2, 255);
        for (size_t p = 0; p < rgba.size() / 4; ++p) { // colour p mod 256 of palette 7
            rgba[4 * p] = static_cast<uint8_t>(p);
            rgba[4 * p + 1] = static_cast<uint8_t>(255 - p);
            rgba[4 * p + 2] = static_cast<uint8_t>(3 * p);
        }
        WritePng(dir_ / "out/500_0.png", width, 2, PNG_FORMAT_RGBA, rgba);
        WritePng(dir_ / "out/500_0_depth.png", width, 2, PNG_FORMAT_GRAY, std::vector<uint8_t>(size_t{width} * 2, 40));
    };
    ASSERT_EQ(Export().status, 0);
    wide(4100);
    const auto refused = Import();
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Row 0 of \"out/500_0.png\" takes 8204 bytes, more than the 8191 an SPR2 row can hold"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "new.iff"));

    wide(4093);
    const auto fits = Import();
    ASSERT_EQ(fits.status, 0) << fits.err;
    const std::vector<ExportedFrame> frames = DecodedFrames(ReadFileBytes(dir_ / "new.iff"));
    ASSERT_EQ(frames[0].width, 4093);
    for (size_t p = 0; p < 2 * 4093; p += 97) {
        EXPECT_EQ(frames[0].rgba[4 * p], static_cast<uint8_t>(p)) << p;
        EXPECT_EQ(frames[0].rgba[4 * p + 3], 255) << p;
        EXPECT_EQ(frames[0].depth[p], 40) << p;
    }
}

// Replaces the one occurrence of `from` in the exported sprites.json.
void EditManifest(const std::filesystem::path& path, const std::string& from, const std::string& to)
{
    std::string text = testing::ReadText(path);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << "\n" << text;
    text.replace(at, from.size(), to);
    WriteFileBytes(path, testing::BytesOf(text));
}

TEST_F(SpriteRoundTrip, EditsToTheManifestTakeEffect)
{
    ASSERT_EQ(Export().status, 0);
    const std::filesystem::path json = dir_ / "out/sprites.json";
    // Sprite 500 gets a new label, chunk flags and palette; its frame 0 the
    // reversed palette (its unchanged picture is mapped into that one), its
    // frame 1, without a picture, a new y offset.
    EditManifest(json, "{\"chunk\": 500, \"label\": \"Mixed\", \"flags\": 16, \"paletteId\": 7",
                 "{\"chunk\": 500, \"label\": \"Edited \\u00e9\", \"flags\": 20, \"paletteId\": 8");
    EditManifest(json, "{\"frame\": 0, \"width\": 4, \"height\": 3, \"paletteId\": 7",
                 "{\"frame\": 0, \"width\": 4, \"height\": 3, \"paletteId\": 8");
    EditManifest(json, "\"yOffset\": 0, \"png\": \"500_1.png\"", "\"yOffset\": 9, \"png\": \"500_1.png\"");
    std::filesystem::remove(dir_ / "out/500_1.png");
    const auto result = Import();
    ASSERT_EQ(result.status, 0) << result.err;

    const std::vector<uint8_t> bytes = ReadFileBytes(dir_ / "new.iff");
    CIffFileRef file;
    IffParseError error{};
    ASSERT_TRUE(file.Open(bytes, error, true));
    CIffChunk* chunk = file.Find(MakeTypeCode("SPR2"), 500);
    ASSERT_NE(chunk, nullptr);
    EXPECT_EQ(chunk->Label(), "Edited \xe9");
    EXPECT_EQ(chunk->Flags(), 20);
    CSpr2Sprite sprite;
    ASSERT_TRUE(sprite.Load(file, chunk));
    EXPECT_EQ(sprite.PaletteId(), 8);
    Spr2Frame frame;
    ASSERT_TRUE(sprite.GetFrame(0, frame));
    EXPECT_EQ(frame.paletteId, 8);
    EXPECT_EQ(frame.flags, 0x1234u);
    ASSERT_TRUE(sprite.GetFrame(1, frame));
    EXPECT_EQ(frame.paletteId, 7);
    EXPECT_EQ(frame.yOffset, 9);
    // Drawn through their palettes, all frames look as before.
    const std::vector<ExportedFrame> before = DecodedFrames(SpriteFile());
    const std::vector<ExportedFrame> after = DecodedFrames(bytes);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].rgba, before[i].rgba) << i;
        EXPECT_EQ(after[i].depth, before[i].depth) << i;
    }

    // Without a manifest the input's fields stay, and the tool says so.
    std::filesystem::remove(json);
    std::filesystem::remove(dir_ / "new.iff");
    const auto bare = Import();
    ASSERT_EQ(bare.status, 0) << bare.err;
    EXPECT_NE(bare.err.find("no sprites.json in \"out\": the sprites keep their palette ids"), std::string::npos)
        << bare.err;
    CIffFileRef plain;
    ASSERT_TRUE(plain.Open(ReadFileBytes(dir_ / "new.iff"), error, true));
    EXPECT_EQ(plain.Find(MakeTypeCode("SPR2"), 500)->Label(), "Mixed");
}

TEST_F(SpriteRoundTrip, ABrokenOrWrongManifestWritesNothing)
{
    const struct {
        const char* what;
        std::string from, to;
        const char* message;
    } cases[] = {
        {"cut short", "\n    ]}", "", "sprites.json\" can't be read: line"},
        {"a typo", "\"paletteId\": 7, \"frames\"", "\"paletteID\": 7, \"frames\"",
         "has an unknown field \"paletteID\"!"},
        {"a sprite the input lacks", "{\"chunk\": 501", "{\"chunk\": 999", "lists SPR2 999, which the input does not hold!"},
        {"a frame the sprite lacks", "{\"frame\": 0, \"width\": 1", "{\"frame\": 5, \"width\": 1",
         "SPR2 501 in sprites.json lists frame 5, but the sprite has 1 frames!"},
        {"a label too long", "\"label\": \"Mixed\"", "\"label\": \"" + std::string(64, 'x') + "\"",
         "a label holds at most 63 characters"},
        {"a palette nobody has", "{\"frame\": 0, \"width\": 1, \"height\": 1, \"paletteId\": 7",
         "{\"frame\": 0, \"width\": 1, \"height\": 1, \"paletteId\": 99", "has no usable palette!"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir_ / "out");
        ASSERT_EQ(Export().status, 0);
        if (std::string(c.what) == "a palette nobody has")
            EditManifest(dir_ / "out/sprites.json", "{\"chunk\": 501, \"label\": \"\", \"flags\": 16, \"paletteId\": 7",
                         "{\"chunk\": 501, \"label\": \"\", \"flags\": 16, \"paletteId\": 98");
        EditManifest(dir_ / "out/sprites.json", c.from, c.to);
        const auto result = Import();
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
        EXPECT_NE(result.err.find("Nothing was written."), std::string::npos) << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "new.iff")) << c.what;
    }
}

TEST_F(SpriteRoundTrip, AnOversizedManifestAndFifosAreRefusedUnread)
{
    ASSERT_EQ(Export().status, 0);
    // Over the limit: refused before a byte is read, naming the limit.
    std::string zeros = "[";
    while (zeros.size() <= SpriteManifest::kMaxBytes)
        zeros += "0,";
    WriteFileBytes(dir_ / "out/sprites.json", testing::BytesOf(zeros + "0]"));
    const auto large = Import();
    EXPECT_EQ(large.status, 1);
    EXPECT_NE(large.err.find("sprites.json\" is too large to be a sprite manifest (at most 4 MB)!"), std::string::npos)
        << large.err;

    // A FIFO in place of the manifest or of a picture is refused at once,
    // never waited on. Should the tool wait anyway, a writer lets it go on.
    for (const char* name : {"sprites.json", "500_0.png"}) {
        std::filesystem::remove_all(dir_ / "out");
        ASSERT_EQ(Export().status, 0);
        const std::filesystem::path fifo = dir_ / "out" / name;
        std::filesystem::remove(fifo);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const testing::RunningTool tool = testing::StartTool({"iff", "import", "obj.iff", "new.iff", "--from", "out"},
                                                             dir_.Path());
        bool finished = false;
        for (int waited = 0; waited < 200 && !finished; ++waited) {
            siginfo_t info{};
            finished = ::waitid(P_PID, static_cast<id_t>(tool.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                       info.si_pid == tool.pid;
            if (!finished)
                ::usleep(50000);
        }
        EXPECT_TRUE(finished) << name << ": the import waits on a FIFO";
        if (!finished)
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        const auto result = testing::FinishTool(tool);
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_NE(result.err.find(std::string(name) + "\" is not a regular file!"), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "new.iff")) << name;
    }
}

// How many times `what` occurs in `text`.
size_t Count(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST_F(SpriteRoundTrip, PicturesThatWouldLoseAlphaOrDepthAreRefusedOrToldOf)
{
    ASSERT_EQ(Export().status, 0);
    // Frame 0 has transparent and blended pixels and depth; frame 1 is a
    // solid block with depth; sprite 501's frame has no depth. Frame 0 and 1
    // come back as RGB pictures (no alpha channel), without depth pictures.
    WritePng(dir_ / "out/500_0.png", 4, 3, PNG_FORMAT_RGB, std::vector<uint8_t>(36, 200));
    WritePng(dir_ / "out/500_1.png", 2, 2, PNG_FORMAT_RGB, std::vector<uint8_t>(12, 60));
    for (const char* name : {"500_0_depth.png", "500_1_depth.png", "501_0_depth.png"})
        std::filesystem::remove(dir_ / "out" / name);
    const auto refused = Import();
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("500_0.png\" has no alpha channel, but frame 0 of SPR2 500 has pixels that are not "
                               "opaque: save it with alpha, or give --opaque to draw every pixel opaque!"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(Count(refused.err, "no alpha channel"), 1u) << refused.err; // frame 1 was opaque anyway
    EXPECT_FALSE(std::filesystem::exists(dir_ / "new.iff"));

    // --opaque (a flag: the argument after it is the output) draws them opaque;
    // each frame whose depth is dropped is named, once.
    const auto opaque = RunTool({"iff", "import", "obj.iff", "--opaque", "new.iff", "--from", "out"}, dir_.Path());
    ASSERT_EQ(opaque.status, 0) << opaque.err;
    EXPECT_EQ(Count(opaque.err, "no depth picture for"), 2u) << opaque.err;
    EXPECT_NE(opaque.err.find("vorn-cli: no depth picture for frame 0 of SPR2 500 in \"out\": its pixels lose their "
                              "depth"),
              std::string::npos)
        << opaque.err;
    EXPECT_NE(opaque.err.find("frame 1 of SPR2 500 in"), std::string::npos) << opaque.err;
    const std::vector<ExportedFrame> frames = DecodedFrames(ReadFileBytes(dir_ / "new.iff"));
    ASSERT_EQ(frames.size(), 3u);
    for (size_t p = 0; p < 12; ++p)
        EXPECT_EQ(frames[0].rgba[4 * p + 3], 255) << p;
    EXPECT_EQ(frames[0].depth, std::vector<uint8_t>(12, 255));
}

TEST_F(SpriteRoundTrip, ManifestPictureNamesAndSizesAreHonouredOrRefused)
{
    const std::filesystem::path json = dir_ / "out/sprites.json";
    const struct {
        const char* what;
        std::string from, to;
        const char* message;
    } refusals[] = {
        {"another picture name", "\"png\": \"500_0.png\"", "\"png\": \"mine.png\"",
         "SPR2 500 in sprites.json names \"mine.png\" for frame 0, but the import reads \"500_0.png\" (or no "
         "picture, for null)!"},
        {"another depth name", "\"depthPng\": \"501_0_depth.png\"", "\"depthPng\": \"501_0.png\"",
         "names \"501_0.png\" for frame 0, but the import reads \"501_0_depth.png\""},
        {"a size the picture does not have", "{\"frame\": 0, \"width\": 4", "{\"frame\": 0, \"width\": 5",
         "SPR2 500 in sprites.json gives frame 0 the width 5, but \"out/500_0.png\" is 4 pixels wide: the size comes "
         "from the picture!"},
        {"a size without a picture", "{\"frame\": 1, \"width\": 2, \"height\": 2", "{\"frame\": 1, \"width\": 2, \"height\": 7",
         "gives frame 1 the height 7, but there is no picture to take a new size from!"},
    };
    for (const auto& c : refusals) {
        std::filesystem::remove_all(dir_ / "out");
        ASSERT_EQ(Export().status, 0);
        std::filesystem::remove(dir_ / "out/500_1.png");
        EditManifest(json, c.from, c.to);
        const auto result = Import();
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "new.iff")) << c.what;
    }

    // A size changed along with its picture is taken; "png": null keeps the
    // frame's pixels, and the picture left in the folder is named as unread.
    std::filesystem::remove_all(dir_ / "out");
    ASSERT_EQ(Export().status, 0);
    WritePng(dir_ / "out/501_0.png", 3, 1, PNG_FORMAT_RGBA, std::vector<uint8_t>(12, 255));
    std::filesystem::remove(dir_ / "out/501_0_depth.png");
    EditManifest(json, "{\"frame\": 0, \"width\": 1", "{\"frame\": 0, \"width\": 3");
    EditManifest(json, "\"png\": \"500_1.png\", \"depthPng\": \"500_1_depth.png\"", "\"png\": null");
    WritePng(dir_ / "out/500_1.png", 2, 2, PNG_FORMAT_RGBA, std::vector<uint8_t>(16, 0));
    const auto result = Import();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("\"out/500_1.png\" was not read: sprites.json gives frame 1 of SPR2 500 no such picture "
                              "(null)"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("\"out/500_1_depth.png\" was not read: sprites.json gives frame 1"), std::string::npos)
        << result.err;
    const std::vector<ExportedFrame> before = DecodedFrames(SpriteFile());
    const std::vector<ExportedFrame> after = DecodedFrames(ReadFileBytes(dir_ / "new.iff"));
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[1].rgba, before[1].rgba);
    EXPECT_EQ(after[2].width, 3);
}

TEST_F(SpriteRoundTrip, PicturesNoFrameReadsAreReported)
{
    ASSERT_EQ(Export().status, 0);
    std::filesystem::rename(dir_ / "out/500_0.png", dir_ / "out/500_0.PNG");
    for (const char* name : {"100_12.png", "500_7.png", "501_3_depth.png", "notes.txt"})
        std::filesystem::copy_file(dir_ / "out/501_0.png", dir_ / "out" / name);
    std::filesystem::create_directory(dir_ / "out/folder.png");
    const auto result = Import();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("vorn-cli: \"out/500_0.PNG\" was not read: the import reads \"500_0.png\", in that "
                              "letter case"),
              std::string::npos)
        << result.err;
    for (const char* name : {"100_12.png", "500_7.png", "501_3_depth.png"})
        EXPECT_NE(result.err.find(std::string("\"out/") + name + "\" was not read: it is not the picture of a frame "
                                                               "imported"),
                  std::string::npos)
            << name << ": " << result.err;
    EXPECT_NE(result.err.find("\"out/500_0_depth.png\" was not read: a depth picture is read with its colour "
                              "picture \"500_0.png\", which is not there"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(Count(result.err, "was not read"), 5u) << result.err;

    // With --chunk, only the pictures named after that sprite are its business.
    std::filesystem::remove(dir_ / "new.iff");
    const auto one = Import("new.iff", {"--chunk", "501"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(Count(one.err, "was not read"), 1u) << one.err;
    EXPECT_NE(one.err.find("501_3_depth.png"), std::string::npos) << one.err;
}

TEST_F(SpriteRoundTrip, ImportWritesBackIntoAnArchiveEntry)
{
    const std::vector<uint8_t> object = SpriteFile();
    WriteFileBytes(dir_ / "game.far",
                   testing::MakeFarImage({{"Objects\\obj.iff", std::string(object.begin(), object.end())}}));
    ASSERT_EQ(RunTool({"iff", "export", "game.far::Objects/obj.iff", "out"}, dir_.Path()).status, 0);
    WritePng(dir_ / "out/501_0.png", 2, 1, PNG_FORMAT_RGBA, {9, 246, 27, 255, 0, 0, 0, 0});
    std::filesystem::remove(dir_ / "out/501_0_depth.png");
    const auto result =
        RunTool({"iff", "import", "game.far::Objects/obj.iff", "game.far::Objects/obj.iff", "--from", "out"}, dir_.Path());
    ASSERT_EQ(result.status, 0) << result.err;
    const auto cat = RunTool({"cat", "game.far", "Objects/obj.iff"}, dir_.Path());
    const std::vector<ExportedFrame> frames = DecodedFrames(std::vector<uint8_t>(cat.out.begin(), cat.out.end()));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2].rgba, (std::vector<uint8_t>{9, 246, 27, 255, 0, 0, 0, 0}));
}

// The SPR2 chunks of an IFF file by id.
std::map<uint16_t, std::vector<uint8_t>> SpriteChunks(const std::vector<uint8_t>& iff)
{
    std::map<uint16_t, std::vector<uint8_t>> chunks;
    CIffFileRef file;
    IffParseError error{};
    EXPECT_TRUE(file.Open(iff, error, true));
    for (CIffChunk* chunk : file.ChunksOfType(MakeTypeCode("SPR2"))) {
        EXPECT_TRUE(file.LoadChunk(*chunk));
        chunks[chunk->Id()] = {chunk->Bytes().begin(), chunk->Bytes().end()};
    }
    return chunks;
}

TEST(SpriteLayouts, AnUnchangedExportImportsToIdenticalChunksInEitherLayout)
{
    testing::TempDir dir;
    // Sprite 1: version 1001 over a palette whose header starts with 0; sprite
    // 2: version 1000 with filler the writer would not make.
    testing::Spr2ChunkFrame blended = testing::SolidFrame(3, 2, 40, 20, 4);
    blended.pixels = EncodeSpr2Frame(Spr2PixelPlanes{3, 2, std::vector<Kind>(6, Kind::Blended),
                                                     {1, 2, 3, 4, 5, 6}, std::vector<uint8_t>(6, 9),
                                                     {0, 50, 100, 150, 200, 250}});
    testing::Spr2ChunkFrame gapped = testing::SolidFrame(2, 2, 7, std::nullopt, 4);
    gapped.gapBefore = 6;
    testing::IffFileLayout layout;
    layout.chunks = {
        testing::Chunk("SPR2", 1, testing::BuildSpr2Sequential(4, {testing::SolidFrame(4, 3, 9, 30, 4), blended})),
        testing::Chunk("SPR2", 2, testing::BuildSpr2(4, {gapped}, false)),
        testing::Chunk("PALT", 4, testing::BuildPalt(PaletteColoursBytes(), 0)),
    };
    const std::vector<uint8_t> original = testing::BuildIffFile(layout);
    WriteFileBytes(dir / "obj.iff", original);
    ASSERT_EQ(RunTool({"iff", "export", "obj.iff", "out"}, dir.Path()).status, 0);
    auto result = RunTool({"iff", "import", "obj.iff", "same.iff", "--from", "out"}, dir.Path());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(SpriteChunks(ReadFileBytes(dir / "same.iff")), SpriteChunks(original));

    // A changed picture is encoded anew into the layout the sprite came in;
    // the frame left alone keeps its bytes.
    WritePng(dir / "out/1_1.png", 1, 1, PNG_FORMAT_RGBA, {20, 235, 60, 255});
    std::filesystem::remove(dir / "out/1_1_depth.png");
    result = RunTool({"iff", "import", "obj.iff", "edited.iff", "--from", "out"}, dir.Path());
    ASSERT_EQ(result.status, 0) << result.err;
    const auto edited = SpriteChunks(ReadFileBytes(dir / "edited.iff"));
    testing::Spr2ChunkFrame single = blended;
    single.width = 1;
    single.height = 1;
    single.pixels = EncodeSpr2Frame(Spr2PixelPlanes{1, 1, {Kind::Plain}, {20}, {255}, {0}});
    EXPECT_EQ(edited.at(1), testing::BuildSpr2Sequential(4, {testing::SolidFrame(4, 3, 9, 30, 4), single}));
    EXPECT_EQ(edited.at(2), SpriteChunks(original).at(2));
}

} // namespace
} // namespace vorn

namespace vorn {
namespace {

// The 768 colour bytes of PALT `id` of an IFF file.
std::vector<uint8_t> PaletteOf(const std::vector<uint8_t>& iff, uint16_t id)
{
    CIffFileRef file;
    IffParseError error{};
    EXPECT_TRUE(file.Open(iff, error, true));
    CIffChunk* chunk = PaltPalette::FindChunk(file, id, id);
    const uint8_t* colours = chunk != nullptr ? PaltPalette::Colours(*chunk) : nullptr;
    return colours != nullptr ? std::vector<uint8_t>(colours, colours + 768) : std::vector<uint8_t>{};
}

TEST_F(SpriteRoundTrip, ARecolourThePaletteLacksIsToldAndARebuiltPaletteKeepsIt)
{
    ASSERT_EQ(Export().status, 0);
    // Frame 1 of sprite 500 turns green, a colour palette 7 lacks.
    std::vector<uint8_t> green;
    green.reserve(16);
    for (int i = 0; i < 4; ++i)
        green.insert(green.end(), {0, 200, 0, 255});
    WritePng(dir_ / "out/500_1.png", 2, 2, PNG_FORMAT_RGBA, green);
    const auto kept = Import();
    ASSERT_EQ(kept.status, 0) << kept.err;
    EXPECT_NE(kept.err.find("vorn-cli: frame 1 of SPR2 500: 4 pixel(s) drawn more than 8 off their colour (the "
                            "farthest "),
              std::string::npos)
        << kept.err;
    EXPECT_NE(kept.err.find("off): PALT 7 lacks those colours; --palette rebuild builds it from the pictures\n"),
              std::string::npos);
    EXPECT_EQ(kept.err.find("frame 0 of SPR2"), std::string::npos) << "an unchanged frame is not told of";

    const auto rebuilt = Import("new.iff", {"--palette", "rebuild"});
    ASSERT_EQ(rebuilt.status, 0) << rebuilt.err;
    EXPECT_NE(rebuilt.err.find("vorn-cli: PALT 7 rebuilt from 3 frame(s): "), std::string::npos) << rebuilt.err;
    EXPECT_EQ(rebuilt.err.find("drawn more than"), std::string::npos) << rebuilt.err;
    const std::vector<uint8_t> written = ReadFileBytes(dir_ / "new.iff");
    const std::vector<ExportedFrame> before = DecodedFrames(SpriteFile());
    const std::vector<ExportedFrame> after = DecodedFrames(written);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[1].rgba, green);
    // The other frames drawn with palette 7, sprite 501's too, look as before.
    EXPECT_EQ(after[0].rgba, before[0].rgba);
    EXPECT_EQ(after[0].depth, before[0].depth);
    EXPECT_EQ(after[2].rgba, before[2].rgba);
    EXPECT_EQ(PaletteOf(written, 8), ReversedPaletteBytes());

    EXPECT_EQ(Import("new.iff", {"--palette", "nice"}).status, 2);
}

TEST_F(SpriteRoundTrip, PalettesGoOutAndComeBackAsGimpPalettesAndSwatches)
{
    for (const char* name : {"p.gpl", "p.png"}) {
        // The chunk as the other iff commands name it, or its bare id.
        ASSERT_EQ(RunTool({"iff", "palette-export", "obj.iff", "PALT:8", name}, dir_.Path()).status, 0) << name;
        const auto put = RunTool({"iff", "palette-import", "obj.iff", "new.iff", "7", name}, dir_.Path());
        ASSERT_EQ(put.status, 0) << put.err;
        EXPECT_EQ(PaletteOf(ReadFileBytes(dir_ / "new.iff"), 7), ReversedPaletteBytes()) << name;
    }
    EXPECT_TRUE(testing::ReadText(dir_ / "p.gpl").starts_with("GIMP Palette\nName: PALT 8\nColumns: 16\n#\n255   0 253"));

    // A short palette sets its first colours; the others stay.
    WriteFileBytes(dir_ / "two.gpl", std::vector<uint8_t>{'G', 'I', 'M', 'P', ' ', 'P', 'a', 'l', 'e', 't', 't', 'e', '\n',
                                                          '1', ' ', '2', ' ', '3', '\n', '4', ' ', '5', ' ', '6', '\n'});
    const auto two = RunTool({"iff", "palette-import", "obj.iff", "new.iff", "7", "two.gpl"}, dir_.Path());
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_NE(two.err.find("2 colours read: colours 2 to 255 of PALT 7 keep theirs"), std::string::npos) << two.err;
    std::vector<uint8_t> expected = PaletteColoursBytes();
    for (uint8_t i = 0; i < 6; ++i)
        expected[i] = static_cast<uint8_t>(i + 1);
    EXPECT_EQ(PaletteOf(ReadFileBytes(dir_ / "new.iff"), 7), expected);

    // No palette, no PALT of that id: refused, nothing written.
    std::filesystem::remove(dir_ / "new.iff");
    WriteFileBytes(dir_ / "bad.gpl", std::vector<uint8_t>{'G', 'I', 'M', 'P', ' ', 'P', 'a', 'l', 'e', 't', 't', 'e',
                                                          '\n', '1', ' ', '2', '\n'});
    const auto bad = RunTool({"iff", "palette-import", "obj.iff", "new.iff", "7", "bad.gpl"}, dir_.Path());
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("\"bad.gpl\": line 2: give red, green and blue, each 0 to 255!"), std::string::npos)
        << bad.err;
    WritePng(dir_ / "odd.png", 3, 3, PNG_FORMAT_RGB, std::vector<uint8_t>(27, 9));
    const auto swatch = RunTool({"iff", "palette-import", "obj.iff", "new.iff", "7", "odd.png"}, dir_.Path());
    EXPECT_EQ(swatch.status, 1);
    EXPECT_NE(swatch.err.find("3 x 3 pixels, not a swatch"), std::string::npos) << swatch.err;
    const auto missing = RunTool({"iff", "palette-export", "obj.iff", "9", "q.gpl"}, dir_.Path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No PALT chunk has the id 9!"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "new.iff"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "q.gpl"));
}

} // namespace
} // namespace vorn

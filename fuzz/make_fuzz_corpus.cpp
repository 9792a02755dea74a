// Writes the seed inputs of every fuzz target, one folder per target, with
// the project's own fixture writers, so the fuzzers start from well-formed
// files of each kind and shape rather than from nothing.
//
// Usage: make_fuzz_corpus OUTPUT_FOLDER
#include "base/endian.h"
#include "cli/png_writer.h"
#include "cli/sprite_manifest.h"
#include "sprites/palette_files.h"
#include "testing/bmp_builder.h"
#include "testing/far_fixture.h"
#include "testing/iff_fixtures.h"
#include "testing/object_fixture.h"
#include "testing/spr2_encoder.h"
#include "testing/temp_dir.h"
#include "testing/xa_builder.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace vorn::testing;
namespace fs = std::filesystem;

class SeedWriter {
public:
    explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

    void Add(const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes)
    {
        fs::create_directories(root_ / target);
        WriteFileBytes(root_ / target / name, bytes);
        ++count_;
    }
    int Count() const { return count_; }

private:
    fs::path root_;
    int count_ = 0;
};

std::vector<uint8_t> Palette()
{
    std::vector<uint8_t> colours;
    for (int i = 0; i < 256; ++i)
        colours.insert(colours.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3)});
    return BuildPalt(colours);
}

// A frame using every pixel command: depth pairs, alpha triples, colours
// only, transparent runs and skipped rows.
Spr2ChunkFrame MixedFrame(bool withAlpha, uint16_t paletteId)
{
    Spr2SourceFrame source;
    source.width = 5;
    source.height = 4;
    source.hasAlpha = withAlpha;
    source.transparentIndex = 0;
    source.colour = {1, 2, 0, 3, 4, 0, 0, 0, 0, 0, 5, 0, 6, 7, 8, 9, 9, 0, 1, 2};
    source.depth = {10, 20, 0, 30, 40, 0, 0, 0, 0, 0, 50, 0, 60, 70, 80, 90, 90, 0, 10, 20};
    source.alpha = {255, 128, 0, 255, 10, 0, 0, 0, 0, 0, 255, 0, 40, 255, 255, 255, 1, 0, 255, 255};
    Spr2ChunkFrame frame;
    frame.width = source.width;
    frame.height = source.height;
    frame.paletteId = paletteId;
    frame.xOffset = 2;
    frame.yOffset = 1;
    frame.pixels = EncodeSpr2Pixels(source);
    return frame;
}

std::vector<uint8_t> WithPlacement(int8_t x, int8_t y, int8_t bias, const std::vector<uint8_t>& chunk)
{
    std::vector<uint8_t> input = {static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(bias)};
    input.insert(input.end(), chunk.begin(), chunk.end());
    return input;
}

void FarSeeds(SeedWriter& seeds)
{
    seeds.Add("fuzz_far", "empty.far", MakeFarImage({}));
    seeds.Add("fuzz_far", "flat.far", MakeFarImage({{"a.txt", "hello"}, {"b.bin", std::string(40, '\x01')}}));
    const std::vector<FarFixtureFile> nested = {
        {"dir\\one.txt", "1"}, {"DIR\\sub\\two.txt", "22"}, {"dir\\sub\\deeper\\three", "333"},
        {"dir\\one.txt", "again"}, {"\\lead\\x", ""}, {"tail\\", "t"}, {"a\\\\b", "gap"},
    };
    seeds.Add("fuzz_far", "nested.far", MakeFarImage(nested));
    seeds.Add("fuzz_far", "narrow.far", MakeFarImage(nested, true));
}

void IffSeeds(SeedWriter& seeds)
{
    IffFileLayout layout;
    layout.chunks = {
        Chunk("PALT", 1, Palette(), "palette"),
        Chunk("SPR2", 10, BuildSpr2(1, {MixedFrame(false, 1), MixedFrame(true, 0)})),
        Chunk("STR#", 5, {1, 2, 3, 4, 5}, "strings"),
    };
    layout.chunks.back().flags = 0x0014; // kept only through the map
    seeds.Add("fuzz_iff", "map_at_end.iff", BuildIffFile(layout));
    seeds.Add("fuzz_iff_export", "sprites.iff", BuildIffFile(layout));
    layout.map = IffMapPlacement::BeforeChunks;
    seeds.Add("fuzz_iff", "map_first.iff", BuildIffFile(layout));
    layout.map = IffMapPlacement::None;
    layout.version = "2.0";
    seeds.Add("fuzz_iff", "no_map_2_0.iff", BuildIffFile(layout));
    layout.version = "2.5";
    layout.map = IffMapPlacement::End;
    layout.chunks.push_back(Chunk("PALT", 1, BuildPalt({9, 9, 9}), "same id again"));
    layout.chunks.back().inMap = false;
    seeds.Add("fuzz_iff", "replaced.iff", BuildIffFile(layout));
}

void SpriteSeeds(SeedWriter& seeds)
{
    seeds.Add("fuzz_spr2", "solid.spr2", WithPlacement(0, 0, 0, BuildSpr2(1, {SolidFrame(3, 2, 7, 100)})));
    seeds.Add("fuzz_spr2", "mixed.spr2",
              WithPlacement(2, 3, 5, BuildSpr2(1, {MixedFrame(false, 0), MixedFrame(true, 1), SolidFrame(30, 3, 4, std::nullopt)})));
    seeds.Add("fuzz_spr2", "clipped.spr2", WithPlacement(-3, 18, -20, BuildSpr2(0, {MixedFrame(true, 2), SolidFrame(26, 22, 1, 9)})));
    seeds.Add("fuzz_spr2", "unaligned.spr2", WithPlacement(1, 1, 0, BuildSpr2(1, {MixedFrame(false, 1), MixedFrame(false, 1)}, false)));
    seeds.Add("fuzz_spr2", "sequential.spr2",
              WithPlacement(-1, 2, 3, BuildSpr2Sequential(1, {MixedFrame(true, 0), MixedFrame(false, 9), SolidFrame(4, 30, 2, 8)})));
    seeds.Add("fuzz_spr2", "sequential_empty.spr2", WithPlacement(0, 0, 0, BuildSpr2Sequential(0, {})));
}

void DrawGroupSeeds(SeedWriter& seeds)
{
    const std::vector<DgrpImageDesc> images = {
        {0x55, 1, {{-3, 20, 0, 1, 2, 3, 4, 5, 1}, {-2, 21, 1, -1, -2, 0, 0, 0, 0}}},
        {0xAA, 3, {{-3, 22, 2, 30, -40, 7, 8, 9, 0}}},
        {0xFF, 2, {}},
    };
    for (const uint16_t version : {20000, 20001, 20003, 20004})
        seeds.Add("fuzz_dgrp", "v" + std::to_string(version) + ".dgrp", BuildDgrp(version, images));
}

void StringSeeds(SeedWriter& seeds)
{
    const std::vector<StrDesc> strings = {{"Turn On", "Lamp", 1, 0}, {"Allumer", "", 3, 2}, {std::string(200, 'x'), "c", 2, 2}};
    seeds.Add("fuzz_strings", "pascal.str", BuildStringTable(StrLayout::Pascal, strings));
    seeds.Add("fuzz_strings", "plain.str", BuildStringTable(StrLayout::Plain, strings));
    seeds.Add("fuzz_strings", "commented.str", BuildStringTable(StrLayout::Commented, strings));
    seeds.Add("fuzz_strings", "languages.str", BuildStringTable(StrLayout::Languages, strings, 1, {0xA3, 0xA3}));
    seeds.Add("fuzz_strings", "language_sets.str", BuildStringTable(StrLayout::LanguageSets, strings, 20));
    seeds.Add("fuzz_strings", "objd.bin", BuildObjd({138, 100, 2, 7, -1}));
}

void ObjectSeeds(SeedWriter& seeds)
{
    const auto sprites = Chunk("SPR2", 300, BuildSpr2(1, {SolidFrame(4, 3, 1, 200), MixedFrame(true, 1), SolidFrame(2, 2, 3, std::nullopt)}));
    IffFileLayout single;
    single.chunks = {
        ObjdChunk(100, "Chair", 1000, 2),
        DgrpChunk(1000, 0xFF, 1, {Placement(300, 0, 0, 0), Placement(300, 1, -3, 2, 1)}),
        DgrpChunk(1001, 0x0F, 3, {Placement(300, 2, 5, 5)}),
        sprites,
        Chunk("PALT", 1, Palette()),
    };
    seeds.Add("fuzz_object", "single.iff", BuildIffFile(single));
    seeds.Add("fuzz_iff_export", "single.iff", BuildIffFile(single));

    IffFileLayout group;
    group.chunks = {
        ObjdChunk(500, "Table", 0, 1, 7, -1),
        ObjdChunk(501, "Table tile 0", 1000, 2, 7, 0x0000),
        ObjdChunk(502, "Table tile 1", 1100, 1, 7, 0x0001),
        ObjdChunk(503, "Table tile 2", 1100, 1, 7, 0x0100),
        DgrpChunk(1000, 0xFF, 3, {Placement(300, 0, 0, 0)}),
        DgrpChunk(1001, 0xFF, 2, {Placement(300, 1, 0, 0)}),
        DgrpChunk(1100, 0x55, 1, {Placement(300, 1, 0, 0), Placement(300, 0, -64, 32), Placement(300, 2, 64, -32, 1)}),
        sprites,
        Chunk("PALT", 1, Palette()),
    };
    seeds.Add("fuzz_object", "multi_tile.iff", BuildIffFile(group));
    seeds.Add("fuzz_iff_export", "multi_tile.iff", BuildIffFile(group));

    // As object files made without the game's tools come: sprites of version
    // 1001, a palette whose header starts with 0, no OBJD with flag 0x10, and
    // placements of a sprite and a frame the file lacks.
    IffFileLayout elsewhere;
    std::vector<uint8_t> zeroPalette = Palette();
    zeroPalette[0] = 0;
    elsewhere.chunks = {
        ObjdChunk(600, "Lamp", 0, 1, 9, -1),
        ObjdChunk(601, "Lamp tile 0", 1000, 1, 9, 0x0000),
        ObjdChunk(602, "Lamp tile 1", 1100, 1, 9, 0x0100),
        DgrpChunk(1000, 0xFF, 1, {Placement(0, 0, 0, 0), Placement(300, 1, 2, 2), Placement(300, 7, 0, 0)}),
        Chunk("SPR2", 300, BuildSpr2Sequential(7, {SolidFrame(4, 3, 1, 200), MixedFrame(true, 7)})),
        Chunk("PALT", 7, zeroPalette),
    };
    for (size_t i = 0; i < 3; ++i)
        elsewhere.chunks[i].flags = 0;
    seeds.Add("fuzz_object", "made_elsewhere.iff", BuildIffFile(elsewhere));
}

void SoundSeeds(SeedWriter& seeds)
{
    std::vector<uint8_t> mono;
    for (uint8_t header : {0x00, 0x12, 0x2C, 0x3F, 0x40})
        for (uint8_t b : XaBlock(header, std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x0F, 0x80, 0x7F}))
            mono.push_back(b);
    seeds.Add("fuzz_xa", "mono.xa", BuildXa(1, 22050, mono));
    std::vector<uint8_t> stereo;
    const auto left = XaBlock(0x1C, std::vector<uint8_t>{0x77, 0x88, 0x01});
    const auto right = XaBlock(0x35, std::vector<uint8_t>{0xF1, 0x1F, 0x99});
    for (size_t i = 0; i < left.size(); ++i)
        stereo.insert(stereo.end(), {left[i], right[i]});
    seeds.Add("fuzz_xa", "stereo.xa", BuildXa(2, 44100, stereo));
    std::vector<uint8_t> cut = BuildXa(1, 11025, mono);
    cut.resize(cut.size() - 7);
    seeds.Add("fuzz_xa", "cut.xa", cut);
}

void WavSeeds(SeedWriter& seeds)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 120; ++i)
        samples.push_back(static_cast<int16_t>((i * 977) % 65536 - 32768));
    seeds.Add("fuzz_wav", "mono.wav", BuildWavImage(1, 22050, samples));
    seeds.Add("fuzz_wav", "stereo.wav", BuildWavImage(2, 44100, samples));
    seeds.Add("fuzz_wav", "five.wav", BuildWavImage(5, 8000, std::span(samples.data(), 100)));
    // The same bytes as the other widths the reader takes: format tag at 20,
    // block align at 32, bits at 34.
    const auto widened = [&samples](uint16_t tag, uint16_t bits) {
        std::vector<uint8_t> wav = BuildWavImage(2, 22050, samples);
        vorn::StoreLE16(wav.data() + 20, tag);
        vorn::StoreLE16(wav.data() + 32, static_cast<uint16_t>(2 * bits / 8));
        vorn::StoreLE16(wav.data() + 34, bits);
        return wav;
    };
    seeds.Add("fuzz_wav", "8bit.wav", widened(1, 8));
    seeds.Add("fuzz_wav", "24bit.wav", widened(1, 24));
    seeds.Add("fuzz_wav", "float.wav", widened(3, 32));
    seeds.Add("fuzz_wav", "double.wav", widened(3, 64));
}

// The encoder target's input: width and height, then pixels of kind,
// colour, depth and alpha repeated over the picture.
std::vector<uint8_t> EncoderInput(uint16_t width, uint16_t height, const std::vector<uint8_t>& pixels)
{
    std::vector<uint8_t> input = {static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                                  static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8)};
    input.insert(input.end(), pixels.begin(), pixels.end());
    return input;
}

void EncoderSeeds(SeedWriter& seeds)
{
    // Kinds 0 transparent, 1 plain, 2 depth, 3 blended.
    seeds.Add("fuzz_spr2_encoder", "mixed.bin",
              EncoderInput(5, 4, {1, 10, 0, 0, 2, 20, 30, 0, 3, 30, 40, 128, 0, 0, 0, 0, 3, 50, 60, 255, 2, 7, 9, 0,
                                  0, 0, 0, 0}));
    seeds.Add("fuzz_spr2_encoder", "wide.bin", EncoderInput(300, 2, {2, 1, 2, 0, 2, 3, 4, 0, 1, 5, 0, 0}));
    seeds.Add("fuzz_spr2_encoder", "tall.bin", EncoderInput(1, 900, {0, 0, 0, 0, 0, 0, 0, 0, 3, 9, 9, 9}));
}

void PngSeeds(SeedWriter& seeds)
{
    const std::vector<uint8_t> rgba = {1, 2, 3, 255, 4, 5, 6, 128, 7, 8, 9, 0, 10, 11, 12, 255, 13, 14, 15, 1, 16, 17, 18, 254};
    seeds.Add("fuzz_png", "rgba.png", vorn::EncodeRgbaPng(rgba, 3, 2));
    seeds.Add("fuzz_png", "grey.png", vorn::EncodeGreyPng(std::vector<uint8_t>{0, 64, 128, 255}, 4, 1));
    seeds.Add("fuzz_png", "rgb.png", vorn::EncodeRgbPng(std::span(rgba.data(), 12), 2, 2));

    vorn::PaltColours colours{};
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = static_cast<uint8_t>(i * 7);
    const std::string gpl = vorn::PaletteFiles::WriteGpl(colours, "seed");
    seeds.Add("fuzz_palette", "palette.gpl", std::vector<uint8_t>(gpl.begin(), gpl.end()));
    const std::string few = "GIMP Palette\r\nName: few\r\n# by hand\r\n 12  34  56 Untitled\r\n255\t0\t7\r\n";
    seeds.Add("fuzz_palette", "few.gpl", std::vector<uint8_t>(few.begin(), few.end()));
    const std::vector<uint8_t> swatch = vorn::PaletteFiles::SwatchPixels(colours);
    seeds.Add("fuzz_palette", "swatch.png",
              vorn::EncodeRgbPng(swatch, vorn::PaletteFiles::kSwatchSide, vorn::PaletteFiles::kSwatchSide));
    // A 16 x 16 swatch given as a size and its RGBA pixels.
    std::vector<uint8_t> sized = {16, 0, 0, 0, 16, 0, 0, 0};
    for (size_t i = 0; i < 256; ++i)
        sized.insert(sized.end(), {colours[3 * i], colours[3 * i + 1], colours[3 * i + 2], 255});
    seeds.Add("fuzz_palette", "sized.bin", sized);
}

void PictureSeeds(SeedWriter& seeds)
{
    BmpLayout truecolour;
    truecolour.width = 3;
    truecolour.height = 2;
    truecolour.pixels = PadRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1}});
    seeds.Add("fuzz_bmp", "rgb24.bmp", BuildBmp(truecolour));
    truecolour.height = -2;
    seeds.Add("fuzz_bmp", "top_down24.bmp", BuildBmp(truecolour));

    BmpLayout indexed;
    indexed.width = 5;
    indexed.height = 2;
    indexed.bitsPerPixel = 8;
    indexed.colours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    indexed.coloursUsed = 4;
    indexed.pixels = PadRows({{0, 1, 2, 3, 0}, {3, 2, 1, 0, 1}});
    seeds.Add("fuzz_bmp", "indexed8.bmp", BuildBmp(indexed));

    BmpLayout rle8 = indexed;
    rle8.compression = 1;
    rle8.pixels = {3, 1, 2, 2, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 1, 0, 0, 1};
    seeds.Add("fuzz_bmp", "rle8.bmp", BuildBmp(rle8));

    BmpLayout rle4 = indexed;
    rle4.bitsPerPixel = 4;
    rle4.compression = 2;
    rle4.pixels = {5, 0x12, 0, 0, 0, 5, 0x31, 0x20, 0x10, 0, 0, 1};
    seeds.Add("fuzz_bmp", "rle4.bmp", BuildBmp(rle4));

    BmpLayout mono = indexed;
    mono.bitsPerPixel = 1;
    mono.colours = {0x000000, 0xFFFFFF};
    mono.coloursUsed = 0;
    mono.pixels = PadRows({{0xA8}, {0x50}});
    seeds.Add("fuzz_bmp", "mono1.bmp", BuildBmp(mono));

    BmpLayout fields;
    fields.width = 2;
    fields.height = 2;
    fields.bitsPerPixel = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = PadRows({{0x00, 0xF8, 0xE0, 0x07}, {0x1F, 0x00, 0xFF, 0xFF}});
    seeds.Add("fuzz_bmp", "bitfields16.bmp", BuildBmp(fields));

    BmpLayout later = truecolour;
    later.headerSize = 124;
    later.bitsPerPixel = 32;
    later.pixels = PadRows({{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}, {9, 8, 7, 0, 6, 5, 4, 0, 3, 2, 1, 0}});
    seeds.Add("fuzz_bmp", "v5_32.bmp", BuildBmp(later));
}

} // namespace

std::vector<uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

void ManifestSeeds(SeedWriter& seeds)
{
    vorn::SpriteManifest manifest;
    vorn::ManifestSprite& sprite = manifest.sprites.emplace_back();
    sprite.chunk = 500;
    sprite.label = "Caf\xe9 \"sign\"";
    sprite.flags = 16;
    sprite.paletteId = 7;
    sprite.frames.push_back({0, 4, 3, 7, 0x1234, 255, 3, 1, "500_0.png", "500_0_depth.png"});
    sprite.frames.push_back({1, 0, 0, 7, 0, 0, 0, 0, "", ""});
    manifest.sprites.push_back({501, std::nullopt, std::nullopt, 8, {}});
    seeds.Add("fuzz_manifest", "exported.json", Text(manifest.ToJson()));
    // What a hand may write: a byte-order mark, UTF-8, escapes, other order and spacing.
    seeds.Add("fuzz_manifest", "edited.json",
              Text("\xEF\xBB\xBF{ \"sprites\" :[ {\"frames\":[{\"frame\":3,\"xOffset\":12,\"png\":null}],"
                   "\"chunk\":42, \"label\":\"Gr\xC3\xBCn\\u00e9\\/\\n\"}]}\r\n"));
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    SeedWriter seeds(argv[1]);
    FarSeeds(seeds);
    IffSeeds(seeds);
    SpriteSeeds(seeds);
    DrawGroupSeeds(seeds);
    StringSeeds(seeds);
    ObjectSeeds(seeds);
    SoundSeeds(seeds);
    PictureSeeds(seeds);
    WavSeeds(seeds);
    EncoderSeeds(seeds);
    PngSeeds(seeds);
    ManifestSeeds(seeds);
    std::printf("%d seed inputs in %s\n", seeds.Count(), argv[1]);
    return 0;
}

#include "audio/xa_decoder.h"
#include "base/endian.h"
#include "base/memory_stream.h"
#include "cli/cli_test_support.h"
#include "iff/fix_colors.h"
#include "iff/iff_file_ref.h"
#include "iff/spr2_sprite.h"
#include "testing/far_fixture.h"
#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::ReadFileBytes;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFileBytes;

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

testing::Spr2ChunkFrame Frame(uint16_t paletteId)
{
    testing::Spr2ChunkFrame frame;
    frame.width = 2;
    frame.height = 1;
    frame.paletteId = paletteId;
    frame.pixels = {0x02, 0x00, 0x01, 0x60, 0x07, 0x08, 0x00, 0xA0};
    return frame;
}

std::vector<uint8_t> Objd(uint16_t master, int16_t sub, uint16_t graphics)
{
    testing::ObjdFields fields;
    fields.masterId = master;
    fields.subIndex = sub;
    fields.graphicCount = graphics;
    fields.baseGraphicId = 1128;
    return testing::BuildObjd(fields);
}

// A small object file: a single object, a two-tile group whose tile has more
// graphics than its leader, a sprite, its palette and a draw group.
testing::IffFileLayout ObjectFile()
{
    testing::IffFileLayout layout;
    layout.chunks = {
        {"OBJD", 128, 0x0010, "Cook", Objd(0, 0, 2)},
        {"SPR2", 40000, 0x0010, "cook sprite", testing::BuildSpr2(9, {Frame(9), Frame(0xA3A3), Frame(12)})},
        {"PALT", 9, 0x0030, "palette", testing::BuildPalt({255, 0, 0})},
        {"OBJD", 131, 0x0010, "Table tile", Objd(7, 0x0000, 3)},
        {"OBJD", 130, 0x0010, "Table", Objd(7, -1, 1)},
        {"OBJD", 132, 0x0010, "Table tile 2", Objd(7, 0x0001, 1)},
        {"DGRP", 1128, 0x0010, "", testing::BuildDgrp(20004, {})},
    };
    return layout;
}

class ResourceCommands : public ::testing::Test {
protected:
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return RunTool(arguments, dir_.Path()); }
    TempDir dir_;
};

TEST_F(ResourceCommands, XaToWavEqualsTheDecodersImage)
{
    // Stereo, two blocks per channel, channels taking turns byte by byte.
    std::vector<uint8_t> data(60);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = (i / 2) % 15 == 0 ? (i % 2 == 0 ? 0x1C : 0x2B) : static_cast<uint8_t>(i * 37 + 11);
    const std::vector<uint8_t> xa = testing::BuildXa(2, 22050, data);
    WriteFileBytes(dir_ / "sound.xa", xa);
    WriteFileBytes(dir_ / "sounds.far", testing::MakeFarImage({{"Music\\Theme.xa", AsText(xa)}}));

    MemoryStream expected;
    CXaDecoder decoder;
    decoder.SetInput(xa, &expected);
    ASSERT_TRUE(decoder.Decode());
    const std::vector<uint8_t> image(expected.Bytes().begin(), expected.Bytes().end());

    const auto fromFile = Run({"xa2wav", "sound.xa", "sound.wav"});
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out + fromFile.err, "");
    EXPECT_EQ(ReadFileBytes(dir_ / "sound.wav"), image);
    const auto fromArchive = Run({"xa2wav", "sounds.far::music/theme.XA", "-"});
    EXPECT_EQ(fromArchive.status, 0);
    EXPECT_EQ(fromArchive.out, AsText(image));

    // The file named as the output is replaced without a question, as a
    // redirection replaces it; --no keeps only what a command finds in its way.
    for (const char* answer : {"--quick", "--no"}) {
        WriteFileBytes(dir_ / "old.wav", testing::BytesOf("old"));
        const auto replaced = Run({answer, "xa2wav", "sound.xa", "old.wav"});
        EXPECT_EQ(replaced.status, 0);
        EXPECT_EQ(replaced.err, "");
        EXPECT_EQ(ReadFileBytes(dir_ / "old.wav"), image);
    }
}

TEST_F(ResourceCommands, BadSoundsFailWithTheirMessage)
{
    std::vector<uint8_t> badBlock(30, 0x11);
    badBlock[0] = 0x5C; // coefficient index 5
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs = {
        {"short.xa", std::vector<uint8_t>(23, 0)},
        {"badblock.xa", testing::BuildXa(1, 22050, badBlock)},
        {"nochannels.xa", testing::BuildXa(0, 22050, badBlock)},
    };
    for (const auto& [name, bytes] : inputs) {
        SCOPED_TRACE(name);
        WriteFileBytes(dir_ / name, bytes);
        const auto result = Run({"xa2wav", name, "out.wav"});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "vorn-cli: " + name + ": Can't decompress XA file!\n");
        EXPECT_FALSE(std::filesystem::exists(dir_ / "out.wav"));
    }
    // A header claiming 257 channels (decoded as mono by its low byte) writes
    // no WAV whose header disagrees with its samples.
    WriteFileBytes(dir_ / "many.xa", testing::BuildXa(257, 22050, testing::XaBlock(0x00, {})));
    const auto many = Run({"xa2wav", "many.xa", "out.wav"});
    EXPECT_EQ(many.status, 1);
    EXPECT_EQ(many.err, "vorn-cli: many.xa: Can't decompress XA file! Its header claims 257 channels, and an XA sound holds at most 255.\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.wav"));
    WriteFileBytes(dir_ / "s.far", testing::MakeFarImage({{"a.xa", "x"}}));
    EXPECT_EQ(Run({"xa2wav", "s.far::b.xa", "out.wav"}).err, "vorn-cli: s.far::b.xa: \"b.xa\" is not in the archive!\n");
    EXPECT_EQ(Run({"xa2wav", "nothere.xa", "out.wav"}).err,
              "vorn-cli: " + (dir_ / "nothere.xa").string() + " was not found.\n");
}

TEST_F(ResourceCommands, IffChunksAndObjects)
{
    const testing::IffFileLayout layout = ObjectFile();
    const std::vector<uint8_t> iff = testing::BuildIffFile(layout);
    WriteFileBytes(dir_ / "cook.iff", iff);
    WriteFileBytes(dir_ / "objects.far", testing::MakeFarImage({{"People\\Cook.iff", AsText(iff)}}));

    std::string expected;
    for (const testing::IffChunkDesc& chunk : layout.chunks) {
        char flags[8];
        std::snprintf(flags, sizeof flags, "%04X", chunk.flags);
        expected += chunk.type + "\t" + std::to_string(chunk.id) + "\t0x" + flags + "\t" +
                    std::to_string(chunk.data.size()) + "\t" + chunk.label + "\n";
    }
    const auto chunks = Run({"iff", "chunks", "cook.iff"});
    EXPECT_EQ(chunks.status, 0) << chunks.err;
    ASSERT_EQ(chunks.out.substr(0, expected.size()), expected);
    EXPECT_EQ(chunks.out.substr(expected.size(), 14), "rsmp\t0\t0x0010\t"); // the resource map comes last
    EXPECT_EQ(Run({"iff", "chunks", "objects.far::People\\Cook.iff"}).out, chunks.out);

    const auto objects = Run({"iff", "objects", "objects.far::people/cook.iff"});
    EXPECT_EQ(objects.status, 0) << objects.err;
    EXPECT_EQ(objects.out, "128\tCook\t2\tsingle\t0\n130\tTable\t3\tleader\t2\n");
}

TEST_F(ResourceCommands, IffChunksSaysWhereTheFileStopsMakingSense)
{
    testing::IffFileLayout layout;
    layout.map = testing::IffMapPlacement::None;
    layout.chunks = {{"STR#", 1, 0x0010, "first", std::vector<uint8_t>(10, 1)},
                     {"BHAV", 2, 0x0010, "second", std::vector<uint8_t>(20, 2)}};
    const std::vector<uint8_t> whole = testing::BuildIffFile(layout);
    const size_t second = 64 + 76 + 10;
    ASSERT_EQ(whole.size(), second + 76 + 20);
    const std::string first = "STR#\t1\t0x0010\t10\tfirst\n";
    WriteFileBytes(dir_ / "whole.iff", whole);
    EXPECT_EQ(Run({"iff", "chunks", "whole.iff"}).status, 0);

    std::vector<uint8_t> huge = whole;
    StoreBE32(huge.data() + second + 4, 0xFFFFFFFF);
    std::vector<uint8_t> tiny = whole;
    StoreBE32(tiny.data() + second + 4, 12);
    std::vector<uint8_t> cut(whole.begin(), whole.end() - 5);
    std::vector<uint8_t> tail = whole;
    tail.resize(whole.size() + 30, 0);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string out;
        std::string err;
    } cases[] = {
        {"huge.iff", huge, first, "its chunk header claims 4294967295 bytes, but only 96 are left!"},
        {"tiny.iff", tiny, first, "its chunk header claims 12 bytes, fewer than the header itself!"},
        {"cut.iff", cut, first + "BHAV\t2\t0x0010\t20\tsecond\n",
         "its chunk header claims 96 bytes, but only 91 are left!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(dir_ / c.name, c.bytes);
        const auto result = Run({"iff", "chunks", c.name});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "vorn-cli: " + std::string(c.name) + ": The file stops making sense at byte " +
                                  std::to_string(second) + ": " + c.err + "\n");
    }
    WriteFileBytes(dir_ / "tail.iff", tail);
    const auto trailing = Run({"iff", "chunks", "tail.iff"});
    EXPECT_EQ(trailing.status, 1);
    EXPECT_EQ(trailing.err, "vorn-cli: tail.iff: The file stops making sense at byte " + std::to_string(whole.size()) +
                                ": 30 bytes are left, too few for a chunk header!\n");
}

TEST_F(ResourceCommands, FixColorsWritesWhatThePreviewerWouldSave)
{
    testing::IffFileLayout layout = ObjectFile();
    layout.chunks.push_back({"SPR2", 41, 0x0010, "broken", testing::BuildSpr2(9, {Frame(9)}, true, 999)});
    const std::vector<uint8_t> iff = testing::BuildIffFile(layout);
    WriteFileBytes(dir_ / "cook.iff", iff);

    // The same step in-process: fix, then write the whole container.
    CIffFileRef file;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(file.Open(iff, error, true));
    ASSERT_EQ(FixColors(file).changedFrames, 2u);
    MemoryStream saved;
    ASSERT_TRUE(file.LoadAll() && file.Save(saved));
    const std::vector<uint8_t> expected(saved.Bytes().begin(), saved.Bytes().end());

    const auto result = Run({"iff", "fixcolors", "cook.iff", "fixed.iff"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "vorn-cli: cook.iff: Can't load one of the SPR2 resources!\n"); // reported, kept as it was
    EXPECT_EQ(ReadFileBytes(dir_ / "fixed.iff"), expected);

    // Back into the archive entry it came from: replaced without a question.
    WriteFileBytes(dir_ / "objects.far", testing::MakeFarImage({{"People\\Cook.iff", AsText(iff)}, {"x", "x"}}));
    const auto inPlace = Run({"--quick", "iff", "fixcolors", "objects.far::People/Cook.iff", "objects.far::people\\cook.iff"});
    EXPECT_EQ(inPlace.status, 0) << inPlace.err;
    EXPECT_EQ(Run({"cat", "objects.far", "People\\Cook.iff"}).out, AsText(expected));
    EXPECT_EQ(Run({"list", "objects.far"}).out, std::to_string(expected.size()) + "\tPeople\\Cook.iff\n1\tx\n");
    // Another existing entry named as the output is replaced too, as a named file is.
    const auto other = Run({"iff", "fixcolors", "cook.iff", "objects.far::x"});
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_EQ(Run({"cat", "objects.far", "x"}).out, AsText(expected));
}

TEST_F(ResourceCommands, FilesThatAreNoIffFilesFailWithTheirMessage)
{
    WriteFileBytes(dir_ / "text.iff", testing::BytesOf("IFF FILE 3.0 is not a version we read"));
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"iff", "chunks", "text.iff"}, {"iff", "objects", "text.iff"}, {"iff", "fixcolors", "text.iff", "o.iff"}}) {
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "vorn-cli: text.iff: This file is not a valid IFF file!\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "o.iff"));
    // An archive where an object file belongs: the way to name one inside it.
    WriteFileBytes(dir_ / "objects.far", testing::MakeFarImage({{"People\\Cook.iff", "x"}}));
    EXPECT_EQ(Run({"iff", "chunks", "objects.far"}).err,
              "vorn-cli: This file is not a valid IFF file! It is a FAR archive: name an object file in it as "
              "objects.far::PATH.\n");

    testing::IffFileLayout noObjects;
    noObjects.chunks = {{"PALT", 1, 0x0010, "p", testing::BuildPalt({})}};
    WriteFileBytes(dir_ / "palette.iff", testing::BuildIffFile(noObjects));
    const auto objects = Run({"iff", "objects", "palette.iff"});
    EXPECT_EQ(objects.status, 1);
    EXPECT_EQ(objects.err, "vorn-cli: palette.iff: This file does not contain objects!\n");
    EXPECT_EQ(Run({"iff", "chunks", "palette.iff"}).status, 0);

    // Truncated and mangled object files: a result, never a crash.
    const std::vector<uint8_t> iff = testing::BuildIffFile(ObjectFile());
    uint32_t seed = 12345;
    for (size_t length = 0; length < iff.size(); length += 97) {
        std::vector<uint8_t> bytes(iff.begin(), iff.begin() + static_cast<std::ptrdiff_t>(length));
        for (size_t i = 64; i < bytes.size(); i += 1 + (seed % 50)) {
            seed = seed * 1103515245 + 12345;
            bytes[i] = static_cast<uint8_t>(seed >> 16);
        }
        WriteFileBytes(dir_ / "cut.iff", bytes);
        for (const char* command : {"chunks", "objects"}) {
            const auto result = Run({"iff", command, "cut.iff"});
            EXPECT_LE(result.status, 1) << command << " " << length << result.err;
        }
        EXPECT_LE(Run({"--yes", "iff", "fixcolors", "cut.iff", "cut-out.iff"}).status, 1) << length;
    }
}

} // namespace
} // namespace vorn

#include "base/endian.h"
#include "cli/cli_test_support.h"
#include "testing/bmp_builder.h"
#include "testing/far_fixture.h"
#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace vorn {
namespace {

using testing::BuildStringTable;
using testing::ReadFileBytes;
using testing::RunTool;
using testing::StrDesc;
using testing::StrLayout;
using testing::TempDir;
using testing::WriteFileBytes;

std::string AsText(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

const std::string kCafe = "Caf\xE9\tbar\nx\\"; // Latin-1 with a TAB, a line end and a backslash

std::vector<uint8_t> Objd()
{
    std::vector<uint8_t> data = testing::BuildObjd({138, 100, 1, 0, 0});
    StoreLE16(&data[28], 0x78B3); // GUID
    StoreLE16(&data[30], 0x43C0);
    StoreLE16(&data[36], 1200); // price
    return data;
}

std::vector<uint8_t> Bitmap()
{
    testing::BmpLayout bmp;
    bmp.width = 2;
    bmp.height = 1;
    bmp.pixels = testing::PadRows({{0, 0, 255, 0, 255, 0}});
    return testing::BuildBmp(bmp);
}

testing::Spr2ChunkFrame Frame()
{
    testing::Spr2ChunkFrame frame;
    frame.width = 2;
    frame.height = 1;
    frame.paletteId = 9;
    frame.pixels = {0x02, 0x00, 0x01, 0x60, 0x07, 0x08, 0x00, 0xA0};
    return frame;
}

// One chunk of every kind the commands read, string tables in every layout.
std::vector<uint8_t> InspectedFile()
{
    testing::IffFileLayout layout;
    layout.chunks = {
        {"STR#", 300, 0x10, "pascal", BuildStringTable(StrLayout::Pascal, {{"Couldn't turn the stove on.", ""}, {"", ""}})},
        {"STR#", 301, 0x10, "plain", BuildStringTable(StrLayout::Plain, {{kCafe, ""}})},
        {"STR#", 302, 0x10, "commented", BuildStringTable(StrLayout::Commented, {{"Sit", "chair"}})},
        {"TTAs", 129, 0x10, "languages",
         BuildStringTable(StrLayout::Languages, {{"Turn On", "Lamp", 1, 0}, {"Allumer", "", 3, 0}}, 1, {0xA3, 0xA3})},
        {"CTSS", 2000, 0x10, "sets",
         BuildStringTable(StrLayout::LanguageSets, {{"Go Here", "", 0, 0}, {"Aller", "ici", 2, 2}}, 20)},
        {"STR#", 303, 0x10, "broken", {0xFD, 0xFF, 9, 0, 1, 'a', 0}},
        {"OBJD", 128, 0x10, "Lamp", Objd()},
        {"BHAV", 4096, 0x10, "tree", {'A', 'B', 0x01, 0xFF}},
        {"BMP_", 2000, 0x10, "picture", Bitmap()},
        {"BMP_", 2001, 0x10, "not a picture", {'B', 'M', 1, 2}},
        {"SPR2", 40, 0x10, "unplaced", testing::BuildSpr2(9, {Frame(), Frame()})},
        {"PALT", 9, 0x10, "palette", testing::BuildPalt({255, 0, 0, 0, 255, 0})},
        {"DGRP", 100, 0x10, "graphic", testing::BuildDgrp(20004, {{0x01, 1, {{-3, 40, 1, 0, 0, 0, 0, 0, 0}}}})},
    };
    return testing::BuildIffFile(layout);
}

class IffInspectCommands : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(dir_ / "thing.iff", InspectedFile()); }
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return RunTool(arguments, dir_.Path()); }
    TempDir dir_;
};

TEST_F(IffInspectCommands, StringsOfEveryLayoutAsUtf8RowsWithNothingDropped)
{
    const auto all = Run({"iff", "strings", "thing.iff"});
    EXPECT_EQ(all.status, 1);
    EXPECT_EQ(all.out, "STR#\t300\t0\t0\tCouldn't turn the stove on.\t\n"
                       "STR#\t300\t1\t0\t\t\n"
                       "STR#\t301\t0\t0\tCaf\xC3\xA9\\tbar\\nx\\\\\t\n"
                       "STR#\t302\t0\t0\tSit\tchair\n"
                       "TTAs\t129\t0\t1\tTurn On\tLamp\n"
                       "TTAs\t129\t1\t3\tAllumer\t\n"
                       "CTSS\t2000\t0\t1\tGo Here\t\n"
                       "CTSS\t2000\t1\t3\tAller\tici\n");
    EXPECT_EQ(all.err, "vorn-cli: thing.iff: STR# 303 can't be read: a count or a string runs past the end of the "
                       "chunk!\n");

    const auto one = Run({"iff", "strings", "thing.iff", "TTAs:129"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "TTAs\t129\t0\t1\tTurn On\tLamp\nTTAs\t129\t1\t3\tAllumer\t\n");

    const auto json = nlohmann::json::parse(Run({"iff", "strings", "--json", "thing.iff", "STR#:301"}).out);
    EXPECT_EQ(json["input"], "thing.iff");
    ASSERT_EQ(json["tables"].size(), 1u);
    EXPECT_EQ(json["tables"][0]["layout"], "0xFFFF (strings)");
    EXPECT_EQ(json["tables"][0]["strings"][0]["text"], "Caf\xC3\xA9\tbar\nx\\");

    EXPECT_EQ(Run({"iff", "strings", "thing.iff", "OBJD:128"}).err,
              "vorn-cli: thing.iff: OBJD 128 is not a string table (STR#, CTSS or TTAs)!\n");
    const auto bad = Run({"iff", "strings", "thing.iff", "STR300"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "vorn-cli: bad chunk \"STR300\": give TYPE:ID, such as STR#:300\n");
    const auto missing = Run({"iff", "show", "thing.iff", "STR#:0x999"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "vorn-cli: thing.iff: No STR# chunk has the id 2457!\n");
}

TEST_F(IffInspectCommands, ShowGivesEachTypeItsOwnView)
{
    const auto objd = Run({"iff", "show", "thing.iff", "OBJD:128"});
    EXPECT_EQ(objd.status, 0) << objd.err;
    const std::string head = "type\tOBJD\nid\t128\nflags\t0x0010\nlabel\tLamp\nsize\t216\n";
    EXPECT_EQ(objd.out.substr(0, head.size()), head);
    EXPECT_NE(objd.out.find("\n0\tversion\t138\t0x0000008A\n2\tinitial stack size\t0\t0x0000\n3\tbase graphic\t100\t"),
              std::string::npos);
    EXPECT_NE(objd.out.find("\n14\tguid\t1136687283\t0x43C078B3\n"), std::string::npos);
    EXPECT_NE(objd.out.find("\n18\tprice\t1200\t0x04B0\n"), std::string::npos);
    EXPECT_NE(objd.out.find("\n107\tfield 107\t0\t0x0000\n"), std::string::npos);

    const auto strings = Run({"iff", "show", "thing.iff", "TTAs:129"});
    EXPECT_NE(strings.out.find("layout\t0xFFFD (language, string, comment)\ntrailing bytes\t2\n0\t1\tTurn On\tLamp\n"),
              std::string::npos)
        << strings.out;
    const auto hex = Run({"iff", "show", "thing.iff", "BHAV:4096"});
    EXPECT_NE(hex.out.find("\n00000000  41 42 01 FF"), std::string::npos) << hex.out;
    EXPECT_NE(hex.out.find("  AB..\n"), std::string::npos) << hex.out;

    const auto sprite = nlohmann::json::parse(Run({"iff", "show", "--json", "thing.iff", "SPR2:40"}).out);
    EXPECT_EQ(sprite["type"], "SPR2");
    EXPECT_EQ(sprite["frames"], 2);
    EXPECT_EQ(sprite["frameHeaders"][1]["width"], 2);
    const auto palette = nlohmann::json::parse(Run({"iff", "show", "--json", "thing.iff", "PALT:9"}).out);
    EXPECT_EQ(palette["colours"][1], nlohmann::json::array({0, 255, 0}));
    const auto strJson = nlohmann::json::parse(Run({"iff", "show", "--json", "thing.iff", "CTSS:2000"}).out);
    EXPECT_EQ(strJson["languageSets"], 20);
    EXPECT_EQ(strJson["strings"][1]["comment"], "ici");

    const auto broken = Run({"iff", "show", "thing.iff", "STR#:303"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.out.find("problem\ta count or a string runs past the end of the chunk\n"), std::string::npos);
}

TEST_F(IffInspectCommands, GetWritesTheChunkDataAndChunksAndObjectsTakeJson)
{
    const auto got = Run({"iff", "get", "thing.iff", "BHAV:4096", "-"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, std::string("AB\x01\xFF", 4));
    WriteFileBytes(dir_ / "a.far", testing::MakeFarImage({{"Objects\\thing.iff", AsText(InspectedFile())}}));
    EXPECT_EQ(Run({"iff", "get", "a.far::objects/THING.iff", "PALT:9", "palette.bin"}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir_ / "palette.bin"), testing::BuildPalt({255, 0, 0, 0, 255, 0}));

    const auto chunks = nlohmann::json::parse(Run({"iff", "chunks", "--json", "thing.iff"}).out);
    ASSERT_EQ(chunks["chunks"].size(), 14u); // and the resource map
    EXPECT_EQ(chunks["chunks"][6], (nlohmann::json{{"type", "OBJD"}, {"id", 128}, {"flags", 16}, {"size", 216}, {"label", "Lamp"}}));
    EXPECT_TRUE(chunks["problem"].is_null());
    const auto objects = nlohmann::json::parse(Run({"iff", "objects", "--json", "thing.iff"}).out);
    EXPECT_EQ(objects["objects"],
              nlohmann::json::array({{{"id", 128}, {"label", "Lamp"}, {"graphics", 1}, {"kind", "single"}, {"tiles", 0}}}));
}

TEST_F(IffInspectCommands, PicturesWritesBitmapsAndTheFramesNoObjectDraws)
{
    const auto result = Run({"iff", "pictures", "thing.iff", "out"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vorn-cli: BMP_ 2001 is not a valid BMP picture\n");
    EXPECT_EQ(result.out, "1 BMP_ pictures and 1 SPR2 frames no object draws written, 1 not readable\n");
    const testing::Picture bitmap = testing::ReadPng(ReadFileBytes(dir_ / "out" / "BMP_2000.png"));
    EXPECT_EQ(bitmap.width, 2u);
    EXPECT_EQ(bitmap.At(0, 0), 0xFF0000u);
    EXPECT_EQ(bitmap.At(1, 0), 0x00FF00u);
    // Frame 1 of SPR2 40 is placed by the object's draw group; frame 0 is not.
    EXPECT_TRUE(std::filesystem::exists(dir_ / "out" / "SPR2_40_0.png"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out" / "SPR2_40_1.png"));
}

} // namespace
} // namespace vorn

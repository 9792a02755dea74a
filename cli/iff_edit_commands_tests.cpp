#include "base/endian.h"
#include "cli/cli_test_support.h"
#include "testing/far_fixture.h"
#include "testing/iff_fixtures.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace vorn {
namespace {

using testing::BuildStringTable;
using testing::ReadFileBytes;
using testing::ReadText;
using testing::RunTool;
using testing::StrLayout;
using testing::TempDir;
using testing::WriteFileBytes;

// A two-tile object whose catalogue text is CTSS 2000, and a string table.
std::vector<uint8_t> ObjectFile()
{
    std::vector<uint8_t> leader = testing::BuildObjd({138, 100, 1, 7, -1});
    StoreLE16(&leader[82], 2000);
    StoreLE32(&leader[28], 0x11110001);
    std::vector<uint8_t> tile = testing::BuildObjd({138, 101, 1, 7, 0});
    StoreLE32(&tile[28], 0x11110002);
    testing::IffFileLayout layout;
    layout.chunks = {
        {"OBJD", 128, 0x10, "Bench", leader},
        {"OBJD", 129, 0x10, "Bench tile", tile},
        {"CTSS", 2000, 0x10, "catalogue", BuildStringTable(StrLayout::Languages, {{"Bench", "", 1}, {"Sit.", "", 1}})},
        {"STR#", 300, 0x10, "strings", BuildStringTable(StrLayout::Plain, {{"on", ""}})},
    };
    return testing::BuildIffFile(layout);
}

class IffEditCommands : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(dir_ / "bench.iff", ObjectFile()); }
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return RunTool(arguments, dir_.Path()); }
    // A field's value as iff show prints it.
    std::string Field(const std::string& input, const std::string& chunk, const std::string& name)
    {
        std::istringstream lines(Run({"iff", "show", input, chunk}).out);
        for (std::string line; std::getline(lines, line);)
            if (line.find('\t' + name + '\t') != std::string::npos)
                return line.substr(line.find('\t' + name + '\t') + name.size() + 2);
        return "";
    }
    // "TYPE ID SIZE" of every chunk but the map.
    std::string Chunks(const std::string& input)
    {
        std::istringstream lines(Run({"iff", "chunks", input}).out);
        std::string listed;
        for (std::string type, id, flags, size, label; std::getline(lines, type, '\t') && std::getline(lines, id, '\t') &&
                                                       std::getline(lines, flags, '\t') && std::getline(lines, size, '\t') &&
                                                       std::getline(lines, label);)
            if (type != "rsmp")
                listed += type + " " + id + " " + size + "\n";
        return listed;
    }
    TempDir dir_;
};

TEST_F(IffEditCommands, SetChangesFieldsAndStringsOrRefusesAndWritesNothing)
{
    const testing::ToolResult set =
        Run({"iff", "set", "bench.iff", "out.iff", "OBJD:129", "price=1500", "catalogue_strings_id=2000", "guid=0xCAFEF00D"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_NE(set.err.find("changed with it"), std::string::npos) << set.err;
    EXPECT_EQ(Field("out.iff", "OBJD:128", "price"), "1500\t0x05DC") << "the tiles agree on the price";
    EXPECT_EQ(Field("out.iff", "OBJD:129", "guid"), "3405705229\t0xCAFEF00D");
    EXPECT_EQ(Field("out.iff", "OBJD:128", "guid"), "286326785\t0x11110001") << "a GUID is each tile's own";

    ASSERT_EQ(Run({"iff", "set", "out.iff", "out.iff", "CTSS:2000", "0=B\xC3\xA4nk", "1=Two\\nlines", "1.comment=c",
                   "2=added", "2.lang=3"})
                  .status,
              0);
    EXPECT_EQ(Run({"iff", "strings", "out.iff", "CTSS:2000"}).out,
              "CTSS\t2000\t0\t1\tB\xC3\xA4nk\t\nCTSS\t2000\t1\t1\tTwo\\nlines\tc\nCTSS\t2000\t2\t3\tadded\t\n");

    // Refused: nothing is written, the reason is named.
    const std::vector<uint8_t> before = ReadFileBytes(dir_ / "out.iff");
    struct Refusal {
        std::vector<std::string> changes;
        std::string chunk;
        int status;
        std::string message;
    };
    for (const Refusal& r : std::vector<Refusal>{
             {{"price=65536"}, "OBJD:128", 1, "65536 is beyond the range of the field \"price\": 0 to 65535."},
             {{"sub_index=-40000"}, "OBJD:128", 1, "-40000 is beyond the range of the field \"sub index\""},
             {{"prize=1"}, "OBJD:128", 1, "An OBJD has no field \"prize\"."},
             {{"0=ok", "0.comment=no"}, "STR#:300", 1, "has no place for a comment"},
             {{"0=5 \xE2\x82\xAC"}, "STR#:300", 1, "The character \"\xE2\x82\xAC\" (U+20AC) cannot be stored"},
             {{"0=a\\q"}, "STR#:300", 1, "has a backslash that starts no escape"},
             {{"5=far"}, "STR#:300", 1, "The table has no such string."},
             {{"0"}, "STR#:300", 2, "give NAME=VALUE"},
             {{"0=x"}, "STR#300", 2, "bad chunk"},
             {{"0=x"}, "BHAV:1", 1, "BHAV chunks have no fields to set"}}) {
        const testing::ToolResult refused = [&] {
            std::vector<std::string> words = {"iff", "set", "out.iff", "out.iff", r.chunk};
            words.insert(words.end(), r.changes.begin(), r.changes.end());
            return Run(words);
        }();
        EXPECT_EQ(refused.status, r.status) << r.changes[0];
        EXPECT_NE(refused.err.find(r.message), std::string::npos) << refused.err;
        EXPECT_EQ(ReadFileBytes(dir_ / "out.iff"), before) << r.changes[0];
    }
}

TEST_F(IffEditCommands, PutAndRmChunkChangeOnlyTheirChunksInsideAnArchiveToo)
{
    WriteFileBytes(dir_ / "a.far", testing::MakeFarImage({{"Objects\\bench.iff", ""}}));
    ASSERT_EQ(Run({"iff", "put", "bench.iff", "a.far::Objects/bench.iff", "STR#:300", "bench.iff"}).status, 0);
    ASSERT_EQ(Run({"iff", "get", "a.far::Objects/bench.iff", "STR#:300", "got.bin"}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir_ / "got.bin"), ObjectFile());
    // A chunk the file lacks is added.
    ASSERT_EQ(Run({"iff", "put", "a.far::Objects/bench.iff", "new.iff", "BHAV:4096", "got.bin"}).status, 0);
    ASSERT_EQ(Run({"iff", "rm-chunk", "new.iff", "less.iff", "STR#:300", "CTSS:2000"}).status, 0);
    EXPECT_EQ(Chunks("less.iff"), "OBJD 128 216\nOBJD 129 216\nBHAV 4096 " + std::to_string(ObjectFile().size()) + "\n");
    ASSERT_EQ(Run({"iff", "get", "less.iff", "BHAV:4096", "back.bin"}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir_ / "back.bin"), ObjectFile());

    const testing::ToolResult missing = Run({"iff", "rm-chunk", "less.iff", "x.iff", "BHAV:4096", "STR#:300"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No STR# chunk has the id 300!"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "x.iff"));
    EXPECT_EQ(Run({"iff", "rm-chunk", "less.iff", "x.iff", "rsmp:0"}).status, 1);
}

TEST_F(IffEditCommands, ACloneHasGuidsNoObjectOfEitherArchiveUsesItsTextAndPrice)
{
    std::vector<uint8_t> other = testing::BuildObjd({138, 0, 0, 0, 0});
    StoreLE32(&other[28], 0x22220001);
    testing::IffFileLayout layout;
    layout.chunks = {{"OBJD", 128, 0x10, "Other", other}};
    const std::vector<uint8_t> otherFile = testing::BuildIffFile(layout);
    const std::vector<uint8_t> bench = ObjectFile();
    WriteFileBytes(dir_ / "a.far", testing::MakeFarImage({{"Objects\\bench.iff", std::string(bench.begin(), bench.end())}}));
    WriteFileBytes(dir_ / "b.far", testing::MakeFarImage({{"other.iff", std::string(otherFile.begin(), otherFile.end())}}));

    std::set<std::string> guids = {"11110001", "11110002", "22220001"};
    for (int round = 0; round < 2; ++round) {
        const testing::ToolResult cloned = Run({"iff", "clone", "a.far::Objects/bench.iff", "b.far::Bench copy.iff",
                                                "--name", "Garden b\xC3\xA4nk", "--price", "250", "--description", "New."});
        ASSERT_EQ(cloned.status, 0) << cloned.err;
        std::istringstream lines(cloned.out);
        std::string line;
        for (const char* expected : {"OBJD\t128\t", "OBJD\t129\t"}) {
            ASSERT_TRUE(std::getline(lines, line));
            ASSERT_EQ(line.rfind(expected, 0), 0u) << line;
            const std::string guid = line.substr(9, 8);
            EXPECT_TRUE(guids.insert(guid).second) << "GUID " << guid << " used already";
            EXPECT_EQ(Field("b.far::Bench copy.iff", line.substr(0, 4) + ":" + line.substr(5, 3), "guid"),
                      std::to_string(std::stoul(guid, nullptr, 16)) + "\t0x" + guid);
        }
        EXPECT_EQ(Field("b.far::Bench copy.iff", "OBJD:129", "price"), "250\t0x00FA");
        EXPECT_EQ(Run({"iff", "strings", "b.far::Bench copy.iff", "CTSS:2000"}).out,
                  "CTSS\t2000\t0\t1\tGarden b\xC3\xA4nk\t\nCTSS\t2000\t1\t1\tNew.\t\n");
    }
    EXPECT_EQ(Run({"cat", "a.far", "Objects/bench.iff"}).out, std::string(bench.begin(), bench.end())) << "the source stays";

    const testing::ToolResult taken = Run({"iff", "clone", "bench.iff", "b.far::x.iff", "--guid", "22220001"});
    EXPECT_EQ(taken.status, 1);
    EXPECT_NE(taken.err.find("The GUID 22220001 is already used by an object of the archive."), std::string::npos);
    EXPECT_EQ(Run({"iff", "clone", "bench.iff", "x.iff", "--guid", "xyz"}).status, 2);
    EXPECT_EQ(Run({"iff", "clone", "bench.iff", "x.iff", "--price", "65536"}).status, 2);
    ASSERT_EQ(Run({"iff", "clone", "bench.iff", "x.iff", "--guid", "0x0000ABCD"}).status, 0);
    EXPECT_EQ(Field("x.iff", "OBJD:128", "guid"), "43981\t0x0000ABCD");
}

// A clone of a real object draws exactly as its source in all 12 views.
TEST(IffCloneRealFiles, ACloneRendersAsItsSource)
{
    const std::filesystem::path file = VORN_REALDATA_DIR "/objects/k8esshallskateboardss.iff";
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "no " << file.string();
    TempDir dir;
    ASSERT_EQ(RunTool({"iff", "clone", file.string(), "clone.iff", "--name", "Skateboard copy", "--price", "20"}, dir.Path()).status, 0);
    const std::string object = "16840";
    for (const char* direction : {"0", "2", "4", "6"})
        for (const char* zoom : {"1", "2", "3"}) {
            for (const std::string& input : {file.string(), std::string("clone.iff")})
                ASSERT_EQ(RunTool({"iff", "render", input, input == "clone.iff" ? "b.png" : "a.png", "--object", object,
                                   "--direction", direction, "--zoom", zoom},
                                  dir.Path())
                              .status,
                          0);
            EXPECT_EQ(ReadFileBytes(dir / "a.png"), ReadFileBytes(dir / "b.png")) << direction << " " << zoom;
        }
}

} // namespace
} // namespace vorn

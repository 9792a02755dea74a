// vorn-cli as scripts use it: what it prints when its output is lost, what it
// adds from "." and how commands on the sample archive behave.
#include "cli/cli_test_support.h"

#include "cli/terminal_text.h"

#include "testing/far_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

namespace vorn {
namespace {

using testing::ReadFileBytes;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFileBytes;

class CliConventions : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::copy_file(VORN_SAMPLE_ARCHIVE, dir_ / "sample.far"); }
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return RunTool(arguments, dir_.Path()); }
    TempDir dir_;
};

TEST_F(CliConventions, OutputThatCannotBeWrittenFailsEveryCommand)
{
    const std::string iff = "sample.far::Objects/Crate and signpost.iff";
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"list", "sample.far"},
             {"tree", "sample.far"},
             {"info", "sample.far"},
             {"cat", "sample.far", "Objects/Crate and signpost.iff"},
             {"iff", "chunks", iff},
             {"iff", "objects", iff},
             {"xa2wav", "sample.far::Sounds/Chime.xa", "-"},
             {"--help"},
             {"help"},
             {"list", "--help"},
             {"iff", "--help"}}) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        ASSERT_EQ(Run(arguments).status, 0);
        const auto full = RunTool(arguments, dir_.Path(), 0, "/dev/full");
        EXPECT_EQ(full.status, 1);
        EXPECT_TRUE(full.err.starts_with("vorn-cli: can't write to standard output")) << full.err;
    }
}

TEST_F(CliConventions, AddingTheCurrentFolderAddsWhatItHolds)
{
    const std::filesystem::path mod = dir_ / "mod";
    std::filesystem::create_directories(mod / "Sounds");
    WriteFileBytes(mod / "readme.txt", testing::BytesOf("hello"));
    WriteFileBytes(mod / "Sounds/a.xa", testing::BytesOf("xa"));
    for (const char* source : {".", "./", "mod/.", "mod/Sounds/.."}) {
        SCOPED_TRACE(source);
        // From inside the folder the archive is made there, and not added into itself.
        const bool inside = source[0] == '.';
        const std::filesystem::path archive = (inside ? mod : dir_.Path()) / "new.far";
        const auto add = RunTool({"add", archive.string(), source}, inside ? mod : dir_.Path());
        ASSERT_EQ(add.status, 0) << add.err;
        EXPECT_EQ(Run({"list", archive.string()}).out, "2\tSounds\\a.xa\n5\treadme.txt\n");
        std::filesystem::remove(archive);
    }

    // A folder without files gives no archive rather than an empty one.
    std::filesystem::create_directories(dir_ / "empty/sub");
    const auto nothing = RunTool({"add", "new.far", "."}, dir_ / "empty");
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.err.find("new.far"), std::string::npos) << nothing.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "empty/new.far"));
}

TEST_F(CliConventions, OneOverwriteRuleForEveryCommand)
{
    const std::string crate = "sample.far::Objects/Crate and signpost.iff";
    const std::string refusalEnd = ": not overwritten (use --yes to overwrite or --no to skip)\n";

    // Named outputs are replaced when a command runs again: a file, and an
    // archive entry other than the input.
    for (int run = 0; run < 2; ++run) {
        const auto render = Run({"iff", "render", crate, "crate.png", "--object", "128"});
        EXPECT_EQ(render.status, 0) << render.err;
        EXPECT_EQ(render.err, "");
        const auto fix = Run({"iff", "fixcolors", crate, "sample.far::Objects/Faded crate.iff"});
        EXPECT_EQ(fix.status, 0) << fix.err;
        EXPECT_EQ(fix.err, "");
        const auto sheet = Run({"iff", "sheet", crate, "crate.png"});
        EXPECT_EQ(sheet.status, 0) << sheet.err;
        EXPECT_EQ(sheet.err, "");
    }
    EXPECT_EQ(Run({"cat", "sample.far", "Objects/Faded crate.iff"}).out,
              Run({"iff", "fixcolors", crate, "-"}).out);

    // What a command finds in its way is kept without --yes, said in one line.
    ASSERT_EQ(Run({"iff", "export", crate, "pictures", "--chunk", "258"}).status, 0);
    const std::vector<uint8_t> before = ReadFileBytes(dir_ / "pictures/258_0.png");
    WriteFileBytes(dir_ / "pictures/258_0.png", testing::BytesOf("painted"));
    const auto again = Run({"iff", "export", crate, "pictures", "--chunk", "258"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "vorn-cli: \"pictures/258_0.png\" and 8 more exist" + refusalEnd);
    EXPECT_EQ(Run({"--no", "iff", "export", crate, "pictures", "--chunk", "258"}).status, 0);
    EXPECT_EQ(testing::ReadText(dir_ / "pictures/258_0.png"), "painted");
    EXPECT_EQ(Run({"--yes", "iff", "export", crate, "pictures", "--chunk", "258"}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir_ / "pictures/258_0.png"), before);

    WriteFileBytes(dir_ / "Chime.xa", testing::BytesOf("not a sound"));
    const auto add = Run({"add", "sample.far", "--into", "Sounds", "Chime.xa"});
    EXPECT_EQ(add.status, 1);
    EXPECT_EQ(add.err, "vorn-cli: \"Chime.xa\" exists" + refusalEnd);
    EXPECT_NE(Run({"cat", "sample.far", "Sounds/Chime.xa"}).out, "not a sound");
}

TEST_F(CliConventions, PatternsSelectEntriesForEveryCommandThatNamesThem)
{
    EXPECT_EQ(Run({"list", "sample.far", "objects/*.IFF"}).out.find("Furniture"), std::string::npos);
    const auto iffs = Run({"list", "sample.far", "Objects/*.iff"});
    EXPECT_NE(iffs.out.find("\tObjects\\Crate and signpost.iff\n"), std::string::npos);
    EXPECT_NE(iffs.out.find("\tObjects\\Faded crate.iff\n"), std::string::npos);
    EXPECT_EQ(std::count(iffs.out.begin(), iffs.out.end(), '\n'), 2);
    const auto sounds = Run({"list", "sample.far", "**/*.XA", "Pictures/Small"});
    EXPECT_EQ(std::count(sounds.out.begin(), sounds.out.end(), '\n'), 4) << sounds.out;

    EXPECT_EQ(Run({"cat", "sample.far", "sounds/chi[a-m]e.*"}).out, Run({"cat", "sample.far", "Sounds/Chime.xa"}).out);
    ASSERT_EQ(Run({"extract", "sample.far", "out", "**/stage.iff", "Sounds/*"}).status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "out/Stage.iff"));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "out/Stereo/Left then right.xa"));

    ASSERT_EQ(Run({"rm", "sample.far", "Pictures/*.bmp"}).status, 0);
    ASSERT_EQ(Run({"mv", "sample.far", "Sounds/*", "Pictures"}).status, 0);
    EXPECT_EQ(Run({"tree", "sample.far"}).out, "Objects\n  Furniture\nPictures\n  Small\n  Stereo\n");
    EXPECT_EQ(Run({"list", "sample.far", "Pictures/*"}).out.find(".bmp\n") != std::string::npos, true);

    // A pattern that matches nothing is an error that names it, and changes nothing.
    const std::vector<uint8_t> before = ReadFileBytes(dir_ / "sample.far");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"rm", "sample.far", "Objects/*.iff", "nothing*"},
             {"mv", "sample.far", "*.none", "Objects"},
             {"list", "sample.far", "nothing*"},
             {"cat", "sample.far", "nothing*"},
             {"extract", "sample.far", "out2", "nothing*"}}) {
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("\"" + arguments[arguments.size() - (arguments[0] == "mv" ? 2 : 1)] +
                                  "\" matches nothing in \"sample.far\"!"),
                  std::string::npos)
            << result.err;
    }
    EXPECT_EQ(ReadFileBytes(dir_ / "sample.far"), before);
}

TEST_F(CliConventions, OptionsTakeEqualsSignsAndHexNumbers)
{
    const std::string crate = "sample.far::Objects/Crate and signpost.iff";
    ASSERT_EQ(Run({"iff", "export", crate, "hex", "--chunk=0x102"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "hex/258_3.png"));
    ASSERT_EQ(Run({"iff", "render", crate, "a.png", "--object=0x80", "--zoom=2", "--size=0x100x0xC0"}).status, 0);
    ASSERT_EQ(Run({"iff", "render", crate, "b.png", "--object", "128", "--zoom", "2", "--size", "256x192"}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir_ / "a.png"), ReadFileBytes(dir_ / "b.png"));
    WriteFileBytes(dir_ / "note.txt", testing::BytesOf("note"));
    ASSERT_EQ(Run({"add", "sample.far", "--into=Notes/New", "note.txt"}).status, 0);
    EXPECT_EQ(Run({"cat", "sample.far", "notes/new/NOTE.TXT"}).out, "note");

    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"iff", "export", crate, "x", "--chunk=0x"},
             {"iff", "export", crate, "x", "--chunk=0x10000"},
             {"iff", "render", crate, "x.png", "--object=128", "--size=0x100x"},
             {"--quick=1", "list", "sample.far"},
             {"list", "sample.far", "--into=x"}})
        EXPECT_EQ(Run(arguments).status, 2) << ::testing::PrintToString(arguments);
}

TEST_F(CliConventions, TestReadsAndChecksEveryEntry)
{
    const auto good = Run({"test", "sample.far"});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("    testing: Sounds\\Chime.xa   OK\n"), std::string::npos) << good.out;
    EXPECT_TRUE(good.out.ends_with("No errors detected in sample.far (11 entries).\n")) << good.out;

    const std::string object = Run({"cat", "sample.far", "Objects/Faded crate.iff"}).out;
    WriteFileBytes(dir_ / "bad.far", testing::MakeFarImage({{"a.iff", object.substr(0, object.size() / 2)},
                                                            {"b.xa", "XAJ"},
                                                            {"c.bmp", "BM"},
                                                            {"d.iff", object},
                                                            {"e.txt", "any bytes"}}));
    const auto bad = Run({"test", "bad.far"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "    testing: a.iff   not a valid IFF file\n"
                       "    testing: b.xa   can't decompress the XA sound\n"
                       "    testing: c.bmp   not a valid BMP file\n"
                       "    testing: d.iff   OK\n"
                       "    testing: e.txt   OK\n");
    EXPECT_EQ(bad.err, "vorn-cli: bad.far: 3 of 5 entries failed the test!\n");
}

TEST_F(CliConventions, LongAndJsonListingsAgreeWithThePlainOnes)
{
    const std::string crate = "Objects/Crate and signpost.iff";
    const auto chunks = Run({"iff", "chunks", "sample.far::" + crate});
    const auto chunkCount = std::count(chunks.out.begin(), chunks.out.end(), '\n');
    const auto longList = Run({"list", "--long", "sample.far", "Objects/*"});
    const std::string size = std::to_string(Run({"cat", "sample.far", crate}).out.size());
    EXPECT_NE(longList.out.find(size + "\t" + std::to_string(chunkCount) + "\t2\tObjects\\Crate and signpost.iff\n"),
              std::string::npos)
        << longList.out;

    // list --json: the names and sizes of the plain list, the counts of --long.
    const auto listJson = nlohmann::json::parse(Run({"list", "--json", "--long", "sample.far"}).out);
    std::string rebuilt;
    for (const auto& entry : listJson["entries"]) {
        rebuilt += std::to_string(entry["size"].get<uint64_t>()) + "\t" + entry["name"].get<std::string>() + "\n";
        EXPECT_EQ(entry["chunks"].is_null(), !entry["name"].get<std::string>().ends_with(".iff"));
    }
    EXPECT_EQ(rebuilt, Run({"list", "sample.far"}).out);
    EXPECT_EQ(listJson["archive"], "sample.far");

    // tree --json: the plain tree, indented again.
    const auto treeJson = nlohmann::json::parse(Run({"tree", "--json", "sample.far"}).out);
    std::string tree;
    const auto indent = [&tree](const auto& self, const nlohmann::json& directories, size_t depth) -> void {
        for (const auto& directory : directories) {
            tree += std::string(2 * depth, ' ') + directory["name"].get<std::string>() + "\n";
            self(self, directory["directories"], depth + 1);
        }
    };
    indent(indent, treeJson["directories"], 0);
    EXPECT_EQ(tree, Run({"tree", "sample.far"}).out);

    const auto infoJson = nlohmann::json::parse(Run({"info", "--json", "sample.far"}).out);
    const std::string info = Run({"info", "sample.far"}).out;
    EXPECT_NE(info.find("entries\t" + std::to_string(infoJson["entries"].get<int>()) + "\n"), std::string::npos);
    EXPECT_NE(info.find("total size\t" + std::to_string(infoJson["totalSize"].get<uint64_t>()) + "\n"),
              std::string::npos);
    EXPECT_EQ(Run({"tree", "--long", "sample.far"}).status, 2); // --long belongs to list
    EXPECT_EQ(Run({"info", "--json=yes", "sample.far"}).status, 2);
}

TEST_F(CliConventions, StandardInputServesEveryReadingCommand)
{
    const std::string archive = testing::ReadText(dir_ / "sample.far");
    const std::string crate = "Objects/Crate and signpost.iff";
    const std::string object = Run({"cat", "sample.far", crate}).out;
    const std::string sound = Run({"cat", "sample.far", "Sounds/Chime.xa"}).out;
    ASSERT_EQ(Run({"xa2wav", "sample.far::Sounds/Chime.xa", "chime.wav"}).status, 0);
    const std::string wave = testing::ReadText(dir_ / "chime.wav");
    ASSERT_EQ(Run({"iff", "export", "sample.far::" + crate, "pictures", "--chunk", "258"}).status, 0);

    // Given "-", a command prints and writes what it does for the file,
    // whether standard input is a pipe or a file redirected to it.
    struct Case {
        std::vector<std::string> onFile;
        std::vector<std::string> onInput;
        const std::string& input;
        std::string output = {}; // the file it writes
    };
    const Case cases[] = {
        {{"list", "--long", "sample.far", "**/*.iff"}, {"list", "--long", "-", "**/*.iff"}, archive},
        {{"tree", "sample.far"}, {"tree", "-"}, archive},
        {{"info", "sample.far"}, {"info", "-"}, archive},
        {{"cat", "sample.far", "Sounds/*"}, {"cat", "-", "Sounds/*"}, archive},
        {{"iff", "chunks", "sample.far::" + crate}, {"iff", "chunks", "-"}, object},
        {{"iff", "objects", "sample.far::" + crate}, {"iff", "objects", "-::" + crate}, archive},
        {{"iff", "fixcolors", "sample.far::" + crate, "-"}, {"iff", "fixcolors", "-", "-"}, object},
        {{"xa2wav", "sample.far::Sounds/Chime.xa", "-"}, {"xa2wav", "-", "-"}, sound},
        {{"wav2xa", "chime.wav", "a.xa"}, {"wav2xa", "-", "a.xa"}, wave, "a.xa"},
        {{"iff", "render", "sample.far::" + crate, "a.png", "--object", "128"},
         {"iff", "render", "-", "a.png", "--object", "128"}, object, "a.png"},
        {{"iff", "import", "sample.far::" + crate, "a.iff", "--from", "pictures"},
         {"iff", "import", "-", "a.iff", "--from", "pictures"}, object, "a.iff"},
        {{"extract", "sample.far", "out", crate}, {"extract", "-", "out", crate}, archive, "out/Crate and signpost.iff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.onInput));
        const auto expected = Run(c.onFile);
        ASSERT_EQ(expected.status, 0) << expected.err;
        const std::string written = c.output.empty() ? "" : testing::ReadText(dir_ / c.output);
        for (const bool regularFile : {false, true}) {
            if (!c.output.empty())
                std::filesystem::remove(dir_ / c.output);
            const auto got = testing::RunToolWithInput(c.onInput, dir_.Path(), c.input, regularFile);
            EXPECT_EQ(got.status, 0) << got.err;
            EXPECT_EQ(got.out, expected.out);
            if (!c.output.empty()) {
                EXPECT_EQ(testing::ReadText(dir_ / c.output), written);
            }
        }
    }
    EXPECT_EQ(testing::ReadText(dir_ / "out/Crate and signpost.iff"), object);
    const auto tested = testing::RunToolWithInput({"test", "-"}, dir_.Path(), archive);
    EXPECT_TRUE(tested.out.ends_with("No errors detected in - (11 entries).\n")) << tested.out;
    const auto sheet = testing::RunToolWithInput({"iff", "sheet", "-", "sheet.png"}, dir_.Path(), archive);
    EXPECT_EQ(sheet.out, Run({"iff", "sheet", "sample.far", "sheet.png"}).out);

    // Standard input is not an archive that can be changed, and what is not
    // an archive is said to be none.
    const auto removed = testing::RunToolWithInput({"rm", "-", "Sounds"}, dir_.Path(), archive);
    EXPECT_EQ(removed.status, 1);
    EXPECT_EQ(removed.err, "vorn-cli: Standard input (\"-\") can only be read: name the archive's file to change it!\n");
    const auto text = testing::RunToolWithInput({"list", "-"}, dir_.Path(), "not an archive");
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err, "vorn-cli: -: Error while loading the FAR file!\n");
}

// Archive names are Latin-1 bytes: a UTF-8 terminal sees them in UTF-8 and
// types them so, and a script's raw bytes still reach them.
TEST_F(CliConventions, ArchiveNamesAreShownAndTypedInTheTerminalsEncoding)
{
    const char* before = std::getenv("LC_ALL");
    const std::string saved = before ? before : "";
    ::setenv("LC_ALL", "C.UTF-8", 1);
    WriteFileBytes(dir_ / "names.far", testing::MakeFarImage({{"Lisez-moi \xE9.txt", "bonjour"},
                                                              {"Caf\xE9\\menu.txt", "soupe"}}));
    EXPECT_EQ(Run({"list", "names.far"}).out, "7\tLisez-moi \xC3\xA9.txt\n5\tCaf\xC3\xA9\\menu.txt\n");
    EXPECT_EQ(Run({"tree", "names.far"}).out, "Caf\xC3\xA9\n");
    EXPECT_NE(Run({"test", "names.far"}).out.find("testing: Lisez-moi \xC3\xA9.txt   OK\n"), std::string::npos);
    EXPECT_EQ(Run({"cat", "names.far", "Lisez-moi \xC3\xA9.txt"}).out, "bonjour");
    EXPECT_EQ(Run({"cat", "names.far", "Lisez-moi \xE9.txt"}).out, "bonjour"); // raw Latin-1, as a script sends it
    EXPECT_EQ(Run({"cat", "names.far", "caf\xC3\xA9/*"}).out, "soupe");
    // ARCHIVE::PATH: found, and then no object file.
    EXPECT_EQ(Run({"iff", "chunks", "names.far::Caf\xC3\xA9/menu.txt"}).err,
              "vorn-cli: names.far::Caf\xC3\xA9/menu.txt: This file is not a valid IFF file!\n");
    const auto missing = Run({"cat", "names.far", "L\xC3\xA0.txt"});
    EXPECT_EQ(missing.err, "vorn-cli: names.far: \"L\xC3\xA0.txt\" is not in the archive!\n");

    // The euro sign is in cp1252 but not in Latin-1: refused, naming it.
    const auto euro = Run({"rename", "names.far", "Lisez-moi \xC3\xA9.txt", "Prix \xE2\x82\xAC.txt"});
    EXPECT_EQ(euro.status, 1);
    EXPECT_EQ(euro.err, "vorn-cli: \"Prix \xE2\x82\xAC.txt\" holds \"\xE2\x82\xAC\" (U+20AC), a character archive "
                        "names cannot hold: they are Latin-1!\n");
    ASSERT_EQ(Run({"rename", "names.far", "Lisez-moi \xC3\xA9.txt", "Lisez-moi \xC3\xA8.txt"}).status, 0);
    const std::string stored = testing::ReadText(dir_ / "names.far");
    EXPECT_NE(stored.find("Lisez-moi \xE8.txt"), std::string::npos);
    const auto json = nlohmann::json::parse(Run({"list", "--json", "names.far"}).out);
    EXPECT_EQ(json["entries"][0]["name"], "Lisez-moi \xC3\xA8.txt");

    // Over an ASCII terminal (the C locale) names are still printed as UTF-8.
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(Run({"tree", "names.far"}).out, "Caf\xC3\xA9\n");
    before ? ::setenv("LC_ALL", saved.c_str(), 1) : ::unsetenv("LC_ALL");

    // A Latin-1 terminal gets the bytes as stored and types them so.
    EXPECT_EQ(TerminalText::EncodingOfCodeset("ISO-8859-1"), TerminalText::Encoding::Bytes);
    EXPECT_EQ(TerminalText::EncodingOfCodeset("UTF-8"), TerminalText::Encoding::Utf8);
    std::string problem;
    const TerminalText latin1(TerminalText::Encoding::Bytes);
    EXPECT_EQ(latin1.Shown("Caf\xE9"), "Caf\xE9");
    EXPECT_EQ(latin1.ArchiveName("Caf\xE9", problem), "Caf\xE9");
}

} // namespace
} // namespace vorn

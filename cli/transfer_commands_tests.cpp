#include "cli/cli_test_support.h"
#include "testing/far_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <sstream>

namespace vorn {
namespace {

using testing::MakeFarImage;
using testing::ReadFileBytes;
using testing::ReadText;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFileBytes;

std::vector<std::string> SortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Every regular file below `root`, as relative paths.
std::vector<std::string> FilesBelow(const std::filesystem::path& root)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(std::filesystem::relative(entry.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

class TransferCommands : public ::testing::Test {
protected:
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return RunTool(arguments, dir_.Path()); }
    TempDir dir_;
};

TEST_F(TransferCommands, ExtractThenAddBackGivesTheSameList)
{
    // Names with a Latin-1 byte and an empty file, in directories at several depths.
    WriteFileBytes(dir_ / "orig.far", MakeFarImage({{"Objects\\People\\Cook.iff", "IFF bytes"},
                                                    {"Objects\\People\\caf\xE9.iff", "cafe"},
                                                    {"Objects\\empty.bin", ""},
                                                    {"Sounds\\a.xa", "xa"},
                                                    {"readme.txt", "hello"}}));
    const auto extract = Run({"extract", "orig.far", "out"});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(extract.err, "5 files have been successfully extracted!\n");
    EXPECT_EQ(ReadText(dir_ / "out/Objects/People/Cook.iff"), "IFF bytes");
    EXPECT_EQ(ReadText(dir_ / "out/Objects/People/caf\xC3\xA9.iff"), "cafe"); // Latin-1 shown as UTF-8 on disk

    const auto add = Run({"add", "copy.far", "out/Objects", "out/Sounds", "out/readme.txt"});
    ASSERT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(add.err, "");
    EXPECT_EQ(SortedLines(Run({"list", "copy.far"}).out), SortedLines(Run({"list", "orig.far"}).out));
    EXPECT_EQ(Run({"cat", "copy.far", "objects/people/caf\xE9.iff"}).out, "cafe");

    // Adding into a directory, with --quick on the existing archive.
    WriteFileBytes(dir_ / "extra.txt", testing::BytesOf("more"));
    const size_t before = ReadFileBytes(dir_ / "copy.far").size();
    ASSERT_EQ(Run({"--quick", "add", "copy.far", "--into", "Sounds/new", "extra.txt"}).status, 0);
    EXPECT_GT(ReadFileBytes(dir_ / "copy.far").size(), before);
    EXPECT_EQ(Run({"cat", "copy.far", "Sounds\\new\\extra.txt"}).out, "more");
}

TEST_F(TransferCommands, NamedItemsLandInDestUnderTheirOwnNames)
{
    WriteFileBytes(dir_ / "a.far", MakeFarImage({{"a\\b\\c.txt", "c"}, {"a\\b\\d\\e.txt", "e"}, {"a\\f.txt", "f"},
                                                 {"g\\h.txt", "h"}}));
    const auto result = Run({"extract", "a.far", "dest", "a/b", "A\\F.TXT", "g\\h.txt"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FilesBelow(dir_ / "dest"), (std::vector<std::string>{"b/c.txt", "b/d/e.txt", "f.txt", "h.txt"}));
    EXPECT_EQ(result.err, "4 files have been successfully extracted!\n");

    const auto one = Run({"extract", "a.far", "one", "a\\b\\d\\e.txt"});
    EXPECT_EQ(one.err, "1 file has been successfully extracted!\n");

    const auto missing = Run({"extract", "a.far", "dest2", "nope.txt"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "vorn-cli: a.far: Can't extract \"nope.txt\"!\n0 files have been successfully extracted!\n");
}

TEST_F(TransferCommands, NamesDifferingInCaseExtractIntoTheTreesSpelling)
{
    WriteFileBytes(dir_ / "c.far", MakeFarImage({{"dir\\a.txt", "a"},
                                                 {"DIR\\b.txt", "b"},
                                                 {"Dir\\Sub\\c.bin", "c"},
                                                 {"x.txt", "first"},
                                                 {"X.TXT", "second"}}));
    // The earlier of the two root files shares the later one's file on disk,
    // which holds the later one, as extraction in archive order leaves it;
    // it is not overwritten without being asked for, and that is said.
    const auto whole = Run({"extract", "c.far", "whole"});
    EXPECT_EQ(whole.status, 1);
    EXPECT_EQ(whole.err, "4 files have been successfully extracted!\n"
                         "vorn-cli: \"x.txt\" exists: not overwritten (use --yes to overwrite or --no to skip)\n");
    EXPECT_EQ(FilesBelow(dir_ / "whole"),
              (std::vector<std::string>{"X.TXT", "dir/Sub/c.bin", "dir/a.txt", "dir/b.txt"}));
    EXPECT_EQ(ReadText(dir_ / "whole/X.TXT"), "second");
    for (const char* answer : {"--yes", "--no"}) {
        const auto answered = Run({answer, "extract", "c.far", std::string("answered") + answer});
        EXPECT_EQ(answered.status, 0) << answered.err;
        EXPECT_EQ(answered.err, "4 files have been successfully extracted!\n");
        EXPECT_EQ(ReadText(dir_ / (std::string("answered") + answer) / "X.TXT"), "second");
    }

    // Typed in other letter case: the directory still comes out as the tree spells it.
    const auto named = Run({"--no", "extract", "c.far", "named", "DIR", "x.txt"});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(FilesBelow(dir_ / "named"), FilesBelow(dir_ / "whole"));
    EXPECT_EQ(ReadText(dir_ / "named/dir/b.txt"), "b");

    const auto inner = Run({"extract", "c.far", "inner", "DIR/SUB", "dIr\\B.TXT"});
    ASSERT_EQ(inner.status, 0) << inner.err;
    EXPECT_EQ(FilesBelow(dir_ / "inner"), (std::vector<std::string>{"Sub/c.bin", "b.txt"}));

    // Inside a directory, named by the hidden entry's own spelling.
    WriteFileBytes(dir_ / "d.far", MakeFarImage({{"dir\\A.txt", "upper"}, {"DIR\\a.txt", "lower"}, {"dir\\b.txt", "b"}}));
    for (const std::string selection : {"", "DIR", "dir/A.TXT"}) {
        SCOPED_TRACE(selection);
        std::vector<std::string> arguments = {"extract", "d.far", "case" + selection.substr(0, 3)};
        if (!selection.empty())
            arguments.push_back(selection);
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        const std::string name = selection == "dir/A.TXT" ? "A.txt" : "dir\\A.txt";
        EXPECT_NE(result.err.find("vorn-cli: \"" + name +
                                  "\" exists: not overwritten (use --yes to overwrite or --no to skip)\n"),
                  std::string::npos)
            << result.err;
    }
}

TEST_F(TransferCommands, OverwritesNeedAnAnswer)
{
    WriteFileBytes(dir_ / "a.far", MakeFarImage({{"d\\x.txt", "new x"}, {"d\\y.txt", "new y"}, {"top.txt", "new"}}));
    std::filesystem::create_directories(dir_ / "dest/d");
    WriteFileBytes(dir_ / "dest/d/x.txt", testing::BytesOf("old x"));
    WriteFileBytes(dir_ / "dest/top.txt", testing::BytesOf("old"));

    // Without an answer: refused and said so once; new files are still written.
    const auto refused = Run({"extract", "a.far", "dest"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "1 file has been successfully extracted!\n"
                           "vorn-cli: \"d\" and 1 more exist: not overwritten (use --yes to overwrite or --no to skip)\n");
    EXPECT_EQ(ReadText(dir_ / "dest/d/x.txt"), "old x");
    EXPECT_EQ(ReadText(dir_ / "dest/d/y.txt"), "new y");
    EXPECT_EQ(ReadText(dir_ / "dest/top.txt"), "old");

    const auto no = Run({"--no", "extract", "a.far", "dest"});
    EXPECT_EQ(no.status, 0);
    EXPECT_EQ(ReadText(dir_ / "dest/top.txt"), "old");

    const auto yes = Run({"--yes", "extract", "a.far", "dest"});
    EXPECT_EQ(yes.status, 0);
    EXPECT_EQ(yes.err, "3 files have been successfully extracted!\n");
    EXPECT_EQ(ReadText(dir_ / "dest/d/x.txt"), "new x");
    EXPECT_EQ(ReadText(dir_ / "dest/top.txt"), "new");

    // Adding a file the archive holds: without an answer nothing is written at all.
    WriteFileBytes(dir_ / "top.txt", testing::BytesOf("disk"));
    WriteFileBytes(dir_ / "other.txt", testing::BytesOf("other"));
    const std::vector<uint8_t> archive = ReadFileBytes(dir_ / "a.far");
    const auto addRefused = Run({"add", "a.far", "other.txt", "top.txt"});
    EXPECT_EQ(addRefused.status, 1);
    EXPECT_EQ(addRefused.err,
              "vorn-cli: \"top.txt\" exists: not overwritten (use --yes to overwrite or --no to skip)\n");
    EXPECT_EQ(ReadFileBytes(dir_ / "a.far"), archive);
    EXPECT_EQ(Run({"--no", "add", "a.far", "other.txt", "top.txt"}).status, 0);
    EXPECT_EQ(Run({"cat", "a.far", "top.txt"}).out, "new");
    EXPECT_EQ(Run({"cat", "a.far", "other.txt"}).out, "other");
    EXPECT_EQ(Run({"--yes", "add", "a.far", "top.txt"}).status, 0);
    EXPECT_EQ(Run({"cat", "a.far", "top.txt"}).out, "disk");

    // A folder whose directory exists is merged into it, files in the way
    // asked about as any; a missing source is reported.
    std::filesystem::create_directories(dir_ / "d");
    WriteFileBytes(dir_ / "d/x.txt", testing::BytesOf("disk x"));
    WriteFileBytes(dir_ / "d/z.txt", testing::BytesOf("z"));
    const auto mergeRefused = Run({"add", "a.far", "d"});
    EXPECT_EQ(mergeRefused.status, 1);
    EXPECT_EQ(mergeRefused.err, "vorn-cli: \"x.txt\" exists: not overwritten (use --yes to overwrite or --no to skip)\n");
    EXPECT_EQ(Run({"list", "a.far"}).out.find("z.txt"), std::string::npos);
    EXPECT_EQ(Run({"--no", "add", "a.far", "d"}).status, 0);
    EXPECT_EQ(Run({"cat", "a.far", "d/x.txt"}).out + Run({"cat", "a.far", "d/z.txt"}).out, "new xz");
    const auto missing = Run({"add", "a.far", "gone.txt"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "vorn-cli: a.far: " + (dir_ / "gone.txt").string() + " was not found.\n");
    EXPECT_EQ(Run({"list", "a.far"}).out.find("gone.txt"), std::string::npos);
}

TEST_F(TransferCommands, SyncAndUpdateChangeOnlyWhatDiffersInOneSave)
{
    WriteFileBytes(dir_ / "a.far", MakeFarImage({{"Mod\\same.txt", "same"},
                                                 {"Mod\\Sub\\edited.txt", "old"},
                                                 {"Mod\\gone.txt", "gone"},
                                                 {"Other\\keep.txt", "keep"}}));
    std::filesystem::create_directories(dir_ / "mod/sub");
    WriteFileBytes(dir_ / "mod/same.txt", testing::BytesOf("same"));
    WriteFileBytes(dir_ / "mod/sub/edited.txt", testing::BytesOf("new!"));
    WriteFileBytes(dir_ / "mod/sub/new.txt", testing::BytesOf("new"));

    // Without --delete, what the folder lacks is kept and counted.
    const auto sync = Run({"sync", "a.far", "mod", "--into", "mod"});
    ASSERT_EQ(sync.status, 0) << sync.err;
    EXPECT_EQ(sync.out, "replaced\tMod\\Sub\\edited.txt\n"
                        "added\tMod\\Sub\\new.txt\n"
                        "1 added, 1 replaced, 0 deleted, 1 unchanged, 1 kept that the folder lacks "
                        "(--delete removes them)\n");
    EXPECT_EQ(Run({"cat", "a.far", "mod/sub/edited.txt"}).out, "new!");

    // One save: the archive is written once, however many files change, and
    // not at all when nothing does.
    const auto once = Run({"sync", "a.far", "mod", "--into=Mod", "--delete"});
    EXPECT_EQ(once.out, "deleted\tMod\\gone.txt\n0 added, 0 replaced, 1 deleted, 3 unchanged\n");
    const auto modified = std::filesystem::last_write_time(dir_ / "a.far");
    EXPECT_EQ(Run({"sync", "a.far", "mod", "--into", "Mod", "--delete"}).out,
              "0 added, 0 replaced, 0 deleted, 3 unchanged\n");
    EXPECT_EQ(std::filesystem::last_write_time(dir_ / "a.far"), modified);
    EXPECT_EQ(SortedLines(Run({"list", "a.far"}).out),
              (std::vector<std::string>{"3\tMod\\Sub\\new.txt", "4\tMod\\Sub\\edited.txt", "4\tMod\\same.txt",
                                        "4\tOther\\keep.txt"}));

    // add --update: a file that differs is replaced without asking, others
    // are left; the files of a merged folder the same way.
    WriteFileBytes(dir_ / "mod/same.txt", testing::BytesOf("SAME"));
    const auto update = Run({"add", "a.far", "--update", "mod/same.txt", "mod/sub"});
    ASSERT_EQ(update.status, 0) << update.err;
    EXPECT_EQ(update.out, "added\tsame.txt\nadded\tsub\\edited.txt\nadded\tsub\\new.txt\n3 added, 0 replaced, 0 deleted, 0 unchanged\n");
    const auto intoMod = Run({"add", "a.far", "--into", "Mod", "--update", "mod/same.txt", "mod/sub"});
    EXPECT_EQ(intoMod.out, "replaced\tMod\\same.txt\n0 added, 1 replaced, 0 deleted, 2 unchanged\n");
    EXPECT_EQ(Run({"cat", "a.far", "Mod/same.txt"}).out, "SAME");

    // A file that cannot be read is named and nothing changes, so --delete
    // does not take it for one the folder lacks.
    const std::vector<uint8_t> before = ReadFileBytes(dir_ / "a.far");
    std::filesystem::remove(dir_ / "mod/sub/edited.txt");
    ASSERT_EQ(::mkfifo((dir_ / "mod/sub/edited.txt").c_str(), 0600), 0);
    const auto failed = Run({"sync", "a.far", "mod", "--into", "Mod", "--delete"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "vorn-cli: a.far: Can't open file \"edited.txt\"!\n");
    EXPECT_EQ(ReadFileBytes(dir_ / "a.far"), before);
    EXPECT_EQ(Run({"sync", "a.far", "missing"}).status, 1);
    EXPECT_EQ(Run({"sync", "a.far", "mod/same.txt"}).err, "vorn-cli: a.far: \"mod/same.txt\" is not a folder!\n");
}

TEST_F(TransferCommands, MaliciousNamesExtractNothingOutsideDest)
{
    std::filesystem::create_directories(dir_ / "inside/dest");
    WriteFileBytes(dir_ / "evil.far", MakeFarImage({{"..\\escaped.txt", "1"},
                                                    {"..\\..\\escaped2.txt", "2"},
                                                    {"ok\\..\\..\\escaped3.txt", "3"},
                                                    {"\\\\..\\escaped4.txt", "4"},
                                                    {"ok\\/../escaped5.txt", "5"},
                                                    {"ok\\good.txt", "good"}}));
    const auto result = Run({"--yes", "extract", "evil.far", "inside/dest"});
    EXPECT_EQ(result.status, 1); // the refused names are reported
    EXPECT_EQ(FilesBelow(dir_.Path()), (std::vector<std::string>{"evil.far", "inside/dest/ok/good.txt"}));
    EXPECT_NE(result.err.find("1 file has been successfully extracted!"), std::string::npos) << result.err;

    // Named one by one, a file lands in DEST under its own name; a directory
    // whose contents climb out of it is refused item by item.
    EXPECT_EQ(Run({"--yes", "extract", "evil.far", "inside/dest", "..\\escaped.txt", "ok", ".."}).status, 1);
    EXPECT_EQ(FilesBelow(dir_.Path()),
              (std::vector<std::string>{"evil.far", "inside/dest/escaped.txt", "inside/dest/ok/good.txt"}));
}

} // namespace
} // namespace vorn

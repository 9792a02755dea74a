#include "archive/far_archive.h"
#include "archive/far_directory_tree.h"
#include "archive/vorn_doc.h"
#include "base/file_stream.h"
#include "base/recording_messenger.h"
#include "cli/cli_test_support.h"
#include "testing/far_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace vorn {
namespace {

using testing::MakeFarImage;
using testing::ReadFileBytes;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFileBytes;

const std::vector<testing::FarFixtureFile> kFiles = {
    {"a\\b\\c.txt", "ccc"}, {"a\\d.txt", "dd"}, {"e.txt", "e"}, {"x\\y\\z.bin", "zzzz"}};

class ArchiveCommands : public ::testing::Test {
protected:
    std::filesystem::path MakeArchive(const std::string& name, bool narrow = false)
    {
        const std::filesystem::path path = dir_ / name;
        WriteFileBytes(path, MakeFarImage(kFiles, narrow));
        return path;
    }
    testing::ToolResult Run(const std::vector<std::string>& arguments) { return RunTool(arguments, dir_.Path()); }

    // What `list` should print after `change` is applied to the archive through the tree in-process.
    static std::string ListAfter(const std::filesystem::path& archive,
                                 const std::function<bool(CFarDirectoryTree&)>& change)
    {
        int error = 0;
        auto file = FileStream::Open(archive, FileMode::Read, error);
        CFarArchive far;
        CFarDirectoryTree tree;
        EXPECT_TRUE(file && far.Load(*file) && tree.Build(far));
        EXPECT_TRUE(change(tree));
        std::string list;
        for (const CFarEntry& entry : far.Entries())
            if (!entry.isDeleted)
                list += std::to_string(entry.size1) + "\t" + entry.name + "\n";
        return list;
    }

    TempDir dir_;
};

TEST_F(ArchiveCommands, ListAndInfoOnWideAndNarrowArchives)
{
    const std::string expectedList = "3\ta\\b\\c.txt\n2\ta\\d.txt\n1\te.txt\n4\tx\\y\\z.bin\n";
    for (bool narrow : {false, true}) {
        SCOPED_TRACE(narrow ? "narrow" : "wide");
        const std::string name = narrow ? "narrow.far" : "wide.far";
        MakeArchive(name, narrow);
        const auto list = Run({"list", name});
        EXPECT_EQ(list.status, 0);
        EXPECT_EQ(list.out, expectedList);
        EXPECT_EQ(list.err, "");
        const auto info = Run({"info", name});
        EXPECT_EQ(info.status, 0);
        EXPECT_EQ(info.out, std::string("version\t1\nmanifest offset\t26\nentries\t4\ntotal size\t10\n"
                                        "name length width\t") +
                                (narrow ? "2" : "4") + "\n");
    }
    // The version is reported as stored, whatever it is.
    std::vector<uint8_t> image = MakeFarImage(kFiles);
    image[8] = 7;
    WriteFileBytes(dir_ / "v7.far", image);
    EXPECT_EQ(Run({"info", "v7.far"}).out.substr(0, 10), "version\t7\n");
}

TEST_F(ArchiveCommands, TreeAndCat)
{
    MakeArchive("t.far");
    const auto tree = Run({"tree", "t.far"});
    EXPECT_EQ(tree.status, 0);
    EXPECT_EQ(tree.out, "a\n  b\nx\n  y\n");
    // Both separators, any letter case, leading separators ignored.
    EXPECT_EQ(Run({"cat", "t.far", "A\\B\\C.TXT"}).out, "ccc");
    EXPECT_EQ(Run({"cat", "t.far", "/x/y/z.bin"}).out, "zzzz");
    const auto missing = Run({"cat", "t.far", "a\\nope"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "vorn-cli: t.far: \"a\\nope\" is not in the archive!\n");
    EXPECT_EQ(Run({"cat", "t.far", "a"}).status, 1); // a directory has no bytes
}

TEST_F(ArchiveCommands, RemoveMoveAndRenameChangeTheListAsTheTreeDoes)
{
    struct Case {
        std::vector<std::string> arguments;
        std::function<bool(CFarDirectoryTree&)> change;
        std::string literal; // the list expected, spelled out for the first cases
    };
    const std::vector<Case> cases = {
        {{"rm", "e.txt", "a/b"},
         [](CFarDirectoryTree& t) { return t.RemoveFile("e.txt") && t.DeleteDirectory("a\\b"); },
         "2\ta\\d.txt\n4\tx\\y\\z.bin\n"},
        {{"mv", "e.txt", "a\\b", "x"},
         [](CFarDirectoryTree& t) { return t.MoveFileItem("e.txt", "x") && t.MoveDirectory("a\\b", "x"); },
         "3\tx\\b\\c.txt\n2\ta\\d.txt\n1\tx\\e.txt\n4\tx\\y\\z.bin\n"},
        {{"mv", "x\\y", ""}, [](CFarDirectoryTree& t) { return t.MoveDirectory("x\\y", ""); }, ""},
        {{"mv", "a\\d.txt", "\\"}, [](CFarDirectoryTree& t) { return t.MoveFileItem("a\\d.txt", ""); }, ""},
        {{"rename", "a", "q"}, [](CFarDirectoryTree& t) { return t.RenameDirectory("a", "q"); },
         "3\tq\\b\\c.txt\n2\tq\\d.txt\n1\te.txt\n4\tx\\y\\z.bin\n"},
        {{"rename", "a\\d.txt", "D2.TXT"}, [](CFarDirectoryTree& t) { return t.RenameFile("a\\d.txt", "a\\D2.TXT"); },
         ""},
        {{"rename", "e.txt", "E.txt"}, [](CFarDirectoryTree& t) { return t.RenameFile("e.txt", "E.txt"); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
        const auto archive = MakeArchive("edit.far");
        const std::string expected = ListAfter(archive, c.change);
        if (!c.literal.empty()) {
            EXPECT_EQ(expected, c.literal);
        }
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.begin() + 1, "edit.far");
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(Run({"list", "edit.far"}).out, expected);
        // A full save leaves a compact archive: header, data, manifest.
        EXPECT_EQ(Run({"info", "edit.far"}).status, 0);
    }
}

TEST_F(ArchiveCommands, FailedEditsWriteNothing)
{
    const auto archive = MakeArchive("keep.far");
    const std::vector<uint8_t> before = ReadFileBytes(archive);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"rm", "keep.far", "e.txt", "nope"}, "Can't delete \"nope\"!\n"},
        {{"rm", "keep.far", ""}, "Can't delete \"\"!\n"},
        {{"mv", "keep.far", "e.txt", "nowhere"}, "The directory \"nowhere\" does not exist!\n"},
        {{"mv", "keep.far", "a", "a\\b"}, "Can't move \"a\"!\n"},     // into itself
        {{"mv", "keep.far", "a\\d.txt", "a"}, "Can't move \"a\\d.txt\"!\n"}, // where it is
        {{"rename", "keep.far", "a\\d.txt", "b\\d.txt"}, "Can't rename \"a\\d.txt\"!\n"}, // another directory
        {{"rename", "keep.far", "a\\d.txt", ".."}, "Can't rename \"a\\d.txt\"!\n"},
        {{"rename", "keep.far", "missing", "m"}, "Can't rename \"missing\"!\n"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(arguments[0] + " " + arguments[2]);
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "vorn-cli: keep.far: " + message);
        EXPECT_EQ(ReadFileBytes(archive), before);
    }
}

TEST_F(ArchiveCommands, QuickSaveGrowsTheFileAndReloadsEqual)
{
    const auto quick = MakeArchive("quick.far");
    const auto full = MakeArchive("full.far");
    const std::vector<uint8_t> before = ReadFileBytes(quick);
    ASSERT_EQ(Run({"--quick", "rename", "quick.far", "a", "renamed"}).status, 0);
    ASSERT_EQ(Run({"rename", "full.far", "a", "renamed"}).status, 0);
    const std::vector<uint8_t> after = ReadFileBytes(quick);
    EXPECT_GT(after.size(), before.size());
    // Everything after the header is kept; only the header and the appended manifest differ.
    EXPECT_TRUE(std::equal(before.begin() + 16, before.end(), after.begin() + 16));
    EXPECT_EQ(Run({"list", "quick.far"}).out, Run({"list", "full.far"}).out);
    EXPECT_EQ(ReadFileBytes(full).size(), before.size() + 2 * 6); // two names grew by six bytes

    // A second quick save appends again; the options may also follow the command.
    ASSERT_EQ(Run({"rm", "quick.far", "e.txt", "--quick"}).status, 0);
    EXPECT_GT(ReadFileBytes(quick).size(), after.size());
    EXPECT_EQ(Run({"list", "quick.far"}).out, "3\trenamed\\b\\c.txt\n2\trenamed\\d.txt\n4\tx\\y\\z.bin\n");
}

TEST_F(ArchiveCommands, AnArchiveHeldByTheEditorIsReadButNotChanged)
{
    const auto archive = MakeArchive("held.far");
    RecordingMessenger messenger;
    CVornDoc doc(messenger);
    ASSERT_TRUE(doc.OpenDocument(archive));
    EXPECT_EQ(Run({"list", "held.far"}).status, 0);
    const auto result = Run({"rm", "held.far", "e.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vorn-cli: A sharing violation occurred while accessing " + archive.string() + ".\n");
}

TEST_F(ArchiveCommands, FilesThatAreNoArchivesFailWithTheirMessage)
{
    WriteFileBytes(dir_ / "text.far", testing::BytesOf("just some text, not an archive"));
    std::filesystem::create_directory(dir_ / "folder.far");
    // Each error begins with the tool's name and names the file.
    EXPECT_EQ(Run({"list", "text.far"}).err, "vorn-cli: text.far: Error while loading the FAR file!\n");
    EXPECT_EQ(Run({"rm", "text.far", "x"}).err, "vorn-cli: text.far: Error while loading the FAR file!\n");
    EXPECT_EQ(Run({"info", "missing.far"}).err, "vorn-cli: " + (dir_ / "missing.far").string() + " was not found.\n");
    EXPECT_EQ(Run({"tree", "folder.far"}).err,
              "vorn-cli: " + (dir_ / "folder.far").string() + " is a folder, not a file.\n");
    EXPECT_EQ(Run({"rm", "folder.far", "x"}).status, 1);

    // Truncated and corrupted archives: a message and status 1, never a crash.
    const std::vector<uint8_t> image = MakeFarImage(kFiles);
    for (size_t length : {1u, 15u, 16u, 25u, 30u, 40u, static_cast<unsigned>(image.size() - 1)}) {
        WriteFileBytes(dir_ / "cut.far", std::span(image).first(length));
        const auto result = Run({"list", "cut.far"});
        EXPECT_EQ(result.status, 1) << length;
        EXPECT_EQ(result.err, "vorn-cli: cut.far: Error while loading the FAR file!\n") << length;
    }
    std::vector<uint8_t> huge = image;
    huge[26] = huge[27] = huge[28] = 0xFF; // a count of millions of records
    WriteFileBytes(dir_ / "huge.far", huge);
    EXPECT_EQ(Run({"list", "huge.far"}).status, 1);
    std::vector<uint8_t> badOffset = image;
    badOffset[26 + 4 + 8 + 3] = 0x7F; // first file's offset far beyond the end
    WriteFileBytes(dir_ / "offset.far", badOffset);
    EXPECT_EQ(Run({"cat", "offset.far", "a\\b\\c.txt"}).err, "vorn-cli: offset.far: Can't load file!\n");
    EXPECT_EQ(Run({"rm", "offset.far", "e.txt"}).err, "vorn-cli: offset.far: Error while saving the FAR file!\n"
                                                       "The file \"a\\b\\c.txt\" could not be read from the "
                                                       "archive: delete or replace it.\n");
    EXPECT_EQ(ReadFileBytes(dir_ / "offset.far"), badOffset);
}

TEST_F(ArchiveCommands, ArchivesWhoseTreeCannotBeBuiltFailEveryReadingCommandAlike)
{
    // Commands that print no tree do not build one, but they must refuse the
    // same archives the editor refuses, with its message and nothing printed.
    std::string deep;
    for (int i = 0; i < 1100; ++i)
        deep += "d\\";
    const std::vector<std::vector<testing::FarFixtureFile>> unbuildable = {
        {{"ok.txt", "1"}, {"\\\\lost.txt", "2"}}, // separators only before a name not in the root
        {{"a\\b.txt", "1"}, {deep + "f.txt", "2"}},  // nested deeper than directories may be
    };
    for (size_t i = 0; i < unbuildable.size(); ++i) {
        SCOPED_TRACE(i);
        WriteFileBytes(dir_ / "bad.far", MakeFarImage(unbuildable[i]));
        std::vector<std::vector<std::string>> commands = {
            {"tree", "bad.far"}, {"list", "bad.far"}, {"info", "bad.far"}, {"cat", "bad.far", "ok.txt"},
            {"cat", "bad.far", "a\\b.txt"}, {"xa2wav", "bad.far::ok.txt", "-"}};
        for (const auto& command : commands) {
            SCOPED_TRACE(command[0] + " " + command.back());
            const auto result = Run(command);
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err, "vorn-cli: " + command[1] + ": Error while building the directory structure!\n");
        }
    }
    // The same names become readable once the root holds the name the
    // separators lead to.
    WriteFileBytes(dir_ / "good.far", MakeFarImage({{"Lost.txt", "old"}, {"\\\\lost.txt", "new"}}));
    EXPECT_EQ(Run({"list", "good.far"}).out, "3\tLost.txt\n3\t\\\\lost.txt\n");
    EXPECT_EQ(Run({"cat", "good.far", "LOST.TXT"}).out, "new");
}

TEST_F(ArchiveCommands, CatReadsTheFileTheTreeShows)
{
    // Case-equal duplicates: the tree shows the later entry, and so does cat;
    // odd separators lead to the item the tree makes of them.
    WriteFileBytes(dir_ / "dup.far", MakeFarImage({{"a\\x.txt", "first"},
                                                   {"A\\X.TXT", "second"},
                                                   {"b\\\\y.txt", "doubled"},
                                                   {"c\\", "empty name"},
                                                   {"\\z.txt", "rooted"},
                                                   {"b\\y.txt", "plain"}}));
    EXPECT_EQ(Run({"cat", "dup.far", "a\\x.txt"}).out, "second");
    EXPECT_EQ(Run({"cat", "dup.far", "b\\y.txt"}).out, "plain");
    EXPECT_EQ(Run({"cat", "dup.far", "b\\\\y.txt"}).out, "plain"); // a doubled separator walks as one
    EXPECT_EQ(Run({"cat", "dup.far", "c\\"}).out, "empty name");
    EXPECT_EQ(Run({"cat", "dup.far", "z.txt"}).out, "rooted");
    EXPECT_EQ(Run({"cat", "dup.far", "x.txt"}).status, 1);
    EXPECT_EQ(Run({"list", "dup.far"}).out,
              "5\ta\\x.txt\n6\tA\\X.TXT\n7\tb\\\\y.txt\n10\tc\\\n6\t\\z.txt\n5\tb\\y.txt\n");
}

// The benchmark's layout, smaller: half the entries in one directory, the
// rest dealt round-robin over directories of 200, plus case-equal duplicates.
TEST_F(ArchiveCommands, ABigArchiveListsAndTreesInArchiveOrder)
{
    constexpr int kEntries = 20000;
    constexpr int kHalf = kEntries / 2;
    constexpr int kDirectories = kEntries / 200;
    std::vector<testing::FarFixtureFile> files;
    auto number = [](int value, int width) {
        std::string text = std::to_string(value);
        return std::string(static_cast<size_t>(width) - text.size(), '0') + text;
    };
    for (int i = 0; i < kEntries; ++i) {
        if (i < kHalf)
            files.push_back({"Big\\File" + number(i, 7) + ".dat", "entry " + number(i, 9) + "\n"});
        else
            files.push_back({"Spread\\Dir" + number((i - kHalf) % kDirectories, 5) + "\\Item" + number(i, 7) + ".dat",
                             "entry " + number(i, 9) + "\n"});
    }
    files.push_back({"BIG\\FILE0000007.DAT", "the later one"});
    files.push_back({"spread\\dir00003\\ITEM0010003.DAT", "also later"});
    WriteFileBytes(dir_ / "big.far", MakeFarImage(files));

    std::string expectedList;
    for (const auto& file : files)
        expectedList += std::to_string(file.bytes.size()) + "\t" + file.name + "\n";
    const auto list = Run({"list", "big.far"});
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(list.out.starts_with("16\tBig\\File0000000.dat\n16\tBig\\File0000001.dat\n"));
    EXPECT_TRUE(list.out.ends_with("16\tSpread\\Dir00099\\Item0019999.dat\n13\tBIG\\FILE0000007.DAT\n"
                                   "10\tspread\\dir00003\\ITEM0010003.DAT\n"));
    EXPECT_EQ(list.out, expectedList);

    std::string expectedTree = "Big\nSpread\n";
    for (int d = 0; d < kDirectories; ++d)
        expectedTree += "  Dir" + number(d, 5) + "\n";
    EXPECT_EQ(Run({"tree", "big.far"}).out, expectedTree);
    EXPECT_EQ(Run({"info", "big.far"}).out.find("entries\t20002\n") != std::string::npos, true);
    EXPECT_EQ(Run({"cat", "big.far", "big\\file0000007.dat"}).out, "the later one");
    EXPECT_EQ(Run({"cat", "big.far", "Spread\\Dir00003\\Item0010003.dat"}).out, "also later");
    EXPECT_EQ(Run({"cat", "big.far", "Spread\\Dir00099\\Item0019999.dat"}).out, "entry 000019999\n");
}

TEST_F(ArchiveCommands, UsageErrorsAndHelp)
{
    MakeArchive("u.far");
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate", "u.far"},
                                               {"list"},
                                               {"info", "u.far", "extra"},
                                               {"mv", "u.far", "a"},
                                               {"--yes", "--no", "list", "u.far"},
                                               {"--bogus", "list", "u.far"},
                                               {"list", "u.far", "--into", "a"},
                                               {"iff"},
                                               {"iff", "frob", "x"}}) {
        const auto result = Run(arguments);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err, "");
    }
    const auto help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"info", "list", "tree", "cat", "extract", "add", "rm", "mv", "rename", "xa2wav",
                                "iff chunks", "iff objects", "iff fixcolors"})
        EXPECT_NE(help.out.find(std::string("  ") + command + " "), std::string::npos) << command;
    const auto commandHelp = Run({"mv", "--help"});
    EXPECT_EQ(commandHelp.status, 0);
    EXPECT_EQ(commandHelp.out.rfind("Usage: vorn-cli [--quick] [--yes|--no] mv ARCHIVE PATH... DESTDIR\n", 0), 0u);
    EXPECT_EQ(Run({"iff", "objects", "--help"}).status, 0);
    // "--" ends the options: a file may be called "--yes".
    std::filesystem::copy_file(dir_ / "u.far", dir_ / "--yes");
    EXPECT_EQ(Run({"list", "--", "--yes"}).status, 0);
}

TEST_F(ArchiveCommands, TheToolLinksNoUserInterfaceLibrary)
{
    const auto result = RunTool({}, dir_.Path()); // built at all, runs without a display
    EXPECT_EQ(result.status, 2);
    FILE* pipe = ::popen((std::string("ldd '") + VORN_CLI_PATH + "' 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string libraries;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        libraries += buffer;
    ::pclose(pipe);
    EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("Qt"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("SDL"), std::string::npos) << libraries;
}

} // namespace
} // namespace vorn

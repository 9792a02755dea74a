#include "archive/far_directory_tree.h"

#include "base/file_stream.h"
#include "base/memory_stream.h"
#include "testing/far_fixture.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>
#include <random>

namespace vorn {
namespace {

using testing::TempDir;

MemoryStream StreamOf(std::string_view text)
{
    return MemoryStream(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void AddNamed(CFarArchive& archive, const std::string& name)
{
    MemoryStream bytes = StreamOf(name);
    ASSERT_TRUE(archive.AddOrReplace(name, bytes, false));
}

std::vector<std::string> NamesOf(const std::vector<CFarDirectory>& directories)
{
    std::vector<std::string> names;
    for (const CFarDirectory& directory : directories)
        names.push_back(directory.Name());
    return names;
}

std::vector<std::string> NamesOf(const std::vector<FarFileItem>& files)
{
    std::vector<std::string> names;
    for (const FarFileItem& file : files)
        names.push_back(file.name);
    return names;
}

// Every file item of the tree names a live entry whose name is its path
// (letter case aside), every directory's path is its parent's plus its name,
// and every live entry is reachable through the tree.
void ExpectConsistent(const CFarDirectoryTree& tree)
{
    size_t items = 0;
    std::function<void(const CFarDirectory&)> walk = [&](const CFarDirectory& directory) {
        for (const FarFileItem& item : directory.Files()) {
            ++items;
            const CFarEntry* entry = tree.EntryOfItem(item);
            ASSERT_NE(entry, nullptr);
            EXPECT_FALSE(entry->isDeleted) << entry->name;
            const std::string path = directory.Path().empty() ? item.name : directory.Path() + "\\" + item.name;
            EXPECT_TRUE(EqualsNoCase(entry->name, path)) << entry->name << " vs " << path;
            EXPECT_EQ(tree.FindFileItem(path), &item);
        }
        for (const CFarDirectory& child : directory.Subdirectories()) {
            EXPECT_EQ(child.Path(), directory.Path().empty() ? child.Name() : directory.Path() + "\\" + child.Name());
            EXPECT_EQ(tree.GetDirectoryRef(child.Path()), &child);
            walk(child);
        }
    };
    walk(tree.Root());
    EXPECT_EQ(items, tree.EntryCount());
}

class TreeTest : public ::testing::Test {
protected:
    void Make(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            AddNamed(archive, name);
        ASSERT_TRUE(tree.Build(archive));
    }
    std::string NameOf(const std::string& path) const
    {
        const FarFileItem* item = tree.FindFileItem(path);
        return item ? tree.EntryOfItem(*item)->name : "<none>";
    }

    CFarArchive archive;
    CFarDirectoryTree tree;
};

TEST_F(TreeTest, BuildsDirectoriesFromNamesInEntryOrder)
{
    Make({"a\\b\\c.txt", "a\\d.txt", "e.txt", "Z\\y.txt", "a\\B\\A.txt", "a\\0.txt"});
    const CFarDirectory& root = tree.Root();
    EXPECT_EQ(root.Name(), "");
    EXPECT_EQ(root.Path(), "");
    EXPECT_EQ(NamesOf(root.Subdirectories()), (std::vector<std::string>{"a", "Z"}));
    EXPECT_EQ(NamesOf(root.Files()), (std::vector<std::string>{"e.txt"}));
    const CFarDirectory* a = tree.GetDirectoryRef("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(NamesOf(a->Subdirectories()), (std::vector<std::string>{"b"}));
    EXPECT_EQ(NamesOf(a->Files()), (std::vector<std::string>{"d.txt", "0.txt"})); // not sorted
    const CFarDirectory* b = tree.GetDirectoryRef("a\\b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Path(), "a\\b");
    EXPECT_EQ(NamesOf(b->Files()), (std::vector<std::string>{"c.txt", "A.txt"}));
    EXPECT_EQ(tree.FindFileItem("a\\b\\c.txt")->entryIndex, 0);
    ExpectConsistent(tree);
}

TEST_F(TreeTest, PathRulesForLookups)
{
    Make({"a\\b\\c.txt", "a\\d.txt", "e.txt"});
    const FarFileItem* item = tree.FindFileItem("a\\d.txt");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(tree.FindFileItem("\\a\\d.txt"), item);
    EXPECT_EQ(tree.FindFileItem("\\\\a\\d.txt"), item);
    EXPECT_EQ(tree.FindFileItem("A\\D.TXT"), item);
    EXPECT_EQ(tree.FindFileItem(""), nullptr);
    EXPECT_EQ(tree.FindFileItem("\\"), nullptr);
    EXPECT_EQ(tree.FindFileItem("a"), nullptr);       // a directory, not a file
    EXPECT_EQ(tree.FindFileItem("a\\b"), nullptr);
    EXPECT_EQ(tree.FindFileItem("x\\d.txt"), nullptr);

    EXPECT_EQ(tree.GetDirectoryRef("A\\B\\"), tree.GetDirectoryRef("a\\b"));
    EXPECT_EQ(tree.GetDirectoryRef("\\\\a\\b"), tree.GetDirectoryRef("a\\b"));
    EXPECT_EQ(tree.GetDirectoryRef(""), nullptr);      // never the root
    EXPECT_FALSE(tree.MakeDirectory("")); // nor made
    EXPECT_EQ(tree.GetDirectoryRef("e.txt"), nullptr); // a file, not a directory
    EXPECT_EQ(tree.GetDirectoryRef("a\\d.txt"), nullptr);

    ASSERT_TRUE(tree.GetDirectory(""));
    EXPECT_EQ(tree.GetDirectory("")->Path(), "");
    EXPECT_EQ(tree.GetDirectory("\\")->Subdirectories().size(), 1u);
    EXPECT_EQ(tree.GetDirectory("a\\")->Path(), "a");
    EXPECT_FALSE(tree.GetDirectory("nowhere"));
    EXPECT_FALSE(tree.GetFileItem("a\\nothing.txt"));
    EXPECT_EQ(tree.GetFileItem("\\E.TXT")->name, "e.txt");
    EXPECT_EQ(tree.EntryAt(-1), nullptr);
    EXPECT_EQ(tree.EntryAt(3), nullptr);
    EXPECT_EQ(tree.EntryAt(2)->name, "e.txt");
}

TEST_F(TreeTest, CopiesAreIndependentOfTheTree)
{
    Make({"a\\b\\c.txt", "a\\d.txt"});
    const std::optional<CFarDirectory> copy = tree.GetDirectory("a");
    ASSERT_TRUE(copy);
    ASSERT_TRUE(tree.RemoveFile("a\\d.txt"));
    ASSERT_TRUE(tree.RenameDirectory("a\\b", "a\\x"));
    EXPECT_EQ(NamesOf(copy->Files()), (std::vector<std::string>{"d.txt"}));
    EXPECT_EQ(copy->Subdirectories()[0].Path(), "a\\b");
    EXPECT_NE(copy->FindSubdirectory("B"), nullptr); // the copy's own index works
    EXPECT_EQ(NamesOf(tree.GetDirectoryRef("a")->Files()), std::vector<std::string>{});
}

TEST_F(TreeTest, LaterEntryOfTheSameNameIsShown)
{
    // Only a loaded manifest can hold two entries of one name.
    TempDir dir;
    testing::WriteFileBytes(dir / "t.far", testing::MakeFarImage({{"a\\x.txt", "1"}, {"A\\X.TXT", "2"}, {"b.txt", "3"}}));
    int error = 0;
    auto file = FileStream::Open(dir / "t.far", FileMode::ReadWrite, error);
    ASSERT_TRUE(file && archive.Load(*file));
    ASSERT_TRUE(tree.Build(archive));
    const FarFileItem* item = tree.FindFileItem("a\\x.txt");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->entryIndex, 1);
    EXPECT_EQ(item->name, "X.TXT");
    EXPECT_EQ(tree.GetDirectoryRef("a")->Files().size(), 1u);

    // A directory rename takes the hidden earlier entry along.
    ASSERT_TRUE(tree.RenameDirectory("a", "z"));
    EXPECT_EQ(archive.Entry(0)->name, "z\\x.txt");
    EXPECT_EQ(archive.Entry(1)->name, "z\\X.TXT");
}

TEST_F(TreeTest, ALaterNameWithLeadingSeparatorsTakesTheRootItem)
{
    // The whole name finds the root item once its leading separators are
    // gone, so the later entry is the one shown, as for any repeated name.
    TempDir dir;
    testing::WriteFileBytes(dir / "t.far",
                            testing::MakeFarImage({{"x.txt", "1"}, {"\\\\X.TXT", "2"}, {"\\y.txt", "3"}}));
    int error = 0;
    auto file = FileStream::Open(dir / "t.far", FileMode::ReadWrite, error);
    ASSERT_TRUE(file && archive.Load(*file));
    ASSERT_TRUE(tree.Build(archive));
    EXPECT_EQ(NamesOf(tree.Root().Files()), (std::vector<std::string>{"X.TXT", "y.txt"}));
    EXPECT_EQ(tree.FindFileItem("x.txt")->entryIndex, 1);
    EXPECT_EQ(tree.FindFileItem("y.txt")->entryIndex, 2);
}

TEST_F(TreeTest, DoubledSeparatorsNeverLeaveADirectoryWithAPathThatMissesIt)
{
    Make({"a\\b\\c.txt", "n\\k.txt"});
    EXPECT_FALSE(tree.MoveDirectory("a\\b", "n\\\\"));
    EXPECT_FALSE(tree.RenameDirectory("a\\\\b", "a\\\\x"));
    EXPECT_FALSE(tree.MoveFileItem("a\\b\\c.txt", "n\\\\x"));
    ExpectConsistent(tree);
    ASSERT_TRUE(tree.MoveDirectory("a\\b", "n\\"));
    ASSERT_TRUE(tree.RenameDirectory("n\\b", "n\\x"));
    EXPECT_EQ(NameOf("n\\x\\c.txt"), "n\\x\\c.txt");
    ExpectConsistent(tree);
}

TEST_F(TreeTest, MovesCannotNestDeeperThanNamesMay)
{
    std::string deep;
    for (int i = 0; i < 1000; ++i)
        deep += "d\\";
    std::string tall;
    for (int i = 0; i < 30; ++i)
        tall += "t\\";
    Make({(deep + "f.txt").c_str(), (tall + "g.txt").c_str(), "s\\h.txt"});
    const std::string bottom = deep.substr(0, deep.size() - 1);
    EXPECT_FALSE(tree.MoveDirectory("t", bottom));
    EXPECT_NE(tree.GetDirectoryRef("t"), nullptr);
    // Too deep a new directory is refused before any part of it is made.
    EXPECT_FALSE(tree.MakeDirectory(bottom + "\\" + tall + "x"));
    EXPECT_TRUE(tree.GetDirectoryRef(bottom)->Subdirectories().empty());
    EXPECT_TRUE(tree.MakeDirectory(bottom + "\\" + tall.substr(0, 46) + "x"));
    ASSERT_TRUE(tree.MoveDirectory("s", bottom));
    EXPECT_EQ(NameOf(bottom + "\\s\\h.txt"), bottom + "\\s\\h.txt");
    ExpectConsistent(tree);
}

TEST_F(TreeTest, RenameFileStaysInItsDirectory)
{
    Make({"a\\b\\c.txt", "a\\d.txt", "a\\f.txt", "e.txt"});
    EXPECT_FALSE(tree.RenameFile("a\\d.txt", "b\\d.txt")); // another directory
    EXPECT_FALSE(tree.RenameFile("a\\d.txt", "ab\\d.txt"));
    EXPECT_FALSE(tree.RenameFile("a\\d.txt", "a\\f.txt")); // taken
    EXPECT_FALSE(tree.RenameFile("a\\missing.txt", "a\\g.txt"));
    for (const char* refused : {"a\\", "a\\.", "a\\..", "a\\x\\y.txt", "a\\x/y.txt", "aXg.txt"})
        EXPECT_FALSE(tree.RenameFile("a\\d.txt", refused)) << refused;
    EXPECT_EQ(NameOf("a\\d.txt"), "a\\d.txt");

    EXPECT_TRUE(tree.RenameFile("a\\d.txt", "a\\D.txt")); // itself, another case
    EXPECT_EQ(NameOf("a\\d.txt"), "a\\D.txt");
    EXPECT_TRUE(tree.RenameFile("\\A\\d.txt", "\\A\\g.txt"));
    EXPECT_EQ(NameOf("a\\g.txt"), "A\\g.txt");
    EXPECT_EQ(tree.FindFileItem("a\\d.txt"), nullptr);
    EXPECT_EQ(NamesOf(tree.GetDirectoryRef("a")->Files()), (std::vector<std::string>{"g.txt", "f.txt"}));

    EXPECT_FALSE(tree.RenameFile("e.txt", "x\\e.txt"));
    EXPECT_TRUE(tree.RenameFile("\\e.txt", "\\h.txt"));
    EXPECT_EQ(NameOf("h.txt"), "h.txt");
    EXPECT_EQ(archive.FindEntry("h.txt"), std::optional<size_t>(3));
    ExpectConsistent(tree);
}

TEST_F(TreeTest, RenameDirectoryRenamesEverythingBelow)
{
    Make({"a\\b\\c.txt", "a\\d.txt", "ab\\z.txt", "n\\k.txt"});
    EXPECT_FALSE(tree.RenameDirectory("a", "n"));       // exists
    EXPECT_FALSE(tree.RenameDirectory("a\\b", "n\\b")); // another parent
    EXPECT_FALSE(tree.RenameDirectory("", "x"));
    EXPECT_FALSE(tree.RenameDirectory("missing", "x"));
    for (const char* refused : {"a\\.", "a\\..", "a\\x/y", "a\\x\\y"})
        EXPECT_FALSE(tree.RenameDirectory("a\\b", refused)) << refused;
    EXPECT_EQ(NameOf("a\\b\\c.txt"), "a\\b\\c.txt");

    ASSERT_TRUE(tree.RenameDirectory("A", "x"));
    EXPECT_EQ(NameOf("x\\b\\c.txt"), "x\\b\\c.txt");
    EXPECT_EQ(NameOf("x\\d.txt"), "x\\d.txt");
    EXPECT_EQ(NameOf("ab\\z.txt"), "ab\\z.txt"); // shares the letters, not the directory
    EXPECT_EQ(tree.GetDirectoryRef("x\\b")->Path(), "x\\b");
    EXPECT_EQ(tree.GetDirectoryRef("a"), nullptr);
    EXPECT_EQ(NamesOf(tree.Root().Subdirectories()), (std::vector<std::string>{"x", "ab", "n"}));
    EXPECT_EQ(archive.Entry(0)->name, "x\\b\\c.txt");

    ASSERT_TRUE(tree.RenameDirectory("x\\b\\", "X\\Bee\\"));
    EXPECT_EQ(NameOf("x\\bee\\c.txt"), "X\\Bee\\c.txt");
    ASSERT_TRUE(tree.RenameDirectory("x", "X")); // case only
    EXPECT_EQ(tree.GetDirectoryRef("x")->Name(), "X");
    ExpectConsistent(tree);
}

TEST_F(TreeTest, RenamedNamesReachTheSavedFile)
{
    TempDir dir;
    Make({"a\\b\\c.txt", "a\\d.txt", "e.txt"});
    ASSERT_TRUE(tree.RenameDirectory("a", "longer name"));
    ASSERT_TRUE(tree.MoveFileItem("e.txt", "longer name\\b"));
    int error = 0;
    auto out = FileStream::Open(dir / "t.far", FileMode::CreateReadWrite, error);
    ASSERT_TRUE(out && archive.Save(*out));

    CFarArchive reloaded;
    ASSERT_TRUE(reloaded.Load(*out));
    std::vector<std::string> names;
    for (const CFarEntry& entry : reloaded.Entries())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"longer name\\b\\c.txt", "longer name\\d.txt",
                                               "longer name\\b\\e.txt"}));
    CFarDirectoryTree again;
    ASSERT_TRUE(again.Build(reloaded));
    std::vector<uint8_t> bytes = *again.CopyEntryData("longer name\\b\\e.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "e.txt");
}

TEST_F(TreeTest, MoveDirectoryKeepsItsNameAndRefusesLoops)
{
    Make({"a\\b\\c.txt", "a\\b\\deep\\f.txt", "a\\d.txt", "n\\k.txt", "b\\q.txt"});
    EXPECT_FALSE(tree.MoveDirectory("a\\b", "a"));       // already there
    EXPECT_FALSE(tree.MoveDirectory("a\\b", ""));        // root holds a b already
    EXPECT_FALSE(tree.MoveDirectory("a", "a"));          // into itself
    EXPECT_FALSE(tree.MoveDirectory("a", "a\\b\\deep")); // into its own subdirectory
    EXPECT_FALSE(tree.MoveDirectory("A", "\\A\\B\\"));
    EXPECT_FALSE(tree.MoveDirectory("a\\b", "missing"));
    EXPECT_FALSE(tree.MoveDirectory("", "n"));
    EXPECT_EQ(NameOf("a\\b\\c.txt"), "a\\b\\c.txt");
    ExpectConsistent(tree);

    ASSERT_TRUE(tree.MoveDirectory("a\\b", "n"));
    EXPECT_EQ(NameOf("n\\b\\c.txt"), "n\\b\\c.txt");
    EXPECT_EQ(NameOf("n\\b\\deep\\f.txt"), "n\\b\\deep\\f.txt");
    EXPECT_EQ(tree.GetDirectoryRef("n\\b\\deep")->Path(), "n\\b\\deep");
    EXPECT_EQ(tree.GetDirectoryRef("a\\b"), nullptr);
    EXPECT_EQ(tree.GetDirectoryRef("n")->Files().size(), 1u);
    ExpectConsistent(tree);

    ASSERT_TRUE(tree.RemoveFile("b\\q.txt"));
    ASSERT_TRUE(tree.DeleteDirectory("b"));
    ASSERT_TRUE(tree.MoveDirectory("\\n\\b", ""));
    EXPECT_EQ(NameOf("b\\c.txt"), "b\\c.txt");
    EXPECT_EQ(NamesOf(tree.Root().Subdirectories()), (std::vector<std::string>{"a", "n", "b"}));
    ExpectConsistent(tree);
}

TEST_F(TreeTest, MoveDirectoryIntoALaterSibling)
{
    // Taking the first directory out shifts its siblings; the target must be found again.
    Make({"a\\1.txt", "b\\2.txt", "c\\3.txt", "c\\d\\4.txt"});
    ASSERT_TRUE(tree.MoveDirectory("a", "c\\d"));
    EXPECT_EQ(NameOf("c\\d\\a\\1.txt"), "c\\d\\a\\1.txt");
    EXPECT_EQ(NamesOf(tree.Root().Subdirectories()), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(NamesOf(tree.GetDirectoryRef("c\\d")->Subdirectories()), std::vector<std::string>{"a"});
    ASSERT_TRUE(tree.MoveDirectory("b", "c"));
    EXPECT_NE(tree.GetDirectoryRef("c\\b"), nullptr);
    ExpectConsistent(tree);
}

TEST_F(TreeTest, MoveFileItemRules)
{
    Make({"a\\d.txt", "a\\e.txt", "e.txt", "x.txt"});
    EXPECT_FALSE(tree.MoveFileItem("x.txt", ""));      // already in the root
    EXPECT_FALSE(tree.MoveFileItem("a\\d.txt", "a\\")); // already there
    EXPECT_FALSE(tree.MoveFileItem("e.txt", "a"));     // a holds an e.txt
    EXPECT_FALSE(tree.MoveFileItem("x.txt", "missing"));
    EXPECT_FALSE(tree.MoveFileItem("missing.txt", "a"));
    ASSERT_TRUE(tree.RemoveFile("a\\e.txt"));
    ASSERT_TRUE(tree.MoveFileItem("\\e.txt", "\\a\\"));
    EXPECT_EQ(NameOf("a\\e.txt"), "a\\e.txt");
    EXPECT_EQ(archive.Entry(2)->name, "a\\e.txt");
    ASSERT_TRUE(tree.MoveFileItem("a\\d.txt", ""));
    EXPECT_EQ(NameOf("d.txt"), "d.txt");
    EXPECT_EQ(NamesOf(tree.Root().Files()), (std::vector<std::string>{"x.txt", "d.txt"}));
    ExpectConsistent(tree);
}

TEST_F(TreeTest, MovesTypedInOtherCaseKeepTheStoredSpelling)
{
    // The CLI passes paths as typed; moved items must take the tree's spelling
    // of their new directory and keep their own.
    Make({"Top\\Sub1\\a.txt", "Top\\Sub1\\Deep\\d.txt", "Other\\b.txt", "c.txt"});
    ASSERT_TRUE(tree.MoveDirectory("top\\SUB1", "OTHER"));
    EXPECT_EQ(tree.GetDirectoryRef("other\\sub1")->Path(), "Other\\Sub1");
    EXPECT_EQ(NameOf("other\\sub1\\a.txt"), "Other\\Sub1\\a.txt");
    EXPECT_EQ(NameOf("other\\sub1\\deep\\d.txt"), "Other\\Sub1\\Deep\\d.txt");
    ASSERT_TRUE(tree.MoveFileItem("C.TXT", "other\\SUB1\\"));
    EXPECT_EQ(NameOf("other\\sub1\\c.txt"), "Other\\Sub1\\c.txt");
    ExpectConsistent(tree);
}

TEST_F(TreeTest, DeleteAndRemoveMarkEntriesDeleted)
{
    Make({"a\\b\\c.txt", "a\\d.txt", "e.txt", "f.txt", "g.txt"});
    EXPECT_EQ(tree.EntryCount(), 5u);
    EXPECT_FALSE(tree.DeleteDirectory(""));
    EXPECT_FALSE(tree.DeleteDirectory("missing"));
    ASSERT_TRUE(tree.DeleteDirectory("\\A\\"));
    EXPECT_EQ(tree.EntryCount(), 3u);
    EXPECT_TRUE(archive.Entry(0)->isDeleted);
    EXPECT_TRUE(archive.Entry(1)->isDeleted);
    EXPECT_EQ(tree.GetDirectoryRef("a"), nullptr);
    EXPECT_TRUE(tree.Root().Subdirectories().empty());
    EXPECT_EQ(tree.TotalSize(), 15u);

    EXPECT_FALSE(tree.RemoveFile("missing.txt"));
    ASSERT_TRUE(tree.RemoveFile("F.TXT"));
    EXPECT_FALSE(tree.RemoveFile("f.txt"));
    EXPECT_EQ(NamesOf(tree.Root().Files()), (std::vector<std::string>{"e.txt", "g.txt"}));
    EXPECT_NE(tree.FindFileItem("g.txt"), nullptr); // positions after the removed one still right
    EXPECT_EQ(tree.EntryCount(), 2u);
    ExpectConsistent(tree);
}

TEST_F(TreeTest, RemovalsKeepTheNameIndexRight)
{
    for (int i = 0; i < 50; ++i)
        AddNamed(archive, "d\\f" + std::to_string(i));
    ASSERT_TRUE(tree.Build(archive));
    for (int i = 0; i < 50; i += 3)
        ASSERT_TRUE(tree.RemoveFile("d\\f" + std::to_string(i)));
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(tree.FindFileItem("d\\F" + std::to_string(i)) != nullptr, i % 3 != 0) << i;
    ExpectConsistent(tree);
}

TEST_F(TreeTest, DirectoryMovesAndDeletionsKeepTheNameIndexRight)
{
    // Taking directories out of the middle of a parent renumbers the later ones.
    for (int i = 0; i < 30; ++i)
        AddNamed(archive, "top\\sub" + std::to_string(i) + "\\f.txt");
    AddNamed(archive, "other\\keep.txt");
    ASSERT_TRUE(tree.Build(archive));
    for (int i = 0; i < 30; i += 4)
        ASSERT_TRUE(tree.DeleteDirectory("top\\sub" + std::to_string(i)));
    for (int i = 1; i < 30; i += 4)
        ASSERT_TRUE(tree.MoveDirectory("top\\sub" + std::to_string(i), "other"));
    for (int i = 2; i < 30; i += 4)
        ASSERT_TRUE(tree.RenameDirectory("top\\sub" + std::to_string(i), "top\\renamed" + std::to_string(i)));
    for (int i = 0; i < 30; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(tree.GetDirectoryRef("TOP\\Sub" + n) != nullptr, i % 4 == 3) << i;
        EXPECT_EQ(tree.GetDirectoryRef("other\\sub" + n) != nullptr, i % 4 == 1) << i;
        EXPECT_EQ(tree.FindFileItem("top\\renamed" + n + "\\F.TXT") != nullptr, i % 4 == 2) << i;
    }
    ExpectConsistent(tree);
}

TEST_F(TreeTest, MadeDirectoriesDoNotSurviveSaveAndReload)
{
    TempDir dir;
    Make({"e.txt"});
    EXPECT_FALSE(tree.MakeDirectory(""));
    EXPECT_FALSE(tree.MakeDirectory("\\"));
    EXPECT_FALSE(tree.MakeDirectory("n\\\\m"));
    const std::optional<CFarDirectory> made = tree.MakeDirectory("\\n\\m\\");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->Path(), "n\\m");
    EXPECT_NE(tree.GetDirectoryRef("n"), nullptr);
    EXPECT_EQ(tree.MakeDirectory("N\\M")->Path(), "n\\m"); // found, not made twice
    EXPECT_EQ(tree.GetDirectoryRef("n")->Subdirectories().size(), 1u);
    EXPECT_EQ(tree.EntryCount(), 1u);

    int error = 0;
    auto out = FileStream::Open(dir / "t.far", FileMode::CreateReadWrite, error);
    ASSERT_TRUE(out && archive.Save(*out));
    CFarArchive reloaded;
    ASSERT_TRUE(reloaded.Load(*out));
    CFarDirectoryTree again;
    ASSERT_TRUE(again.Build(reloaded));
    EXPECT_EQ(again.GetDirectoryRef("n"), nullptr);
    EXPECT_EQ(again.GetDirectoryRef("n\\m"), nullptr);
}

TEST_F(TreeTest, AddFileCreatesDirectoriesAndHonoursOverwrite)
{
    Make({"a\\d.txt"});
    MemoryStream one = StreamOf("one");
    const std::optional<FarFileItem> added = tree.AddFile("\\x\\y\\new.bin", one, false);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->name, "new.bin");
    EXPECT_EQ(NameOf("x\\y\\new.bin"), "x\\y\\new.bin");
    EXPECT_EQ(tree.EntryOfItem(*added)->size1, 3u);

    MemoryStream two = StreamOf("second");
    EXPECT_FALSE(tree.AddFile("A\\D.TXT", two, false));
    EXPECT_EQ(archive.Entries().size(), 2u);
    const std::optional<FarFileItem> replaced = tree.AddFile("A\\D.TXT", two, true);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->entryIndex, 0);
    EXPECT_EQ(NameOf("a\\d.txt"), "a\\d.txt"); // keeps its own letter case
    EXPECT_EQ(tree.GetDirectoryRef("a")->Files().size(), 1u);
    std::vector<uint8_t> bytes = *tree.CopyEntryData("a\\d.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "second");

    for (const char* refused : {"", "\\", "a\\\\b.txt", "a\\", "a\\b\\"}) {
        MemoryStream three = StreamOf("3");
        EXPECT_FALSE(tree.AddFile(refused, three, true)) << refused;
    }
    EXPECT_EQ(archive.Entries().size(), 2u);
    ExpectConsistent(tree);
}

TEST_F(TreeTest, WriteAndCopyEntryDataReadFromTheSource)
{
    TempDir dir;
    std::vector<uint8_t> image = testing::MakeFarImage({{"a\\good.bin", "GOOD"}, {"a\\bad.bin", "BAD!"}});
    // Point the second record's offset past the end of the file.
    const uint32_t manifest = image[12] | image[13] << 8 | image[14] << 16 | image[15] << 24;
    const size_t secondRecord = manifest + 4 + 16 + 10;
    image[secondRecord + 8] = 0xF0;
    image[secondRecord + 9] = 0xFF;
    testing::WriteFileBytes(dir / "t.far", image);
    int error = 0;
    auto file = FileStream::Open(dir / "t.far", FileMode::ReadWrite, error);
    ASSERT_TRUE(file && archive.Load(*file));
    ASSERT_TRUE(tree.Build(archive));

    MemoryStream out;
    ASSERT_TRUE(tree.WriteEntryData("A\\GOOD.BIN", out));
    EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), "GOOD");
    EXPECT_FALSE(tree.WriteEntryData("a\\bad.bin", out));
    EXPECT_FALSE(tree.WriteEntryData("a\\none.bin", out));
    EXPECT_FALSE(tree.CopyEntryData("a\\bad.bin"));
    EXPECT_EQ(tree.CopyEntryData("a\\good.bin")->size(), 4u);
}

TEST_F(TreeTest, HostileNamesNeverBreakTheTree)
{
    // A directory part made only of separators cannot be placed.
    AddNamed(archive, "ok.txt");
    AddNamed(archive, "\\\\lost.txt");
    EXPECT_FALSE(tree.Build(archive));
    EXPECT_NE(tree.FindFileItem("ok.txt"), nullptr);

    // Nesting deeper than any real archive is refused instead of recursing without end.
    CFarArchive deep;
    std::string name;
    for (int i = 0; i < 5000; ++i)
        name += "d\\";
    AddNamed(deep, name + "f.txt");
    CFarDirectoryTree deepTree;
    EXPECT_FALSE(deepTree.Build(deep));
    EXPECT_TRUE(deepTree.DeleteDirectory("d"));

    // Random names from a small alphabet full of separators and case pairs.
    std::mt19937 random(7);
    const std::string alphabet = "aAbB\\\\.";
    for (int round = 0; round < 20; ++round) {
        CFarArchive fuzzed;
        for (int i = 0; i < 60; ++i) {
            std::string random_name;
            const int length = static_cast<int>(random() % 9);
            for (int c = 0; c < length; ++c)
                random_name += alphabet[random() % alphabet.size()];
            MemoryStream bytes = StreamOf(random_name);
            fuzzed.AddOrReplace(random_name, bytes, true);
        }
        CFarDirectoryTree fuzzedTree;
        fuzzedTree.Build(fuzzed);
        fuzzedTree.RenameDirectory("a", "c");
        fuzzedTree.MoveDirectory("b", "c");
        fuzzedTree.MoveDirectory("A\\b", "");
        fuzzedTree.DeleteDirectory("B");
        fuzzedTree.MoveFileItem("a", "b");
        for (const CFarEntry& entry : fuzzed.Entries())
            fuzzedTree.RemoveFile(entry.name);
    }
}

TEST(TreeWithoutBuilding, CanBuildAndShownEntryAgreeWithABuiltTree)
{
    // Random manifests with case-equal duplicates, runs of separators and
    // empty names: the checks made without a tree must answer as Build and
    // FindFileItem do, for every entry name and for paths written otherwise.
    TempDir dir;
    std::mt19937 random(11);
    const std::string alphabet = "aAb\\\\";
    auto randomName = [&](int longest) {
        std::string name;
        const int length = static_cast<int>(random() % static_cast<unsigned>(longest + 1));
        for (int c = 0; c < length; ++c)
            name += alphabet[random() % alphabet.size()];
        return name;
    };
    int built = 0, refused = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<testing::FarFixtureFile> files;
        const int count = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i)
            files.push_back({randomName(6), std::to_string(i)});
        if (round % 50 == 0)
            files.push_back({std::string(2 * 1030, 'd').replace(1, 1, "\\"), "deep"});
        testing::WriteFileBytes(dir / "r.far", testing::MakeFarImage(files));
        int error = 0;
        auto file = FileStream::Open(dir / "r.far", FileMode::Read, error);
        CFarArchive archive;
        ASSERT_TRUE(file && archive.Load(*file));
        CFarDirectoryTree tree;
        const bool builds = tree.Build(archive);
        ASSERT_EQ(CFarDirectoryTree::CanBuild(archive), builds) << round;
        if (!builds) {
            ++refused;
            continue;
        }
        ++built;
        std::vector<std::string> paths;
        for (const CFarEntry& entry : archive.Entries())
            paths.push_back(entry.name);
        for (int i = 0; i < 20; ++i)
            paths.push_back(randomName(5));
        for (const std::string& path : paths) {
            const FarFileItem* item = tree.FindFileItem(path);
            const std::optional<size_t> shown = CFarDirectoryTree::ShownEntry(archive, path);
            ASSERT_EQ(shown.has_value(), item != nullptr) << round << " " << path;
            if (item) {
                EXPECT_EQ(*shown, static_cast<size_t>(item->entryIndex)) << round << " " << path;
            }
        }
    }
    // Both kinds of archive came up often enough to mean something.
    EXPECT_GT(built, 50);
    EXPECT_GT(refused, 50);
}

} // namespace
} // namespace vorn

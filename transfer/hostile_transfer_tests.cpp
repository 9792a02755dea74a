// Archives and folders built to make a transfer write or read where it must
// not: names longer than the file system takes, links planted in the target
// folder, and link loops in a dropped folder. Only what ends up on disk and
// in the archive is checked, not how the workers get there.
#include "transfer/add_worker.h"
#include "transfer/extract_worker.h"
#include "transfer/transfer_test_host.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <map>

namespace vorn {
namespace {

using namespace vorn::testing;
namespace fs = std::filesystem;

// Every path below `root` with the bytes of its regular files ("" for the
// others), links listed but not followed.
std::map<std::string, std::string> Snapshot(const fs::path& root)
{
    std::map<std::string, std::string> seen;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        seen[relative] = entry.is_regular_file() && !entry.is_symlink() ? TextOf(entry.path()) : "";
    }
    return seen;
}

// Extraction of the whole archive's root into `target`; the unscripted
// messenger answers Yes to every question.
struct Extraction {
    Extraction(const fs::path& archivePath, const std::vector<FarFixtureFile>& files, const fs::path& target)
        : opened(archivePath, files)
    {
        job.host = &host;
        job.archive = &opened.tree;
        job.archiveFile = archivePath;
        job.targetFolder = target.string();
        for (const CFarDirectory& directory : opened.tree.Root().Subdirectories())
            job.directories.push_back(directory.Path());
        for (const FarFileItem& item : opened.tree.Root().Files())
            job.files.push_back(item.name);
    }
    TransferOutcome Run()
    {
        job.Reset();
        return ExtractFiles(job);
    }
    std::vector<std::string> Refusals() const
    {
        std::vector<std::string> refusals;
        for (const Message& message : host.messenger.Messages())
            if (message.text.rfind("Can't ", 0) == 0)
                refusals.push_back(message.text);
        return refusals;
    }

    OpenedArchive opened;
    ScriptedTransferHost host;
    TransferJob job;
};

TEST(HostileExtraction, NamesLongerThanTheFileSystemTakesAreRefusedOneByOne)
{
    TempDir temp;
    const fs::path target = temp / "out";
    fs::create_directory(target);
    const std::string longest(NAME_MAX, 'n');
    const std::string tooLong(NAME_MAX + 1, 'n');
    // 200 Latin-1 letters take 400 bytes once written as UTF-8.
    const std::string grows(200, '\xE9');
    // Levels of 250 bytes: the file ten levels down fits in PATH_MAX, the one
    // at twenty does not.
    std::string shallow, deep;
    for (int level = 0; level < 20; ++level) {
        deep += std::string(250, static_cast<char>('a' + level)) + "\\";
        if (level == 9)
            shallow = deep;
    }
    ASSERT_GT(deep.size(), static_cast<size_t>(PATH_MAX));
    Extraction extraction(temp / "long.far",
                          {{longest, "fits"},
                           {tooLong, "too long"},
                           {grows, "grows"},
                           {"d\\" + tooLong + "\\inner.txt", "below a long folder"},
                           {shallow + "ten.txt", "ten"},
                           {deep + "twenty.txt", "twenty"},
                           {"after.txt", "still extracted"}},
                          target);
    EXPECT_EQ(extraction.Run(), TransferOutcome::Completed);

    EXPECT_EQ(TextOf(target / longest), "fits");
    EXPECT_EQ(TextOf(target / "after.txt"), "still extracted");
    std::string shallowDisk = shallow;
    std::replace(shallowDisk.begin(), shallowDisk.end(), '\\', '/');
    EXPECT_EQ(TextOf(target / (shallowDisk + "ten.txt")), "ten");
    // One refusal per file that could not be written, none for the folders.
    EXPECT_EQ(extraction.Refusals(),
              (std::vector<std::string>{"Can't create \"d\\" + tooLong + "\\inner.txt\"!",
                                        "Can't create \"" + deep + "twenty.txt\"!",
                                        "Can't create \"" + tooLong + "\"!", "Can't create \"" + grows + "\"!"}));
    EXPECT_EQ(extraction.job.filesDone.load(), 3);
}

// Links planted in the target folder, pointing outside it: to a file, to a
// file that does not exist yet, and to a folder (reached both as an archive
// directory and through a "/" inside a file's name).
TEST(HostileExtraction, NeverWritesThroughALinkPlantedInTheTargetFolder)
{
    TempDir temp;
    const fs::path target = temp / "out";
    const fs::path outside = temp / "outside";
    fs::create_directories(target);
    fs::create_directories(outside / "folder");
    WriteFileBytes(outside / "victim.txt", BytesOf("precious"));
    WriteFileBytes(outside / "folder" / "kept.txt", BytesOf("kept"));
    fs::create_symlink(outside / "victim.txt", target / "victim.txt");
    fs::create_symlink(outside / "made.txt", target / "dangling.txt");
    fs::create_directory_symlink(outside / "folder", target / "dir");
    fs::create_directory_symlink(outside / "folder", target / "slash");
    const auto before = Snapshot(outside);

    Extraction extraction(temp / "links.far",
                          {{"victim.txt", "overwritten"},
                           {"dangling.txt", "created outside"},
                           {"dir\\kept.txt", "overwritten"},
                           {"dir\\new.txt", "created outside"},
                           {"dir\\sub\\deeper.txt", "created outside"},
                           {"slash/new.txt", "created outside"},
                           {"plain.txt", "inside"}},
                          target);
    EXPECT_EQ(extraction.Run(), TransferOutcome::Completed);

    EXPECT_EQ(Snapshot(outside), before);
    EXPECT_EQ(TextOf(target / "plain.txt"), "inside");
    EXPECT_EQ(extraction.job.filesDone.load(), 1);
    // Each place a link holds is reported, not passed over in silence, and
    // the links stay as they were.
    const std::vector<std::string> refusals = extraction.Refusals();
    for (const char* name : {"victim.txt", "dangling.txt", "dir", "slash"}) {
        EXPECT_TRUE(fs::is_symlink(target / name)) << name;
        EXPECT_TRUE(std::any_of(refusals.begin(), refusals.end(),
                                [&](const std::string& text) { return text.find(std::string("\"") + name) != std::string::npos; }))
            << name;
    }
}

// Hard links planted in the target folder to files outside it: an overwrite
// replaces the name, so the outside files keep their bytes; read from the
// archive's file and through the tree alike.
TEST(HostileExtraction, OverwritingAHardLinkReplacesTheNameNotTheFileOutside)
{
    for (const bool streamed : {false, true}) {
        SCOPED_TRACE(streamed ? "streamed" : "through the tree");
        TempDir temp;
        const fs::path target = temp / "out";
        const fs::path outside = temp / "outside";
        fs::create_directories(target / "d");
        fs::create_directories(outside);
        WriteFileBytes(outside / "victim.txt", BytesOf("precious"));
        WriteFileBytes(outside / "deep.txt", BytesOf("also precious"));
        WriteFileBytes(outside / "locked.txt", BytesOf("read-only"));
        fs::create_hard_link(outside / "victim.txt", target / "x.txt");
        fs::create_hard_link(outside / "deep.txt", target / "d" / "y.txt");
        // A file the user made read-only is refused, as before, and not replaced.
        fs::create_hard_link(outside / "locked.txt", target / "ro.txt");
        ASSERT_EQ(::chmod((outside / "locked.txt").c_str(), 0444), 0);
        const auto before = Snapshot(outside);

        Extraction extraction(temp / "hard.far",
                              {{"x.txt", "replaced"}, {"d\\y.txt", "replaced too"}, {"ro.txt", "not written"}},
                              target);
        if (streamed)
            extraction.job.source = extraction.opened.file.get();
        EXPECT_EQ(extraction.Run(), TransferOutcome::Completed);

        EXPECT_EQ(Snapshot(outside), before);
        EXPECT_EQ(TextOf(target / "x.txt"), "replaced");
        EXPECT_EQ(TextOf(target / "d" / "y.txt"), "replaced too");
        EXPECT_EQ(fs::hard_link_count(outside / "victim.txt"), 1u);
        EXPECT_EQ(fs::hard_link_count(target / "x.txt"), 1u);
        if (::geteuid() != 0) { // root writes to read-only files anyway
            EXPECT_EQ(extraction.Refusals(), std::vector<std::string>{"Can't create \"ro.txt\"!"});
            EXPECT_EQ(TextOf(target / "ro.txt"), "read-only");
            EXPECT_EQ(extraction.job.filesDone.load(), 2);
        }
    }
}

// The target folder the user picked may itself be a link; that one is
// followed, as any path the user types would be.
TEST(HostileExtraction, ATargetFolderThatIsALinkIsUsed)
{
    TempDir temp;
    fs::create_directories(temp / "real");
    fs::create_directory_symlink(temp / "real", temp / "chosen");
    Extraction extraction(temp / "plain.far", {{"a\\b.txt", "b"}, {"c.txt", "c"}}, temp / "chosen");
    EXPECT_EQ(extraction.Run(), TransferOutcome::Completed);
    EXPECT_EQ(TextOf(temp / "real" / "a" / "b.txt"), "b");
    EXPECT_EQ(TextOf(temp / "real" / "c.txt"), "c");
    EXPECT_TRUE(extraction.Refusals().empty());
}

class HostileAdding : public ::testing::Test {
protected:
    HostileAdding()
    {
        tree.Build(archive);
        job.host = &host;
        job.archive = &tree;
    }
    TransferOutcome Drop(std::vector<std::string> paths)
    {
        job.droppedItems = std::move(paths);
        job.Reset();
        return AddDroppedItems(job);
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const CFarEntry& entry : archive.Entries())
            if (!entry.isDeleted)
                names.push_back(entry.name);
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir temp;
    CFarArchive archive;
    CFarDirectoryTree tree;
    ScriptedTransferHost host;
    TransferJob job;
};

// Two dropped folders whose links lead into each other, a link to a folder
// above them, and links to files that lead round in a circle: everything
// real is added once and no link to a folder is followed.
TEST_F(HostileAdding, LinkLoopsInDroppedFoldersEndAndAddEachFileOnce)
{
    fs::create_directories(temp / "one" / "inner");
    fs::create_directories(temp / "two");
    WriteFileBytes(temp / "one" / "a.txt", BytesOf("a"));
    WriteFileBytes(temp / "one" / "inner" / "b.txt", BytesOf("b"));
    WriteFileBytes(temp / "two" / "c.txt", BytesOf("c"));
    fs::create_directory_symlink(temp / "two", temp / "one" / "to_two");
    fs::create_directory_symlink(temp / "one", temp / "two" / "to_one");
    fs::create_directory_symlink(temp.Path(), temp / "one" / "inner" / "up");
    fs::create_symlink(temp / "two" / "ring2", temp / "two" / "ring1");
    fs::create_symlink(temp / "two" / "ring1", temp / "two" / "ring2");
    fs::create_symlink(temp / "two" / "ring1", temp / "ring");

    EXPECT_EQ(Drop({(temp / "one").string(), (temp / "two").string(), (temp / "ring").string()}),
              TransferOutcome::Completed);
    EXPECT_EQ(Names(), (std::vector<std::string>{"one\\a.txt", "one\\inner\\b.txt", "two\\c.txt"}));
    EXPECT_EQ(job.filesDone.load(), 3);
    EXPECT_EQ(job.finished.load(), 1);
}

// A dropped link to a folder is taken for the folder; the loop inside it
// still is not followed.
TEST_F(HostileAdding, ADroppedLinkToAFolderWithALoopInsideEnds)
{
    fs::create_directories(temp / "real");
    WriteFileBytes(temp / "real" / "f.txt", BytesOf("f"));
    fs::create_directory_symlink(temp / "real", temp / "real" / "again");
    fs::create_directory_symlink(temp / "real", temp / "alias");
    EXPECT_EQ(Drop({(temp / "alias").string()}), TransferOutcome::Completed);
    EXPECT_EQ(Names(), (std::vector<std::string>{"alias\\f.txt"}));
}

// A chain of folders deeper than any path the system takes, made and
// removed level by level through descriptors; `files` are (level, name)
// pairs written at those levels.
class DeepFolders {
public:
    DeepFolders(const fs::path& top, int levels, const std::vector<std::pair<int, std::string>>& files)
        : top_(top)
    {
        fs::create_directory(top);
        int folder = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int level = 0; level <= levels && folder >= 0; ++level) {
            for (const auto& [at, name] : files)
                if (at == level) {
                    const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
                    EXPECT_EQ(::write(fd, name.data(), name.size()), static_cast<ssize_t>(name.size()));
                    ::close(fd);
                }
            if (level == levels)
                break;
            const std::string name = Level(level);
            EXPECT_EQ(::mkdirat(folder, name.c_str(), 0700), 0);
            const int next = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(folder);
            folder = next;
        }
        ::close(folder);
    }
    ~DeepFolders() { Remove(::open(top_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); }
    DeepFolders(const DeepFolders&) = delete;
    DeepFolders& operator=(const DeepFolders&) = delete;

    static std::string Level(int level) { return std::string(250, static_cast<char>('a' + level % 26)); }

private:
    // Empties the folder `fd` stands for, descending through descriptors.
    static void Remove(int fd)
    {
        if (fd < 0)
            return;
        std::vector<std::pair<std::string, bool>> names;
        if (DIR* folder = ::fdopendir(::dup(fd))) {
            while (const dirent* found = ::readdir(folder))
                if (std::string_view(found->d_name) != "." && std::string_view(found->d_name) != "..")
                    names.emplace_back(found->d_name, found->d_type == DT_DIR);
            ::closedir(folder);
        }
        for (const auto& [name, isFolder] : names) {
            if (isFolder) {
                Remove(::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
                ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
            } else {
                ::unlinkat(fd, name.c_str(), 0);
            }
        }
        ::close(fd);
    }

    fs::path top_;
};

// Files below a dropped folder whose paths grow past what the system takes
// are either added or named in a message, never left out in silence.
TEST_F(HostileAdding, FilesDeeperThanThePathLimitAreNotLostInSilence)
{
    const DeepFolders deep(temp / "deep", 18, {{0, "top.txt"}, {5, "five.txt"}, {18, "bottom.txt"}});
    EXPECT_EQ(Drop({(temp / "deep").string()}), TransferOutcome::Completed);
    std::string five = "deep\\";
    for (int level = 0; level < 5; ++level)
        five += DeepFolders::Level(level) + "\\";
    five += "five.txt";
    const std::vector<std::string> names = Names();
    EXPECT_NE(std::find(names.begin(), names.end(), "deep\\top.txt"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), five), names.end());
    const bool bottomAdded = std::any_of(names.begin(), names.end(), [](const std::string& name) {
        return name.size() > 10 && name.compare(name.size() - 10, 10, "bottom.txt") == 0;
    });
    const std::vector<Message> messages = host.messenger.Messages();
    // The message may name the file or the first folder on its way that
    // could not be read.
    const bool bottomNamed = std::any_of(messages.begin(), messages.end(), [](const Message& message) {
        if (message.text.find("bottom.txt") != std::string::npos)
            return true;
        for (int level = 0; level < 18; ++level)
            if (message.text.find("\"" + DeepFolders::Level(level) + "\"") != std::string::npos)
                return true;
        return false;
    });
    EXPECT_TRUE(bottomAdded || bottomNamed);
}

} // namespace
} // namespace vorn

#include "transfer/add_worker.h"

#include "base/memory_stream.h"
#include "transfer/transfer_test_host.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {
namespace {

using namespace vorn::testing;
namespace fs = std::filesystem;

class AddTest : public ::testing::Test {
protected:
    AddTest()
    {
        tree.Build(archive);
        tree.SetObserver(&told);
        job.host = &host;
        job.archive = &tree;
    }

    void Write(const std::string& relative, const std::string& text)
    {
        fs::create_directories((temp / relative).parent_path());
        WriteFileBytes(temp / relative, BytesOf(text));
    }
    std::string Disk(const std::string& relative) const { return (temp / relative).string(); }

    TransferOutcome Drop(std::vector<std::string> paths, std::string current = "")
    {
        job.droppedItems = std::move(paths);
        job.currentDirectory = std::move(current);
        job.Reset();
        return AddDroppedItems(job);
    }

    std::string Bytes(const std::string& path)
    {
        const std::optional<std::vector<uint8_t>> bytes = tree.CopyEntryData(path);
        return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
    }

    TempDir temp;
    CFarArchive archive;
    CFarDirectoryTree tree;
    ScriptedTransferHost host;
    // What the panes would follow.
    TreeChangeRecorder told;
    TransferJob job;
};

TEST_F(AddTest, NestedFolderGetsOneListRowAndATreeNodePerFolder)
{
    Write("top/a.txt", "A");
    Write("top/sub/b.txt", "BB");
    Write("top/sub/deeper/c.txt", "CCC");
    fs::create_directories(temp / "top/empty");
    EXPECT_EQ(Drop({Disk("top")}), TransferOutcome::Completed);
    EXPECT_EQ(job.resultCode.load(), TransferJob::kCompleted);
    EXPECT_EQ(job.finished.load(), 1);
    EXPECT_EQ(job.filesDone.load(), 3);
    EXPECT_EQ(Bytes("top\\a.txt"), "A");
    EXPECT_EQ(Bytes("top\\sub\\b.txt"), "BB");
    EXPECT_EQ(Bytes("top\\sub\\deeper\\c.txt"), "CCC");
    EXPECT_TRUE(tree.GetDirectoryRef("top\\empty"));
    EXPECT_EQ(told.changes, (std::vector<std::string>{"directory added top", "file added top\\a.txt",
                                                      "directory added top\\empty", "directory added top\\sub",
                                                      "file added top\\sub\\b.txt", "directory added top\\sub\\deeper",
                                                      "file added top\\sub\\deeper\\c.txt"}));
    EXPECT_EQ(host.progress, (std::vector<std::string>{"Adding \"top\"...", "Adding \"a.txt\"...",
                                                       "Adding \"empty\"...", "Adding \"sub\"...",
                                                       "Adding \"b.txt\"...", "Adding \"deeper\"...",
                                                       "Adding \"c.txt\"..."}));
    EXPECT_EQ(host.messenger.Count(), 0u);
}

TEST_F(AddTest, FilesGoToTheShownDirectoryWithPlainSizes)
{
    std::string big(1234, 'x');
    Write("f.txt", big);
    EXPECT_EQ(Drop({Disk("f.txt")}), TransferOutcome::Completed);
    ASSERT_TRUE(tree.GetFileItem("f.txt"));
    EXPECT_EQ(archive.Entries().back().name, "f.txt"); // no leading separator at the root
    ASSERT_TRUE(tree.MakeDirectory("d"));
    EXPECT_EQ(Drop({Disk("f.txt"), Disk("gone.txt")}, "d"), TransferOutcome::Completed);
    EXPECT_EQ(archive.Entries().back().name, "d\\f.txt");
    EXPECT_EQ(told.changes, (std::vector<std::string>{"file added f.txt", "directory added d", "file added d\\f.txt"}));
    EXPECT_EQ(host.messenger.Count(), 0u); // a path that vanished is skipped silently
}

TEST_F(AddTest, ExistingFileIsReplacedOnlyOnYes)
{
    MemoryStream old(std::span<const uint8_t>(BytesOf("old")));
    ASSERT_TRUE(tree.AddFile("f.txt", old, false));
    told.changes.clear();
    Write("f.txt", "new");
    host.messenger.Script({MessageAnswer::No});
    EXPECT_EQ(Drop({Disk("f.txt")}), TransferOutcome::Completed);
    EXPECT_EQ(Bytes("f.txt"), "old");
    EXPECT_EQ(job.filesDone.load(), 0);
    EXPECT_TRUE(told.changes.empty());
    ASSERT_EQ(host.messenger.Count(), 1u);
    EXPECT_EQ(host.messenger.Messages()[0],
              (Message{"Do you want to overwrite \"f.txt\"?", "Warning", MessageIcon::Question, MessageButtons::YesNo}));

    host.messenger.Script({MessageAnswer::Yes});
    EXPECT_EQ(Drop({Disk("f.txt")}), TransferOutcome::Completed);
    EXPECT_EQ(Bytes("f.txt"), "new");
    EXPECT_EQ(job.filesDone.load(), 1);
    EXPECT_EQ(tree.EntryCount(), 1u);
}

TEST_F(AddTest, ExistingDirectoryIsRefusedAsAWhole)
{
    ASSERT_TRUE(tree.MakeDirectory("Top"));
    told.changes.clear();
    Write("top/a.txt", "A");
    EXPECT_EQ(Drop({Disk("top")}), TransferOutcome::Completed);
    ASSERT_EQ(host.messenger.Count(), 1u);
    EXPECT_EQ(host.messenger.Messages()[0],
              (Message{"The directory \"top\" already exists!", "Error", MessageIcon::Error, MessageButtons::Ok}));
    EXPECT_FALSE(tree.GetFileItem("top\\a.txt"));
    EXPECT_TRUE(told.changes.empty());
}

TEST_F(AddTest, FoldersWithoutFilesLeaveTheCountAtZero)
{
    fs::create_directories(temp / "one/two/three");
    fs::create_directories(temp / "other");
    EXPECT_EQ(Drop({Disk("one"), Disk("other")}), TransferOutcome::Completed);
    EXPECT_EQ(job.filesDone.load(), 0);
    EXPECT_TRUE(tree.GetDirectoryRef("one\\two\\three"));
    EXPECT_EQ(tree.EntryCount(), 0u);
}

TEST_F(AddTest, SpecialFilesAndUnencodableNamesAreRefused)
{
    ASSERT_EQ(::mkfifo((temp / "pipe").c_str(), 0600), 0);
    Write("caf\xC3\xA9.txt", "latin");
    Write("\xE6\x97\xA5.txt", "cjk");
    Write("back\\slash.txt", "bs");
    fs::create_directories(temp / "dir/\xE6\x97\xA5");
    ASSERT_EQ(::mkfifo((temp / "dir/pipe").c_str(), 0600), 0); // below the top: skipped silently
    EXPECT_EQ(Drop({Disk("pipe"), Disk("caf\xC3\xA9.txt"), Disk("\xE6\x97\xA5.txt"), Disk("back\\slash.txt"),
                    Disk("dir")}),
              TransferOutcome::Completed);
    EXPECT_EQ(Texts(host.messenger.Messages()),
              (std::vector<std::string>{"Can't open file \"pipe\"!", "Can't create file \"?.txt\" in the FAR file!",
                                        "Can't create file \"back\\slash.txt\" in the FAR file!",
                                        "Can't create the directory \"?\"!"}));
    EXPECT_EQ(Bytes("caf\xE9.txt"), "latin");
    EXPECT_EQ(job.filesDone.load(), 1);
    EXPECT_EQ(tree.EntryCount(), 1u);
}

TEST_F(AddTest, LinksToDirectoriesAreNotFollowed)
{
    Write("loop/file.txt", "f");
    fs::create_directory_symlink(temp / "loop", temp / "loop/self");
    fs::create_symlink(temp / "loop/file.txt", temp / "loop/alias.txt");
    EXPECT_EQ(Drop({Disk("loop")}), TransferOutcome::Completed);
    EXPECT_EQ(Bytes("loop\\file.txt"), "f");
    EXPECT_EQ(Bytes("loop\\alias.txt"), "f"); // a link to a file is taken
    EXPECT_FALSE(tree.GetDirectoryRef("loop\\self"));
    EXPECT_EQ(job.filesDone.load(), 2);
}

TEST_F(AddTest, FilesBeyondThirtyTwoBitsAreRefusedUnread)
{
    // Sparse files: the sizes are refused before any byte is read.
    for (const auto& [name, size] : {std::pair<const char*, off_t>{"huge.bin", off_t(1) << 32},
                                     std::pair<const char*, off_t>{"edge.bin", off_t(0xFFFFFFF0)}}) {
        const int fd = ::open((temp / name).c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    Write("small.bin", "s");
    // edge.bin fits a 32-bit size, but behind the 16-byte header its end would not.
    EXPECT_EQ(Drop({Disk("huge.bin"), Disk("edge.bin"), Disk("small.bin")}), TransferOutcome::Completed);
    EXPECT_EQ(Texts(host.messenger.Messages()),
              (std::vector<std::string>{"Can't create file \"huge.bin\" in the FAR file!",
                                        "Can't create file \"edge.bin\" in the FAR file!"}));
    EXPECT_EQ(tree.EntryCount(), 1u);
    EXPECT_EQ(job.filesDone.load(), 1);
}

TEST_F(AddTest, CancelInsideADeepFolderStopsBeforeTheNextItem)
{
    Write("deep/a/b/1.txt", "1");
    Write("deep/a/b/2.txt", "2");
    Write("deep/z.txt", "z");
    Write("after.txt", "x");
    host.onProgress = [this](const std::string& line) {
        if (line == "Adding \"1.txt\"...")
            job.RequestCancel();
    };
    EXPECT_EQ(Drop({Disk("deep"), Disk("after.txt")}), TransferOutcome::Cancelled);
    EXPECT_EQ(job.resultCode.load(), TransferJob::kCancelled);
    EXPECT_EQ(job.finished.load(), 1);
    EXPECT_EQ(Bytes("deep\\a\\b\\1.txt"), "1");
    EXPECT_FALSE(tree.GetFileItem("deep\\a\\b\\2.txt"));
    EXPECT_FALSE(tree.GetFileItem("deep\\z.txt"));
    EXPECT_FALSE(tree.GetFileItem("after.txt"));
    EXPECT_EQ(job.filesDone.load(), 1);
}

} // namespace
} // namespace vorn

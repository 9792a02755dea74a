#include "transfer/extract_worker.h"

#include "base/fault_point.h"
#include "base/memory_stream.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_test_host.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>

namespace vorn {
namespace {

using namespace vorn::testing;
namespace fs = std::filesystem;

// An archive written into a temporary folder, opened, and a job that
// extracts from it into the folder `out` beside it.
template <typename TestBase>
class ExtractFixture : public TestBase {
protected:
    ExtractFixture(const std::string& archiveName, const std::vector<FarFixtureFile>& files)
        : opened(temp / archiveName, files)
    {
        fs::create_directory(target);
        job.host = &host;
        job.archive = &opened.tree;
        job.archiveFile = temp / archiveName;
        job.targetFolder = target.string();
    }

    TransferOutcome Run()
    {
        job.Reset();
        return ExtractFiles(job);
    }

    TempDir temp;
    fs::path target = temp / "out";
    OpenedArchive opened;
    ScriptedTransferHost host;
    TransferJob job;
};

class ExtractTest : public ExtractFixture<::testing::Test> {
protected:
    ExtractTest() : ExtractFixture("source.far", {{"a\\b\\c.txt", "ccc"}, {"a\\d.txt", "ddd"}, {"e.txt", "eee"}}) {}
};

TEST_F(ExtractTest, WritesDirectoriesThenFilesWithBothProgressForms)
{
    job.directories = {"a"};
    job.files = {"e.txt"};
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(job.resultCode.load(), TransferJob::kCompleted);
    EXPECT_EQ(job.finished.load(), 1);
    EXPECT_EQ(job.filesDone.load(), 3);
    EXPECT_EQ(host.messenger.Count(), 0u);
    EXPECT_EQ(TextOf(target / "a/b/c.txt"), "ccc");
    EXPECT_EQ(TextOf(target / "a/d.txt"), "ddd");
    EXPECT_EQ(TextOf(target / "e.txt"), "eee");
    EXPECT_EQ(host.progress, (std::vector<std::string>{"Extracting... a", "Extracting... a\\b",
                                                       "Extracting... a\\b\\c.txt", "Extracting... a\\d.txt",
                                                       "Extracting...e.txt"}));
}

TEST_F(ExtractTest, NamesAreRelativeToTheShownDirectory)
{
    job.prefixLength = 2; // shown directory "a"
    job.directories = {"a\\b"};
    job.files = {"a\\d.txt"};
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(TextOf(target / "b/c.txt"), "ccc");
    EXPECT_EQ(TextOf(target / "d.txt"), "ddd");
    EXPECT_FALSE(fs::exists(target / "a"));
    EXPECT_EQ(host.progress,
              (std::vector<std::string>{"Extracting... b", "Extracting... b\\c.txt", "Extracting...d.txt"}));
}

TEST_F(ExtractTest, DirectoryAnsweredNoStillGetsMissingFilesAndAsksNothingBelow)
{
    fs::create_directories(target / "a/b");
    WriteFileBytes(target / "a/d.txt", BytesOf("old"));
    WriteFileBytes(target / "e.txt", BytesOf("old e"));
    job.directories = {"a"};
    job.files = {"e.txt"};
    host.messenger.Script({MessageAnswer::No, MessageAnswer::Yes});
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(Texts(host.messenger.Messages()),
              (std::vector<std::string>{"Do you want to overwrite all files in \"a\"?",
                                        "Do you want to overwrite \"e.txt\"?"}));
    EXPECT_EQ(host.messenger.Messages()[0], transfer_text::AskOverwriteAll("a"));
    EXPECT_EQ(host.messenger.Messages()[0].caption, "Warning");
    EXPECT_EQ(host.messenger.Messages()[0].icon, MessageIcon::Question);
    EXPECT_EQ(host.messenger.Messages()[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(TextOf(target / "a/d.txt"), "old");
    EXPECT_EQ(TextOf(target / "a/b/c.txt"), "ccc");
    EXPECT_EQ(TextOf(target / "e.txt"), "eee");
    EXPECT_EQ(job.filesDone.load(), 2);
}

TEST_F(ExtractTest, DirectoryAnsweredYesOverwritesItsSubtreeAndFileAnsweredNoIsKept)
{
    fs::create_directories(target / "a/b");
    WriteFileBytes(target / "a/b/c.txt", BytesOf("old c"));
    WriteFileBytes(target / "e.txt", BytesOf("old e"));
    job.directories = {"a"};
    job.files = {"e.txt"};
    host.messenger.Script({MessageAnswer::Yes, MessageAnswer::No});
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(host.messenger.Count(), 2u);
    EXPECT_EQ(TextOf(target / "a/b/c.txt"), "ccc");
    EXPECT_EQ(TextOf(target / "e.txt"), "old e");
    EXPECT_EQ(job.filesDone.load(), 2);
}

TEST_F(ExtractTest, FileInTheWayOfADirectoryAndDirectoryInTheWayOfAFile)
{
    WriteFileBytes(target / "a", BytesOf("a file"));
    fs::create_directory(target / "e.txt");
    job.directories = {"a"};
    job.files = {"e.txt"};
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    const std::vector<Message> messages = host.messenger.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Can't create directory \"a\"!\n\nA file with that name already exists!");
    EXPECT_EQ(messages[1].text, "Can't create file \"e.txt\"!\n\nA directory with that name already exists!");
    for (const Message& message : messages) {
        EXPECT_EQ(message.caption, "Error");
        EXPECT_EQ(message.icon, MessageIcon::Warning);
        EXPECT_EQ(message.buttons, MessageButtons::Ok);
    }
    EXPECT_EQ(job.filesDone.load(), 0);
    EXPECT_EQ(job.resultCode.load(), TransferJob::kCompleted);
}

TEST_F(ExtractTest, MissingDirectoryAndUncreatableFilesAreReportedAndTheJobGoesOn)
{
    job.directories = {"gone", "a"};
    job.files = {"e.txt"};
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    ASSERT_EQ(host.messenger.Count(), 1u);
    EXPECT_EQ(host.messenger.Messages()[0].text, "Can't extract directory \"gone\"!");
    EXPECT_EQ(job.filesDone.load(), 3);

    // A target folder that is a file: directories cannot be made, so every file fails on its own.
    WriteFileBytes(temp / "plain", BytesOf("x"));
    job.targetFolder = (temp / "plain").string();
    host.messenger.Clear();
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(Texts(host.messenger.Messages()),
              (std::vector<std::string>{"Can't extract directory \"gone\"!", "Can't create \"a\\b\\c.txt\"!",
                                        "Can't create \"a\\d.txt\"!", "Can't create \"e.txt\"!"}));
    EXPECT_EQ(job.filesDone.load(), 0);
}

TEST_F(ExtractTest, CancelBetweenItemsKeepsWhatWasWritten)
{
    job.directories = {"a"};
    job.files = {"e.txt"};
    host.onProgress = [this](const std::string& line) {
        if (line == "Extracting... a\\b\\c.txt")
            job.RequestCancel();
    };
    EXPECT_EQ(Run(), TransferOutcome::Cancelled);
    EXPECT_EQ(job.resultCode.load(), TransferJob::kCancelled);
    EXPECT_EQ(job.finished.load(), 1);
    EXPECT_EQ(TextOf(target / "a/b/c.txt"), "ccc"); // the item under way is finished
    EXPECT_FALSE(fs::exists(target / "a/d.txt"));
    EXPECT_FALSE(fs::exists(target / "e.txt"));
    EXPECT_EQ(job.filesDone.load(), 1);
    EXPECT_EQ(host.progress.back(), "Extracting... a\\b\\c.txt");
}

TEST_F(ExtractTest, UnreadableEntryReportsX6AndLeavesTheEmptyFile)
{
    // The manifest claims more bytes than the file holds.
    TempDir other;
    std::vector<uint8_t> image = MakeFarImage({{"big.bin", std::string(64, 'x')}, {"ok.txt", "ok"}});
    // Manifest: count, then per record size1, size2, offset, name length, name.
    const size_t manifest = 16 + 64 + 2;
    image[manifest + 4 + 4 + 1] = 0x10; // size2 of big.bin becomes 64 + 4096
    WriteFileBytes(other / "bad.far", image);
    int error = 0;
    auto file = FileStream::Open(other / "bad.far", FileMode::Read, error);
    CFarArchive archive;
    ASSERT_TRUE(archive.Load(*file));
    CFarDirectoryTree tree;
    ASSERT_TRUE(tree.Build(archive));
    job.archive = &tree;
    job.files = {"big.bin", "ok.txt"};
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    ASSERT_EQ(host.messenger.Count(), 1u);
    EXPECT_EQ(host.messenger.Messages()[0], (Message{"Can't extract \"big.bin\"!", "Error", MessageIcon::Warning,
                                                     MessageButtons::Ok}));
    EXPECT_TRUE(fs::exists(target / "big.bin"));
    EXPECT_EQ(TextOf(target / "ok.txt"), "ok");
    EXPECT_EQ(job.filesDone.load(), 1);
}

TEST(ExtractSafety, HostileNamesNeverLeaveTheTargetFolder)
{
    TempDir temp;
    const fs::path box = temp / "box";
    const fs::path target = box / "out";
    fs::create_directories(target);
    OpenedArchive opened(temp / "evil.far", {{"..\\up.txt", "1"},
                                             {"a\\..\\..\\up2.txt", "2"},
                                             {"b/../../up3.txt", "3"},
                                             {"c\\d/..\\..\\..\\up4.txt", "4"},
                                             {"/abs.txt", "5"},
                                             {"ok.txt", "fine"}});
    ScriptedTransferHost host;
    TransferJob job;
    job.host = &host;
    job.archive = &opened.tree;
    job.targetFolder = target.string();
    for (const CFarDirectory& directory : opened.tree.Root().Subdirectories())
        job.directories.push_back(directory.Path());
    for (const FarFileItem& item : opened.tree.Root().Files())
        job.files.push_back(item.name);
    job.Reset();
    EXPECT_EQ(ExtractFiles(job), TransferOutcome::Completed);

    // Nothing beside the target folder, nothing above it.
    std::vector<fs::path> inBox;
    for (const auto& entry : fs::directory_iterator(box))
        inBox.push_back(entry.path());
    EXPECT_EQ(inBox, std::vector<fs::path>{target});
    EXPECT_EQ(TextOf(target / "ok.txt"), "fine");
    EXPECT_EQ(TextOf(target / "abs.txt"), "5"); // a leading "/" stays inside
    std::vector<std::string> refused;
    for (const Message& message : host.messenger.Messages()) {
        EXPECT_EQ(message.text.rfind("Can't create \"", 0), 0u) << message.text;
        refused.push_back(message.text);
    }
    EXPECT_EQ(refused.size(), 4u);
    for (const auto& entry : fs::recursive_directory_iterator(target))
        EXPECT_EQ(entry.path().filename().string().find("up"), std::string::npos) << entry.path();
}

TEST_F(ExtractTest, FifoInTheTargetsPlaceIsRefusedWithoutBlocking)
{
    fs::create_directories(target / "a");
    ASSERT_EQ(::mkfifo((target / "e.txt").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((target / "a/d.txt").c_str(), 0600), 0);
    job.directories = {"a"};
    job.files = {"e.txt"};
    host.messenger.Script({MessageAnswer::Yes, MessageAnswer::Yes});
    job.Reset();
    std::future<TransferOutcome> run = std::async(std::launch::async, [this] { return ExtractFiles(job); });
    std::vector<int> readers;
    if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release a writer stuck in open() so the test can end; the readers
        // stay open until it has, so its writes find someone to take them.
        for (const char* name : {"a/d.txt", "e.txt"})
            readers.push_back(::open((target / name).c_str(), O_RDONLY | O_NONBLOCK));
        ADD_FAILURE() << "the worker blocked on a FIFO";
    }
    EXPECT_EQ(run.get(), TransferOutcome::Completed);
    for (const int reader : readers)
        ::close(reader);
    EXPECT_EQ(Texts(host.messenger.Messages()),
              (std::vector<std::string>{"Do you want to overwrite all files in \"a\"?", "Can't create \"a\\d.txt\"!",
                                        "Do you want to overwrite \"e.txt\"?", "Can't create \"e.txt\"!"}));
    EXPECT_EQ(TextOf(target / "a/b/c.txt"), "ccc");
    EXPECT_EQ(job.filesDone.load(), 1);
}

TEST(ExtractSafety, NeverWritesOverTheOpenArchive)
{
    TempDir temp;
    // The entry carries the archive's own name; the entry after it still
    // has to be read from the archive.
    OpenedArchive opened(temp / "game.far", {{"game.far", "not an archive"}, {"later.txt", "read afterwards"}});
    const std::vector<uint8_t> before = ReadFileBytes(temp / "game.far");
    ScriptedTransferHost host;
    host.messenger.Script({MessageAnswer::Yes});
    TransferJob job;
    job.host = &host;
    job.archive = &opened.tree;
    job.archiveFile = temp / "game.far";
    job.targetFolder = temp.Path().string();
    job.files = {"game.far", "later.txt"};
    job.Reset();
    EXPECT_EQ(ExtractFiles(job), TransferOutcome::Completed);
    EXPECT_EQ(Texts(host.messenger.Messages()),
              (std::vector<std::string>{"Do you want to overwrite \"game.far\"?", "Can't create \"game.far\"!"}));
    EXPECT_EQ(ReadFileBytes(temp / "game.far"), before);
    EXPECT_EQ(TextOf(temp / "later.txt"), "read afterwards");
    EXPECT_EQ(job.filesDone.load(), 1);
}

TEST_F(ExtractTest, StreamingFromTheSourceWritesTheSameBytesWithoutKeepingThem)
{
    // One entry already in memory, one replaced by new bytes, the rest streamed.
    ASSERT_TRUE(opened.tree.CopyEntryData("a\\d.txt"));
    MemoryStream replacement(std::span<const uint8_t>(BytesOf("new e")));
    ASSERT_TRUE(opened.tree.AddFile("e.txt", replacement, true));
    job.source = opened.file.get();
    job.directories = {"a"};
    job.files = {"e.txt"};
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(TextOf(target / "a/b/c.txt"), "ccc");
    EXPECT_EQ(TextOf(target / "a/d.txt"), "ddd");
    EXPECT_EQ(TextOf(target / "e.txt"), "new e");
    const size_t streamed = *opened.archive.FindEntry("a\\b\\c.txt");
    EXPECT_FALSE(opened.archive.BlockOf(streamed).HasBytes());
    EXPECT_EQ(job.filesDone.load(), 3);
}

TEST(ExtractSafety, Latin1NamesBecomeUtf8OnDisk)
{
    TempDir temp;
    OpenedArchive opened(temp / "l.far", {{"caf\xE9\\na\xEFve.txt", "x"}});
    ScriptedTransferHost host;
    TransferJob job;
    job.host = &host;
    job.archive = &opened.tree;
    job.targetFolder = temp.Path().string() + "/";
    job.directories = {"caf\xE9"};
    job.Reset();
    EXPECT_EQ(ExtractFiles(job), TransferOutcome::Completed);
    EXPECT_EQ(TextOf(temp / "caf\xC3\xA9/na\xC3\xAFve.txt"), "x");
    EXPECT_EQ(host.progress.back(), "Extracting... caf\xE9\\na\xEFve.txt");
}

// Every regular file below `root`, relative and sorted.
std::vector<std::string> FilesBelow(const fs::path& root)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

// One archive directory stored under several spellings, and two root files
// whose names differ only in case. Run with the entries streamed from the
// archive's file and read through the tree.
class CaseVariantExtractTest : public ExtractFixture<::testing::TestWithParam<bool>> {
protected:
    CaseVariantExtractTest()
        : ExtractFixture("case.far", {{"dir\\a.txt", "a"},
                                      {"DIR\\b.txt", "b"},
                                      {"Dir\\Sub\\c.bin", "c"},
                                      {"x.txt", "first"},
                                      {"X.TXT", "second"}})
    {
        if (GetParam())
            job.source = opened.file.get();
    }
};

TEST_P(CaseVariantExtractTest, EveryFileLandsInTheFolderOfItsTreeDirectory)
{
    for (const CFarDirectory& directory : opened.tree.Root().Subdirectories())
        job.directories.push_back(directory.Path());
    for (const FarFileItem& item : opened.tree.Root().Files())
        job.files.push_back(opened.tree.EntryOfItem(item)->name);
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(Texts(host.messenger.Messages()), std::vector<std::string>{});
    EXPECT_EQ(FilesBelow(target), (std::vector<std::string>{"X.TXT", "dir/Sub/c.bin", "dir/a.txt", "dir/b.txt"}));
    EXPECT_EQ(TextOf(target / "dir/b.txt"), "b");
    EXPECT_EQ(TextOf(target / "dir/Sub/c.bin"), "c");
    EXPECT_EQ(TextOf(target / "X.TXT"), "second"); // the later of the two, as the tree shows
    EXPECT_EQ(job.filesDone.load(), 4);
    // Progress names the entries as stored.
    EXPECT_EQ(host.progress, (std::vector<std::string>{"Extracting... dir", "Extracting... dir\\Sub",
                                                       "Extracting... Dir\\Sub\\c.bin", "Extracting... dir\\a.txt",
                                                       "Extracting... DIR\\b.txt", "Extracting...X.TXT"}));
}

TEST_P(CaseVariantExtractTest, ItemsSelectedByAnotherSpellingGetTheTreesSpelling)
{
    // Shown directory "dir", typed as "DIR": its subdirectory and a file of it.
    job.prefixLength = 4;
    job.directories = {"DIR\\SUB"};
    job.files = {"DIR\\B.TXT"};
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(host.messenger.Count(), 0u);
    EXPECT_EQ(FilesBelow(target), (std::vector<std::string>{"Sub/c.bin", "b.txt"}));
    EXPECT_EQ(host.progress.back(), "Extracting...B.TXT");

    // At the root, into an existing folder answered No: what is there stays,
    // the rest of the directory joins it.
    fs::create_directories(target / "dir");
    WriteFileBytes(target / "dir/a.txt", BytesOf("old a"));
    job.prefixLength = 0;
    job.directories = {"DIR"};
    job.files = {"x.txt"};
    host.messenger.Script({MessageAnswer::No});
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(Texts(host.messenger.Messages()),
              (std::vector<std::string>{"Do you want to overwrite all files in \"DIR\"?"}));
    EXPECT_EQ(TextOf(target / "dir/a.txt"), "old a");
    EXPECT_EQ(TextOf(target / "dir/b.txt"), "b");
    EXPECT_EQ(TextOf(target / "dir/Sub/c.bin"), "c");
    EXPECT_EQ(TextOf(target / "X.TXT"), "second");
    EXPECT_FALSE(fs::exists(target / "DIR"));
    EXPECT_FALSE(fs::exists(target / "x.txt"));
    EXPECT_EQ(job.filesDone.load(), 3);

    // A directory on its own, into the folder its caller made.
    host.messenger.Clear();
    WriteFileBytes(target / "dir/Sub/c.bin", BytesOf("old c"));
    job.Reset();
    EXPECT_EQ(ExtractDirectory(job, "dIR", true), TransferOutcome::Completed);
    EXPECT_EQ(host.messenger.Count(), 0u);
    EXPECT_EQ(TextOf(target / "dir/Sub/c.bin"), "c");
    EXPECT_EQ(TextOf(target / "dir/a.txt"), "a");
}

INSTANTIATE_TEST_SUITE_P(ExtractCase, CaseVariantExtractTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Streamed") : std::string("ThroughTheTree");
                         });

TEST_F(ExtractTest, DanglingLinkInTheTargetsPlaceIsNotWrittenThrough)
{
    const fs::path elsewhere = temp / "elsewhere.txt";
    fs::create_directories(target / "a");
    fs::create_symlink(elsewhere, target / "e.txt");
    fs::create_symlink(elsewhere, target / "a/d.txt");
    job.directories = {"a"};
    job.files = {"e.txt"};
    EXPECT_EQ(Run(), TransferOutcome::Completed);
    EXPECT_EQ(Texts(host.messenger.Messages()),
              (std::vector<std::string>{"Do you want to overwrite all files in \"a\"?", "Can't create \"a\\d.txt\"!",
                                        "Can't create \"e.txt\"!"}));
    EXPECT_FALSE(fs::exists(elsewhere));
    EXPECT_EQ(TextOf(target / "a/b/c.txt"), "ccc");
    EXPECT_EQ(job.filesDone.load(), 1);
}

TEST_F(ExtractTest, AFullDiskIsNamedAndTheCutFileKeepsItsName)
{
    for (const bool streamed : {false, true}) {
        SCOPED_TRACE(streamed ? "streamed" : "through the tree");
        fs::remove_all(target);
        fs::create_directory(target);
        WriteFileBytes(target / "e.txt", BytesOf("old e"));
        host.messenger.Clear();
        host.messenger.Script({MessageAnswer::Yes});
        job.source = streamed ? opened.file.get() : nullptr;
        job.directories = {"a"};
        job.files = {"e.txt"};
        job.prefixLength = 0;
        SetFaultHook([](FaultPoint point) { return point == FaultPoint::DiskFull; });
        const TransferOutcome outcome = Run();
        SetFaultHook(nullptr);
        EXPECT_EQ(outcome, TransferOutcome::Completed);
        const std::string cause = "\n\nDisk full while accessing " + target.string() + ".";
        EXPECT_EQ(Texts(host.messenger.Messages()),
                  (std::vector<std::string>{"Can't extract \"a\\b\\c.txt\"!" + cause, "Can't extract \"a\\d.txt\"!" + cause,
                                            "Do you want to overwrite \"e.txt\"?", "Can't extract \"e.txt\"!" + cause}));
        EXPECT_EQ(host.messenger.Messages()[0].caption, "Error");
        // What was written stays under the final name, as for any failed write.
        EXPECT_TRUE(fs::is_regular_file(target / "e.txt"));
        EXPECT_TRUE(fs::is_regular_file(target / "a/d.txt"));
        EXPECT_EQ(job.filesDone.load(), 0);
    }
}

TEST(ExtractStreaming, LargeEntriesCopyWholeFromAFileOrAMemorySource)
{
    // Larger than one copy buffer, and not a multiple of it.
    std::string big(3 * 1024 * 1024 + 4097, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 131) ^ (i >> 12));
    TempDir temp;
    OpenedArchive opened(temp / "big.far", {{"one.bin", "1"}, {"d\\big.bin", big}, {"empty.bin", ""}});
    MemoryStream image(std::span<const uint8_t>(ReadFileBytes(temp / "big.far")));
    for (ByteStream* source : {static_cast<ByteStream*>(opened.file.get()), static_cast<ByteStream*>(&image)}) {
        const fs::path target = temp / (source == &image ? "memory" : "file");
        fs::create_directory(target);
        ScriptedTransferHost host;
        TransferJob job;
        job.host = &host;
        job.archive = &opened.tree;
        job.source = source;
        job.targetFolder = target.string();
        job.directories = {"d"};
        job.files = {"one.bin", "empty.bin"};
        job.Reset();
        EXPECT_EQ(ExtractFiles(job), TransferOutcome::Completed);
        EXPECT_EQ(host.messenger.Count(), 0u);
        EXPECT_EQ(TextOf(target / "d/big.bin"), big) << target;
        EXPECT_EQ(TextOf(target / "one.bin"), "1");
        EXPECT_TRUE(fs::exists(target / "empty.bin"));
        EXPECT_EQ(fs::file_size(target / "empty.bin"), 0u);
        EXPECT_EQ(job.filesDone.load(), 3);
    }
    EXPECT_FALSE(opened.archive.BlockOf(*opened.archive.FindEntry("d\\big.bin")).HasBytes());
}

TEST(TransferText, CountMessageSaysOneFileOnlyForOne)
{
    EXPECT_EQ(transfer_text::ExtractedCount(1),
              (Message{"1 file has been successfully extracted!", "Vorn", MessageIcon::Information, MessageButtons::Ok}));
    EXPECT_EQ(transfer_text::ExtractedCount(0).text, "0 files have been successfully extracted!");
    EXPECT_EQ(transfer_text::ExtractedCount(2).text, "2 files have been successfully extracted!");
}

} // namespace
} // namespace vorn

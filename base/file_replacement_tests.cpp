#include "base/fault_point.h"
#include "base/file_error_text.h"
#include "base/file_replacement.h"
#include "testing/temp_dir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace vorn {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

size_t FilesIn(const std::filesystem::path& folder)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

TEST(FileReplacement, ReplacesOnlyOnCommitAndKeepsThePermissions)
{
    TempDir dir;
    const std::filesystem::path target = dir / "t.bin";
    WriteFileBytes(target, std::vector<uint8_t>{1, 2, 3});
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    {
        FileReplacement abandoned(target);
        int error = 0;
        ASSERT_TRUE(abandoned.Begin(error));
        ASSERT_TRUE(abandoned.Stream().Write("xy", 2));
    }
    EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(FilesIn(dir.Path()), 1u); // the temporary file went with it

    FileReplacement replacement(target);
    int error = 0;
    ASSERT_TRUE(replacement.Begin(error));
    ASSERT_TRUE(replacement.Stream().Write("xy", 2));
    ASSERT_EQ(replacement.Commit(error), ReplaceResult::Replaced);
    EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{'x', 'y'}));
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    EXPECT_NE(replacement.Release(), nullptr);
}

TEST(FileReplacement, AFailedRenameLeavesTheTargetAndNoTemporaryFile)
{
    TempDir dir;
    // A non-empty directory in the target's place cannot be renamed over.
    std::filesystem::create_directories(dir / "t" / "inside");
    FileReplacement replacement(dir / "t");
    int error = 0;
    ASSERT_TRUE(replacement.Begin(error));
    EXPECT_EQ(replacement.Commit(error), ReplaceResult::NotRenamed);
    EXPECT_NE(error, 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "t" / "inside"));
    EXPECT_EQ(FilesIn(dir.Path()), 1u);

    FileReplacement nowhere(dir / "missing" / "t");
    EXPECT_FALSE(nowhere.Begin(error));
    EXPECT_EQ(error, ENOENT);
}

// Runs `body` once with unnamed files and once as on a file system without them.
template <typename Body>
void WithBothKindsOfNewFile(Body body)
{
    body(false);
    SetFaultHook([](FaultPoint point) { return point == FaultPoint::UnnamedCreate; });
    body(true);
    SetFaultHook(nullptr);
}

TEST(FileReplacement, WhileWritingNothingNewIsVisibleUnlessTheFileSystemLacksUnnamedFiles)
{
    WithBothKindsOfNewFile([](bool named) {
        TempDir dir;
        FileReplacement replacement(dir / "t.bin");
        int error = 0;
        ASSERT_TRUE(replacement.Begin(error));
        EXPECT_EQ(replacement.IsUnnamed(), !named);
        ASSERT_TRUE(replacement.Stream().Write("abc", 3));
        // A crash now leaves nothing behind when the file has no name.
        EXPECT_EQ(FilesIn(dir.Path()), named ? 1u : 0u);
        ASSERT_EQ(replacement.Commit(error), ReplaceResult::Replaced);
        EXPECT_EQ(ReadFileBytes(dir / "t.bin"), (std::vector<uint8_t>{'a', 'b', 'c'}));
        EXPECT_EQ(FilesIn(dir.Path()), 1u);
    });
}

TEST(FileReplacement, CreatingNewKeepsAFileSomeoneElseMadeMeanwhile)
{
    WithBothKindsOfNewFile([](bool named) {
        SCOPED_TRACE(named ? "named" : "unnamed");
        TempDir dir;
        const std::filesystem::path target = dir / "new.far";
        FileReplacement replacement(target, ReplaceMode::CreateNew);
        int error = 0;
        ASSERT_TRUE(replacement.Begin(error));
        ASSERT_TRUE(replacement.Stream().Write("mine", 4));
        WriteFileBytes(target, std::vector<uint8_t>{'t', 'h', 'e', 'i', 'r', 's'});
        EXPECT_EQ(replacement.Commit(error), ReplaceResult::AlreadyExists);
        EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{'t', 'h', 'e', 'i', 'r', 's'}));
        EXPECT_EQ(FilesIn(dir.Path()), 1u);

        FileReplacement first(dir / "other.far", ReplaceMode::CreateNew);
        ASSERT_TRUE(first.Begin(error));
        ASSERT_TRUE(first.Stream().Write("x", 1));
        ASSERT_EQ(first.Commit(error), ReplaceResult::Replaced);
        EXPECT_EQ(ReadFileBytes(dir / "other.far"), (std::vector<uint8_t>{'x'}));
        EXPECT_EQ(FilesIn(dir.Path()), 2u);
    });
}

int failAtStep = 0;
int stepsSeen = 0;
bool FailTheChosenStep(FaultPoint point)
{
    if (point == FaultPoint::UnnamedCreate)
        return false;
    return ++stepsSeen == failAtStep;
}

TEST(FileReplacement, AFailureAtAnyStepLeavesEitherTheOldFileOrTheNewOneAndNoDebris)
{
    for (int k = 1;; ++k) {
        TempDir dir;
        const std::filesystem::path target = dir / "t.bin";
        WriteFileBytes(target, std::vector<uint8_t>{1});
        failAtStep = k;
        stepsSeen = 0;
        SetFaultHook(FailTheChosenStep);
        bool done = false;
        {
            FileReplacement replacement(target);
            int error = 0;
            done = replacement.Begin(error) && replacement.Stream().Write("\2", 1) &&
                   replacement.Stream().Write("\3", 1) && replacement.Commit(error) == ReplaceResult::Replaced;
        }
        SetFaultHook(nullptr);
        const std::vector<uint8_t> now = ReadFileBytes(target);
        EXPECT_TRUE(done ? now == std::vector<uint8_t>({2, 3}) : now == std::vector<uint8_t>({1})) << "step " << k;
        EXPECT_EQ(FilesIn(dir.Path()), 1u) << "step " << k;
        if (stepsSeen < k)
            break; // every step has had its failure
        ASSERT_LT(k, 100);
    }
}

TEST(FileReplacement, ASaveRemovesWhatAKilledSaveLeftButNotAFileInUse)
{
    TempDir dir;
    const std::filesystem::path target = dir / "t.bin";
    WriteFileBytes(target, std::vector<uint8_t>{1});
    // Left by a killed save: a temporary name nobody holds.
    WriteFileBytes(dir / ".vorn-Abc123", std::vector<uint8_t>(1000, 7));
    // Not ours to touch: the pattern's length differs, or it is not a regular file.
    WriteFileBytes(dir / ".vorn-Abc1234", std::vector<uint8_t>{2});
    std::filesystem::create_directory(dir / ".vorn-Dir123");

    // Another save still writing: its file is held locked.
    FileReplacement other(dir / "other.bin");
    int error = 0;
    ASSERT_TRUE(other.Begin(error));
    ASSERT_TRUE(other.Stream().Write("abc", 3));
    // A named one held by a save on a file system without unnamed files.
    WriteFileBytes(dir / ".vorn-Lck123", std::vector<uint8_t>{3});
    const int heldFd = ::open((dir / ".vorn-Lck123").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(heldFd, 0);
    FileStream held(heldFd);
    ASSERT_TRUE(held.LockExclusive(error));

    FileReplacement replacement(target);
    ASSERT_TRUE(replacement.Begin(error));
    ASSERT_TRUE(replacement.Stream().Write("n", 1));
    ASSERT_EQ(replacement.Commit(error), ReplaceResult::Replaced);

    EXPECT_FALSE(std::filesystem::exists(dir / ".vorn-Abc123"));
    EXPECT_TRUE(std::filesystem::exists(dir / ".vorn-Abc1234"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / ".vorn-Dir123"));
    EXPECT_TRUE(std::filesystem::exists(dir / ".vorn-Lck123"));
    ASSERT_EQ(other.Commit(error), ReplaceResult::Replaced);
    EXPECT_EQ(ReadFileBytes(dir / "other.bin"), (std::vector<uint8_t>{'a', 'b', 'c'}));
}

TEST(FileErrorText, EveryCallerGetsTheSameTexts)
{
    EXPECT_EQ(FileErrorText(ENOSPC, "/x/a.far", FileAction::Open), "Disk full while accessing /x/a.far.");
    EXPECT_EQ(FileErrorText(EAGAIN, "a.far", FileAction::Save), "A sharing violation occurred while accessing a.far.");
    EXPECT_EQ(FileErrorText(EIO, "a.far", FileAction::Open), "Failed to open document.");
    EXPECT_EQ(FileErrorText(EIO, "a.far", FileAction::Save), "Failed to save document.");
    EXPECT_EQ(Fill("no mark", "x"), "no mark");
}

} // namespace
} // namespace vorn

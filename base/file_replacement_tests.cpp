#include "base/fault_point.h"
#include "base/file_error_text.h"
#include "base/file_replacement.h"
#include "testing/temp_dir.h"

#include <array>
#include <cerrno>
#include <cstring>
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

std::vector<uint8_t> ArchiveLike(size_t size)
{
    std::vector<uint8_t> bytes(size, 7);
    std::memcpy(bytes.data(), "FAR!byAZ", 8);
    return bytes;
}

constexpr std::array<char, 8> kSignature = {'F', 'A', 'R', '!', 'b', 'y', 'A', 'Z'};

TEST(FileReplacement, TheCleanUpRemovesOnlyAbandonedFilesOfItsOwnShapeAndKind)
{
    TempDir dir;
    // Left by a killed save: the temporary shape, the archive's first bytes, nobody holds it.
    const std::string abandoned = ".vorn-save-4242-Abc123Def456.tmp";
    WriteFileBytes(dir / abandoned, ArchiveLike(1000));
    // Not ours to touch: a user's own files whatever they hold, names near
    // the shape, a temporary-shaped file that is no archive, a directory.
    const std::vector<std::string> kept = {".vorn-notes1", ".vorn-Abc123", ".vorn-save-4242-Abc123Def45.tmp",
                                           ".vorn-save-4242-Abc123Def4567.tmp", ".vorn-save--Abc123Def456.tmp",
                                           ".vorn-save-42x-Abc123Def456.tmp", ".vorn-save-4242-Abc123Def456.tmp~",
                                           ".vorn-save-4242-Abc123Def45_.tmp", "notes.far"};
    for (const std::string& name : kept)
        WriteFileBytes(dir / name, ArchiveLike(100));
    WriteFileBytes(dir / ".vorn-save-1-AAAAAAAAAAAA.tmp", std::vector<uint8_t>{'n', 'o', 't', 'e', 's'});
    WriteFileBytes(dir / ".vorn-save-2-AAAAAAAAAAAA.tmp", std::vector<uint8_t>{});
    std::filesystem::create_directory(dir / ".vorn-save-3-AAAAAAAAAAAA.tmp");
    // A save still writing holds its named file locked.
    const std::string live = ".vorn-save-5-LiveLiveLive.tmp";
    WriteFileBytes(dir / live, ArchiveLike(100));
    int error = 0;
    auto held = FileStream::Open(dir / live, FileMode::ReadWrite, error);
    ASSERT_TRUE(held);
    ASSERT_TRUE(held->LockExclusive(error));

    RemoveAbandonedTemporaries(dir.Path(), kSignature);

    EXPECT_FALSE(std::filesystem::exists(dir / abandoned));
    for (const std::string& name : kept)
        EXPECT_EQ(ReadFileBytes(dir / name), ArchiveLike(100)) << name;
    EXPECT_TRUE(std::filesystem::exists(dir / ".vorn-save-1-AAAAAAAAAAAA.tmp"));
    EXPECT_TRUE(std::filesystem::exists(dir / ".vorn-save-2-AAAAAAAAAAAA.tmp"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / ".vorn-save-3-AAAAAAAAAAAA.tmp"));
    EXPECT_TRUE(std::filesystem::exists(dir / live));
    held.reset();
    RemoveAbandonedTemporaries(dir.Path(), kSignature);
    EXPECT_FALSE(std::filesystem::exists(dir / live)); // its writer is gone now
}

TEST(FileReplacement, NewFilesAreNamedInTheTemporaryShapeWithOrdinaryPermissions)
{
    // Where unnamed files are missing the new file is visible while written.
    SetFaultHook([](FaultPoint point) { return point == FaultPoint::UnnamedCreate; });
    TempDir dir;
    FileReplacement replacement(dir / "new.bin");
    int error = 0;
    const bool begun = replacement.Begin(error);
    SetFaultHook(nullptr);
    ASSERT_TRUE(begun);
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(IsTemporaryName(names[0].filename().string())) << names[0];
    struct stat info {};
    ASSERT_EQ(::stat(names[0].c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRGRP, 0u) << "a saved archive must not become private";
    // A second one never takes the same name.
    FileReplacement other(dir / "other.bin");
    SetFaultHook([](FaultPoint point) { return point == FaultPoint::UnnamedCreate; });
    const bool otherBegun = other.Begin(error);
    SetFaultHook(nullptr);
    ASSERT_TRUE(otherBegun);
    EXPECT_EQ(FilesIn(dir.Path()), 2u);
}

TEST(FileErrorText, EveryCallerGetsTheSameTexts)
{
    EXPECT_EQ(FileErrorText(ENOSPC, "/x/a.far", FileAction::Open), "Disk full while accessing /x/a.far.");
    EXPECT_EQ(FileErrorText(EAGAIN, "a.far", FileAction::Save), "A sharing violation occurred while accessing a.far.");
    EXPECT_EQ(FileErrorText(EIO, "a.far", FileAction::Open), "Failed to open document.");
    EXPECT_EQ(FileErrorText(EIO, "a.far", FileAction::Save), "Failed to save document.");
    EXPECT_EQ(FileErrorText(EDQUOT, "a.far", FileAction::Save), "Disk full while accessing a.far.");
    EXPECT_TRUE(IsDiskFull(ENOSPC) && IsDiskFull(EDQUOT) && !IsDiskFull(EIO) && !IsDiskFull(0));
    EXPECT_EQ(Fill("no mark", "x"), "no mark");
}

} // namespace
} // namespace vorn

#include "base/fault_point.h"
#include "base/file_stream.h"
#include "base/stream_io.h"
#include "testing/temp_dir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vorn {
namespace {

using testing::TempDir;

TEST(FileStream, OpenReportsWhyItFailed)
{
    TempDir dir;
    int error = 0;
    EXPECT_EQ(FileStream::Open(dir / "missing", FileMode::ReadWrite, error), nullptr);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(FileStream::Open(dir.Path(), FileMode::Read, error), nullptr);
    EXPECT_NE(error, 0);
}

TEST(FileStream, DuplicatesKeepTheirOwnPositions)
{
    TempDir dir;
    int error = 0;
    auto file = FileStream::Open(dir / "f", FileMode::CreateReadWrite, error);
    ASSERT_TRUE(file);
    ASSERT_TRUE(WriteLE32(*file, 0x04030201));
    auto copy = file->DuplicateHandle();
    ASSERT_TRUE(copy);
    uint32_t value = 0;
    EXPECT_TRUE(ReadLE32(*copy, value));
    EXPECT_EQ(value, 0x04030201u);
    EXPECT_EQ(file->Position(), 4);
    EXPECT_FALSE(ReadLE32(*file, value)); // at the end
    EXPECT_EQ(copy->Length(), 4);
    ASSERT_TRUE(copy->Truncate(2));
    EXPECT_EQ(file->Length(), 2);
}

TEST(FileStream, ExclusiveLockRefusesASecondHolderButSurvivesDuplication)
{
    TempDir dir;
    int error = 0;
    auto first = FileStream::Open(dir / "locked", FileMode::CreateReadWrite, error);
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->LockExclusive(error));
    auto duplicate = first->DuplicateHandle();
    first.reset(); // the lock belongs to the open file description, which the duplicate keeps
    auto second = FileStream::Open(dir / "locked", FileMode::ReadWrite, error);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->LockExclusive(error));
    EXPECT_TRUE(error == EAGAIN || error == EACCES) << error;
    duplicate.reset();
    EXPECT_TRUE(second->LockExclusive(error));
}

// A writer that replaces the file in the moment between another's open and
// lock: the hook renames a new file over the name once, or every time.
std::filesystem::path replacedPath;
bool replaceEveryTime = false;
int replacements = 0;

bool ReplaceBeforeTheLock(FaultPoint point)
{
    if (point != FaultPoint::Lock || (replacements > 0 && !replaceEveryTime))
        return false;
    ++replacements;
    const std::filesystem::path fresh = replacedPath.string() + ".new";
    testing::WriteFileBytes(fresh, std::vector<uint8_t>{static_cast<uint8_t>(replacements)});
    std::filesystem::rename(fresh, replacedPath);
    return false;
}

TEST(FileStream, OpenLockedHoldsTheFileThePathNamesOnceLocked)
{
    TempDir dir;
    replacedPath = dir / "a.far";
    testing::WriteFileBytes(replacedPath, std::vector<uint8_t>{0});
    replacements = 0;
    replaceEveryTime = false;
    SetFaultHook(ReplaceBeforeTheLock);
    int error = 0;
    std::unique_ptr<FileStream> file = FileStream::OpenLocked(replacedPath, error);
    SetFaultHook(nullptr);
    ASSERT_TRUE(file);
    EXPECT_EQ(replacements, 1);
    EXPECT_TRUE(file->IsNamedBy(replacedPath));
    uint8_t byte = 0;
    ASSERT_EQ(file->Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 1); // the replacing writer's file, not the one first opened

    // Held: a second holder is refused as a file in use.
    EXPECT_EQ(FileStream::OpenLocked(replacedPath, error), nullptr);
    EXPECT_EQ(error, EAGAIN);
    file.reset();

    // A writer that keeps replacing it is given up on, bounded.
    replacements = 0;
    replaceEveryTime = true;
    SetFaultHook(ReplaceBeforeTheLock);
    EXPECT_EQ(FileStream::OpenLocked(replacedPath, error), nullptr);
    SetFaultHook(nullptr);
    EXPECT_EQ(error, EAGAIN);
    EXPECT_GT(replacements, 1);
    EXPECT_LT(replacements, 20);

    EXPECT_EQ(FileStream::OpenLocked(dir / "missing.far", error), nullptr);
    EXPECT_EQ(error, ENOENT);
}

TEST(FileStream, AFailedWriteKeepsItsReason)
{
    TempDir dir;
    int error = 0;
    auto file = FileStream::Open(dir / "f", FileMode::CreateReadWrite, error);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Write("ab", 2));
    EXPECT_EQ(file->LastError(), 0);
    SetFaultHook([](FaultPoint point) { return point == FaultPoint::DiskFull; });
    EXPECT_FALSE(file->Write("cd", 2));
    SetFaultHook(nullptr);
    EXPECT_EQ(file->LastError(), ENOSPC);
    EXPECT_EQ(file->Length(), 2);

    // The real device that is always full says the same.
    auto full = FileStream::Open("/dev/full", FileMode::ReadWrite, error);
    if (full) {
        EXPECT_FALSE(full->Write("x", 1));
        EXPECT_EQ(full->LastError(), ENOSPC);
    }
}

} // namespace
} // namespace vorn

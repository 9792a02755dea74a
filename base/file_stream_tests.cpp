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

TEST(FileStream, TemporaryFilesGetOrdinaryPermissions)
{
    TempDir dir;
    std::filesystem::path created;
    int error = 0;
    auto file = FileStream::CreateTemporary(dir.Path(), created, error);
    ASSERT_TRUE(file);
    EXPECT_EQ(created.parent_path(), dir.Path());
    struct stat info {};
    ASSERT_EQ(::stat(created.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRGRP, 0u) << "a saved archive must not become private";
}

} // namespace
} // namespace vorn

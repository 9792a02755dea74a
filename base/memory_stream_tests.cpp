#include "base/memory_stream.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(MemoryStream, GrowsInWholeStepsAndZeroFillsGaps)
{
    MemoryStream stream(64);
    EXPECT_EQ(stream.Capacity(), 0u);
    ASSERT_TRUE(stream.Write("abc", 3));
    EXPECT_EQ(stream.Capacity(), 64u);
    ASSERT_EQ(stream.Seek(100, SeekOrigin::Begin), 100);
    ASSERT_TRUE(stream.Write("z", 1));
    EXPECT_EQ(stream.Length(), 101);
    EXPECT_EQ(stream.Capacity(), 128u);
    auto bytes = stream.Bytes();
    EXPECT_EQ(bytes[2], 'c');
    for (size_t i = 3; i < 100; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(bytes[100], 'z');
}

TEST(MemoryStream, ReadsStopAtTheEndAndSeeksRejectNegativeTargets)
{
    const uint8_t data[] = {1, 2, 3, 4};
    MemoryStream stream(data);
    uint8_t out[8] = {};
    EXPECT_EQ(stream.Seek(-1, SeekOrigin::End), 3);
    EXPECT_EQ(stream.Read(out, 8), 1u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(stream.Read(out, 8), 0u);
    EXPECT_EQ(stream.Seek(-5, SeekOrigin::End), -1);
    EXPECT_EQ(stream.Position(), 4);
    EXPECT_EQ(stream.Seek(10, SeekOrigin::Begin), 10);
    EXPECT_EQ(stream.Read(out, 1), 0u);
}

TEST(MemoryStream, TruncateKeepsPositionAndTakeBytesEmpties)
{
    MemoryStream stream(16);
    ASSERT_TRUE(stream.Write("hello world", 11));
    ASSERT_TRUE(stream.Truncate(5));
    EXPECT_EQ(stream.Position(), 11);
    EXPECT_EQ(stream.Length(), 5);
    ASSERT_TRUE(stream.Truncate(8));
    auto bytes = stream.TakeBytes();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("hello\0\0\0", 8));
    EXPECT_EQ(stream.Length(), 0);
}

} // namespace
} // namespace vorn

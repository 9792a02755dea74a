#include "base/buffered_reader.h"
#include "base/buffered_writer.h"
#include "base/memory_stream.h"

#include <gtest/gtest.h>
#include <numeric>

namespace vorn {
namespace {

TEST(BufferedIo, RoundTripsMixedSizesAcrossBufferBoundaries)
{
    MemoryStream stream;
    std::vector<uint8_t> big(300);
    std::iota(big.begin(), big.end(), 0);
    {
        BufferedWriter writer(stream, 16);
        for (uint32_t i = 0; i < 50; ++i)
            ASSERT_TRUE(writer.WriteLE32(i * 0x01010101u));
        ASSERT_TRUE(writer.Write(big.data(), big.size()));
        ASSERT_TRUE(writer.WriteLE16(0xBEEF));
        EXPECT_EQ(writer.Position(), 200 + 300 + 2);
        ASSERT_TRUE(writer.Finish());
    }
    EXPECT_EQ(stream.Length(), 502);
    stream.Seek(0, SeekOrigin::Begin);
    BufferedReader reader(stream, 16);
    for (uint32_t i = 0; i < 50; ++i) {
        uint32_t value = 0;
        ASSERT_TRUE(reader.ReadLE32(value));
        ASSERT_EQ(value, i * 0x01010101u);
    }
    std::vector<uint8_t> back(300);
    ASSERT_TRUE(reader.Read(back.data(), back.size()));
    EXPECT_EQ(back, big);
    uint16_t tail = 0;
    ASSERT_TRUE(reader.ReadLE16(tail));
    EXPECT_EQ(tail, 0xBEEF);
    EXPECT_FALSE(reader.ReadLE16(tail));
}

// An empty name or block may have no storage behind it; writing its zero
// bytes must neither touch the pointer (the sanitizer build checks) nor
// change what is written.
TEST(BufferedIo, WritingNothingFromNoStorageIsANoOp)
{
    MemoryStream stream;
    {
        BufferedWriter writer(stream, 16);
        ASSERT_TRUE(writer.WriteLE16(0x0102));
        ASSERT_TRUE(writer.Write(nullptr, 0));
        ASSERT_TRUE(writer.WriteLE16(0x0304));
        EXPECT_EQ(writer.Position(), 4);
        ASSERT_TRUE(writer.Finish());
    }
    ASSERT_EQ(stream.Length(), 4);
    EXPECT_EQ(std::vector<uint8_t>(stream.Bytes().begin(), stream.Bytes().end()), (std::vector<uint8_t>{2, 1, 4, 3}));
}

TEST(BufferedIo, SeekingBackRereadsTheSameBytes)
{
    std::vector<uint8_t> data(100);
    std::iota(data.begin(), data.end(), 0);
    MemoryStream stream(data);
    BufferedReader reader(stream, 16);
    // Step through so that some 4-byte reads straddle a refill.
    for (int64_t at = 0; at + 4 <= 100; at += 3) {
        ASSERT_TRUE(reader.SeekTo(at));
        uint32_t value = 0;
        ASSERT_TRUE(reader.ReadLE32(value));
        ASSERT_TRUE(reader.SeekTo(reader.Position() - 2));
        uint16_t again = 0;
        ASSERT_TRUE(reader.ReadLE16(again));
        EXPECT_EQ(again, static_cast<uint16_t>(value >> 16)) << at;
    }
}

} // namespace
} // namespace vorn

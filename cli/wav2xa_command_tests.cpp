#include "audio/xa_decoder.h"
#include "base/endian.h"
#include "base/memory_stream.h"
#include "cli/cli_test_support.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vorn {
namespace {

using testing::ReadFileBytes;
using testing::RunTool;
using testing::WriteFileBytes;

TEST(WavToXa, EncodesAStereoFileTheDecoderPlaysBack)
{
    testing::TempDir dir;
    std::vector<int16_t> samples;
    for (int i = 0; i < 2800; ++i) {
        samples.push_back(static_cast<int16_t>(10000 * std::sin(i * 0.0627)));
        samples.push_back(static_cast<int16_t>(-8000 * std::sin(i * 0.02)));
    }
    WriteFileBytes(dir / "in.wav", testing::BuildWavImage(2, 22050, samples));
    const auto result = RunTool({"wav2xa", "in.wav", "out.xa"}, dir.Path());
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<uint8_t> xa = ReadFileBytes(dir / "out.xa");
    EXPECT_EQ(xa.size(), 24u + 100 * 15 * 2); // 1400 frames: 100 blocks a channel
    MemoryStream image(1024);
    CXaDecoder decoder;
    decoder.SetInput(xa, &image);
    ASSERT_TRUE(decoder.Decode());
    const auto bytes = image.Bytes();
    ASSERT_EQ(bytes.size(), 44 + samples.size() * 2);
    double worst = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto s = static_cast<int16_t>(bytes[44 + 2 * i] | (bytes[45 + 2 * i] << 8));
        worst = std::max(worst, std::abs(static_cast<double>(s) - samples[i]));
    }
    EXPECT_LT(worst, 400);
    // The output named is replaced when run again.
    WriteFileBytes(dir / "out.xa", testing::BytesOf("old"));
    EXPECT_EQ(RunTool({"wav2xa", "in.wav", "out.xa"}, dir.Path()).status, 0);
    EXPECT_EQ(ReadFileBytes(dir / "out.xa"), xa);
}

TEST(WavToXa, RefusesOtherFormatsAndCutFilesWithStatusOne)
{
    testing::TempDir dir;
    std::vector<uint8_t> eightBit = testing::BuildWavImage(1, 8000, std::vector<int16_t>(10, 1));
    eightBit[34] = 8; // bits per sample
    eightBit[32] = 1; // block align
    WriteFileBytes(dir / "8bit.wav", eightBit);
    auto result = RunTool({"wav2xa", "8bit.wav", "out.xa"}, dir.Path());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("only 16-bit PCM WAV files can be converted, and this one holds 8-bit samples"),
              std::string::npos)
        << result.err;

    const std::vector<uint8_t> whole = testing::BuildWavImage(1, 8000, std::vector<int16_t>(100, 1));
    WriteFileBytes(dir / "cut.wav", std::span(whole.data(), whole.size() - 50));
    result = RunTool({"wav2xa", "cut.wav", "out.xa"}, dir.Path());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("is cut short"), std::string::npos) << result.err;

    WriteFileBytes(dir / "text.wav", testing::BytesOf("hello"));
    result = RunTool({"wav2xa", "text.wav", "out.xa"}, dir.Path());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("is not a WAV file!"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xa"));
}

TEST(WavToXa, EveryRefusalSaysWhyAndWritesNothing)
{
    testing::TempDir dir;
    const std::vector<uint8_t> good = testing::BuildWavImage(2, 8000, std::vector<int16_t>(40, 3));
    auto patched = [&](std::initializer_list<std::pair<size_t, uint16_t>> fields) {
        std::vector<uint8_t> bytes = good;
        for (const auto& [offset, value] : fields)
            StoreLE16(bytes.data() + offset, value);
        return bytes;
    };
    // Offsets in the format chunk: 20 tag, 22 channels, 32 block align, 34 bits.
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {"32-bit float", patched({{20, 3}, {32, 8}, {34, 32}}), "this one holds 32-bit samples in format 3!"},
        {"24-bit PCM", patched({{32, 6}, {34, 24}}), "this one holds 24-bit samples in format 1!"},
        {"A-law", patched({{20, 6}, {32, 2}, {34, 8}}), "this one holds 8-bit samples in format 6!"},
        {"no channels", patched({{22, 0}, {32, 0}}), "it has 0 channels, and an XA sound holds 1 to 255!"},
        {"256 channels", patched({{22, 256}, {32, 512}}), "it has 256 channels, and an XA sound holds 1 to 255!"},
        {"a block size that does not fit", patched({{32, 6}}),
         "its block align of 6 bytes does not fit 2 channels of 16-bit samples (4 bytes)!"},
        {"rate 0", patched({{24, 0}, {26, 0}}), "its rate of 0 samples a second is no rate at all!"},
        {"rate 0xFFFFFFFF", patched({{24, 0xFFFF}, {26, 0xFFFF}}),
         "its rate of 4294967295 samples a second is too high: its bytes a second do not fit the header's 32-bit "
         "field!"},
        {"no data chunk", std::vector<uint8_t>(good.begin(), good.begin() + 36), "holds no sound format or no sound data!"},
        {"cut inside a chunk header", std::vector<uint8_t>(good.begin(), good.begin() + 40), "is cut short"},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir / "in.wav", c.bytes);
        const auto result = RunTool({"wav2xa", "in.wav", "out.xa"}, dir.Path());
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.xa")) << c.what;
    }
}

} // namespace
} // namespace vorn

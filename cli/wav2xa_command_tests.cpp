#include "audio/xa_decoder.h"
#include "base/endian.h"
#include "base/memory_stream.h"
#include "cli/cli_test_support.h"
#include "testing/sndfile_wav.h"
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
    eightBit[34] = 12;
    WriteFileBytes(dir / "12bit.wav", eightBit);
    auto result = RunTool({"wav2xa", "12bit.wav", "out.xa"}, dir.Path());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("only 8-, 16-, 24- and 32-bit integer and 32- and 64-bit float PCM WAV files can be "
                              "converted, and this one holds 12-bit samples"),
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
        {"16-bit float", patched({{20, 3}}), "this one holds 16-bit samples in format 3!"},
        {"20-bit PCM", patched({{32, 6}, {34, 20}}), "this one holds 20-bit samples in format 1!"},
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

// A sound editor's 24-bit file converts, and says so; sounds go straight
// into an archive entry and come out of one.
TEST(WavToXa, WideSamplesConvertAndSoundsMoveInAndOutOfArchives)
{
    testing::TempDir dir;
    std::filesystem::copy_file(VORN_SAMPLE_ARCHIVE, dir / "sample.far");
    std::vector<short> samples(2800);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(20000 * std::sin(static_cast<double>(i) * 0.031));
    testing::WriteSndFileWav<short>(dir / "16.wav", SF_FORMAT_PCM_16, 2, 22050, std::span(samples));
    testing::WriteSndFileWav<short>(dir / "24.wav", SF_FORMAT_PCM_24, 2, 22050, std::span(samples));
    ASSERT_EQ(RunTool({"wav2xa", "16.wav", "16.xa"}, dir.Path()).status, 0);
    const std::string listed = RunTool({"list", "sample.far"}, dir.Path()).out;
    const auto wide = RunTool({"wav2xa", "24.wav", "sample.far::Sounds/New/Wide.xa"}, dir.Path());
    ASSERT_EQ(wide.status, 0) << wide.err;
    EXPECT_EQ(wide.err, "\"24.wav\": 24-bit integer samples converted to 16-bit, rounded to the nearest step.\n");
    const std::vector<uint8_t> xa = ReadFileBytes(dir / "16.xa");
    const auto entry = RunTool({"cat", "sample.far", "Sounds/New/Wide.xa"}, dir.Path());
    EXPECT_EQ(entry.out, std::string(xa.begin(), xa.end()));
    EXPECT_EQ(RunTool({"list", "sample.far"}, dir.Path()).out,
              listed + std::to_string(xa.size()) + "\tSounds\\New\\Wide.xa\n");

    // An entry named again is replaced, as a named file is; xa2wav reads an
    // entry and writes into one as well.
    EXPECT_EQ(RunTool({"wav2xa", "sample.far::Sounds/Chime.wav", "x.xa"}, dir.Path()).err,
              "vorn-cli: sample.far::Sounds/Chime.wav: \"Sounds\\Chime.wav\" is not in the archive!\n");
    ASSERT_EQ(RunTool({"xa2wav", "sample.far::Sounds/Chime.xa", "sample.far::Sounds/Chime.wav"}, dir.Path()).status, 0);
    ASSERT_EQ(RunTool({"wav2xa", "sample.far::Sounds/Chime.wav", "sample.far::Sounds/New/Wide.xa"}, dir.Path()).status,
              0);
    ASSERT_EQ(RunTool({"wav2xa", "sample.far::Sounds/Chime.wav", "chime.xa"}, dir.Path()).status, 0);
    const std::vector<uint8_t> chime = ReadFileBytes(dir / "chime.xa");
    EXPECT_EQ(RunTool({"cat", "sample.far", "Sounds/New/Wide.xa"}, dir.Path()).out,
              std::string(chime.begin(), chime.end()));
    EXPECT_EQ(RunTool({"test", "sample.far"}, dir.Path()).status, 0);

    // An archive that is not there is not made up; nothing is written.
    const auto missing = RunTool({"wav2xa", "16.wav", "none.far::a.xa"}, dir.Path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.far"));
}

} // namespace
} // namespace vorn

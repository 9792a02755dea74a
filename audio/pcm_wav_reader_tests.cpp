#include "audio/pcm_wav_reader.h"

#include "base/endian.h"
#include "testing/temp_dir.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

#include <random>

namespace vorn {
namespace {

std::vector<uint8_t> Chunk(const char* id, std::vector<uint8_t> body)
{
    std::vector<uint8_t> chunk(id, id + 4);
    const auto size = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i)
        chunk.push_back(static_cast<uint8_t>(size >> (8 * i)));
    chunk.insert(chunk.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        chunk.push_back(0);
    return chunk;
}

std::vector<uint8_t> Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t extra = 0)
{
    std::vector<uint8_t> f(16 + extra, 0);
    StoreLE16(f.data(), tag);
    StoreLE16(f.data() + 2, channels);
    StoreLE32(f.data() + 4, rate);
    StoreLE32(f.data() + 8, rate * channels * bits / 8);
    StoreLE16(f.data() + 12, static_cast<uint16_t>(channels * bits / 8));
    StoreLE16(f.data() + 14, bits);
    return f;
}

std::vector<uint8_t> Wav(std::initializer_list<std::vector<uint8_t>> chunks)
{
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    return Chunk("RIFF", body);
}

std::vector<uint8_t> Samples(std::initializer_list<int16_t> values)
{
    std::vector<uint8_t> bytes;
    for (int16_t v : values) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return bytes;
}

TEST(PcmWavReader, ReadsChunksInAnyOrderPastOddSizedOnes)
{
    PcmSound sound;
    const auto wav = Wav({Chunk("LIST", {1, 2, 3}), Chunk("fmt ", Format(1, 2, 32000, 16)),
                          Chunk("data", Samples({1, -2, 300, -32768, 7}))});
    ASSERT_EQ(PcmWavReader::Read(wav, sound), PcmWavStatus::Ok);
    EXPECT_EQ(sound.channelCount, 2);
    EXPECT_EQ(sound.sampleRate, 32000u);
    EXPECT_EQ(sound.samples, (std::vector<int16_t>{1, -2, 300, -32768})); // the partial frame is dropped

    // The test writer's own images, and the extensible format carrying PCM.
    const std::vector<int16_t> mono = {5, 6, 7};
    ASSERT_EQ(PcmWavReader::Read(testing::BuildWavImage(1, 11025, mono), sound), PcmWavStatus::Ok);
    EXPECT_EQ(sound.samples, mono);
    std::vector<uint8_t> extensible = Format(0xFFFE, 1, 8000, 16, 24);
    extensible[24] = 1;
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", extensible), Chunk("data", Samples({9}))}), sound),
              PcmWavStatus::Ok);
    EXPECT_EQ(sound.samples, std::vector<int16_t>{9});
}

TEST(PcmWavReader, RefusesOtherFormatsWithWhatTheyAre)
{
    PcmSound sound;
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(1, 1, 8000, 8)), Chunk("data", {1, 2})}), sound),
              PcmWavStatus::NotPcm16);
    EXPECT_EQ(sound.bitsPerSample, 8);
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(3, 1, 8000, 32)), Chunk("data", {})}), sound),
              PcmWavStatus::NotPcm16);
    EXPECT_EQ(sound.formatTag, 3);
    std::vector<uint8_t> extensibleFloat = Format(0xFFFE, 1, 8000, 16, 24);
    extensibleFloat[24] = 3;
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", extensibleFloat), Chunk("data", {})}), sound),
              PcmWavStatus::NotPcm16);
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(1, 0, 8000, 16)), Chunk("data", {})}), sound),
              PcmWavStatus::BadChannels);
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(1, 300, 8000, 16)), Chunk("data", {})}), sound),
              PcmWavStatus::BadChannels);
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(1, 1, 8000, 16))}), sound), PcmWavStatus::NoData);
    EXPECT_EQ(PcmWavReader::Read(testing::BytesOf("RIFF\4\0\0\0AVI LIST"), sound), PcmWavStatus::NotWav);
}

TEST(PcmWavReader, CutShortAnywhereIsTruncatedNeverARead)
{
    const auto wav = Wav({Chunk("fmt ", Format(1, 1, 8000, 16)), Chunk("data", Samples({1, 2, 3, 4}))});
    PcmSound sound;
    for (size_t length = 12; length < wav.size(); ++length) {
        const std::vector<uint8_t> cut(wav.begin(), wav.begin() + static_cast<std::ptrdiff_t>(length));
        const PcmWavStatus status = PcmWavReader::Read(cut, sound);
        EXPECT_TRUE(status == PcmWavStatus::Truncated || status == PcmWavStatus::NoData) << length;
    }
    for (size_t length = 0; length < 12; ++length)
        EXPECT_EQ(PcmWavReader::Read(std::span(wav.data(), length), sound), PcmWavStatus::NotWav);
}

TEST(PcmWavReader, RandomAndOversizedChunksAreRefusedSafely)
{
    std::mt19937 rng(3);
    const auto valid = Wav({Chunk("fmt ", Format(1, 2, 8000, 16)), Chunk("data", Samples({1, 2, 3, 4}))});
    PcmSound sound;
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes = valid;
        for (int flips = 0; flips < 4; ++flips)
            bytes[12 + rng() % (bytes.size() - 12)] = static_cast<uint8_t>(rng());
        if (PcmWavReader::Read(bytes, sound) == PcmWavStatus::Ok) {
            EXPECT_EQ(sound.samples.size() % sound.channelCount, 0u);
        }
    }
    std::vector<uint8_t> huge = valid;
    StoreLE32(huge.data() + 40, 0xFFFFFFF0u); // data size far past the end
    EXPECT_EQ(PcmWavReader::Read(huge, sound), PcmWavStatus::Truncated);
}

} // namespace
} // namespace vorn

#include "audio/pcm_wav_reader.h"

#include "audio/xa_encoder.h"
#include "base/endian.h"
#include "testing/sndfile_wav.h"
#include "testing/temp_dir.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(1, 1, 8000, 12)), Chunk("data", {1, 2})}), sound),
              PcmWavStatus::Unsupported);
    EXPECT_EQ(sound.bitsPerSample, 12);
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(3, 1, 8000, 16)), Chunk("data", {})}), sound),
              PcmWavStatus::Unsupported);
    EXPECT_EQ(sound.formatTag, 3);
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(6, 1, 8000, 8)), Chunk("data", {1})}), sound),
              PcmWavStatus::Unsupported); // A-law
    std::vector<uint8_t> extensibleAlaw = Format(0xFFFE, 1, 8000, 8, 24);
    extensibleAlaw[24] = 6;
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", extensibleAlaw), Chunk("data", {})}), sound),
              PcmWavStatus::Unsupported);
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", Format(1, 2, 8000, 24)), Chunk("data", {})}), sound),
              PcmWavStatus::Ok);
    std::vector<uint8_t> wrongAlign = Format(1, 2, 8000, 24);
    wrongAlign[12] = 4;
    EXPECT_EQ(PcmWavReader::Read(Wav({Chunk("fmt ", wrongAlign), Chunk("data", {})}), sound),
              PcmWavStatus::BadBlockAlign);
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

// A 16-bit sound that libsndfile stores in any width the reader takes comes
// back as the same samples, and so encodes to the same XA.
TEST(PcmWavReader, EveryWidthReadsBackAsTheSixteenBitSamplesAndTheirXa)
{
    testing::TempDir dir;
    std::mt19937 rng(11);
    std::vector<short> samples = {INT16_MIN, INT16_MAX, 0, -1, 1, -256};
    for (int i = 0; i < 2994; ++i)
        samples.push_back(static_cast<short>(12000 * std::sin(i * 0.05) + static_cast<int>(rng() % 2001) - 1000));
    for (const int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const std::vector<uint8_t> xa = XaEncoder::EncodeFile(samples, static_cast<uint16_t>(channels), 22050);
        for (const int subtype : {SF_FORMAT_PCM_16, SF_FORMAT_PCM_U8, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32,
                                  SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE}) {
            SCOPED_TRACE(subtype);
            // 8 bits keep a sample's high byte only.
            std::vector<short> expected = samples;
            if (subtype == SF_FORMAT_PCM_U8)
                for (short& sample : expected)
                    sample = static_cast<short>(sample & ~0xFF);
            const auto bytes =
                testing::WriteSndFileWav<short>(dir / "a.wav", subtype, channels, 22050, std::span(samples));
            PcmSound sound;
            ASSERT_EQ(PcmWavReader::Read(bytes, sound), PcmWavStatus::Ok) << sound.problem;
            EXPECT_EQ(sound.samples, expected);
            EXPECT_EQ(sound.sampleRate, 22050u);
            EXPECT_EQ(sound.converted, subtype != SF_FORMAT_PCM_16);
            EXPECT_EQ(sound.clippedSamples, 0u);
            EXPECT_EQ(XaEncoder::EncodeFile(sound.samples, sound.channelCount, sound.sampleRate),
                      subtype == SF_FORMAT_PCM_U8
                          ? XaEncoder::EncodeFile(expected, static_cast<uint16_t>(channels), 22050)
                          : xa);
        }
    }
}

TEST(PcmWavReader, WiderSamplesRoundToTheNearestStepAndClip)
{
    testing::TempDir dir;
    // Left-justified 32-bit values: halves round up, the top is past 32767.
    const std::vector<int> wide = {(5 << 16) + 0x7FFF, (5 << 16) + 0x8000, -(5 << 16) - 0x8000, -(5 << 16) - 0x8001,
                                   INT32_MAX,          INT32_MIN};
    const std::vector<int16_t> rounded = {5, 6, -5, -6, INT16_MAX, INT16_MIN};
    PcmSound sound;
    for (const int subtype : {SF_FORMAT_PCM_24, SF_FORMAT_PCM_32}) {
        const auto bytes = testing::WriteSndFileWav<int>(dir / "a.wav", subtype, 1, 8000, std::span(wide));
        ASSERT_EQ(PcmWavReader::Read(bytes, sound), PcmWavStatus::Ok) << sound.problem;
        EXPECT_EQ(sound.samples, rounded) << subtype;
        EXPECT_EQ(sound.clippedSamples, 1u) << subtype;
    }
    const std::vector<double> reals = {1.5,  -1.0, 0.5 / 32768, -0.5 / 32768, std::numeric_limits<double>::quiet_NaN(),
                                       -1.1, 0.99998};
    for (const int subtype : {SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE}) {
        const auto bytes = testing::WriteSndFileWav<double>(dir / "a.wav", subtype, 1, 8000, std::span(reals));
        ASSERT_EQ(PcmWavReader::Read(bytes, sound), PcmWavStatus::Ok) << sound.problem;
        EXPECT_EQ(sound.samples, (std::vector<int16_t>{INT16_MAX, INT16_MIN, 1, 0, 0, INT16_MIN, INT16_MAX}))
            << subtype;
        EXPECT_EQ(sound.clippedSamples, 2u) << subtype;
    }
}

TEST(PcmWavReader, WideFilesCutOrFlippedAreRefusedOrReadWhole)
{
    testing::TempDir dir;
    std::vector<short> samples(600);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(i * 97);
    std::mt19937 rng(5);
    for (const int subtype : {SF_FORMAT_PCM_24, SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE, SF_FORMAT_PCM_U8}) {
        const auto whole = testing::WriteSndFileWav<short>(dir / "a.wav", subtype, 3, 8000, std::span(samples));
        PcmSound sound;
        for (size_t length = 0; length < whole.size(); ++length) {
            const PcmWavStatus status = PcmWavReader::Read(std::span(whole.data(), length), sound);
            EXPECT_NE(status, PcmWavStatus::Ok) << subtype << " cut at " << length;
        }
        for (int round = 0; round < 500; ++round) {
            std::vector<uint8_t> bytes = whole;
            for (int flips = 0; flips < 3; ++flips)
                bytes[12 + rng() % 60] = static_cast<uint8_t>(rng());
            if (PcmWavReader::Read(bytes, sound) == PcmWavStatus::Ok) {
                EXPECT_EQ(sound.samples.size() % sound.channelCount, 0u);
                EXPECT_LE(sound.samples.size(), bytes.size());
            }
        }
    }
}

} // namespace
} // namespace vorn

#include "audio/xa_encoder.h"

#include "audio/pcm_wav_reader.h"
#include "audio/wav_image.h"
#include "audio/xa_decoder.h"
#include "base/endian.h"
#include "base/memory_stream.h"
#include "testing/temp_dir.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>

namespace vorn {
namespace {

constexpr uint32_t kRate = 44100;

// Frames of `channels` interleaved samples: channel c plays `make(c, t)`.
template <typename F>
std::vector<int16_t> Signal(uint32_t channels, size_t frames, F make)
{
    std::vector<int16_t> s(frames * channels);
    for (size_t f = 0; f < frames; ++f)
        for (uint32_t c = 0; c < channels; ++c)
            s[f * channels + c] = static_cast<int16_t>(std::lround(make(c, static_cast<double>(f) / kRate)));
    return s;
}

std::vector<int16_t> Sine440(uint32_t channels, size_t frames)
{
    // The right channel a quarter period later, so a swapped order shows.
    return Signal(channels, frames, [](uint32_t c, double t) {
        return 20000.0 * std::sin(2 * std::numbers::pi * 440 * t + c * std::numbers::pi / 2);
    });
}

std::vector<int16_t> NoiseAndChords(uint32_t channels, size_t frames)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 1500.0);
    // C major then A minor, half a second each, a different voicing per channel.
    return Signal(channels, frames, [&](uint32_t c, double t) {
        const bool second = std::fmod(t, 1.0) >= 0.5;
        const double major[3] = {261.63, 329.63, 392.00};
        const double minor[3] = {220.00, 261.63, 329.63};
        double v = 0;
        for (int i = 0; i < 3; ++i)
            v += 7000.0 * std::sin(2 * std::numbers::pi * (second ? minor[i] : major[i]) * (1 + 0.25 * c) * t);
        return std::clamp(v + noise(rng), -32768.0, 32767.0);
    });
}

std::vector<int16_t> DecodeWithOurs(const std::vector<uint8_t>& xa, WavImageInfo* info = nullptr)
{
    MemoryStream out(1024);
    CXaDecoder decoder;
    decoder.SetInput(xa, &out);
    EXPECT_TRUE(decoder.Decode());
    const std::span<const uint8_t> image = out.Bytes();
    if (info != nullptr)
        *info = ReadWavImageInfo(image).value_or(WavImageInfo{});
    std::vector<int16_t> samples;
    for (size_t i = kWavHeaderSize; i + 1 < image.size(); i += 2)
        samples.push_back(static_cast<int16_t>(LoadLE16(image.data() + i)));
    return samples;
}

// Signal-to-noise ratio of `decoded` against `input` over one channel (or
// all with channel < 0), in dB. Extra decoded samples (block padding) are ignored.
double Snr(const std::vector<int16_t>& input, const std::vector<int16_t>& decoded, uint32_t channels, int channel = -1)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < input.size(); ++i) {
        if (channel >= 0 && i % channels != static_cast<uint32_t>(channel))
            continue;
        const double d = i < decoded.size() ? decoded[i] : 0.0;
        signal += static_cast<double>(input[i]) * input[i];
        noise += (input[i] - d) * (input[i] - d);
    }
    return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

struct SignalCase {
    const char* name;
    std::vector<int16_t> (*make)(uint32_t, size_t);
    uint32_t channels;
};

class XaEncoderQuality : public ::testing::TestWithParam<SignalCase> {};

TEST_P(XaEncoderQuality, DecodesWithinThirtyDecibelsOnEveryChannel)
{
    const SignalCase& c = GetParam();
    const size_t frames = kRate / 2 + 13; // not a whole number of blocks
    const std::vector<int16_t> input = c.make(c.channels, frames);
    WavImageInfo info;
    const std::vector<int16_t> decoded = DecodeWithOurs(XaEncoder::EncodeFile(input, c.channels, kRate), &info);
    EXPECT_EQ(info.channelCount, c.channels);
    EXPECT_EQ(info.sampleRate, kRate);
    EXPECT_EQ(info.bitsPerSample, 16);
    const size_t blocks = (frames + 27) / 28;
    ASSERT_EQ(decoded.size(), blocks * 28 * c.channels);
    for (uint32_t ch = 0; ch < c.channels; ++ch) {
        const double snr = Snr(input, decoded, c.channels, static_cast<int>(ch));
        EXPECT_GE(snr, 30.0) << c.name << " channel " << ch;
        std::printf("%s, channel %u: %.1f dB\n", c.name, ch, snr);
    }
    // The padding after the input decodes to silence.
    for (size_t i = input.size(); i < decoded.size(); ++i)
        EXPECT_LE(std::abs(decoded[i]), 2048) << i;
}

INSTANTIATE_TEST_SUITE_P(Signals, XaEncoderQuality,
                         ::testing::Values(SignalCase{"sine mono", Sine440, 1}, SignalCase{"sine stereo", Sine440, 2},
                                           SignalCase{"chords mono", NoiseAndChords, 1},
                                           SignalCase{"chords stereo", NoiseAndChords, 2},
                                           SignalCase{"chords 5 channels", NoiseAndChords, 5}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == ' ')
                                     ch = '_';
                             return name;
                         });

TEST(XaEncoder, FullScaleJumpsNeverWrapPastSixteenBits)
{
    // Square waves between the extremes tempt the predictors to overshoot;
    // the decoder does not clamp, so an overshoot would wrap to the other end.
    std::vector<int16_t> input;
    for (int i = 0; i < 28 * 40; ++i)
        input.push_back((i / 7) % 2 == 0 ? 32767 : -32768);
    const std::vector<int16_t> decoded = DecodeWithOurs(XaEncoder::EncodeFile(input, 1, 22050));
    ASSERT_GE(decoded.size(), input.size());
    for (size_t i = 0; i < input.size(); ++i)
        EXPECT_LT(std::abs(static_cast<int>(decoded[i]) - input[i]), 16384) << i;
    EXPECT_GE(Snr(input, decoded, 1), 10.0);
}

TEST(XaEncoder, SilenceAndConstantsAreExact)
{
    const std::vector<int16_t> silence(28 * 3, 0);
    EXPECT_EQ(DecodeWithOurs(XaEncoder::EncodeFile(silence, 1, 8000)), silence);
    // A constant of whole steps needs no error either (pair 0, shift 12: steps of 1).
    const std::vector<int16_t> small(28 * 2, 5);
    EXPECT_EQ(DecodeWithOurs(XaEncoder::EncodeFile(small, 1, 8000)), small);
}

TEST(XaEncoder, HeaderAndRefusals)
{
    const std::vector<int16_t> input = Sine440(2, 100);
    const std::vector<uint8_t> xa = XaEncoder::EncodeFile(input, 2, kRate);
    ASSERT_EQ(xa.size(), 24u + 4 * 15 * 2); // 100 frames fill four blocks per channel
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(xa.data()), 3), "XAI");
    EXPECT_EQ(LoadLE32(xa.data() + 4), 4u * 28 * 2 * 2); // decoded bytes
    EXPECT_EQ(LoadLE16(xa.data() + 8), 1);
    EXPECT_EQ(LoadLE32(xa.data() + 16), kRate * 4);
    EXPECT_EQ(LoadLE16(xa.data() + 20), 4);

    EXPECT_TRUE(XaEncoder::EncodeFile(input, 0, kRate).empty());
    EXPECT_TRUE(XaEncoder::EncodeFile(input, 256, kRate).empty());
    EXPECT_TRUE(XaEncoder::EncodeFile(input, 2, 0).empty());
    // No samples: a valid, empty sound.
    const std::vector<uint8_t> empty = XaEncoder::EncodeFile({}, 1, kRate);
    EXPECT_EQ(empty.size(), 24u);
    EXPECT_TRUE(DecodeWithOurs(empty).empty());
}

// The decoder's sample for nibble n after p1 and p2, computed the way it
// does (double precision, its order of additions, truncation toward zero).
int64_t DecoderSample(int pair, int shift, int n, int64_t p1, int64_t p2, bool first)
{
    const auto& c = CXaDecoder::Coefficients()[static_cast<size_t>(pair)];
    double x = CXaDecoder::StepTable()[static_cast<size_t>(shift)][static_cast<size_t>(n)];
    if (first) {
        x += static_cast<double>(c[1]) * static_cast<double>(p2);
        x += static_cast<double>(c[0]) * static_cast<double>(p1);
    } else {
        x += static_cast<double>(c[0]) * static_cast<double>(p1);
        x += static_cast<double>(c[1]) * static_cast<double>(p2);
    }
    return static_cast<int64_t>(x);
}

// The least squared error a block can have with one pair and shift when
// every sample takes the nearest of all 16 nibbles inside 16 bits; -1 when
// some sample has none.
double BruteForceBlockError(const int16_t* target, int pair, int shift, int64_t p1, int64_t p2)
{
    double error = 0;
    for (int i = 0; i < 28; ++i) {
        double best = -1;
        int64_t chosen = 0;
        for (int n = 0; n < 16; ++n) {
            const int64_t x = DecoderSample(pair, shift, n, p1, p2, i % 2 == 0);
            const double e = static_cast<double>((x - target[i]) * (x - target[i]));
            if (x >= -32768 && x <= 32767 && (best < 0 || e < best)) {
                best = e;
                chosen = x;
            }
        }
        if (best < 0)
            return -1;
        error += best;
        p2 = p1;
        p1 = chosen;
    }
    return error;
}

TEST(XaEncoder, EveryBlockHasTheLeastErrorOfAllPairsAndShifts)
{
    // Loud chords with noise, a full-scale square and near-silence: each
    // block's error, as our decoder reproduces it, must be the least that
    // any of the four pairs and thirteen shifts allows from the same state.
    std::vector<int16_t> square;
    for (int i = 0; i < 28 * 30; ++i)
        square.push_back((i / 5) % 2 == 0 ? 32767 : -32768);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> hiss(-3, 3);
    std::vector<int16_t> quiet;
    for (int i = 0; i < 28 * 30; ++i)
        quiet.push_back(static_cast<int16_t>(hiss(rng)));
    const struct {
        std::vector<int16_t> samples;
        uint32_t channels;
    } cases[] = {{NoiseAndChords(2, 28 * 60), 2}, {square, 1}, {quiet, 1}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> xa = XaEncoder::EncodeFile(c.samples, c.channels, kRate);
        const std::vector<int16_t> decoded = DecodeWithOurs(xa);
        ASSERT_EQ(decoded.size(), c.samples.size());
        const size_t frames = c.samples.size() / c.channels;
        for (uint32_t ch = 0; ch < c.channels; ++ch) {
            std::vector<int16_t> in(frames), out(frames);
            for (size_t f = 0; f < frames; ++f) {
                in[f] = c.samples[f * c.channels + ch];
                out[f] = decoded[f * c.channels + ch];
            }
            for (size_t b = 0; b < frames / 28; ++b) {
                const size_t start = 28 * b;
                const int64_t p1 = b == 0 ? 0 : out[start - 1];
                const int64_t p2 = b == 0 ? 0 : out[start - 2];
                double actual = 0;
                for (size_t i = start; i < start + 28; ++i)
                    actual += static_cast<double>((in[i] - out[i]) * (in[i] - out[i]));
                double least = -1;
                for (int pair = 0; pair < 4; ++pair)
                    for (int shift = 0; shift <= 12; ++shift) {
                        const double e = BruteForceBlockError(in.data() + start, pair, shift, p1, p2);
                        if (e >= 0 && (least < 0 || e < least))
                            least = e;
                    }
                const uint8_t header = xa[24 + (15 * b) * c.channels + ch];
                EXPECT_EQ(actual, least) << "channel " << ch << " block " << b;
                EXPECT_EQ(actual, BruteForceBlockError(in.data() + start, header >> 4, header & 0x0F, p1, p2))
                    << "channel " << ch << " block " << b;
            }
        }
    }
}

// Another decoder of the format, with its own rounding: FFmpeg's, when installed.
TEST(XaEncoder, FfmpegDecodesTheFilesToo)
{
    if (std::system("ffmpeg -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    testing::TempDir dir;
    for (uint32_t channels : {1u, 2u}) {
        for (auto make : {Sine440, NoiseAndChords}) {
            const std::vector<int16_t> input = make(channels, kRate);
            testing::WriteFileBytes(dir / "in.xa", XaEncoder::EncodeFile(input, channels, kRate));
            const std::string command = "ffmpeg -v error -y -i '" + (dir / "in.xa").string() +
                                        "' -f s16le -acodec pcm_s16le '" + (dir / "out.raw").string() + "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            const std::vector<uint8_t> raw = testing::ReadFileBytes(dir / "out.raw");
            std::vector<int16_t> decoded(raw.size() / 2);
            for (size_t i = 0; i < decoded.size(); ++i)
                decoded[i] = static_cast<int16_t>(LoadLE16(raw.data() + 2 * i));
            ASSERT_GE(decoded.size(), input.size());
            for (uint32_t ch = 0; ch < channels; ++ch) {
                const double snr = Snr(input, decoded, channels, static_cast<int>(ch));
                EXPECT_GE(snr, 25.0) << channels << " channels, channel " << ch;
                std::printf("FFmpeg, %u channels, channel %u: %.1f dB\n", channels, ch, snr);
            }
        }
    }
}

} // namespace
} // namespace vorn

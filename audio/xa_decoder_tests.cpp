#include "audio/xa_decoder.h"

#include "audio/wav_image.h"
#include "base/endian.h"
#include "base/memory_stream.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

namespace vorn {
namespace {

using testing::BuildXa;
using testing::XaBlock;

struct Decoded {
    bool ok = false;
    std::vector<uint8_t> image;
};

Decoded Decode(const std::vector<uint8_t>& xa)
{
    MemoryStream out(1024);
    CXaDecoder decoder;
    decoder.SetInput(xa.data(), static_cast<uint32_t>(xa.size()), &out);
    Decoded result;
    result.ok = decoder.Decode();
    result.image.assign(out.Bytes().begin(), out.Bytes().end());
    return result;
}

std::vector<int16_t> SamplesOf(const std::vector<uint8_t>& image)
{
    std::vector<int16_t> samples;
    for (size_t i = kWavHeaderSize; i + 1 < image.size(); i += 2)
        samples.push_back(static_cast<int16_t>(LoadLE16(image.data() + i)));
    return samples;
}

// A plain reading of the format for one channel's bytes, with the first
// coefficient of index 2 as a parameter: a nibble reader over the bytes,
// 15-byte blocks, the additions in double in the format's order.
std::vector<int16_t> ReferenceMono(const std::vector<uint8_t>& bytes, float c1OfIndex2 = std::bit_cast<float>(0x3FE6002Au))
{
    const float pairs[5][2] = {{0, 0}, {0.9375f, 0}, {c1OfIndex2, -0.8125f}, {1.53125f, -0.859375f}, {0, 0}};
    std::vector<int16_t> out;
    int32_t p1 = 0, p2 = 0, shift = 0;
    float c1 = 0, c2 = 0;
    auto step = [&](int n, bool firstOfByte) {
        const int32_t t = (n < 8 ? n : n - 16) * (4096 >> shift);
        double x = t;
        if (firstOfByte) {
            x += static_cast<double>(c2) * p2;
            x += static_cast<double>(c1) * p1;
        } else {
            x += static_cast<double>(c1) * p1;
            x += static_cast<double>(c2) * p2;
        }
        const auto v = static_cast<int32_t>(std::trunc(x));
        p2 = p1;
        p1 = v;
        out.push_back(static_cast<int16_t>(static_cast<uint16_t>(v)));
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 15 == 0) {
            const int k = bytes[i] >> 4;
            if (k > 4)
                break;
            c1 = pairs[k][0];
            c2 = pairs[k][1];
            shift = bytes[i] & 15;
        } else {
            step(bytes[i] >> 4, true);
            step(bytes[i] & 15, false);
        }
    }
    return out;
}

TEST(XaDecoderTest, MonoBlockWithoutPrediction)
{
    // Header 0x00: coefficients 0 and shift 0, so each sample is T[0][n] = v(n) * 4096.
    const std::vector<uint8_t> data = {0x78, 0x0F, 0x12};
    const auto xa = BuildXa(1, 22050, XaBlock(0x00, data));
    const Decoded d = Decode(xa);
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.image.size(), 44u + 56u);

    EXPECT_EQ(std::memcmp(d.image.data(), "RIFF", 4), 0);
    EXPECT_EQ(LoadLE32(d.image.data() + 4), 56u + 36u);
    EXPECT_EQ(std::memcmp(d.image.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(LoadLE32(d.image.data() + 16), 16u);
    EXPECT_EQ(std::memcmp(d.image.data() + 20, xa.data() + 8, 16), 0);
    EXPECT_EQ(std::memcmp(d.image.data() + 36, "data", 4), 0);
    EXPECT_EQ(LoadLE32(d.image.data() + 40), 56u);

    std::vector<int16_t> expected = {28672, -32768, 0, -4096, 4096, 8192};
    expected.resize(28, 0);
    EXPECT_EQ(SamplesOf(d.image), expected);
}

TEST(XaDecoderTest, ShiftAndFirstCoefficient)
{
    // Header 0x1C: coefficient index 1 (0.9375, 0), shift 12, so T is the signed nibble.
    std::vector<uint8_t> data(14);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 37 + 0x7F);
    const Decoded d = Decode(BuildXa(1, 11025, XaBlock(0x1C, data)));
    ASSERT_TRUE(d.ok);

    std::vector<int16_t> expected;
    int32_t previous = 0;
    for (uint8_t byte : data) {
        for (int n : {byte >> 4, byte & 15}) {
            previous = static_cast<int32_t>(std::trunc((n < 8 ? n : n - 16) + 0.9375 * previous));
            expected.push_back(static_cast<int16_t>(previous));
        }
    }
    EXPECT_EQ(SamplesOf(d.image), expected);
}

TEST(XaDecoderTest, WrapsWrittenSamplesButPredictsFromTheFullValue)
{
    // Index 1, shift 0, nibble 7 each time: 28672, 55552 (written as -9984), 80752 (15216).
    const Decoded d = Decode(BuildXa(1, 22050, XaBlock(0x10, std::vector<uint8_t>{0x77, 0x70})));
    ASSERT_TRUE(d.ok);
    const auto samples = SamplesOf(d.image);
    EXPECT_EQ(samples[0], 28672);
    EXPECT_EQ(samples[1], -9984);
    // Had the prediction used the wrapped -9984 it would give 19312.
    EXPECT_EQ(samples[2], static_cast<int16_t>(80752 - 65536));
}

TEST(XaDecoderTest, SecondCoefficientPairIsTheStoredFloatNot1796875)
{
    EXPECT_EQ(std::bit_cast<uint32_t>(CXaDecoder::Coefficients()[2][0]), 0x3FE6002Au);
    // Drive the predictor high with index 1, then let index 2 work on large values,
    // where the tiny difference from 1.796875 changes truncated results.
    std::vector<uint8_t> channel = XaBlock(0x10, std::vector<uint8_t>(14, 0x77));
    for (uint8_t header : {0x20, 0x21, 0x25, 0x2C}) {
        std::vector<uint8_t> data(14);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>((i * 91 + header) & 0xFF);
        const auto block = XaBlock(header, data);
        channel.insert(channel.end(), block.begin(), block.end());
    }
    const Decoded d = Decode(BuildXa(1, 22050, channel));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(SamplesOf(d.image), ReferenceMono(channel));
    EXPECT_NE(SamplesOf(d.image), ReferenceMono(channel, 1.796875f));
}

TEST(XaDecoderTest, RefusesShortInputsNoChannelsAndBadCoefficients)
{
    MemoryStream out;
    out.Write("keep", 4);
    CXaDecoder decoder;
    const std::vector<uint8_t> shortInput(23, 1);
    decoder.SetInput(shortInput.data(), 23, &out);
    EXPECT_FALSE(decoder.Decode());
    EXPECT_EQ(out.Length(), 4); // nothing written

    // Fewer than 11 bytes: there is no channel-count byte to read.
    decoder.SetInput(shortInput.data(), 5, &out);
    EXPECT_EQ(decoder.ChannelCount(), 0u);
    EXPECT_FALSE(decoder.Decode());

    const auto silent = BuildXa(0, 22050, XaBlock(0x00, {}));
    decoder.SetInput(silent, &out);
    EXPECT_FALSE(decoder.Decode());
    EXPECT_EQ(out.Length(), 4);

    // Counts above 255 are decoded by their low byte: a WAV saying 257
    // channels over mono samples would be a wrong file, so none is written.
    for (const uint16_t claimed : {256, 257, 511}) {
        const auto many = BuildXa(claimed, 22050, XaBlock(0x00, {}));
        decoder.SetInput(many, &out);
        EXPECT_EQ(decoder.HeaderChannelCount(), claimed);
        EXPECT_FALSE(decoder.Decode()) << claimed;
        EXPECT_EQ(out.Length(), 4) << claimed;
    }

    for (uint8_t header : {0x50, 0x5F, 0xF0}) {
        const Decoded d = Decode(BuildXa(1, 22050, XaBlock(header, {})));
        EXPECT_FALSE(d.ok) << int(header);
        EXPECT_EQ(d.image.size(), 44u);
    }
    for (uint8_t header : {0x40, 0x4F}) // index 4 is valid
        EXPECT_TRUE(Decode(BuildXa(1, 22050, XaBlock(header, {}))).ok);

    // A bad header in the second block keeps the first block's samples.
    auto data = XaBlock(0x00, std::vector<uint8_t>{0x11});
    data.push_back(0x60);
    data.push_back(0x11);
    const Decoded d = Decode(BuildXa(1, 22050, data));
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.image.size(), 44u + 56u);
    EXPECT_EQ(LoadLE32(d.image.data() + 40), 4u * (17 - 1));
}

TEST(XaDecoderTest, EmptyAndCutInputs)
{
    const Decoded empty = Decode(BuildXa(1, 22050, {}));
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(empty.image.size(), 44u);
    EXPECT_EQ(LoadLE32(empty.image.data() + 4), 36u);
    EXPECT_EQ(LoadLE32(empty.image.data() + 40), 0u);

    // A block cut after five data bytes: ten samples, while D counts all 16 bytes... as 4 * (6 - 0).
    const auto block = XaBlock(0x00, std::vector<uint8_t>(14, 0x12));
    const Decoded cut = Decode(BuildXa(1, 22050, std::vector<uint8_t>(block.begin(), block.begin() + 6)));
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(cut.image.size(), 44u + 20u);
    EXPECT_EQ(LoadLE32(cut.image.data() + 40), 24u);

    // Decoding twice into the same stream gives the same image, not an appended one.
    MemoryStream out;
    const auto xa = BuildXa(1, 22050, block);
    CXaDecoder decoder;
    decoder.SetInput(xa, &out);
    ASSERT_TRUE(decoder.Decode());
    const std::vector<uint8_t> first(out.Bytes().begin(), out.Bytes().end());
    ASSERT_TRUE(decoder.Decode());
    EXPECT_EQ(std::vector<uint8_t>(out.Bytes().begin(), out.Bytes().end()), first);
}

// Stereo and wider sounds come out frame by frame: the same as decoding each
// channel's bytes on its own and interleaving the results.
std::vector<int16_t> InterleavedReference(const std::vector<uint8_t>& data, size_t channels)
{
    std::vector<std::vector<int16_t>> decoded(channels);
    size_t frames = SIZE_MAX;
    for (size_t c = 0; c < channels; ++c) {
        std::vector<uint8_t> own;
        for (size_t i = c; i < data.size(); i += channels)
            own.push_back(data[i]);
        decoded[c] = ReferenceMono(own);
        frames = std::min(frames, decoded[c].size());
    }
    std::vector<int16_t> out;
    for (size_t f = 0; f < frames; ++f)
        for (size_t c = 0; c < channels; ++c)
            out.push_back(decoded[c][f]);
    return out;
}

std::vector<uint8_t> RandomValidData(std::mt19937& rng, size_t length)
{
    std::vector<uint8_t> data(length);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());
    return data;
}

void FixHeaders(std::vector<uint8_t>& data, size_t channels)
{
    for (size_t i = 0; i < data.size(); ++i)
        if ((i / channels) % 15 == 0)
            data[i] = static_cast<uint8_t>(((data[i] >> 4) % 5) << 4 | (data[i] & 15));
}

TEST(XaDecoderTest, StereoIsInterleavedFrameByFrame)
{
    // Channel 0's byte 0x7F gives 28672, -4096; channel 1's byte 0x81 gives -32768, 4096.
    const std::vector<uint8_t> data = {0x00, 0x00, 0x7F, 0x81};
    const Decoded d = Decode(BuildXa(2, 22050, data));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(SamplesOf(d.image), (std::vector<int16_t>{28672, -32768, -4096, 4096}));

    std::mt19937 rng(7);
    for (size_t channels : {2u, 3u, 5u}) {
        auto longer = RandomValidData(rng, 15 * channels * 9 + channels + 1); // ends inside a round
        FixHeaders(longer, channels);
        const Decoded many = Decode(BuildXa(static_cast<uint16_t>(channels), 22050, longer));
        ASSERT_TRUE(many.ok);
        const auto expected = InterleavedReference(longer, channels);
        EXPECT_EQ(SamplesOf(many.image), expected) << channels;
        EXPECT_EQ(many.image.size(), 44 + 2 * expected.size()); // no partial frame
    }
}

TEST(XaDecoderTest, BadBlockHeaderOfALaterChannelFailsTheStereoDecode)
{
    // One stereo block round of each channel, then a second block whose channel 1 header is bad:
    // the first blocks' 28 frames stay, nothing more.
    std::vector<uint8_t> data(30, 0x11);
    data[0] = 0x00;
    data[1] = 0x0C;
    const std::vector<uint8_t> good = data;
    data.insert(data.end(), {0x10, 0x70, 0x22, 0x22});
    Decoded d = Decode(BuildXa(2, 22050, data));
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.image.size(), 44u + 28u * 4u);

    // The input ending right after channel 0's bad header is refused too, though
    // the round is incomplete; a good header there just ends the sound.
    auto cut = good;
    cut.push_back(0x90);
    d = Decode(BuildXa(2, 22050, cut));
    EXPECT_FALSE(d.ok);
    cut.back() = 0x40;
    d = Decode(BuildXa(2, 22050, cut));
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.image.size(), 44u + 28u * 4u);
}

TEST(XaDecoderTest, LongInputsMatchTheReferenceAcrossOutputChunks)
{
    std::mt19937 rng(11);
    for (size_t channels : {1u, 2u, 255u}) {
        auto data = RandomValidData(rng, 15 * channels * (channels == 255 ? 40 : 3000) + 7 * channels);
        FixHeaders(data, channels);
        const Decoded d = Decode(BuildXa(static_cast<uint16_t>(channels), 44100, data));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(SamplesOf(d.image), InterleavedReference(data, channels)) << channels;
    }
}

TEST(XaDecoderTest, RandomAndDamagedInputsNeverCrash)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> xa(rng() % 700);
        for (auto& b : xa)
            b = static_cast<uint8_t>(rng());
        // Most get a channel count below 256, so that their data is decoded.
        if (round % 4 != 0 && xa.size() > 11)
            xa[11] = 0;
        const Decoded d = Decode(xa);
        if (xa.size() < 24 || xa[10] == 0 || xa[11] != 0) {
            EXPECT_FALSE(d.ok);
            continue;
        }
        ASSERT_GE(d.image.size(), 44u);
        EXPECT_LE(d.image.size() - 44, CXaDecoder::DataSizeFor(static_cast<uint32_t>(xa.size())));
    }
    // Large magnitudes through every coefficient pair stay defined behaviour.
    std::vector<uint8_t> loud;
    for (int block = 0; block < 200; ++block) {
        const auto b = XaBlock(static_cast<uint8_t>((block % 4) << 4), std::vector<uint8_t>(14, block % 2 ? 0x77 : 0x88));
        loud.insert(loud.end(), b.begin(), b.end());
    }
    const Decoded d = Decode(BuildXa(1, 22050, loud));
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(SamplesOf(d.image).size(), 200u * 28u);
}

TEST(WavImageTest, LengthInSeconds)
{
    std::vector<uint8_t> image(44, 0);
    auto set = [&](uint32_t riff, uint32_t rate) {
        StoreLE32(image.data() + 4, riff);
        StoreLE32(image.data() + 28, rate);
        return WavLengthSeconds(image);
    };
    EXPECT_EQ(set(44100 * 75 + 36, 44100), 76u); // the header's 36 bytes count too
    EXPECT_EQ(set(44100, 44100), 1u);
    EXPECT_EQ(set(44101, 44100), 2u);
    EXPECT_EQ(set(1000, 0), 0u); // damaged byte rate
    EXPECT_EQ(WavLengthSeconds(std::span<const uint8_t>(image.data(), 31)), 0u);
    EXPECT_FALSE(ReadWavImageInfo(std::span<const uint8_t>(image.data(), 43)));
}

} // namespace
} // namespace vorn

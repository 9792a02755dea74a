#include "audio/xa_encoder.h"

#include "audio/xa_decoder.h"
#include "base/endian.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

namespace vorn {

namespace {

constexpr int kCoefficientPairs = 4; // pair 4 repeats pair 0
constexpr int kMaxShift = 12;

// The decoder works in double precision, but for samples inside 16 bits
// every term is exact: a coefficient is a float (24 significant bits, a
// multiple of 2^-23 below 2), so coefficient times sample needs at most 40
// bits and the sum of step and both products stays below 2^17. The decoded
// sample is therefore exactly trunc((step * 2^23 + C1 * p1 + C2 * p2) / 2^23)
// with integer coefficients C = c * 2^23, whatever the order of additions.
constexpr int kFraction = 23;
constexpr int64_t kFractionMask = (int64_t{1} << kFraction) - 1;

// Larger than any block's error (28 * 65535^2 < 2^37) and than any sum of
// one of these with real errors, so it works both as "no bound yet" and as a
// sample the decoder would wrap.
constexpr int64_t kRejected = int64_t{1} << 62;

struct Predictor {
    int32_t p1 = 0;
    int32_t p2 = 0;
};

struct BlockChoice {
    int pair = 0;
    int shift = 0;
};

struct FixedPair {
    int64_t c1 = 0;
    int64_t c2 = 0;
};

std::array<FixedPair, kCoefficientPairs> MakeFixedPairs()
{
    std::array<FixedPair, kCoefficientPairs> pairs;
    for (int k = 0; k < kCoefficientPairs; ++k) {
        const auto& c = CXaDecoder::Coefficients()[static_cast<size_t>(k)];
        pairs[static_cast<size_t>(k)] = {static_cast<int64_t>(std::ldexp(static_cast<double>(c[0]), kFraction)),
                                         static_cast<int64_t>(std::ldexp(static_cast<double>(c[1]), kFraction))};
    }
    return pairs;
}

// Division by 2^23 rounding toward zero, as the decoder's conversion does.
inline int64_t TruncateFixed(int64_t n) { return (n + ((n >> 63) & kFractionMask)) >> kFraction; }

// The squared error of decoded sample x against the target, or kRejected
// when x leaves the 16-bit range (the decoder would wrap it).
inline int64_t SampleError(int64_t x, int64_t target)
{
    const int64_t d = x - target;
    return x < -32768 || x > 32767 ? kRejected : d * d;
}

// Encodes one block with one coefficient pair and shift, each nibble the
// nearest the decoder can make. Returns the squared error, or kRejected as
// soon as it reaches `bound` or a sample cannot stay inside 16 bits.
int64_t TryBlock(const int16_t* in, Predictor p, const FixedPair& pair, int shift, int64_t bound, uint8_t* nibbles,
                 Predictor& after)
{
    // One nibble step in fixed point is 2^(12 - shift + 23).
    const int64_t step = int64_t{1} << (12 - shift + kFraction);
    const int stepBits = 12 - shift + kFraction;
    int64_t error = 0;
    for (uint32_t i = 0; i < XaEncoder::kSamplesPerBlock; ++i) {
        const int64_t target = in[i];
        const int64_t prediction = pair.c1 * p.p1 + pair.c2 * p.p2;
        // The decoded sample grows with the nibble, so the nearest is one of
        // the two around the ideal step count (rounded down).
        const int64_t low = std::clamp<int64_t>(((target << kFraction) - prediction) >> stepBits, -8, 7);
        const int64_t high = std::min<int64_t>(low + 1, 7);
        const int64_t xLow = TruncateFixed(low * step + prediction);
        const int64_t xHigh = TruncateFixed(high * step + prediction);
        const int64_t eLow = SampleError(xLow, target);
        const int64_t eHigh = SampleError(xHigh, target);
        const bool takeHigh = eHigh < eLow;
        error += takeHigh ? eHigh : eLow;
        if (error >= bound)
            return kRejected;
        nibbles[i] = static_cast<uint8_t>((takeHigh ? high : low) & 0x0F);
        p.p2 = p.p1;
        p.p1 = static_cast<int32_t>(takeHigh ? xHigh : xLow);
    }
    after = p;
    return error;
}

// One channel's blocks, kBlockLength bytes each, into `out`. `in` holds a
// whole number of blocks.
void EncodeChannel(const std::vector<int16_t>& in, std::vector<uint8_t>& out)
{
    const size_t blocks = in.size() / XaEncoder::kSamplesPerBlock;
    out.resize(blocks * XaEncoder::kBlockLength);
    static const std::array<FixedPair, kCoefficientPairs> pairs = MakeFixedPairs();
    Predictor state;
    BlockChoice previous;
    uint8_t nibbles[XaEncoder::kSamplesPerBlock];
    uint8_t bestNibbles[XaEncoder::kSamplesPerBlock] = {};
    for (size_t b = 0; b < blocks; ++b) {
        const int16_t* block = in.data() + b * XaEncoder::kSamplesPerBlock;
        int64_t bestError = kRejected;
        BlockChoice best;
        Predictor bestAfter = state;
        auto attempt = [&](int pair, int shift) {
            Predictor after;
            const int64_t e = TryBlock(block, state, pairs[static_cast<size_t>(pair)], shift, bestError, nibbles, after);
            if (e < bestError) {
                bestError = e;
                best = {pair, shift};
                bestAfter = after;
                std::memcpy(bestNibbles, nibbles, sizeof nibbles);
            }
        };
        // Every pair and shift is tried; starting from the last block's choice
        // gives a tight bound early, so most others stop after a few samples.
        attempt(previous.pair, previous.shift);
        for (int pair = 0; pair < kCoefficientPairs; ++pair)
            for (int shift = 0; shift <= kMaxShift; ++shift)
                if (pair != previous.pair || shift != previous.shift)
                    attempt(pair, shift);
        // Pair 0 with shift 0 can always follow the input, so a choice exists.
        previous = best;
        state = bestAfter;
        uint8_t* o = out.data() + b * XaEncoder::kBlockLength;
        o[0] = static_cast<uint8_t>((best.pair << 4) | best.shift);
        for (uint32_t i = 0; i < XaEncoder::kSamplesPerBlock; i += 2)
            o[1 + i / 2] = static_cast<uint8_t>((bestNibbles[i] << 4) | bestNibbles[i + 1]);
    }
}

} // namespace

std::vector<uint8_t> XaEncoder::EncodeData(std::span<const int16_t> samples, uint32_t channelCount)
{
    if (channelCount == 0)
        return {};
    const size_t frames = samples.size() / channelCount;
    const size_t blocks = (frames + kSamplesPerBlock - 1) / kSamplesPerBlock;
    std::vector<uint8_t> data(blocks * kBlockLength * channelCount);
    // Channels are independent, so they are encoded side by side.
    auto encode = [&](uint32_t c) {
        std::vector<int16_t> channel(blocks * kSamplesPerBlock, 0);
        for (size_t f = 0; f < frames; ++f)
            channel[f] = samples[f * channelCount + c];
        std::vector<uint8_t> stream;
        EncodeChannel(channel, stream);
        for (size_t i = 0; i < stream.size(); ++i)
            data[i * channelCount + c] = stream[i];
    };
    const uint32_t workers = std::clamp(std::thread::hardware_concurrency(), 1u, channelCount);
    std::vector<std::thread> threads;
    std::atomic<uint32_t> next{0};
    auto work = [&] {
        for (uint32_t c = next++; c < channelCount; c = next++)
            encode(c);
    };
    try {
        for (uint32_t i = 1; i < workers; ++i)
            threads.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: the ones running and this one share the work.
    }
    work();
    for (std::thread& thread : threads)
        thread.join();
    return data;
}

std::vector<uint8_t> XaEncoder::EncodeFile(std::span<const int16_t> samples, uint32_t channelCount,
                                            uint32_t sampleRate)
{
    if (channelCount == 0 || channelCount > 255 || sampleRate == 0)
        return {};
    const uint32_t blockAlign = 2 * channelCount;
    const uint64_t byteRate = static_cast<uint64_t>(sampleRate) * blockAlign;
    const size_t frames = samples.size() / channelCount;
    const uint64_t blocks = (frames + kSamplesPerBlock - 1) / kSamplesPerBlock;
    const uint64_t dataLength = blocks * kBlockLength * channelCount;
    const uint64_t decodedBytes = blocks * kSamplesPerBlock * blockAlign;
    // The decoder's lengths and the format block are 32-bit.
    if (byteRate > UINT32_MAX || kHeaderLength + dataLength > UINT32_MAX || decodedBytes > UINT32_MAX)
        return {};

    std::vector<uint8_t> file(kHeaderLength);
    std::memcpy(file.data(), "XAI", 4);
    StoreLE32(file.data() + 4, static_cast<uint32_t>(decodedBytes));
    uint8_t* format = file.data() + 8;
    StoreLE16(format, 1); // PCM, as the WAV image made from it says
    StoreLE16(format + 2, static_cast<uint16_t>(channelCount));
    StoreLE32(format + 4, sampleRate);
    StoreLE32(format + 8, static_cast<uint32_t>(byteRate));
    StoreLE16(format + 12, static_cast<uint16_t>(blockAlign));
    StoreLE16(format + 14, 16);
    const std::vector<uint8_t> data = EncodeData(samples, channelCount);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

} // namespace vorn

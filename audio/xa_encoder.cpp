#include "audio/xa_encoder.h"

#include "audio/xa_decoder.h"
#include "base/endian.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

namespace vorn {

namespace {

constexpr int kCoefficientPairs = 4; // pair 4 repeats pair 0
constexpr int kMaxShift = 12;
constexpr double kRejected = std::numeric_limits<double>::infinity();

struct Predictor {
    int32_t p1 = 0;
    int32_t p2 = 0;
};

struct BlockChoice {
    int pair = 0;
    int shift = 0;
};

// Truncation toward zero and rounding down by integer conversion: the
// library calls cost more than the rest of a sample's search together. The
// values here stay far inside 64 bits.
inline double Truncate(double x) { return static_cast<double>(static_cast<int64_t>(x)); }
inline int Floor(double x)
{
    const auto i = static_cast<int64_t>(x);
    return static_cast<int>(static_cast<double>(i) > x ? i - 1 : i);
}

// The decoder's sample for signed nibble v, with its order of additions
// (the first sample of a byte adds c2 * p2 before c1 * p1).
inline double DecodedValue(int v, int32_t step, double c1, double c2, const Predictor& p, bool first)
{
    double x = static_cast<double>(v * step);
    if (first) {
        x += c2 * p.p2;
        x += c1 * p.p1;
    } else {
        x += c1 * p.p1;
        x += c2 * p.p2;
    }
    return x;
}

// Encodes one block with one coefficient pair and shift, each nibble the
// nearest the decoder can make. Returns the squared error, or kRejected as
// soon as it reaches `bound` or a sample cannot stay inside 16 bits.
double TryBlock(const int16_t* in, Predictor p, int pair, int shift, double bound, uint8_t* nibbles,
                Predictor& after)
{
    const auto& coefficients = CXaDecoder::Coefficients()[static_cast<size_t>(pair)];
    const double c1 = coefficients[0];
    const double c2 = coefficients[1];
    const int32_t step = 4096 >> shift;
    const double inverseStep = 1.0 / step;
    double error = 0;
    for (uint32_t i = 0; i < CXaEncoder::kSamplesPerBlock; ++i) {
        const bool first = (i & 1) == 0;
        const double target = in[i];
        const double prediction = c1 * p.p1 + c2 * p.p2;
        // The decoded sample grows with the nibble, so the nearest is one of
        // the two around the ideal step count.
        const int low = std::clamp(Floor(std::clamp((target - prediction) * inverseStep, -9.0, 8.0)), -8, 7);
        const int high = std::min(low + 1, 7);
        bool found = false;
        int bestNibble = 0;
        int32_t bestSample = 0;
        double bestError = kRejected;
        for (int v = low; v <= high; ++v) {
            const double x = Truncate(DecodedValue(v, step, c1, c2, p, first));
            if (x < -32768.0 || x > 32767.0)
                continue;
            const double e = (x - target) * (x - target);
            if (e < bestError) {
                found = true;
                bestError = e;
                bestNibble = v;
                bestSample = static_cast<int32_t>(x);
            }
        }
        if (!found)
            return kRejected;
        error += bestError;
        if (error >= bound)
            return kRejected;
        nibbles[i] = static_cast<uint8_t>(bestNibble & 0x0F);
        p.p2 = p.p1;
        p.p1 = bestSample;
    }
    after = p;
    return error;
}

// One channel's blocks, kBlockLength bytes each, into `out`. `in` holds a
// whole number of blocks.
void EncodeChannel(const std::vector<int16_t>& in, std::vector<uint8_t>& out)
{
    const size_t blocks = in.size() / CXaEncoder::kSamplesPerBlock;
    out.resize(blocks * CXaEncoder::kBlockLength);
    Predictor state;
    BlockChoice previous;
    uint8_t nibbles[CXaEncoder::kSamplesPerBlock];
    uint8_t bestNibbles[CXaEncoder::kSamplesPerBlock] = {};
    for (size_t b = 0; b < blocks; ++b) {
        const int16_t* block = in.data() + b * CXaEncoder::kSamplesPerBlock;
        double bestError = kRejected;
        BlockChoice best;
        Predictor bestAfter = state;
        auto attempt = [&](int pair, int shift) {
            Predictor after;
            const double e = TryBlock(block, state, pair, shift, bestError, nibbles, after);
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
        uint8_t* o = out.data() + b * CXaEncoder::kBlockLength;
        o[0] = static_cast<uint8_t>((best.pair << 4) | best.shift);
        for (uint32_t i = 0; i < CXaEncoder::kSamplesPerBlock; i += 2)
            o[1 + i / 2] = static_cast<uint8_t>((bestNibbles[i] << 4) | bestNibbles[i + 1]);
    }
}

} // namespace

std::vector<uint8_t> CXaEncoder::EncodeData(std::span<const int16_t> samples, uint32_t channelCount)
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

std::vector<uint8_t> CXaEncoder::EncodeFile(std::span<const int16_t> samples, uint32_t channelCount,
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

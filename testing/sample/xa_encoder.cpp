#include "testing/sample/xa_encoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace vorn::sample {

namespace {

constexpr int kSamplesPerBlock = 28;

struct Predictor {
    float c1, c2;
};

// Predictors 0 to 3 (4 repeats 0); the third's first value is the game's
// float 0x3FE6002A, a hair above 1.796875.
const Predictor kPredictors[4] = {
    {0.0f, 0.0f}, {0.9375f, 0.0f}, {std::bit_cast<float>(0x3FE6002Au), -0.8125f}, {1.53125f, -0.859375f}};

int32_t StepValue(int shift, int nibble)
{
    const int v = nibble < 8 ? nibble : nibble - 16;
    return shift > 12 ? 0 : v * (4096 >> shift);
}

struct ChannelState {
    int32_t p1 = 0, p2 = 0;
};

// The decoder's sample for one nibble. `first` selects its order of
// additions for the first sample of a byte.
int32_t Decode(const ChannelState& s, const Predictor& p, int shift, int nibble, bool first)
{
    double x = StepValue(shift, nibble);
    if (first) {
        x += static_cast<double>(p.c2) * s.p2;
        x += static_cast<double>(p.c1) * s.p1;
    } else {
        x += static_cast<double>(p.c1) * s.p1;
        x += static_cast<double>(p.c2) * s.p2;
    }
    return static_cast<int32_t>(x);
}

// Encodes one block greedily with a given predictor and shift; returns the
// squared error and fills `nibbles` and the state after the block.
double TryBlock(const int16_t* in, ChannelState state, int k, int shift, uint8_t* nibbles, ChannelState& after)
{
    double error = 0;
    for (int i = 0; i < kSamplesPerBlock; ++i) {
        int best = 0;
        int32_t bestValue = 0;
        double bestError = std::numeric_limits<double>::max();
        for (int n = 0; n < 16; ++n) {
            const int32_t value = Decode(state, kPredictors[k], shift, n, i % 2 == 0);
            // Samples are stored without clamping, so stay inside 16 bits.
            if (value < -32768 || value > 32767)
                continue;
            const double e = std::pow(static_cast<double>(value) - in[i], 2);
            if (e < bestError)
                bestError = e, best = n, bestValue = value;
        }
        if (bestError == std::numeric_limits<double>::max())
            return bestError;
        error += bestError;
        nibbles[i] = static_cast<uint8_t>(best);
        state.p2 = state.p1;
        state.p1 = bestValue;
    }
    after = state;
    return error;
}

} // namespace

std::vector<uint8_t> EncodeXaData(const std::vector<std::vector<int16_t>>& channels)
{
    if (channels.empty())
        return {};
    const size_t length = channels[0].size();
    const size_t blocks = (length + kSamplesPerBlock - 1) / kSamplesPerBlock;
    std::vector<std::vector<uint8_t>> streams(channels.size());
    for (size_t c = 0; c < channels.size(); ++c) {
        std::vector<int16_t> in(channels[c]);
        in.resize(blocks * kSamplesPerBlock, 0);
        ChannelState state;
        for (size_t b = 0; b < blocks; ++b) {
            const int16_t* block = in.data() + b * kSamplesPerBlock;
            double bestError = std::numeric_limits<double>::max();
            int bestK = 0, bestShift = 0;
            uint8_t bestNibbles[kSamplesPerBlock] = {};
            ChannelState bestAfter = state;
            for (int k = 0; k < 4; ++k)
                for (int shift = 0; shift <= 12; ++shift) {
                    uint8_t nibbles[kSamplesPerBlock];
                    ChannelState after;
                    const double e = TryBlock(block, state, k, shift, nibbles, after);
                    if (e < bestError) {
                        bestError = e, bestK = k, bestShift = shift, bestAfter = after;
                        std::copy(nibbles, nibbles + kSamplesPerBlock, bestNibbles);
                    }
                }
            state = bestAfter;
            streams[c].push_back(static_cast<uint8_t>((bestK << 4) | bestShift));
            for (int i = 0; i < kSamplesPerBlock; i += 2)
                streams[c].push_back(static_cast<uint8_t>((bestNibbles[i] << 4) | bestNibbles[i + 1]));
        }
    }
    std::vector<uint8_t> data;
    data.reserve(streams.size() * streams[0].size());
    for (size_t i = 0; i < streams[0].size(); ++i)
        for (const auto& stream : streams)
            data.push_back(stream[i]);
    return data;
}

} // namespace vorn::sample

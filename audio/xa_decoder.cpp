#include "audio/xa_decoder.h"

#include "audio/wav_image.h"
#include "base/endian.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <vector>

namespace vorn {

namespace {

using StepTableType = std::array<std::array<int32_t, 16>, 16>;
using CoefficientTable = std::array<std::array<float, 2>, 5>;

constexpr StepTableType MakeStepTable()
{
    StepTableType table{};
    for (int s = 0; s < 16; ++s) {
        for (int n = 0; n < 16; ++n) {
            const int32_t signedNibble = n < 8 ? n : n - 16;
            table[s][n] = signedNibble * (4096 >> s); // rows 13 to 15 come out all zero
        }
    }
    return table;
}

constexpr StepTableType kStepTable = MakeStepTable();

// Index 2's first coefficient is the float 0x3FE6002A (1.79688000679...), not
// 1.796875: the sounds were made with that value, so it is kept bit for bit.
constexpr CoefficientTable kCoefficients = {{
    {0.0f, 0.0f},
    {0.9375f, 0.0f},
    {std::bit_cast<float>(0x3FE6002Au), -0.8125f},
    {1.53125f, -0.859375f},
    {0.0f, 0.0f},
}};

constexpr uint32_t kBlockLength = 15;
constexpr size_t kOutputChunk = 64 * 1024;

// Truncation toward zero; a value beyond 32 bits gives 0x80000000, what the
// processor's own conversion yields, instead of undefined behaviour.
inline int32_t TruncateToInt32(double x)
{
    if (x > -2147483649.0 && x < 2147483648.0)
        return static_cast<int32_t>(x);
    return std::numeric_limits<int32_t>::min();
}

// Decodes up to `rounds` whole rounds (one byte of every channel). Each data
// round yields one frame from the bytes' high nibbles and one from their low
// nibbles. Returns the rounds completed: fewer than asked when a block header
// carries an invalid coefficient index. `outBytes` receives the bytes written to `out`.
template <uint32_t kFixedCount>
size_t DecodeRounds(const uint8_t* in, size_t rounds, uint32_t channelCount, XaChannelState* states, uint8_t* out,
                    size_t& outBytes)
{
    const uint32_t count = kFixedCount != 0 ? kFixedCount : channelCount;
    // Small channel counts run on a local copy so the states stay in registers.
    XaChannelState local[kFixedCount != 0 ? kFixedCount : 1];
    XaChannelState* st = states;
    if constexpr (kFixedCount != 0) {
        std::copy(states, states + kFixedCount, local);
        st = local;
    }

    uint32_t phase = st[0].tick % kBlockLength; // every channel has had the same number of bytes
    uint8_t* o = out;
    size_t done = 0;
    bool failed = false;
    for (; done < rounds; ++done, in += count) {
        if (phase == 0) {
            for (uint32_t c = 0; c < count; ++c) {
                const uint32_t k = in[c] >> 4;
                if (k > 4) {
                    failed = true;
                    break;
                }
                st[c].c1 = kCoefficients[k][0];
                st[c].c2 = kCoefficients[k][1];
                st[c].s = in[c] & 0x0F;
                ++st[c].tick;
            }
            if (failed)
                break;
        } else {
            for (uint32_t c = 0; c < count; ++c) {
                XaChannelState& r = st[c];
                const uint8_t b = in[c];
                const int32_t* row = kStepTable[static_cast<size_t>(r.s)].data();
                // The additions keep this order; with rounding in double it decides the last bit.
                double x = static_cast<double>(row[b >> 4]) + static_cast<double>(r.c2) * r.p2;
                x += static_cast<double>(r.c1) * r.p1;
                const int32_t first = TruncateToInt32(x);
                r.p2 = r.p1;
                r.p1 = first;
                x = static_cast<double>(row[b & 0x0F]) + static_cast<double>(r.c1) * r.p1;
                x += static_cast<double>(r.c2) * r.p2;
                const int32_t second = TruncateToInt32(x);
                r.p2 = r.p1;
                r.p1 = second;
                // Only the low 16 bits are written; the prediction goes on with the full value.
                StoreLE16(o + 2 * c, static_cast<uint16_t>(first));
                StoreLE16(o + 2 * (count + c), static_cast<uint16_t>(second));
                ++r.tick;
            }
            o += 4 * count;
        }
        if (++phase == kBlockLength)
            phase = 0;
    }

    if constexpr (kFixedCount != 0)
        std::copy(local, local + kFixedCount, states);
    outBytes = static_cast<size_t>(o - out);
    return done;
}

} // namespace

const std::array<std::array<float, 2>, 5>& CXaDecoder::Coefficients() { return kCoefficients; }
const std::array<std::array<int32_t, 16>, 16>& CXaDecoder::StepTable() { return kStepTable; }

CXaDecoder::CXaDecoder() = default;
CXaDecoder::~CXaDecoder() { Destroy(); }

void CXaDecoder::SetInput(const uint8_t* input, uint32_t inputLength, ByteStream* output)
{
    input_ = input;
    inputLength_ = input != nullptr ? inputLength : 0;
    output_ = output;
    channelCount_ = inputLength_ > 10 ? input[10] : 0;
    headerChannelCount_ = inputLength_ > 11 ? LoadLE16(input + 10) : static_cast<uint16_t>(channelCount_);
    channels_ = std::make_unique<XaChannelState[]>(channelCount_);
}

void CXaDecoder::SetInput(std::span<const uint8_t> input, ByteStream* output)
{
    const auto length = static_cast<uint32_t>(std::min<size_t>(input.size(), std::numeric_limits<uint32_t>::max()));
    SetInput(input.data(), length, output);
}

void CXaDecoder::Destroy()
{
    channels_.reset();
    channelCount_ = 0;
    headerChannelCount_ = 0;
    input_ = nullptr;
    inputLength_ = 0;
}

uint32_t CXaDecoder::DataSizeFor(uint32_t inputLength)
{
    const uint32_t n = inputLength >= kMinimumLength ? inputLength - kMinimumLength : 0;
    return 4u * (n - n / kBlockLength);
}

bool CXaDecoder::Decode()
{
    if (input_ == nullptr || output_ == nullptr || inputLength_ < kMinimumLength)
        return false;
    // With no channel there is nothing to take turns over. A count above 255
    // is decoded by its low byte, so the copied format block would claim
    // channels the samples do not have.
    if (channelCount_ == 0 || !channels_ || headerChannelCount_ != channelCount_)
        return false;
    std::fill(channels_.get(), channels_.get() + channelCount_, XaChannelState{});

    uint8_t header[kWavHeaderSize];
    WriteWavHeader(header, input_ + 8, DataSizeFor(inputLength_));
    if (!output_->Truncate(0) || output_->Seek(0, SeekOrigin::Begin) != 0 || !output_->Write(header, sizeof header))
        return false;

    const uint8_t* data = input_ + kMinimumLength;
    const size_t n = inputLength_ - kMinimumLength;
    const size_t count = channelCount_;
    const size_t fullRounds = n / count;
    const size_t roundsPerChunk = kOutputChunk / (4 * count);
    std::vector<uint8_t> chunk(kOutputChunk);

    for (size_t done = 0; done < fullRounds;) {
        const size_t batch = std::min(roundsPerChunk, fullRounds - done);
        size_t outBytes = 0;
        size_t completed = 0;
        const uint8_t* in = data + done * count;
        if (count == 1)
            completed = DecodeRounds<1>(in, batch, 1, channels_.get(), chunk.data(), outBytes);
        else if (count == 2)
            completed = DecodeRounds<2>(in, batch, 2, channels_.get(), chunk.data(), outBytes);
        else
            completed = DecodeRounds<0>(in, batch, channelCount_, channels_.get(), chunk.data(), outBytes);
        if (outBytes != 0 && !output_->Write(chunk.data(), outBytes))
            return false;
        if (completed < batch)
            return false;
        done += batch;
    }

    // A round cut short by the end of the input makes no whole frame, so it
    // writes nothing; its block headers are still checked.
    const size_t tail = n % count;
    if (tail != 0 && channels_[0].tick % kBlockLength == 0) {
        const uint8_t* in = data + fullRounds * count;
        for (size_t i = 0; i < tail; ++i) {
            if ((in[i] >> 4) > 4)
                return false;
        }
    }
    return true;
}

} // namespace vorn

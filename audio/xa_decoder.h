#pragma once

#include "base/byte_stream.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace vorn {

// Predictor state of one channel, all zero before its first block.
struct XaChannelState {
    int32_t s = 0;  // shift index of the current block
    int32_t p1 = 0; // previous sample, full 32-bit value
    int32_t p2 = 0; // the one before it
    float c1 = 0.0f;
    float c2 = 0.0f;
    uint32_t tick = 0; // bytes of this channel consumed so far
};

// Decodes the game's XA sound (24-byte header, then 4-bit ADPCM in blocks of
// 15 bytes per channel, channels taking turns byte by byte) into a WAV image
// with 16-bit samples interleaved frame by frame.
class CXaDecoder {
public:
    static constexpr uint32_t kMinimumLength = 24;

    // Coefficient pairs by block index 0..4, and the step table T[shift][nibble].
    static const std::array<std::array<float, 2>, 5>& Coefficients();
    static const std::array<std::array<int32_t, 16>, 16>& StepTable();

    CXaDecoder();
    ~CXaDecoder();
    CXaDecoder(const CXaDecoder&) = delete;
    CXaDecoder& operator=(const CXaDecoder&) = delete;

    // The input is not owned and must outlive Decode. The channel count is the
    // byte at offset 10 (0 when the input is too short to hold it); the header's
    // own 16-bit count at 10 is kept to check against it.
    void SetInput(const uint8_t* input, uint32_t inputLength, ByteStream* output);
    void SetInput(std::span<const uint8_t> input, ByteStream* output);

    // Replaces the output's content by the WAV image. True on success, including
    // an input that ends inside a block (the samples so far are kept). False for
    // an input under 24 bytes, with no channels or with a header claiming more
    // than 255 (the image's header would disagree with its samples; nothing
    // written), a block
    // whose coefficient index is above 4 (the header and the samples produced
    // before it stay), or an output that refuses the bytes.
    bool Decode();

    // Frees the channel states; SetInput is needed again before decoding.
    void Destroy();

    uint32_t ChannelCount() const { return channelCount_; }
    // The channel count the format block states (16 bits; 0 when too short).
    uint16_t HeaderChannelCount() const { return headerChannelCount_; }
    // D = 4 * (N - N / 15) for N data bytes: the data size the header states.
    static uint32_t DataSizeFor(uint32_t inputLength);

private:
    std::unique_ptr<XaChannelState[]> channels_;
    uint32_t channelCount_ = 0;
    uint16_t headerChannelCount_ = 0;
    const uint8_t* input_ = nullptr;
    uint32_t inputLength_ = 0;
    ByteStream* output_ = nullptr;
};

} // namespace vorn

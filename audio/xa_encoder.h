#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

// Compresses 16-bit PCM into the game's XA sound, the exact inverse layout of
// CXaDecoder: per channel, blocks of a header byte (coefficient index in the
// high half, shift in the low half) and 14 bytes of 28 nibbles, high nibble
// first; channels take turns byte by byte, so one byte of each channel makes
// two interleaved frames.
//
// Each block gets the coefficient pair (0 to 3) and shift (0 to 12) whose
// decoded samples come closest to the input (least squared error), every
// pair and shift being tried in integer arithmetic that gives exactly the
// decoder's samples. Within a block each
// nibble is the one whose decoded sample is nearest; samples that would leave
// the 16-bit range (the decoder does not clamp) are never chosen. Shifts 13
// to 15 are left out: they only give silence here, and other players read
// them as steps.
class XaEncoder {
public:
    static constexpr uint32_t kSamplesPerBlock = 28;
    static constexpr uint32_t kBlockLength = 15;
    static constexpr uint32_t kHeaderLength = 24;

    // The compressed data for `frames` interleaved frames of `channelCount`
    // channels (samples.size() / channelCount frames; a partial last frame is
    // dropped). The last block of each channel is filled up with silence.
    static std::vector<uint8_t> EncodeData(std::span<const int16_t> samples, uint32_t channelCount);

    // A complete XA file: "XAI" and the decoded byte count, the 16-bit PCM
    // format block the decoder copies into its WAV image, then the data.
    // Empty for a channel count of 0 or above 255 (the decoder reads it from
    // one byte) or a sample rate of 0.
    static std::vector<uint8_t> EncodeFile(std::span<const int16_t> samples, uint32_t channelCount,
                                           uint32_t sampleRate);
};

} // namespace vorn

#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorn::testing {

// An XA file: 8 unexamined bytes, a 16-bit PCM format block for `channels` at
// `sampleRate`, then the compressed bytes as given.
std::vector<uint8_t> BuildXa(uint16_t channels, uint32_t sampleRate, std::span<const uint8_t> data);

// One 15-byte block of one channel: the header byte, then 14 data bytes
// (two nibbles each, high first). Missing data bytes are zero.
std::vector<uint8_t> XaBlock(uint8_t header, std::span<const uint8_t> dataBytes);

// A WAV image (44-byte header, 16-bit PCM) holding `samples` interleaved for `channels`.
std::vector<uint8_t> BuildWavImage(uint16_t channels, uint32_t sampleRate, std::span<const int16_t> samples);

} // namespace vorn::testing

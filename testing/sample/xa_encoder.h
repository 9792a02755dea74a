#pragma once

#include <cstdint>
#include <vector>

namespace vorn::sample {

// Compresses 16-bit PCM into the game's XA blocks: per channel, a header byte
// (predictor in the high half, shift in the low half) and 14 bytes of 28
// nibbles; channels take turns byte by byte. Each block's predictor and shift
// are the pair whose decoded samples come closest to the input, found by
// running the decoder's own arithmetic. `channels` holds one sample vector
// per channel, all of the same length.
std::vector<uint8_t> EncodeXaData(const std::vector<std::vector<int16_t>>& channels);

} // namespace vorn::sample

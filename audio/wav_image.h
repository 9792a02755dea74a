#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vorn {

// A WAV image is a complete RIFF/WAVE file held in memory: a 44-byte header
// (RIFF size at 4, the 16-byte PCM format block at 20, "data" and its size D
// at 36 and 40) followed by the samples.
constexpr size_t kWavHeaderSize = 44;

struct WavImageInfo {
    uint32_t riffSize = 0;
    uint16_t formatTag = 0;
    uint16_t channelCount = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint32_t dataSize = 0; // D as the header states it; the image may hold fewer sample bytes
};

// Writes the 44-byte header: "RIFF", D + 36, "WAVEfmt ", 16, the format block, "data", D.
void WriteWavHeader(uint8_t* header, const uint8_t* formatBlock16, uint32_t dataSize);

// The header fields, or nothing when the image is shorter than its header.
std::optional<WavImageInfo> ReadWavImageInfo(std::span<const uint8_t> image);

// The length shown for an image, in whole seconds: (RIFF size - 1) / byte rate + 1
// in unsigned 32-bit arithmetic. A damaged header with byte rate 0 (or an image
// too short to hold the fields) gives 0 rather than dividing by zero.
uint32_t WavLengthSeconds(std::span<const uint8_t> image);

} // namespace vorn

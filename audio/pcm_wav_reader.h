#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

enum class PcmWavStatus {
    Ok,
    NotWav,         // no "RIFF" ... "WAVE" header
    NotPcm16,       // a format other than 16-bit integer PCM
    BadChannels,    // no channels, or more than 255
    BadBlockAlign,  // a block size other than 2 bytes a channel
    BadRate,        // a rate of 0, or one whose bytes a second do not fit 32 bits
    NoData,         // no "fmt " or no "data" chunk
    Truncated,      // the file ends inside a chunk header or before the data the header states
};

// A WAV file's samples as 16-bit PCM, frames interleaved.
struct PcmSound {
    uint16_t channelCount = 0;
    uint32_t sampleRate = 0;
    std::vector<int16_t> samples;
    // For messages about refused files: what the format chunk says.
    uint16_t formatTag = 0;
    uint16_t bitsPerSample = 0;
    uint16_t blockAlign = 0;
};

// Reads a RIFF/WAVE file: chunks in any order, unknown chunks skipped (with
// their pad byte), plain PCM or the extensible format carrying PCM. A
// partial frame at the end of the data is dropped.
class PcmWavReader {
public:
    static PcmWavStatus Read(std::span<const uint8_t> bytes, PcmSound& sound);
};

} // namespace vorn

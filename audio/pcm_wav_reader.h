#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorn {

enum class PcmWavStatus {
    Ok,
    NotWav,         // no "RIFF" ... "WAVE" header
    Unsupported,    // a format other than 8-, 16-, 24- or 32-bit integer or 32- or 64-bit float PCM
    BadChannels,    // no channels, or more than 255
    BadBlockAlign,  // a block size other than the sample size times the channels
    BadRate,        // a rate of 0, or one whose bytes a second do not fit 32 bits
    NoData,         // no "fmt " or no "data" chunk
    Truncated,      // the file ends inside a chunk header or before the data the header states
    Unreadable,     // the sound library refused the samples (PcmSound::problem says why)
};

// A WAV file's samples as 16-bit PCM, frames interleaved.
struct PcmSound {
    uint16_t channelCount = 0;
    uint32_t sampleRate = 0;
    std::vector<int16_t> samples;
    // What the format chunk says, for messages about the file.
    uint16_t formatTag = 0; // 1 integer PCM, 3 float (also when carried by the extensible format)
    uint16_t bitsPerSample = 0;
    uint16_t blockAlign = 0;
    // Samples of another width that were rounded to 16 bits and clipped there.
    bool converted = false;
    uint64_t clippedSamples = 0;
    std::string problem;
};

// Reads a RIFF/WAVE file of integer or float PCM, plain or in the extensible
// format. The container is checked here (chunks in any order, unknown ones
// skipped with their pad byte, a file cut short refused); the samples are
// decoded by libsndfile and brought to 16 bits rounding to the nearest step
// (halves upward) and clipping at the 16-bit range, so a 16-bit sound
// written in any wider format reads back as it was. A partial frame at the
// end of the data is dropped.
class PcmWavReader {
public:
    static PcmWavStatus Read(std::span<const uint8_t> bytes, PcmSound& sound);
};

} // namespace vorn

// WAV files as `wav2xa` reads them; what is accepted must hold whole frames
// of a channel count and rate the XA header can state, and no more samples
// than bytes (8-bit samples take one each).
#include "audio/pcm_wav_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PcmSound sound;
    if (PcmWavReader::Read(std::span<const uint8_t>(data, size), sound) != PcmWavStatus::Ok)
        return 0;
    if (sound.channelCount == 0 || sound.channelCount > 255 || sound.sampleRate == 0 ||
        sound.samples.size() % sound.channelCount != 0 || sound.samples.size() > size)
        abort();
    return 0;
}

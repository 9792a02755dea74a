#include "audio/pcm_wav_reader.h"

#include "base/endian.h"

#include <cstring>
#include <optional>

namespace vorn {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr size_t kFormatMinimum = 16;
// The extensible format's sub-format GUID sits at 24 in its format chunk; a
// PCM one starts with the tag 1.
constexpr size_t kSubFormatOffset = 24;

struct Chunk {
    size_t offset = 0; // of the chunk's data
    uint32_t size = 0;
};

} // namespace

PcmWavStatus PcmWavReader::Read(std::span<const uint8_t> bytes, PcmSound& sound)
{
    sound = PcmSound{};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return PcmWavStatus::NotWav;

    // The RIFF size is often wrong in files written by streaming tools, so
    // the chunks are walked to the end of the bytes instead.
    std::optional<Chunk> format;
    std::optional<Chunk> data;
    size_t at = 12;
    while (at < bytes.size() && !(format && data)) {
        if (bytes.size() - at < 8)
            return PcmWavStatus::Truncated;
        const Chunk chunk{at + 8, LoadLE32(bytes.data() + at + 4)};
        const bool isFormat = std::memcmp(bytes.data() + at, "fmt ", 4) == 0;
        const bool isData = std::memcmp(bytes.data() + at, "data", 4) == 0;
        if (chunk.size > bytes.size() - chunk.offset)
            return PcmWavStatus::Truncated;
        if (isFormat && !format)
            format = chunk;
        if (isData && !data)
            data = chunk;
        at = chunk.offset + chunk.size + (chunk.size & 1);
    }
    if (!format || !data)
        return PcmWavStatus::NoData;
    if (format->size < kFormatMinimum)
        return PcmWavStatus::Truncated;

    const uint8_t* f = bytes.data() + format->offset;
    sound.formatTag = LoadLE16(f);
    const uint16_t channels = LoadLE16(f + 2);
    sound.channelCount = channels;
    sound.sampleRate = LoadLE32(f + 4);
    const uint16_t blockAlign = LoadLE16(f + 12);
    sound.blockAlign = blockAlign;
    sound.bitsPerSample = LoadLE16(f + 14);
    bool pcm = sound.formatTag == kFormatPcm;
    if (sound.formatTag == kFormatExtensible && format->size >= kSubFormatOffset + 2)
        pcm = LoadLE16(f + kSubFormatOffset) == kFormatPcm;
    if (!pcm || sound.bitsPerSample != 16)
        return PcmWavStatus::NotPcm16;
    if (channels == 0 || channels > 255)
        return PcmWavStatus::BadChannels;
    if (blockAlign != 2 * channels)
        return PcmWavStatus::BadBlockAlign;
    // The bytes a second are a 32-bit field of both WAV and XA headers.
    if (sound.sampleRate == 0 || static_cast<uint64_t>(sound.sampleRate) * blockAlign > UINT32_MAX)
        return PcmWavStatus::BadRate;

    const size_t frames = data->size / blockAlign;
    sound.samples.resize(frames * channels);
    const uint8_t* s = bytes.data() + data->offset;
    for (size_t i = 0; i < sound.samples.size(); ++i)
        sound.samples[i] = static_cast<int16_t>(LoadLE16(s + 2 * i));
    return PcmWavStatus::Ok;
}

} // namespace vorn

#include "audio/wav_image.h"

#include "base/endian.h"

#include <cstring>

namespace vorn {

void WriteWavHeader(uint8_t* header, const uint8_t* formatBlock16, uint32_t dataSize)
{
    std::memcpy(header, "RIFF", 4);
    StoreLE32(header + 4, dataSize + 36);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    StoreLE32(header + 16, 16);
    std::memcpy(header + 20, formatBlock16, 16);
    std::memcpy(header + 36, "data", 4);
    StoreLE32(header + 40, dataSize);
}

std::optional<WavImageInfo> ReadWavImageInfo(std::span<const uint8_t> image)
{
    if (image.size() < kWavHeaderSize)
        return std::nullopt;
    const uint8_t* p = image.data();
    WavImageInfo info;
    info.riffSize = LoadLE32(p + 4);
    info.formatTag = LoadLE16(p + 20);
    info.channelCount = LoadLE16(p + 22);
    info.sampleRate = LoadLE32(p + 24);
    info.byteRate = LoadLE32(p + 28);
    info.blockAlign = LoadLE16(p + 32);
    info.bitsPerSample = LoadLE16(p + 34);
    info.dataSize = LoadLE32(p + 40);
    return info;
}

uint32_t WavLengthSeconds(std::span<const uint8_t> image)
{
    if (image.size() < 32)
        return 0;
    const uint32_t riffSize = LoadLE32(image.data() + 4);
    const uint32_t byteRate = LoadLE32(image.data() + 28);
    if (byteRate == 0)
        return 0;
    return (riffSize - 1) / byteRate + 1;
}

} // namespace vorn

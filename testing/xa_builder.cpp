#include "testing/xa_builder.h"

#include "base/endian.h"

#include <algorithm>
#include <cstring>

namespace vorn::testing {

namespace {

void StoreFormatBlock(uint8_t* p, uint16_t channels, uint32_t sampleRate)
{
    const auto blockAlign = static_cast<uint16_t>(channels * 2);
    StoreLE16(p, 1);
    StoreLE16(p + 2, channels);
    StoreLE32(p + 4, sampleRate);
    StoreLE32(p + 8, sampleRate * blockAlign);
    StoreLE16(p + 12, blockAlign);
    StoreLE16(p + 14, 16);
}

} // namespace

std::vector<uint8_t> BuildXa(uint16_t channels, uint32_t sampleRate, std::span<const uint8_t> data)
{
    std::vector<uint8_t> xa(24 + data.size(), 0);
    std::memcpy(xa.data(), "XA", 2);
    StoreLE32(xa.data() + 4, static_cast<uint32_t>(data.size()));
    StoreFormatBlock(xa.data() + 8, channels, sampleRate);
    std::copy(data.begin(), data.end(), xa.begin() + 24);
    return xa;
}

std::vector<uint8_t> XaBlock(uint8_t header, std::span<const uint8_t> dataBytes)
{
    std::vector<uint8_t> block(15, 0);
    block[0] = header;
    std::copy_n(dataBytes.begin(), std::min<size_t>(dataBytes.size(), 14), block.begin() + 1);
    return block;
}

std::vector<uint8_t> BuildWavImage(uint16_t channels, uint32_t sampleRate, std::span<const int16_t> samples)
{
    const auto dataSize = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> image(44 + dataSize, 0);
    uint8_t* p = image.data();
    std::memcpy(p, "RIFF", 4);
    StoreLE32(p + 4, dataSize + 36);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    StoreLE32(p + 16, 16);
    StoreFormatBlock(p + 20, channels, sampleRate);
    std::memcpy(p + 36, "data", 4);
    StoreLE32(p + 40, dataSize);
    for (size_t i = 0; i < samples.size(); ++i)
        StoreLE16(p + 44 + 2 * i, static_cast<uint16_t>(samples[i]));
    return image;
}

} // namespace vorn::testing

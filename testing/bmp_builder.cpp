#include "testing/bmp_builder.h"

namespace vorn::testing {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

} // namespace

std::vector<uint8_t> BuildBmp(const BmpLayout& layout)
{
    std::vector<uint8_t> info;
    Put32(info, layout.headerSize);
    Put32(info, static_cast<uint32_t>(layout.width));
    Put32(info, static_cast<uint32_t>(layout.height));
    Put16(info, 1);
    Put16(info, layout.bitsPerPixel);
    Put32(info, layout.compression);
    Put32(info, static_cast<uint32_t>(layout.pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, layout.coloursUsed);
    Put32(info, 0);
    if (layout.headerSize > 40)
        info.resize(layout.headerSize, 0);
    for (uint32_t mask : layout.masks)
        Put32(info, mask);
    for (uint32_t colour : layout.colours) {
        info.push_back(static_cast<uint8_t>(colour));
        info.push_back(static_cast<uint8_t>(colour >> 8));
        info.push_back(static_cast<uint8_t>(colour >> 16));
        info.push_back(0);
    }
    info.resize(info.size() + layout.gapBeforePixels, 0xEE);

    const uint32_t offset = 14 + static_cast<uint32_t>(info.size());
    std::vector<uint8_t> file{'B', 'M'};
    Put32(file, offset + static_cast<uint32_t>(layout.pixels.size()));
    Put32(file, 0);
    Put32(file, layout.pixelOffset.value_or(offset));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
    return file;
}

std::vector<uint8_t> PadRows(const std::vector<std::vector<uint8_t>>& rows)
{
    std::vector<uint8_t> out;
    for (const std::vector<uint8_t>& row : rows) {
        out.insert(out.end(), row.begin(), row.end());
        out.resize(out.size() + (4 - row.size() % 4) % 4, 0);
    }
    return out;
}

} // namespace vorn::testing

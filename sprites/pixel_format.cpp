#include "sprites/pixel_format.h"

#include <cstdlib>
#include <string>

namespace vorn {

namespace {

struct MaskRow {
    PixelType type;
    uint32_t red;
    uint32_t green;
    uint32_t blue;
};

// The 16-bit layouts told apart by where pure red, green and blue land.
constexpr MaskRow kSixteenBitLayouts[] = {
    {PixelType::t555, 0x7C00, 0x03E0, 0x001F},
    {PixelType::t565, 0xF800, 0x07E0, 0x001F},
    {PixelType::t655, 0xF800, 0x07C0, 0x003F},
    {PixelType::t556, 0xFC00, 0x03E0, 0x001F},
};

PixelInfo Forced(PixelType type, int bitsPerPixel, uint32_t red, uint32_t green, uint32_t blue)
{
    return PixelInfo{type, bitsPerPixel, red, green, blue};
}

} // namespace

PixelType ClassifyPixelType(int bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask)
{
    switch (bitsPerPixel) {
    case 8:
        return PixelType::t8bits;
    case 24:
        return PixelType::t24bits;
    case 32:
        return PixelType::t32bits;
    case 16:
        for (const MaskRow& row : kSixteenBitLayouts)
            if (row.red == redMask && row.green == greenMask && row.blue == blueMask)
                return row.type;
        return PixelType::tUnknown;
    default:
        return PixelType::tUnknown;
    }
}

uint32_t FirstPixelValue(std::span<const uint8_t> bits, int bitsPerPixel)
{
    const size_t bytes = bitsPerPixel <= 8 ? 1 : bitsPerPixel <= 16 ? 2 : 4;
    if (bits.size() < bytes)
        return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(bits[i]) << (8 * i);
    return value;
}

std::optional<PixelInfo> PixelInfoFromProbe(int bitsPerPixel, uint32_t redValue, uint32_t greenValue,
                                            uint32_t blueValue)
{
    if (bitsPerPixel <= 0 || bitsPerPixel > 32)
        return std::nullopt;
    return PixelInfo{ClassifyPixelType(bitsPerPixel, redValue, greenValue, blueValue), bitsPerPixel, redValue,
                     greenValue, blueValue};
}

std::optional<PixelInfo> PixelInfoOverride()
{
    const char* value = std::getenv(kPixelFormatVariable);
    if (value == nullptr)
        return std::nullopt;
    const std::string text(value);
    if (text == "15")
        return Forced(PixelType::t555, 16, 0x7C00, 0x03E0, 0x001F);
    if (text == "16")
        return Forced(PixelType::t565, 16, 0xF800, 0x07E0, 0x001F);
    if (text == "24")
        return Forced(PixelType::t24bits, 24, 0xFF0000, 0x00FF00, 0x0000FF);
    if (text == "32")
        return Forced(PixelType::t32bits, 32, 0xFF0000, 0x00FF00, 0x0000FF);
    return std::nullopt;
}

std::optional<PixelInfo> ResolvePixelInfo(const std::optional<PixelInfo>& probed)
{
    if (std::optional<PixelInfo> forced = PixelInfoOverride())
        return forced;
    return probed;
}

int RenderBitsPerPixel(PixelType type)
{
    switch (type) {
    case PixelType::t555:
        return 15;
    case PixelType::t565:
        return 16;
    case PixelType::t32bits:
        return 32;
    default:
        return 24;
    }
}

int RenderBitsPerPixel(const std::optional<PixelInfo>& info) { return info ? RenderBitsPerPixel(info->type) : 24; }

std::string_view PixelTypeText(PixelType type)
{
    switch (type) {
    case PixelType::t555:
        return "Pixel type: t555";
    case PixelType::t565:
        return "Pixel type: t565";
    case PixelType::t655:
        return "Pixel type: t655";
    case PixelType::t556:
        return "Pixel type: t556";
    case PixelType::t24bits:
        return "Pixel type: t24bits";
    case PixelType::t32bits:
        return "Pixel type: t32bits";
    default:
        return "Pixel type: tUnknown";
    }
}

} // namespace vorn

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vorn {

// The display's pixel layout as the probe of a 1x1 native image finds it.
// The values are the type numbers the preview dialog traces.
enum class PixelType : int {
    tUnknown = 0, // any other depth, or 16 bits with other masks
    t8bits = 1,   // palette-indexed; shown as "tUnknown"
    t555 = 2,
    t565 = 3,
    t655 = 4,
    t556 = 5,
    t24bits = 6,
    t32bits = 7,
};

// What the probe learnt: the classified type, the image's bits per pixel and
// the pixel values read back for pure red, green and blue.
struct PixelInfo {
    PixelType type = PixelType::tUnknown;
    int bitsPerPixel = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
};

// The environment variable that forces the pixel layout instead of probing
// the display: "15", "16", "24" or "32" stand for the probe results of a
// t555, t565, t24bits or t32bits display. Any other value is ignored.
constexpr const char* kPixelFormatVariable = "VORN_PIXEL_FORMAT";

// Trace text for a failed probe.
constexpr std::string_view kPixelTypeErrorText = "Pixel type: Error while RetrieveInfo(&dc)";

// Classifies a probed depth and masks: 8 -> t8bits, 24 -> t24bits,
// 32 -> t32bits, 16 by the three masks (t555, t565, t655, t556, else
// tUnknown), anything else tUnknown.
PixelType ClassifyPixelType(int bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

// The first pixel of a probe image's bits: 1 byte when bitsPerPixel <= 8,
// 2 bytes (little-endian) when <= 16, else 4 bytes; 0 when `bits` is too short.
uint32_t FirstPixelValue(std::span<const uint8_t> bits, int bitsPerPixel);

// The whole probe after the platform has set the single pixel to pure blue,
// green and red in turn and read the value back each time: none when the
// depth is 0 or above 32, else the classified info.
std::optional<PixelInfo> PixelInfoFromProbe(int bitsPerPixel, uint32_t redValue, uint32_t greenValue,
                                            uint32_t blueValue);

// The info forced by kPixelFormatVariable, or none when it is unset or not
// one of the four values.
std::optional<PixelInfo> PixelInfoOverride();

// The override when set, else `probed` (none for a failed probe).
std::optional<PixelInfo> ResolvePixelInfo(const std::optional<PixelInfo>& probed);

// The colour plane's bits per pixel for a display: t555 -> 15, t565 -> 16,
// t32bits -> 32, every other type and a failed probe (none) -> 24.
int RenderBitsPerPixel(PixelType type);
int RenderBitsPerPixel(const std::optional<PixelInfo>& info);

// "Pixel type: t555" ... "Pixel type: t32bits" for types 2 to 7,
// "Pixel type: tUnknown" for the others.
std::string_view PixelTypeText(PixelType type);

} // namespace vorn

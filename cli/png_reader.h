#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

enum class PngReadStatus {
    Ok,
    NotPng,   // not a PNG, or damaged or cut short (libpng refused it)
    TooLarge, // beyond the limits (the picture then holds the size its header states)
};

// The largest picture to decode: no side above `maxSide`, no more than
// `maxPixels` pixels in all.
struct PngLimits {
    uint32_t maxSide = 0;
    uint64_t maxPixels = 0;
};

// A decoded PNG: 8 bits per channel, top row first, no row padding.
struct PngPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    // Whether the file itself has an alpha channel (or a transparent colour);
    // without one, RGBA pixels come out opaque.
    bool hasAlpha = false;
    std::vector<uint8_t> pixels;
};

// Decodes any PNG (grey, RGB, indexed, with or without alpha, 1 to 16 bits
// per channel), converted by libpng to RGBA (4 bytes a pixel) or to 8-bit
// grey (1 byte). The size is checked from the header before anything is
// decoded or allocated.
class PngReader {
public:
    static PngReadStatus ReadRgba(std::span<const uint8_t> bytes, PngLimits limits, PngPicture& picture);
    static PngReadStatus ReadGrey(std::span<const uint8_t> bytes, PngLimits limits, PngPicture& picture);
};

} // namespace vorn

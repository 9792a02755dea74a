#include "cli/png_reader.h"

#include "base/endian.h"

#include <cstring>
#include <new>
#include <png.h>

namespace vorn {

namespace {

// The signature, then the IHDR chunk's length and type, then its width and height.
constexpr size_t kIhdrSizeEnd = 24;

PngReadStatus Read(std::span<const uint8_t> bytes, PngLimits limits, uint32_t format, PngPicture& picture)
{
    picture = PngPicture{};
    if (bytes.size() < kIhdrSizeEnd || png_sig_cmp(bytes.data(), 0, 8) != 0 ||
        std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
        return PngReadStatus::NotPng;
    // Taken from the header itself, so that a size libpng would refuse by its
    // own limits, or whose buffer size overflows its 32-bit arithmetic, is
    // still named as too large.
    const uint32_t width = LoadBE32(bytes.data() + 16);
    const uint32_t height = LoadBE32(bytes.data() + 20);
    if (width > limits.maxSide || height > limits.maxSide || uint64_t{width} * height > limits.maxPixels) {
        picture.width = width;
        picture.height = height;
        return PngReadStatus::TooLarge;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return PngReadStatus::NotPng;
    // libpng takes 16-bit samples without a gamma chunk for linear light and
    // brightens them on the way to 8 bits; editors write them in the same
    // encoding as 8-bit ones (and a depth is no light at all), so they are
    // only narrowed.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    const uint32_t fileFormat = image.format;
    image.format = format;
    try {
        picture.pixels.resize(PNG_IMAGE_SIZE(image));
    } catch (const std::bad_alloc&) {
        png_image_free(&image);
        picture.width = width;
        picture.height = height;
        return PngReadStatus::TooLarge;
    }
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        picture.pixels.clear();
        return PngReadStatus::NotPng;
    }
    picture.width = image.width;
    picture.height = image.height;
    picture.hasAlpha = (fileFormat & PNG_FORMAT_FLAG_ALPHA) != 0;
    return PngReadStatus::Ok;
}

} // namespace

PngReadStatus PngReader::ReadRgba(std::span<const uint8_t> bytes, PngLimits limits, PngPicture& picture)
{
    return Read(bytes, limits, PNG_FORMAT_RGBA, picture);
}

PngReadStatus PngReader::ReadGrey(std::span<const uint8_t> bytes, PngLimits limits, PngPicture& picture)
{
    return Read(bytes, limits, PNG_FORMAT_GRAY, picture);
}

} // namespace vorn

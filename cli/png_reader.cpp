#include "cli/png_reader.h"

#include <new>
#include <png.h>

namespace vorn {

namespace {

PngReadStatus Read(std::span<const uint8_t> bytes, uint32_t maxSide, uint32_t format, PngPicture& picture)
{
    picture = PngPicture{};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0 ||
        !png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return PngReadStatus::NotPng;
    if (image.width > maxSide || image.height > maxSide) {
        picture.width = image.width;
        picture.height = image.height;
        png_image_free(&image);
        return PngReadStatus::TooLarge;
    }
    // libpng takes 16-bit samples without a gamma chunk for linear light and
    // brightens them on the way to 8 bits; editors write them in the same
    // encoding as 8-bit ones (and a depth is no light at all), so they are
    // only narrowed.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = format;
    try {
        picture.pixels.resize(PNG_IMAGE_SIZE(image));
    } catch (const std::bad_alloc&) {
        png_image_free(&image);
        return PngReadStatus::TooLarge;
    }
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        picture.pixels.clear();
        return PngReadStatus::NotPng;
    }
    picture.width = image.width;
    picture.height = image.height;
    return PngReadStatus::Ok;
}

} // namespace

PngReadStatus CPngReader::ReadRgba(std::span<const uint8_t> bytes, uint32_t maxSide, PngPicture& picture)
{
    return Read(bytes, maxSide, PNG_FORMAT_RGBA, picture);
}

PngReadStatus CPngReader::ReadGrey(std::span<const uint8_t> bytes, uint32_t maxSide, PngPicture& picture)
{
    return Read(bytes, maxSide, PNG_FORMAT_GRAY, picture);
}

} // namespace vorn

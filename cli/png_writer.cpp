#include "cli/png_writer.h"

#include <csetjmp>
#include <new>
#include <png.h>

namespace vorn {

namespace {

struct PngSink {
    std::vector<uint8_t>* bytes;
    bool failed;
};

void AppendBytes(png_structp png, png_bytep data, size_t length)
{
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    if (sink->failed)
        return;
    try {
        sink->bytes->insert(sink->bytes->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        sink->failed = true; // checked when libpng returns; it must not be unwound through
    }
}

void Flush(png_structp) {}

[[noreturn]] void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void Ignore(png_structp, png_const_charp) {}

// Kept free of objects with destructors: libpng reports errors by longjmp.
bool Encode(const uint8_t* pixels, uint32_t width, uint32_t height, int colourType, size_t bytesPerPixel,
            png_bytep* rows, PngSink& sink)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, AppendBytes, Flush);
    // One filter and a fast deflate level instead of libpng's trial of all
    // five filters per row at level 6: about a third of the time for files
    // about twice the size, which for sprites is still a few kilobytes.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    for (uint32_t row = 0; row < height; ++row)
        rows[row] = const_cast<png_bytep>(pixels + static_cast<size_t>(row) * width * bytesPerPixel);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::vector<uint8_t> EncodePng(std::span<const uint8_t> pixels, uint32_t width, uint32_t height, int colourType,
                               size_t bytesPerPixel)
{
    std::vector<uint8_t> bytes;
    const size_t rowBytes = bytesPerPixel * width;
    if (width == 0 || height == 0 || pixels.size() / rowBytes != height || pixels.size() % rowBytes != 0)
        return bytes;
    try {
        std::vector<png_bytep> rows(height);
        // One allocation for most pictures: the compressed image rarely
        // outgrows a quarter of its pixels plus the chunk headers.
        bytes.reserve(pixels.size() / 4 + 256);
        PngSink sink{&bytes, false};
        if (!Encode(pixels.data(), width, height, colourType, bytesPerPixel, rows.data(), sink) || sink.failed)
            bytes.clear();
    } catch (const std::bad_alloc&) {
        bytes.clear();
    }
    return bytes;
}

} // namespace

std::vector<uint8_t> EncodeRgbPng(std::span<const uint8_t> rgb, uint32_t width, uint32_t height)
{
    return EncodePng(rgb, width, height, PNG_COLOR_TYPE_RGB, 3);
}

std::vector<uint8_t> EncodeGreyPng(std::span<const uint8_t> grey, uint32_t width, uint32_t height)
{
    return EncodePng(grey, width, height, PNG_COLOR_TYPE_GRAY, 1);
}

std::vector<uint8_t> EncodeRgbaPng(std::span<const uint8_t> rgba, uint32_t width, uint32_t height)
{
    return EncodePng(rgba, width, height, PNG_COLOR_TYPE_RGB_ALPHA, 4);
}

} // namespace vorn

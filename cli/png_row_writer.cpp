#include "cli/png_row_writer.h"

#include <csetjmp>
#include <new>
#include <png.h>

namespace vorn {

namespace {

struct SinkState {
    PngRowWriter::Sink* sink = nullptr;
    bool failed = false;
};

void WriteBytes(png_structp png, png_bytep data, size_t length)
{
    auto* state = static_cast<SinkState*>(png_get_io_ptr(png));
    // Exceptions must not be unwound through libpng; a failure is checked
    // when it returns.
    try {
        if (!state->failed && !(*state->sink)(std::span<const uint8_t>(data, length)))
            state->failed = true;
    } catch (...) {
        state->failed = true;
    }
}

void Flush(png_structp) {}

[[noreturn]] void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void Ignore(png_structp, png_const_charp) {}

// Each call into libpng sits in a function free of objects with
// destructors, as libpng reports errors by longjmp.
bool WriteHeader(png_structp png, png_infop info, uint32_t width, uint32_t height)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    return true;
}

bool WriteRow(png_structp png, const uint8_t* row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_row(png, row);
    return true;
}

bool WriteEnd(png_structp png)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_end(png, nullptr);
    return true;
}

} // namespace

struct PngRowWriter::Codec {
    png_structp png = nullptr;
    png_infop info = nullptr;
    SinkState state;

    ~Codec() { png_destroy_write_struct(&png, &info); }
};

PngRowWriter::PngRowWriter(Sink sink) : sink_(std::move(sink)) {}

PngRowWriter::~PngRowWriter() = default;

bool PngRowWriter::Begin(uint32_t width, uint32_t height)
{
    if (codec_ || failed_ || width == 0 || height == 0)
        return false;
    codec_.reset(new (std::nothrow) Codec);
    if (codec_)
        codec_->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
    if (codec_ && codec_->png != nullptr)
        codec_->info = png_create_info_struct(codec_->png);
    if (!codec_ || codec_->info == nullptr)
        return Failed();
    codec_->state.sink = &sink_;
    png_set_write_fn(codec_->png, &codec_->state, WriteBytes, Flush);
    width_ = width;
    height_ = height;
    if (!WriteHeader(codec_->png, codec_->info, width, height) || codec_->state.failed)
        return Failed();
    return true;
}

bool PngRowWriter::WriteRows(std::span<const uint8_t> rgb)
{
    if (!codec_ || failed_ || rgb.size() % RowBytes() != 0 || rgb.size() / RowBytes() > height_ - written_)
        return Failed();
    for (size_t offset = 0; offset < rgb.size(); offset += RowBytes(), ++written_)
        if (!WriteRow(codec_->png, rgb.data() + offset) || codec_->state.failed)
            return Failed();
    return true;
}

bool PngRowWriter::Finish()
{
    if (!codec_ || failed_ || written_ != height_ || !WriteEnd(codec_->png) || codec_->state.failed)
        return Failed();
    return true;
}

bool PngRowWriter::Failed()
{
    failed_ = true;
    return false;
}

} // namespace vorn

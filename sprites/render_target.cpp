#include "sprites/render_target.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace vorn {

namespace {

int BytesFor(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 15:
    case 16:
        return 2;
    case 24:
        return 3;
    case 32:
        return 4;
    default:
        return 0;
    }
}

size_t RoundUp4(size_t value) { return (value + 3) & ~static_cast<size_t>(3); }

} // namespace

bool RenderTarget::Allocate(int32_t width, int32_t height, int bitsPerPixel, size_t colourStride)
{
    Release();
    const int bytes = BytesFor(bitsPerPixel);
    if (width < 1 || height < 1 || bytes == 0)
        return false;
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytes);
    const size_t stride = colourStride == 0 ? RoundUp4(rowBytes) : colourStride;
    const size_t depthStride = RoundUp4(static_cast<size_t>(width));
    const size_t rows = static_cast<size_t>(height);
    // Both sizes must fit in memory's address range before anything is asked for.
    if (stride < rowBytes || stride > SIZE_MAX / rows || depthStride > SIZE_MAX / rows)
        return false;
    try {
        colour_.assign(stride * rows, 0);
        depth_.assign(depthStride * rows, 255);
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    } catch (const std::length_error&) {
        Release();
        return false;
    }
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    colourStride_ = stride;
    depthStride_ = depthStride;
    ResetRowCursors();
    MarkDepthClean();
    return true;
}

void RenderTarget::Release()
{
    std::vector<uint8_t>().swap(colour_);
    std::vector<uint8_t>().swap(depth_);
    width_ = 0;
    height_ = 0;
    bitsPerPixel_ = 0;
    colourStride_ = 0;
    depthStride_ = 0;
    depthTracked_ = false;
    ResetRowCursors();
}

int RenderTarget::BytesPerPixel() const { return HasPlanes() ? BytesFor(bitsPerPixel_) : 0; }

uint8_t* RenderTarget::ColourRowFromTop(int32_t row)
{
    return const_cast<uint8_t*>(std::as_const(*this).ColourRowFromTop(row));
}

const uint8_t* RenderTarget::ColourRowFromTop(int32_t row) const
{
    if (!HasPlanes() || row < 0 || row >= height_)
        return nullptr;
    return colour_.data() + static_cast<size_t>(height_ - 1 - row) * colourStride_;
}

uint8_t* RenderTarget::DepthRowFromTop(int32_t row)
{
    depthTracked_ = false;
    return const_cast<uint8_t*>(std::as_const(*this).DepthRowFromTop(row));
}

uint8_t* RenderTarget::DepthRowForWriting(int64_t row, int64_t firstColumn, int64_t lastColumn)
{
    dirtyLow_ = std::min(dirtyLow_, row);
    dirtyHigh_ = std::max(dirtyHigh_, row);
    dirtyLeft_ = std::min(dirtyLeft_, firstColumn);
    dirtyRight_ = std::max(dirtyRight_, lastColumn);
    return depth_.data() + static_cast<size_t>(row) * depthStride_;
}

void RenderTarget::MarkDepthClean()
{
    depthTracked_ = true;
    dirtyLow_ = INT64_MAX;
    dirtyHigh_ = -1;
    dirtyLeft_ = INT64_MAX;
    dirtyRight_ = -1;
}

const uint8_t* RenderTarget::DepthRowFromTop(int32_t row) const
{
    if (!HasPlanes() || row < 0 || row >= height_)
        return nullptr;
    return depth_.data() + static_cast<size_t>(height_ - 1 - row) * depthStride_;
}

void RenderTarget::FillDepth(uint8_t depth)
{
    if (!HasPlanes())
        return;
    if (depth == 255 && depthTracked_) {
        if (dirtyLow_ <= dirtyHigh_)
            for (int64_t row = dirtyLow_; row <= dirtyHigh_; ++row)
                std::fill(depth_.data() + static_cast<size_t>(row) * depthStride_ + dirtyLeft_,
                          depth_.data() + static_cast<size_t>(row) * depthStride_ + dirtyRight_ + 1, depth);
    } else {
        for (int32_t row = 0; row < height_; ++row)
            std::fill_n(depth_.data() + static_cast<size_t>(row) * depthStride_, width_, depth);
    }
    if (depth == 255)
        MarkDepthClean();
    else
        depthTracked_ = false;
}

void RenderTarget::FillColour(uint8_t red, uint8_t green, uint8_t blue)
{
    if (!HasPlanes())
        return;
    uint8_t pixel[4] = {blue, green, red, 0};
    const int bytes = BytesFor(bitsPerPixel_);
    if (bitsPerPixel_ == 15 || bitsPerPixel_ == 16) {
        const uint16_t value = bitsPerPixel_ == 15
                                   ? static_cast<uint16_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3))
                                   : static_cast<uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
        pixel[0] = static_cast<uint8_t>(value);
        pixel[1] = static_cast<uint8_t>(value >> 8);
    }
    for (int32_t row = 0; row < height_; ++row) {
        uint8_t* out = colour_.data() + static_cast<size_t>(row) * colourStride_;
        for (int32_t column = 0; column < width_; ++column, out += bytes)
            std::copy_n(pixel, bytes, out);
    }
}

void RenderTarget::ResetRowCursors()
{
    currentRow = kNoRow;
    nextRow = static_cast<int64_t>(height_) - 1;
}

} // namespace vorn

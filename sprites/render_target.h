#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorn {

// The off-screen picture sprites are drawn into: a colour plane in one of the
// four writer layouts and an 8-bit depth plane (255 = farthest). Both planes
// are stored bottom-up: row 0 in memory is the bottom row of the picture, so
// the picture's top row is the last one. The target owns its planes, which
// is what lets every writer check its rows and columns against them.
//
// Colour layouts by bits per pixel (multi-byte values little-endian):
//   15: 16-bit ((R >> 3) << 10) | ((G >> 3) << 5) | (B >> 3)
//   16: 16-bit ((R >> 3) << 11) | ((G >> 2) << 5) | (B >> 3)
//   24: bytes B, G, R
//   32: bytes B, G, R, 0
class RenderTarget {
public:
    // Row index of the row cursors when there is no row (before the first row start).
    static constexpr int64_t kNoRow = INT64_MIN;

    RenderTarget() = default;

    // Allocates both planes for `width` x `height` pixels at `bitsPerPixel`
    // (15, 16, 24 or 32): the colour plane with rows of `colourStride` bytes
    // (0 picks width * bytes per pixel rounded up to a multiple of 4; a given
    // stride must hold a whole row), the depth plane with rows of width
    // rounded up to a multiple of 4. The colour plane starts zeroed, the depth
    // plane at 255. False, with no planes, for a width or height below 1, an
    // unknown bits-per-pixel value, a too-small stride or when memory cannot
    // be had.
    bool Allocate(int32_t width, int32_t height, int bitsPerPixel, size_t colourStride = 0);
    // Drops both planes; the target then has no planes (HasPlanes() false).
    void Release();

    bool HasPlanes() const { return !colour_.empty() && !depth_.empty(); }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    // 2, 2, 3 or 4 for 15, 16, 24 and 32 bits per pixel; 0 without planes.
    int BytesPerPixel() const;

    uint8_t* ColourPlane() { return colour_.data(); }
    const uint8_t* ColourPlane() const { return colour_.data(); }
    size_t ColourStride() const { return colourStride_; }
    // Writing through the mutable depth accessors is not tracked: after using
    // one, the next FillDepth(255) fills the whole plane again.
    uint8_t* DepthPlane()
    {
        depthTracked_ = false;
        return depth_.data();
    }
    const uint8_t* DepthPlane() const { return depth_.data(); }
    size_t DepthStride() const { return depthStride_; }

    // Row `row` of the picture counted from the top edge (0 = top), as it lies
    // in the bottom-up planes; null outside 0..Height()-1.
    uint8_t* ColourRowFromTop(int32_t row);
    const uint8_t* ColourRowFromTop(int32_t row) const;
    uint8_t* DepthRowFromTop(int32_t row);
    const uint8_t* DepthRowFromTop(int32_t row) const;

    // Sets the first Width() bytes of every depth row to `depth`. Filling
    // with 255 touches only what the decoders wrote since the plane was last
    // all 255, which is what makes the reset between the tiles of an object cheap.
    void FillDepth(uint8_t depth = 255);

    // For the decoders: depth row `row` (bottom-up index, 0..Height()-1),
    // noting columns firstColumn..lastColumn (inside the row) as written.
    uint8_t* DepthRowForWriting(int64_t row, int64_t firstColumn, int64_t lastColumn);
    // Paints every pixel with (red, green, blue) in the plane's layout.
    void FillColour(uint8_t red, uint8_t green, uint8_t blue);

    // Where the frame being drawn goes and how (set per frame by the object
    // renderer): x, y of the frame's top-left pixel counted from the left and
    // top edges, the depth bias added to every pixel's depth, and whether the
    // frame is drawn mirrored left to right.
    int32_t x = 0;
    int32_t y = 0;
    int32_t depthBias = 0;
    bool mirror = false;
    // Leaves out the pixels (colour and depth) of each frame's transparent
    // colour index: some frames mark their alpha-0 pixels with it in a pure
    // colour that only a background of that colour hides.
    bool hideTransparentIndex = false;

    // Row cursors of the frame being decoded, as row indices into the
    // bottom-up planes (0 = bottom row, shared by both planes): the current
    // row pixels go to (kNoRow before the first row start) and the row the
    // next row start moves to. They may run below 0 (and far below for large
    // y); nothing is written unless the current row lies inside the planes.
    int64_t currentRow = kNoRow;
    int64_t nextRow = 0;
    // Points the next-row cursor at the top row and clears the current row.
    void ResetRowCursors();

private:
    void MarkDepthClean();

    int32_t width_ = 0;
    int32_t height_ = 0;
    int bitsPerPixel_ = 0;
    size_t colourStride_ = 0;
    size_t depthStride_ = 0;
    std::vector<uint8_t> colour_;
    std::vector<uint8_t> depth_;
    // While depthTracked_, every depth byte outside the rows dirtyLow_..dirtyHigh_
    // and columns dirtyLeft_..dirtyRight_ is 255 (no rows: dirtyLow_ > dirtyHigh_).
    bool depthTracked_ = false;
    int64_t dirtyLow_ = 0;
    int64_t dirtyHigh_ = -1;
    int64_t dirtyLeft_ = 0;
    int64_t dirtyRight_ = -1;
};

} // namespace vorn

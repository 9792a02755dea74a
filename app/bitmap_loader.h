#pragma once

#include "base/byte_stream.h"
#include "sprites/bmp_decoder.h"

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>
#include <optional>

namespace vorn {

// A BMP picture ready to show: the pixels in the screen's 32-bit format and,
// for pictures of at most 256 colours, the picture's own palette (its colour
// table as red, green, blue).
struct BitmapPicture {
    QImage image;
    QList<QRgb> palette;
    bool hasPalette = false;
};

// Loads a BMP file (information header of 40 bytes or one of the longer
// versions; 1, 4, 8, 16, 24 or 32 bits per pixel, uncompressed, RLE8, RLE4
// or bit fields) from the whole of `stream`. Empty when the file is not
// "BM"-typed, is cut short, describes more pixels than its bytes hold, or is
// larger than kMaxSide on a side; nothing is ever read past its bytes.
class BitmapLoader {
public:
    // The checks are BmpLayout's, shared with the decoder vorn-cli uses.
    static constexpr int32_t kMaxSide = BmpLayout::kMaxSide;

    static std::optional<BitmapPicture> Load(ByteStream& stream);
};

} // namespace vorn

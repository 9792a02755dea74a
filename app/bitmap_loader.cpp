#include "app/bitmap_loader.h"

#include "base/endian.h"
#include "sprites/bmp_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <new>
#include <vector>

namespace vorn {

namespace {

constexpr size_t kFileHeaderSize = BmpLayout::kFileHeaderSize;

} // namespace

std::optional<BitmapPicture> BitmapLoader::Load(ByteStream& stream)
{
    uint8_t fileHeader[kFileHeaderSize];
    if (stream.Seek(0, SeekOrigin::Begin) != 0 || !stream.ReadExact(fileHeader, sizeof fileHeader))
        return std::nullopt;
    if (LoadLE16(fileHeader) != 0x4D42) // "BM"
        return std::nullopt;
    const int64_t length = stream.Length();
    if (length < static_cast<int64_t>(kFileHeaderSize) || static_cast<uint64_t>(length) > SIZE_MAX / 2)
        return std::nullopt;

    // The whole file in one buffer: the image reader below decodes it in place.
    std::vector<uint8_t> file;
    try {
        file.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::copy(fileHeader, fileHeader + kFileHeaderSize, file.begin());
    if (!stream.ReadExact(file.data() + kFileHeaderSize, file.size() - kFileHeaderSize))
        return std::nullopt;

    const std::optional<BmpLayout> layout = BmpLayout::Read(file);
    if (!layout)
        return std::nullopt;

    // Only colours the file really holds: a 32-bit picture's count of 2 to
    // the 0th power would otherwise take its first pixel for a colour.
    BitmapPicture picture;
    if (layout->colourCount <= 256 && layout->colourCount <= layout->tableEntries) {
        const uint8_t* entry = file.data() + kFileHeaderSize + layout->tableOffset;
        for (uint64_t i = 0; i < layout->colourCount; ++i, entry += 4)
            picture.palette.push_back(qRgb(entry[2], entry[1], entry[0]));
        picture.hasPalette = true;
    }

    // The image reader finds the pixels through the file header's offset:
    // point it where the layout above found them.
    StoreLE32(file.data() + 2, static_cast<uint32_t>(file.size()));
    StoreLE32(file.data() + 10, static_cast<uint32_t>(kFileHeaderSize + layout->pixelOffset));
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()),
                                                     static_cast<qsizetype>(file.size()));
    const int64_t rows = layout->height < 0 ? -layout->height : layout->height;
    // Qt's reader leaves the pixels a compressed picture skips (deltas, an
    // early end) as it found them in the image it decodes into: hand it one
    // of its own format already filled with colour 0, so they show as that
    // instead of whatever the memory held.
    QImage decoded;
    if (layout->compression == BmpCompression::Rle8 || layout->compression == BmpCompression::Rle4) {
        decoded = QImage(static_cast<int>(layout->width), static_cast<int>(rows), QImage::Format_Indexed8);
        decoded.fill(0);
    }
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "BMP");
    if (!reader.read(&decoded))
        return std::nullopt;
    if (decoded.isNull() || decoded.width() != layout->width || decoded.height() != rows)
        return std::nullopt;
    picture.image = decoded.convertToFormat(QImage::Format_RGB32);
    if (picture.image.isNull())
        return std::nullopt;
    return picture;
}

} // namespace vorn

#include "app/bitmap_loader.h"

#include "base/endian.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <new>
#include <vector>

namespace vorn {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kMaskBytes = 12;

enum class Compression : uint32_t { None = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

// Where the parts of a BMP lie in the bytes after the file header, and what
// the information header says about the picture.
struct BitmapLayout {
    int64_t width = 0;
    int64_t height = 0; // negative for rows stored top first
    uint32_t bitsPerPixel = 0;
    Compression compression = Compression::None;
    uint64_t colourCount = 0; // N: colours used, or 2 to the bits per pixel
    size_t tableOffset = 0;
    uint64_t tableEntries = 0;
    size_t pixelOffset = 0;
};

bool IsSupported(Compression compression, uint32_t bits)
{
    switch (compression) {
    case Compression::None:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case Compression::Rle8: return bits == 8;
    case Compression::Rle4: return bits == 4;
    case Compression::BitFields: return bits == 16 || bits == 32;
    }
    return false;
}

// Walks an RLE stream's commands without drawing anything: false when a
// command needs bytes past the end. A stream may stop without its
// end-of-bitmap mark at a command boundary; the rest stays undrawn.
bool RleStreamFits(const uint8_t* data, size_t size, bool fourBit)
{
    size_t at = 0;
    while (at < size) {
        if (size - at < 2)
            return false;
        const uint8_t count = data[at];
        const uint8_t value = data[at + 1];
        at += 2;
        if (count != 0)
            continue; // a run of one value (or one pair of nibbles)
        if (value == 0)
            continue; // end of line
        if (value == 1)
            return true; // end of bitmap
        size_t need = 2; // delta: right and down
        if (value > 2) {
            // Absolute mode: `value` pixels, padded to a 16-bit boundary.
            const size_t bytes = fourBit ? (value + 1u) / 2u : value;
            need = bytes + (bytes & 1u);
        }
        if (size - at < need)
            return false;
        at += need;
    }
    return true;
}

std::optional<BitmapLayout> ReadLayout(const std::vector<uint8_t>& file)
{
    const uint8_t* info = file.data() + kFileHeaderSize;
    const size_t size = file.size() - kFileHeaderSize;
    if (size < kInfoHeaderSize)
        return std::nullopt;

    // A header shorter than 40 bytes (the 12-byte OS/2 one, or a damaged
    // size field) has a different layout; one longer than 40 bytes is read
    // as the platform's later versions, with the colour table after it.
    const uint32_t headerSize = LoadLE32(info);
    if (headerSize < kInfoHeaderSize || headerSize > size)
        return std::nullopt;

    BitmapLayout layout;
    layout.width = static_cast<int32_t>(LoadLE32(info + 4));
    layout.height = static_cast<int32_t>(LoadLE32(info + 8));
    layout.bitsPerPixel = LoadLE16(info + 14);
    layout.compression = static_cast<Compression>(LoadLE32(info + 16));
    const uint32_t coloursUsed = LoadLE32(info + 32);
    layout.colourCount = coloursUsed != 0 ? coloursUsed : uint64_t{1} << (layout.bitsPerPixel & 31u);

    if (!IsSupported(layout.compression, layout.bitsPerPixel))
        return std::nullopt;
    const int64_t rows = layout.height < 0 ? -layout.height : layout.height;
    if (layout.width <= 0 || rows == 0 || layout.width > BitmapLoader::kMaxSide || rows > BitmapLoader::kMaxSide)
        return std::nullopt;
    const bool rle = layout.compression == Compression::Rle8 || layout.compression == Compression::Rle4;
    if (rle && layout.height < 0)
        return std::nullopt; // compressed pictures are always stored bottom row first

    // The 40-byte header is followed by its three masks in bit-field mode;
    // the later headers hold them themselves.
    const size_t masks = layout.compression == Compression::BitFields && headerSize == kInfoHeaderSize ? kMaskBytes : 0;
    layout.tableOffset = headerSize + masks;
    layout.tableEntries = layout.bitsPerPixel <= 8 ? layout.colourCount : coloursUsed;
    const uint64_t tableEnd = layout.tableOffset + 4 * layout.tableEntries;
    if (tableEnd >= size)
        return std::nullopt; // no room for the table, or no pixel data after it

    // The pixel data follow the colour table, unless the file header places
    // them further on inside the file.
    const uint32_t fileOffset = LoadLE32(file.data() + 10);
    layout.pixelOffset = static_cast<size_t>(tableEnd);
    if (fileOffset >= kFileHeaderSize + tableEnd && fileOffset - kFileHeaderSize < size)
        layout.pixelOffset = fileOffset - kFileHeaderSize;

    const uint64_t pixelBytes = size - layout.pixelOffset;
    const uint64_t pixelCount = static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(rows);
    if (rle) {
        if (pixelCount > pixelBytes * BitmapLoader::kMaxRlePixelsPerByte)
            return std::nullopt;
        if (!RleStreamFits(info + layout.pixelOffset, pixelBytes, layout.compression == Compression::Rle4))
            return std::nullopt;
    } else {
        const uint64_t stride = (static_cast<uint64_t>(layout.width) * layout.bitsPerPixel + 31) / 32 * 4;
        if (stride * static_cast<uint64_t>(rows) > pixelBytes)
            return std::nullopt;
    }
    return layout;
}

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

    const std::optional<BitmapLayout> layout = ReadLayout(file);
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
    if (layout->compression == Compression::Rle8 || layout->compression == Compression::Rle4) {
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

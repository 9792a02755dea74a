#include "sprites/bmp_decoder.h"

#include "base/endian.h"

#include <algorithm>
#include <bit>

namespace vorn {

namespace {

constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kMaskBytes = 12;

bool IsSupported(BmpCompression compression, uint32_t bits)
{
    switch (compression) {
    case BmpCompression::None:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case BmpCompression::Rle8: return bits == 8;
    case BmpCompression::Rle4: return bits == 4;
    case BmpCompression::BitFields: return bits == 16 || bits == 32;
    }
    return false;
}

bool IsRle(BmpCompression compression)
{
    return compression == BmpCompression::Rle8 || compression == BmpCompression::Rle4;
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

// One channel of a bit-field pixel widened (or narrowed) to 8 bits.
uint8_t Channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int width = std::popcount(mask >> shift);
    const uint32_t value = (pixel & mask) >> shift;
    const uint32_t maximum = width >= 32 ? UINT32_MAX : (uint32_t{1} << width) - 1;
    return static_cast<uint8_t>((uint64_t{value} * 255 + maximum / 2) / maximum);
}

// Draws an RLE stream (already checked to fit) into palette indices, bottom
// row first as stored.
void DecodeRle(const uint8_t* data, size_t size, bool fourBit, uint32_t width, uint32_t rows,
               std::vector<uint8_t>& indices)
{
    uint32_t x = 0;
    uint32_t y = 0; // counted from the bottom
    const auto put = [&](uint8_t index) {
        if (x < width && y < rows)
            indices[static_cast<size_t>(rows - 1 - y) * width + x] = index;
        ++x;
    };
    size_t at = 0;
    while (at + 2 <= size && y < rows) {
        const uint8_t count = data[at];
        const uint8_t value = data[at + 1];
        at += 2;
        if (count != 0) {
            for (uint32_t i = 0; i < count; ++i)
                put(fourBit ? static_cast<uint8_t>(i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {
            const size_t bytes = fourBit ? (value + 1u) / 2u : value;
            for (uint32_t i = 0; i < value; ++i)
                put(fourBit ? static_cast<uint8_t>(i % 2 == 0 ? data[at + i / 2] >> 4 : data[at + i / 2] & 0x0F)
                            : data[at + i]);
            at += bytes + (bytes & 1u);
        }
    }
}

} // namespace

std::optional<BmpLayout> BmpLayout::Read(std::span<const uint8_t> file)
{
    if (file.size() < kFileHeaderSize || LoadLE16(file.data()) != 0x4D42) // "BM"
        return std::nullopt;
    const uint8_t* info = file.data() + kFileHeaderSize;
    const size_t size = file.size() - kFileHeaderSize;
    if (size < kInfoHeaderSize)
        return std::nullopt;

    // A header shorter than 40 bytes (the 12-byte OS/2 one, or a damaged
    // size field) has a different layout; one longer than 40 bytes is read
    // as the platform's later versions, with the colour table after it.
    BmpLayout layout;
    layout.headerSize = LoadLE32(info);
    if (layout.headerSize < kInfoHeaderSize || layout.headerSize > size)
        return std::nullopt;
    layout.width = static_cast<int32_t>(LoadLE32(info + 4));
    layout.height = static_cast<int32_t>(LoadLE32(info + 8));
    layout.bitsPerPixel = LoadLE16(info + 14);
    layout.compression = static_cast<BmpCompression>(LoadLE32(info + 16));
    const uint32_t coloursUsed = LoadLE32(info + 32);
    layout.colourCount = coloursUsed != 0 ? coloursUsed : uint64_t{1} << (layout.bitsPerPixel & 31u);

    if (!IsSupported(layout.compression, layout.bitsPerPixel))
        return std::nullopt;
    const int64_t rows = layout.Rows();
    if (layout.width <= 0 || rows == 0 || layout.width > kMaxSide || rows > kMaxSide)
        return std::nullopt;
    const bool rle = IsRle(layout.compression);
    if (rle && layout.height < 0)
        return std::nullopt; // compressed pictures are always stored bottom row first

    // The 40-byte header is followed by its three masks in bit-field mode;
    // the later headers hold them themselves.
    const size_t masks =
        layout.compression == BmpCompression::BitFields && layout.headerSize == kInfoHeaderSize ? kMaskBytes : 0;
    layout.tableOffset = layout.headerSize + masks;
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
        if (pixelCount > pixelBytes * kMaxRlePixelsPerByte)
            return std::nullopt;
        if (!RleStreamFits(info + layout.pixelOffset, pixelBytes, layout.compression == BmpCompression::Rle4))
            return std::nullopt;
    } else {
        const uint64_t stride = (static_cast<uint64_t>(layout.width) * layout.bitsPerPixel + 31) / 32 * 4;
        if (stride * static_cast<uint64_t>(rows) > pixelBytes)
            return std::nullopt;
    }
    return layout;
}

std::optional<DecodedBitmap> DecodeBmp(std::span<const uint8_t> file)
{
    const std::optional<BmpLayout> layout = BmpLayout::Read(file);
    if (!layout)
        return std::nullopt;
    const uint8_t* info = file.data() + BmpLayout::kFileHeaderSize;
    const uint8_t* pixels = info + layout->pixelOffset;
    const size_t pixelBytes = file.size() - BmpLayout::kFileHeaderSize - layout->pixelOffset;
    DecodedBitmap picture;
    picture.width = static_cast<uint32_t>(layout->width);
    picture.height = static_cast<uint32_t>(layout->Rows());
    const size_t count = static_cast<size_t>(picture.width) * picture.height;
    picture.rgb.assign(3 * count, 0);

    // Indices beyond the table show black.
    std::vector<uint8_t> table(3 * 256, 0);
    const uint64_t entries = std::min<uint64_t>({layout->tableEntries, layout->colourCount, 256});
    for (uint64_t i = 0; i < entries; ++i) {
        const uint8_t* entry = info + layout->tableOffset + 4 * i;
        table[3 * i] = entry[2];
        table[3 * i + 1] = entry[1];
        table[3 * i + 2] = entry[0];
    }
    const auto putIndex = [&](size_t at, uint8_t index) { std::copy_n(&table[3 * size_t{index}], 3, &picture.rgb[3 * at]); };

    if (IsRle(layout->compression)) {
        std::vector<uint8_t> indices(count, 0);
        DecodeRle(pixels, pixelBytes, layout->compression == BmpCompression::Rle4, picture.width, picture.height,
                  indices);
        for (size_t i = 0; i < count; ++i)
            putIndex(i, indices[i]);
        return picture;
    }

    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (layout->bitsPerPixel == 32)
        masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF;
    const size_t infoSize = file.size() - BmpLayout::kFileHeaderSize;
    if (layout->compression == BmpCompression::BitFields && infoSize >= kInfoHeaderSize + kMaskBytes)
        for (int i = 0; i < 3; ++i)
            masks[i] = LoadLE32(info + kInfoHeaderSize + 4 * i);
    const size_t stride = (static_cast<size_t>(picture.width) * layout->bitsPerPixel + 31) / 32 * 4;
    for (uint32_t r = 0; r < picture.height; ++r) {
        const uint8_t* row = pixels + r * stride;
        const uint32_t y = layout->height > 0 ? picture.height - 1 - r : r;
        for (uint32_t x = 0; x < picture.width; ++x) {
            const size_t at = static_cast<size_t>(y) * picture.width + x;
            const uint32_t bits = layout->bitsPerPixel;
            if (bits <= 8) {
                const uint32_t bit = x * bits;
                const uint8_t byte = row[bit / 8];
                putIndex(at, static_cast<uint8_t>((byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1)));
            } else if (bits == 24) {
                picture.rgb[3 * at] = row[3 * x + 2];
                picture.rgb[3 * at + 1] = row[3 * x + 1];
                picture.rgb[3 * at + 2] = row[3 * x];
            } else {
                const uint32_t value = bits == 16 ? LoadLE16(row + 2 * x) : LoadLE32(row + 4 * x);
                for (int c = 0; c < 3; ++c)
                    picture.rgb[3 * at + static_cast<size_t>(c)] = Channel(value, masks[c]);
            }
        }
    }
    return picture;
}

} // namespace vorn

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

// Runs an RLE stream (already checked to fit) into palette indices one row
// at a time, bottom row first as stored: `finish` takes each row's indices
// once it is complete, every row exactly once. Pixels the stream skips keep
// index 0.
template <typename FinishRow>
void DecodeRleRows(const uint8_t* data, size_t size, bool fourBit, uint32_t width, uint32_t rows, FinishRow finish)
{
    std::vector<uint8_t> indices(width, 0);
    uint32_t x = 0;
    uint32_t y = 0; // counted from the bottom
    const auto nextRow = [&] {
        finish(y, std::span<const uint8_t>(indices));
        std::fill(indices.begin(), indices.end(), uint8_t{0});
        ++y;
    };
    const auto put = [&](uint8_t index) {
        if (x < width)
            indices[x] = index;
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
            nextRow();
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += data[at];
            for (uint32_t down = data[at + 1]; down > 0 && y < rows; --down)
                nextRow();
            at += 2;
        } else {
            const size_t bytes = fourBit ? (value + 1u) / 2u : value;
            for (uint32_t i = 0; i < value; ++i)
                put(fourBit ? static_cast<uint8_t>(i % 2 == 0 ? data[at + i / 2] >> 4 : data[at + i / 2] & 0x0F)
                            : data[at + i]);
            at += bytes + (bytes & 1u);
        }
    }
    while (y < rows)
        nextRow();
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

bool DecodeBmpRows(std::span<const uint8_t> file, const BmpRowSink& sink)
{
    const std::optional<BmpLayout> layout = BmpLayout::Read(file);
    if (!layout)
        return false;
    const uint8_t* info = file.data() + BmpLayout::kFileHeaderSize;
    const uint8_t* pixels = info + layout->pixelOffset;
    const size_t pixelBytes = file.size() - BmpLayout::kFileHeaderSize - layout->pixelOffset;
    const auto width = static_cast<uint32_t>(layout->width);
    const auto rows = static_cast<uint32_t>(layout->Rows());
    std::vector<uint8_t> rgb(3 * size_t{width}, 0);

    // Indices beyond the table show black.
    std::vector<uint8_t> table(3 * 256, 0);
    const uint64_t entries = std::min<uint64_t>({layout->tableEntries, layout->colourCount, 256});
    for (uint64_t i = 0; i < entries; ++i) {
        const uint8_t* entry = info + layout->tableOffset + 4 * i;
        table[3 * i] = entry[2];
        table[3 * i + 1] = entry[1];
        table[3 * i + 2] = entry[0];
    }
    const auto putIndex = [&](uint32_t x, uint8_t index) { std::copy_n(&table[3 * size_t{index}], 3, &rgb[3 * size_t{x}]); };

    if (IsRle(layout->compression)) {
        DecodeRleRows(pixels, pixelBytes, layout->compression == BmpCompression::Rle4, width, rows,
                      [&](uint32_t fromBottom, std::span<const uint8_t> indices) {
                          for (uint32_t x = 0; x < width; ++x)
                              putIndex(x, indices[x]);
                          sink(rows - 1 - fromBottom, rgb);
                      });
        return true;
    }

    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (layout->bitsPerPixel == 32)
        masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF;
    const size_t infoSize = file.size() - BmpLayout::kFileHeaderSize;
    if (layout->compression == BmpCompression::BitFields && infoSize >= kInfoHeaderSize + kMaskBytes)
        for (int i = 0; i < 3; ++i)
            masks[i] = LoadLE32(info + kInfoHeaderSize + 4 * i);
    const size_t stride = (size_t{width} * layout->bitsPerPixel + 31) / 32 * 4;
    const uint32_t bits = layout->bitsPerPixel;
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* row = pixels + r * stride;
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* out = &rgb[3 * size_t{x}];
            if (bits <= 8) {
                const uint32_t bit = x * bits;
                const uint8_t byte = row[bit / 8];
                putIndex(x, static_cast<uint8_t>((byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1)));
            } else if (bits == 24) {
                out[0] = row[3 * x + 2];
                out[1] = row[3 * x + 1];
                out[2] = row[3 * x];
            } else {
                const uint32_t value = bits == 16 ? LoadLE16(row + 2 * x) : LoadLE32(row + 4 * x);
                for (int c = 0; c < 3; ++c)
                    out[c] = Channel(value, masks[c]);
            }
        }
        sink(layout->height > 0 ? rows - 1 - r : r, rgb);
    }
    return true;
}

std::optional<DecodedBitmap> DecodeBmp(std::span<const uint8_t> file)
{
    const std::optional<BmpLayout> layout = BmpLayout::Read(file);
    if (!layout)
        return std::nullopt;
    DecodedBitmap picture;
    picture.width = static_cast<uint32_t>(layout->width);
    picture.height = static_cast<uint32_t>(layout->Rows());
    picture.rgb.assign(3 * size_t{picture.width} * picture.height, 0);
    DecodeBmpRows(file, [&](uint32_t row, std::span<const uint8_t> rgb) {
        std::copy(rgb.begin(), rgb.end(), picture.rgb.begin() + static_cast<ptrdiff_t>(3 * size_t{picture.width} * row));
    });
    return picture;
}

} // namespace vorn

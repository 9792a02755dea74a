#include "sample/bmp_writer.h"

#include "base/endian.h"

#include <algorithm>

namespace vorn::sample {

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    uint8_t b[2];
    StoreLE16(b, v);
    // Byte by byte: GCC 12 at -O3 takes a range insert here for an overflow.
    for (const uint8_t byte : b)
        out.push_back(byte);
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t b[4];
    StoreLE32(b, v);
    for (const uint8_t byte : b)
        out.push_back(byte);
}

// File header, information header and colour table; the sizes are patched
// once the pixel bytes are known.
std::vector<uint8_t> Headers(int width, int height, uint16_t bits, uint32_t compression, uint32_t coloursUsed,
                             const std::vector<uint8_t>& rgbPalette)
{
    const uint32_t tableEntries = bits <= 8 ? 256 : 0;
    std::vector<uint8_t> out;
    out.reserve(14 + 40 + 4 * tableEntries);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 0); // file size
    Put32(out, 0); // reserved
    Put32(out, 14 + 40 + 4 * tableEntries);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, compression);
    Put32(out, 0); // image size
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, coloursUsed);
    Put32(out, 0);
    for (uint32_t i = 0; i < tableEntries; ++i) {
        const size_t p = 3 * i;
        const bool have = p + 2 < rgbPalette.size();
        out.push_back(have ? rgbPalette[p + 2] : 0);
        out.push_back(have ? rgbPalette[p + 1] : 0);
        out.push_back(have ? rgbPalette[p] : 0);
        out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> Finish(std::vector<uint8_t> out, size_t headerSize)
{
    StoreLE32(out.data() + 2, static_cast<uint32_t>(out.size()));
    StoreLE32(out.data() + 34, static_cast<uint32_t>(out.size() - headerSize));
    return out;
}

} // namespace

std::vector<uint8_t> WriteBmpRle8(int width, int height, const std::vector<uint8_t>& indices,
                                  const std::vector<uint8_t>& rgbPalette, uint32_t coloursUsed)
{
    std::vector<uint8_t> out = Headers(width, height, 8, 1, coloursUsed, rgbPalette);
    const size_t headerSize = out.size();
    for (int row = height - 1; row >= 0; --row) {
        const uint8_t* line = indices.data() + static_cast<size_t>(row) * width;
        for (int x = 0; x < width;) {
            int run = 1;
            while (x + run < width && run < 255 && line[x + run] == line[x])
                ++run;
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(line[x]);
            x += run;
        }
        out.push_back(0);
        out.push_back(row == 0 ? 1 : 0); // end of bitmap after the top row, else end of line
    }
    return Finish(std::move(out), headerSize);
}

std::vector<uint8_t> WriteBmp8(int width, int height, const std::vector<uint8_t>& indices,
                               const std::vector<uint8_t>& rgbPalette)
{
    std::vector<uint8_t> out = Headers(width, height, 8, 0, 0, rgbPalette);
    const size_t headerSize = out.size();
    const int stride = (width + 3) & ~3;
    for (int row = height - 1; row >= 0; --row) {
        const uint8_t* line = indices.data() + static_cast<size_t>(row) * width;
        out.insert(out.end(), line, line + width);
        out.insert(out.end(), static_cast<size_t>(stride - width), 0);
    }
    return Finish(std::move(out), headerSize);
}

std::vector<uint8_t> WriteBmp24(int width, int height, const std::vector<uint8_t>& rgb)
{
    std::vector<uint8_t> out = Headers(width, height, 24, 0, 0, {});
    const size_t headerSize = out.size();
    const int stride = (3 * width + 3) & ~3;
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = rgb.data() + (static_cast<size_t>(row) * width + x) * 3;
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        out.insert(out.end(), static_cast<size_t>(stride - 3 * width), 0);
    }
    return Finish(std::move(out), headerSize);
}

} // namespace vorn::sample

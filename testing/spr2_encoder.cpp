#include "testing/spr2_encoder.h"

#include "base/endian.h"

#include <algorithm>

namespace vorn::testing {

namespace {

constexpr uint32_t kMaxCount = 0x1FFF;

void PutCommand(std::vector<uint8_t>& out, uint32_t command, uint32_t count)
{
    AppendLE16(out, static_cast<uint16_t>((command << 13) | (count & kMaxCount)));
}

enum class PixelKind { Transparent, Plain, Depth, Alpha };

PixelKind KindOf(const Spr2SourceFrame& f, size_t i)
{
    if (f.hasAlpha ? f.alpha[i] == 0 : f.colour[i] == f.transparentIndex)
        return PixelKind::Transparent;
    if (!f.hasDepth)
        return PixelKind::Plain;
    return f.hasAlpha && f.alpha[i] < 255 ? PixelKind::Alpha : PixelKind::Depth;
}

} // namespace

std::vector<uint8_t> EncodeSpr2Pixels(const Spr2SourceFrame& f)
{
    std::vector<uint8_t> out;
    uint32_t skippedRows = 0;
    for (uint32_t row = 0; row < f.height; ++row) {
        const size_t rowStart = static_cast<size_t>(row) * f.width;
        bool empty = true;
        for (uint32_t x = 0; x < f.width; ++x)
            empty = empty && KindOf(f, rowStart + x) == PixelKind::Transparent;
        if (empty) {
            ++skippedRows;
            continue;
        }
        for (; skippedRows > 0; skippedRows -= std::min(skippedRows, kMaxCount))
            PutCommand(out, 4, std::min(skippedRows, kMaxCount));
        const size_t rowHeader = out.size();
        PutCommand(out, 0, 0);
        uint32_t x = 0;
        while (x < f.width) {
            const PixelKind kind = KindOf(f, rowStart + x);
            uint32_t run = 1;
            while (x + run < f.width && run < kMaxCount && KindOf(f, rowStart + x + run) == kind)
                ++run;
            // Trailing transparent pixels need no command: the next row start moves on.
            if (kind == PixelKind::Transparent && x + run == f.width)
                break;
            const uint32_t command = kind == PixelKind::Transparent ? 3
                                     : kind == PixelKind::Plain     ? 6
                                     : kind == PixelKind::Depth     ? 1
                                                                    : 2;
            PutCommand(out, command, run);
            for (uint32_t i = 0; i < run && kind != PixelKind::Transparent; ++i) {
                const size_t p = rowStart + x + i;
                if (kind != PixelKind::Plain)
                    out.push_back(f.depth[p]);
                out.push_back(f.colour[p]);
                if (kind == PixelKind::Alpha)
                    out.push_back(f.alpha[p]);
            }
            if (kind != PixelKind::Transparent && out.size() % 2 != 0)
                out.push_back(0);
            x += run;
        }
        const auto rowLength = static_cast<uint32_t>(out.size() - rowHeader);
        out[rowHeader] = static_cast<uint8_t>(rowLength);
        out[rowHeader + 1] = static_cast<uint8_t>((rowLength >> 8) & 0x1F);
    }
    PutCommand(out, 5, 0);
    return out;
}

std::vector<uint8_t> BuildSpr2(uint32_t paletteId, const std::vector<Spr2ChunkFrame>& frames, bool aligned,
                               uint32_t version)
{
    std::vector<uint8_t> data;
    AppendLE32(data, version);
    AppendLE32(data, static_cast<uint32_t>(frames.size()));
    AppendLE32(data, paletteId);
    const uint32_t tableEnd = 12 + 4 * static_cast<uint32_t>(frames.size());
    const uint32_t first = aligned ? (tableEnd + 63) & ~63u : tableEnd;
    uint32_t offset = first;
    for (const auto& frame : frames) {
        offset += frame.gapBefore;
        AppendLE32(data, offset);
        offset += 16 + static_cast<uint32_t>(frame.pixels.size());
    }
    data.resize(first, 0xA3);
    for (const auto& frame : frames) {
        data.insert(data.end(), frame.gapBefore, 0x5A);
        AppendLE16(data, frame.width);
        AppendLE16(data, frame.height);
        AppendLE32(data, frame.flags);
        AppendLE16(data, frame.paletteId);
        AppendLE16(data, frame.transparentIndex);
        AppendLE16(data, frame.yOffset);
        AppendLE16(data, frame.xOffset);
        data.insert(data.end(), frame.pixels.begin(), frame.pixels.end());
    }
    return data;
}

} // namespace vorn::testing

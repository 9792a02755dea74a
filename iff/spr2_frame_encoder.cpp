#include "iff/spr2_frame_encoder.h"

#include "base/endian.h"

#include <algorithm>

namespace vorn {

namespace {

constexpr uint32_t kMaxCount = 0x1FFF;

void PutCommand(std::vector<uint8_t>& out, uint32_t command, uint32_t count)
{
    AppendLE16(out, static_cast<uint16_t>((command << 13) | (count & kMaxCount)));
}

uint32_t CommandOf(Spr2PixelKind kind)
{
    switch (kind) {
    case Spr2PixelKind::Transparent: return 3;
    case Spr2PixelKind::Plain: return 6;
    case Spr2PixelKind::Depth: return 1;
    case Spr2PixelKind::Blended: return 2;
    }
    return 3;
}

} // namespace

Spr2EncodeResult EncodeSpr2Frame(const Spr2PixelPlanes& f, std::vector<uint8_t>& out)
{
    out.clear();
    const size_t pixels = static_cast<size_t>(f.width) * f.height;
    if (f.kind.size() != pixels || f.colour.size() != pixels || f.depth.size() != pixels || f.alpha.size() != pixels)
        return {Spr2EncodeStatus::WrongPlaneSizes};
    uint32_t skippedRows = 0;
    for (uint32_t row = 0; row < f.height; ++row) {
        const size_t rowStart = static_cast<size_t>(row) * f.width;
        const auto rowBegin = f.kind.begin() + static_cast<std::ptrdiff_t>(rowStart);
        if (std::all_of(rowBegin, rowBegin + f.width, [](Spr2PixelKind k) { return k == Spr2PixelKind::Transparent; })) {
            ++skippedRows;
            continue;
        }
        for (; skippedRows > 0; skippedRows -= std::min(skippedRows, kMaxCount))
            PutCommand(out, 4, std::min(skippedRows, kMaxCount));
        const size_t rowHeader = out.size();
        PutCommand(out, 0, 0);
        uint32_t x = 0;
        while (x < f.width) {
            const Spr2PixelKind kind = f.kind[rowStart + x];
            uint32_t run = 1;
            while (x + run < f.width && run < kMaxCount && f.kind[rowStart + x + run] == kind)
                ++run;
            // Trailing transparent pixels need no command: the next row start moves on.
            if (kind == Spr2PixelKind::Transparent && x + run == f.width)
                break;
            PutCommand(out, CommandOf(kind), run);
            if (kind != Spr2PixelKind::Transparent) {
                for (uint32_t i = 0; i < run; ++i) {
                    const size_t p = rowStart + x + i;
                    if (kind != Spr2PixelKind::Plain)
                        out.push_back(f.depth[p]);
                    out.push_back(f.colour[p]);
                    if (kind == Spr2PixelKind::Blended)
                        out.push_back(f.alpha[p]);
                }
                if (out.size() % 2 != 0)
                    out.push_back(0);
            }
            x += run;
        }
        // Readers may step over a row by its count, so one that cannot be
        // stated would shift every row after it.
        const size_t rowLength = out.size() - rowHeader;
        if (rowLength > kMaxSpr2RowBytes) {
            out.clear();
            return {Spr2EncodeStatus::RowTooLong, row, rowLength};
        }
        out[rowHeader] = static_cast<uint8_t>(rowLength);
        out[rowHeader + 1] = static_cast<uint8_t>(rowLength >> 8);
    }
    PutCommand(out, 5, 0);
    return {};
}

std::vector<uint8_t> EncodeSpr2Frame(const Spr2PixelPlanes& planes)
{
    std::vector<uint8_t> commands;
    EncodeSpr2Frame(planes, commands);
    return commands;
}

} // namespace vorn

#include "testing/spr2_encoder.h"

#include "base/endian.h"
#include "iff/spr2_frame_encoder.h"

#include <algorithm>
#include <optional>

namespace vorn::testing {

namespace {

Spr2PixelKind KindOf(const Spr2SourceFrame& f, size_t i)
{
    if (f.hasAlpha ? f.alpha[i] == 0 : f.colour[i] == f.transparentIndex)
        return Spr2PixelKind::Transparent;
    if (!f.hasDepth)
        return Spr2PixelKind::Plain;
    return f.hasAlpha && f.alpha[i] < 255 ? Spr2PixelKind::Blended : Spr2PixelKind::Depth;
}

void AppendFrameHeader(std::vector<uint8_t>& data, const Spr2ChunkFrame& frame)
{
    AppendLE16(data, frame.width);
    AppendLE16(data, frame.height);
    AppendLE32(data, frame.flags);
    AppendLE16(data, frame.paletteId);
    AppendLE16(data, frame.transparentIndex);
    AppendLE16(data, frame.yOffset);
    AppendLE16(data, frame.xOffset);
}

} // namespace

std::vector<uint8_t> EncodeSpr2Pixels(const Spr2SourceFrame& f)
{
    const size_t pixels = static_cast<size_t>(f.width) * f.height;
    Spr2PixelPlanes planes;
    planes.width = f.width;
    planes.height = f.height;
    planes.colour = f.colour;
    planes.depth = f.hasDepth ? f.depth : std::vector<uint8_t>(pixels, 0);
    planes.alpha = f.hasAlpha ? f.alpha : std::vector<uint8_t>(pixels, 0);
    planes.kind.resize(pixels);
    for (size_t i = 0; i < pixels; ++i)
        planes.kind[i] = KindOf(f, i);
    return EncodeSpr2Frame(planes);
}

bool Spr2RowLengthsAgree(std::span<const uint8_t> commands)
{
    std::optional<size_t> rowAt;
    uint32_t rowCount = 0;
    size_t pos = 0;
    while (pos + 2 <= commands.size()) {
        const uint16_t word = LoadLE16(commands.data() + pos);
        const unsigned command = word >> 13;
        const unsigned count = word & 0x1FFF;
        if ((command == 0 || command == 4 || command == 5) && rowAt) {
            if (pos - *rowAt != rowCount)
                return false;
            rowAt.reset();
        }
        if (command == 5)
            return true;
        if (command == 0) {
            rowAt = pos;
            rowCount = count;
        }
        pos += 2;
        const size_t bytesPerPixel = command == 1 ? 2 : command == 2 ? 3 : command == 6 ? 1 : 0;
        if (bytesPerPixel != 0) {
            pos += bytesPerPixel * count;
            pos += pos % 2;
        }
    }
    return false;
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
        AppendFrameHeader(data, frame);
        data.insert(data.end(), frame.pixels.begin(), frame.pixels.end());
    }
    return data;
}

std::vector<uint8_t> BuildSpr2Sequential(uint32_t paletteId, const std::vector<Spr2ChunkFrame>& frames)
{
    std::vector<uint8_t> data;
    AppendLE32(data, 1001);
    AppendLE32(data, paletteId);
    AppendLE32(data, static_cast<uint32_t>(frames.size()));
    for (const auto& frame : frames) {
        AppendLE32(data, 1001);
        AppendLE32(data, 16 + static_cast<uint32_t>(frame.pixels.size()));
        AppendFrameHeader(data, frame);
        data.insert(data.end(), frame.pixels.begin(), frame.pixels.end());
    }
    return data;
}

} // namespace vorn::testing

// The SPR2 frame encoder: a picture encoded and drawn back by the exporter's
// decoders must come back as it was, and every row start must state its
// row's true byte length (the decoders ignore it, other readers step by it).
//
// Input: width and height (16-bit little-endian each), then the pixels'
// kind, colour, depth and alpha bytes, repeated over the picture as often as
// needed, so a few bytes describe a wide or tall one.
#include "sprites/frame_export.h"
#include "iff/spr2_frame_encoder.h"
#include "testing/spr2_encoder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

namespace {

// Enough for rows and columns past every 13-bit count (65535 x 1, 1 x
// 65535) while one run stays fast.
constexpr size_t kMaxPixels = size_t{1} << 16;

std::array<uint8_t, 768> Palette()
{
    std::array<uint8_t, 768> palette{};
    for (size_t i = 0; i < 256; ++i) {
        palette[3 * i] = static_cast<uint8_t>(i);
        palette[3 * i + 1] = static_cast<uint8_t>(i ^ 0x5A);
        palette[3 * i + 2] = static_cast<uint8_t>(255 - i);
    }
    return palette;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    Spr2PixelPlanes planes;
    planes.width = static_cast<uint16_t>(data[0] | (data[1] << 8));
    planes.height = static_cast<uint16_t>(data[2] | (data[3] << 8));
    const size_t pixels = size_t{planes.width} * planes.height;
    if (pixels == 0 || pixels > kMaxPixels)
        return 0;
    const uint8_t* pattern = data + 4;
    const size_t patternPixels = (size - 4) / 4;
    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t* px = pattern + 4 * (p % patternPixels);
        planes.kind.push_back(static_cast<Spr2PixelKind>(px[0] % 4));
        planes.colour.push_back(px[1]);
        planes.depth.push_back(px[2]);
        planes.alpha.push_back(px[3]);
    }
    std::vector<uint8_t> commands;
    const Spr2EncodeResult result = EncodeSpr2Frame(planes, commands);
    if (result.status == Spr2EncodeStatus::RowTooLong) {
        if (result.row >= planes.height || result.rowBytes <= kMaxSpr2RowBytes || !commands.empty())
            abort();
        return 0;
    }
    if (result.status != Spr2EncodeStatus::Ok)
        abort();
    if (!testing::Spr2RowLengthsAgree(commands))
        abort();

    static const std::array<uint8_t, 768> palette = Palette();
    Spr2Frame frame;
    frame.width = planes.width;
    frame.height = planes.height;
    frame.pixels = commands.data();
    frame.pixelLength = static_cast<uint32_t>(commands.size());
    ExportedFrame out;
    if (ExportFrame(frame, PaletteColours(palette), out) != FrameExportResult::Complete)
        abort();
    for (size_t p = 0; p < pixels; ++p) {
        const Spr2PixelKind kind = planes.kind[p];
        const uint8_t depth = kind == Spr2PixelKind::Depth || kind == Spr2PixelKind::Blended ? planes.depth[p] : 255;
        const uint8_t opacity = kind == Spr2PixelKind::Transparent ? 0
                                : kind == Spr2PixelKind::Blended   ? static_cast<uint8_t>(255 - planes.alpha[p])
                                                                   : 255;
        if (out.depth[p] != depth || out.rgba[4 * p + 3] != opacity)
            abort();
        for (size_t c = 0; c < 3; ++c)
            if (out.rgba[4 * p + c] != (opacity == 0 ? 0 : palette[3 * size_t{planes.colour[p]} + c]))
                abort();
    }
    return 0;
}

#include "sprites/frame_export.h"

#include <array>
#include <span>

namespace vorn {

namespace {

// Pass p paints channel R, G, B of index i white when bit (3p + channel) of
// i is set (bits 8 and above: the alpha channel, always black).
std::array<uint8_t, 768> BitPalette(int pass)
{
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < 256; ++i)
        for (int channel = 0; channel < 3; ++channel) {
            const int bit = 3 * pass + channel;
            palette[static_cast<size_t>(3 * i + channel)] = bit < 8 && ((i >> bit) & 1) != 0 ? 255 : 0;
        }
    return palette;
}

} // namespace

bool ExportFrame(const Spr2Frame& frame, PaletteColours colours, ExportedFrame& out)
{
    out = ExportedFrame{frame.width, frame.height, {}, {}};
    const size_t pixels = static_cast<size_t>(frame.width) * frame.height;
    out.rgba.assign(pixels * 4, 0);
    out.depth.assign(pixels, 255);
    if (pixels == 0)
        return true;
    const std::span<const uint8_t> commands(frame.pixels, frame.pixelLength);

    // Over white, a channel whose palette value is 0 shows Blend(255, 0, a) =
    // a exactly, and one of 255 stays 255; an opaque pixel shows its value.
    std::vector<uint32_t> index(pixels, 0);
    std::vector<uint8_t> weight(pixels, 255);
    std::vector<bool> drawn(pixels, false);
    bool ok = true;
    for (int pass = 0; pass < 3; ++pass) {
        RenderTarget target;
        if (!target.Allocate(frame.width, frame.height, 32))
            return false;
        target.FillColour(255, 255, 255);
        const std::array<uint8_t, 768> palette = BitPalette(pass);
        ok = DecodeT32Bits(target, commands, PaletteColours(palette)) && ok;
        for (int32_t y = 0; y < frame.height; ++y) {
            const uint8_t* row = target.ColourRowFromTop(y);
            const uint8_t* depthRow = target.DepthRowFromTop(y);
            for (int32_t x = 0; x < frame.width; ++x) {
                const size_t p = static_cast<size_t>(y) * frame.width + static_cast<size_t>(x);
                const uint8_t bgr[3] = {row[4 * x], row[4 * x + 1], row[4 * x + 2]};
                const uint8_t rgb[3] = {bgr[2], bgr[1], bgr[0]};
                for (int channel = 0; channel < 3; ++channel) {
                    const int bit = 3 * pass + channel;
                    if (bit >= 8) {
                        // The alpha channel: 255 where nothing changed it.
                        weight[p] = rgb[channel];
                        drawn[p] = rgb[channel] != 255 || depthRow[x] != 255;
                    } else if (rgb[channel] == 255) {
                        index[p] |= 1u << bit;
                    }
                }
                if (pass == 0)
                    out.depth[p] = depthRow[x];
            }
        }
    }
    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t alpha = static_cast<uint8_t>(255 - weight[p]);
        if (!drawn[p] || alpha == 0)
            continue; // nothing shows: black, alpha 0
        for (int channel = 0; channel < 3; ++channel)
            out.rgba[4 * p + static_cast<size_t>(channel)] = colours[3 * index[p] + static_cast<size_t>(channel)];
        out.rgba[4 * p + 3] = alpha;
    }
    return ok;
}

} // namespace vorn

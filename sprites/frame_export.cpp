#include "sprites/frame_export.h"

#include <array>
#include <span>

namespace vorn {

namespace {

// Draws the frame onto white with `palette`; depth goes to `depth` (rows top
// to bottom) when given. False when the decoder fails or there is no memory;
// `target` then holds what was drawn.
bool DrawOnWhite(const Spr2Frame& frame, std::span<const uint8_t> commands, const std::array<uint8_t, 768>& palette,
                 RenderTarget& target)
{
    if (!target.Allocate(frame.width, frame.height, 32))
        return false;
    target.FillColour(255, 255, 255);
    return DecodeT32Bits(target, commands, PaletteColours(palette));
}

// Index i drawn as red i, green 0, blue 0. Over white, green then shows
// Blend(255, 0, a) = a exactly: the blend weight, 0 for opaque pixels, 255
// where nothing was drawn. Where it is 0, red is the index itself.
std::array<uint8_t, 768> IndexPalette()
{
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(3 * i)] = static_cast<uint8_t>(i);
    return palette;
}

// Pass p paints channel R, G, B of index i white when bit (3p + channel) of
// i is set (bits 8 and above: always black). Over white, a channel whose
// palette value is 0 shows the weight a, one of 255 stays 255, so every pass
// reads three bits of the index whatever the weight below 255.
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

FrameExportResult ExportFrame(const Spr2Frame& frame, PaletteColours colours, ExportedFrame& out)
{
    out = ExportedFrame{frame.width, frame.height, {}, {}};
    const size_t pixels = static_cast<size_t>(frame.width) * frame.height;
    if (pixels > kMaxFramePixels)
        return FrameExportResult::TooLarge;
    out.rgba.assign(pixels * 4, 0);
    out.depth.assign(pixels, 255);
    if (pixels == 0)
        return FrameExportResult::Complete;
    const std::span<const uint8_t> commands(frame.pixels, frame.pixelLength);

    // One drawing gives depth, weight and, for every pixel not partly
    // blended, the index; only frames with partial blends are drawn again.
    std::vector<uint8_t> index(pixels, 0);
    std::vector<uint8_t> weight(pixels, 255);
    std::vector<bool> drawn(pixels, false);
    bool partial = false;
    RenderTarget target;
    bool ok = DrawOnWhite(frame, commands, IndexPalette(), target);
    if (!target.HasPlanes())
        return FrameExportResult::Partial;
    for (int32_t y = 0; y < frame.height; ++y) {
        const uint8_t* row = target.ColourRowFromTop(y);
        const uint8_t* depthRow = target.DepthRowFromTop(y);
        for (int32_t x = 0; x < frame.width; ++x) {
            const size_t p = static_cast<size_t>(y) * frame.width + static_cast<size_t>(x);
            const uint8_t red = row[4 * x + 2];
            const uint8_t green = row[4 * x + 1];
            out.depth[p] = depthRow[x];
            weight[p] = green;
            drawn[p] = green != 255 || depthRow[x] != 255;
            index[p] = red;
            partial = partial || (green != 0 && green != 255);
        }
    }

    if (partial) {
        std::vector<uint8_t> bits(pixels, 0);
        for (int pass = 0; pass < 3; ++pass) {
            RenderTarget bitTarget;
            ok = DrawOnWhite(frame, commands, BitPalette(pass), bitTarget) && ok;
            if (!bitTarget.HasPlanes())
                return FrameExportResult::Partial;
            for (int32_t y = 0; y < frame.height; ++y) {
                const uint8_t* row = bitTarget.ColourRowFromTop(y);
                for (int32_t x = 0; x < frame.width; ++x) {
                    const size_t p = static_cast<size_t>(y) * frame.width + static_cast<size_t>(x);
                    const uint8_t rgb[3] = {row[4 * x + 2], row[4 * x + 1], row[4 * x]};
                    for (int channel = 0; channel < 3; ++channel) {
                        const int bit = 3 * pass + channel;
                        if (bit < 8 && rgb[channel] == 255)
                            bits[p] = static_cast<uint8_t>(bits[p] | (1u << bit));
                    }
                }
            }
        }
        for (size_t p = 0; p < pixels; ++p)
            if (weight[p] != 0)
                index[p] = bits[p];
    }

    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t alpha = static_cast<uint8_t>(255 - weight[p]);
        if (!drawn[p] || alpha == 0)
            continue; // nothing shows: black, alpha 0
        for (int channel = 0; channel < 3; ++channel)
            out.rgba[4 * p + static_cast<size_t>(channel)] = colours[3 * size_t{index[p]} + static_cast<size_t>(channel)];
        out.rgba[4 * p + 3] = alpha;
    }
    return ok ? FrameExportResult::Complete : FrameExportResult::Partial;
}

} // namespace vorn

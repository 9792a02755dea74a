#include "sprites/rgb_image.h"

namespace vorn {

namespace {

uint8_t Widen5(unsigned v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
uint8_t Widen6(unsigned v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

} // namespace

std::vector<uint8_t> ColourPlaneToRgb(const RenderTarget& target)
{
    std::vector<uint8_t> rgb;
    if (!target.HasPlanes())
        return rgb;
    const int32_t width = target.Width();
    const int bits = target.BitsPerPixel();
    const int bytes = target.BytesPerPixel();
    rgb.resize(static_cast<size_t>(width) * 3 * static_cast<size_t>(target.Height()));
    uint8_t* out = rgb.data();
    for (int32_t row = 0; row < target.Height(); ++row) {
        const uint8_t* in = target.ColourRowFromTop(row);
        for (int32_t column = 0; column < width; ++column, in += bytes, out += 3) {
            if (bytes >= 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                continue;
            }
            const unsigned v = static_cast<unsigned>(in[0]) | (static_cast<unsigned>(in[1]) << 8);
            if (bits == 15) {
                out[0] = Widen5((v >> 10) & 0x1F);
                out[1] = Widen5((v >> 5) & 0x1F);
            } else {
                out[0] = Widen5((v >> 11) & 0x1F);
                out[1] = Widen6((v >> 5) & 0x3F);
            }
            out[2] = Widen5(v & 0x1F);
        }
    }
    return rgb;
}

} // namespace vorn

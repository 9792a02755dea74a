#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vorn {

// Labels in pictures drawn without a toolkit: a 5 x 7 pixel font of the
// printable ASCII characters with one pixel between characters; any other
// byte shows as '?'.
class LabelFont {
public:
    static constexpr int32_t kGlyphWidth = 5;
    static constexpr int32_t kGlyphHeight = 7;
    static constexpr int32_t kAdvance = kGlyphWidth + 1;
    // A line of text with a pixel of space above and below.
    static constexpr int32_t kLineHeight = kGlyphHeight + 2;

    static int32_t Width(std::string_view text);
    // Draws `text` with its top-left corner at (x, y) in the colour 0xRRGGBB
    // into an RGB picture of width x height (3 bytes a pixel, rows top to
    // bottom), clipped to the picture.
    static void Draw(std::span<uint8_t> rgb, int32_t width, int32_t height, int32_t x, int32_t y,
                     std::string_view text, uint32_t colour);
};

} // namespace vorn

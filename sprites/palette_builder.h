#pragma once

#include "sprites/palette_files.h"

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>

namespace vorn {

// Builds one palette of at most 256 colours for several pictures, as a
// sprite's frames share one: every drawn pixel's colour is counted, and when
// there are more than 256 colours libimagequant chooses them. Pictures of
// 256 colours or fewer get exactly their colours.
class PaletteBuilder {
public:
    // Counts the colours of the pixels an RGBA picture shows (alpha above 0).
    void Add(std::span<const uint8_t> rgba);
    size_t ColourCount() const { return counts_.size(); }

    // The palette, unused entries black; none when the quantiser fails.
    std::optional<PaltColours> Build() const;

private:
    std::unordered_map<uint32_t, uint32_t> counts_; // 0xRRGGBB -> pixels
};

} // namespace vorn

#pragma once

#include "iff/iff_chunk.h"

#include <cstdint>

namespace vorn {

class CIffFileRef;

// PALT palettes are read in place from their chunk's bytes: version 1 (32-bit),
// colour count 256 (32-bit), 8 unused bytes, then 256 colours of red, green,
// blue bytes from offset 16. Many object files store version 0 in the same
// layout; those are read alike (and, being read in place, kept as they are).
struct PaltPalette {
    static constexpr uint32_t kVersion = 1;
    static constexpr uint32_t kZeroVersion = 0;
    static constexpr uint32_t kColourCount = 256;
    static constexpr size_t kColoursOffset = 16;
    static constexpr size_t kMinimumSize = kColoursOffset + 3 * kColourCount;

    // The 768 colour bytes of a loaded chunk (index i at 3 * i), or null when
    // the version is not 1 or 0, the count not 256, or the colours are not all there.
    static const uint8_t* Colours(const CIffChunk& chunk);

    // The PALT chunk with id `paletteId`, else the one with `fallbackId`, loaded
    // through `file`; null when neither exists or loading fails. The first
    // chunk found is taken even when its contents are unusable.
    static CIffChunk* FindChunk(CIffFileRef& file, uint16_t paletteId, uint16_t fallbackId);
};

} // namespace vorn

#pragma once

#include "iff/iff_resource.h"
#include "iff/type_codes.h"

#include <cstdint>
#include <vector>

namespace vorn {

// One sprite frame placed in a draw group image.
struct SpritePlacement {
    uint32_t spriteId = 0;   // chunk id of the SPR2
    uint32_t frameIndex = 0; // frame of that SPR2
    int32_t x = 0;           // horizontal pixel offset
    int32_t y = 0;           // vertical offset of the frame's bottom edge
    uint32_t extra1 = 0;     // kept, not interpreted
    uint32_t extra2 = 0;     // kept (version 20004 only)
    uint32_t extra3 = 0;     // kept (version 20004 only)
    uint32_t flags = 0;      // bit 0: mirrored left to right

    bool operator==(const SpritePlacement&) const = default;
};

// The picture of an object for a set of view directions at one zoom.
struct DrawGroupImage {
    uint32_t directionMask = 0; // bit d: serves view direction d (0..7)
    uint32_t zoom = 0;          // 1, 2 or 3
    std::vector<SpritePlacement> sprites;

    bool operator==(const DrawGroupImage&) const = default;
};

// A DGRP draw group: one graphic of an object as a list of images.
//
// Versions below 20003 use a short layout (16-bit counts and sprite fields,
// 8-bit mask and zoom, a sprite type of which only -3 is kept, a 32-bit extra
// from 20001); 20003 and above a long one of 32-bit fields (two more extras
// from 20004). Write always produces the long layout of 20004.
class CDrawGroup : public CIffResource {
public:
    static constexpr uint16_t kShortExtraVersion = 20001;
    static constexpr uint16_t kLongVersion = 20003;
    static constexpr uint16_t kWriteVersion = 20004;
    static constexpr int16_t kKeptSpriteType = -3;

    uint32_t TypeCode() const override { return kTypeDgrp; }
    // Any short read fails; images appended before it stay.
    bool Read() override;
    // Always the long layout of 20004; the chunk's flags stay as they were.
    bool Write() override;

    uint16_t Version() const { return version_; }
    const std::vector<DrawGroupImage>& Images() const { return images_; }
    std::vector<DrawGroupImage>& Images() { return images_; }
    int ImageCount() const { return static_cast<int>(images_.size()); }

    // Index of the first image serving direction d (0..7) at zoom z (1..3), or -1.
    int FindImage(int direction, int zoom) const;
    // Copies image `index`; false outside the list.
    bool GetImage(int index, DrawGroupImage& image) const;

private:
    bool ReadShort(CIffChunk& chunk, bool withExtra);
    bool ReadLong(CIffChunk& chunk, bool withExtras);

    uint16_t version_ = 0;
    std::vector<DrawGroupImage> images_;
};

} // namespace vorn

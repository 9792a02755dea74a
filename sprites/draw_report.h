#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

// One part of an object that a drawing had to leave out.
struct UndrawnPart {
    enum class Kind : uint8_t {
        Object,    // the entry's OBJD chunk is gone
        Graphic,   // the graphic index is not below the object's count
        DrawGroup, // the DGRP chunk is missing or does not parse
        View,      // the draw group has no placements for the direction and zoom
        Frame,     // a placement's sprite, frame or palette cannot be had, or the frame fails to decode
    };
    Kind kind = Kind::Frame;
    uint32_t id = 0;    // chunk id (OBJD, DGRP or SPR2) or graphic index
    uint32_t frame = 0; // frame index, for Frame

    bool operator==(const UndrawnPart&) const = default;
};

// What one drawing of an object left out, each part once, in the order it
// was found (an image's placements that cannot be had before those that
// fail to draw).
class DrawReport {
public:
    // Parts kept to be named; beyond them, further parts are only counted
    // (without telling repeats apart), so a draw group of a million bad
    // placements costs no more than a few.
    static constexpr size_t kKeptParts = 64;

    void Add(UndrawnPart part);
    bool Complete() const { return parts_.empty(); }
    const std::vector<UndrawnPart>& Parts() const { return parts_; }
    void Clear()
    {
        parts_.clear();
        uncounted_ = 0;
    }

    // "Not drawn: sprite 0 frame 0, draw group 101 and 2 more"; empty when
    // nothing was left out.
    std::string Summary() const;

private:
    std::vector<UndrawnPart> parts_;
    size_t uncounted_ = 0; // added after kKeptParts were kept
};

} // namespace vorn

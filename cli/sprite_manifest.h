#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The sprites.json that iff export writes beside the pictures and iff import
// reads back: per SPR2 chunk its id, label, chunk flags and palette id, and
// per frame its header fields and picture names. Read back, every field but
// the ids may be missing (the input's value then stays).
struct ManifestFrame {
    uint32_t frame = 0;
    std::optional<uint16_t> width;
    std::optional<uint16_t> height;
    std::optional<uint16_t> paletteId;
    std::optional<uint32_t> flags;
    std::optional<uint16_t> transparentIndex;
    std::optional<uint16_t> xOffset;
    std::optional<uint16_t> yOffset;
    // The picture names; empty for a frame without pictures (null in the file).
    std::string png;
    std::string depthPng;
};

struct ManifestSprite {
    uint16_t chunk = 0;
    std::optional<std::string> label; // bytes as stored in the chunk header
    std::optional<uint16_t> flags;
    std::optional<uint16_t> paletteId;
    std::vector<ManifestFrame> frames;
};

enum class ManifestReadStatus {
    Ok,
    Malformed, // not JSON, or cut short
    BadShape,  // JSON, but a field is unknown, missing, repeated or of the wrong kind or range
};

struct ManifestReadResult {
    ManifestReadStatus status = ManifestReadStatus::Ok;
    // Where and what, for the message: "line 3, column 7: ..." or the field's place.
    std::string problem;
};

class SpriteManifest {
public:
    std::vector<ManifestSprite> sprites;

    // The file's text: one sprite a few lines, one frame a line.
    std::string ToJson() const;

    // Reads the file's text into `manifest` (replaced). Each chunk id may
    // appear once, each frame index once per sprite.
    static ManifestReadResult Parse(std::string_view text, SpriteManifest& manifest);

    const ManifestSprite* Find(uint16_t chunk) const;
};

} // namespace vorn

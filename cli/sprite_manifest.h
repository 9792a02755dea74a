#pragma once

#include <cstddef>
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
    // The picture names: none when the field is left out, empty for null
    // (the frame has no such picture).
    std::optional<std::string> png;
    std::optional<std::string> depthPng;
};

struct ManifestSprite {
    uint16_t chunk = 0;
    std::optional<std::string> label; // Latin-1 bytes as stored in the chunk header (UTF-8 in the file)
    std::optional<uint16_t> flags;
    std::optional<uint16_t> paletteId;
    std::vector<ManifestFrame> frames;
};

enum class ManifestReadStatus {
    Ok,
    Malformed, // not JSON, or cut short
    BadShape,  // JSON, but a field is unknown, missing, repeated or of the wrong kind or range
    TooLarge,  // longer than SpriteManifest::kMaxBytes
};

struct ManifestReadResult {
    ManifestReadStatus status = ManifestReadStatus::Ok;
    // Where and what, for the message: "line 3, column 7: ..." or the field's place.
    std::string problem;
};

class SpriteManifest {
public:
    // A manifest lists about 150 bytes a frame: 4 MB hold over 25,000 frames,
    // far more than any object has. Longer text is refused unread.
    static constexpr size_t kMaxBytes = size_t{4} << 20;

    std::vector<ManifestSprite> sprites;

    // The file's text: one sprite a few lines, one frame a line.
    std::string ToJson() const;

    // Reads the file's text (UTF-8, a byte-order mark allowed) into
    // `manifest` (replaced; left empty on failure). Each chunk id may appear
    // once, each frame index once per sprite; a label must be Latin-1.
    static ManifestReadResult Parse(std::string_view text, SpriteManifest& manifest);

    const ManifestSprite* Find(uint16_t chunk) const;
};

} // namespace vorn

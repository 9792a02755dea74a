#pragma once

#include "iff/spr2_sprite.h"
#include "sprites/frame_import.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorn {

class CIffChunk;
class IffEditService;

// A sprite an import changes, loaded once.
struct ImportedSprite {
    CIffChunk* chunk = nullptr;
    CSpr2Sprite sprite;
    bool changed = false;
};

// How one frame came out of an import: the palette it is drawn with and how
// far the drawn colours lie from the picture's.
struct ImportedFrame {
    uint16_t sprite = 0; // the SPR2 chunk's id
    int frame = 0;
    uint16_t palette = 0; // the PALT chunk's id
    bool redrawn = false; // drawn again because its palette was rebuilt, not imported
    ColourDrift drift;
};

struct RebuiltPalette {
    uint16_t id = 0;
    size_t frames = 0;  // the frames its colours were taken from
    size_t colours = 0; // at most 256
};

// What Finish did; with `problem` set nothing of the file changed.
struct SpriteImportResult {
    std::vector<RebuiltPalette> rebuilt;
    std::vector<ImportedFrame> frames; // the frames drawn, in order, those redrawn last
    std::optional<std::string> problem;
    bool changed = false;
};

// New pictures brought into the frames of an IFF file's sprites, for
// vorn-cli's iff import and the resource window alike: the frames are
// gathered first, then, when asked, every palette they are drawn with is
// built from them and from the other frames drawn with it (which are drawn
// again with the new colours so they keep their look), and then each frame
// is encoded with its palette and the sprites stored.
class SpriteImport {
public:
    explicit SpriteImport(IffEditService& service);
    ~SpriteImport();
    SpriteImport(const SpriteImport&) = delete;
    SpriteImport& operator=(const SpriteImport&) = delete;

    // The sprite of `chunk`, loaded on first use; null when it cannot be loaded.
    ImportedSprite* Load(CIffChunk* chunk);
    // The colours of the palette a frame of `sprite` is drawn with (its own,
    // else the sprite's); null when there is none.
    const uint8_t* PaletteOf(const ImportedSprite& sprite, const Spr2Frame& frame) const;

    // Frame `index` of `sprite` is to draw `rgba` (4 bytes a pixel) and
    // `depth` (255: none), `width` x `height`, with the header `frame`
    // (`headerChanged` when it differs from the stored one). `source` names
    // the pictures in messages.
    void AddFrame(ImportedSprite& sprite, int index, const Spr2Frame& frame, bool headerChanged, std::string source,
                  uint32_t width, uint32_t height, std::vector<uint8_t> rgba, std::vector<uint8_t> depth);

    SpriteImportResult Finish(bool rebuildPalettes);

    // "frame 2 of SPR2 40", as messages name a frame.
    static std::string FrameText(int index, uint16_t chunkId);
    static std::string NoPaletteText(int index, uint16_t chunkId);
    // The name iff export gives a frame's picture: "40_2.png", "40_2_depth.png".
    static std::string PictureName(uint16_t chunkId, int index, bool depth);

private:
    struct PendingFrame;
    SpriteImportResult Import(bool rebuildPalettes);
    bool RebuildPalettes(SpriteImportResult& result);
    bool DrawFrame(PendingFrame& pending, SpriteImportResult& result);

    IffEditService& service_;
    std::vector<std::unique_ptr<ImportedSprite>> sprites_;
    std::vector<PendingFrame> frames_;
};

} // namespace vorn

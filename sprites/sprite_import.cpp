#include "sprites/sprite_import.h"

#include "base/message_texts.h"
#include "iff/iff_file_ref.h"
#include "iff/palt_palette.h"
#include "iff/spr2_frame_encoder.h"
#include "iff/type_codes.h"
#include "sprites/frame_export.h"
#include "sprites/iff_edit_service.h"
#include "sprites/palette_builder.h"

#include <algorithm>
#include <map>
#include <set>

namespace vorn {

// A frame's new pictures, drawn once every palette is final.
struct SpriteImport::PendingFrame {
    ImportedSprite* owner = nullptr;
    int index = 0;
    Spr2Frame frame; // the header as it will be stored
    bool headerChanged = false;
    bool redrawn = false;
    std::string source;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;
    std::vector<uint8_t> depth;
};

SpriteImport::SpriteImport(IffEditService& service) : service_(service) {}

std::string SpriteImport::FrameText(int index, uint16_t chunkId)
{
    return "frame " + std::to_string(index) + " of SPR2 " + std::to_string(chunkId);
}

std::string SpriteImport::PictureName(uint16_t chunkId, int index, bool depth)
{
    return std::to_string(chunkId) + "_" + std::to_string(index) + (depth ? "_depth.png" : ".png");
}

std::string SpriteImport::NoPaletteText(int index, uint16_t chunkId)
{
    return "Frame " + std::to_string(index) + " of SPR2 " + std::to_string(chunkId) + " has no usable palette!";
}

SpriteImport::~SpriteImport() = default;

ImportedSprite* SpriteImport::Load(CIffChunk* chunk)
{
    for (const std::unique_ptr<ImportedSprite>& loaded : sprites_)
        if (loaded->chunk == chunk)
            return loaded.get();
    auto loaded = std::make_unique<ImportedSprite>();
    loaded->chunk = chunk;
    if (service_.File() == nullptr || !loaded->sprite.Load(*service_.File(), chunk))
        return nullptr;
    return sprites_.emplace_back(std::move(loaded)).get();
}

const uint8_t* SpriteImport::PaletteOf(const ImportedSprite& sprite, const Spr2Frame& frame) const
{
    CIffChunk* chunk = PaltPalette::FindChunk(*service_.File(), frame.paletteId, sprite.sprite.PaletteId());
    return chunk != nullptr ? PaltPalette::Colours(*chunk) : nullptr;
}

void SpriteImport::AddFrame(ImportedSprite& sprite, int index, const Spr2Frame& frame, bool headerChanged,
                            std::string source, uint32_t width, uint32_t height, std::vector<uint8_t> rgba,
                            std::vector<uint8_t> depth)
{
    frames_.push_back(
        {&sprite, index, frame, headerChanged, false, std::move(source), width, height, std::move(rgba), std::move(depth)});
}

SpriteImportResult SpriteImport::Finish(bool rebuildPalettes)
{
    // What the palettes and sprites held, put back when the import fails
    // halfway, so a file kept open is as it was.
    std::vector<std::pair<CIffChunk*, std::vector<uint8_t>>> before;
    for (const uint32_t type : {kTypePalt, kTypeSpr2})
        for (CIffChunk* chunk : service_.File()->ChunksOfType(type))
            if (const std::optional<std::span<const uint8_t>> data = service_.Data(*chunk))
                before.emplace_back(chunk, std::vector<uint8_t>(data->begin(), data->end()));
    SpriteImportResult result = Import(rebuildPalettes);
    if (result.problem)
        for (auto& [chunk, bytes] : before)
            chunk->Assign(bytes);
    return result;
}

SpriteImportResult SpriteImport::Import(bool rebuildPalettes)
{
    SpriteImportResult result;
    if (rebuildPalettes && !RebuildPalettes(result))
        return result;
    for (PendingFrame& pending : frames_)
        if (!DrawFrame(pending, result))
            return result;
    for (const std::unique_ptr<ImportedSprite>& loaded : sprites_)
        if (loaded->changed) {
            if (!loaded->sprite.Store()) {
                result.problem = "Can't write one of the SPR2 resources!";
                return result;
            }
            result.changed = true;
        }
    return result;
}

// Builds every palette the new pictures are drawn with from them, and from
// the other frames drawn with it (as they look now), which are then drawn
// again with the new colours so they keep their look.
bool SpriteImport::RebuildPalettes(SpriteImportResult& result)
{
    CIffFileRef& file = *service_.File();
    auto paletteChunk = [&](const ImportedSprite& sprite, const Spr2Frame& frame) {
        return PaltPalette::FindChunk(file, frame.paletteId, sprite.sprite.PaletteId());
    };
    std::map<uint16_t, PaletteBuilder> builders;
    std::map<uint16_t, size_t> frameCounts;
    std::set<std::pair<const ImportedSprite*, int>> drawn;
    for (const PendingFrame& pending : frames_) {
        const uint16_t id = paletteChunk(*pending.owner, pending.frame)->Id();
        builders[id].Add(pending.rgba);
        ++frameCounts[id];
        drawn.insert({pending.owner, pending.index});
    }
    for (CIffChunk* chunk : file.ChunksOfType(kTypeSpr2)) {
        ImportedSprite* loaded = Load(chunk);
        for (int index = 0; loaded != nullptr && index < loaded->sprite.FrameCount(); ++index) {
            Spr2Frame frame;
            if (drawn.contains({loaded, index}) || !loaded->sprite.GetFrame(index, frame))
                continue;
            CIffChunk* palette = paletteChunk(*loaded, frame);
            if (palette == nullptr || !builders.contains(palette->Id()))
                continue;
            const uint8_t* colours = PaltPalette::Colours(*palette);
            ExportedFrame pictures;
            if (colours == nullptr ||
                ExportFrame(frame, PaletteColours(colours, 768), pictures) != FrameExportResult::Complete) {
                result.problem = FrameText(index, chunk->Id()) + " is drawn with PALT " + std::to_string(palette->Id()) +
                                 " but cannot be decoded whole, so that palette cannot be rebuilt without spoiling it!";
                return false;
            }
            builders[palette->Id()].Add(pictures.rgba);
            ++frameCounts[palette->Id()];
            frames_.push_back({loaded, index, frame, false, true, FrameText(index, chunk->Id()), frame.width,
                               frame.height, std::move(pictures.rgba), std::move(pictures.depth)});
        }
    }
    for (const auto& [id, builder] : builders) {
        const std::optional<PaltColours> colours = builder.Build();
        if (!colours) {
            result.problem = "PALT " + std::to_string(id) + " could not be rebuilt!";
            return false;
        }
        const IffEditResult replaced = service_.SetPaletteColours(id, 0, *colours);
        if (!replaced.done) {
            result.problem = replaced.message;
            return false;
        }
        result.rebuilt.push_back({id, frameCounts[id], std::min<size_t>(builder.ColourCount(), PaltPalette::kColourCount)});
    }
    return true;
}

// Encodes a frame's pictures with the palette it is drawn with; false with
// the reason set when they cannot be.
bool SpriteImport::DrawFrame(PendingFrame& pending, SpriteImportResult& result)
{
    CSpr2Sprite& spr2 = pending.owner->sprite;
    const uint16_t chunkId = pending.owner->chunk->Id();
    CIffChunk* palette = PaltPalette::FindChunk(*service_.File(), pending.frame.paletteId, spr2.PaletteId());
    const uint8_t* colours = palette != nullptr ? PaltPalette::Colours(*palette) : nullptr;
    if (colours == nullptr) {
        result.problem = NoPaletteText(pending.index, chunkId);
        return false;
    }
    FrameImport imported =
        ImportFramePictures(pending.frame, colours, {pending.width, pending.height, pending.rgba, pending.depth});
    if (imported.status == FrameImportStatus::Unchanged) {
        if (pending.headerChanged && spr2.SetFrame(pending.index, pending.frame))
            pending.owner->changed = true;
        return true;
    }
    if (imported.status != FrameImportStatus::Encoded) {
        result.problem = "Row " + std::to_string(imported.encode.row) + " of \"" + pending.source + "\" takes " +
                         std::to_string(imported.encode.rowBytes) + " bytes, more than the " +
                         std::to_string(kMaxSpr2RowBytes) +
                         " an SPR2 row can hold (up to 8186 pixels without depth, 4093 with depth or 2728 "
                         "blended; transparent ones take next to nothing)!";
        return false;
    }
    result.frames.push_back({chunkId, pending.index, palette->Id(), pending.redrawn, imported.drift});
    pending.frame.width = static_cast<uint16_t>(pending.width);
    pending.frame.height = static_cast<uint16_t>(pending.height);
    if (!spr2.ReplaceFrame(pending.index, pending.frame, std::move(imported.commands))) {
        result.problem = texts::kCantLoadSprite;
        return false;
    }
    pending.owner->changed = true;
    return true;
}

} // namespace vorn

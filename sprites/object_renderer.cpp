#include "sprites/object_renderer.h"

#include "iff/iff_file_ref.h"
#include "iff/spr2_sprite.h"
#include "iff/type_codes.h"
#include "sprites/draw_sprite.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace vorn {

namespace {

struct GatheredFrame {
    const SpritePlacement* placement = nullptr;
    Spr2Frame frame;
    uint16_t spritePalette = 0;
};

void Note(DrawReport* report, UndrawnPart part)
{
    if (report != nullptr)
        report->Add(part);
}

UndrawnPart FramePart(const SpritePlacement& placement)
{
    return {UndrawnPart::Kind::Frame, static_cast<uint16_t>(placement.spriteId), placement.frameIndex};
}

// Every placement's frame that can be had, parsed from its SPR2 chunk; the
// others are noted in `report` and left out. A sprite named by several
// placements is parsed once; the sprites own the frames' bytes, so they live
// as long as `sprites`. False when any placement was left out.
bool GatherFrames(CIffFileRef& file, const DrawGroupImage& image, std::vector<std::unique_ptr<CSpr2Sprite>>& sprites,
                  std::vector<GatheredFrame>& frames, DrawReport* report)
{
    // A sprite that does not parse is kept as null, so it is tried once.
    std::vector<std::pair<uint16_t, CSpr2Sprite*>> loaded;
    frames.reserve(image.sprites.size());
    bool complete = true;
    for (const SpritePlacement& placement : image.sprites) {
        // Short draw groups sign-extend their 16-bit ids; the chunk id is the low half.
        const auto id = static_cast<uint16_t>(placement.spriteId);
        const auto known = std::find_if(loaded.begin(), loaded.end(), [id](const auto& l) { return l.first == id; });
        CSpr2Sprite* sprite = known != loaded.end() ? known->second : nullptr;
        if (known == loaded.end()) {
            auto fresh = std::make_unique<CSpr2Sprite>();
            if (fresh->Load(file, file.Find(kTypeSpr2, id))) {
                sprite = fresh.get();
                sprites.push_back(std::move(fresh));
            }
            loaded.emplace_back(id, sprite);
        }
        GatheredFrame gathered;
        gathered.placement = &placement;
        // Indices above INT32_MAX become negative and are refused like any other bad index.
        if (sprite == nullptr || !sprite->GetFrame(static_cast<int>(placement.frameIndex), gathered.frame)) {
            Note(report, FramePart(placement));
            complete = false;
            continue;
        }
        gathered.spritePalette = sprite->PaletteId();
        frames.push_back(gathered);
    }
    return complete;
}

const DrawGroupImage* ImageAt(const CDrawGroup& group, int imageIndex)
{
    if (imageIndex < 0 || imageIndex >= group.ImageCount())
        return nullptr;
    return &group.Images()[static_cast<size_t>(imageIndex)];
}

BoundsRect Union(const BoundsRect& a, const BoundsRect& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

BoundsRect Moved(const BoundsRect& rect, int32_t dx, int32_t dy)
{
    return {WrapAdd(rect.left, dx), WrapAdd(rect.top, dy), WrapAdd(rect.right, dx), WrapAdd(rect.bottom, dy)};
}

// The draw group image of one catalogue entry (single object or tile) for a
// graphic; false, with the part noted, when the chunk is missing, does not
// parse or has nothing for the view.
bool FindObjectImage(CIffFileRef& file, const ObjectEntry& entry, int32_t graphicIndex, int direction, int zoom,
                     CDrawGroup& group, int& imageIndex, DrawReport* report)
{
    const auto id = static_cast<uint16_t>(entry.baseGraphicId + static_cast<uint16_t>(graphicIndex));
    if (!group.Load(file, file.Find(kTypeDgrp, id))) {
        Note(report, {UndrawnPart::Kind::DrawGroup, id, 0});
        return false;
    }
    imageIndex = group.FindImage(direction, zoom);
    const DrawGroupImage* image = ImageAt(group, imageIndex);
    if (image == nullptr || image->sprites.empty()) {
        Note(report, {UndrawnPart::Kind::View, id, 0});
        return false;
    }
    return true;
}

bool HasGraphic(const ObjectEntry& entry, int32_t graphicIndex)
{
    return graphicIndex >= 0 && graphicIndex < static_cast<int32_t>(entry.graphicCount);
}

struct PlacedTile {
    const ObjectEntry* tile;
    TilePlacement placement;
};

// The tiles of a leader's group in drawing order: larger depth keys first,
// catalogue order among equal keys.
bool OrderTiles(const CObjectCatalogue& catalogue, const ObjectEntry& leader, int direction, int zoom,
                std::vector<PlacedTile>& tiles)
{
    for (const ObjectEntry* tile : catalogue.TilesOf(leader.masterId)) {
        PlacedTile placed{tile, {}};
        if (!PlaceTile(direction, zoom, tile->subIndex, placed.placement))
            return false;
        tiles.push_back(placed);
    }
    std::stable_sort(tiles.begin(), tiles.end(),
                     [](const PlacedTile& a, const PlacedTile& b) { return a.placement.key > b.placement.key; });
    return true;
}

// Calls visit(file, group, imageIndex, dx, dy) for every image drawing the
// object covers, in drawing order: a single entry's image at (0, 0), or each
// tile's image of a leader moved to its place. What cannot be had is noted
// and left out; a tile without the graphic is left out silently. False when
// anything was left out or the entry is neither single nor a leader.
template <typename Visit>
bool WalkObjectImages(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t graphicIndex,
                      int direction, int zoom, DrawReport* report, Visit visit)
{
    CIffFileRef* const file = catalogue.File();
    if (file == nullptr || file->File() == nullptr || file->Find(kTypeObjd, entry.chunkId) == nullptr) {
        Note(report, {UndrawnPart::Kind::Object, entry.chunkId, 0});
        return false;
    }
    std::vector<PlacedTile> tiles;
    if (entry.single) {
        if (!HasGraphic(entry, graphicIndex)) {
            Note(report, {UndrawnPart::Kind::Graphic, static_cast<uint32_t>(graphicIndex), 0});
            return false;
        }
        tiles.push_back({&entry, {}});
    } else if (!entry.leader || !OrderTiles(catalogue, entry, direction, zoom, tiles)) {
        return false;
    }
    bool complete = true;
    for (const PlacedTile& placed : tiles) {
        if (!HasGraphic(*placed.tile, graphicIndex))
            continue;
        CDrawGroup group;
        int image = -1;
        if (!FindObjectImage(*file, *placed.tile, graphicIndex, direction, zoom, group, image, report)) {
            complete = false;
            continue;
        }
        complete = visit(*file, group, image, placed.placement.dx, placed.placement.dy) && complete;
    }
    return complete;
}

} // namespace

bool DrawImage(CIffFileRef& file, const CDrawGroup& group, int imageIndex, RenderTarget& target, int32_t x,
               int32_t y, int32_t depthBias, DrawReport* report)
{
    const DrawGroupImage* image = ImageAt(group, imageIndex);
    if (!target.HasPlanes() || image == nullptr || image->sprites.empty())
        return false;
    std::vector<std::unique_ptr<CSpr2Sprite>> sprites;
    std::vector<GatheredFrame> frames;
    bool complete = GatherFrames(file, *image, sprites, frames, report);
    for (const GatheredFrame& item : frames) {
        target.x = WrapAdd(x, item.placement->x);
        target.y = WrapSub(WrapAdd(y, item.placement->y), item.frame.height);
        target.mirror = (item.placement->flags & 1) != 0;
        target.depthBias = depthBias;
        if (!DrawSprite(file, item.frame, target, item.spritePalette)) {
            Note(report, FramePart(*item.placement));
            complete = false;
        }
    }
    return complete;
}

BoundsRect ImageBounds(CIffFileRef& file, const CDrawGroup& group, int imageIndex)
{
    const DrawGroupImage* image = ImageAt(group, imageIndex);
    if (image == nullptr || image->sprites.empty())
        return BoundsRect::Empty();
    std::vector<std::unique_ptr<CSpr2Sprite>> sprites;
    std::vector<GatheredFrame> frames;
    GatherFrames(file, *image, sprites, frames, nullptr);
    BoundsRect bounds;
    for (const GatheredFrame& item : frames) {
        if (item.frame.width == 0 || item.frame.height == 0)
            continue;
        const int32_t x = item.placement->x;
        const int32_t y = item.placement->y;
        bounds = Union(bounds, {x, WrapSub(y, item.frame.height), WrapAdd(x, item.frame.width), y});
    }
    return bounds;
}

bool PlaceTile(int direction, int zoom, int16_t subIndex, TilePlacement& placement)
{
    struct Signs {
        int kx, ky, sx, sy;
    };
    static constexpr Signs kSigns[] = {{-1, -1, -1, +1}, {+1, -1, -1, -1}, {+1, +1, +1, -1}, {-1, +1, +1, +1}};
    if (direction < 0 || direction > 6 || direction % 2 != 0 || zoom < 1 || zoom > 3)
        return false;
    const Signs& signs = kSigns[direction / 2];
    const auto raw = static_cast<uint16_t>(subIndex);
    const int32_t tx = raw & 0xFF;
    const int32_t ty = raw >> 8;
    const int32_t step = 4 << zoom;
    placement.key = signs.kx * tx + signs.ky * ty;
    placement.dx = 2 * step * (signs.sx * tx + signs.sy * ty);
    placement.dy = -step * placement.key;
    return true;
}

bool DrawObject(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t graphicIndex, int direction,
                int zoom, RenderTarget& target, DrawReport* report)
{
    const int32_t x = target.x;
    const int32_t y = target.y;
    const bool tiled = entry.leader;
    return WalkObjectImages(catalogue, entry, graphicIndex, direction, zoom, report,
                            [&](CIffFileRef& file, const CDrawGroup& group, int image, int32_t dx, int32_t dy) {
                                const bool drawn = DrawImage(file, group, image, target, WrapAdd(x, dx),
                                                             WrapAdd(y, dy), 0, report);
                                // The next tile covers this one whatever its depths.
                                if (tiled)
                                    target.FillDepth(255);
                                return drawn;
                            });
}

BoundsRect ObjectBounds(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t graphicIndex,
                        int direction, int zoom)
{
    BoundsRect bounds;
    WalkObjectImages(catalogue, entry, graphicIndex, direction, zoom, nullptr,
                     [&](CIffFileRef& file, const CDrawGroup& group, int image, int32_t dx, int32_t dy) {
                         const BoundsRect imageBounds = ImageBounds(file, group, image);
                         if (!imageBounds.IsEmpty())
                             bounds = Union(bounds, Moved(imageBounds, dx, dy));
                         return true;
                     });
    return bounds;
}

} // namespace vorn

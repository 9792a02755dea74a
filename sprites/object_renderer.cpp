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

// Every placement's frame, parsed from its SPR2 chunk. A sprite named by
// several placements is parsed once; the sprites own the frames' bytes, so
// they live as long as `sprites`.
bool GatherFrames(CIffFileRef& file, const DrawGroupImage& image, std::vector<std::unique_ptr<CSpr2Sprite>>& sprites,
                  std::vector<GatheredFrame>& frames)
{
    std::vector<std::pair<uint16_t, CSpr2Sprite*>> loaded;
    frames.reserve(image.sprites.size());
    for (const SpritePlacement& placement : image.sprites) {
        // Short draw groups sign-extend their 16-bit ids; the chunk id is the low half.
        const auto id = static_cast<uint16_t>(placement.spriteId);
        CSpr2Sprite* sprite = nullptr;
        for (const auto& [loadedId, loadedSprite] : loaded)
            if (loadedId == id)
                sprite = loadedSprite;
        if (sprite == nullptr) {
            auto fresh = std::make_unique<CSpr2Sprite>();
            if (!fresh->Load(file, file.Find(kTypeSpr2, id)))
                return false;
            sprite = fresh.get();
            sprites.push_back(std::move(fresh));
            loaded.emplace_back(id, sprite);
        }
        GatheredFrame gathered;
        gathered.placement = &placement;
        gathered.spritePalette = sprite->PaletteId();
        // Indices above INT32_MAX become negative and are refused like any other bad index.
        if (!sprite->GetFrame(static_cast<int>(placement.frameIndex), gathered.frame))
            return false;
        frames.push_back(gathered);
    }
    return true;
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
// graphic; false when the chunk is missing, does not parse or has no image
// for the view.
bool FindObjectImage(CIffFileRef& file, const ObjectEntry& entry, int32_t graphicIndex, int direction, int zoom,
                     CDrawGroup& group, int& imageIndex)
{
    const auto id = static_cast<uint16_t>(entry.baseGraphicId + static_cast<uint16_t>(graphicIndex));
    if (!group.Load(file, file.Find(kTypeDgrp, id)))
        return false;
    imageIndex = group.FindImage(direction, zoom);
    return imageIndex != -1;
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

// The catalogue's container with the entry's OBJD present, or false.
bool AttachObject(const CObjectCatalogue& catalogue, const ObjectEntry& entry, CIffFileRef& file)
{
    return file.Attach(catalogue.Handle()) && file.Find(kTypeObjd, entry.chunkId) != nullptr;
}

} // namespace

bool DrawImage(CIffFileRef& file, const CDrawGroup& group, int imageIndex, RenderTarget& target, int32_t x,
               int32_t y, int32_t depthBias)
{
    const DrawGroupImage* image = ImageAt(group, imageIndex);
    if (!target.HasPlanes() || image == nullptr || image->sprites.empty())
        return false;
    std::vector<std::unique_ptr<CSpr2Sprite>> sprites;
    std::vector<GatheredFrame> frames;
    if (!GatherFrames(file, *image, sprites, frames))
        return false;
    for (const GatheredFrame& item : frames) {
        target.x = WrapAdd(x, item.placement->x);
        target.y = WrapSub(WrapAdd(y, item.placement->y), item.frame.height);
        target.mirror = (item.placement->flags & 1) != 0;
        target.depthBias = depthBias;
        if (!DrawSprite(file, item.frame, target, item.spritePalette))
            return false;
    }
    return true;
}

BoundsRect ImageBounds(CIffFileRef& file, const CDrawGroup& group, int imageIndex)
{
    const DrawGroupImage* image = ImageAt(group, imageIndex);
    if (image == nullptr || image->sprites.empty())
        return BoundsRect::Empty();
    std::vector<std::unique_ptr<CSpr2Sprite>> sprites;
    std::vector<GatheredFrame> frames;
    if (!GatherFrames(file, *image, sprites, frames))
        return BoundsRect::Empty();
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
                int zoom, RenderTarget& target)
{
    CIffFileRef file;
    if (!AttachObject(catalogue, entry, file))
        return false;
    const int32_t x = target.x;
    const int32_t y = target.y;
    if (entry.single) {
        if (!HasGraphic(entry, graphicIndex))
            return false;
        CDrawGroup group;
        int image = -1;
        if (!FindObjectImage(file, entry, graphicIndex, direction, zoom, group, image))
            return false;
        return DrawImage(file, group, image, target, x, y, 0);
    }
    if (!entry.leader)
        return false;
    std::vector<PlacedTile> tiles;
    if (!OrderTiles(catalogue, entry, direction, zoom, tiles))
        return false;
    for (const PlacedTile& placed : tiles) {
        if (!HasGraphic(*placed.tile, graphicIndex))
            continue;
        CDrawGroup group;
        int image = -1;
        if (!FindObjectImage(file, *placed.tile, graphicIndex, direction, zoom, group, image))
            return false;
        if (!DrawImage(file, group, image, target, WrapAdd(x, placed.placement.dx), WrapAdd(y, placed.placement.dy),
                       0))
            return false;
        // The next tile covers this one whatever its depths.
        target.FillDepth(255);
    }
    return true;
}

BoundsRect ObjectBounds(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t graphicIndex,
                        int direction, int zoom)
{
    CIffFileRef file;
    if (!AttachObject(catalogue, entry, file))
        return BoundsRect::Empty();
    if (entry.single) {
        CDrawGroup group;
        int image = -1;
        if (!HasGraphic(entry, graphicIndex) ||
            !FindObjectImage(file, entry, graphicIndex, direction, zoom, group, image))
            return BoundsRect::Empty();
        return ImageBounds(file, group, image);
    }
    std::vector<PlacedTile> tiles;
    if (!entry.leader || !OrderTiles(catalogue, entry, direction, zoom, tiles))
        return BoundsRect::Empty();
    BoundsRect bounds;
    for (const PlacedTile& placed : tiles) {
        if (!HasGraphic(*placed.tile, graphicIndex))
            continue;
        CDrawGroup group;
        int image = -1;
        if (!FindObjectImage(file, *placed.tile, graphicIndex, direction, zoom, group, image))
            return BoundsRect::Empty();
        const BoundsRect tileBounds = ImageBounds(file, group, image);
        if (!tileBounds.IsEmpty())
            bounds = Union(bounds, Moved(tileBounds, placed.placement.dx, placed.placement.dy));
    }
    return bounds;
}

} // namespace vorn

#pragma once

#include "iff/draw_group.h"
#include "iff/object_catalogue.h"
#include "sprites/bounds_rect.h"
#include "sprites/draw_report.h"
#include "sprites/render_target.h"

#include <cstdint>

namespace vorn {

class CIffFileRef;

// Draws image `imageIndex` of `group` with its origin at (x, y): every
// placement's frame in the group's order, at (x + placement x,
// y + placement y - frame height), mirrored when bit 0 of its flags is set,
// with `depthBias`. Every frame is found and parsed before anything is drawn.
// A placement whose sprite, frame or palette cannot be had, or whose frame
// fails to decode, is left out (noted in `report` when given) and the others
// are drawn; false then, and when the image has no placements or the target
// has no planes (nothing drawn).
bool DrawImage(CIffFileRef& file, const CDrawGroup& group, int imageIndex, RenderTarget& target, int32_t x,
               int32_t y, int32_t depthBias, DrawReport* report = nullptr);

// The extent of image `imageIndex` relative to its origin: the union of the
// frames of non-zero size that can be had; the empty rectangle when there
// is none.
BoundsRect ImageBounds(CIffFileRef& file, const CDrawGroup& group, int imageIndex);

// Where a tile of a multi-tile object goes for a direction and zoom: its
// depth key (tiles with larger keys are drawn first) and the shift of its
// origin (dy positive downwards). Directions other than 0, 2, 4, 6 or zooms
// other than 1..3 give nothing.
struct TilePlacement {
    int32_t key = 0;
    int32_t dx = 0;
    int32_t dy = 0;
};
bool PlaceTile(int direction, int zoom, int16_t subIndex, TilePlacement& placement);

// Draws a catalogue object (a single-tile entry or a multi-tile leader with
// all its tiles) for a graphic, direction (0..7) and zoom (1..3) with its
// origin at target.x, target.y. Tiles are drawn from the largest depth key to
// the smallest; after each tile the depth plane is reset to 255 so that the
// next one covers it. A tile without the graphic is left out. Everything
// that can be drawn is drawn; a tile whose draw group or image is missing and
// a placement that cannot be drawn are left out and noted in `report`. False
// when anything was left out, or the catalogue's file or the object's OBJD
// is missing.
bool DrawObject(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t graphicIndex, int direction,
                int zoom, RenderTarget& target, DrawReport* report = nullptr);

// The extent DrawObject would cover, relative to the object's origin (what
// can be had of it); the empty rectangle when nothing can.
BoundsRect ObjectBounds(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t graphicIndex,
                        int direction, int zoom);

} // namespace vorn

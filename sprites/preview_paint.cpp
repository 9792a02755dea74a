#include "sprites/preview_paint.h"

#include "sprites/object_renderer.h"

namespace vorn {

bool PaintPreview(RenderTarget& target, const CObjectCatalogue& catalogue, const ObjectEntry& entry,
                  const PreviewView& view, PreviewPan pan, DrawReport* report, uint8_t red, uint8_t green,
                  uint8_t blue)
{
    if (!target.HasPlanes())
        return false;
    target.FillColour(red, green, blue);
    target.FillDepth(255);
    target.x = pan.x;
    target.y = pan.y;
    target.depthBias = 0;
    target.mirror = false;
    return DrawObject(catalogue, entry, view.graphicIndex, view.direction, view.zoom, target, report);
}

PreviewPan RecentreObject(const CObjectCatalogue& catalogue, const ObjectEntry& entry, const PreviewView& view,
                          int32_t width, int32_t height)
{
    return RecentrePan(width, height, ObjectBounds(catalogue, entry, view.graphicIndex, view.direction, view.zoom));
}

} // namespace vorn

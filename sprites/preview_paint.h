#pragma once

#include "iff/object_catalogue.h"
#include "sprites/draw_report.h"
#include "sprites/preview_pan.h"
#include "sprites/render_target.h"

#include <cstdint>

namespace vorn {

// What the preview shows of an object.
struct PreviewView {
    int32_t graphicIndex = 0;
    int direction = 0; // 0, 2, 4 or 6
    int zoom = 3;      // 1, 2 or 3
};

// The preview's background: yellow.
constexpr uint8_t kPreviewRed = 255;
constexpr uint8_t kPreviewGreen = 255;
constexpr uint8_t kPreviewBlue = 0;

// One paint of the preview into an allocated target: the colour plane filled
// with (red, green, blue), the depth plane with 255, then `entry` drawn with
// its origin at `pan`. Returns DrawObject's result; what could be drawn is
// drawn, and what could not is noted in `report` when given.
bool PaintPreview(RenderTarget& target, const CObjectCatalogue& catalogue, const ObjectEntry& entry,
                  const PreviewView& view, PreviewPan pan, DrawReport* report = nullptr, uint8_t red = kPreviewRed,
                  uint8_t green = kPreviewGreen, uint8_t blue = kPreviewBlue);

// The pan recentre gives for `entry` in a client area of width x height.
PreviewPan RecentreObject(const CObjectCatalogue& catalogue, const ObjectEntry& entry, const PreviewView& view,
                          int32_t width, int32_t height);

} // namespace vorn

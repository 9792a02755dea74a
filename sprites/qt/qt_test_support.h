#pragma once

// Shared by the sprites/qt test files: small IFF objects built with the
// fixture writers.

#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vorn::qt_testing {

// A solid w x h frame of one colour index at depth 100.
inline std::vector<uint8_t> SolidPixels(uint16_t w, uint16_t h, uint8_t colour)
{
    testing::Spr2SourceFrame f;
    f.width = w;
    f.height = h;
    f.colour.assign(static_cast<size_t>(w) * h, colour);
    f.depth.assign(f.colour.size(), 100);
    return testing::EncodeSpr2Pixels(f);
}

// Palette 1 whose index i is (i, 255 - i, 7).
inline std::vector<uint8_t> RampPalette()
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 256; ++i)
        rgb.insert(rgb.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
    return testing::BuildPalt(rgb);
}

// One OBJD with `graphics` DGRPs (ids base..); in graphic g every image for
// direction d and zoom z is a (4 + d + 2z) x (3 + g) frame of colour
// 10 + d + z of SPR2 `spriteBase + g`, whose frames carry `framePalette`.
struct FixtureObject {
    uint16_t objdId = 128;
    std::string label = "Object";
    uint16_t masterId = 0;
    int16_t subIndex = 0;
    uint16_t base = 100;
    uint16_t graphics = 1;
    uint16_t spriteBase = 200;
    uint16_t framePalette = 1;
};

inline void AddObject(testing::IffFileLayout& layout, const FixtureObject& s)
{
    for (uint16_t g = 0; g < s.graphics; ++g) {
        std::vector<testing::Spr2ChunkFrame> frames;
        std::vector<testing::DgrpImageDesc> images;
        for (int z = 1; z <= 3; ++z)
            for (int d = 0; d < 8; d += 2) {
                testing::Spr2ChunkFrame frame;
                frame.width = static_cast<uint16_t>(4 + d + 2 * z);
                frame.height = static_cast<uint16_t>(3 + g);
                frame.paletteId = s.framePalette;
                frame.pixels = SolidPixels(frame.width, frame.height, static_cast<uint8_t>(10 + d + z));
                testing::DgrpSpriteDesc placement;
                placement.spriteId = static_cast<uint16_t>(s.spriteBase + g);
                placement.frameIndex = static_cast<uint32_t>(frames.size());
                placement.x = -2;
                placement.y = 1;
                frames.push_back(frame);
                images.push_back({1u << d, static_cast<uint32_t>(z), {placement}});
            }
        layout.chunks.push_back({"SPR2", static_cast<uint16_t>(s.spriteBase + g), 0x10, "", testing::BuildSpr2(1, frames)});
        layout.chunks.push_back({"DGRP", static_cast<uint16_t>(s.base + g), 0x10, "", testing::BuildDgrp(20004, images)});
    }
    testing::ObjdFields fields;
    fields.baseGraphicId = s.base;
    fields.graphicCount = s.graphics;
    fields.masterId = s.masterId;
    fields.subIndex = s.subIndex;
    layout.chunks.push_back({"OBJD", s.objdId, 0x10, s.label, testing::BuildObjd(fields)});
}

// Pixels of `image` that differ from `background`, and their bounding box.
struct Coverage {
    int count = 0;
    int left = 0, top = 0, right = -1, bottom = -1;
};

inline Coverage CoverageOf(const QImage& image, QRgb background)
{
    Coverage c;
    c.left = image.width();
    c.top = image.height();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) {
                ++c.count;
                c.left = std::min(c.left, x), c.right = std::max(c.right, x);
                c.top = std::min(c.top, y), c.bottom = std::max(c.bottom, y);
            }
    return c;
}

} // namespace vorn::qt_testing

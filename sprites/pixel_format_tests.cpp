#include "sprites/pixel_format.h"
#include "sprites/preview_pan.h"
#include "sprites/render_target.h"
#include "sprites/rgb_image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace vorn {
namespace {

TEST(PixelFormat, SixteenBitLayoutsAreToldApartByTheirMasks)
{
    EXPECT_EQ(ClassifyPixelType(16, 0x7C00, 0x03E0, 0x001F), PixelType::t555);
    EXPECT_EQ(ClassifyPixelType(16, 0xF800, 0x07E0, 0x001F), PixelType::t565);
    EXPECT_EQ(ClassifyPixelType(16, 0xF800, 0x07C0, 0x003F), PixelType::t655);
    EXPECT_EQ(ClassifyPixelType(16, 0xFC00, 0x03E0, 0x001F), PixelType::t556);
    EXPECT_EQ(ClassifyPixelType(16, 0x001F, 0x07E0, 0xF800), PixelType::tUnknown);
    EXPECT_EQ(ClassifyPixelType(8, 0, 0, 0), PixelType::t8bits);
    EXPECT_EQ(ClassifyPixelType(24, 0, 0, 0), PixelType::t24bits);
    EXPECT_EQ(ClassifyPixelType(32, 1, 2, 3), PixelType::t32bits);
    EXPECT_EQ(ClassifyPixelType(4, 0, 0, 0), PixelType::tUnknown);
}

TEST(PixelFormat, TypesMapToTheFourWriters)
{
    EXPECT_EQ(RenderBitsPerPixel(PixelType::t555), 15);
    EXPECT_EQ(RenderBitsPerPixel(PixelType::t565), 16);
    EXPECT_EQ(RenderBitsPerPixel(PixelType::t32bits), 32);
    for (PixelType other : {PixelType::tUnknown, PixelType::t8bits, PixelType::t655, PixelType::t556,
                            PixelType::t24bits})
        EXPECT_EQ(RenderBitsPerPixel(other), 24);
    EXPECT_EQ(RenderBitsPerPixel(std::nullopt), 24);
    // A 16-bit display of unknown masks is drawn by the 24-bit writer into a plane of its own layout.
    RenderTarget target;
    ASSERT_TRUE(target.Allocate(3, 1, RenderBitsPerPixel(ClassifyPixelType(16, 0x1F, 0x3E0, 0x7C00))));
    EXPECT_EQ(target.BytesPerPixel(), 3);
    EXPECT_GE(target.ColourStride(), 9u);
    EXPECT_EQ(PixelTypeText(PixelType::t655), "Pixel type: t655");
    EXPECT_EQ(PixelTypeText(PixelType::t24bits), "Pixel type: t24bits");
    EXPECT_EQ(PixelTypeText(PixelType::t8bits), "Pixel type: tUnknown");
    EXPECT_EQ(PixelTypeText(static_cast<PixelType>(9)), "Pixel type: tUnknown");
}

TEST(PixelFormat, ProbeReadsTheFirstPixelAtTheImagesDepth)
{
    const uint8_t bits[] = {0x1F, 0xF8, 0x07, 0x80};
    EXPECT_EQ(FirstPixelValue(bits, 8), 0x1Fu);
    EXPECT_EQ(FirstPixelValue(bits, 16), 0xF81Fu);
    EXPECT_EQ(FirstPixelValue(bits, 24), 0x8007F81Fu);
    EXPECT_EQ(FirstPixelValue(std::span(bits, 1), 16), 0u);
    EXPECT_FALSE(PixelInfoFromProbe(0, 0, 0, 0));
    EXPECT_FALSE(PixelInfoFromProbe(33, 0, 0, 0));
    const auto info = PixelInfoFromProbe(16, 0xF800, 0x07E0, 0x001F);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->type, PixelType::t565);
    EXPECT_EQ(info->greenMask, 0x07E0u);
}

TEST(PixelFormat, TheEnvironmentForcesALayout)
{
    const auto probed = PixelInfoFromProbe(32, 0xFF0000, 0xFF00, 0xFF);
    ::setenv(kPixelFormatVariable, "15", 1);
    EXPECT_EQ(ResolvePixelInfo(probed)->type, PixelType::t555);
    EXPECT_EQ(RenderBitsPerPixel(ResolvePixelInfo(probed)), 15);
    ::setenv(kPixelFormatVariable, "16", 1);
    EXPECT_EQ(RenderBitsPerPixel(ResolvePixelInfo(std::nullopt)), 16);
    ::setenv(kPixelFormatVariable, "24", 1);
    EXPECT_EQ(ResolvePixelInfo(probed)->type, PixelType::t24bits);
    ::setenv(kPixelFormatVariable, "64", 1);
    EXPECT_EQ(ResolvePixelInfo(probed)->type, PixelType::t32bits);
    ::unsetenv(kPixelFormatVariable);
    EXPECT_FALSE(ResolvePixelInfo(std::nullopt));
}

TEST(RenderTarget, PlanesFitTheirLayout)
{
    RenderTarget target;
    ASSERT_TRUE(target.Allocate(5, 3, 24));
    EXPECT_EQ(target.ColourStride(), 16u); // 15 bytes of pixels, rows of whole words
    EXPECT_EQ(target.DepthStride(), 8u);
    EXPECT_EQ(target.BytesPerPixel(), 3);
    EXPECT_EQ(target.ColourRowFromTop(0), target.ColourPlane() + 32);
    EXPECT_EQ(target.ColourRowFromTop(3), nullptr);
    ASSERT_TRUE(target.Allocate(5, 3, 32, 24));
    EXPECT_EQ(target.ColourStride(), 24u);
    EXPECT_FALSE(target.Allocate(5, 3, 32, 19));
    EXPECT_FALSE(target.HasPlanes());
    EXPECT_FALSE(target.Allocate(0, 3, 32));
    EXPECT_FALSE(target.Allocate(5, -1, 32));
    EXPECT_FALSE(target.Allocate(5, 3, 8));
    EXPECT_FALSE(target.Allocate(INT32_MAX, INT32_MAX, 32));
}

TEST(RenderTarget, ColoursConvertToRgbWithTheirHighBitsRepeated)
{
    RenderTarget target;
    for (int bits : {15, 16, 24, 32}) {
        ASSERT_TRUE(target.Allocate(2, 2, bits));
        target.FillColour(255, 255, 0);
        const std::vector<uint8_t> rgb = ColourPlaneToRgb(target);
        ASSERT_EQ(rgb.size(), 12u);
        EXPECT_EQ(std::vector<uint8_t>(rgb.begin(), rgb.begin() + 3), (std::vector<uint8_t>{255, 255, 0})) << bits;
    }
    // 15 bits: red 1, green 16, blue 30.
    ASSERT_TRUE(target.Allocate(1, 2, 15));
    target.ColourRowFromTop(0)[0] = static_cast<uint8_t>((16 << 5) | 30);
    target.ColourRowFromTop(0)[1] = static_cast<uint8_t>((1 << 2) | (16 >> 3));
    EXPECT_EQ(ColourPlaneToRgb(target), (std::vector<uint8_t>{8, 132, 247, 0, 0, 0}));
    // 16 bits: green 6 bits 33.
    ASSERT_TRUE(target.Allocate(1, 1, 16));
    target.ColourPlane()[0] = static_cast<uint8_t>(33 << 5);
    target.ColourPlane()[1] = static_cast<uint8_t>(33 >> 3);
    EXPECT_EQ(ColourPlaneToRgb(target), (std::vector<uint8_t>{0, 134, 0}));
    // 32 bits keep their bytes, whatever the fourth.
    ASSERT_TRUE(target.Allocate(1, 1, 32));
    const uint8_t pixel[] = {1, 2, 3, 4};
    std::copy(std::begin(pixel), std::end(pixel), target.ColourPlane());
    EXPECT_EQ(ColourPlaneToRgb(target), (std::vector<uint8_t>{3, 2, 1}));
}

TEST(PreviewPan, RecentreCentresTheBounds)
{
    EXPECT_EQ(RecentrePan(400, 300, {-20, -90, 30, 0}), (PreviewPan{195, 195}));
    EXPECT_EQ(RecentrePan(401, 301, {-21, -91, 30, 0}), (PreviewPan{196, 195})); // -91 / 2 is -45
    EXPECT_EQ(RecentrePan(400, 300, BoundsRect::Empty()), (PreviewPan{200, 150}));
    // Sums wrap: INT32_MAX + INT32_MAX is -2, halved -1.
    EXPECT_EQ(RecentrePan(10, 10, {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}), (PreviewPan{6, 5}));
    EXPECT_EQ(RecentrePan(10, 0, {-2, 0, INT32_MIN, 0}), (PreviewPan{5 - 0x3FFFFFFF, 0}));
    EXPECT_EQ(RecentrePanWithoutObject(400, 300), (PreviewPan{200, 290}));
}

TEST(PreviewPan, DraggingWithTheLeftButtonMovesThePan)
{
    PreviewPan pan{195, 195};
    MouseTrack track;
    EXPECT_FALSE(DragPan(pan, track, 10, 10, true)); // first position seen
    EXPECT_TRUE(DragPan(pan, track, 15, 8, true));
    EXPECT_EQ(pan, (PreviewPan{200, 193}));
    EXPECT_FALSE(DragPan(pan, track, 40, 40, false));
    EXPECT_TRUE(DragPan(pan, track, 41, 40, true));
    EXPECT_EQ(pan, (PreviewPan{201, 193}));
    // A remembered coordinate of -1 counts as no position.
    EXPECT_TRUE(DragPan(pan, track, -1, 40, true));
    EXPECT_FALSE(DragPan(pan, track, 7, 5, true));
    EXPECT_EQ(pan, (PreviewPan{159, 193}));
    pan = {INT32_MAX, 0};
    EXPECT_TRUE(DragPan(pan, track, 8, 5, true));
    EXPECT_EQ(pan.x, INT32_MIN);
}

} // namespace
} // namespace vorn

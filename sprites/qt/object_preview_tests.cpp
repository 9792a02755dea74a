#include "sprites/qt/object_preview.h"

#include "iff/iff_file_ref.h"
#include "sprites/qt/pixel_probe.h"
#include "sprites/qt/qt_test_support.h"

#include <QApplication>
#include <QTest>

#include <cstdlib>

namespace vorn {
namespace {

constexpr QRgb kYellow = 0xFFFFFF00;

TEST(PixelProbe, ReadsTheLayoutOfEachImageFormat)
{
    const struct {
        QImage::Format format;
        PixelType type;
        int bits;
        uint32_t red, green, blue;
    } cases[] = {
        {QImage::Format_RGB555, PixelType::t555, 16, 0x7C00, 0x03E0, 0x001F},
        {QImage::Format_RGB16, PixelType::t565, 16, 0xF800, 0x07E0, 0x001F},
        {QImage::Format_RGB888, PixelType::t24bits, 24, 0x0000FF, 0x00FF00, 0xFF0000},
        {QImage::Format_RGB32, PixelType::t32bits, 32, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF},
    };
    for (const auto& c : cases) {
        const auto info = ProbeImageFormat(c.format);
        ASSERT_TRUE(info.has_value()) << c.format;
        EXPECT_EQ(info->type, c.type) << c.format;
        EXPECT_EQ(info->bitsPerPixel, c.bits) << c.format;
        EXPECT_EQ(info->redMask, c.red) << c.format;
        EXPECT_EQ(info->greenMask, c.green) << c.format;
        EXPECT_EQ(info->blueMask, c.blue) << c.format;
    }
    // 16 bits in another order is no layout of the table.
    EXPECT_EQ(ProbeImageFormat(QImage::Format_RGB444)->type, PixelType::tUnknown);
    EXPECT_EQ(ProbeImageFormat(QImage::Format_Indexed8)->type, PixelType::t8bits);
    EXPECT_FALSE(ProbeImageFormat(QImage::Format_Invalid).has_value());
    EXPECT_FALSE(ProbeImageFormat(QImage::Format_RGBA64).has_value()); // deeper than 32 bits

    ASSERT_TRUE(RetrieveInfo().has_value());
    setenv(kPixelFormatVariable, "15", 1);
    EXPECT_EQ(RetrieveInfo()->type, PixelType::t555);
    EXPECT_EQ(CObjectPreview::DisplayBitsPerPixel(), 15);
    unsetenv(kPixelFormatVariable);
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::IffFileLayout layout;
        layout.chunks.push_back({"PALT", 1, 0x10, "", qt_testing::RampPalette()});
        qt_testing::AddObject(layout, {});
        IffParseError error = IffParseError::None;
        ASSERT_TRUE(file.Open(testing::BuildIffFile(layout), error, true));
        ASSERT_TRUE(catalogue.Build(&file));
        preview.setMinimumSize(0, 0);
        preview.resize(400, 300);
        preview.SetCatalogue(&catalogue);
        preview.SetEntry(catalogue.Entries()[0]);
    }

    CIffFileRef file;
    CObjectCatalogue catalogue;
    CObjectPreview preview;
};

TEST_F(PreviewTest, DrawsInEveryColourLayoutOverTheBackground)
{
    preview.Recentre();
    // Direction 0, zoom 3: 10 x 3 pixels of colour 13 = (13, 242, 7).
    const QImage wide = preview.Render(400, 300, 32);
    const auto c = qt_testing::CoverageOf(wide, kYellow);
    EXPECT_EQ(c.count, 30);
    for (int bits : {15, 16, 24}) {
        const QImage picture = preview.Render(400, 300, bits);
        EXPECT_EQ(picture.format(), ImageFormatForBits(bits));
        EXPECT_EQ(qt_testing::CoverageOf(picture, kYellow).count, 30) << bits;
        // The narrow layouts keep each channel's high bits.
        const QRgb drawn = picture.pixel(c.left, c.top);
        EXPECT_EQ(qRed(drawn) & 0xF8, 13 & 0xF8) << bits;
        EXPECT_EQ(qGreen(drawn) & 0xF8, 242 & 0xF8) << bits;
        EXPECT_EQ(picture.pixel(0, 0) & 0xFFFFFF, kYellow & 0xFFFFFF) << bits;
    }
    EXPECT_EQ(wide.pixel(c.left, c.top), qRgb(13, 242, 7));
    EXPECT_TRUE(preview.Render(0, 10).isNull());

    // Planes kept from the last paint hold nothing of it: a moved object is
    // drawn once, and a new background shows at once.
    preview.SetPan({preview.Pan().x + 50, preview.Pan().y});
    const QImage moved = preview.Render(400, 300, 32);
    EXPECT_EQ(qt_testing::CoverageOf(moved, kYellow).count, 30);
    EXPECT_EQ(qt_testing::CoverageOf(moved, kYellow).left, c.left + 50);
    preview.SetBackground(255, 0, 0);
    const QImage blue = preview.Render(400, 300, 32);
    EXPECT_EQ(blue.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(qt_testing::CoverageOf(blue, qRgb(0, 0, 255)).count, 30);
    // Another background, and without a catalogue nothing but it.
    EXPECT_EQ(preview.Render(8, 8, 32).pixel(3, 3), qRgb(0, 0, 255));
    preview.SetCatalogue(nullptr);
    EXPECT_EQ(qt_testing::CoverageOf(preview.Render(400, 300, 32), qRgb(0, 0, 255)).count, 0);
    preview.Recentre();
    EXPECT_EQ(preview.Pan(), (PreviewPan{200, 290}));
}

TEST_F(PreviewTest, TheLeftButtonDragsTheObjectAndNothingElseDoes)
{
    preview.SetPan({100, 100});
    QTest::mouseMove(&preview, {10, 10});
    QTest::mousePress(&preview, Qt::LeftButton, {}, {10, 10});
    QMouseEvent drag(QEvent::MouseMove, QPointF(15, 8), QPointF(15, 8), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&preview, &drag);
    EXPECT_EQ(preview.Pan(), (PreviewPan{105, 98}));
    QTest::mouseRelease(&preview, Qt::LeftButton, {}, {15, 8});

    // Moving without a button only follows the pointer.
    QMouseEvent hover(QEvent::MouseMove, QPointF(40, 40), QPointF(40, 40), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&preview, &hover);
    EXPECT_EQ(preview.Pan(), (PreviewPan{105, 98}));
    // Leaving and coming back elsewhere with the button down does not jump.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&preview, &leave);
    QMouseEvent back(QEvent::MouseMove, QPointF(200, 150), QPointF(200, 150), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&preview, &back);
    EXPECT_EQ(preview.Pan(), (PreviewPan{105, 98}));
    QMouseEvent on(QEvent::MouseMove, QPointF(201, 150), QPointF(201, 150), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&preview, &on);
    EXPECT_EQ(preview.Pan(), (PreviewPan{106, 98}));

    // The drawing follows the pan.
    const auto c = qt_testing::CoverageOf(preview.Render(400, 300, 32), kYellow);
    EXPECT_EQ(c.left, 106 - 2);
    EXPECT_EQ(c.bottom, 98 + 1 - 1);
}

TEST_F(PreviewTest, ResizingKeepsTheObjectWhereItWasRelativeToTheCentre)
{
    preview.show();
    preview.Recentre();
    // Odd sizes too: halving must agree with the centring's own.
    for (const QSize size : {QSize(601, 451), QSize(163, 121), QSize(400, 300)}) {
        preview.resize(size);
        const PreviewPan followed = preview.Pan();
        preview.Recentre();
        EXPECT_EQ(followed, preview.Pan()) << size.width() << " x " << size.height();
        // Still drawn, whole, in the middle of what is left.
        const auto c = qt_testing::CoverageOf(preview.Render(size.width(), size.height(), 32), kYellow);
        EXPECT_EQ(c.count, 30) << size.width();
        EXPECT_NEAR((c.left + c.right) / 2, size.width() / 2, 1) << size.width();
    }

    // Dragged 40 right and 30 up: the offset from the centre stays through resizes.
    QTest::mouseMove(&preview, {10, 100});
    QTest::mousePress(&preview, Qt::LeftButton, {}, {10, 100});
    QMouseEvent drag(QEvent::MouseMove, QPointF(50, 70), QPointF(50, 70), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&preview, &drag);
    QTest::mouseRelease(&preview, Qt::LeftButton, {}, {50, 70});
    const PreviewPan dragged = preview.Pan();
    for (const QSize size : {QSize(800, 600), QSize(200, 160)}) {
        preview.resize(size);
        EXPECT_EQ(preview.Pan().x - size.width() / 2, dragged.x - 200) << size.width();
        EXPECT_EQ(preview.Pan().y - size.height() / 2, dragged.y - 150) << size.width();
    }
}

TEST_F(PreviewTest, AGraphicTheObjectDoesNotHaveShowsTheBackgroundCentredOnTheOrigin)
{
    preview.SetGraphicIndex(1);
    preview.Recentre();
    EXPECT_EQ(preview.Pan(), (PreviewPan{200, 150}));
    EXPECT_EQ(qt_testing::CoverageOf(preview.Render(400, 300, 32), kYellow).count, 0);
}

} // namespace
} // namespace vorn

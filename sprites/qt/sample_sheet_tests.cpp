// Draws every object of the sample archive in its 12 views (4 directions by
// 3 zooms) into one PNG sheet per object under the build folder, for a
// person to look at, and checks what can be checked without eyes.

#include "archive/far_archive.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"
#include "base/name_compare.h"
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "sprites/object_renderer.h"
#include "sprites/qt/object_preview.h"
#include "sprites/qt/qt_test_support.h"

#include <QPainter>

#include <filesystem>

namespace vorn {
namespace {

constexpr QRgb kYellow = 0xFFFFFF00;

std::string SafeName(std::string name)
{
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

TEST(SampleSheets, EveryObjectOfTheSampleArchiveDrawsTwelveDistinctViews)
{
    int error = 0;
    auto file = FileStream::Open(VORN_SAMPLE_ARCHIVE, FileMode::Read, error);
    ASSERT_NE(file, nullptr) << "no sample archive at " << VORN_SAMPLE_ARCHIVE;
    CFarArchive archive;
    ASSERT_TRUE(archive.Load(*file));
    std::filesystem::create_directories(VORN_SHEET_FOLDER);

    int objects = 0, multiTile = 0;
    for (size_t index = 0; index < archive.Entries().size(); ++index) {
        const std::string& name = archive.Entries()[index].name;
        if (name.size() < 4 || !EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".iff"))
            continue;
        ASSERT_TRUE(archive.LoadData(index));
        CIffFileRef iff;
        IffParseError parseError = IffParseError::None;
        ASSERT_TRUE(iff.Open(archive.BytesOf(index), parseError, true)) << name;
        CObjectCatalogue catalogue;
        ASSERT_TRUE(catalogue.Build(&iff)) << name;
        for (auto p = catalogue.FirstDisplayable(); p != CObjectCatalogue::kEnd;) {
            const ObjectEntry entry = *catalogue.NextDisplayable(p);
            ++objects;
            multiTile += entry.leader ? 1 : 0;
            for (int32_t graphic = 0; graphic < std::max<int>(entry.graphicCount, 1); ++graphic) {
                SCOPED_TRACE(name + " / " + entry.label + " graphic " + std::to_string(graphic));
                // One cell per view, as large as the largest view.
                int cell = 0;
                int previousWidth = 0;
                for (int zoom = 1; zoom <= 3; ++zoom) {
                    int widest = 0;
                    for (int direction = 0; direction < 8; direction += 2) {
                        const BoundsRect b = ObjectBounds(catalogue, entry, graphic, direction, zoom);
                        ASSERT_FALSE(b.IsEmpty()) << direction << " " << zoom;
                        widest = std::max(widest, b.right - b.left);
                        cell = std::max({cell, b.right - b.left, b.bottom - b.top});
                    }
                    EXPECT_GT(widest, previousWidth) << "zoom " << zoom << " is not larger than the one below";
                    previousWidth = widest;
                }
                cell += 24;
                const int labelHeight = 16;
                QImage sheet(4 * cell, 3 * (cell + labelHeight), QImage::Format_RGB32);
                sheet.fill(Qt::white);
                QPainter painter(&sheet);
                CObjectPreview preview;
                preview.setMinimumSize(0, 0);
                preview.resize(cell, cell);
                preview.SetCatalogue(&catalogue);
                preview.SetEntry(entry);
                preview.SetGraphicIndex(graphic);
                for (int zoom = 1; zoom <= 3; ++zoom) {
                    std::vector<QImage> views;
                    for (int d = 0; d < 4; ++d) {
                        preview.SetDirection(2 * d);
                        preview.SetZoom(zoom);
                        preview.Recentre();
                        const QImage view = preview.Render(cell, cell, 32);
                        // Drawn, and whole: nothing touches the cell's edge.
                        const qt_testing::Coverage c = qt_testing::CoverageOf(view, kYellow);
                        EXPECT_GT(c.count, 0) << "direction " << 2 * d << " zoom " << zoom;
                        EXPECT_TRUE(c.left > 0 && c.top > 0 && c.right < cell - 1 && c.bottom < cell - 1)
                            << "direction " << 2 * d << " zoom " << zoom << ": " << c.left << "," << c.top << " - "
                            << c.right << "," << c.bottom << " in " << cell;
                        for (const QImage& other : views)
                            EXPECT_NE(view, other) << "direction " << 2 * d << " looks like another, zoom " << zoom;
                        views.push_back(view);
                        const int y = (zoom - 1) * (cell + labelHeight);
                        painter.drawImage(d * cell, y + labelHeight, view);
                        painter.setPen(Qt::black);
                        painter.drawText(QRect(d * cell, y, cell, labelHeight), Qt::AlignCenter,
                                         QStringLiteral("direction %1, zoom %2").arg(2 * d).arg(zoom));
                    }
                }
                painter.end();
                const std::string png = std::string(VORN_SHEET_FOLDER) + "/" +
                                        SafeName(name.substr(0, name.size() - 4) + "-" + entry.label) + "-graphic" +
                                        std::to_string(graphic) + ".png";
                EXPECT_TRUE(sheet.save(QString::fromStdString(png))) << png;
            }
        }
    }
    EXPECT_GE(objects, 4);
    EXPECT_GE(multiTile, 2);
}

} // namespace
} // namespace vorn

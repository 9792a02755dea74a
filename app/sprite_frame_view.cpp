#include "app/sprite_frame_view.h"

#include "base/number_text.h"
#include "iff/palt_palette.h"
#include "sprites/frame_export.h"
#include "sprites/iff_edit_service.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QTableWidget>

namespace vorn {

SpriteFrameView::SpriteFrameView(IffEditService& service, CIffChunk& chunk, QWidget* parent)
    : QWidget(parent), service_(service)
{
    const bool read = service_.File() != nullptr && sprite_.Load(*service_.File(), &chunk);
    frames_ = new QComboBox(this);
    frames_->setObjectName(QStringLiteral("frames"));
    Spr2Frame frame;
    for (int i = 0; sprite_.GetFrame(i, frame); ++i)
        frames_->addItem(QStringLiteral("Frame %1 (%2 x %3)").arg(i).arg(frame.width).arg(frame.height));
    scales_ = new QComboBox(this);
    scales_->setObjectName(QStringLiteral("scales"));
    for (const int scale : {1, 2, 4})
        scales_->addItem(QStringLiteral("%1x").arg(scale), scale);
    planes_ = new QComboBox(this);
    planes_->setObjectName(QStringLiteral("planes"));
    planes_->addItem(QStringLiteral("Colour"), static_cast<int>(Plane::Colour));
    planes_->addItem(QStringLiteral("Depth"), static_cast<int>(Plane::Depth));
    planes_->addItem(QStringLiteral("Alpha"), static_cast<int>(Plane::Alpha));

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    picture_->setAlignment(Qt::AlignCenter);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(picture_);
    scroll->setWidgetResizable(true);
    scroll->setBackgroundRole(QPalette::Dark);
    header_ = new QLabel(this);
    header_->setObjectName(QStringLiteral("header"));
    header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    header_->setWordWrap(true);

    auto* controls = new QHBoxLayout;
    controls->addWidget(frames_, 1);
    controls->addWidget(scales_);
    controls->addWidget(planes_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* summary = new QLabel(QStringLiteral("Version %1, %2 frames, palette %3%4")
                                   .arg(sprite_.Version())
                                   .arg(sprite_.FrameCount())
                                   .arg(sprite_.PaletteId())
                                   .arg(read ? QString() : QStringLiteral(" (read only in part)")),
                               this);
    layout->addWidget(summary);
    layout->addLayout(controls);
    layout->addWidget(scroll, 1);
    layout->addWidget(header_);
    imported_ = new QTableWidget(0, 5, this);
    imported_->setObjectName(QStringLiteral("imported"));
    imported_->setHorizontalHeaderLabels({QStringLiteral("Sprite"), QStringLiteral("Frame"), QStringLiteral("Palette"),
                                          QStringLiteral("Pixels off"), QStringLiteral("Farthest")});
    imported_->verticalHeader()->hide();
    imported_->verticalHeader()->setDefaultSectionSize(imported_->fontMetrics().height() + 4);
    imported_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    imported_->setSelectionBehavior(QAbstractItemView::SelectRows);
    imported_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    imported_->setToolTip(QStringLiteral("Pixels drawn more than %1 off the picture's colour (straight-line distance "
                                         "in RGB, 0 to 441) because the palette lacks it, and the farthest")
                              .arg(ColourDrift::kTolerance));
    imported_->setMaximumHeight((imported_->fontMetrics().height() + 4) * 8);
    imported_->hide();
    layout->addWidget(imported_);

    connect(frames_, &QComboBox::currentIndexChanged, this, [this] { ShowFrame(); });
    connect(scales_, &QComboBox::currentIndexChanged, this, [this] { ShowFrame(); });
    connect(planes_, &QComboBox::currentIndexChanged, this, [this] { ShowFrame(); });
    ShowFrame();
}

void SpriteFrameView::ShowFrame()
{
    Spr2Frame frame;
    if (!sprite_.GetFrame(frames_->currentIndex(), frame)) {
        picture_->setText(QStringLiteral("This sprite has no frames."));
        header_->clear();
        return;
    }
    // The frame's own palette, else the sprite's, as the preview draws it.
    CIffChunk* palette = PaltPalette::FindChunk(*service_.File(), frame.paletteId, sprite_.PaletteId());
    const uint8_t* colours = palette != nullptr ? PaltPalette::Colours(*palette) : nullptr;
    header_->setText(QStringLiteral("Width %1, height %2, flags 0x%3, palette %4 (drawn with %5), transparent "
                                    "index %6, x %7, y %8, %9 bytes of pixel commands")
                         .arg(frame.width)
                         .arg(frame.height)
                         .arg(frame.flags, 8, 16, QLatin1Char('0'))
                         .arg(frame.paletteId)
                         .arg(palette != nullptr ? QStringLiteral("PALT %1").arg(palette->Id())
                                                 : QStringLiteral("no palette"))
                         .arg(frame.transparentIndex)
                         .arg(static_cast<int16_t>(frame.xOffset))
                         .arg(static_cast<int16_t>(frame.yOffset))
                         .arg(frame.pixelLength));
    ExportedFrame pictures;
    static constexpr std::array<uint8_t, 768> kGrey{};
    const FrameExportResult result =
        ExportFrame(frame, colours != nullptr ? PaletteColours(colours, 768) : PaletteColours(kGrey), pictures);
    if (result == FrameExportResult::TooLarge || frame.width == 0 || frame.height == 0) {
        picture_->setText(QStringLiteral("This frame is too large to show (%1 x %2).").arg(frame.width).arg(frame.height));
        return;
    }
    const auto plane = static_cast<Plane>(planes_->currentData().toInt());
    QImage image;
    if (plane == Plane::Colour) {
        image = QImage(pictures.rgba.data(), frame.width, frame.height, 4 * frame.width, QImage::Format_RGBA8888)
                    .copy();
    } else {
        image = QImage(frame.width, frame.height, QImage::Format_Grayscale8);
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                const size_t p = static_cast<size_t>(y) * frame.width + static_cast<size_t>(x);
                image.scanLine(y)[x] = plane == Plane::Depth ? pictures.depth[p] : pictures.rgba[4 * p + 3];
            }
    }
    const int scale = scales_->currentData().toInt();
    picture_->setPixmap(QPixmap::fromImage(image.scaled(frame.width * scale, frame.height * scale)));
    if (result == FrameExportResult::Partial)
        header_->setText(header_->text() + QStringLiteral("; its commands could not all be drawn"));
    else if (colours == nullptr)
        header_->setText(header_->text() + QStringLiteral("; no palette: shown in black"));
}

void SpriteFrameView::ShowImported(const std::vector<ImportedFrame>& frames)
{
    imported_->setRowCount(static_cast<int>(frames.size()));
    for (size_t i = 0; i < frames.size(); ++i) {
        const ImportedFrame& frame = frames[i];
        const QString cells[] = {QStringLiteral("SPR2 %1").arg(frame.sprite),
                                 QString::number(frame.frame) + (frame.redrawn ? QStringLiteral(" (redrawn)") : QString()),
                                 QStringLiteral("PALT %1").arg(frame.palette),
                                 QString::fromStdString(FormatGroupedNumber(frame.drift.pixels)),
                                 QString::number(frame.drift.largest)};
        for (int column = 0; column < 5; ++column)
            imported_->setItem(static_cast<int>(i), column, new QTableWidgetItem(cells[column]));
    }
    imported_->setVisible(!frames.empty());
}

} // namespace vorn

#include "app/sound_glyph.h"

#include "audio/qt/play_xa_dialog.h"

#include <QPainter>
#include <QPainterPath>

namespace vorn {

QPixmap DrawSoundGlyph(uint32_t seconds, int size, const QPalette& palette)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette.color(QPalette::Text);
    const qreal unit = size / 16.0;

    // The speaker: a box and its cone, then two waves, over the upper part.
    QPainterPath speaker;
    speaker.moveTo(3 * unit, 4 * unit);
    speaker.lineTo(5 * unit, 4 * unit);
    speaker.lineTo(8 * unit, 1.5 * unit);
    speaker.lineTo(8 * unit, 9.5 * unit);
    speaker.lineTo(5 * unit, 7 * unit);
    speaker.lineTo(3 * unit, 7 * unit);
    speaker.closeSubpath();
    painter.fillPath(speaker, ink);
    painter.setPen(QPen(ink, unit * 0.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(7 * unit, 3.5 * unit, 4 * unit, 4 * unit), -50 * 16, 100 * 16);
    painter.drawArc(QRectF(6.5 * unit, 1.5 * unit, 7 * unit, 8 * unit), -50 * 16, 100 * 16);

    // The length below it.
    QFont font = painter.font();
    font.setPixelSize(static_cast<int>(3.5 * unit));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(ink);
    painter.drawText(QRectF(0, 10.5 * unit, size, 5 * unit), Qt::AlignCenter, CPlayXaDialog::FormatTime(seconds));
    return picture;
}

} // namespace vorn

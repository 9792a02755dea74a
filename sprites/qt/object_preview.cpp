#include "sprites/qt/object_preview.h"

#include "sprites/preview_paint.h"
#include "sprites/qt/pixel_probe.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QPainter>

#include <cstring>
#include <optional>

namespace vorn {

CObjectPreview::CObjectPreview(QWidget* parent) : QWidget(parent)
{
    // Every paint covers the whole client area.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a button keep the last position current, so a drag
    // starts from where the pointer really is.
    setMouseTracking(true);
    setMinimumSize(160, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CObjectPreview::SetBackground(uint8_t b0, uint8_t b1, uint8_t b2)
{
    background_[0] = b0;
    background_[1] = b1;
    background_[2] = b2;
    update();
}

void CObjectPreview::SetCatalogue(const CObjectCatalogue* catalogue) { catalogue_ = catalogue; }

void CObjectPreview::SetPan(PreviewPan pan)
{
    pan_ = pan;
    update();
}

void CObjectPreview::Recentre()
{
    if (catalogue_)
        pan_ = RecentreObject(*catalogue_, entry_, {graphicIndex_, direction_, zoom_}, width(), height());
    else
        pan_ = RecentrePanWithoutObject(width(), height());
    update();
}

int CObjectPreview::DisplayBitsPerPixel()
{
    // The display's layout does not change while the program runs; the
    // environment override is looked at every time.
    static const std::optional<PixelInfo> probed = ProbeImageFormat(NativeImageFormat());
    return RenderBitsPerPixel(ResolvePixelInfo(probed));
}

QImage CObjectPreview::Render(int width, int height, int bitsPerPixel) const
{
    if (width <= 0 || height <= 0)
        return {};
    const int bits = bitsPerPixel != 0 ? bitsPerPixel : DisplayBitsPerPixel();
    QImage image(width, height, ImageFormatForBits(bits));
    if (image.isNull())
        return {};
    // The planes stay from one paint to the next while the size and layout
    // do, so fresh pages are not faulted in on every paint.
    const bool planesFit = target_.HasPlanes() && target_.Width() == width && target_.Height() == height &&
                           target_.BitsPerPixel() == bits;
    report_.Clear();
    if (!catalogue_ || (!planesFit && !target_.Allocate(width, height, bits))) {
        image.fill(QColor(background_[2], background_[1], background_[0]));
        return image;
    }
    // What can be drawn is drawn; the rest is named under the preview.
    PaintPreview(target_, *catalogue_, entry_, {graphicIndex_, direction_, zoom_}, pan_, &report_, background_[2],
                 background_[1], background_[0]);
    // The planes run bottom-up, the image top-down.
    const size_t rowBytes = static_cast<size_t>(width) * target_.BytesPerPixel();
    for (int row = 0; row < height; ++row)
        std::memcpy(image.scanLine(row), target_.ColourRowFromTop(row), rowBytes);
    return image;
}

QSize CObjectPreview::sizeHint() const { return {537, 392}; }

void CObjectPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Render(width(), height()));
    const QString notDrawn = QString::fromLatin1(report_.Summary());
    if (notDrawn != notDrawn_) {
        notDrawn_ = notDrawn;
        emit notDrawnChanged(notDrawn_);
    }
}

void CObjectPreview::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    track_ = {at.x(), at.y()};
    QWidget::mousePressEvent(event);
}

void CObjectPreview::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (DragPan(pan_, track_, at.x(), at.y(), (event->buttons() & Qt::LeftButton) != 0))
        update();
    QWidget::mouseMoveEvent(event);
}

void CObjectPreview::leaveEvent(QEvent* event)
{
    // Coming back elsewhere must not count as a move across the gap.
    track_ = {};
    QWidget::leaveEvent(event);
}

void CObjectPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The object must not stay behind in a corner, nor leave a shrinking
    // view: it keeps its place relative to the centre, centred or dragged.
    const QSize before = event->oldSize();
    if (before.isValid())
        pan_ = FollowResize(pan_, before.width(), before.height(), width(), height());
    update();
}

} // namespace vorn

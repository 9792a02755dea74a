#include "app/bitmap_view_dialog.h"

#include "app/screen_fit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace vorn {

BitmapViewDialog::BitmapViewDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("View Bitmap file"));
    // A caption and a close box only: no help button, no resizing frame.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    // The picture fills the client area; one larger than the screen scrolls.
    scroller_ = new QScrollArea(this);
    scroller_->setFrameShape(QFrame::NoFrame);
    scroller_->setWidget(picture_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scroller_);
}

void BitmapViewDialog::SetBitmap(const QImage& image)
{
    picture_->setPixmap(QPixmap::fromImage(image));
    picture_->resize(image.size());
    // The allowance stood for the frame; the window manager draws its own
    // around the client area, which is the picture's size where the screen
    // has room for it.
    requestedOuterSize_ = image.size() + kFrameAllowance;
    const QSize room = ScreenFit::Room(*this);
    QSize client = image.size();
    // A side cut to the room brings a scroll bar across the other side.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroller_);
    if (client.width() > room.width())
        client.rheight() += bar;
    if (client.height() > room.height())
        client.rwidth() += bar;
    setFixedSize(client.boundedTo(room));
}

void BitmapViewDialog::reject()
{
    done(kCancel);
}

void BitmapViewDialog::keyPressEvent(QKeyEvent* event)
{
    // No buttons, so Enter would do nothing by default: it accepts instead.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(kOk);
        return;
    }
    QDialog::keyPressEvent(event); // Escape arrives as reject()
}

} // namespace vorn

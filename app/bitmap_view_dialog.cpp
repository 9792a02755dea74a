#include "app/bitmap_view_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace vorn {

BitmapViewDialog::BitmapViewDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("View Bitmap file"));
    // A caption and a close box only: no help button, no resizing frame.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    // The picture fills the client area, which keeps the picture's size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(picture_);
}

void BitmapViewDialog::SetBitmap(const QImage& image)
{
    picture_->setPixmap(QPixmap::fromImage(image));
    // The allowance stood for the frame; the window manager draws its own
    // around the client area, which the layout makes the picture's size.
    requestedOuterSize_ = image.size() + kFrameAllowance;
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

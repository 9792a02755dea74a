#include "app/bitmap_view_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>

namespace vorn {

CBitmapViewDialog::CBitmapViewDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("View Bitmap file"));
    // A caption and a close box only: no help button, no resizing frame.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    picture_->move(0, 0);
}

void CBitmapViewDialog::SetBitmap(const QImage& image)
{
    picture_->setPixmap(QPixmap::fromImage(image));
    picture_->setGeometry(0, 0, image.width(), image.height());
    requestedOuterSize_ = image.size() + kFrameAllowance;
    // The allowance stood for the frame; the window manager draws its own
    // around the client area, which is therefore the picture's size.
    setFixedSize(image.size());
}

void CBitmapViewDialog::reject()
{
    done(kCancel);
}

void CBitmapViewDialog::keyPressEvent(QKeyEvent* event)
{
    // No buttons, so Enter would do nothing by default: it accepts instead.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(kOk);
        return;
    }
    QDialog::keyPressEvent(event); // Escape arrives as reject()
}

} // namespace vorn

#pragma once

#include <QDialog>
#include <QImage>
#include <QSize>

class QLabel;
class QScrollArea;

namespace vorn {

// "View Bitmap file": one picture control showing a bitmap at its natural
// size, no buttons; a picture larger than the screen scrolls in a window
// that fits it. The close box and Escape end it with kCancel, Enter with
// kOk. The caller sets the picture before running it.
class BitmapViewDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;
    // What the window's frame and caption add around the picture on the
    // system the dialog was first drawn for. Here the window manager draws
    // the frame, so the client area is made the picture's size and the
    // frame comes on top of it.
    static constexpr QSize kFrameAllowance{8, 24};

    explicit BitmapViewDialog(QWidget* parent = nullptr);

    void SetBitmap(const QImage& image);
    QLabel* Picture() const { return picture_; }
    // The outer size asked for: the picture plus the frame allowance.
    QSize RequestedOuterSize() const { return requestedOuterSize_; }

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* picture_ = nullptr; // control 1012
    QScrollArea* scroller_ = nullptr;
    QSize requestedOuterSize_;
};

} // namespace vorn

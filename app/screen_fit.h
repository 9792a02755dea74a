#pragma once

#include <QObject>
#include <QSize>

class QWidget;

namespace vorn {

// Keeps windows on the screen they open on. A window's first size (the one
// it was built with, or one restored from settings before it is shown) is
// cut, side by side, to the room its screen leaves it: the screen's
// available area less the window manager's frame. A size that fits is kept.
//
// The application installs one ScreenFit on itself, so every top-level
// window and dialog is fitted as it is first shown, including those of the
// subsystems below the application, which cannot know of it.
class ScreenFit : public QObject {
    Q_OBJECT
public:
    explicit ScreenFit(QObject* parent = nullptr);

    // The largest client size a window may have on the screen it shows on.
    static QSize Room(const QWidget& window);
    // `wanted` cut to Room(window).
    static QSize Fit(const QWidget& window, QSize wanted);
    // Shrinks the window to fit its screen; leaves it alone when it fits.
    static void Apply(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace vorn

#include "app/screen_fit.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace vorn {

namespace {

// Set on a window once fitted: later shows keep what the user made of it.
constexpr const char* kFittedProperty = "vornScreenFitted";

// A caption bar and borders, until a framed window tells the real ones.
constexpr QSize kDefaultFrame(8, 32);

QSize FrameOf(const QWidget& window)
{
    return window.frameGeometry().size() - window.geometry().size();
}

// The frame the window manager draws: the window's own once it has one,
// else that of another window already framed, else a typical one.
QSize FrameAllowance(const QWidget& window)
{
    const QSize own = FrameOf(window);
    if (!own.isEmpty())
        return own;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        const QSize frame = other->isVisible() ? FrameOf(*other) : QSize();
        if (!frame.isEmpty())
            return frame;
    }
    return kDefaultFrame;
}

bool IsFittedKind(const QWidget& widget)
{
    const Qt::WindowType type = widget.windowType();
    return widget.isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

} // namespace

ScreenFit::ScreenFit(QObject* parent) : QObject(parent) {}

QSize ScreenFit::Room(const QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    return (screen->availableGeometry().size() - FrameAllowance(window)).expandedTo(QSize(1, 1));
}

QSize ScreenFit::Fit(const QWidget& window, QSize wanted)
{
    return wanted.boundedTo(Room(window));
}

void ScreenFit::Apply(QWidget& window)
{
    const QSize fitted = Fit(window, window.size());
    if (fitted != window.size())
        window.resize(fitted);
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    // Before the window's own show handling, which centres a dialog on the
    // size it then has.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (IsFittedKind(*widget) && !widget->property(kFittedProperty).toBool()) {
            widget->setProperty(kFittedProperty, true);
            Apply(*widget);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vorn

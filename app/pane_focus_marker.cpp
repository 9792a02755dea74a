#include "app/pane_focus_marker.h"

#include <QAbstractItemView>
#include <QApplication>

namespace vorn {

PaneFocusMarker::PaneFocusMarker(QList<QAbstractItemView*> panes, QObject* parent) : QObject(parent)
{
    for (QAbstractItemView* view : panes)
        panes_.append({view, view->palette()});
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Update(now); });
    Update(QApplication::focusWidget());
}

QColor PaneFocusMarker::UnfocusedHighlight(const QPalette& palette)
{
    // A third of the highlight over the background: still the selection's
    // hue, plainly not the focused one.
    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    auto mix = [](int a, int b) { return (a + 2 * b) / 3; };
    return QColor(mix(highlight.red(), base.red()), mix(highlight.green(), base.green()),
                  mix(highlight.blue(), base.blue()));
}

void PaneFocusMarker::Update(QWidget* focused)
{
    for (const Pane& pane : panes_) {
        if (!pane.view)
            continue;
        const bool hasFocus = focused && (focused == pane.view || pane.view->isAncestorOf(focused));
        QPalette palette = pane.focusedPalette;
        if (!hasFocus) {
            const QColor tint = UnfocusedHighlight(palette);
            const QColor text = palette.color(QPalette::Active, QPalette::Text);
            for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
                palette.setColor(group, QPalette::Highlight, tint);
                palette.setColor(group, QPalette::HighlightedText, text);
            }
        }
        pane.view->setPalette(palette);
    }
}

} // namespace vorn

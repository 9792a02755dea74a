#pragma once

#include <QList>
#include <QObject>
#include <QPalette>
#include <QPointer>

class QAbstractItemView;
class QWidget;

namespace vorn {

// Shows which pane has the keyboard focus: both panes keep their selection
// visible without the focus, so the one without it draws its selection in
// a pale tint with ordinary text, and the focused one in the full
// highlight. Focus inside a pane (its name editor) counts as the pane's.
class PaneFocusMarker : public QObject {
    Q_OBJECT
public:
    PaneFocusMarker(QList<QAbstractItemView*> panes, QObject* parent);

    // The selection colour of a pane without the focus, made from its palette.
    static QColor UnfocusedHighlight(const QPalette& palette);

private:
    void Update(QWidget* focused);

    struct Pane {
        QPointer<QAbstractItemView> view;
        QPalette focusedPalette;
    };
    QList<Pane> panes_;
};

} // namespace vorn

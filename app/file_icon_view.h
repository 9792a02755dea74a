#pragma once

#include <QListView>
#include <QTimer>

namespace vorn {

class CVornView;

// The file list pane's grid of thumbnails: the same rows as the details
// list (the pane's filter over its model), sharing its selection, so every
// command, the context menu, renaming, drag-out and the viewers act on the
// same rows whichever of the two shows. The pane owns it and lays it over
// its own area while the grid is chosen (CVornView::SetIconView).
//
// It asks the pane's thumbnail store for the rows it shows, then outward
// from them one row below and one above in turn, as far as the store can
// keep; again whenever it scrolls, resizes or the rows change.
class FileIconView : public QListView {
    Q_OBJECT
public:
    explicit FileIconView(CVornView& pane);

    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
    // Ends an in-place edit, committing the typed name or not.
    void EndEditing(bool commit);
    // The shown rows (of the pane's filter) whose cells reach into the
    // viewport, first and last; last < first when none.
    std::pair<int, int> VisibleRows() const;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void doItemsLayout() override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Asks again on the next turn of the event loop, once for many causes.
    void ScheduleRequest() { request_.start(); }
    void RequestThumbnails();

    CVornView& pane_;
    QTimer request_;
};

} // namespace vorn

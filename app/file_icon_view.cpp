#include "app/file_icon_view.h"

#include "app/thumbnail_delegate.h"
#include "app/thumbnail_store.h"
#include "app/vorn_view.h"

#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace vorn {

namespace {

// Rows looked at beyond the visible ones, at most, in one request.
constexpr int kRowsScanned = 20000;

} // namespace

FileIconView::FileIconView(CVornView& pane) : QListView(&pane), pane_(pane)
{
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
    const int size = ThumbnailStore::kSize;
    setIconSize(QSize(size, size));
    setSpacing(4);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionRectVisible(true);
    setEditTriggers(QAbstractItemView::SelectedClicked);
    // Rows are dragged out only; drops go to the window, which adds files.
    setDragDropMode(QAbstractItemView::DragOnly);
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setItemDelegate(new ThumbnailDelegate(size, this));

    // The same rows and the same selection as the details list.
    QItemSelectionModel* own = nullptr;
    setModel(&pane_.Filter());
    own = selectionModel();
    setSelectionModel(pane_.selectionModel());
    delete own;

    request_.setSingleShot(true);
    request_.setInterval(0);
    connect(&request_, &QTimer::timeout, this, &FileIconView::RequestThumbnails);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &FileIconView::ScheduleRequest);
    QAbstractItemModel* rows = &pane_.Filter();
    connect(rows, &QAbstractItemModel::modelReset, this, &FileIconView::ScheduleRequest);
    connect(rows, &QAbstractItemModel::rowsInserted, this, &FileIconView::ScheduleRequest);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &FileIconView::ScheduleRequest);
    connect(rows, &QAbstractItemModel::layoutChanged, this, &FileIconView::ScheduleRequest);
    connect(rows, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                // A thumbnail arriving changes nothing of what is wanted.
                if (roles != QList<int>{FileListModel::ThumbnailRole})
                    ScheduleRequest();
            });

    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { pane_.OnRowActivated(pane_.RowOf(index)); });
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { pane_.PopUpContextMenu(viewport()->mapToGlobal(position)); });
}

void FileIconView::EndEditing(bool commit)
{
    QWidget* editor = IsEditing() ? indexWidget(currentIndex()) : nullptr;
    if (!editor)
        return;
    if (commit)
        commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool FileIconView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!pane_.MayRename())
        return false;
    const bool started = QListView::edit(index, trigger, event);
    if (started)
        pane_.NoteRenameStarted(index);
    return started;
}

void FileIconView::keyPressEvent(QKeyEvent* event)
{
    if (pane_.OpenOnEnter(event))
        return;
    QListView::keyPressEvent(event);
}

void FileIconView::startDrag(Qt::DropActions)
{
    if (pane_.dragOut)
        pane_.dragOut(pane_);
}

void FileIconView::doItemsLayout()
{
    QListView::doItemsLayout();
    ScheduleRequest();
}

void FileIconView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    ScheduleRequest();
}

void FileIconView::showEvent(QShowEvent* event)
{
    QListView::showEvent(event);
    ScheduleRequest();
}

void FileIconView::hideEvent(QHideEvent* event)
{
    QListView::hideEvent(event);
    ScheduleRequest();
}

std::pair<int, int> FileIconView::VisibleRows() const
{
    const QAbstractItemModel* rows = model();
    const int count = rows->rowCount();
    const QRect area = viewport()->rect();
    // Cells are laid out line by line, so their tops and bottoms only grow
    // with the row: the visible ones are found by halving.
    auto firstWhere = [&](auto&& reached) {
        int low = 0;
        int high = count;
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (reached(visualRect(rows->index(middle, 0))))
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    };
    const int first = firstWhere([&](const QRect& cell) { return cell.isValid() && cell.bottom() >= area.top(); });
    const int end = firstWhere([&](const QRect& cell) { return cell.isValid() && cell.top() > area.bottom(); });
    return {first, end - 1};
}

void FileIconView::RequestThumbnails()
{
    ThumbnailStore& store = pane_.Thumbnails();
    if (!isVisible()) {
        store.Want({});
        return;
    }
    const FileListModel& model = pane_.Model();
    const FileListFilter& filter = pane_.Filter();
    const int count = filter.rowCount();
    int budget = store.Capacity();
    std::vector<ThumbnailStore::Request> wanted;
    std::vector<int32_t> known;
    auto consider = [&](int shownRow) {
        const int row = filter.RowAt(shownRow);
        if (!model.IsValidRow(row))
            return;
        const FileListModel::Row& value = model.At(row);
        if (value.entry < 0 || !MayHaveThumbnail(value.name))
            return;
        --budget;
        if (store.Has(value.entry))
            known.push_back(value.entry);
        else
            wanted.push_back({value.entry, value.name});
    };
    const auto [first, last] = VisibleRows();
    for (int row = first; row <= last && budget > 0; ++row)
        consider(row);
    for (int step = 1; budget > 0 && step <= kRowsScanned && (last + step < count || first - step >= 0); ++step) {
        if (last + step < count)
            consider(last + step);
        if (first - step >= 0)
            consider(first - step);
    }
    // The nearest are the last to be forgotten.
    for (auto entry = known.rbegin(); entry != known.rend(); ++entry)
        store.Touch(*entry);
    store.Want(std::move(wanted));
}

} // namespace vorn

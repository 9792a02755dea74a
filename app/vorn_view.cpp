#include "app/vorn_view.h"

#include "app/command_ids.h"
#include "app/command_table.h"
#include "app/file_commands.h"
#include "app/file_filter_field.h"
#include "app/file_icon_view.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/pane_icons.h"
#include "app/ui_text.h"
#include "archive/vorn_doc.h"
#include "base/number_text.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>
#include <cstdio>

namespace vorn {

CVornView::CVornView(CMainFrame& frame, CVornDoc& document, QWidget* parent)
    : QTreeView(parent), frame_(frame), document_(document), model_(document.Tree(), this), filter_(model_, this),
      thumbnails_(document.Archive(), this)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Renaming starts from F2 (a command, so its enable rule applies) or a
    // slow second click on a selected name; a double-click opens the row.
    setEditTriggers(QAbstractItemView::SelectedClicked);
    setSortingEnabled(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setModel(&filter_);
    connect(&filter_, &FileListFilter::countsChanged, this,
            [this] { frame_.SetFilterSummary(FilterSummaryText()); });
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setStretchLastSection(false);

    model_.labelEdited = [this](int, const QString& typed) { FinishRename(*this, typed); };
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) { SortByColumn(column); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OnRowActivated(RowOf(index)); });
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { PopUpContextMenu(viewport()->mapToGlobal(position)); });

    model_.SetThumbnails(&thumbnails_);
    iconView_ = new FileIconView(*this);
    iconView_->hide();
    thumbnails_.SetPalette(iconView_->palette());
}

void CVornView::SetIconView(bool on)
{
    if (on == IsIconView())
        return;
    QAbstractItemView& before = ShownView();
    const bool focused = before.hasFocus();
    iconView_->setGeometry(rect());
    iconView_->setVisible(on);
    if (on)
        iconView_->raise();
    // Whoever gives this pane the focus gives it to the view that shows.
    setFocusProxy(on ? iconView_ : nullptr);
    if (focused)
        ShownView().setFocus(Qt::OtherFocusReason);
    if (currentIndex().isValid())
        ShownView().scrollTo(currentIndex());
}

bool CVornView::IsIconView() const
{
    return !iconView_->isHidden();
}

QAbstractItemView& CVornView::ShownView()
{
    return IsIconView() ? static_cast<QAbstractItemView&>(*iconView_) : *this;
}

void CVornView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    QTreeView::scrollTo(index, hint);
    if (IsIconView())
        iconView_->scrollTo(index, hint);
}

void CVornView::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    iconView_->setGeometry(rect());
}

CLeftView* CVornView::LeftPane() const
{
    return frame_.GetLeftPane();
}

void CVornView::OnInitialUpdate()
{
    if (!initialised_) {
        model_.SetIcons({LoadPaneIcon(PaneIcon::FolderClosed), LoadPaneIcon(PaneIcon::FolderOpen),
                         LoadPaneIcon(PaneIcon::File)});
        header()->resizeSection(0, 250);
        header()->resizeSection(1, 100);
        initialised_ = true;
    }
    RecomputeSummary();
}

void CVornView::FillFromDirectory(const CFarDirectory& directory)
{
    model_.Show(directory);
}

std::string CVornView::SummaryText() const
{
    const CFarDirectoryTree& tree = document_.Tree();
    char text[160];
    std::snprintf(text, sizeof text, "%u item(s), with a total of %s byte(s) - Add files by dragging them here!",
                  static_cast<unsigned>(tree.EntryCount()), FormatGroupedNumber(tree.TotalSize()).c_str());
    return text;
}

QString CVornView::FilterSummaryText() const
{
    if (!filter_.IsActive())
        return QString();
    return QStringLiteral("%1 of %2 item(s) shown").arg(filter_.ShownCount()).arg(model_.RowCount());
}

void CVornView::SetFilterText(const QString& text)
{
    // Qt keeps a selection of every row across a layout change only while the
    // row count stays, and otherwise drops it; so the selection is carried
    // over here, read from its ranges rather than row by row.
    std::vector<int> selected;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int viewRow = range.top(); viewRow <= range.bottom(); ++viewRow)
            selected.push_back(filter_.RowAt(viewRow));
    }
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    const int current = CurrentRow();
    selectionModel()->clear();
    filter_.SetText(text);
    SelectShownRows(selected);
    if (ViewIndex(current).isValid())
        selectionModel()->setCurrentIndex(ViewIndex(current), QItemSelectionModel::NoUpdate);
}

void CVornView::SelectShownRows(const std::vector<int>& rows)
{
    QItemSelection selection;
    const int lastColumn = filter_.columnCount() - 1;
    int runStart = -1;
    int runEnd = -1;
    for (size_t i = 0; i <= rows.size(); ++i) {
        const int viewRow = i < rows.size() ? filter_.ShownRowOf(rows[i]) : -1;
        if (viewRow >= 0 && viewRow == runEnd + 1 && runStart >= 0) {
            runEnd = viewRow;
            continue;
        }
        if (runStart >= 0)
            selection.append(QItemSelectionRange(filter_.index(runStart, 0), filter_.index(runEnd, lastColumn)));
        runStart = runEnd = viewRow;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

QModelIndex CVornView::ViewIndex(int row, int column) const
{
    return filter_.index(filter_.ShownRowOf(row), column);
}

int CVornView::RowOf(const QModelIndex& viewIndex) const
{
    return viewIndex.isValid() && viewIndex.model() == &filter_ ? filter_.RowAt(viewIndex.row()) : -1;
}

void CVornView::RecomputeSummary()
{
    frame_.SetArchiveSummary(FromArchive(SummaryText()));
}

int CVornView::ImageOf(int row) const
{
    return model_.IsValidRow(row) ? model_.At(row).image : -1;
}

std::string CVornView::NameOf(int row) const
{
    return model_.IsValidRow(row) ? model_.At(row).name : std::string();
}

std::string CVornView::SizeTextOf(int row) const
{
    return model_.IsValidRow(row) ? model_.At(row).sizeText : std::string();
}

std::string CVornView::PathOf(int row) const
{
    return model_.IsValidRow(row) ? model_.At(row).path : std::string();
}

bool CVornView::HasSelection() const
{
    return selectionModel() && selectionModel()->hasSelection();
}

std::vector<int> CVornView::SelectedRows() const
{
    std::vector<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows(0))
        rows.push_back(RowOf(index));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CVornView::SelectRows(const std::vector<int>& rows)
{
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    SelectShownRows(sorted);
    if (!rows.empty() && ViewIndex(rows.front()).isValid())
        selectionModel()->setCurrentIndex(ViewIndex(rows.front()), QItemSelectionModel::NoUpdate);
}

void CVornView::ShowRow(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    if (!ViewIndex(row).isValid())
        frame_.FilterField()->Close();
    SelectRows({row});
    scrollTo(ViewIndex(row));
}

void CVornView::SortByColumn(int column)
{
    // Every click sorts once, ascending; there is no remembered sort state.
    model_.sort(column, Qt::AscendingOrder);
}

void CVornView::RenameFirstSelected()
{
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    setFocus();
    EditRow(rows.front());
}

void CVornView::startDrag(Qt::DropActions)
{
    if (dragOut)
        dragOut(*this);
}

void CVornView::OnDropFiles(const std::vector<std::string>& paths)
{
    // The document marks itself modified, and the panes and the summary
    // follow what was added.
    if (filesDropped && !paths.empty())
        filesDropped(*this, paths);
}

void CVornView::OnRowActivated(int row)
{
    if (!model_.IsValidRow(row))
        return;
    if (ImageOf(row) == kImageFile)
        emit fileRowActivated(row);
    else if (CLeftView* left = LeftPane())
        left->SelectChildByPath(PathOf(row));
}

bool CVornView::OpenOnEnter(QKeyEvent* event)
{
    // Enter opens the current row as a double-click does.
    if ((event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) || IsEditing() ||
        !currentIndex().isValid())
        return false;
    OnRowActivated(CurrentRow());
    event->accept();
    return true;
}

void CVornView::keyPressEvent(QKeyEvent* event)
{
    if (!OpenOnEnter(event))
        QTreeView::keyPressEvent(event);
}

void CVornView::EditRow(int row)
{
    const QModelIndex index = ViewIndex(row);
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    scrollTo(index);
    ShownView().edit(index);
}

bool CVornView::MayRename() const
{
    // No name of an archive opened for browsing is edited, however asked.
    return !document_.IsReadOnly();
}

void CVornView::NoteRenameStarted(const QModelIndex& viewIndex)
{
    // Whichever way the edit began, remember what the row was.
    const int row = RowOf(viewIndex);
    rename_.oldPath = PathOf(row);
    rename_.oldName = NameOf(row);
    rename_.isDirectory = ImageOf(row) == kImageDirectory;
}

bool CVornView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!MayRename())
        return false;
    const bool started = QTreeView::edit(index, trigger, event);
    if (started && index.isValid())
        NoteRenameStarted(index);
    return started;
}

bool CVornView::IsEditing() const
{
    return state() == QAbstractItemView::EditingState || iconView_->IsEditing();
}

void CVornView::EndEditing(EditEnd end)
{
    if (iconView_->IsEditing()) {
        iconView_->EndEditing(end == EditEnd::Commit);
        return;
    }
    QWidget* editor = state() == QAbstractItemView::EditingState ? indexWidget(currentIndex()) : nullptr;
    if (!editor)
        return;
    if (end == EditEnd::Commit)
        commitData(editor);
    // Unregisters the editor before it loses the focus, so the delegate's
    // commit on focus-out never fires.
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

QMenu* CVornView::BuildContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    CommandTable& commands = frame_.Commands();
    const bool selected = HasSelection();
    // Without a selection four commands show as greyed stand-ins with texts
    // of their own; "Add file(s)" never shows.
    auto add = [&](int id, const char* withoutSelection) {
        if (selected || !withoutSelection) {
            menu->addAction(commands.Action(id));
            return;
        }
        QAction* standIn = menu->addAction(QString::fromLatin1(withoutSelection));
        standIn->setData(id);
        standIn->setEnabled(false);
    };
    add(ID_FILE_EXTRACT, "E&xtract...\tCtrl+E");
    add(ID_FILE_DELETE, "De&lete\tCtrl+D");
    add(ID_FILE_RENAME, "&Rename\tF2");
    menu->addSeparator();
    add(ID_FILE_NEWDIRECTORY, nullptr);
    add(ID_FILE_MOVETODIRECTORY, "&Move to directory...\tCtrl+M");
    // What other parts put on the pane (the resource window's action).
    if (!actions().isEmpty()) {
        menu->addSeparator();
        menu->addActions(actions());
    }
    frame_.TrackMenuPrompts(menu);
    return menu;
}

void CVornView::PopUpContextMenu(const QPoint& globalPosition)
{
    QMenu* menu = BuildContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

} // namespace vorn

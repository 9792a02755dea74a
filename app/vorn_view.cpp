#include "app/vorn_view.h"

#include "app/command_ids.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/pane_icons.h"
#include "app/ui_text.h"
#include "archive/vorn_doc.h"
#include "base/number_text.h"

#include <QHeaderView>
#include <QMenu>

#include <algorithm>
#include <cstdio>

namespace vorn {

CVornView::CVornView(CMainFrame& frame, CVornDoc& document, QWidget* parent)
    : QTreeView(parent), frame_(frame), document_(document), model_(this)
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
    setModel(&model_);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setStretchLastSection(false);

    model_.labelEdited = [this](int row, const QString& typed) { OnLabelEdited(row, typed); };
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) { SortByColumn(column); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OnRowActivated(index.row()); });
    connect(this, &QWidget::customContextMenuRequested, this, &CVornView::ShowContextMenu);
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
    const CFarDirectoryTree& tree = document_.Tree();
    std::vector<FileListModel::Row> rows;
    rows.reserve(directory.Subdirectories().size() + directory.Files().size());
    pathTable_.clear();
    pathTable_.reserve(rows.capacity());
    shownPath_ = directory.Path();

    for (const CFarDirectory& subdirectory : directory.Subdirectories()) {
        rows.push_back({subdirectory.Name(), std::string(), kImageDirectory, static_cast<int>(pathTable_.size())});
        pathTable_.push_back(subdirectory.Path());
    }
    std::string prefix = shownPath_ + "\\";
    for (const FarFileItem& item : directory.Files()) {
        FileListModel::Row row{item.name, std::string(), kImageFile, static_cast<int>(pathTable_.size())};
        if (const CFarEntry* entry = tree.EntryOfItem(item))
            row.sizeText = FormatGroupedNumber(entry->size1);
        rows.push_back(std::move(row));
        pathTable_.push_back(prefix + item.name);
    }
    model_.ResetRows(std::move(rows));
}

std::string CVornView::SummaryText() const
{
    const CFarDirectoryTree& tree = document_.Tree();
    char text[160];
    std::snprintf(text, sizeof text, "%u item(s), with a total of %s byte(s) - Add files by dragging them here!",
                  static_cast<unsigned>(tree.EntryCount()), FormatGroupedNumber(tree.TotalSize()).c_str());
    return text;
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

int CVornView::ItemDataOf(int row) const
{
    return model_.IsValidRow(row) ? model_.At(row).itemData : -1;
}

std::string CVornView::PathOf(int row) const
{
    const int index = ItemDataOf(row);
    if (index < 0 || static_cast<size_t>(index) >= pathTable_.size())
        return std::string();
    return pathTable_[static_cast<size_t>(index)];
}

int CVornView::InsertRow(int row, const std::string& name, int image)
{
    return model_.InsertRow(row, {name, std::string(), image, -1});
}

void CVornView::SetSizeText(int row, const std::string& text)
{
    model_.SetSizeText(row, text);
}

void CVornView::SetRowName(int row, const std::string& name)
{
    model_.SetName(row, name);
}

int CVornView::AppendPath(const std::string& path)
{
    pathTable_.push_back(path);
    return static_cast<int>(pathTable_.size() - 1);
}

void CVornView::SetItemData(int row, int pathIndex)
{
    model_.SetItemData(row, pathIndex);
}

void CVornView::SetRowPath(int row, const std::string& path)
{
    const int index = ItemDataOf(row);
    if (index >= 0 && static_cast<size_t>(index) < pathTable_.size())
        pathTable_[static_cast<size_t>(index)] = path;
}

bool CVornView::DeleteRow(int row)
{
    return model_.RemoveRow(row);
}

int CVornView::FirstFileRow() const
{
    for (int row = 0; row < RowCount(); ++row) {
        if (model_.At(row).image != kImageDirectory)
            return row;
    }
    return RowCount();
}

std::vector<int> CVornView::SelectedRows() const
{
    std::vector<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows(0))
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CVornView::SelectRows(const std::vector<int>& rows)
{
    QItemSelection selection;
    for (int row : rows) {
        if (model_.IsValidRow(row))
            selection.select(model_.index(row, 0), model_.index(row, 1));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.empty() && model_.IsValidRow(rows.front()))
        selectionModel()->setCurrentIndex(model_.index(rows.front(), 0), QItemSelectionModel::NoUpdate);
}

void CVornView::SortByColumn(int column)
{
    // Each row's kind and key are read from the model once; the comparison
    // itself is then cheap even for very large directories.
    enum Kind { Unknown, Directory, File };
    struct Key {
        Kind kind = Unknown;
        std::string name;
        uint32_t size = 0;
    };
    const CFarDirectoryTree& tree = document_.Tree();
    std::vector<Key> keys(static_cast<size_t>(RowCount()));
    for (int row = 0; row < RowCount(); ++row) {
        Key& key = keys[static_cast<size_t>(row)];
        const std::string path = PathOf(row);
        if (const FarFileItem* item = tree.FindFileItem(path)) {
            key.kind = File;
            key.name = item->name;
            if (const CFarEntry* entry = tree.EntryOfItem(*item))
                key.size = entry->size2;
        } else if (const CFarDirectory* directory = tree.GetDirectoryRef(path)) {
            key.kind = Directory;
            key.name = directory->Name();
        }
    }
    // Negative, zero or positive like a comparison callback of a list control.
    auto compare = [column](const Key& a, const Key& b) -> int {
        if (a.kind == Unknown || b.kind == Unknown)
            return 0;
        if (a.kind != b.kind)
            return a.kind == Directory ? -1 : 1;
        if (column == 0)
            return a.name.compare(b.name);  // byte-wise: "B" before "a"
        if (a.kind == File)
            return a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
        return 0;
    };
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return compare(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]) < 0;
    });
    model_.Reorder(order);
}

bool CVornView::IsCommandEnabled(int id) const
{
    switch (id) {
    case ID_FILE_EXTRACT:
    case ID_FILE_DELETE:
    case ID_FILE_RENAME:
    case ID_FILE_MOVETODIRECTORY:
        return selectionModel() && selectionModel()->hasSelection();
    case ID_FILE_NEWDIRECTORY:
        return true;
    default:
        return false;  // "Add file(s)" and anything unknown
    }
}

bool CVornView::OnCommand(int id)
{
    if (!IsCommandEnabled(id))
        return false;
    const auto handler = commandHandlers_.find(id);
    if (handler != commandHandlers_.end() && handler->second) {
        handler->second(*this);
    } else if (id == ID_FILE_RENAME) {
        const std::vector<int> rows = SelectedRows();
        if (!rows.empty()) {
            setFocus();
            EditRow(rows.front());
        }
    }
    return true;
}

void CVornView::SetCommandHandler(int id, std::function<void(CVornView&)> handler)
{
    commandHandlers_[id] = std::move(handler);
}

void CVornView::OnDropFiles(const std::vector<std::string>& paths)
{
    if (!filesDropped || paths.empty())
        return;
    if (filesDropped(*this, paths) != 0) {
        document_.SetModified(true);
        RecomputeSummary();
    }
}

void CVornView::OnRowActivated(int row)
{
    if (!model_.IsValidRow(row))
        return;
    if (ImageOf(row) == kImageFile) {
        if (fileRowActivated)
            fileRowActivated(*this, row);
    } else if (CLeftView* left = LeftPane()) {
        left->SelectChildByPath(PathOf(row));
    }
}

void CVornView::EditRow(int row)
{
    if (!model_.IsValidRow(row))
        return;
    const QModelIndex index = model_.index(row, 0);
    setCurrentIndex(index);
    scrollTo(index);
    edit(index, QAbstractItemView::AllEditTriggers, nullptr);
}

bool CVornView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool started = QTreeView::edit(index, trigger, event);
    if (started && index.isValid()) {
        // Whichever way the edit began, remember what the row was.
        rename_.oldPath = PathOf(index.row());
        rename_.oldName = NameOf(index.row());
        rename_.isDirectory = ImageOf(index.row()) == kImageDirectory;
    }
    return started;
}

void CVornView::OnLabelEdited(int row, const QString& typed)
{
    if (typed.isEmpty())
        return;  // nothing typed: treated as a cancelled edit
    const std::optional<std::string> name = ToArchive(typed);
    if (!name)
        return;  // archive names are Latin-1; the row keeps its old name
    if (labelEditEnded)
        labelEditEnded(*this, row, *name);
}

QMenu* CVornView::BuildContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const bool selected = selectionModel() && selectionModel()->hasSelection();
    auto add = [&](const char* withSelection, const char* without, int id) {
        QAction* action = menu->addAction(QString::fromLatin1(selected ? withSelection : without));
        action->setData(id);
        action->setEnabled(selected || id == ID_FILE_NEWDIRECTORY);
    };
    add("&Extract\tCtrl+E", "E&xtract...\tCtrl+E", ID_FILE_EXTRACT);
    add("De&lete\tCtrl+D", "De&lete\tCtrl+D", ID_FILE_DELETE);
    add("&Rename\tF2", "&Rename\tF2", ID_FILE_RENAME);
    menu->addSeparator();
    add("New &Directory\tCtrl+W", "New &Directory\tCtrl+W", ID_FILE_NEWDIRECTORY);
    add("&Move to Directory\tCtrl+M", "&Move to directory...\tCtrl+M", ID_FILE_MOVETODIRECTORY);
    connect(menu, &QMenu::triggered, this, [this](QAction* action) { OnCommand(action->data().toInt()); });
    frame_.TrackMenuPrompts(menu);
    return menu;
}

void CVornView::ShowContextMenu(const QPoint& position)
{
    QMenu* menu = BuildContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(viewport()->mapToGlobal(position));
}

} // namespace vorn

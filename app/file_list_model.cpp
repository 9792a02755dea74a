#include "app/file_list_model.h"

#include "app/thumbnail_store.h"
#include "archive/archive_path.h"
#include "archive/far_directory_tree.h"
#include "archive/tree_change.h"
#include "base/name_compare.h"
#include "base/number_text.h"

#include <algorithm>

namespace vorn {

namespace {

// Beyond this many row searches in one edit, the rows are filled again at
// its end: one reset instead of a search per row.
constexpr int kRowSearchesBeforeRefill = 256;

} // namespace

FileListModel::FileListModel(const CFarDirectoryTree& tree, QObject* parent)
    : QAbstractTableModel(parent), tree_(tree)
{
}

void FileListModel::SetThumbnails(const ThumbnailStore* thumbnails)
{
    if (thumbnails_)
        disconnect(thumbnails_, nullptr, this, nullptr);
    thumbnails_ = thumbnails;
    if (thumbnails_)
        connect(thumbnails_, &ThumbnailStore::thumbnailReady, this, &FileListModel::OnThumbnailReady);
}

void FileListModel::OnThumbnailReady(int32_t entry)
{
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].entry == entry) {
            const QModelIndex changed = index(static_cast<int>(row), 0);
            emit dataChanged(changed, changed, {ThumbnailRole});
        }
    }
}

void FileListModel::Show(const CFarDirectory& directory)
{
    std::vector<Row> rows;
    rows.reserve(directory.Subdirectories().size() + directory.Files().size());
    shownPath_ = directory.Path();
    for (const CFarDirectory& subdirectory : directory.Subdirectories())
        rows.push_back({subdirectory.Name(), std::string(), kImageDirectory, subdirectory.Path()});
    // A file row's path is the shown path, "\\" and the name, also at the root.
    const std::string prefix = shownPath_ + kArchiveSeparator;
    for (const FarFileItem& item : directory.Files()) {
        Row row{item.name, std::string(), kImageFile, prefix + item.name, item.entryIndex};
        if (const CFarEntry* entry = tree_.EntryOfItem(item))
            row.sizeText = FormatGroupedNumber(entry->size1);
        rows.push_back(std::move(row));
    }
    ResetRows(std::move(rows));
}

bool FileListModel::ShowPath(const std::string& path)
{
    const CFarDirectory* directory = ArchiveDirectoryPath(path).empty() ? &tree_.Root() : tree_.GetDirectoryRef(path);
    if (directory)
        Show(*directory);
    return directory != nullptr;
}

void FileListModel::Apply(const TreeChange& change, AddedSizes sizes)
{
    using Kind = TreeChangeKind;
    if (refillPending_)
        return;
    auto shows = [&](const std::string& directory) { return EqualsNoCase(directory, shownPath_); };
    auto filePath = [&](const std::string& name) { return shownPath_ + kArchiveSeparator + name; };
    auto sizeText = [&](const FarFileItem& item) {
        const CFarEntry* entry = tree_.EntryOfItem(item);
        const uint32_t size = entry ? entry->size1 : 0;
        return sizes == AddedSizes::Plain ? std::to_string(size) : FormatGroupedNumber(size);
    };
    auto addFile = [&](size_t position, const FarFileItem& item) {
        const int row = std::min(FirstFileRow() + static_cast<int>(std::min<size_t>(position, rows_.size())),
                                 RowCount());
        InsertRow(row, {item.name, sizeText(item), kImageFile, filePath(item.name), item.entryIndex});
    };
    auto addDirectory = [&](size_t position, const std::string& name) {
        const int row = std::min(static_cast<int>(std::min<size_t>(position, rows_.size())), FirstFileRow());
        InsertRow(row, {name, std::string(), kImageDirectory, JoinArchivePath(shownPath_, name)});
    };
    // Appending is cheap; a row is searched for only a few hundred times per edit.
    auto rowOf = [&](const std::string& path) {
        if (++rowSearches_ > kRowSearchesBeforeRefill) {
            refillPending_ = true;
            return -1;
        }
        return RowOfPath(path);
    };
    auto remove = [&](const std::string& path) { RemoveRow(rowOf(path)); };

    switch (change.kind) {
    case Kind::FileAdded:
        if (shows(change.directory))
            addFile(change.position, change.item);
        break;
    case Kind::FileRemoved:
        if (shows(change.directory))
            remove(change.Path());
        break;
    case Kind::FileRenamed:
    case Kind::FileResized:
        if (shows(change.directory)) {
            const std::string oldName = change.oldName.empty() ? change.item.name : change.oldName;
            const int row = rowOf(JoinArchivePath(change.directory, oldName));
            if (row < 0)
                break;
            Row& value = rows_[static_cast<size_t>(row)];
            value.name = change.item.name;
            value.path = filePath(change.item.name);
            value.sizeText = sizeText(change.item);
            value.entry = change.item.entryIndex;
            emit dataChanged(index(row, 0), index(row, 1));
        }
        break;
    case Kind::FileMoved:
        if (shows(change.directory))
            remove(JoinArchivePath(change.directory, change.item.name));
        if (shows(change.toDirectory))
            addFile(change.toPosition, change.item);
        break;
    case Kind::DirectoryAdded:
        if (shows(change.directory))
            addDirectory(change.position, change.name);
        break;
    case Kind::DirectoryRemoved:
        if (shows(change.directory))
            remove(change.Path());
        break;
    case Kind::DirectoryRenamed:
        if (shows(change.directory)) {
            const int row = rowOf(JoinArchivePath(change.directory, change.oldName));
            if (row < 0)
                break;
            Row& value = rows_[static_cast<size_t>(row)];
            value.name = change.name;
            value.path = change.Path();
            emit dataChanged(index(row, 0), index(row, 1));
        }
        break;
    case Kind::DirectoryMoved:
        if (shows(change.directory))
            remove(JoinArchivePath(change.directory, change.name));
        if (shows(change.toDirectory))
            addDirectory(change.toPosition, change.name);
        break;
    case Kind::Rebuilt:
        break;
    }
}

void FileListModel::FinishChanges()
{
    if (refillPending_)
        ShowPath(shownPath_);
    refillPending_ = false;
    rowSearches_ = 0;
}

int FileListModel::RowOfPath(const std::string& path) const
{
    const std::string_view wanted = StripLeadingSeparators(path);
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (EqualsNoCase(StripLeadingSeparators(rows_[row].path), wanted))
            return static_cast<int>(row);
    }
    return -1;
}

int FileListModel::FirstFileRow() const
{
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].image != kImageDirectory)
            return static_cast<int>(row);
    }
    return RowCount();
}

void FileListModel::ResetRows(std::vector<Row> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int FileListModel::InsertRow(int row, Row value)
{
    if (row < 0 || row > RowCount())
        return -1;
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, std::move(value));
    endInsertRows();
    return row;
}

bool FileListModel::RemoveRow(int row)
{
    if (!IsValidRow(row))
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return true;
}

void FileListModel::SetName(int row, std::string name)
{
    if (!IsValidRow(row))
        return;
    rows_[static_cast<size_t>(row)].name = std::move(name);
    emit dataChanged(index(row, 0), index(row, 0));
}

void FileListModel::SetSizeText(int row, std::string text)
{
    if (!IsValidRow(row))
        return;
    rows_[static_cast<size_t>(row)].sizeText = std::move(text);
    emit dataChanged(index(row, 1), index(row, 1));
}

void FileListModel::SetPath(int row, std::string path)
{
    if (!IsValidRow(row))
        return;
    rows_[static_cast<size_t>(row)].path = std::move(path);
    emit dataChanged(index(row, 0), index(row, 1), {PathRole});
}

void FileListModel::sort(int column, Qt::SortOrder order)
{
    // Each row's kind and key are read from the tree once; the comparison
    // itself is then cheap even for very large directories.
    enum Kind { Unknown, Directory, File };
    struct Key {
        Kind kind = Unknown;
        std::string_view name;
        uint32_t size = 0;
    };
    std::vector<Key> keys(rows_.size());
    for (size_t row = 0; row < rows_.size(); ++row) {
        Key& key = keys[row];
        const std::string& path = rows_[row].path;
        if (const FarFileItem* item = tree_.FindFileItem(path)) {
            key.kind = File;
            key.name = item->name;
            if (const CFarEntry* entry = tree_.EntryOfItem(*item))
                key.size = entry->size2;
        } else if (const CFarDirectory* directory = tree_.GetDirectoryRef(path)) {
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
    const bool ascending = order == Qt::AscendingOrder;
    std::vector<int> newOrder(keys.size());
    for (size_t i = 0; i < newOrder.size(); ++i)
        newOrder[i] = static_cast<int>(i);
    std::stable_sort(newOrder.begin(), newOrder.end(), [&](int a, int b) {
        const int result = compare(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]);
        return ascending ? result < 0 : result > 0;
    });
    Reorder(newOrder);
}

void FileListModel::Reorder(const std::vector<int>& order)
{
    if (order.size() != rows_.size())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[static_cast<size_t>(order[i])]));
    }
    rows_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newRowOf[static_cast<size_t>(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !IsValidRow(index.row()))
        return {};
    const Row& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromLatin1(index.column() == 0 ? row.name : row.sizeText);
    case Qt::DecorationRole:
        if (index.column() == 0 && row.image >= 0 && static_cast<size_t>(row.image) < icons_.size())
            return icons_[static_cast<size_t>(row.image)];
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case PathRole:
        return QString::fromLatin1(row.path);
    case ImageRole:
        return row.image;
    case ThumbnailRole:
        if (thumbnails_ && row.entry >= 0 && index.column() == 0) {
            const QPixmap picture = thumbnails_->Find(row.entry);
            if (!picture.isNull())
                return picture;
        }
        return {};
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == 0)
        return QStringLiteral("Filename");
    if (section == 1)
        return QStringLiteral("Filesize");
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() == 0)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != 0 || !IsValidRow(index.row()))
        return false;
    if (labelEdited)
        labelEdited(index.row(), value.toString());
    // The pane sets the row text itself when the rename is accepted.
    return false;
}

} // namespace vorn

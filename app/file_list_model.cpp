#include "app/file_list_model.h"

#include "archive/far_directory_tree.h"

#include <algorithm>

namespace vorn {

FileListModel::FileListModel(const CFarDirectoryTree& tree, QObject* parent)
    : QAbstractTableModel(parent), tree_(tree)
{
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

#include "app/file_list_model.h"

namespace vorn {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

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

void FileListModel::SetItemData(int row, int itemData)
{
    if (IsValidRow(row))
        rows_[static_cast<size_t>(row)].itemData = itemData;
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
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
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

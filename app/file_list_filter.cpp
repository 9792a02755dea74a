#include "app/file_list_filter.h"

#include "app/file_list_model.h"
#include "app/ui_text.h"
#include "base/name_compare.h"

#include <algorithm>
#include <optional>

namespace vorn {

FileListFilter::FileListFilter(FileListModel& rows, QObject* parent) : QAbstractProxyModel(parent), rows_(rows)
{
    QAbstractProxyModel::setSourceModel(&rows_);
    connect(&rows_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(&rows_, &QAbstractItemModel::modelReset, this, &FileListFilter::OnReset);
    connect(&rows_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { OnRowsInserted(first, last); });
    connect(&rows_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { OnRowsAboutToBeRemoved(first, last); });
    connect(&rows_, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { OnRowsRemoved(first, last); });
    connect(&rows_, &QAbstractItemModel::dataChanged, this, &FileListFilter::OnDataChanged);
    connect(&rows_, &QAbstractItemModel::layoutAboutToBeChanged, this,
            [this](const QList<QPersistentModelIndex>&, QAbstractItemModel::LayoutChangeHint hint) {
                OnLayoutAboutToBeChanged(hint);
            });
    connect(&rows_, &QAbstractItemModel::layoutChanged, this,
            [this](const QList<QPersistentModelIndex>&, QAbstractItemModel::LayoutChangeHint hint) {
                OnLayoutChanged(hint);
            });
    connect(&rows_, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
    directory_ = rows_.ShownPath();
    Refilter();
}

void FileListFilter::SetText(const QString& text)
{
    if (text == text_)
        return;
    OnLayoutAboutToBeChanged(QAbstractItemModel::NoLayoutChangeHint);
    text_ = text;
    const std::optional<std::string> bytes = ToArchive(text);
    matchesNothing_ = !bytes;
    bytes_ = bytes.value_or(std::string());
    OnLayoutChanged(QAbstractItemModel::NoLayoutChangeHint);
}

int FileListFilter::ShownRowOf(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < shownOf_.size() ? shownOf_[static_cast<size_t>(row)] : -1;
}

int FileListFilter::RowAt(int shownRow) const
{
    return shownRow >= 0 && static_cast<size_t>(shownRow) < shown_.size() ? shown_[static_cast<size_t>(shownRow)]
                                                                          : -1;
}

bool FileListFilter::Matches(int row) const
{
    return !matchesNothing_ && ContainsNoCase(rows_.At(row).name, bytes_);
}

void FileListFilter::Refilter()
{
    shown_.clear();
    for (int row = 0; row < rows_.RowCount(); ++row) {
        if (Matches(row))
            shown_.push_back(row);
    }
    RebuildIndex();
}

void FileListFilter::RebuildIndex()
{
    shownOf_.assign(static_cast<size_t>(rows_.RowCount()), -1);
    for (size_t shownRow = 0; shownRow < shown_.size(); ++shownRow)
        shownOf_[static_cast<size_t>(shown_[shownRow])] = static_cast<int>(shownRow);
}

void FileListFilter::Show(int row)
{
    const auto at = std::lower_bound(shown_.begin(), shown_.end(), row);
    const int position = static_cast<int>(at - shown_.begin());
    beginInsertRows(QModelIndex(), position, position);
    shown_.insert(at, row);
    RebuildIndex();
    endInsertRows();
}

void FileListFilter::Hide(int row)
{
    const int position = ShownRowOf(row);
    beginRemoveRows(QModelIndex(), position, position);
    shown_.erase(shown_.begin() + position);
    RebuildIndex();
    endRemoveRows();
}

void FileListFilter::OnReset()
{
    const bool otherDirectory = !EqualsNoCase(rows_.ShownPath(), directory_);
    directory_ = rows_.ShownPath();
    const bool clearing = otherDirectory && IsActive();
    if (clearing) {
        text_.clear();
        bytes_.clear();
        matchesNothing_ = false;
    }
    Refilter();
    endResetModel();
    if (clearing)
        emit cleared();
    emit countsChanged();
}

void FileListFilter::OnRowsInserted(int first, int last)
{
    // The model has the rows already: later rows move down, and the new
    // rows that match show together, before the first later shown row.
    const int count = last - first + 1;
    const auto at = std::lower_bound(shown_.begin(), shown_.end(), first);
    const int position = static_cast<int>(at - shown_.begin());
    for (auto later = at; later != shown_.end(); ++later)
        *later += count;
    std::vector<int> added;
    for (int row = first; row <= last; ++row) {
        if (Matches(row))
            added.push_back(row);
    }
    if (added.empty()) {
        RebuildIndex();
    } else {
        beginInsertRows(QModelIndex(), position, position + static_cast<int>(added.size()) - 1);
        shown_.insert(shown_.begin() + position, added.begin(), added.end());
        RebuildIndex();
        endInsertRows();
    }
    emit countsChanged();
}

void FileListFilter::OnRowsAboutToBeRemoved(int first, int last)
{
    removedFirst_ = static_cast<int>(std::lower_bound(shown_.begin(), shown_.end(), first) - shown_.begin());
    removedEnd_ = static_cast<int>(std::upper_bound(shown_.begin(), shown_.end(), last) - shown_.begin());
    if (removedEnd_ > removedFirst_)
        beginRemoveRows(QModelIndex(), removedFirst_, removedEnd_ - 1);
}

void FileListFilter::OnRowsRemoved(int first, int last)
{
    const int count = last - first + 1;
    shown_.erase(shown_.begin() + removedFirst_, shown_.begin() + removedEnd_);
    for (auto later = shown_.begin() + removedFirst_; later != shown_.end(); ++later)
        *later -= count;
    RebuildIndex();
    if (removedEnd_ > removedFirst_)
        endRemoveRows();
    removedFirst_ = removedEnd_ = 0;
    emit countsChanged();
}

void FileListFilter::OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    bool countChanged = false;
    // A renamed row shows or hides by its new name.
    for (int row = topLeft.row(); row <= bottomRight.row() && rows_.IsValidRow(row); ++row) {
        const bool shown = ShownRowOf(row) >= 0;
        const bool matches = Matches(row);
        if (shown && matches) {
            const int at = ShownRowOf(row);
            emit dataChanged(index(at, topLeft.column()), index(at, bottomRight.column()), roles);
        } else if (matches) {
            Show(row);
            countChanged = true;
        } else if (shown) {
            Hide(row);
            countChanged = true;
        }
    }
    if (countChanged)
        emit countsChanged();
}

void FileListFilter::OnLayoutAboutToBeChanged(QAbstractItemModel::LayoutChangeHint hint)
{
    emit layoutAboutToBeChanged({}, hint);
    layoutBefore_ = persistentIndexList();
    layoutRows_.clear();
    layoutRows_.reserve(static_cast<size_t>(layoutBefore_.size()));
    for (const QModelIndex& before : layoutBefore_)
        layoutRows_.emplace_back(mapToSource(before));
}

void FileListFilter::OnLayoutChanged(QAbstractItemModel::LayoutChangeHint hint)
{
    Refilter();
    // Indexes of rows that still show move with them; the others end.
    QModelIndexList after;
    after.reserve(layoutBefore_.size());
    for (qsizetype i = 0; i < layoutBefore_.size(); ++i) {
        const QPersistentModelIndex& row = layoutRows_[static_cast<size_t>(i)];
        const int shownRow = row.isValid() ? ShownRowOf(row.row()) : -1;
        after.append(shownRow < 0 ? QModelIndex() : index(shownRow, layoutBefore_[i].column()));
    }
    changePersistentIndexList(layoutBefore_, after);
    layoutBefore_.clear();
    layoutRows_.clear();
    emit layoutChanged({}, hint);
    emit countsChanged();
}

QModelIndex FileListFilter::mapToSource(const QModelIndex& proxyIndex) const
{
    const int row = proxyIndex.isValid() ? RowAt(proxyIndex.row()) : -1;
    return row < 0 ? QModelIndex() : rows_.index(row, proxyIndex.column());
}

QModelIndex FileListFilter::mapFromSource(const QModelIndex& sourceIndex) const
{
    const int shownRow = sourceIndex.isValid() ? ShownRowOf(sourceIndex.row()) : -1;
    return shownRow < 0 ? QModelIndex() : index(shownRow, sourceIndex.column());
}

QModelIndex FileListFilter::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= ShownCount() || column < 0 || column >= columnCount())
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex FileListFilter::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int FileListFilter::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ShownCount();
}

int FileListFilter::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_.columnCount();
}

bool FileListFilter::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && !shown_.empty();
}

QVariant FileListFilter::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The columns are the model's, also while no row shows.
    return rows_.headerData(section, orientation, role);
}

} // namespace vorn

#include "app/chunk_list_model.h"

#include "iff/iff_chunk.h"
#include "iff/type_codes.h"
#include "sprites/iff_edit_service.h"

namespace vorn {

ChunkListModel::ChunkListModel(IffEditService& service, QObject* parent) : QAbstractTableModel(parent)
{
    for (const auto& chunk : service.Chunks())
        chunks_.push_back(chunk.get());
}

void ChunkListModel::Refresh(IffEditService& service)
{
    beginResetModel();
    chunks_.clear();
    for (const auto& chunk : service.Chunks())
        chunks_.push_back(chunk.get());
    endResetModel();
}

int ChunkListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(chunks_.size());
}

int ChunkListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

CIffChunk* ChunkListModel::ChunkAt(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < chunks_.size() ? chunks_[static_cast<size_t>(row)] : nullptr;
}

QVariant ChunkListModel::data(const QModelIndex& index, int role) const
{
    const CIffChunk* chunk = ChunkAt(index.row());
    if (chunk == nullptr)
        return {};
    if (role == kChunkRole)
        return QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(chunk));
    if (role == Qt::TextAlignmentRole && (index.column() == kId || index.column() == kSize))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case kType: return QString::fromLatin1(TypeCodeText(chunk->Type()));
    case kId: return chunk->Id();
    // Labels are the file's bytes, shown as Latin-1.
    case kLabel: return QString::fromLatin1(chunk->Label());
    case kSize: return chunk->Size();
    case kFlags: return QStringLiteral("0x%1").arg(chunk->Flags(), 4, 16, QLatin1Char('0'));
    default: return {};
    }
}

Qt::ItemFlags ChunkListModel::flags(const QModelIndex& index) const
{
    const CIffChunk* chunk = ChunkAt(index.row());
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    // The map is written anew with every save: it keeps its id and label.
    if (editable_ && chunk != nullptr && chunk->Type() != kTypeRsmp &&
        (index.column() == kId || index.column() == kLabel))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ChunkListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    CIffChunk* chunk = ChunkAt(index.row());
    if (role != Qt::EditRole || chunk == nullptr || !(flags(index) & Qt::ItemIsEditable))
        return false;
    emit EditRequested(chunk, index.column(), value);
    return false;
}

QVariant ChunkListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kType: return QStringLiteral("Type");
    case kId: return QStringLiteral("ID");
    case kLabel: return QStringLiteral("Label");
    case kSize: return QStringLiteral("Size");
    case kFlags: return QStringLiteral("Flags");
    default: return {};
    }
}

} // namespace vorn

#include "app/hex_dump_model.h"

#include "base/hex_dump.h"

#include <climits>

namespace vorn {

HexDumpModel::HexDumpModel(std::span<const uint8_t> bytes, QObject* parent) : QAbstractListModel(parent), bytes_(bytes)
{
}

int HexDumpModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::min<size_t>(HexDumpLineCount(bytes_.size()), INT_MAX));
}

QVariant HexDumpModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || index.row() < 0)
        return {};
    return QString::fromLatin1(HexDumpLine(bytes_, static_cast<size_t>(index.row()) * kHexDumpWidth));
}

} // namespace vorn

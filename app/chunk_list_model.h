#pragma once

#include <QAbstractTableModel>

#include <vector>

namespace vorn {

class CIffChunk;
class IffEditService;

// The chunks of one IFF file as rows: type, id, label, size, flags. Numbers
// are given as numbers, so a sort proxy orders them by value; the chunk of a
// row is under kChunkRole.
class ChunkListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kType, kId, kLabel, kSize, kFlags, kColumnCount };
    static constexpr int kChunkRole = Qt::UserRole + 1;

    ChunkListModel(IffEditService& service, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    CIffChunk* ChunkAt(int row) const;
    // The service's chunks again, after an edit or a reload.
    void Refresh(IffEditService& service);

private:
    std::vector<CIffChunk*> chunks_;
};

} // namespace vorn

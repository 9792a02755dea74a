#pragma once

#include <QAbstractTableModel>

#include <vector>

namespace vorn {

class CIffChunk;
class IffEditService;

// The chunks of one IFF file as rows: type, id, label, size, flags. Numbers
// are given as numbers, so a sort proxy orders them by value; the chunk of a
// row is under kChunkRole. Made editable, the id and label cells take new
// values; the model asks for them through EditRequested and changes with the
// service's file only.
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
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Hands the value on through EditRequested; false, as nothing changed yet.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void SetEditable(bool editable) { editable_ = editable; }

    CIffChunk* ChunkAt(int row) const;
    // The service's chunks again, after an edit or a reload.
    void Refresh(IffEditService& service);

signals:
    // A new id (kId) or label (kLabel) typed for `chunk`.
    void EditRequested(CIffChunk* chunk, int column, const QVariant& value);

private:
    std::vector<CIffChunk*> chunks_;
    bool editable_ = false;
};

} // namespace vorn

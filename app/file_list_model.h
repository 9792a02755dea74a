#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <functional>
#include <string>
#include <vector>

namespace vorn {

// The rows of the file list pane: one name, one size text, an image index
// (0 directory, 1 open folder, 2 file) and an item data value (the index of
// the row's path in the pane's path table). Texts are archive bytes and are
// shown as Latin-1. Rows are plain structs so a directory of a hundred
// thousand files fills in a few milliseconds.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        std::string name;
        std::string sizeText;
        int image = 0;
        int itemData = -1;
    };

    explicit FileListModel(QObject* parent = nullptr);

    void SetIcons(std::vector<QIcon> icons) { icons_ = std::move(icons); }

    // Replaces every row at once.
    void ResetRows(std::vector<Row> rows);
    // Inserts before `row` (appends when row == RowCount()); returns the index
    // or -1 when the position is outside the list.
    int InsertRow(int row, Row value);
    bool RemoveRow(int row);
    int RowCount() const { return static_cast<int>(rows_.size()); }
    const Row& At(int row) const { return rows_[static_cast<size_t>(row)]; }
    bool IsValidRow(int row) const { return row >= 0 && row < RowCount(); }
    void SetName(int row, std::string name);
    void SetSizeText(int row, std::string text);
    void SetItemData(int row, int itemData);
    // Puts the rows in the order given: order[i] is the old index of the new
    // row i. Selections and other persistent indexes move with their rows.
    void Reorder(const std::vector<int>& order);

    // The end of an in-place edit: the typed text goes here and the model
    // itself never takes it (the pane decides what the row shows).
    std::function<void(int row, const QString& typed)> labelEdited;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    std::vector<Row> rows_;
    std::vector<QIcon> icons_;
};

} // namespace vorn

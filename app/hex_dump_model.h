#pragma once

#include <QAbstractListModel>

#include <cstdint>
#include <span>

namespace vorn {

// A chunk's bytes as hex dump lines, made only for the rows shown, so a
// chunk of megabytes shows at once.
class HexDumpModel : public QAbstractListModel {
    Q_OBJECT

public:
    // The bytes must outlive the model.
    HexDumpModel(std::span<const uint8_t> bytes, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::span<const uint8_t> bytes_;
};

} // namespace vorn

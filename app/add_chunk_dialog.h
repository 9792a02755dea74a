#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QDialogButtonBox;
class QSpinBox;

namespace vorn {

// Asks for the type and id of a new, empty chunk. The type is typed or
// picked (the file's own types first); the id starts at the first one that
// type leaves free, from `freeId`.
class AddChunkDialog : public QDialog {
    Q_OBJECT

public:
    using FreeIdOf = std::function<std::optional<uint16_t>(const QString& type)>;

    AddChunkDialog(const QStringList& fileTypes, FreeIdOf freeId, QWidget* parent = nullptr);

    QComboBox* TypeBox() const { return type_; }
    QSpinBox* IdBox() const { return id_; }
    QString Type() const;
    uint16_t Id() const;

private:
    void SuggestId();

    FreeIdOf freeId_;
    QComboBox* type_ = nullptr;
    QSpinBox* id_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

} // namespace vorn

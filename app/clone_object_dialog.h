#pragma once

#include "sprites/iff_edit_service.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace vorn {

// "Clone Object": the new entry's name and the catalogue text and price of
// the copy, with the GUIDs its objects will get. The fields start with the
// source's values; only what the user changes is asked of the clone, so a
// language the dialog does not show keeps its own text.
class CloneObjectDialog : public QDialog {
    Q_OBJECT
public:
    // One object of the copy: its OBJD id, label and new GUID.
    struct NewObject {
        uint16_t id = 0;
        QString label;
        uint32_t guid = 0;
    };

    CloneObjectDialog(const QString& entryName, const CloneRequest& current, const std::vector<NewObject>& objects,
                      QWidget* parent = nullptr);

    // Asked on OK; false keeps the dialog open (the check has said why).
    void SetCheck(std::function<bool(CloneObjectDialog&)> check) { check_ = std::move(check); }

    QString EntryName() const;
    // What the user changed, in UTF-8; the GUIDs shown.
    CloneRequest Request() const;

    QLineEdit* EntryNameField() const { return entryName_; }
    QLineEdit* CatalogueNameField() const { return catalogueName_; }
    QSpinBox* PriceField() const { return price_; }
    QPlainTextEdit* DescriptionField() const { return description_; }

    void accept() override;

private:
    CloneRequest current_;
    std::vector<uint32_t> guids_;
    QLineEdit* entryName_ = nullptr;
    QLineEdit* catalogueName_ = nullptr;
    QSpinBox* price_ = nullptr;
    QPlainTextEdit* description_ = nullptr;
    std::function<bool(CloneObjectDialog&)> check_;
};

} // namespace vorn

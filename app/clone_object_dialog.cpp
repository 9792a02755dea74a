#include "app/clone_object_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace vorn {

namespace {

constexpr const char* kNoCatalogue = "(no catalogue text in this file)";

} // namespace

CloneObjectDialog::CloneObjectDialog(const QString& entryName, const CloneRequest& current,
                                     const std::vector<NewObject>& objects, QWidget* parent)
    : QDialog(parent), current_(current)
{
    setWindowTitle(QStringLiteral("Clone Object"));
    entryName_ = new QLineEdit(entryName, this);
    entryName_->setObjectName(QStringLiteral("entryName"));
    entryName_->selectAll();
    catalogueName_ = new QLineEdit(QString::fromStdString(current.name.value_or("")), this);
    catalogueName_->setObjectName(QStringLiteral("catalogueName"));
    price_ = new QSpinBox(this);
    price_->setObjectName(QStringLiteral("price"));
    price_->setRange(0, std::numeric_limits<uint16_t>::max());
    price_->setValue(current.price.value_or(0));
    description_ = new QPlainTextEdit(QString::fromStdString(current.description.value_or("")), this);
    description_->setObjectName(QStringLiteral("description"));
    description_->setTabChangesFocus(true);
    description_->setFixedHeight(description_->fontMetrics().lineSpacing() * 4 + 12);
    // Without a catalogue table there is nowhere to write the text.
    if (!current.name && !current.description) {
        catalogueName_->setEnabled(false);
        catalogueName_->setPlaceholderText(QString::fromLatin1(kNoCatalogue));
        description_->setEnabled(false);
        description_->setPlaceholderText(QString::fromLatin1(kNoCatalogue));
    }
    price_->setEnabled(current.price.has_value());

    QStringList lines;
    for (const NewObject& object : objects) {
        guids_.push_back(object.guid);
        const QString guid = QStringLiteral("%1").arg(object.guid, 8, 16, QLatin1Char('0')).toUpper();
        lines << QStringLiteral("OBJD %1 \"%2\": 0x%3").arg(object.id).arg(object.label, guid);
    }
    auto* guids = new QLabel(lines.join(QLatin1Char('\n')), this);
    guids->setObjectName(QStringLiteral("guids"));
    guids->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Entry name:"), entryName_);
    form->addRow(QStringLiteral("Catalogue &name:"), catalogueName_);
    form->addRow(QStringLiteral("&Price:"), price_);
    form->addRow(QStringLiteral("&Description:"), description_);
    form->addRow(QStringLiteral("New GUIDs:"), guids);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QString CloneObjectDialog::EntryName() const
{
    return entryName_->text();
}

CloneRequest CloneObjectDialog::Request() const
{
    CloneRequest request;
    request.guids = guids_;
    const std::string name = catalogueName_->text().toStdString();
    const std::string description = description_->toPlainText().toStdString();
    if (catalogueName_->isEnabled() && name != current_.name.value_or(""))
        request.name = name;
    if (description_->isEnabled() && description != current_.description.value_or(""))
        request.description = description;
    if (price_->isEnabled() && price_->value() != current_.price.value_or(0))
        request.price = static_cast<uint16_t>(price_->value());
    return request;
}

void CloneObjectDialog::accept()
{
    if (check_ && !check_(*this))
        return;
    QDialog::accept();
}

} // namespace vorn

#include "app/add_chunk_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace vorn {

namespace {

// Types a modder adds most, offered after the file's own.
const char* const kCommonTypes[] = {"STR#", "CTSS", "TTAs", "OBJD", "DGRP", "SPR2", "PALT", "BMP_", "BHAV", "TTAB"};
constexpr int kTypeLength = 4;

} // namespace

AddChunkDialog::AddChunkDialog(const QStringList& fileTypes, FreeIdOf freeId, QWidget* parent)
    : QDialog(parent), freeId_(std::move(freeId))
{
    setWindowTitle(QStringLiteral("Add Chunk"));
    type_ = new QComboBox(this);
    type_->setObjectName(QStringLiteral("type"));
    type_->setEditable(true);
    type_->lineEdit()->setMaxLength(kTypeLength);
    QStringList types = fileTypes;
    for (const char* common : kCommonTypes)
        if (!types.contains(QString::fromLatin1(common)))
            types.append(QString::fromLatin1(common));
    type_->addItems(types);
    id_ = new QSpinBox(this);
    id_->setObjectName(QStringLiteral("id"));
    id_->setRange(0, UINT16_MAX);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("&Type:"), type_);
    layout->addRow(QStringLiteral("&ID:"), id_);
    layout->addRow(buttons_);

    connect(type_, &QComboBox::currentTextChanged, this, [this] { SuggestId(); });
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    SuggestId();
}

QString AddChunkDialog::Type() const { return type_->currentText(); }

uint16_t AddChunkDialog::Id() const { return static_cast<uint16_t>(id_->value()); }

void AddChunkDialog::SuggestId()
{
    // A type is four characters; until then there is nothing to add.
    const bool whole = Type().size() == kTypeLength;
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(whole);
    if (!whole)
        return;
    if (const std::optional<uint16_t> free = freeId_(Type()))
        id_->setValue(*free);
}

} // namespace vorn

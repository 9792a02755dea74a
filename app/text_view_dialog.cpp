#include "app/text_view_dialog.h"

#include <QAction>
#include <QBoxLayout>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>

namespace vorn {

TextViewDialog::TextViewDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("View Text file"));
    viewer_ = new QPlainTextEdit(this);
    viewer_->setObjectName(QStringLiteral("text"));
    viewer_->setReadOnly(true);
    // Read-only hides the cursor; it still marks where Find goes on from.
    viewer_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    viewer_->setLineWrapMode(QPlainTextEdit::NoWrap);
    viewer_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findField_ = new QLineEdit(this);
    findField_->setObjectName(QStringLiteral("find"));
    findLabel->setBuddy(findField_);
    auto* nextButton = new QPushButton(QStringLiteral("&Next"), this);
    auto* previousButton = new QPushButton(QStringLiteral("&Previous"), this);
    // Enter in the find line finds; no button takes it as a default.
    for (QPushButton* button : {nextButton, previousButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    findStatus_ = new QLabel(this);
    findStatus_->setObjectName(QStringLiteral("findStatus"));

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(findField_, 1);
    findRow->addWidget(nextButton);
    findRow->addWidget(previousButton);
    findRow->addWidget(findStatus_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(viewer_, 1);
    layout->addLayout(findRow);

    // 80 columns by 25 lines of the text's font where the screen has room.
    const QFontMetrics metrics(viewer_->font());
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * 80 + 40, metrics.lineSpacing() * 25 + 60);

    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, [this] {
        findField_->setFocus(Qt::ShortcutFocusReason);
        findField_->selectAll();
    });
    auto* next = new QAction(this);
    next->setShortcut(QKeySequence::FindNext);
    connect(next, &QAction::triggered, this, [this] { FindNext(); });
    auto* previous = new QAction(this);
    previous->setShortcut(QKeySequence::FindPrevious);
    connect(previous, &QAction::triggered, this, [this] { FindNext(true); });
    addActions({find, next, previous});
    connect(findField_, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    connect(nextButton, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(previousButton, &QPushButton::clicked, this, [this] { FindNext(true); });
    connect(findField_, &QLineEdit::textChanged, findStatus_, &QLabel::clear);
}

void TextViewDialog::SetText(std::string_view bytes)
{
    viewer_->setPlainText(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
    viewer_->moveCursor(QTextCursor::Start);
}

bool TextViewDialog::FindNext(bool backward)
{
    const QString wanted = findField_->text();
    if (wanted.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextDocument* text = viewer_->document();
    QTextCursor found = text->find(wanted, viewer_->textCursor(), flags);
    if (found.isNull()) {
        // Round the end to the other one.
        QTextCursor from(text);
        from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        found = text->find(wanted, from, flags);
    }
    if (found.isNull()) {
        findStatus_->setText(QStringLiteral("Not found"));
        return false;
    }
    findStatus_->clear();
    viewer_->setTextCursor(found);
    return true;
}

} // namespace vorn

#include "app/file_filter_field.h"

#include "app/file_list_filter.h"
#include "app/vorn_view.h"

#include <QKeyEvent>

namespace vorn {

FileFilterField::FileFilterField(CVornView& list, QWidget* parent) : QLineEdit(parent), list_(list)
{
    setObjectName(QStringLiteral("fileFilter"));
    setPlaceholderText(QStringLiteral("Filter names in this directory"));
    setClearButtonEnabled(true);
    hide();
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { list_.SetFilterText(text); });
    connect(&list_.Filter(), &FileListFilter::cleared, this, [this] {
        const QSignalBlocker quiet(this);
        clear();
        hide();
    });
}

void FileFilterField::Open()
{
    show();
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void FileFilterField::Close()
{
    clear();
    hide();
}

void FileFilterField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        Close();
        list_.setFocus(Qt::OtherFocusReason);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        list_.setFocus(Qt::OtherFocusReason);
        break;
    default:
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace vorn

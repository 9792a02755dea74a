#include "app/thumbnail_delegate.h"

#include "app/file_list_model.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPixmap>
#include <QToolTip>

namespace vorn {

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(size_ + 32, size_ + option.fontMetrics.lineSpacing() + 8);
}

bool ThumbnailDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view->viewport(),
                       view->visualRect(index));
    return true;
}

void ThumbnailDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QPixmap thumbnail = index.data(FileListModel::ThumbnailRole).value<QPixmap>();
    if (!thumbnail.isNull()) {
        option->icon = QIcon(thumbnail);
        option->features |= QStyleOptionViewItem::HasDecoration;
    }
    option->decorationSize = QSize(size_, size_);
    option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
}

} // namespace vorn

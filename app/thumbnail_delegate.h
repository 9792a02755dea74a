#pragma once

#include <QStyledItemDelegate>

namespace vorn {

// Draws a row of the icon view with its thumbnail (FileListModel's
// ThumbnailRole) in place of its icon while it has one.
class ThumbnailDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace vorn

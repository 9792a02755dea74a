#pragma once

#include <QStyledItemDelegate>

namespace vorn {

// Draws a row of the icon view with its thumbnail (FileListModel's
// ThumbnailRole) in place of its icon while it has one. Pictures and icons
// sit centred in one square of `size` pixels, so the names line up under
// them. A cell's tooltip is its whole name, which the cell may shorten.
class ThumbnailDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ThumbnailDelegate(int size, QObject* parent) : QStyledItemDelegate(parent), size_(size) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    int size_;
};

} // namespace vorn

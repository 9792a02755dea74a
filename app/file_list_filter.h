#pragma once

#include <QAbstractProxyModel>
#include <QPersistentModelIndex>
#include <QString>

#include <string>
#include <vector>

namespace vorn {

class FileListModel;

// What the list pane shows of its FileListModel: the rows whose names
// contain a text, letter case aside as archive names compare, in the
// model's order. Every other part of the program speaks of the model's rows;
// the pane maps between them and these in one place (CVornView).
//
// The rows follow the model as it changes: added, removed and renamed rows
// are checked as they come, so the shown rows are always the matching ones;
// sorting keeps the filter. A refill of the same directory keeps the text,
// showing another directory clears it (it was typed for the names of the
// one shown). A new text is one layout change: the view keeps the selection
// of the rows that still show, and a directory of a hundred thousand rows
// filters in a few milliseconds.
class FileListFilter : public QAbstractProxyModel {
    Q_OBJECT
public:
    explicit FileListFilter(FileListModel& rows, QObject* parent = nullptr);

    // "" shows every row; a text with a character outside Latin-1 shows none,
    // as no archive name can hold it.
    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    bool IsActive() const { return !text_.isEmpty(); }
    int ShownCount() const { return static_cast<int>(shown_.size()); }
    // The shown row of a model row; -1 when the filter hides it.
    int ShownRowOf(int row) const;
    // The model row of a shown row; -1 when there is none.
    int RowAt(int shownRow) const;

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The shown or the total row count may have changed.
    void countsChanged();
    // Another directory is shown and the text was dropped.
    void cleared();

private:
    bool Matches(int row) const;
    // The shown rows afresh from the model, and the index that maps back.
    void Refilter();
    void RebuildIndex();
    // Inserts or removes one shown row for a model row whose match changed.
    void Show(int row);
    void Hide(int row);

    void OnReset();
    void OnRowsInserted(int first, int last);
    void OnRowsAboutToBeRemoved(int first, int last);
    void OnRowsRemoved(int first, int last);
    void OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void OnLayoutAboutToBeChanged(QAbstractItemModel::LayoutChangeHint hint);
    void OnLayoutChanged(QAbstractItemModel::LayoutChangeHint hint);

    FileListModel& rows_;
    QString text_;
    std::string bytes_;
    bool matchesNothing_ = false;
    std::string directory_;
    // Shown row -> model row, ascending; model row -> shown row or -1.
    std::vector<int> shown_;
    std::vector<int> shownOf_;
    // A removal the model announced: the shown rows it takes.
    int removedFirst_ = 0;
    int removedEnd_ = 0;
    // Across a layout change of the model: our persistent indexes and the
    // model rows they stood for.
    QModelIndexList layoutBefore_;
    std::vector<QPersistentModelIndex> layoutRows_;
};

} // namespace vorn

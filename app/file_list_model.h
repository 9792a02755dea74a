#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorn {

class CFarDirectory;
class CFarDirectoryTree;
class ThumbnailStore;
struct TreeChange;

// The rows of the file list pane, the contents of the shown directory: a
// name, a size text, an image index (0 directory, 1 open folder, 2 file)
// and the row's archive path. Show fills them from a directory; afterwards
// they follow the tree's change reports (Apply): a change of a few rows
// inserts, removes or rewrites just those rows, so the view keeps its
// scroll position and selection, while an edit that changes more than a
// few hundred rows of the shown directory fills it once more at its end. A
// directory row's path is the directory's full path; a file row's is the
// shown directory's path, "\\" and the name (so a root file's path starts
// with "\\"). A row inserted without a path has "" and stands for nothing in
// the archive. Texts are archive bytes and are shown as Latin-1. Rows are
// plain structs so a directory of a hundred thousand files fills in a few
// milliseconds.
//
// sort() orders the rows as the pane's column clicks do, asking the archive
// tree what each row's path is: directories first, then files; by column 0
// names compare byte for byte (so "B" before "a"), by column 1 files by their
// data length; rows that compare equal, and rows whose path the tree does not
// know, keep their order.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The row's archive path, as Latin-1 text.
    static constexpr int PathRole = Qt::UserRole;
    // The row's image index (an int).
    static constexpr int ImageRole = Qt::UserRole + 1;
    // The icon view's picture of a file row (a QPixmap; none while there is
    // no thumbnail, and for rows that show their icon).
    static constexpr int ThumbnailRole = Qt::UserRole + 2;

    struct Row {
        std::string name;
        std::string sizeText;
        int image = 0;
        std::string path;
        // A file row's archive entry; -1 for directories and rows of no entry.
        int32_t entry = -1;
    };

    static constexpr int kImageDirectory = 0;
    static constexpr int kImageOpenDirectory = 1;
    static constexpr int kImageFile = 2;

    // How the size column shows files a change adds: grouped by commas, or as
    // the adding job shows them, a plain decimal number.
    enum class AddedSizes { Grouped, Plain };

    FileListModel(const CFarDirectoryTree& tree, QObject* parent = nullptr);

    void SetIcons(std::vector<QIcon> icons) { icons_ = std::move(icons); }
    // Where ThumbnailRole is read from (null: nowhere); its new thumbnails
    // are reported as changes of their rows.
    void SetThumbnails(const ThumbnailStore* thumbnails);

    // Every row from `directory`: subdirectories first, then files, in the
    // tree's order; it becomes the shown directory.
    void Show(const CFarDirectory& directory);
    // Shows the tree's directory at `path` ("" the root), read in place; false
    // (rows unchanged) when the tree has none.
    bool ShowPath(const std::string& path);
    // Full path of the shown directory ("" for the root).
    const std::string& ShownPath() const { return shownPath_; }
    // Follows one change the tree reports, where it touches the shown directory.
    void Apply(const TreeChange& change, AddedSizes sizes = AddedSizes::Grouped);
    // The end of an edit: fills the rows again if Apply left that for here.
    void FinishChanges();

    // The row whose path is `path` (leading separators and letter case
    // aside); -1 when none.
    int RowOfPath(const std::string& path) const;
    // The first row that is not a directory row (RowCount() when none).
    int FirstFileRow() const;

    // Replaces every row at once.
    void ResetRows(std::vector<Row> rows);
    // Inserts before `row` (appends when row == RowCount()); returns the index
    // or -1 when the position is outside the list.
    int InsertRow(int row, Row value);
    bool RemoveRow(int row);
    int RowCount() const { return static_cast<int>(rows_.size()); }
    const Row& At(int row) const { return rows_[static_cast<size_t>(row)]; }
    bool IsValidRow(int row) const { return row >= 0 && row < RowCount(); }
    void SetName(int row, std::string name);
    void SetSizeText(int row, std::string text);
    void SetPath(int row, std::string path);

    // The end of an in-place edit: the typed text goes here and the model
    // itself never takes it (the pane decides what the row shows).
    std::function<void(int row, const QString& typed)> labelEdited;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // Stable; descending order turns every comparison round.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // Puts the rows in the order given: order[i] is the old index of the new
    // row i. Selections and other persistent indexes move with their rows.
    void Reorder(const std::vector<int>& order);

    void OnThumbnailReady(int32_t entry);

    const CFarDirectoryTree& tree_;
    std::vector<Row> rows_;
    std::vector<QIcon> icons_;
    const ThumbnailStore* thumbnails_ = nullptr;
    std::string shownPath_;
    // Rows searched for in the current edit; beyond a few hundred the rows
    // are filled again once at its end instead.
    int rowSearches_ = 0;
    bool refillPending_ = false;
};

} // namespace vorn

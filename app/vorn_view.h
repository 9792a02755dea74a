#pragma once

#include "app/file_list_filter.h"
#include "app/file_list_model.h"
#include "app/thumbnail_store.h"

#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

class QMenu;

namespace vorn {

class CFarDirectory;
class CLeftView;
class CMainFrame;
class CVornDoc;
class FileIconView;

// The file list pane: the contents of the directory selected in the tree
// pane, subdirectories first, then files with their sizes. Each row keeps
// its archive path in the model (FileListModel::PathRole), so the commands
// and viewers can reach the archive item behind it.
//
// The view shows the model through the filter (Ctrl+F), which may hide rows.
// Rows here and everywhere else are the model's; this class alone maps them
// to and from the view's indexes (ViewIndex, RowOf).
//
// The rows show as a details list (this view) or as a grid of thumbnails
// (IconView), one at a time, over the same rows and selection; the grid is
// laid over this view's area and takes its focus, so whatever holds the
// pane, its actions and its shortcuts works the same in both.
//
// Everything here runs on the UI thread; the rows follow the document's
// change reports through the model (see DocumentAdapter), never commands.
//
// What other parts of the program connect to:
//  - fileRowActivated (signal): a file row was double-clicked or Enter was
//    pressed on it; the viewer dispatch opens it. Directory rows open in
//    both panes instead.
//  - filesDropped: local files dropped on the main window; returns how many
//    files were added (the document and the panes follow by themselves).
//  - The archive commands live in the main frame's command table; the pane
//    offers the selection, the rows and the in-place editing they use.
class CVornView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kImageDirectory = FileListModel::kImageDirectory;
    static constexpr int kImageOpenDirectory = FileListModel::kImageOpenDirectory;
    static constexpr int kImageFile = FileListModel::kImageFile;

    CVornView(CMainFrame& frame, CVornDoc& document, QWidget* parent = nullptr);

    CVornDoc& Document() { return document_; }
    CMainFrame& Frame() { return frame_; }
    CLeftView* LeftPane() const;
    FileListModel& Model() { return model_; }
    // Which rows show (Ctrl+F).
    FileListFilter& Filter() { return filter_; }
    const FileListFilter& Filter() const { return filter_; }
    // Narrows the rows to names containing `text` ("" shows all); the rows
    // selected before that still show stay selected.
    void SetFilterText(const QString& text);
    // The view's index of a model row; invalid when the filter hides it.
    QModelIndex ViewIndex(int row, int column = 0) const;
    // The model row of a view index; -1 for none.
    int RowOf(const QModelIndex& viewIndex) const;
    // The model row of the view's current index; -1 for none.
    int CurrentRow() const { return RowOf(currentIndex()); }
    // "12 of 340 item(s) shown" while the filter narrows the rows, else "".
    QString FilterSummaryText() const;

    // The grid of thumbnails instead of the details list, or back.
    void SetIconView(bool on);
    bool IsIconView() const;
    FileIconView& IconView() { return *iconView_; }
    // The view the rows show in now: this one, or the grid.
    QAbstractItemView& ShownView();
    // The grid's pictures, by archive entry; the document adapter tells it
    // what changed.
    ThumbnailStore& Thumbnails() { return thumbnails_; }
    // Scrolls whichever view shows the rows.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // Each time the document is new or opened: recompute the summary. The
    // rows come when the tree pane selects its root.
    void OnInitialUpdate();
    // Replaces every row with the directory's subdirectories and files.
    void FillFromDirectory(const CFarDirectory& directory);
    // "%d item(s), with a total of %s byte(s) - ..." into the frame's status bar.
    void RecomputeSummary();
    std::string SummaryText() const;

    // Full path of the shown directory ("" for the root).
    const std::string& ShownPath() const { return model_.ShownPath(); }

    // Row access (row indexes as shown, top to bottom). The rows themselves
    // follow the document through the model.
    int RowCount() const { return model_.RowCount(); }
    int ImageOf(int row) const;
    std::string NameOf(int row) const;
    std::string SizeTextOf(int row) const;
    // The archive path behind a row; "" when the row is invalid or has none.
    std::string PathOf(int row) const;

    bool HasSelection() const;
    std::vector<int> SelectedRows() const;  // ascending
    // Rows the filter hides are left out.
    void SelectRows(const std::vector<int>& rows);
    // Selects the row alone, makes it current and scrolls to it; the filter
    // is closed first when it hides the row.
    void ShowRow(int row);

    // One ascending sort by column 0 (names) or 1 (sizes); directories first.
    void SortByColumn(int column);

    // Files dropped on the main window.
    void OnDropFiles(const std::vector<std::string>& paths);
    // A row double-clicked or activated with Enter: opens a directory, or
    // hands a file to the viewer dispatch (fileRowActivated).
    void OnRowActivated(int row);
    // The Rename command: focus here and edit the first selected row's name.
    void RenameFirstSelected();
    // Starts in-place editing of column 0 of a row.
    void EditRow(int row);
    bool IsEditing() const;
    // Ends an in-place edit now: with Commit the typed name is renamed to as
    // Enter would, with Discard the editor goes unread. Nothing when no
    // name is being edited.
    enum class EditEnd { Commit, Discard };
    void EndEditing(EditEnd end);

    // The context menu of the pane as it shows now: the frame's command
    // actions, or greyed stand-ins without a selection. Made public for the tests.
    QMenu* BuildContextMenu(QWidget* parent);
    // Shows that menu at a point of the screen.
    void PopUpContextMenu(const QPoint& globalPosition);

    // For the two views' in-place editing and keys: whether names may be
    // edited now, what a started edit renames, and Enter opening the
    // current row (true when the key was taken).
    bool MayRename() const;
    void NoteRenameStarted(const QModelIndex& viewIndex);
    bool OpenOnEnter(QKeyEvent* event);

    // The rename state held between the start and the end of an in-place edit.
    struct RenameState {
        bool isDirectory = false;
        std::string oldPath;
        std::string oldName;
    };
    const RenameState& CurrentRename() const { return rename_; }

    std::function<int(CVornView&, const std::vector<std::string>& paths)> filesDropped;
    // Selected rows dragged out of the pane (see DragOut).
    std::function<void(CVornView&)> dragOut;

signals:
    void fileRowActivated(int row);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Selects the model rows given (ascending) that show, as runs of rows.
    void SelectShownRows(const std::vector<int>& rows);

    CMainFrame& frame_;
    CVornDoc& document_;
    FileListModel model_;
    FileListFilter filter_;
    ThumbnailStore thumbnails_;
    FileIconView* iconView_ = nullptr;
    bool initialised_ = false;
    RenameState rename_;
};

} // namespace vorn

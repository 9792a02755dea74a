#pragma once

#include "app/file_list_model.h"

#include <QTreeView>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vorn {

class CFarDirectory;
class CLeftView;
class CMainFrame;
class CVornDoc;

// The file list pane: the contents of the directory selected in the tree
// pane, subdirectories first, then files with their sizes. Each row keeps
// its archive path in the pane's path table (the row's item data is the
// index), so the commands and viewers can reach the archive item behind it:
// a directory row holds the directory's full path, a file row the shown
// directory path, "\\" and its name (so a root file's path starts with "\\").
//
// Everything here runs on the UI thread; a worker changes rows through
// queued calls into it.
//
// Hooks other parts of the program fill in:
//  - fileRowActivated: double-click on a file row (the viewer dispatch).
//  - filesDropped: local files dropped on the main window; returns how many
//    files were added (the pane then marks the document modified and
//    refreshes the summary when that is not 0).
//  - SetCommandHandler: the archive commands (extract, delete, rename, new
//    directory, move). The pane checks each command's enable rule first.
//    Without a handler, Rename starts in-place editing of the first
//    selected row; the others do nothing.
//  - labelEditEnded: an in-place edit ended with a Latin-1 name; the handler
//    renames in the model and calls SetRowName / SetRowPath on success. The
//    row keeps its old name otherwise. Names outside Latin-1 are refused
//    before the hook.
class CVornView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kImageDirectory = 0;
    static constexpr int kImageOpenDirectory = 1;
    static constexpr int kImageFile = 2;

    CVornView(CMainFrame& frame, CVornDoc& document, QWidget* parent = nullptr);

    CVornDoc& Document() { return document_; }
    CMainFrame& Frame() { return frame_; }
    CLeftView* LeftPane() const;
    FileListModel& Model() { return model_; }

    // Each time the document is new or opened: recompute the summary. The
    // rows come when the tree pane selects its root.
    void OnInitialUpdate();
    // Replaces every row with the directory's subdirectories and files.
    void FillFromDirectory(const CFarDirectory& directory);
    // "%d item(s), with a total of %s byte(s) - ..." into the frame's status bar.
    void RecomputeSummary();
    std::string SummaryText() const;

    // Full path of the shown directory ("" for the root).
    const std::string& ShownPath() const { return shownPath_; }
    const std::vector<std::string>& PathTable() const { return pathTable_; }

    // Row access (row indexes as shown, top to bottom).
    int RowCount() const { return model_.RowCount(); }
    int ImageOf(int row) const;
    std::string NameOf(int row) const;
    std::string SizeTextOf(int row) const;
    int ItemDataOf(int row) const;
    // The path behind a row; "" when the row or its item data is invalid.
    std::string PathOf(int row) const;
    // Inserts a row before `row` (RowCount() appends); returns its index or -1.
    int InsertRow(int row, const std::string& name, int image);
    void SetSizeText(int row, const std::string& text);
    void SetRowName(int row, const std::string& name);
    // Appends a path to the path table and returns its index.
    int AppendPath(const std::string& path);
    void SetItemData(int row, int pathIndex);
    // Stores a new path in the row's path-table slot.
    void SetRowPath(int row, const std::string& path);
    bool DeleteRow(int row);
    // The first row that is not a directory row (RowCount() when none).
    int FirstFileRow() const;

    std::vector<int> SelectedRows() const;  // ascending
    void SelectRows(const std::vector<int>& rows);

    // One ascending sort by column 0 (names) or 1 (sizes); directories first.
    void SortByColumn(int column);

    // Commands routed here from the frame, the shortcuts and the context menu.
    bool IsCommandEnabled(int id) const;
    // Carries a command out when its enable rule allows; false when refused.
    bool OnCommand(int id);
    void SetCommandHandler(int id, std::function<void(CVornView&)> handler);

    // Files dropped on the main window.
    void OnDropFiles(const std::vector<std::string>& paths);
    // A row double-clicked or activated: opens a directory, or hands a file
    // to the viewer dispatch.
    void OnRowActivated(int row);
    // Starts in-place editing of column 0 of a row.
    void EditRow(int row);
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }

    // The context menu of the pane, as it would show at `globalPos`; the
    // chosen command goes to OnCommand. Made public for the tests.
    QMenu* BuildContextMenu(QWidget* parent);

    // The rename state held between the start and the end of an in-place edit.
    struct RenameState {
        bool isDirectory = false;
        std::string oldPath;
        std::string oldName;
    };
    const RenameState& CurrentRename() const { return rename_; }

    std::function<void(CVornView&, int row)> fileRowActivated;
    std::function<int(CVornView&, const std::vector<std::string>& paths)> filesDropped;
    std::function<void(CVornView&, int row, const std::string& typedName)> labelEditEnded;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    void OnLabelEdited(int row, const QString& typed);
    void ShowContextMenu(const QPoint& position);

    CMainFrame& frame_;
    CVornDoc& document_;
    FileListModel model_;
    bool initialised_ = false;
    std::vector<std::string> pathTable_;
    RenameState rename_;
    std::string shownPath_;
    std::map<int, std::function<void(CVornView&)>> commandHandlers_;
};

} // namespace vorn

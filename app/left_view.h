#pragma once

#include <QIcon>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace vorn {

class CFarDirectory;
class CMainFrame;
class CVornDoc;

// The directory tree pane: the archive's directories under one root item
// named after the document. Each item's data (ItemDataRole) is the index of
// its directory's full path in the pane's path table (entry 0 is "", the
// root). The table is emptied only by a rebuild.
//
// Walking a path from the root compares item texts exactly (case-sensitive);
// SelectChildByPath compares stored paths without regard to letter case.
// Paths are archive bytes, shown as Latin-1.
class CLeftView : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int ItemDataRole = Qt::UserRole;
    // Image indexes as the pane keeps them (0 closed folder, 1 open folder,
    // 3 archive badge) for the normal and the selected state.
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int SelectedImageRole = Qt::UserRole + 2;

    CLeftView(CMainFrame& frame, CVornDoc& document, QWidget* parent = nullptr);

    // Rebuilds every item from the document's tree and selects the root.
    void OnInitialUpdate();

    // Selects the root for "", else walks the path selecting each level.
    void SelectPath(const std::string& path);
    // Selects the child of the selected item whose stored path equals `path`
    // (letter case ignored); does nothing when there is none.
    void SelectChildByPath(const std::string& path);
    // Makes sure every directory on `path` that the model has owns an item.
    void AddDirectoryByPath(const std::string& path);
    // Puts an item for the model's directory `name` of `parentPath` at
    // `position` among the parent item's children (the end when beyond),
    // with items for everything below it in the model.
    void InsertDirectory(const std::string& parentPath, size_t position, const std::string& name);
    // Deletes the item of the directory at `path` with everything below it.
    void RemoveDirectoryByPath(const std::string& path);
    // Renames the item at `oldPath` and rewrites the stored paths below it.
    void RenameDirectory(const std::string& oldPath, const std::string& newPath);

    QTreeWidgetItem* RootItem() const { return root_; }
    const std::vector<std::string>& PathTable() const { return pathTable_; }
    // The stored path of an item; "" when it has none.
    std::string PathOf(const QTreeWidgetItem* item) const;
    // The item reached by walking `path` from the root; null when a
    // component has no matching child.
    QTreeWidgetItem* ItemAtPath(const std::string& path) const;

private:
    void OnSelectionChanged(QTreeWidgetItem* current);
    void AddChildren(QTreeWidgetItem* parent, const CFarDirectory& directory);
    QTreeWidgetItem* NewItem(QTreeWidgetItem* parent, const std::string& name, int pathIndex, bool built);
    QTreeWidgetItem* FindChildByText(QTreeWidgetItem* parent, const std::string& component) const;

    CMainFrame& frame_;
    CVornDoc& document_;
    bool initialised_ = false;
    std::vector<std::string> pathTable_;
    QTreeWidgetItem* root_ = nullptr;
    QIcon builtIcon_;   // closed folder, open folder when selected
    QIcon addedIcon_;   // closed folder in both states
    QIcon archiveIcon_;
};

} // namespace vorn

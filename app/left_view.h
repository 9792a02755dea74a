#pragma once

#include "app/directory_tree_model.h"

#include <QTreeView>

#include <string>
#include <vector>

namespace vorn {

class CMainFrame;
class CVornDoc;

// The directory tree pane: a view over the archive's directories under one
// root item named after the document (DirectoryTreeModel). Selecting an item
// fills the list pane with that directory.
//
// Walking a path from the root compares item texts exactly (case-sensitive);
// SelectChildByPath compares stored paths without regard to letter case.
// Paths are archive bytes, shown as Latin-1.
class CLeftView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int ItemDataRole = DirectoryTreeModel::PathIndexRole;
    static constexpr int ImageRole = DirectoryTreeModel::ImageRole;
    static constexpr int SelectedImageRole = DirectoryTreeModel::SelectedImageRole;

    CLeftView(CMainFrame& frame, CVornDoc& document, QWidget* parent = nullptr);

    DirectoryTreeModel& Model() { return model_; }

    // Rebuilds every item from the document's tree and selects the root.
    void OnInitialUpdate();
    // The root item follows the document's title (a Save As renames it).
    void UpdateRootText();

    // Selects the root for "", else walks the path selecting each level.
    void SelectPath(const std::string& path);
    // Selects the child of the selected item whose stored path equals `path`
    // (letter case ignored); does nothing when there is none.
    void SelectChildByPath(const std::string& path);
    // Makes sure every directory on `path` that the model has owns an item;
    // "" selects the root.
    void AddDirectoryByPath(const std::string& path);
    // Deletes the item of the directory at `path` with everything below it;
    // "" selects the root.
    void RemoveDirectoryByPath(const std::string& path);
    // Renames the item at `oldPath` and rewrites the stored paths below it.
    void RenameDirectory(const std::string& oldPath, const std::string& newPath);

    QModelIndex RootIndex() const { return model_.RootIndex(); }
    const std::vector<std::string>& PathTable() const { return model_.PathTable(); }
    // The stored path of an item; "" when it has none.
    std::string PathOf(const QModelIndex& index) const { return model_.PathOf(index); }
    // The item reached by walking `path` from the root; invalid when a
    // component has no matching child.
    QModelIndex IndexAtPath(const std::string& path) const { return model_.IndexAtPath(path); }

private:
    void OnCurrentChanged(const QModelIndex& current);
    QString RootText() const;

    CMainFrame& frame_;
    CVornDoc& document_;
    DirectoryTreeModel model_;
    bool initialised_ = false;
};

} // namespace vorn

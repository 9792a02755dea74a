#pragma once

#include "base/messenger.h"

#include <QDialog>

#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace vorn {

class CFarDirectory;
class CFarDirectoryTree;

// Chooses a directory inside the archive for the move command: the archive's
// directory tree under one root item, leaving out the directories being
// moved with everything below them. Choosing the directory the entries come
// from is refused with a message.
class CMoveDirDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kUselessMove =
        "It's useless to move files to the same directory!\n\nPlease select a different directory or press Cancel";
    // Item data: the index of the item's path in Paths(); and its image index
    // (0 closed folder, 1 open folder when selected, 3 the archive root).
    static constexpr int PathIndexRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int SelectedImageRole = Qt::UserRole + 2;

    CMoveDirDialog(const CFarDirectoryTree& tree, Messenger& messenger, QWidget* parent = nullptr);

    // Inputs, set before the dialog is shown.
    std::string sourceDirectory;            // the directory whose entries are moved
    std::vector<std::string> excluded;      // full paths of the directories being moved
    std::string rootLabel;                  // a file name; empty shows "FAR file"

    // The chosen directory's path ("" for the root), valid after OK.
    const std::string& ChosenPath() const { return chosen_; }
    const std::vector<std::string>& Paths() const { return paths_; }
    QTreeWidget* Tree() const { return tree_; }

    // Fills the tree from the inputs; exec() does it when not yet done.
    void Populate();
    // What OK does: refuses no selection and the source directory.
    void OnOk();
    int exec() override;

private:
    void AddChildren(QTreeWidgetItem* parent, const CFarDirectory& directory);
    bool IsExcluded(const std::string& path) const;

    const CFarDirectoryTree& model_;
    Messenger& messenger_;
    QTreeWidget* tree_ = nullptr;
    std::vector<std::string> paths_;
    std::string chosen_;
    bool populated_ = false;
};

} // namespace vorn

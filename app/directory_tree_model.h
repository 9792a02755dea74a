#pragma once

#include <QAbstractItemModel>
#include <QIcon>

#include <memory>
#include <string>
#include <vector>

namespace vorn {

class CFarDirectory;
class CFarDirectoryTree;
struct TreeChange;

// The items of the directory tree pane: one root row standing for the
// archive, and below it the archive's directories. A rebuild copies the
// tree; afterwards the items change only through the path operations, which
// the document's change reports drive (Apply), so a change touches its own
// rows and never resets the view.
//
// Every item keeps the index of its directory's full path in the path
// table (entry 0 is "", the root); the table only grows between rebuilds.
// Walking a path compares item texts exactly (case-sensitive). Items made
// at a rebuild show the open folder when selected; items added later keep
// the closed one. Texts are archive bytes, shown as Latin-1.
class DirectoryTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The item's index into the path table (an int).
    static constexpr int PathIndexRole = Qt::UserRole;
    // Image indexes as the pane keeps them (0 closed folder, 1 open folder,
    // 3 archive badge) for the normal and the selected state.
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int SelectedImageRole = Qt::UserRole + 2;

    explicit DirectoryTreeModel(const CFarDirectoryTree& tree, QObject* parent = nullptr);
    ~DirectoryTreeModel() override;

    // Built items (closed, open when selected), added items, the root.
    void SetIcons(QIcon built, QIcon added, QIcon archive);

    // Every item again from the tree, under a root showing `rootText`.
    void Rebuild(const QString& rootText);

    QModelIndex RootIndex() const;
    // The root's text alone, as when the archive is saved under a new name.
    void SetRootText(const QString& rootText);
    const std::vector<std::string>& PathTable() const { return pathTable_; }
    // The stored path of an item; "" when it has none.
    std::string PathOf(const QModelIndex& index) const;
    // The item reached by walking `path` from the root; invalid when a
    // component has no matching child.
    QModelIndex IndexAtPath(const std::string& path) const;
    // The items met walking `path` from the root, one per component, up to
    // the first component without a matching child.
    QModelIndexList WalkPath(const std::string& path) const;

    // Makes sure every directory on `path` that the tree has owns an item.
    void AddDirectoryByPath(const std::string& path);
    // Puts an item for the tree's directory `name` of `parentPath` at
    // `position` among the parent's children (the end when beyond), with
    // items for everything below it in the tree.
    void InsertDirectory(const std::string& parentPath, size_t position, const std::string& name);
    // Deletes the item of the directory at `path` (not the root) with its subtree.
    void RemoveDirectory(const std::string& path);
    // Renames the item at `oldPath` and rewrites the stored paths below it.
    void RenameDirectory(const std::string& oldPath, const std::string& newPath);

    // Follows one change the tree reports (directories only; files are the
    // list pane's). A rebuilt tree waits for Rebuild.
    void Apply(const TreeChange& change);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Node;

    Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const Node* node) const;
    // The node at the end of `path`; null when the walk stops short. `met`
    // collects the nodes passed.
    Node* NodeAtPath(const std::string& path, std::vector<Node*>* met = nullptr) const;
    Node* ChildNodeByText(const Node* parent, const std::string& component) const;
    std::unique_ptr<Node> NewNode(const std::string& name, const std::string& path, bool built);
    void AddChildren(Node& parent, const CFarDirectory& directory, bool built);
    void InsertChild(Node& parent, size_t position, std::unique_ptr<Node> child);

    const CFarDirectoryTree& tree_;
    // Holds the root item as its only child; has no index of its own.
    std::unique_ptr<Node> top_;
    std::vector<std::string> pathTable_;
    QString rootText_;
    QIcon builtIcon_;
    QIcon addedIcon_;
    QIcon archiveIcon_;
};

} // namespace vorn

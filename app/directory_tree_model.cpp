#include "app/directory_tree_model.h"

#include "app/ui_text.h"
#include "archive/archive_path.h"
#include "archive/far_directory_tree.h"
#include "archive/tree_change.h"
#include "base/name_compare.h"

#include <algorithm>

namespace vorn {

namespace {

// The text before the first "\\" and the rest after it.
std::pair<std::string, std::string> SplitFirst(const std::string& path)
{
    const size_t separator = path.find(kArchiveSeparator);
    if (separator == std::string::npos)
        return {path, std::string()};
    return {path.substr(0, separator), path.substr(separator + 1)};
}

} // namespace

struct DirectoryTreeModel::Node {
    std::string name;
    int pathIndex = 0;
    bool built = false;
    Node* parent = nullptr;
    // This node's place among its parent's children, kept by InsertChild and
    // RemoveDirectory: parent() is asked for often and must not search.
    int row = 0;
    std::vector<std::unique_ptr<Node>> children;
};

DirectoryTreeModel::DirectoryTreeModel(const CFarDirectoryTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), top_(std::make_unique<Node>())
{
    pathTable_.push_back(std::string());
}

DirectoryTreeModel::~DirectoryTreeModel() = default;

void DirectoryTreeModel::SetIcons(QIcon built, QIcon added, QIcon archive)
{
    builtIcon_ = std::move(built);
    addedIcon_ = std::move(added);
    archiveIcon_ = std::move(archive);
}

std::unique_ptr<DirectoryTreeModel::Node> DirectoryTreeModel::NewNode(const std::string& name,
                                                                      const std::string& path, bool built)
{
    auto node = std::make_unique<Node>();
    node->name = name;
    node->built = built;
    pathTable_.push_back(path);
    node->pathIndex = static_cast<int>(pathTable_.size() - 1);
    return node;
}

void DirectoryTreeModel::AddChildren(Node& parent, const CFarDirectory& directory, bool built)
{
    for (const CFarDirectory& subdirectory : directory.Subdirectories()) {
        std::unique_ptr<Node> child = NewNode(subdirectory.Name(), subdirectory.Path(), built);
        AddChildren(*child, subdirectory, built);
        child->parent = &parent;
        child->row = static_cast<int>(parent.children.size());
        parent.children.push_back(std::move(child));
    }
}

void DirectoryTreeModel::Rebuild(const QString& rootText)
{
    // The whole tree is made detached and shown at once, which keeps
    // archives with thousands of directories quick to show.
    beginResetModel();
    top_ = std::make_unique<Node>();
    pathTable_.clear();
    pathTable_.push_back(std::string());
    rootText_ = rootText;
    auto root = std::make_unique<Node>();
    root->parent = top_.get();
    AddChildren(*root, tree_.Root(), true);
    top_->children.push_back(std::move(root));
    endResetModel();
}

void DirectoryTreeModel::SetRootText(const QString& rootText)
{
    if (rootText == rootText_)
        return;
    rootText_ = rootText;
    const QModelIndex root = RootIndex();
    if (root.isValid())
        emit dataChanged(root, root, {Qt::DisplayRole});
}

DirectoryTreeModel::Node* DirectoryTreeModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex DirectoryTreeModel::IndexOf(const Node* node) const
{
    if (!node || node == top_.get())
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

QModelIndex DirectoryTreeModel::RootIndex() const
{
    return top_->children.empty() ? QModelIndex() : IndexOf(top_->children.front().get());
}

std::string DirectoryTreeModel::PathOf(const QModelIndex& index) const
{
    const Node* node = NodeOf(index);
    if (!node || node->pathIndex < 0 || static_cast<size_t>(node->pathIndex) >= pathTable_.size())
        return std::string();
    return pathTable_[static_cast<size_t>(node->pathIndex)];
}

DirectoryTreeModel::Node* DirectoryTreeModel::ChildNodeByText(const Node* parent, const std::string& component) const
{
    for (const std::unique_ptr<Node>& child : parent->children) {
        if (child->name == component)
            return child.get();
    }
    return nullptr;
}

DirectoryTreeModel::Node* DirectoryTreeModel::NodeAtPath(const std::string& path, std::vector<Node*>* met) const
{
    Node* node = NodeOf(RootIndex());
    std::string rest = path;
    while (node && !rest.empty()) {
        auto [component, remainder] = SplitFirst(rest);
        node = ChildNodeByText(node, component);
        if (node && met)
            met->push_back(node);
        rest = remainder;
    }
    return node;
}

QModelIndexList DirectoryTreeModel::WalkPath(const std::string& path) const
{
    std::vector<Node*> met;
    NodeAtPath(path, &met);
    QModelIndexList indexes;
    for (const Node* node : met)
        indexes.append(IndexOf(node));
    return indexes;
}

QModelIndex DirectoryTreeModel::IndexAtPath(const std::string& path) const
{
    return IndexOf(NodeAtPath(path));
}

void DirectoryTreeModel::InsertChild(Node& parent, size_t position, std::unique_ptr<Node> child)
{
    const int row = static_cast<int>(std::min(position, parent.children.size()));
    child->parent = &parent;
    beginInsertRows(IndexOf(&parent), row, row);
    parent.children.insert(parent.children.begin() + row, std::move(child));
    for (size_t i = static_cast<size_t>(row); i < parent.children.size(); ++i)
        parent.children[i]->row = static_cast<int>(i);
    endInsertRows();
}

void DirectoryTreeModel::AddDirectoryByPath(const std::string& path)
{
    Node* node = NodeOf(RootIndex());
    std::string accumulated;
    std::string rest = path;
    while (node && !rest.empty()) {
        auto [component, remainder] = SplitFirst(rest);
        rest = remainder;
        if (Node* child = ChildNodeByText(node, component)) {
            node = child;
        } else {
            const CFarDirectory* directory = tree_.GetDirectoryRef(accumulated + component);
            if (!directory)
                return;
            std::unique_ptr<Node> added = NewNode(component, directory->Path(), false);
            Node* made = added.get();
            InsertChild(*node, node->children.size(), std::move(added));
            node = made;
        }
        accumulated += component + kArchiveSeparator;
    }
}

void DirectoryTreeModel::InsertDirectory(const std::string& parentPath, size_t position, const std::string& name)
{
    Node* parent = NodeAtPath(parentPath);
    const CFarDirectory* directory = tree_.GetDirectoryRef(JoinArchivePath(parentPath, name));
    if (!parent || !directory || ChildNodeByText(parent, name))
        return;
    std::unique_ptr<Node> item = NewNode(name, directory->Path(), false);
    AddChildren(*item, *directory, false);
    InsertChild(*parent, position, std::move(item));
}

void DirectoryTreeModel::RemoveDirectory(const std::string& path)
{
    Node* node = path.empty() ? nullptr : NodeAtPath(path);
    if (!node)
        return;
    Node& parent = *node->parent;
    const int row = node->row;
    beginRemoveRows(IndexOf(&parent), row, row);
    parent.children.erase(parent.children.begin() + row);  // its subtree goes with it
    for (size_t i = static_cast<size_t>(row); i < parent.children.size(); ++i)
        parent.children[i]->row = static_cast<int>(i);
    endRemoveRows();
}

void DirectoryTreeModel::RenameDirectory(const std::string& oldPath, const std::string& newPath)
{
    Node* node = oldPath.empty() ? nullptr : NodeAtPath(oldPath);
    if (!node)
        return;
    if (static_cast<size_t>(node->pathIndex) < pathTable_.size())
        pathTable_[static_cast<size_t>(node->pathIndex)] = newPath;
    const size_t lastSeparator = newPath.rfind(kArchiveSeparator);
    node->name = lastSeparator == std::string::npos ? newPath : newPath.substr(lastSeparator + 1);

    std::string oldPrefix = oldPath;
    if (oldPrefix.back() != kArchiveSeparator)
        oldPrefix += kArchiveSeparator;
    std::string newPrefix = newPath;
    if (newPrefix.empty() || newPrefix.back() != kArchiveSeparator)
        newPrefix += kArchiveSeparator;
    for (std::string& stored : pathTable_) {
        if (stored.size() >= oldPrefix.size() &&
            EqualsNoCase(std::string_view(stored).substr(0, oldPrefix.size()), oldPrefix))
            stored = newPrefix + stored.substr(oldPrefix.size());
    }
    const QModelIndex changed = IndexOf(node);
    emit dataChanged(changed, changed, {Qt::DisplayRole, PathIndexRole});
}

void DirectoryTreeModel::Apply(const TreeChange& change)
{
    switch (change.kind) {
    case TreeChangeKind::DirectoryAdded:
        InsertDirectory(change.directory, change.position, change.name);
        break;
    case TreeChangeKind::DirectoryRemoved:
        RemoveDirectory(change.Path());
        break;
    case TreeChangeKind::DirectoryRenamed:
        RenameDirectory(JoinArchivePath(change.directory, change.oldName), change.Path());
        break;
    case TreeChangeKind::DirectoryMoved:
        RemoveDirectory(JoinArchivePath(change.directory, change.name));
        InsertDirectory(change.toDirectory, change.toPosition, change.name);
        break;
    default:
        break;
    }
}

QModelIndex DirectoryTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const Node* node = parent.isValid() ? NodeOf(parent) : top_.get();
    if (!node || column != 0 || row < 0 || static_cast<size_t>(row) >= node->children.size())
        return {};
    return createIndex(row, 0, node->children[static_cast<size_t>(row)].get());
}

QModelIndex DirectoryTreeModel::parent(const QModelIndex& index) const
{
    const Node* node = NodeOf(index);
    return node ? IndexOf(node->parent) : QModelIndex();
}

int DirectoryTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const Node* node = parent.isValid() ? NodeOf(parent) : top_.get();
    return node ? static_cast<int>(node->children.size()) : 0;
}

int DirectoryTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant DirectoryTreeModel::data(const QModelIndex& index, int role) const
{
    const Node* node = NodeOf(index);
    if (!node)
        return {};
    const bool isRoot = node->parent == top_.get();
    switch (role) {
    case Qt::DisplayRole:
        return isRoot ? rootText_ : FromArchive(node->name);
    case Qt::DecorationRole:
        return isRoot ? archiveIcon_ : (node->built ? builtIcon_ : addedIcon_);
    case PathIndexRole:
        return node->pathIndex;
    case ImageRole:
        return isRoot ? 3 : 0;
    case SelectedImageRole:
        return isRoot ? 3 : (node->built ? 1 : 0);
    default:
        return {};
    }
}

Qt::ItemFlags DirectoryTreeModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace vorn

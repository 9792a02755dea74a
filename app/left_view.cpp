#include "app/left_view.h"

#include "app/main_frame.h"
#include "app/pane_icons.h"
#include "app/ui_text.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "base/name_compare.h"

#include <QFile>
#include <QHeaderView>

#include <algorithm>
#include <functional>

namespace vorn {

namespace {

// The text before the first "\\" and the rest after it.
std::pair<std::string, std::string> SplitFirst(const std::string& path)
{
    const size_t separator = path.find('\\');
    if (separator == std::string::npos)
        return {path, std::string()};
    return {path.substr(0, separator), path.substr(separator + 1)};
}

} // namespace

CLeftView::CLeftView(CMainFrame& frame, CVornDoc& document, QWidget* parent)
    : QTreeWidget(parent), frame_(frame), document_(document)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setIconSize(QSize(16, 16));
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelectionChanged(current); });
}

QTreeWidgetItem* CLeftView::NewItem(QTreeWidgetItem* parent, const std::string& name, int pathIndex, bool built)
{
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, FromArchive(name));
    item->setIcon(0, built ? builtIcon_ : addedIcon_);
    item->setData(0, ItemDataRole, pathIndex);
    item->setData(0, ImageRole, 0);
    item->setData(0, SelectedImageRole, built ? 1 : 0);
    return item;
}

void CLeftView::AddChildren(QTreeWidgetItem* parent, const CFarDirectory& directory)
{
    for (const CFarDirectory& subdirectory : directory.Subdirectories()) {
        pathTable_.push_back(subdirectory.Path());
        QTreeWidgetItem* item =
            NewItem(parent, subdirectory.Name(), static_cast<int>(pathTable_.size() - 1), true);
        AddChildren(item, subdirectory);
    }
}

void CLeftView::OnInitialUpdate()
{
    // Clearing must not fill the list pane from a half-torn tree.
    {
        const QSignalBlocker blocker(this);
        clear();
        root_ = nullptr;
    }
    pathTable_.clear();
    pathTable_.push_back(std::string());

    if (!initialised_) {
        const QIcon closed = LoadPaneIcon(PaneIcon::FolderClosed);
        const QIcon open = LoadPaneIcon(PaneIcon::FolderOpen);
        for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
            builtIcon_.addPixmap(closed.pixmap(size), QIcon::Normal);
            builtIcon_.addPixmap(open.pixmap(size), QIcon::Selected);
            addedIcon_.addPixmap(closed.pixmap(size), QIcon::Normal);
            addedIcon_.addPixmap(closed.pixmap(size), QIcon::Selected);
        }
        archiveIcon_ = LoadPaneIcon(PaneIcon::Archive);
        initialised_ = true;
    }

    // The whole tree is made detached and handed to the widget at once, which
    // keeps archives with thousands of directories quick to show.
    root_ = new QTreeWidgetItem();
    root_->setText(0, QFile::decodeName(QByteArray::fromStdString(document_.GetPlainTitle())));
    root_->setIcon(0, archiveIcon_);
    root_->setData(0, ItemDataRole, 0);
    root_->setData(0, ImageRole, 3);
    root_->setData(0, SelectedImageRole, 3);
    AddChildren(root_, document_.Tree().Root());
    {
        const QSignalBlocker blocker(this);
        addTopLevelItem(root_);
    }
    root_->setExpanded(true);
    SelectPath(std::string());
}

std::string CLeftView::PathOf(const QTreeWidgetItem* item) const
{
    if (!item)
        return std::string();
    bool ok = false;
    const int index = item->data(0, ItemDataRole).toInt(&ok);
    if (!ok || index < 0 || static_cast<size_t>(index) >= pathTable_.size())
        return std::string();
    return pathTable_[static_cast<size_t>(index)];
}

void CLeftView::OnSelectionChanged(QTreeWidgetItem* current)
{
    if (!current)
        return;
    CVornView* right = frame_.GetRightPane();
    if (!right)
        return;
    if (std::optional<CFarDirectory> directory = document_.Tree().GetDirectory(PathOf(current)))
        right->FillFromDirectory(*directory);
}

QTreeWidgetItem* CLeftView::FindChildByText(QTreeWidgetItem* parent, const std::string& component) const
{
    const QString text = FromArchive(component);
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    }
    return nullptr;
}

QTreeWidgetItem* CLeftView::ItemAtPath(const std::string& path) const
{
    QTreeWidgetItem* item = root_;
    std::string rest = path;
    while (item && !rest.empty()) {
        auto [component, remainder] = SplitFirst(rest);
        item = FindChildByText(item, component);
        rest = remainder;
    }
    return item;
}

void CLeftView::SelectPath(const std::string& path)
{
    if (!root_)
        return;
    if (path.empty()) {
        setCurrentItem(root_);
        return;
    }
    QTreeWidgetItem* item = root_;
    std::string rest = path;
    while (item->childCount() > 0 && !rest.empty()) {
        auto [component, remainder] = SplitFirst(rest);
        QTreeWidgetItem* child = FindChildByText(item, component);
        if (!child)
            break;
        setCurrentItem(child);
        item = child;
        rest = remainder;
    }
}

void CLeftView::SelectChildByPath(const std::string& path)
{
    QTreeWidgetItem* selected = currentItem();
    if (!selected)
        return;
    for (int i = 0; i < selected->childCount(); ++i) {
        QTreeWidgetItem* child = selected->child(i);
        if (EqualsNoCase(PathOf(child), path)) {
            setCurrentItem(child);
            return;
        }
    }
}

void CLeftView::AddDirectoryByPath(const std::string& path)
{
    if (!root_)
        return;
    if (path.empty()) {
        setCurrentItem(root_);
        viewport()->update();
        return;
    }
    QTreeWidgetItem* item = root_;
    std::string accumulated;
    std::string rest = path;
    while (!rest.empty()) {
        auto [component, remainder] = SplitFirst(rest);
        rest = remainder;
        if (QTreeWidgetItem* child = FindChildByText(item, component)) {
            item = child;
        } else {
            const CFarDirectory* directory = document_.Tree().GetDirectoryRef(accumulated + component);
            if (!directory)
                break;
            pathTable_.push_back(directory->Path());
            item = NewItem(item, component, static_cast<int>(pathTable_.size() - 1), false);
        }
        accumulated += component + "\\";
    }
    viewport()->update();
}

void CLeftView::InsertDirectory(const std::string& parentPath, size_t position, const std::string& name)
{
    QTreeWidgetItem* parent = root_ ? ItemAtPath(parentPath) : nullptr;
    const std::string path = parentPath.empty() ? name : parentPath + "\\" + name;
    const CFarDirectory* directory = document_.Tree().GetDirectoryRef(path);
    if (!parent || !directory || FindChildByText(parent, name))
        return;
    pathTable_.push_back(directory->Path());
    QTreeWidgetItem* item = NewItem(nullptr, name, static_cast<int>(pathTable_.size() - 1), false);
    parent->insertChild(std::min(static_cast<int>(position), parent->childCount()), item);
    std::function<void(QTreeWidgetItem*, const CFarDirectory&)> addBelow = [&](QTreeWidgetItem* under,
                                                                              const CFarDirectory& model) {
        for (const CFarDirectory& child : model.Subdirectories()) {
            pathTable_.push_back(child.Path());
            addBelow(NewItem(under, child.Name(), static_cast<int>(pathTable_.size() - 1), false), child);
        }
    };
    addBelow(item, *directory);
}

void CLeftView::RemoveDirectoryByPath(const std::string& path)
{
    if (!root_)
        return;
    if (path.empty()) {
        setCurrentItem(root_);
        return;
    }
    if (QTreeWidgetItem* item = ItemAtPath(path); item && item != root_)
        delete item;  // its subtree goes with it
    viewport()->update();
}

void CLeftView::RenameDirectory(const std::string& oldPath, const std::string& newPath)
{
    if (!root_ || oldPath.empty())
        return;
    QTreeWidgetItem* item = ItemAtPath(oldPath);
    if (!item || item == root_)
        return;
    bool ok = false;
    const int index = item->data(0, ItemDataRole).toInt(&ok);
    if (ok && index >= 0 && static_cast<size_t>(index) < pathTable_.size())
        pathTable_[static_cast<size_t>(index)] = newPath;
    const size_t lastSeparator = newPath.rfind('\\');
    item->setText(0, FromArchive(lastSeparator == std::string::npos ? newPath : newPath.substr(lastSeparator + 1)));

    std::string oldPrefix = oldPath;
    if (oldPrefix.back() != '\\')
        oldPrefix += '\\';
    std::string newPrefix = newPath;
    if (newPrefix.empty() || newPrefix.back() != '\\')
        newPrefix += '\\';
    for (std::string& stored : pathTable_) {
        if (stored.size() >= oldPrefix.size() &&
            EqualsNoCase(std::string_view(stored).substr(0, oldPrefix.size()), oldPrefix))
            stored = newPrefix + stored.substr(oldPrefix.size());
    }
}

} // namespace vorn

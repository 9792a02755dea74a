#include "app/left_view.h"

#include "app/main_frame.h"
#include "app/pane_icons.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "base/name_compare.h"

#include <QFile>

namespace vorn {

CLeftView::CLeftView(CMainFrame& frame, CVornDoc& document, QWidget* parent)
    : QTreeView(parent), frame_(frame), document_(document), model_(document.Tree(), this)
{
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setIconSize(QSize(16, 16));
    setModel(&model_);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) { OnCurrentChanged(current); });
}

void CLeftView::OnInitialUpdate()
{
    if (!initialised_) {
        const QIcon closed = LoadPaneIcon(PaneIcon::FolderClosed);
        const QIcon open = LoadPaneIcon(PaneIcon::FolderOpen);
        QIcon built;
        QIcon added;
        for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
            built.addPixmap(closed.pixmap(size), QIcon::Normal);
            built.addPixmap(open.pixmap(size), QIcon::Selected);
            added.addPixmap(closed.pixmap(size), QIcon::Normal);
            added.addPixmap(closed.pixmap(size), QIcon::Selected);
        }
        model_.SetIcons(built, added, LoadPaneIcon(PaneIcon::Archive));
        initialised_ = true;
    }
    // A reset must not fill the list pane from a half-made tree.
    {
        const QSignalBlocker blocker(selectionModel());
        model_.Rebuild(RootText());
    }
    expand(model_.RootIndex());
    SelectPath(std::string());
}

QString CLeftView::RootText() const
{
    return QFile::decodeName(QByteArray::fromStdString(document_.GetPlainTitle()));
}

void CLeftView::UpdateRootText()
{
    model_.SetRootText(RootText());
}

void CLeftView::OnCurrentChanged(const QModelIndex& current)
{
    if (!current.isValid())
        return;
    CVornView* right = frame_.GetRightPane();
    if (!right)
        return;
    // Read in place: the rows copy what they show, so a copy of the whole
    // directory first would only cost time.
    right->Model().ShowPath(PathOf(current));
}

void CLeftView::SelectPath(const std::string& path)
{
    if (path.empty()) {
        setCurrentIndex(model_.RootIndex());
        return;
    }
    // Each level in turn, each filling the list pane.
    for (const QModelIndex& level : model_.WalkPath(path))
        setCurrentIndex(level);
}

void CLeftView::SelectChildByPath(const std::string& path)
{
    const QModelIndex selected = currentIndex();
    if (!selected.isValid())
        return;
    for (int row = 0; row < model_.rowCount(selected); ++row) {
        const QModelIndex child = model_.index(row, 0, selected);
        if (EqualsNoCase(PathOf(child), path)) {
            setCurrentIndex(child);
            return;
        }
    }
}

void CLeftView::AddDirectoryByPath(const std::string& path)
{
    if (path.empty())
        SelectPath(path);
    else
        model_.AddDirectoryByPath(path);
}

void CLeftView::RemoveDirectoryByPath(const std::string& path)
{
    if (path.empty())
        SelectPath(path);
    else
        model_.RemoveDirectory(path);
}

void CLeftView::RenameDirectory(const std::string& oldPath, const std::string& newPath)
{
    model_.RenameDirectory(oldPath, newPath);
}

} // namespace vorn

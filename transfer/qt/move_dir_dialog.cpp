#include "transfer/qt/move_dir_dialog.h"

#include "archive/archive_path.h"
#include "archive/far_directory_tree.h"
#include "base/name_compare.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vorn {

namespace {

QString FromArchive(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The pane icons of the program's resources (closed folder, open folder,
// file, archive badge); empty icons where the resources are not linked in.
QIcon PaneIcon(int image)
{
    static const char* const names[] = {":/icons/folder_closed_16.png", ":/icons/folder_open_16.png",
                                        ":/icons/file_16.png", ":/icons/archive_16.png"};
    return QIcon(QString::fromLatin1(names[image]));
}

} // namespace

CMoveDirDialog::CMoveDirDialog(const CFarDirectoryTree& tree, Messenger& messenger, QWidget* parent)
    : QDialog(parent), model_(tree), messenger_(messenger)
{
    setWindowTitle(QStringLiteral("Move to directory..."));
    // 232 by 191 dialog units: quarters of the font's average character
    // width and eighths of its line height, so the first size follows the font.
    const QFontMetrics metrics(font());
    resize((232 * std::max(1, metrics.averageCharWidth()) + 2) / 4, (191 * std::max(1, metrics.height()) + 4) / 8);
    auto* text = new QLabel(QStringLiteral("Select the directory to move the files to, and press OK."), this);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMoveDirDialog::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
        if (previous && previous->data(0, ImageRole).toInt() == 0)
            previous->setIcon(0, PaneIcon(0));
        if (current && current->data(0, ImageRole).toInt() == 0)
            current->setIcon(0, PaneIcon(current->data(0, SelectedImageRole).toInt()));
    });
}

int CMoveDirDialog::exec()
{
    Populate();
    return QDialog::exec();
}

void CMoveDirDialog::Populate()
{
    if (populated_)
        return;
    populated_ = true;
    paths_.assign(1, std::string());
    // The label is a file name (the document's title), in the file system's encoding.
    const QString label = rootLabel.empty() ? QStringLiteral("FAR file") : QFile::decodeName(QByteArray::fromStdString(rootLabel));
    auto* root = new QTreeWidgetItem(tree_, QStringList(label));
    root->setData(0, PathIndexRole, 0);
    root->setData(0, ImageRole, 3);
    root->setData(0, SelectedImageRole, 3);
    root->setIcon(0, PaneIcon(3));
    AddChildren(root, model_.Root());
    root->setExpanded(true);
}

bool CMoveDirDialog::IsExcluded(const std::string& path) const
{
    // Directory paths compare without regard to letter case, as everywhere in the archive.
    return std::any_of(excluded.begin(), excluded.end(), [&](const std::string& candidate) {
        return EqualsNoCase(ArchiveDirectoryPath(candidate), path);
    });
}

void CMoveDirDialog::AddChildren(QTreeWidgetItem* parent, const CFarDirectory& directory)
{
    // Walked in the tree's order, so the path list follows it; each item
    // goes to its place by name among its siblings, letter case aside.
    for (const CFarDirectory& child : directory.Subdirectories()) {
        if (IsExcluded(child.Path()))
            continue;
        const QString name = FromArchive(child.Name());
        int at = 0;
        while (at < parent->childCount()) {
            const std::string sibling = parent->child(at)->text(0).toLatin1().toStdString();
            const int order = CompareNoCase(child.Name(), sibling);
            if (order < 0 || (order == 0 && child.Name() < sibling))
                break;
            ++at;
        }
        auto* item = new QTreeWidgetItem(QStringList(name));
        parent->insertChild(at, item);
        paths_.push_back(child.Path());
        item->setData(0, PathIndexRole, static_cast<int>(paths_.size() - 1));
        item->setData(0, ImageRole, 0);
        item->setData(0, SelectedImageRole, 1);
        item->setIcon(0, PaneIcon(0));
        AddChildren(item, child);
    }
}

void CMoveDirDialog::OnOk()
{
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!item)
        return;
    const int index = item->data(0, PathIndexRole).toInt();
    if (index < 0 || static_cast<size_t>(index) >= paths_.size())
        return;
    const std::string& path = paths_[static_cast<size_t>(index)];
    if (path == sourceDirectory) {
        messenger_.Show({kUselessMove, "Error", MessageIcon::Error, MessageButtons::Ok});
        return;
    }
    chosen_ = path;
    accept();
}

} // namespace vorn

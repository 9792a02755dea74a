#include "transfer/qt/folder_picker.h"

#include "transfer/folder_path.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <climits>

namespace vorn {

CFolderPicker::CFolderPicker(const QString& title, const QString& instruction, const std::string& initialFolder,
                             QWidget* owner, Messenger& messenger)
    : QDialog(owner), messenger_(messenger)
{
    if (!title.isEmpty())
        setWindowTitle(title);
    instruction_ = new QLabel(instruction, this);
    instruction_->setWordWrap(true);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("folderEdit"));
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QStringLiteral("/"));
    tree_ = new QTreeView(this);
    tree_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->header()->hide();
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instruction_);
    layout->addWidget(edit_);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons_);
    resize(420, 460);

    connect(buttons_, &QDialogButtonBox::accepted, this, &CFolderPicker::OnOk);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(edit_, &QLineEdit::textChanged, this, &CFolderPicker::OnTextChanged);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { OnSelectionChanged(); });

    OkButton()->setEnabled(false);
    QString start = initialFolder.empty() ? QDir::currentPath() : QFile::decodeName(initialFolder.c_str());
    // The archive's folder comes with its trailing "/", which OK would refuse.
    while (start.size() > 1 && start.endsWith(QLatin1Char('/')))
        start.chop(1);
    SelectFolder(start);
    // A folder that is gone still shows as typed.
    if (edit_->text().isEmpty())
        edit_->setText(start);
    edit_->setFocus();
}

QPushButton* CFolderPicker::OkButton() const
{
    return buttons_->button(QDialogButtonBox::Ok);
}

void CFolderPicker::SelectFolder(const QString& path)
{
    QString folder = path;
    // The tree names folders without a trailing "/".
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const QModelIndex index = model_->index(folder);
    if (!index.isValid())
        return;
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
}

void CFolderPicker::OnSelectionChanged()
{
    const QModelIndex index = tree_->currentIndex();
    QString path = index.isValid() ? model_->filePath(index) : QString();
    // Only real file-system folders can be chosen.
    if (!path.startsWith(QLatin1Char('/')))
        path.clear();
    edit_->setText(path);
    OkButton()->setEnabled(!path.isEmpty());
}

void CFolderPicker::OnTextChanged(const QString& text)
{
    OkButton()->setEnabled(!text.isEmpty());
}

void CFolderPicker::OnOk()
{
    std::string typed = QFile::encodeName(edit_->text()).toStdString();
    if (typed.size() >= PATH_MAX)
        typed.resize(PATH_MAX - 1);
    path_ = typed;
    if (ValidateFolderPath(path_, messenger_) != 0) {
        edit_->setFocus();
        return;
    }
    accepted_ = 1;
    accept();
}

int CFolderPicker::Run()
{
    accepted_ = 0;
    exec();
    return accepted_ == 1 ? 1 : 0;
}

} // namespace vorn

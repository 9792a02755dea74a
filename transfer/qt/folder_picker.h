#pragma once

#include "base/messenger.h"

#include <QDialog>

#include <string>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace vorn {

// Chooses a folder on disk: a text field above a tree of the file system's
// folders. Selecting a folder puts its path into the field; OK is enabled
// exactly while the field is not empty. On OK the typed path is checked
// (absolute, no empty, "." or ".." component, no trailing "/" but for "/"),
// a missing folder is offered for creation with every missing parent, and
// the dialog stays open with the focus in the field after any message.
class CFolderPicker : public QDialog {
    Q_OBJECT
public:
    // `initialFolder` empty selects the process's current folder.
    CFolderPicker(const QString& title, const QString& instruction, const std::string& initialFolder,
                  QWidget* owner, Messenger& messenger);

    // 1 when the user accepted a folder, another value otherwise.
    int Run();
    // The accepted path (file-system bytes).
    const std::string& Path() const { return path_; }

    QLineEdit* Edit() const { return edit_; }
    QTreeView* Tree() const { return tree_; }
    QPushButton* OkButton() const;
    QLabel* Instruction() const { return instruction_; }
    // Selects `path` in the tree as if the user had clicked it.
    void SelectFolder(const QString& path);
    // What OK does: validates the field and closes on success.
    void OnOk();

private:
    void OnSelectionChanged();
    void OnTextChanged(const QString& text);

    Messenger& messenger_;
    QLabel* instruction_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QTreeView* tree_ = nullptr;
    QFileSystemModel* model_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    std::string path_;
    int accepted_ = 0;
};

} // namespace vorn

#include "app/file_commands.h"

#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/ui_text.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "base/messenger.h"
#include "transfer/qt/move_dir_dialog.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vorn {

namespace {

constexpr const char* kDeleteBoth =
    "Do you want to delete the selected file(s) and the contents\nof the selected subdirectories?";
constexpr const char* kDeleteDirectories = "Do you want to delete the contents of the selected subdirectories?";
constexpr const char* kDeleteFiles = "Do you want to delete the selected file(s)?";
constexpr const char* kNewDirectory = "new directory";

std::string LastComponent(const std::string& path)
{
    const size_t separator = path.rfind('\\');
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string Joined(const std::string& directory, const std::string& name)
{
    return directory.empty() ? name : directory + "\\" + name;
}

// Tree pane items for every directory below `directory`, which has just
// gained its own item, so a moved directory can be opened at any depth.
void AddTreeItemsBelow(CLeftView& left, const CFarDirectory& directory)
{
    for (const CFarDirectory& subdirectory : directory.Subdirectories()) {
        left.AddDirectoryByPath(subdirectory.Path());
        AddTreeItemsBelow(left, subdirectory);
    }
}

} // namespace

void DeleteSelection(CVornView& view, Messenger& messenger)
{
    struct Record {
        int row;
        std::string path;
        bool isDirectory;
    };
    std::vector<Record> records;
    bool anyFile = false;
    bool anyDirectory = false;
    for (const int row : view.SelectedRows()) {  // ascending
        const bool isDirectory = view.ImageOf(row) == CVornView::kImageDirectory;
        records.push_back({row, view.PathOf(row), isDirectory});
        (isDirectory ? anyDirectory : anyFile) = true;
    }
    if (records.empty())
        return;
    const char* question = anyFile && anyDirectory ? kDeleteBoth : (anyDirectory ? kDeleteDirectories : kDeleteFiles);
    if (messenger.Show({question, "Warning", MessageIcon::Question, MessageButtons::YesNo}) != MessageAnswer::Yes)
        return;

    CVornDoc& document = view.Document();
    CFarDirectoryTree& tree = document.Tree();
    int removed = 0;  // each removal moves the later rows up by one
    for (const Record& record : records) {
        if (record.isDirectory) {
            const uint32_t before = tree.EntryCount();
            if (!tree.DeleteDirectory(record.path)) {
                // A directory can fail halfway; what went is gone from the
                // archive, and a save must not be skipped for it.
                if (tree.EntryCount() != before)
                    document.SetModified(true);
                break;
            }
            if (CLeftView* left = view.LeftPane())
                left->RemoveDirectoryByPath(record.path);
        } else if (!tree.RemoveFile(record.path)) {
            break;
        }
        view.DeleteRow(record.row - removed);
        document.SetModified(true);
        ++removed;
    }
    view.RecomputeSummary();
}

void FinishRename(CVornView& view, int row, const QString& typed)
{
    const CVornView::RenameState state = view.CurrentRename();
    const std::optional<std::string> name = ToArchive(typed);
    bool renamed = false;
    std::string newPath;
    if (name) {
        // The old path up to its last "\\" keeps the item in its directory
        // (and a root file's leading "\\").
        const size_t separator = state.oldPath.rfind('\\');
        newPath = separator == std::string::npos ? *name : state.oldPath.substr(0, separator + 1) + *name;
        CFarDirectoryTree& tree = view.Document().Tree();
        renamed = state.isDirectory ? tree.RenameDirectory(state.oldPath, newPath)
                                    : tree.RenameFile(state.oldPath, newPath);
    }
    if (!renamed) {
        view.SetRowName(row, state.oldName);
        return;
    }
    view.SetRowName(row, *name);
    view.SetRowPath(row, newPath);
    if (state.isDirectory) {
        if (CLeftView* left = view.LeftPane())
            left->RenameDirectory(state.oldPath, newPath);
    }
    view.Document().SetModified(true);
}

void MakeNewDirectory(CVornView& view)
{
    CFarDirectoryTree& tree = view.Document().Tree();
    const std::string prefix = view.ShownPath().empty() ? std::string() : view.ShownPath() + "\\";
    std::string name = kNewDirectory;
    for (unsigned number = 2; tree.GetDirectory(prefix + name); ++number) {
        char text[64];
        std::snprintf(text, sizeof text, "%s (%u)", kNewDirectory, number);
        name = text;
    }
    const std::string path = prefix + name;
    if (!tree.MakeDirectory(path))
        return;
    if (CLeftView* left = view.LeftPane())
        left->AddDirectoryByPath(path);
    view.InsertRow(view.FirstFileRow(), name, CVornView::kImageDirectory, path);
}

void MoveSelection(CVornView& view, Messenger& messenger)
{
    const std::vector<int> rows = view.SelectedRows();
    if (rows.empty())
        return;
    CVornDoc& document = view.Document();
    CFarDirectoryTree& tree = document.Tree();

    CMoveDirDialog dialog(tree, messenger, &view.Frame());
    dialog.rootLabel = document.GetPlainTitle();
    // Directory paths come from the tree, without separators at either
    // end; a root file row's leading "\\" the tree operations drop themselves.
    dialog.sourceDirectory = view.ShownPath();
    for (const int row : rows) {
        if (view.ImageOf(row) == CVornView::kImageDirectory)
            dialog.excluded.push_back(view.PathOf(row));
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string destination = dialog.ChosenPath();

    // The rows' paths are read before the first move: the list is filled
    // again only at the end.
    struct Move {
        std::string path;
        bool isDirectory;
    };
    std::vector<Move> moves;
    for (const int row : rows)
        moves.push_back({view.PathOf(row), view.ImageOf(row) == CVornView::kImageDirectory});
    for (const Move& move : moves) {
        if (!move.isDirectory) {
            if (!tree.MoveFileItem(move.path, destination))
                break;
        } else {
            if (!tree.MoveDirectory(move.path, destination))
                break;
            if (CLeftView* left = view.LeftPane()) {
                const std::string newPath = Joined(destination, LastComponent(move.path));
                left->RemoveDirectoryByPath(move.path);
                left->AddDirectoryByPath(newPath);
                if (const CFarDirectory* moved = tree.GetDirectoryRef(newPath))
                    AddTreeItemsBelow(*left, *moved);
            }
        }
        document.SetModified(true);
    }
    if (const std::optional<CFarDirectory> shown = tree.GetDirectory(view.ShownPath()))
        view.FillFromDirectory(*shown);
}

} // namespace vorn

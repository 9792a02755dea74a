#include "app/file_commands.h"

#include "app/document_adapter.h"
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

// Runs `change` as one step of the frame's undo history.
template <class Change>
void AsOneStep(CVornView& view, const std::string& label, Change change)
{
    DocumentAdapter& adapter = view.Frame().Adapter();
    adapter.Begin(label);
    change();
    adapter.End();
}

} // namespace

std::string StepLabel(const char* verb, const std::vector<std::string>& names)
{
    if (names.size() == 1)
        return std::string(verb) + " \"" + names.front() + "\"";
    return std::string(verb) + " " + std::to_string(names.size()) + " items";
}

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

    CFarDirectoryTree& tree = view.Document().Tree();
    std::vector<std::string> names;
    for (const Record& record : records)
        names.push_back(view.NameOf(record.row));
    // The rows go as the document reports each removal.
    AsOneStep(view, StepLabel("Delete", names), [&] {
        for (const Record& record : records) {
            if (!(record.isDirectory ? tree.DeleteDirectory(record.path) : tree.RemoveFile(record.path)))
                break;
        }
    });
}

void FinishRename(CVornView& view, const QString& typed)
{
    const CVornView::RenameState state = view.CurrentRename();
    const std::optional<std::string> name = ToArchive(typed);
    if (!name)
        return;
    // The old path up to its last "\\" keeps the item in its directory
    // (and a root file's leading "\\").
    const size_t separator = state.oldPath.rfind('\\');
    const std::string newPath =
        separator == std::string::npos ? *name : state.oldPath.substr(0, separator + 1) + *name;
    CFarDirectoryTree& tree = view.Document().Tree();
    AsOneStep(view, StepLabel("Rename", {state.oldName}), [&] {
        state.isDirectory ? tree.RenameDirectory(state.oldPath, newPath) : tree.RenameFile(state.oldPath, newPath);
    });
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
    AsOneStep(view, "New Directory", [&] { tree.MakeDirectory(prefix + name); });
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

    // The rows are read before the first move takes its row away.
    struct Move {
        std::string path;
        bool isDirectory;
    };
    std::vector<Move> moves;
    std::vector<std::string> names;
    for (const int row : rows) {
        moves.push_back({view.PathOf(row), view.ImageOf(row) == CVornView::kImageDirectory});
        names.push_back(view.NameOf(row));
    }
    AsOneStep(view, StepLabel("Move", names), [&] {
        for (const Move& move : moves) {
            if (!(move.isDirectory ? tree.MoveDirectory(move.path, destination)
                                   : tree.MoveFileItem(move.path, destination)))
                break;
        }
    });
}

} // namespace vorn

#pragma once

// Hooks the transfer dialogs into the main window's panes. Header-only on
// purpose: it needs the app's pane classes, and the app links this folder's
// library, so only the app compiles it. Call once after the frame is built:
//
//     InstallDropToAdd(*frame.GetRightPane(), messenger);
//     frame.GetRightPane()->SetCommandHandler(ID_FILE_EXTRACT,
//         [&messenger](CVornView& view) { RunExtractCommand(view, messenger); });

#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "transfer/folder_path.h"
#include "transfer/qt/folder_picker.h"
#include "transfer/qt/transfer_dialog.h"
#include "transfer/transfer_messages.h"

#include <string>
#include <vector>

namespace vorn {

// The adding job's pane updates, applied to the app's panes (on the UI thread).
class ViewTransferPanes : public TransferPanes {
public:
    explicit ViewTransferPanes(CVornView& view) : view_(view) {}

    void AddTreeNode(const std::string& directoryPath) override
    {
        if (CLeftView* left = view_.LeftPane())
            left->AddDirectoryByPath(directoryPath);
    }
    void InsertDirectoryRow(const std::string& name, const std::string& path) override
    {
        const int row = view_.InsertRow(view_.FirstFileRow(), name, CVornView::kImageDirectory);
        if (row >= 0)
            view_.SetItemData(row, view_.AppendPath(path));
    }
    void AppendFileRow(const std::string& name, const std::string& sizeText, const std::string& path) override
    {
        const int row = view_.InsertRow(view_.RowCount(), name, CVornView::kImageFile);
        if (row < 0)
            return;
        view_.SetSizeText(row, sizeText);
        view_.SetItemData(row, view_.AppendPath(path));
    }

private:
    CVornView& view_;
};

// Files dropped on the main window are added below the shown directory; the
// view marks the document modified and refreshes the summary from the count.
inline void InstallDropToAdd(CVornView& view, Messenger& messenger)
{
    view.filesDropped = [&messenger](CVornView& pane, const std::vector<std::string>& paths) {
        ViewTransferPanes panes(pane);
        CTransferDialog dialog(pane.Document().Tree(), messenger, &pane.Frame());
        dialog.modeFlag = CTransferDialog::kModeAdding;
        dialog.SetPanes(&panes);
        dialog.Job().droppedItems = paths;
        dialog.Job().currentDirectory = pane.ShownPath();
        dialog.Run();
        return static_cast<int>(dialog.filesDone());
    };
}

// The Extract command of the list pane: asks for the folder, extracts the
// selected rows and reports the count when the run completed.
inline void RunExtractCommand(CVornView& view, Messenger& messenger)
{
    const std::vector<int> rows = view.SelectedRows();
    if (rows.empty())
        return;
    CVornDoc& document = view.Document();
    CTransferDialog dialog(document.Tree(), messenger, &view.Frame());
    TransferJob& job = dialog.Job();
    auto stripLeading = [](const std::string& path) {
        const size_t first = path.find_first_not_of('\\');
        return first == std::string::npos ? std::string() : path.substr(first);
    };
    std::string shown = stripLeading(view.ShownPath());
    if (!shown.empty())
        shown.push_back('\\');
    job.prefixLength = static_cast<int32_t>(shown.size());
    for (const int row : rows) {
        const std::string path = stripLeading(view.PathOf(row));
        (view.ImageOf(row) == CVornView::kImageFile ? job.files : job.directories).push_back(path);
    }
    job.archiveFile = document.GetPathName();
    CFolderPicker picker(QStringLiteral("Select directory"),
                         QStringLiteral("Select a directory to extract the files to and click OK."),
                         InitialExtractFolder(document.GetPathName()), &view.Frame(), messenger);
    if (picker.Run() != 1)
        return;
    job.targetFolder = picker.Path();
    if (dialog.Run() == TransferJob::kCompleted)
        messenger.Show(transfer_text::ExtractedCount(dialog.filesDone()));
}

} // namespace vorn

#include "app/transfer_commands.h"

#include "app/drag_out.h"
#include "app/left_view.h"
#include "archive/archive_path.h"
#include "archive/vorn_doc.h"
#include "base/name_compare.h"
#include "transfer/folder_path.h"
#include "transfer/qt/folder_picker.h"
#include "transfer/qt/transfer_dialog.h"
#include "transfer/transfer_messages.h"

#include <vector>

namespace vorn {

void ViewTransferPanes::AddTreeNode(const std::string& directoryPath)
{
    if (CLeftView* left = view_.LeftPane())
        left->AddDirectoryByPath(directoryPath);
}

void ViewTransferPanes::InsertDirectoryRow(const std::string& name, const std::string& path)
{
    view_.InsertRow(view_.FirstFileRow(), name, CVornView::kImageDirectory, path);
}

void ViewTransferPanes::AppendFileRow(const std::string& name, const std::string& sizeText, const std::string& path)
{
    // A replaced file keeps its one row, which shows the new name and size;
    // two rows of one name would both stand for the same entry.
    const std::string wanted(StripLeadingSeparators(path));
    for (int row = 0; row < view_.RowCount(); ++row) {
        if (view_.ImageOf(row) == CVornView::kImageFile &&
            EqualsNoCase(StripLeadingSeparators(view_.PathOf(row)), wanted)) {
            view_.SetRowName(row, name);
            view_.SetSizeText(row, sizeText);
            view_.SetRowPath(row, path);
            return;
        }
    }
    const int row = view_.InsertRow(view_.RowCount(), name, CVornView::kImageFile, path);
    if (row >= 0)
        view_.SetSizeText(row, sizeText);
}

void InstallDropToAdd(CVornView& view, Messenger& messenger)
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

void SetExtractSelection(CVornView& view, const std::vector<int>& rows, TransferJob& job)
{
    std::string shown(StripLeadingSeparators(view.ShownPath()));
    if (!shown.empty())
        shown.push_back('\\');
    job.prefixLength = static_cast<int32_t>(shown.size());
    for (const int row : rows) {
        const std::string path(StripLeadingSeparators(view.PathOf(row)));
        (view.ImageOf(row) == CVornView::kImageFile ? job.files : job.directories).push_back(path);
    }
    job.archiveFile = view.Document().GetPathName();
}

void RunExtractCommand(CVornView& view, Messenger& messenger)
{
    const std::vector<int> rows = view.SelectedRows();
    if (rows.empty())
        return;
    CVornDoc& document = view.Document();
    CTransferDialog dialog(document.Tree(), messenger, &view.Frame());
    TransferJob& job = dialog.Job();
    SetExtractSelection(view, rows, job);
    CFolderPicker picker(QStringLiteral("Select directory"),
                         QStringLiteral("Select a directory to extract the files to and click OK."),
                         InitialExtractFolder(document.GetPathName()), &view.Frame(), messenger);
    if (picker.Run() != 1)
        return;
    job.targetFolder = picker.Path();
    if (dialog.Run() == TransferJob::kCompleted)
        messenger.Show(transfer_text::ExtractedCount(dialog.filesDone()));
}

void InstallTransferCommands(CMainFrame& frame, Messenger& messenger)
{
    CVornView* view = frame.GetRightPane();
    if (!view)
        return;
    InstallDropToAdd(*view, messenger);
    InstallDragOut(*view, messenger);
}

} // namespace vorn

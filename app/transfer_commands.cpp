#include "app/transfer_commands.h"

#include "app/document_adapter.h"
#include "app/drag_out.h"
#include "app/file_commands.h"
#include "app/left_view.h"
#include "archive/archive_path.h"
#include "archive/vorn_doc.h"
#include "base/name_compare.h"
#include "transfer/folder_path.h"
#include "transfer/qt/folder_picker.h"
#include "transfer/qt/transfer_dialog.h"
#include "transfer/transfer_messages.h"

#include <filesystem>
#include <vector>

namespace vorn {

void InstallDropToAdd(CVornView& view, Messenger& messenger)
{
    view.filesDropped = [&messenger](CVornView& pane, const std::vector<std::string>& paths) {
        CTransferDialog dialog(pane.Document().Tree(), messenger, &pane.Frame());
        dialog.modeFlag = CTransferDialog::kModeAdding;
        dialog.Job().droppedItems = paths;
        dialog.Job().currentDirectory = pane.ShownPath();
        std::vector<std::string> names;
        for (const std::string& path : paths)
            names.push_back(std::filesystem::path(path).filename().string());
        // One drop is one step, whatever the worker added on its thread.
        DocumentAdapter& adapter = pane.Frame().Adapter();
        adapter.Begin(StepLabel("Add", names), DocumentAdapter::AddedSizes::Plain);
        dialog.Run();
        adapter.End();
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

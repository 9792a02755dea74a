#pragma once

// The transfer jobs as the main window's commands: files dropped on the
// window are added below the shown directory, and Extract writes the
// selected rows to a folder on disk (the frame's command table runs it).

#include "app/main_frame.h"
#include "app/vorn_view.h"
#include "base/messenger.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_job.h"

#include <string>
#include <vector>

namespace vorn {

// Files dropped on the main window are added below the shown directory, as
// one step of the undo history; the panes follow the document's changes.
void InstallDropToAdd(CVornView& view, Messenger& messenger);

// The job's files and directories for extracting the pane's rows, below the
// shown directory.
void SetExtractSelection(CVornView& view, const std::vector<int>& rows, TransferJob& job);

// The Extract command of the list pane: asks for the folder, extracts the
// selected rows and reports the count when the run completed.
void RunExtractCommand(CVornView& view, Messenger& messenger);

// Drop-to-add and drag-out on the frame's list pane (Extract is in the frame's
// command table).
void InstallTransferCommands(CMainFrame& frame, Messenger& messenger);

} // namespace vorn

#pragma once

#include "base/messenger.h"

#include <QString>

#include <memory>
#include <vector>

class QMimeData;
class QTemporaryDir;

namespace vorn {

class CVornView;

// Rows dragged out of the file list onto a file manager or any other drop
// target that takes files. As archive managers on Linux do, the rows are
// first extracted by the extraction job (with its questions and progress
// dialog) into a private temporary folder; the drag then offers those files
// and folders as text/uri-list. The target copies them at its own pace, often
// after the drop has returned, so the folder stays until the next drag
// replaces it or the pane goes away.
class DragOut {
public:
    explicit DragOut(Messenger& messenger);
    ~DragOut();

    // Extracts the rows into a new folder and returns the data a drag offers:
    // the top-level files and folders made; null when nothing was extracted
    // or the job was cancelled.
    std::unique_ptr<QMimeData> Prepare(CVornView& view, const std::vector<int>& rows);
    // Prepare on the pane's selection, then the drag itself (copies only).
    void Start(CVornView& view);

    // The folder of the last drag; empty when there is none.
    QString FolderPath() const;

private:
    Messenger& messenger_;
    std::unique_ptr<QTemporaryDir> folder_;
};

// Whether the data was offered by a drag out of this process, which must not
// be added back into the archive it came from.
bool IsOwnDragOut(const QMimeData* data);

// Lets the list pane's rows be dragged out.
void InstallDragOut(CVornView& view, Messenger& messenger);

} // namespace vorn

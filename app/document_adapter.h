#pragma once

#include "archive/vorn_doc.h"

#include <QObject>
#include <QUndoStack>

#include <string>

namespace vorn {

class CMainFrame;

// The one listener of the document in the editor: it keeps the tree pane
// and the list pane in step with every change the document reports (from
// a command, a transfer worker, an undo or a redo), and keeps the Edit
// menu's history of steps. Changes reported on a worker thread are carried
// to the UI thread, the worker waiting meanwhile.
//
// Commands make their changes between Begin and End; End puts the step on
// the history. The history keeps at most kUndoStepLimit steps and
// kUndoByteLimit bytes held for them; beyond the bytes it is cleared, with
// one status-bar line.
class DocumentAdapter : public QObject, private DocumentObserver {
    Q_OBJECT
public:
    static constexpr const char* kHistoryTooLarge =
        "The undo history was cleared: it held more than its memory limit.";

    DocumentAdapter(CMainFrame& frame, CVornDoc& document);
    ~DocumentAdapter() override;

    QUndoStack& Stack() { return stack_; }

    // How the size column shows files a step adds: grouped by commas, or as
    // the adding job shows them, a plain decimal number.
    enum class AddedSizes { Grouped, Plain };

    // Opens a step named `label` ("Delete 3 items"); End closes it and puts it
    // on the history when it changed anything.
    void Begin(const std::string& label, AddedSizes sizes = AddedSizes::Grouped);
    void End();

private:
    void TreeChanged(const TreeChange& change) override;
    void ChangesEnded() override;
    void HistoryLost(const std::string& reason) override;
    void OnUiThread(const std::function<void()>& call);
    void Apply(const TreeChange& change);
    void ApplyToList(const TreeChange& change);
    void ShowStatus(const char* text);

    CMainFrame& frame_;
    CVornDoc& document_;
    QUndoStack stack_;
    // Row searches in the current batch; beyond a few hundred the list is
    // filled again once at the end instead of row by row.
    int rowSearches_ = 0;
    AddedSizes addedSizes_ = AddedSizes::Grouped;
    bool refillList_ = false;
};

} // namespace vorn

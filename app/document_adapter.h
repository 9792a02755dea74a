#pragma once

#include "app/document_undo_command.h"
#include "app/file_list_model.h"
#include "archive/vorn_doc.h"

#include <QObject>
#include <QUndoStack>

class QAction;

#include <string>

namespace vorn {

class CMainFrame;

// The one listener of the document in the editor: it hands every change the
// document reports (from a command, a transfer worker, an undo or a redo)
// to the models of the tree pane and the list pane and to the list pane's
// thumbnails, moves the list along
// with a shown directory that is renamed or moved, and keeps the Edit
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
    // Undo and Redo for an Edit menu of `parent`'s window: named after the
    // step, greyed with nothing to take back, with the editor's keys.
    QAction* CreateUndoAction(QObject* parent);
    QAction* CreateRedoAction(QObject* parent);

    // How the size column shows files a step adds.
    using AddedSizes = FileListModel::AddedSizes;

    // Opens a step named `label` ("Delete 3 items"); End closes it and puts it
    // on the history when it changed anything, with what its maker noted.
    void Begin(const std::string& label, AddedSizes sizes = AddedSizes::Grouped);
    void End(StepNote note = {});

private:
    void TreeChanged(const TreeChange& change) override;
    void ChangesEnded() override;
    void HistoryLost(const std::string& reason) override;
    void OnUiThread(const std::function<void()>& call);
    void Apply(const TreeChange& change);
    void ShowStatus(const char* text);

    CMainFrame& frame_;
    CVornDoc& document_;
    QUndoStack stack_;
    AddedSizes addedSizes_ = AddedSizes::Grouped;
};

} // namespace vorn

#include "app/document_adapter.h"

#include "app/document_undo_command.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/vorn_view.h"
#include "archive/archive_path.h"
#include "base/name_compare.h"

#include <QAction>
#include <QStatusBar>
#include <QThread>

namespace vorn {

namespace {

// A path equal to `top` or below it, letter case aside; the rest after `top` in `rest`.
bool IsAtOrBelow(const std::string& path, const std::string& top, std::string& rest)
{
    if (EqualsNoCase(path, top)) {
        rest.clear();
        return true;
    }
    if (path.size() > top.size() && path[top.size()] == '\\' &&
        EqualsNoCase(std::string_view(path).substr(0, top.size()), top)) {
        rest = path.substr(top.size());
        return true;
    }
    return false;
}

} // namespace

DocumentAdapter::DocumentAdapter(CMainFrame& frame, CVornDoc& document) : frame_(frame), document_(document)
{
    stack_.setUndoLimit(static_cast<int>(kUndoStepLimit));
    document_.SetObserver(this);
}

DocumentAdapter::~DocumentAdapter()
{
    document_.SetObserver(nullptr);
    stack_.clear();
}

void DocumentAdapter::Begin(const std::string& label, AddedSizes sizes)
{
    addedSizes_ = sizes;
    document_.BeginEdit(label);
}

void DocumentAdapter::End(StepNote note)
{
    std::unique_ptr<DocumentEdit> edit = document_.EndEdit();
    addedSizes_ = AddedSizes::Grouped;
    if (!edit)
        return;
    stack_.push(new DocumentUndoCommand(document_, std::move(edit), std::move(note)));
    uint64_t held = 0;
    for (int i = 0; i < stack_.count(); ++i)
        held += static_cast<const DocumentUndoCommand*>(stack_.command(i))->Edit().HeldBytes(document_.Archive());
    if (held > kUndoByteLimit) {
        stack_.clear();
        ShowStatus(kHistoryTooLarge);
    }
}

void DocumentAdapter::OnUiThread(const std::function<void()>& call)
{
    if (QThread::currentThread() == thread())
        call();
    else
        QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

void DocumentAdapter::TreeChanged(const TreeChange& change)
{
    OnUiThread([&] { Apply(change); });
}

void DocumentAdapter::ChangesEnded()
{
    OnUiThread([this] {
        if (CVornView* right = frame_.GetRightPane()) {
            right->Model().FinishChanges();
            right->RecomputeSummary();
        }
        frame_.UpdateCommandStates();
    });
}

void DocumentAdapter::HistoryLost(const std::string& reason)
{
    OnUiThread([&] {
        stack_.clear();
        if (!reason.empty())
            ShowStatus(reason.c_str());
    });
}

void DocumentAdapter::ShowStatus(const char* text)
{
    frame_.statusBar()->showMessage(QString::fromLatin1(text), 10000);
}

void DocumentAdapter::Apply(const TreeChange& change)
{
    using Kind = TreeChangeKind;
    CLeftView* left = frame_.GetLeftPane();
    CVornView* right = frame_.GetRightPane();
    if (right)
        right->Thumbnails().Apply(change);
    if (!left || !right || change.kind == Kind::Rebuilt)
        return;  // a new or opened archive: the panes rebuild at their initial update

    // Where the list shows a directory that moves or is renamed, it follows it.
    std::string followed;
    if (change.kind == Kind::DirectoryRenamed || change.kind == Kind::DirectoryMoved) {
        const std::string oldPath = JoinArchivePath(
            change.directory, change.kind == Kind::DirectoryRenamed ? change.oldName : change.name);
        std::string rest;
        if (IsAtOrBelow(right->ShownPath(), oldPath, rest))
            followed = change.Path() + rest;
    }
    left->Model().Apply(change);
    if (!followed.empty()) {
        left->SelectPath(followed);
        right->Model().ShowPath(followed);
        return;
    }
    right->Model().Apply(change, addedSizes_);
}

QAction* DocumentAdapter::CreateUndoAction(QObject* parent)
{
    QAction* undo = stack_.createUndoAction(parent, QStringLiteral("&Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    return undo;
}

QAction* DocumentAdapter::CreateRedoAction(QObject* parent)
{
    QAction* redo = stack_.createRedoAction(parent, QStringLiteral("&Redo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    return redo;
}

} // namespace vorn

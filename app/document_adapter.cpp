#include "app/document_adapter.h"

#include "app/document_undo_command.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/vorn_view.h"
#include "archive/archive_path.h"
#include "base/name_compare.h"
#include "base/number_text.h"

#include <QStatusBar>
#include <QThread>

namespace vorn {

namespace {

// Beyond this many changes of the shown directory in one edit, the list is
// filled again at the end: one reset instead of a search per row.
constexpr int kRowChangesBeforeRefill = 256;

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

void DocumentAdapter::End()
{
    std::unique_ptr<DocumentEdit> edit = document_.EndEdit();
    addedSizes_ = AddedSizes::Grouped;
    if (!edit)
        return;
    stack_.push(new DocumentUndoCommand(document_, std::move(edit)));
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
        CVornView* right = frame_.GetRightPane();
        if (refillList_ && right) {
            if (const std::optional<CFarDirectory> shown = document_.Tree().GetDirectory(right->ShownPath()))
                right->FillFromDirectory(*shown);
        }
        refillList_ = false;
        rowSearches_ = 0;
        if (right)
            right->RecomputeSummary();
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
    if (!left || !right || change.kind == Kind::Rebuilt)
        return;  // a new or opened archive: the panes rebuild at their initial update

    // Where the list shows a directory that moves or is renamed, it follows it.
    std::string followed;
    switch (change.kind) {
    case Kind::DirectoryAdded:
        left->InsertDirectory(change.directory, change.position, change.name);
        break;
    case Kind::DirectoryRemoved:
        left->RemoveDirectoryByPath(change.Path());
        break;
    case Kind::DirectoryRenamed: {
        const std::string oldPath = JoinArchivePath(change.directory, change.oldName);
        std::string rest;
        if (IsAtOrBelow(right->ShownPath(), oldPath, rest))
            followed = change.Path() + rest;
        left->RenameDirectory(oldPath, change.Path());
        break;
    }
    case Kind::DirectoryMoved: {
        const std::string oldPath = JoinArchivePath(change.directory, change.name);
        std::string rest;
        if (IsAtOrBelow(right->ShownPath(), oldPath, rest))
            followed = change.Path() + rest;
        left->RemoveDirectoryByPath(oldPath);
        left->InsertDirectory(change.toDirectory, change.toPosition, change.name);
        break;
    }
    default:
        break;
    }
    if (!followed.empty()) {
        left->SelectPath(followed);
        if (const std::optional<CFarDirectory> shown = document_.Tree().GetDirectory(followed))
            right->FillFromDirectory(*shown);
        return;
    }
    if (!refillList_)
        ApplyToList(change);
}

void DocumentAdapter::ApplyToList(const TreeChange& change)
{
    using Kind = TreeChangeKind;
    CVornView& right = *frame_.GetRightPane();
    const std::string& shown = right.ShownPath();
    const CFarDirectoryTree& tree = document_.Tree();
    auto shows = [&](const std::string& directory) { return EqualsNoCase(directory, shown); };
    // A file row's path is the shown path, "\\" and the name, also at the root.
    auto filePath = [&](const std::string& name) { return shown + "\\" + name; };
    auto sizeText = [&](const FarFileItem& item) {
        const CFarEntry* entry = tree.EntryOfItem(item);
        const uint32_t size = entry ? entry->size1 : 0;
        return addedSizes_ == AddedSizes::Plain ? std::to_string(size) : FormatGroupedNumber(size);
    };
    auto addFile = [&](size_t position, const FarFileItem& item) {
        const int row = std::min(right.FirstFileRow() + static_cast<int>(position), right.RowCount());
        right.InsertRow(row, item.name, CVornView::kImageFile, filePath(item.name));
        right.SetSizeText(row, sizeText(item));
    };
    auto addDirectory = [&](size_t position, const std::string& name) {
        const int row = std::min(static_cast<int>(position), right.FirstFileRow());
        right.InsertRow(row, name, CVornView::kImageDirectory, JoinArchivePath(shown, name));
    };
    // Appending is cheap; a row is searched for only a few hundred times per batch.
    auto rowOf = [&](const std::string& path) {
        if (++rowSearches_ > kRowChangesBeforeRefill) {
            refillList_ = true;
            return -1;
        }
        return right.RowOfPath(path);
    };
    auto remove = [&](const std::string& path) { right.DeleteRow(rowOf(path)); };

    switch (change.kind) {
    case Kind::FileAdded:
        if (shows(change.directory))
            addFile(change.position, change.item);
        break;
    case Kind::FileRemoved:
        if (shows(change.directory))
            remove(change.Path());
        break;
    case Kind::FileRenamed:
    case Kind::FileResized:
        if (shows(change.directory)) {
            const std::string oldName = change.oldName.empty() ? change.item.name : change.oldName;
            const int row = rowOf(JoinArchivePath(change.directory, oldName));
            if (row < 0)
                break;
            right.SetRowName(row, change.item.name);
            right.SetRowPath(row, filePath(change.item.name));
            right.SetSizeText(row, sizeText(change.item));
        }
        break;
    case Kind::FileMoved:
        if (shows(change.directory))
            remove(JoinArchivePath(change.directory, change.item.name));
        if (shows(change.toDirectory))
            addFile(change.toPosition, change.item);
        break;
    case Kind::DirectoryAdded:
        if (shows(change.directory))
            addDirectory(change.position, change.name);
        break;
    case Kind::DirectoryRemoved:
        if (shows(change.directory))
            remove(change.Path());
        break;
    case Kind::DirectoryRenamed:
        if (shows(change.directory)) {
            const int row = rowOf(JoinArchivePath(change.directory, change.oldName));
            if (row >= 0) {
                right.SetRowName(row, change.name);
                right.SetRowPath(row, change.Path());
            }
        }
        break;
    case Kind::DirectoryMoved:
        if (shows(change.directory))
            remove(JoinArchivePath(change.directory, change.name));
        if (shows(change.toDirectory))
            addDirectory(change.toPosition, change.name);
        break;
    case Kind::Rebuilt:
        break;
    }
}

} // namespace vorn

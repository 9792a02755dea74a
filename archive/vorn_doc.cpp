#include "archive/vorn_doc.h"

#include "archive/far_header.h"
#include "base/absolute_path.h"
#include "base/file_error_text.h"
#include "base/file_replacement.h"
#include "base/message_texts.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

namespace {

constexpr const char* kModifiedMark = " *";
constexpr const char* kErrorCaption = "Error";
constexpr const char* kAppTitle = "Vorn";

// What a save killed before its rename left beside an archive goes when the
// next writer comes to that folder. Read-only commands leave it: they never
// write where they read.
void RemoveAbandonedSaves(const std::filesystem::path& archive)
{
    RemoveAbandonedTemporaries(archive.parent_path(), FarHeader::kMagic);
}

} // namespace

CVornDoc::CVornDoc(Messenger& messenger) : messenger_(messenger), title_(kUntitled)
{
    tree_.SetObserver(this);
    archive_.SetJournal(this);
    tree_.Build(archive_);
}

CVornDoc::~CVornDoc()
{
    for (DocumentEdit* edit : edits_)
        edit->document_ = nullptr;
}

// ---- title and flag ------------------------------------------------------

std::string CVornDoc::GetPlainTitle() const
{
    const std::string_view mark = kModifiedMark;
    if (title_.size() >= mark.size() && title_.compare(title_.size() - mark.size(), mark.size(), mark) == 0)
        return title_.substr(0, title_.size() - mark.size());
    return title_;
}

void CVornDoc::SetTitle(std::string title)
{
    title_ = std::move(title);
    if (titleChanged_)
        titleChanged_(title_);
}

void CVornDoc::SetTitleChangedHandler(std::function<void(const std::string&)> handler)
{
    titleChanged_ = std::move(handler);
}

void CVornDoc::SetModified(bool modified)
{
    // The flag first: whoever the title change notifies reads it.
    modified_ = modified;
    std::string title = GetPlainTitle();
    if (modified)
        title += kModifiedMark;
    if (title != title_)
        SetTitle(std::move(title));
}

void CVornDoc::SetPathName(const std::filesystem::path& path)
{
    pathName_ = path;
    SetTitle(path.empty() ? std::string(kUntitled) : path.filename().string());
}

void CVornDoc::SetSavePathPrompt(std::function<std::optional<std::filesystem::path>(const std::string&)> prompt)
{
    savePathPrompt_ = std::move(prompt);
}

// ---- messages ------------------------------------------------------------

void CVornDoc::ShowError(const std::string& text)
{
    messenger_.Show(Message{text, kErrorCaption, MessageIcon::Error, MessageButtons::Ok});
}

void CVornDoc::ReportFileError(int error, const std::filesystem::path& path, FileAction action)
{
    ShowError(FileErrorText(error, path, action));
}

void CVornDoc::ReleaseFile()
{
    archive_.CloseSource();
    heldFile_.reset();
}

void CVornDoc::Reset()
{
    ReleaseFile();
    archive_.Clear();
    archive_.SetReadOnly(false);
    DropHistory(std::string());
    tree_.Build(archive_);
    modified_ = false;
    loadState_ = LoadState::Complete;
    SetPathName({});
}

// ---- life cycle ----------------------------------------------------------

bool CVornDoc::NewDocument()
{
    Reset();
    return true;
}

bool CVornDoc::OpenDocument(const std::filesystem::path& requested, OpenAccess access, TreeUse treeUse)
{
    const std::filesystem::path path = AbsolutePath(requested);

    // A directory opens for reading on POSIX; it is no archive.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        ReportFileError(EISDIR, path, FileAction::Open);
        return false;
    }
    // The file this document already holds is simply kept, as a document
    // window is activated rather than opened twice.
    if (heldFile_ && heldFile_->IsNamedBy(path))
        return true;
    int error = 0;
    // Another holder, in this process or another, keeps the file to itself;
    // shared holders only keep writers out.
    std::unique_ptr<FileStream> file;
    switch (access) {
    case OpenAccess::ReadWriteLocked: file = FileStream::OpenLocked(path, error); break;
    case OpenAccess::ReadOnly: file = FileStream::Open(path, FileMode::Read, error); break;
    case OpenAccess::ReadOnlyShared: file = FileStream::OpenLocked(path, error, FileLock::Shared); break;
    }
    if (!file) {
        ReportFileError(error, path, FileAction::Open);
        return false;
    }
    if (access == OpenAccess::ReadWriteLocked)
        RemoveAbandonedSaves(path);
    const int64_t length = file->Length();
    if (length < 0) {
        ShowError(texts::kFailedToOpenDocument);
        return false;
    }

    SetModified(true);
    DropHistory(std::string());
    LoadState state = LoadState::Complete;
    try {
        ReleaseFile();
        if (treeUse == TreeUse::CheckOnly) {
            // No tree of the previous archive may outlive it.
            archive_.Clear();
            tree_.Build(archive_);
        }
        if (length == 0) {
            // Nothing to read: an empty archive, and no source, since a
            // quick save needs a header to rewrite.
            archive_.Clear();
            tree_.Build(archive_);
        } else if (!archive_.Load(*file)) {
            ShowError(kLoadError);
            state = LoadState::LoadFailed;
            // Whatever was read stays; the tree must describe exactly that.
            if (treeUse == TreeUse::Build)
                tree_.Build(archive_);
        } else if (treeUse == TreeUse::CheckOnly ? !CFarDirectoryTree::CanBuild(archive_) : !tree_.Build(archive_)) {
            ShowError(kBuildError);
            state = LoadState::BuildFailed;
        }
    } catch (const std::bad_alloc&) {
        Reset();
        ShowError(texts::kFailedToOpenDocument);
        return false;
    }
    loadState_ = state;
    heldFile_ = std::move(file);
    archive_.SetReadOnly(access == OpenAccess::ReadOnlyShared);
    SetPathName(path);
    content_ = savedContent_ = ++lastContent_;
    SetModified(false);
    return true;
}

bool CVornDoc::SaveDocument(const std::filesystem::path& requested, ReplaceMode mode)
{
    std::filesystem::path path = AbsolutePath(requested);
    std::error_code ignored;
    // Replace the file a link points to, not the link.
    if (std::filesystem::is_symlink(path, ignored)) {
        const std::filesystem::path resolved = std::filesystem::canonical(path, ignored);
        if (!ignored)
            path = resolved;
    }

    // The file was opened for reading only; a copy elsewhere is what a
    // read-only document may save.
    if (IsReadOnly() && heldFile_ && heldFile_->IsNamedBy(path)) {
        ReportFileError(EACCES, path, FileAction::Save);
        return false;
    }
    // The file about to be replaced holds bytes the undo history may need.
    if (!KeepHistoryBytes())
        DropHistory(kHistoryDropped);
    // Every byte must be in memory before anything is written; a byte that
    // cannot be read would otherwise be a save that silently did nothing.
    if (const std::optional<size_t> unreadable = archive_.LoadAllDataUntilFailure()) {
        // Naming the entry lets the user delete or replace it and save.
        ShowError(std::string(kSaveError) + "\n" + Fill(kUnreadableEntry, archive_.Entry(*unreadable)->name));
        return false;
    }

    // The target must not be a file another holder keeps open; our own file
    // is fine. Another file stays locked until ours has replaced it.
    int error = 0;
    std::unique_ptr<FileStream> existing;
    if (::access(path.c_str(), F_OK) == 0 && !(heldFile_ && heldFile_->IsNamedBy(path))) {
        existing = FileStream::OpenLocked(path, error);
        if (!existing) {
            ReportFileError(error, path, FileAction::Save);
            return false;
        }
    }
    RemoveAbandonedSaves(path);

    // Write beside the target and rename over it only when complete, so a
    // failed save leaves the previous file as it was.
    FileReplacement replacement(path, mode);
    if (!replacement.Begin(error)) {
        ReportFileError(error, path, FileAction::Save);
        return false;
    }
    if (!archive_.Save(replacement.Stream())) {
        // A full disk is named; other failures keep the document's own text.
        const int cause = replacement.Stream().LastError();
        if (IsDiskFull(cause))
            ReportFileError(cause, path, FileAction::Save);
        else
            ShowError(kSaveError);
        return false;
    }
    HistoryWritten();
    // Hold the new file before it takes the target's name, so no one else can grab it.
    replacement.Stream().LockExclusive(error);
    // From here on the entries' offsets describe the written file, not the
    // source: a quick save into the source would point its manifest at the
    // wrong bytes. Every byte is in memory, so the source is not needed until
    // the next save or open attaches one.
    switch (replacement.Commit(error)) {
    case ReplaceResult::Replaced: break;
    case ReplaceResult::NotSynced:
        archive_.CloseSource();
        ShowError(kSaveError);
        return false;
    case ReplaceResult::NotRenamed:
        archive_.CloseSource();
        ReportFileError(error, path, FileAction::Save);
        return false;
    case ReplaceResult::AlreadyExists:
        // Someone else created the file meanwhile; theirs stays.
        archive_.CloseSource();
        ReportFileError(EAGAIN, path, FileAction::Save);
        return false;
    }
    std::unique_ptr<FileStream> written = replacement.Release();

    ReleaseFile();
    archive_.AttachSource(*written);
    heldFile_ = std::move(written);
    archive_.SetReadOnly(false);  // the copy is the user's to change
    loadState_ = LoadState::Complete;
    SetPathName(path);
    savedContent_ = content_;
    SetModified(false);
    return true;
}

bool CVornDoc::DoFileSave()
{
    if (IsBoundToFile())
        return SaveDocument(pathName_);
    if (!savePathPrompt_)
        return false;
    const std::optional<std::filesystem::path> target = savePathPrompt_(GetPlainTitle());
    return target && SaveDocument(*target);
}

bool CVornDoc::HasFileToAppendTo() const
{
    // The entries of a failed load describe only part of the file; appending
    // a manifest of them would drop the rest. A file replaced under its name
    // since the open is no longer the archive: appending to it would be lost.
    return archive_.HasSource() && !IsReadOnly() && IsBoundToFile() &&
           (!heldFile_ || heldFile_->IsNamedBy(pathName_));
}

bool CVornDoc::CanQuickSave() const
{
    return modified_ && HasFileToAppendTo();
}

bool CVornDoc::QuickSave()
{
    if (!HasFileToAppendTo() || !archive_.QuickSave())
        return false;
    savedContent_ = content_;
    SetModified(false);
    return true;
}

bool CVornDoc::SaveModified()
{
    if (!modified_)
        return true;
    const std::string name = pathName_.empty() ? GetPlainTitle() : pathName_.string();
    const MessageAnswer answer = messenger_.Show(
        Message{Fill("Save changes to %1?", name), kAppTitle, MessageIcon::Question, MessageButtons::YesNoCancel});
    switch (answer) {
    case MessageAnswer::Yes: return DoFileSave();
    case MessageAnswer::No: return true;
    default: return false;
    }
}

// ---- edits and history ---------------------------------------------------

void CVornDoc::BeginEdit(std::string label)
{
    openEdit_ = std::make_unique<DocumentEdit>(std::move(label));
}

std::unique_ptr<DocumentEdit> CVornDoc::EndEdit()
{
    std::unique_ptr<DocumentEdit> edit = std::move(openEdit_);
    if (!edit || edit->IsEmpty()) {
        if (edit)
            ChangesEnded();
        return nullptr;
    }
    edit->contentBefore_ = content_;
    edit->contentAfter_ = edit->ChangesArchive() ? ++lastContent_ : content_;
    edit->document_ = this;
    edits_.push_back(edit.get());
    SetContent(edit->contentAfter_);
    ChangesEnded();
    return edit;
}

void CVornDoc::UndoEdit(DocumentEdit& edit)
{
    Replay(edit, false);
    SetContent(edit.contentBefore_);
    ChangesEnded();
}

void CVornDoc::RedoEdit(DocumentEdit& edit)
{
    Replay(edit, true);
    SetContent(edit.contentAfter_);
    ChangesEnded();
}

void CVornDoc::Replay(DocumentEdit& edit, bool forward)
{
    using Kind = DocumentEdit::EntryChangeKind;
    // The entries first: the panes read sizes while they follow the tree.
    auto entry = [&](DocumentEdit::EntryChange& change) {
        switch (change.kind) {
        case Kind::Renamed: {
            const FarEntryName current = archive_.Entry(change.index)->name;
            archive_.SetEntryName(change.index, change.name);
            change.name = current;
            break;
        }
        case Kind::Deleted: archive_.SetEntryDeleted(change.index, forward); break;
        case Kind::Appended: archive_.SetEntryDeleted(change.index, !forward); break;
        }
    };
    if (forward) {
        for (DocumentEdit::EntryChange& change : edit.entryChanges_)
            entry(change);
        for (DocumentEdit::DataChange& change : edit.dataChanges_)
            archive_.SwapEntryState(change.index, change.state);
        for (TreeChange& change : edit.treeChanges_)
            tree_.Reapply(change);
    } else {
        for (auto it = edit.entryChanges_.rbegin(); it != edit.entryChanges_.rend(); ++it)
            entry(*it);
        for (auto it = edit.dataChanges_.rbegin(); it != edit.dataChanges_.rend(); ++it)
            archive_.SwapEntryState(it->index, it->state);
        for (auto it = edit.treeChanges_.rbegin(); it != edit.treeChanges_.rend(); ++it)
            tree_.Revert(*it);
    }
    // Bytes replaced in place change no tree item; the panes still show sizes.
    for (const DocumentEdit::DataChange& change : edit.dataChanges_)
        EntryDataChanged(change.index);
}

void CVornDoc::SetContent(uint64_t content)
{
    content_ = content;
    SetModified(content_ != savedContent_);
}

void CVornDoc::ChangesEnded()
{
    if (observer_)
        observer_->ChangesEnded();
}

void CVornDoc::TreeChanged(const TreeChange& change)
{
    if (openEdit_ && change.kind != TreeChangeKind::Rebuilt)
        openEdit_->treeChanges_.push_back(change);
    if (observer_)
        observer_->TreeChanged(change);
}

void CVornDoc::EntryDataChanged(size_t index)
{
    const CFarEntry* entry = archive_.Entry(index);
    if (!observer_ || !entry || entry->isDeleted)
        return;
    const std::string name(entry->name);
    const size_t separator = name.rfind('\\');
    TreeChange change;
    change.kind = TreeChangeKind::FileResized;
    change.directory = separator == std::string::npos ? std::string() : name.substr(0, separator);
    change.item = {static_cast<int32_t>(index), separator == std::string::npos ? name : name.substr(separator + 1)};
    observer_->TreeChanged(change);
}

void CVornDoc::ContentChangedOutsideEdit()
{
    SetContent(++lastContent_);
}

void CVornDoc::EntryRenamed(size_t index, FarEntryName before)
{
    if (!openEdit_)
        return ContentChangedOutsideEdit();
    openEdit_->entryChanges_.push_back({static_cast<uint32_t>(index), DocumentEdit::EntryChangeKind::Renamed, before});
}

void CVornDoc::EntryDeleted(size_t index)
{
    if (!openEdit_)
        return ContentChangedOutsideEdit();
    openEdit_->entryChanges_.push_back({static_cast<uint32_t>(index), DocumentEdit::EntryChangeKind::Deleted, {}});
}

void CVornDoc::EntryAppended(size_t index)
{
    if (!openEdit_)
        return ContentChangedOutsideEdit();
    openEdit_->entryChanges_.push_back({static_cast<uint32_t>(index), DocumentEdit::EntryChangeKind::Appended, {}});
}

void CVornDoc::EntryDataReplaced(size_t index, EntryState before)
{
    if (!openEdit_) {
        ContentChangedOutsideEdit();
    } else {
        openEdit_->dataChanges_.push_back({static_cast<uint32_t>(index), std::move(before)});
    }
    EntryDataChanged(index);
}

void CVornDoc::Forget(DocumentEdit& edit)
{
    std::erase(edits_, &edit);
}

bool CVornDoc::KeepHistoryBytes()
{
    uint64_t held = 0;
    for (DocumentEdit* edit : edits_) {
        for (DocumentEdit::DataChange& change : edit->dataChanges_) {
            if (!archive_.LoadState(change.state))
                return false;
        }
        for (const DocumentEdit::EntryChange& change : edit->entryChanges_) {
            const CFarEntry* entry = archive_.Entry(change.index);
            if (change.kind != DocumentEdit::EntryChangeKind::Renamed && entry && entry->isDeleted &&
                !archive_.LoadDeletedData(change.index))
                return false;
        }
        held += edit->HeldBytes(archive_);
        if (held > kUndoByteLimit)
            return false;
    }
    return true;
}

void CVornDoc::HistoryWritten()
{
    // The bytes now live only in memory: a quick save must write them again.
    for (DocumentEdit* edit : edits_) {
        for (DocumentEdit::DataChange& change : edit->dataChanges_) {
            change.state.offset = -1;
            change.state.isNew = true;
        }
    }
}

void CVornDoc::DropHistory(const std::string& reason)
{
    openEdit_.reset();
    if (observer_ && (!edits_.empty() || reason.empty()))
        observer_->HistoryLost(reason);
    // Whatever the observer did not release must not reach this archive.
    for (DocumentEdit* edit : edits_)
        edit->document_ = nullptr;
    edits_.clear();
}

} // namespace vorn

#include "archive/vorn_doc.h"

#include "archive/far_header.h"
#include "base/absolute_path.h"
#include "base/file_error_text.h"
#include "base/file_replacement.h"

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
    tree_.Build(archive_);
}

CVornDoc::~CVornDoc() = default;

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
    const bool readOnly = access == OpenAccess::ReadOnly;
    // Another holder, in this process or another, keeps the file to itself.
    std::unique_ptr<FileStream> file =
        readOnly ? FileStream::Open(path, FileMode::Read, error) : FileStream::OpenLocked(path, error);
    if (!file) {
        ReportFileError(error, path, FileAction::Open);
        return false;
    }
    if (!readOnly)
        RemoveAbandonedSaves(path);
    const int64_t length = file->Length();
    if (length < 0) {
        ShowError("Failed to open document.");
        return false;
    }

    SetModified(true);
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
        ShowError("Failed to open document.");
        return false;
    }
    loadState_ = state;
    heldFile_ = std::move(file);
    SetPathName(path);
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

    // Every byte must be in memory before anything is written; a byte that
    // cannot be read would otherwise be a save that silently did nothing.
    if (!archive_.LoadAllData()) {
        ShowError(kSaveError);
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
    loadState_ = LoadState::Complete;
    SetPathName(path);
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

bool CVornDoc::CanQuickSave() const
{
    return archive_.HasSource() && modified_;
}

bool CVornDoc::QuickSave()
{
    // The entries of a failed load describe only part of the file; appending
    // a manifest of them would drop the rest. A file replaced under its name
    // since the open is no longer the archive: appending to it would be lost.
    if (loadState_ == LoadState::LoadFailed || (heldFile_ && !heldFile_->IsNamedBy(pathName_)) ||
        !archive_.QuickSave())
        return false;
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

} // namespace vorn

#pragma once

#include "archive/document_edit.h"
#include "archive/entry_journal.h"
#include "archive/far_archive.h"
#include "archive/far_directory_tree.h"
#include "base/file_error_text.h"
#include "base/file_replacement.h"
#include "base/file_stream.h"
#include "base/messenger.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorn {

// How the document opens its file: the editor's way, read-write and locked;
// read only and unlocked, for tools that only read an archive; or read only
// under a shared lock, for browsing an archive the user may not or does not
// want to change: other browsers share the file, writers are kept out, and
// the document refuses every change (IsReadOnly).
enum class OpenAccess { ReadWriteLocked, ReadOnly, ReadOnlyShared };

// Whether an open builds the directory tree, or only checks that it could be
// built: for tools that read entries but never show or change the tree.
// Either way the same archives open and fail with the same messages.
enum class TreeUse { Build, CheckOnly };

// What the last open read. After LoadFailed the document holds the entries
// read before the failing record, but the file is not its save target.
enum class LoadState { Complete, LoadFailed, BuildFailed };

// The document of the single-document application: the one open FAR archive
// and its directory tree, with the life cycle around them (new, open, save,
// save as, quick save), the modified flag and the title. Plain C++; the Qt
// main frame wraps it and hooks the title callback to its caption.
//
// While an archive is open its file stays open read-write under an exclusive
// open-file-description lock, so a second open of the same file (in this or
// another process) is refused with a sharing-violation message. Opened for
// browsing (OpenAccess::ReadOnlyShared) it is held read only under a shared
// lock instead, which other browsers share and writers are refused by.
//
// What the editor's panes and undo stack hear from the document: every
// change of the tree as it is made (also while undoing), the end of each
// edit, undo or redo, and the loss of the undo history.
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    virtual void TreeChanged(const TreeChange& change) = 0;
    // An edit, undo or redo is complete (counts and sizes may have changed).
    virtual void ChangesEnded() = 0;
    // The steps made so far can no longer be undone (a save could not keep
    // what they need, or a new archive replaced the old one); `reason` is
    // empty for a new archive.
    virtual void HistoryLost(const std::string& reason) = 0;
};

// Every message goes through the Messenger given at construction.
//
// The document sets its modified flag itself: every change of the archive's
// entries sets it; undoing back to the saved content clears it, as does a
// save. Changes of the tree alone (an empty new directory) leave it alone.
class CVornDoc : private TreeObserver, private EntryJournal {
public:
    // Texts of the document's own messages (caption "Error", error icon, OK).
    static constexpr const char* kLoadError = "Error while loading the FAR file!";
    static constexpr const char* kBuildError = "Error while building the directory structure!";
    static constexpr const char* kSaveError = "Error while saving the FAR file!";
    // The line under kSaveError when an entry's bytes cannot be read (%1 its name).
    static constexpr const char* kUnreadableEntry =
        "The file \"%1\" could not be read from the archive: delete or replace it.";
    // The text shown when a quick save fails (caption "Vorn", no icon).
    static constexpr const char* kQuickSaveError = "Error while trying to quick-save the FAR file!";
    // Title of a document that has no file yet.
    static constexpr const char* kUntitled = "Untitled";

    // Shown once in the status bar when a save drops the undo history.
    static constexpr const char* kHistoryDropped =
        "The undo history was cleared: this save could not keep what undoing needs.";

    explicit CVornDoc(Messenger& messenger);
    ~CVornDoc();
    CVornDoc(const CVornDoc&) = delete;
    CVornDoc& operator=(const CVornDoc&) = delete;

    CFarArchive& Archive() { return archive_; }
    const CFarArchive& Archive() const { return archive_; }
    CFarDirectoryTree& Tree() { return tree_; }
    const CFarDirectoryTree& Tree() const { return tree_; }

    // The title: the file name, or "Untitled"; ends with " *" while modified.
    const std::string& GetTitle() const { return title_; }
    // The title without a trailing " *" (the tree pane's root label).
    std::string GetPlainTitle() const;
    // Replaces the title as given (no " *" handling) and notifies.
    void SetTitle(std::string title);
    // Called with the new title every time it changes (the main frame's caption).
    void SetTitleChangedHandler(std::function<void(const std::string&)> handler);
    // The archive file's absolute path; empty for an untitled document. After
    // a failed load it names the file shown, which is not the save target.
    const std::filesystem::path& GetPathName() const { return pathName_; }
    // True when Save writes to GetPathName() without asking: a file was
    // opened or saved, and it could be read. A file that failed to load is
    // not replaced by what little was read of it unless the user names it.
    bool IsBoundToFile() const { return !pathName_.empty() && loadState_ != LoadState::LoadFailed; }
    LoadState GetLoadState() const { return loadState_; }

    // Opened with OpenAccess::ReadOnlyShared: every change of the tree and
    // the archive is refused (their operations fail and change nothing), and
    // only a save to another file is allowed, which makes the document that
    // file's, writable. New and Open end it.
    bool IsReadOnly() const { return archive_.IsReadOnly(); }

    bool IsModified() const { return modified_; }
    // Cuts a trailing " *" off the title, appends it again when `modified`,
    // then stores the flag. Callers set it after every change of the archive.
    void SetModified(bool modified);

    // Makes the document untitled, unmodified and empty (no source, so quick
    // save fails until a Save As). Does not ask about unsaved changes: call
    // SaveModified first. Returns true.
    bool NewDocument();
    // Opens `path` as `access` says (read-write and locked by default),
    // loads the manifest and builds the tree. Fails with a file-error message when the file cannot be opened or
    // locked ("%1 was not found.", "Access to %1 was denied.", "A sharing
    // violation occurred while accessing %1.", "Failed to open document.");
    // the document is then unchanged. A load or build failure shows its
    // message but the open still succeeds (title set, not modified), holding
    // the entries read and a tree built from them; GetLoadState tells which.
    // After a load failure Save asks for a name and QuickSave refuses, so
    // the unreadable file is never overwritten unasked. A file of length 0 opens
    // as an empty archive without a source. Opening the file the document
    // already holds changes nothing and succeeds. Does not ask about unsaved
    // changes: call SaveModified first. With TreeUse::CheckOnly the tree stays
    // empty (root only) and must not be used.
    bool OpenDocument(const std::filesystem::path& path, OpenAccess access = OpenAccess::ReadWriteLocked,
                      TreeUse treeUse = TreeUse::Build);
    // Save and Save As: brings every entry's bytes into memory, writes a
    // complete archive to a temporary file in the target's folder, fsyncs it
    // and renames it over `path`, then holds it locked as the new source. On
    // success the path and title become the target's and the flag is cleared.
    // On any failure a message is shown, nothing replaces the target and the
    // document stays modified with its previous source; only when the archive
    // was written but could not take the target's name is the source dropped
    // (the entries then describe the discarded file), so quick save fails
    // until the next save or open. A read-only document refuses to save over
    // its own file ("Access to %1 was denied."). With CreateNew the target must not exist:
    // when another process creates it first, its file is kept and the save
    // fails with the sharing-violation message.
    bool SaveDocument(const std::filesystem::path& path, ReplaceMode mode = ReplaceMode::Replace);
    // Save to the current path; with none, or after a failed load, asks the
    // save-path prompt (Save As) with the title (the failed file's name).
    // False when there is no path and no prompt, or the prompt is cancelled.
    bool DoFileSave();

    // True when a quick save can work: the document has unsaved changes and
    // a file to append them to (the main frame's enable rule).
    bool CanQuickSave() const;
    // Rewrites the source in place; clears the modified flag on success.
    // Refused after a failed load. Shows nothing: the caller reports a
    // failure with kQuickSaveError.
    bool QuickSave();

    // When modified, asks "Save changes to %1?" (Yes, No, Cancel; %1 the
    // path, or the title for an untitled document). Yes saves (asking for a
    // path when untitled). Returns false on Cancel or when the save fails;
    // true when the document may be replaced or closed.
    bool SaveModified();
    // Chooses the target of a save of an untitled document; none cancels.
    // The argument is the title without " *".
    void SetSavePathPrompt(std::function<std::optional<std::filesystem::path>(const std::string&)> prompt);

    // The one listener of the document's changes (null: none).
    void SetObserver(DocumentObserver* observer) { observer_ = observer; }
    // Opens a step: every change made through the tree or the archive until
    // EndEdit goes into it. Steps do not nest.
    void BeginEdit(std::string label);
    // Closes the step; null when nothing changed.
    std::unique_ptr<DocumentEdit> EndEdit();
    // Takes the step back / makes it again: the tree, the entries' names,
    // marks and bytes, exactly as before / after it. Only in history order:
    // undo the latest step done, redo the latest undone.
    void UndoEdit(DocumentEdit& edit);
    void RedoEdit(DocumentEdit& edit);

private:
    friend class DocumentEdit;

    void TreeChanged(const TreeChange& change) override;
    void EntryRenamed(size_t index, FarEntryName before) override;
    void EntryDeleted(size_t index) override;
    void EntryAppended(size_t index) override;
    void EntryDataReplaced(size_t index, EntryState before) override;
    // Entries changed outside a step (the command line): a new content.
    void ContentChangedOutsideEdit();
    // Tells the observer that an entry's bytes (and sizes) changed in place.
    void EntryDataChanged(size_t index);
    void Replay(DocumentEdit& edit, bool forward);
    void SetContent(uint64_t content);
    void Forget(DocumentEdit& edit);
    // Before a full save: brings into memory every byte a step may put back,
    // since the file that holds them is about to be replaced. False when
    // that cannot be done within the history's byte limit.
    bool KeepHistoryBytes();
    void HistoryWritten();
    // A new archive: no step applies to it.
    void DropHistory(const std::string& reason);
    void ChangesEnded();

    // The archive's source is the file the document is bound to, still
    // under its name: what a quick save appends to.
    bool HasFileToAppendTo() const;
    void SetPathName(const std::filesystem::path& path);
    void ShowError(const std::string& text);
    void ReportFileError(int error, const std::filesystem::path& path, FileAction action);
    void ReleaseFile();
    // Back to an empty, untitled, unchanged archive holding no file.
    void Reset();

    Messenger& messenger_;
    CFarArchive archive_;
    CFarDirectoryTree tree_;
    std::string title_;
    std::filesystem::path pathName_;
    bool modified_ = false;
    LoadState loadState_ = LoadState::Complete;
    // The opened file, locked. The archive's source is a duplicate of it, so
    // it also keeps the lock of an archive that has no source (length 0).
    std::unique_ptr<FileStream> heldFile_;
    std::function<void(const std::string&)> titleChanged_;
    std::function<std::optional<std::filesystem::path>(const std::string&)> savePathPrompt_;

    DocumentObserver* observer_ = nullptr;
    std::unique_ptr<DocumentEdit> openEdit_;
    // Every step alive (held by the undo stack), for the saves.
    std::vector<DocumentEdit*> edits_;
    // Which content the entries have: a new number for every change, the
    // step's numbers on undo and redo; the saved content is unmodified.
    uint64_t content_ = 0;
    uint64_t savedContent_ = 0;
    uint64_t lastContent_ = 0;
};

} // namespace vorn

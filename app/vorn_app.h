#pragma once

#include "app/recent_file_list.h"
#include "archive/vorn_doc.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vorn {

class CMainFrame;
class CVornDoc;
class Messenger;
class QtMessenger;
class ScreenFit;

// The application object: settings and the recent-file list, the one
// document and its main window, the command line, and the New / Open /
// recent-file / Exit commands. A QApplication must exist before it.
//
// Settings live in QSettings under the organisation "Omber Applications"
// and the application "Vorn"; only the recent-file list is kept there.
class CVornApp {
public:
    // Messages go to `messenger`; without one the app shows Qt message boxes.
    explicit CVornApp(Messenger* messenger = nullptr);
    ~CVornApp();
    CVornApp(const CVornApp&) = delete;
    CVornApp& operator=(const CVornApp&) = delete;

    // Start-up: reads the recent files, makes the document and the main
    // window, runs the command line (no argument: a new empty archive; one
    // path: open it; with --read-only, for browsing), then shows the window.
    // False when the archive cannot be opened or the command line is not
    // one to run (CommandLine): the program should end with a failure status.
    bool InitInstance(const QStringList& arguments);

    CVornDoc& Document() { return *document_; }
    CMainFrame* MainFrame() const { return frame_.get(); }
    RecentFileList& RecentFiles() { return recentFiles_; }
    Messenger& GetMessenger() { return *messenger_; }

    // File New: asks about unsaved changes, then an empty untitled archive.
    void OnFileNew();
    // File Open: the Open dialog ("Vorn Files (*.far)"), then OpenDocumentFile;
    // File Open Read-Only the same with OpenAccess::ReadOnlyShared.
    void OnFileOpen(OpenAccess access = OpenAccess::ReadWriteLocked);
    // Opens an archive after asking about unsaved changes; the file then
    // heads the recent-file list, unless it was opened read-only (the list
    // reopens its files for writing). The archive already open is not
    // reopened, whichever way it was opened.
    bool OpenDocumentFile(const QString& path, OpenAccess access = OpenAccess::ReadWriteLocked);
    // Opens recent entry `index` (0 the newest); an entry that cannot be
    // opened leaves the list.
    void OnOpenRecentFile(int index);
    void AddToRecentFileList(const std::filesystem::path& path);
    // Asks about unsaved changes (the document's question); a save made
    // there puts the archive at the head of the recent-file list like Save
    // does. False when the user cancels or the save fails.
    bool SaveModified();

    // The Save As dialog with the default extension ".far"; none when cancelled.
    std::optional<std::filesystem::path> PromptSavePath(const std::string& title);

    // Replace the file dialogs (tests answer them from a script).
    std::function<std::optional<QString>()> openPathPrompt;
    std::function<std::optional<QString>(const QString& title)> savePathPrompt;

private:
    void WriteRecentFiles();

    // Every window of the run opens inside its screen.
    std::unique_ptr<ScreenFit> screenFit_;
    std::unique_ptr<QtMessenger> ownMessenger_;
    Messenger* messenger_ = nullptr;
    std::unique_ptr<CVornDoc> document_;
    RecentFileList recentFiles_;
    std::unique_ptr<CMainFrame> frame_;
};

} // namespace vorn

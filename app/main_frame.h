#pragma once

#include "app/command_table.h"

#include <QLabel>
#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class QMimeData;
class QSplitter;

namespace vorn {

class CLeftView;
class DocumentAdapter;
class FileFilterField;
class CVornApp;
class CVornDoc;
class CVornView;
class Messenger;

// The main window: the tree pane and the list pane side by side in a
// splitter, the File menu, the shortcuts, and a status bar whose message pane
// shows the archive summary wherever a framework would show "Ready".
//
// Every command is a numeric id (command_ids.h) in the frame's command
// table, which makes the one QAction the File menu, the list pane's context
// menu and the shortcuts share. The enabled states follow the list pane's
// selection and the document, so a disabled command is greyed everywhere
// and its shortcut does nothing. The archive commands act on the list pane's
// selection whichever pane has the focus. New, Open, the recent files and
// Exit go to the application; Save and Save As to the document; Quick Save
// stays here.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(CVornApp& app, CVornDoc& document, Messenger& messenger);
    ~CMainFrame() override;

    CLeftView* GetLeftPane() const { return left_; }
    CVornView* GetRightPane() const { return right_; }
    // The filter field over the list pane (Ctrl+F).
    FileFilterField* FilterField() const { return filterField_; }
    QSplitter* Splitter() const { return splitter_; }
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* EditMenu() const { return editMenu_; }
    QMenu* ViewMenu() const { return viewMenu_; }
    // Keeps the panes in step with the document and holds the undo history.
    DocumentAdapter& Adapter() { return *adapter_; }

    // The list pane stores its summary here; the message pane shows it
    // whenever no menu prompt is up.
    void SetArchiveSummary(const QString& summary);
    const QString& ArchiveSummary() const { return summary_; }
    // How many rows the filter leaves, in a pane of its own; "" hides it.
    void SetFilterSummary(const QString& text);
    QString FilterSummary() const { return filterPane_->text(); }
    // A menu item is highlighted: its prompt (empty for the program's own
    // commands) replaces the summary until the menu closes.
    void ShowMenuPrompt(int id);
    // A menu closed: the summary returns, never a generic "Ready".
    void OnMenuHidden();
    // Shows the prompts of `menu`'s items while it is open, greyed items and
    // separators (no prompt) included, and the summary again once it closes.
    void TrackMenuPrompts(QMenu* menu);
    // What the message pane shows right now.
    QString MessageText() const { return messagePane_->text(); }
    // The key-state indicator panes, left to right: CAP, NUM, SCRL.
    QList<QLabel*> IndicatorPanes() const { return indicators_; }

    // Both panes rebuild from the document (after New and Open).
    void OnInitialUpdate();
    // Caption "<title> - Vorn", "<title> [Read-Only] - Vorn" while browsing.
    void UpdateCaption();

    CommandTable& Commands() { return *commands_; }
    bool IsCommandEnabled(int id) const { return commands_->IsEnabled(id); }
    // Runs a command if its enable rule allows; false when refused or unknown.
    bool OnCommand(int id) { return commands_->Run(id); }
    // The action of a command, shared by its menus and its shortcut (null for none).
    QAction* ActionFor(int id) const { return commands_->Action(id); }
    // Every command's enabled state follows its rule again.
    void UpdateCommandStates() { commands_->Refresh(); }

    // The list pane shows a grid of thumbnails, or its details list; the
    // choice is kept in the settings for the next start.
    void SetIconView(bool on);

    // The File menu's recent-file items follow the application's list.
    void RebuildRecentFiles();

    // The focus moves to the next / previous pane (F6 / Shift+F6).
    void CyclePaneFocus(bool forward);

    // Asks about unsaved changes before the window goes; the close is
    // abandoned when the user cancels.
    void closeEvent(QCloseEvent* event) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildCommands();
    void BuildMenu();
    bool ListHasSelection() const;
    // The local files a drop may add: none while the document is read-only.
    std::vector<std::string> DroppablePaths(const QMimeData* data) const;
    void OnQuickSave();
    void OnFileSave();
    void OnFileSaveAs();

    CVornApp& app_;
    CVornDoc& document_;
    Messenger& messenger_;
    QSplitter* splitter_ = nullptr;
    CLeftView* left_ = nullptr;
    CVornView* right_ = nullptr;
    FileFilterField* filterField_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    std::unique_ptr<DocumentAdapter> adapter_;
    QAction* recentSeparator_ = nullptr;
    QAction* exitSeparator_ = nullptr;
    CommandTable* commands_ = nullptr;
    QLabel* messagePane_ = nullptr;
    QLabel* filterPane_ = nullptr;
    QList<QLabel*> indicators_;
    QString summary_;
};

} // namespace vorn

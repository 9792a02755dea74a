#include "app/main_frame.h"

#include "app/clone_object_command.h"
#include "app/command_ids.h"
#include "app/document_adapter.h"
#include "app/drag_out.h"
#include "app/file_filter_field.h"
#include "app/find_in_archive_dialog.h"
#include "app/file_commands.h"
#include "app/left_view.h"
#include "app/pane_focus_marker.h"
#include "app/pane_icons.h"
#include "app/parent_directory_keys.h"
#include "app/recent_file_list.h"
#include "app/transfer_commands.h"
#include "app/viewer_dispatch.h"
#include "app/vorn_app.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "base/messenger.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

namespace vorn {

namespace {

// Local files among the dropped URLs, as file-system bytes.
std::vector<std::string> LocalPaths(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (!data || !data->hasUrls() || IsOwnDragOut(data))
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return paths;
}

// Where the list pane's choice of view is kept, beside the recent files.
const char* const kViewSection = "View";
const char* const kThumbnailsValue = "Thumbnails";

bool ReadIconViewChoice()
{
    QSettings settings;
    settings.beginGroup(QString::fromLatin1(kViewSection));
    return settings.value(QString::fromLatin1(kThumbnailsValue), false).toBool();
}

void WriteIconViewChoice(bool on)
{
    QSettings settings;
    settings.beginGroup(QString::fromLatin1(kViewSection));
    settings.setValue(QString::fromLatin1(kThumbnailsValue), on);
    settings.endGroup();
    settings.sync();
}

} // namespace

CMainFrame::CMainFrame(CVornApp& app, CVornDoc& document, Messenger& messenger)
    : app_(app), document_(document), messenger_(messenger)
{
    setWindowIcon(LoadPaneIcon(PaneIcon::Application));

    // Client area: the tree pane left, the list pane right under its filter field.
    splitter_ = new QSplitter(Qt::Horizontal, this);
    left_ = new CLeftView(*this, document_, splitter_);
    auto* listColumn = new QWidget(splitter_);
    right_ = new CVornView(*this, document_, listColumn);
    filterField_ = new FileFilterField(*right_, listColumn);
    auto* listLayout = new QVBoxLayout(listColumn);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    listLayout->addWidget(filterField_);
    listLayout->addWidget(right_);
    splitter_->addWidget(left_);
    splitter_->addWidget(listColumn);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({200, 400});
    setCentralWidget(splitter_);
    // The grid of thumbnails lies inside the list pane and counts as it.
    new PaneFocusMarker({left_, right_}, this);
    InstallParentDirectoryKeys(*right_, *left_);

    // Status bar: the message pane, then the key-state indicators.
    messagePane_ = new QLabel(this);
    messagePane_->setObjectName(QStringLiteral("messagePane"));
    statusBar()->addWidget(messagePane_, 1);
    filterPane_ = new QLabel(this);
    filterPane_->setObjectName(QStringLiteral("filterPane"));
    filterPane_->hide();
    statusBar()->addPermanentWidget(filterPane_);
    for (const char* text : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(QString::fromLatin1(text), this);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        // Qt offers no portable way to read the lock-key states, so the
        // indicators stay greyed as a lock that is off is shown.
        indicator->setEnabled(false);
        statusBar()->addPermanentWidget(indicator);
        indicators_.append(indicator);
    }

    adapter_ = std::make_unique<DocumentAdapter>(*this, document_);
    BuildCommands();
    BuildMenu();
    right_->SetIconView(ReadIconViewChoice());
    ActionFor(ID_VIEW_THUMBNAILS)->setChecked(right_->IsIconView());
    // The title changes with the modified flag and the file, which the
    // Quick Save rule reads.
    document_.SetTitleChangedHandler([this](const std::string&) {
        UpdateCaption();
        left_->UpdateRootText();
        UpdateCommandStates();
    });
    UpdateCaption();
    resize(760, 520);
}

CMainFrame::~CMainFrame()
{
    // Destroying the window moves the focus, and an open name editor would
    // commit its text into a document whose history and panes are going.
    right_->EndEditing(CVornView::EditEnd::Discard);
    document_.SetTitleChangedHandler(nullptr);
    adapter_.reset();
}

bool CMainFrame::ListHasSelection() const
{
    return right_ && right_->HasSelection();
}

void CMainFrame::BuildCommands()
{
    commands_ = new CommandTable(*this);
    auto always = [] { return true; };
    auto selection = [this] { return ListHasSelection(); };
    // What changes the archive waits for a document that may be changed.
    auto writable = [this] { return !document_.IsReadOnly(); };
    auto writableSelection = [this] { return !document_.IsReadOnly() && ListHasSelection(); };
    auto add = [this](int id, const char* text, QKeySequence shortcut, const char* prompt,
                      std::function<bool()> enabled, std::function<void()> run) {
        commands_->Add({id, QString::fromLatin1(text), shortcut, QString::fromLatin1(prompt), std::move(enabled),
                        std::move(run)});
    };
    add(ID_FILE_NEW, "&New\tCtrl+N", QKeySequence(Qt::CTRL | Qt::Key_N), "Create a new document", always,
        [this] { app_.OnFileNew(); });
    add(ID_FILE_OPEN, "&Open...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O), "Open an existing document", always,
        [this] { app_.OnFileOpen(); });
    add(ID_FILE_OPEN_READONLY, "Open &Read-Only...", QKeySequence(),
        "Open an existing document for browsing, without changing it", always,
        [this] { app_.OnFileOpen(OpenAccess::ReadOnlyShared); });
    add(ID_FILE_QUICKSAVE, "&Quick Save\tCtrl+Q", QKeySequence(Qt::CTRL | Qt::Key_Q), "",
        [this] { return document_.CanQuickSave(); }, [this] { OnQuickSave(); });
    add(ID_FILE_SAVE, "&Save\tCtrl+S", QKeySequence(Qt::CTRL | Qt::Key_S), "Save the active document", writable,
        [this] { OnFileSave(); });
    add(ID_FILE_SAVE_AS, "Save &As...", QKeySequence(), "Save the active document with a new name", always,
        [this] { OnFileSaveAs(); });
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        add(ID_FILE_MRU_FILE1 + i, "Recent File", QKeySequence(), "Open this document",
            [this, i] { return i < app_.RecentFiles().Count(); }, [this, i] { app_.OnOpenRecentFile(i); });
    }
    add(ID_APP_EXIT, "E&xit", QKeySequence(), "Quit the application; prompts to save documents", always,
        [this] { close(); });

    // The list pane's commands act on its selection from either pane. "Add
    // file(s)" is never enabled and no menu shows it: files are dropped.
    add(ID_FILE_ADD, "&Add file(s)\tCtrl+A", QKeySequence(), "", [] { return false; }, nullptr);
    add(ID_FILE_EXTRACT, "&Extract\tCtrl+E", QKeySequence(Qt::CTRL | Qt::Key_E), "", selection,
        [this] { RunExtractCommand(*right_, messenger_); });
    add(ID_FILE_DELETE, "De&lete\tCtrl+D", QKeySequence(Qt::CTRL | Qt::Key_D), "", writableSelection,
        [this] { DeleteSelection(*right_, messenger_); });
    add(ID_FILE_RENAME, "&Rename\tF2", QKeySequence(Qt::Key_F2), "", writableSelection,
        [this] { right_->RenameFirstSelected(); });
    add(ID_FILE_NEWDIRECTORY, "New &Directory\tCtrl+W", QKeySequence(Qt::CTRL | Qt::Key_W), "", writable,
        [this] { MakeNewDirectory(*right_); });
    add(ID_FILE_MOVETODIRECTORY, "&Move to Directory\tCtrl+M", QKeySequence(Qt::CTRL | Qt::Key_M), "",
        writableSelection, [this] { MoveSelection(*right_, messenger_); });
    add(ID_NEXT_PANE, "Next Pane", QKeySequence(Qt::Key_F6), "", always, [this] { CyclePaneFocus(true); });
    add(ID_PREV_PANE, "Previous Pane", QKeySequence(Qt::SHIFT | Qt::Key_F6), "", always,
        [this] { CyclePaneFocus(false); });
    add(ID_EDIT_FILTER, "&Filter\tCtrl+F", QKeySequence(Qt::CTRL | Qt::Key_F),
        "Show only the rows of this directory whose names contain a text", always,
        [this] { filterField_->Open(); });
    add(ID_EDIT_FIND_IN_ARCHIVE, "Find in &Archive...\tCtrl+Shift+F", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
        "Find entries of the whole archive by name, or by the strings of their IFF files", always,
        [this] { OpenFindInArchive(*this, messenger_); });
    add(ID_EDIT_CLONE_OBJECT, "Clone &Object...", QKeySequence(),
        "Add a copy of the selected object file with new GUIDs, a name and a price of its own",
        [this] { return !document_.IsReadOnly() && SelectedIffRow(*right_) >= 0; },
        [this] { CloneSelectedObject(*right_, messenger_); });
    // The list pane's context menu shows it beside "Resources".
    right_->addAction(ActionFor(ID_EDIT_CLONE_OBJECT));
    add(ID_VIEW_THUMBNAILS, "&Thumbnails\tCtrl+T", QKeySequence(Qt::CTRL | Qt::Key_T),
        "Show the files as a grid of pictures, or as a list with their sizes", always,
        [this] { SetIconView(!right_->IsIconView()); });
    ActionFor(ID_VIEW_THUMBNAILS)->setCheckable(true);
    add(ID_VIEW_SORT_BY_NAME, "Sort by &Name", QKeySequence(), "Sort the files by name, directories first", always,
        [this] { right_->SortByColumn(0); });
    add(ID_VIEW_SORT_BY_SIZE, "Sort by &Size", QKeySequence(), "Sort the files by size, directories first", always,
        [this] { right_->SortByColumn(1); });

    // The enabled states follow everything their rules read.
    QItemSelectionModel* selectionModel = right_->selectionModel();
    connect(selectionModel, &QItemSelectionModel::selectionChanged, this, &CMainFrame::UpdateCommandStates);
    // A refill drops the selection without a selection signal.
    connect(&right_->Model(), &QAbstractItemModel::modelReset, this, &CMainFrame::UpdateCommandStates);
    connect(&right_->Model(), &QAbstractItemModel::rowsRemoved, this, &CMainFrame::UpdateCommandStates);
    // Clone Object reads the current row and its name, which a rename can change.
    connect(selectionModel, &QItemSelectionModel::currentChanged, this, &CMainFrame::UpdateCommandStates);
    connect(&right_->Model(), &QAbstractItemModel::dataChanged, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::BuildMenu()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_OPEN_READONLY, ID_FILE_QUICKSAVE, ID_FILE_SAVE, ID_FILE_SAVE_AS})
        fileMenu_->addAction(ActionFor(id));
    recentSeparator_ = fileMenu_->addSeparator();
    exitSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addAction(ActionFor(ID_APP_EXIT));
    RebuildRecentFiles();

    connect(fileMenu_, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    TrackMenuPrompts(fileMenu_);

    // Undo and Redo carry the step's name and are greyed with nothing to take back.
    editMenu_ = menuBar()->addMenu(QStringLiteral("&Edit"));
    editMenu_->addAction(adapter_->CreateUndoAction(this));
    editMenu_->addAction(adapter_->CreateRedoAction(this));
    editMenu_->addSeparator();
    editMenu_->addAction(ActionFor(ID_EDIT_FILTER));
    editMenu_->addAction(ActionFor(ID_EDIT_FIND_IN_ARCHIVE));
    editMenu_->addSeparator();
    editMenu_->addAction(ActionFor(ID_EDIT_CLONE_OBJECT));
    TrackMenuPrompts(editMenu_);

    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    for (int id : {ID_VIEW_THUMBNAILS, ID_VIEW_SORT_BY_NAME, ID_VIEW_SORT_BY_SIZE})
        viewMenu_->addAction(ActionFor(id));
    viewMenu_->insertSeparator(ActionFor(ID_VIEW_SORT_BY_NAME));
    TrackMenuPrompts(viewMenu_);
}

void CMainFrame::SetIconView(bool on)
{
    right_->SetIconView(on);
    ActionFor(ID_VIEW_THUMBNAILS)->setChecked(on);
    WriteIconViewChoice(on);
}

void CMainFrame::TrackMenuPrompts(QMenu* menu)
{
    connect(menu, &QMenu::aboutToHide, this, &CMainFrame::OnMenuHidden);
    connect(menu, &QMenu::hovered, this, [this](QAction* action) { ShowMenuPrompt(action->data().toInt()); });
    // Qt does not highlight greyed items or separators, so `hovered` stays
    // silent over them and the last prompt would linger; the pointer tells.
    menu->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (auto* menu = qobject_cast<QMenu*>(watched)) {
            const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (QAction* action = menu->actionAt(position))
                ShowMenuPrompt(action->isSeparator() ? 0 : action->data().toInt());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::RebuildRecentFiles()
{
    const QStringList& entries = app_.RecentFiles().Entries();
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        QAction* action = ActionFor(ID_FILE_MRU_FILE1 + i);
        fileMenu_->removeAction(action);
        if (i < entries.size()) {
            QString shown = RecentFileList::DisplayName(entries[i]);
            shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
            fileMenu_->insertAction(exitSeparator_, action);
        } else if (i == 0) {
            // An empty list shows one greyed placeholder.
            action->setText(QStringLiteral("Recent File"));
            fileMenu_->insertAction(exitSeparator_, action);
        }
    }
    UpdateCommandStates();
}

void CMainFrame::OnMenuHidden()
{
    messagePane_->setText(summary_);
}

void CMainFrame::ShowMenuPrompt(int id)
{
    messagePane_->setText(commands_->PromptFor(id));
}

void CMainFrame::SetArchiveSummary(const QString& summary)
{
    summary_ = summary;
    messagePane_->setText(summary_);
}

void CMainFrame::SetFilterSummary(const QString& text)
{
    filterPane_->setText(text);
    filterPane_->setVisible(!text.isEmpty());
}

void CMainFrame::OnInitialUpdate()
{
    left_->OnInitialUpdate();
    right_->OnInitialUpdate();
    UpdateCaption();
    UpdateCommandStates();
}

void CMainFrame::UpdateCaption()
{
    QString caption = QFile::decodeName(QByteArray::fromStdString(document_.GetTitle()));
    if (document_.IsReadOnly())
        caption += QStringLiteral(" [Read-Only]");
    setWindowTitle(caption + QStringLiteral(" - Vorn"));
}

void CMainFrame::CyclePaneFocus(bool /*forward*/)
{
    // With two panes the next and the previous pane are the same one.
    QWidget* focused = QApplication::focusWidget();
    const bool rightHasFocus = focused && (focused == right_ || right_->isAncestorOf(focused));
    if (rightHasFocus)
        left_->setFocus(Qt::OtherFocusReason);
    else
        right_->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::OnQuickSave()
{
    if (document_.QuickSave())
        return;  // the document cleared its flag and the caption followed
    messenger_.Show({CVornDoc::kQuickSaveError, "Vorn", MessageIcon::None, MessageButtons::Ok});
}

void CMainFrame::OnFileSave()
{
    if (document_.DoFileSave())
        app_.AddToRecentFileList(document_.GetPathName());
}

void CMainFrame::OnFileSaveAs()
{
    const std::optional<std::filesystem::path> path = app_.PromptSavePath(document_.GetPlainTitle());
    if (!path)
        return;
    if (document_.SaveDocument(*path))
        app_.AddToRecentFileList(document_.GetPathName());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A name typed but not yet confirmed is a change the save question must
    // cover; hiding the window would otherwise commit it after the question.
    right_->EndEditing(CVornView::EditEnd::Commit);
    if (app_.SaveModified())
        event->accept();
    else
        event->ignore();
}

std::vector<std::string> CMainFrame::DroppablePaths(const QMimeData* data) const
{
    // Nothing is added to an archive opened for browsing.
    return document_.IsReadOnly() ? std::vector<std::string>() : LocalPaths(data);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppablePaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppablePaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const std::vector<std::string> paths = DroppablePaths(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    activateWindow();
    raise();
    right_->OnDropFiles(paths);
}

} // namespace vorn

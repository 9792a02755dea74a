#include "app/main_frame.h"

#include "app/command_ids.h"
#include "app/left_view.h"
#include "app/pane_icons.h"
#include "app/recent_file_list.h"
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
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>

namespace vorn {

namespace {

// Local files among the dropped URLs, as file-system bytes.
std::vector<std::string> LocalPaths(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return paths;
}

} // namespace

CMainFrame::CMainFrame(CVornApp& app, CVornDoc& document, Messenger& messenger)
    : app_(app), document_(document), messenger_(messenger)
{
    setWindowIcon(LoadPaneIcon(PaneIcon::Application));

    // Client area: the tree pane left, the list pane right.
    splitter_ = new QSplitter(Qt::Horizontal, this);
    left_ = new CLeftView(*this, document_, splitter_);
    right_ = new CVornView(*this, document_, splitter_);
    splitter_->addWidget(left_);
    splitter_->addWidget(right_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({200, 400});
    setCentralWidget(splitter_);

    // Status bar: the message pane, then the key-state indicators.
    messagePane_ = new QLabel(this);
    messagePane_->setObjectName(QStringLiteral("messagePane"));
    statusBar()->addWidget(messagePane_, 1);
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

    BuildMenu();
    document_.SetTitleChangedHandler([this](const std::string&) { UpdateCaption(); });
    UpdateCaption();
    resize(760, 520);
}

CMainFrame::~CMainFrame()
{
    document_.SetTitleChangedHandler(nullptr);
}

QAction* CMainFrame::MakeAction(int id, const char* text, const QKeySequence& shortcut)
{
    auto* action = new QAction(QString::fromLatin1(text), this);
    action->setData(id);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    actions_[id] = action;
    return action;
}

void CMainFrame::BuildMenu()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->addAction(MakeAction(ID_FILE_NEW, "&New\tCtrl+N", QKeySequence(Qt::CTRL | Qt::Key_N)));
    fileMenu_->addAction(MakeAction(ID_FILE_OPEN, "&Open...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O)));
    fileMenu_->addAction(MakeAction(ID_FILE_QUICKSAVE, "&Quick Save\tCtrl+Q", QKeySequence(Qt::CTRL | Qt::Key_Q)));
    fileMenu_->addAction(MakeAction(ID_FILE_SAVE, "&Save\tCtrl+S", QKeySequence(Qt::CTRL | Qt::Key_S)));
    fileMenu_->addAction(MakeAction(ID_FILE_SAVE_AS, "Save &As...", QKeySequence()));
    recentSeparator_ = fileMenu_->addSeparator();
    exitSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addAction(MakeAction(ID_APP_EXIT, "E&xit", QKeySequence()));
    RebuildRecentFiles();

    // Shortcuts without a menu item; they work from either pane.
    addAction(MakeAction(ID_FILE_EXTRACT, "&Extract\tCtrl+E", QKeySequence(Qt::CTRL | Qt::Key_E)));
    addAction(MakeAction(ID_FILE_DELETE, "De&lete\tCtrl+D", QKeySequence(Qt::CTRL | Qt::Key_D)));
    addAction(MakeAction(ID_FILE_RENAME, "&Rename\tF2", QKeySequence(Qt::Key_F2)));
    addAction(MakeAction(ID_FILE_NEWDIRECTORY, "New &Directory\tCtrl+W", QKeySequence(Qt::CTRL | Qt::Key_W)));
    addAction(MakeAction(ID_FILE_MOVETODIRECTORY, "&Move to Directory\tCtrl+M", QKeySequence(Qt::CTRL | Qt::Key_M)));
    addAction(MakeAction(ID_NEXT_PANE, "Next Pane", QKeySequence(Qt::Key_F6)));
    addAction(MakeAction(ID_PREV_PANE, "Previous Pane", QKeySequence(Qt::SHIFT | Qt::Key_F6)));

    connect(fileMenu_, &QMenu::aboutToShow, this, [this] {
        RebuildRecentFiles();
        UpdateMenuState();
    });
    TrackMenuPrompts(fileMenu_);
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
    for (QAction* action : recentActions_) {
        actions_.erase(action->data().toInt());
        fileMenu_->removeAction(action);
        delete action;
    }
    recentActions_.clear();
    const QStringList& entries = app_.RecentFiles().Entries();
    if (entries.isEmpty()) {
        QAction* placeholder = MakeAction(ID_FILE_MRU_FILE1, "Recent File", QKeySequence());
        fileMenu_->insertAction(exitSeparator_, placeholder);
        recentActions_.push_back(placeholder);
        return;
    }
    for (int i = 0; i < entries.size(); ++i) {
        QString shown = CRecentFileList::DisplayName(entries[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), this);
        const int id = ID_FILE_MRU_FILE1 + i;
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        actions_[id] = action;
        fileMenu_->insertAction(exitSeparator_, action);
        recentActions_.push_back(action);
    }
}

void CMainFrame::UpdateMenuState()
{
    for (auto& [id, action] : actions_)
        action->setEnabled(IsCommandEnabled(id));
}

void CMainFrame::OnMenuHidden()
{
    // Shortcuts must reach OnCommand, which checks the rule at that moment.
    for (auto& [id, action] : actions_)
        action->setEnabled(true);
    messagePane_->setText(summary_);
}

void CMainFrame::ShowMenuPrompt(int id)
{
    messagePane_->setText(PromptFor(id));
}

QString CMainFrame::PromptFor(int id)
{
    switch (id) {
    case ID_FILE_NEW: return QStringLiteral("Create a new document");
    case ID_FILE_OPEN: return QStringLiteral("Open an existing document");
    case ID_FILE_SAVE: return QStringLiteral("Save the active document");
    case ID_FILE_SAVE_AS: return QStringLiteral("Save the active document with a new name");
    case ID_APP_EXIT: return QStringLiteral("Quit the application; prompts to save documents");
    default: break;
    }
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE1 + 15)
        return QStringLiteral("Open this document");
    return QString();  // the program's own commands have no prompt
}

void CMainFrame::SetArchiveSummary(const QString& summary)
{
    summary_ = summary;
    messagePane_->setText(summary_);
}

void CMainFrame::OnInitialUpdate()
{
    left_->OnInitialUpdate();
    right_->OnInitialUpdate();
    UpdateCaption();
}

void CMainFrame::UpdateCaption()
{
    setWindowTitle(QFile::decodeName(QByteArray::fromStdString(document_.GetTitle())) + QStringLiteral(" - Vorn"));
}

QAction* CMainFrame::ActionFor(int id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

bool CMainFrame::IsCommandEnabled(int id) const
{
    if (IsListPaneCommand(id))
        return right_ && right_->IsCommandEnabled(id);
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kSize)
        return id - ID_FILE_MRU_FILE1 < app_.RecentFiles().Count();
    switch (id) {
    case ID_FILE_QUICKSAVE:
        return document_.CanQuickSave();
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_APP_EXIT:
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        return true;
    default:
        return false;
    }
}

bool CMainFrame::OnCommand(int id)
{
    if (!IsCommandEnabled(id))
        return false;
    if (IsListPaneCommand(id))
        return right_->OnCommand(id);
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kSize) {
        app_.OnOpenRecentFile(id - ID_FILE_MRU_FILE1);
        return true;
    }
    switch (id) {
    case ID_FILE_NEW: app_.OnFileNew(); break;
    case ID_FILE_OPEN: app_.OnFileOpen(); break;
    case ID_FILE_QUICKSAVE: OnQuickSave(); break;
    case ID_FILE_SAVE: OnFileSave(); break;
    case ID_FILE_SAVE_AS: OnFileSaveAs(); break;
    case ID_APP_EXIT: close(); break;
    case ID_NEXT_PANE: CyclePaneFocus(true); break;
    case ID_PREV_PANE: CyclePaneFocus(false); break;
    default: return false;
    }
    return true;
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
    if (app_.SaveModified())
        event->accept();
    else
        event->ignore();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event)
{
    if (!LocalPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const std::vector<std::string> paths = LocalPaths(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    activateWindow();
    raise();
    right_->OnDropFiles(paths);
}

} // namespace vorn

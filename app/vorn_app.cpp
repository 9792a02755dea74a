#include "app/vorn_app.h"

#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/qt_messenger.h"
#include "app/screen_fit.h"
#include "app/transfer_commands.h"
#include "app/viewer_dispatch.h"
#include "archive/vorn_doc.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace vorn {

namespace {

const char* const kFilter = "Vorn Files (*.far)";

std::filesystem::path ToFsPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString FromFsPath(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::optional<QString> AskOpenPath(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Open"), QString(), QString::fromLatin1(kFilter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> AskSavePath(QWidget* parent, const QString& title)
{
    QFileDialog dialog(parent, QStringLiteral("Save As"), title, QString::fromLatin1(kFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("far"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

} // namespace

CVornApp::CVornApp(Messenger* messenger)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Omber Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("Vorn"));
    screenFit_ = std::make_unique<ScreenFit>();
    QCoreApplication::instance()->installEventFilter(screenFit_.get());
    if (!messenger) {
        ownMessenger_ = std::make_unique<QtMessenger>();
        messenger = ownMessenger_.get();
    }
    messenger_ = messenger;
    document_ = std::make_unique<CVornDoc>(*messenger_);
    document_->SetSavePathPrompt([this](const std::string& title) { return PromptSavePath(title); });
}

CVornApp::~CVornApp()
{
    // The window refers to the document; it goes first.
    frame_.reset();
}

bool CVornApp::InitInstance(const QStringList& arguments)
{
    {
        QSettings settings;
        recentFiles_.ReadList(settings);
    }
    frame_ = std::make_unique<CMainFrame>(*this, *document_, *messenger_);
    InstallTransferCommands(*frame_, *messenger_);
    InstallViewerDispatch(*frame_->GetRightPane(), *messenger_);

    const CommandLine line = CommandLine::Parse(arguments);
    if (line.kind != CommandLine::Kind::Run)
        return false;
    if (line.archive.isEmpty()) {
        document_->NewDocument();
        frame_->OnInitialUpdate();
    } else if (!OpenDocumentFile(line.archive,
                                 line.readOnly ? OpenAccess::ReadOnlyShared : OpenAccess::ReadWriteLocked)) {
        return false;
    }

    frame_->show();
    frame_->setAcceptDrops(true);
    return true;
}

bool CVornApp::SaveModified()
{
    const bool wasModified = document_->IsModified();
    if (!document_->SaveModified())
        return false;
    if (wasModified && !document_->IsModified())
        AddToRecentFileList(document_->GetPathName());
    return true;
}

void CVornApp::OnFileNew()
{
    if (!SaveModified())
        return;
    document_->NewDocument();
    if (frame_)
        frame_->OnInitialUpdate();
}

void CVornApp::OnFileOpen(OpenAccess access)
{
    const std::optional<QString> path = openPathPrompt ? openPathPrompt() : AskOpenPath(frame_.get());
    if (path)
        OpenDocumentFile(*path, access);
}

bool CVornApp::OpenDocumentFile(const QString& path, OpenAccess access)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    const std::filesystem::path target = ToFsPath(full);
    if (!document_->GetPathName().empty() && document_->GetPathName() == target)
        return true;  // already the open archive
    if (!SaveModified())
        return false;
    if (!document_->OpenDocument(target, access))
        return false;
    // A file that could not be read is shown but is no archive to come back to.
    if (document_->IsBoundToFile() && !document_->IsReadOnly())
        AddToRecentFileList(document_->GetPathName());
    if (frame_)
        frame_->OnInitialUpdate();
    return true;
}

void CVornApp::OnOpenRecentFile(int index)
{
    if (index < 0 || index >= recentFiles_.Count())
        return;
    const QString path = recentFiles_.Entries()[index];
    if (!OpenDocumentFile(path) && !QFileInfo::exists(path)) {
        recentFiles_.Remove(index);
        WriteRecentFiles();
    }
}

void CVornApp::AddToRecentFileList(const std::filesystem::path& path)
{
    if (path.empty())
        return;
    recentFiles_.Add(FromFsPath(path));
    WriteRecentFiles();
}

void CVornApp::WriteRecentFiles()
{
    QSettings settings;
    recentFiles_.WriteList(settings);
    if (frame_)
        frame_->RebuildRecentFiles();
}

std::optional<std::filesystem::path> CVornApp::PromptSavePath(const std::string& title)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(title));
    const std::optional<QString> chosen = savePathPrompt ? savePathPrompt(name) : AskSavePath(frame_.get(), name);
    if (!chosen)
        return std::nullopt;
    QString path = *chosen;
    // The dialog adds the extension to a bare name; a scripted answer gets the same.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".far");
    return ToFsPath(QFileInfo(path).absoluteFilePath());
}

} // namespace vorn

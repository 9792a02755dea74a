#include "app/drag_out.h"

#include "app/main_frame.h"
#include "app/transfer_commands.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "transfer/qt/transfer_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QDrag>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

namespace vorn {

namespace {

// Marks a drag's data with the process that offered it: the main window takes
// drops from other programs, a second Vorn included, but not its own rows.
constexpr const char* kSourceFormat = "application/x-vorn-drag-source";

QByteArray ThisProcess()
{
    return QByteArray::number(QCoreApplication::applicationPid());
}

} // namespace

DragOut::DragOut(Messenger& messenger) : messenger_(messenger) {}

DragOut::~DragOut() = default;

QString DragOut::FolderPath() const
{
    return folder_ ? folder_->path() : QString();
}

std::unique_ptr<QMimeData> DragOut::Prepare(CVornView& view, const std::vector<int>& rows)
{
    if (rows.empty())
        return nullptr;
    // The previous drag's files go now; its target has had its chance.
    folder_.reset();
    auto folder = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("vorn-drag-XXXXXX")));
    if (!folder->isValid())
        return nullptr;

    CTransferDialog dialog(view.Document().Tree(), messenger_, &view.Frame());
    TransferJob& job = dialog.Job();
    SetExtractSelection(view, rows, job);
    job.targetFolder = QFile::encodeName(folder->path()).toStdString();
    if (dialog.Run() != TransferJob::kCompleted)
        return nullptr;

    QList<QUrl> urls;
    const QDir made(folder->path());
    for (const QString& name : made.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                              QDir::Name))
        urls.push_back(QUrl::fromLocalFile(made.filePath(name)));
    if (urls.isEmpty())
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    data->setData(QString::fromLatin1(kSourceFormat), ThisProcess());
    folder_ = std::move(folder);
    return data;
}

void DragOut::Start(CVornView& view)
{
    std::unique_ptr<QMimeData> data = Prepare(view, view.SelectedRows());
    if (!data)
        return;
    auto* drag = new QDrag(&view);
    drag->setMimeData(data.release());
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool IsOwnDragOut(const QMimeData* data)
{
    return data && data->data(QString::fromLatin1(kSourceFormat)) == ThisProcess();
}

void InstallDragOut(CVornView& view, Messenger& messenger)
{
    auto dragOut = std::make_shared<DragOut>(messenger);
    view.setDragEnabled(true);
    view.setDragDropMode(QAbstractItemView::DragOnly);
    view.dragOut = [dragOut](CVornView& pane) { dragOut->Start(pane); };
}

} // namespace vorn

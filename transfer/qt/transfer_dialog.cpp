#include "transfer/qt/transfer_dialog.h"

#include "transfer/add_worker.h"
#include "transfer/extract_worker.h"
#include "transfer/transfer_messages.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace vorn {

namespace {

// The progress line and every message carry archive bytes, shown as Latin-1.
QString FromBytes(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CTransferDialog::CTransferDialog(CFarDirectoryTree& archive, Messenger& messenger, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), messenger_(messenger)
{
    job_.archive = &archive;
    setWindowTitle(QStringLiteral("Vorn"));
    setModal(true);
    text_ = new QLabel(QString::fromLatin1(transfer_text::kInitialProgress), this);
    text_->setObjectName(QStringLiteral("progressText"));
    text_->setAlignment(Qt::AlignCenter);
    text_->setTextFormat(Qt::PlainText);
    // Widths in quarters of the font's average character width, so the
    // dialog keeps its proportions at any font size. A long item name is cut
    // at the line's ends instead of resizing the dialog ten times a second.
    const int quarter = std::max(1, QFontMetrics(font()).averageCharWidth());
    auto width = [quarter](int quarters) { return (quarters * quarter + 2) / 4; };
    text_->setMinimumWidth(width(211));
    text_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setMinimumWidth(width(50));
    cancel_->setAutoDefault(false);
    cancel_->setDefault(false);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(cancel_);
    buttonRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(text_);
    layout->addSpacing(width(8));
    layout->addLayout(buttonRow);
    layout->addStretch(1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(cancel_, &QPushButton::clicked, this, &CTransferDialog::OnCancel);
    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, &CTransferDialog::OnTick);
}

CTransferDialog::~CTransferDialog()
{
    StopWorker();
}

void CTransferDialog::StopWorker()
{
    if (!thread_.joinable())
        return;
    // The worker may be waiting for a call into this thread: keep serving
    // them until it has finished.
    job_.RequestCancel();
    while (!job_.IsFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    thread_.join();
}

int CTransferDialog::Run()
{
    exec();
    return resultCode();
}

QString CTransferDialog::ProgressText() const
{
    return text_->text();
}

void CTransferDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        Start();
    }
}

void CTransferDialog::Start()
{
    job_.Reset(); // filesDone 0, flags clear, target folder ends in "/"
    job_.host = this;
    timer_->start();
    std::function<TransferOutcome(TransferJob&)> worker = worker_;
    if (!worker)
        worker = modeFlag == kModeExtraction ? std::function<TransferOutcome(TransferJob&)>(ExtractFiles)
                                             : std::function<TransferOutcome(TransferJob&)>(AddDroppedItems);
    thread_ = std::thread([this, worker] { worker(job_); });
}

void CTransferDialog::OnTick()
{
    if (!job_.IsFinished())
        return;
    timer_->stop();
    if (thread_.joinable())
        thread_.join();
    ApplyProgress();
    done(resultCode());
}

void CTransferDialog::OnCancel()
{
    job_.RequestCancel();
}

void CTransferDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CTransferDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void CTransferDialog::SetProgressText(const std::string& text)
{
    if (QThread::currentThread() == thread()) {
        text_->setText(FromBytes(text));
        return;
    }
    // Only the newest line matters: one queued update at a time, so a job of
    // many small files does not flood the event queue.
    std::lock_guard lock(progressMutex_);
    pendingProgress_ = text;
    if (!progressPosted_) {
        progressPosted_ = true;
        QMetaObject::invokeMethod(this, [this] { ApplyProgress(); }, Qt::QueuedConnection);
    }
}

void CTransferDialog::ApplyProgress()
{
    std::string text;
    {
        std::lock_guard lock(progressMutex_);
        if (!progressPosted_)
            return;
        progressPosted_ = false;
        text = std::move(pendingProgress_);
    }
    text_->setText(FromBytes(text));
}

void CTransferDialog::OnUiThread(const std::function<void()>& call)
{
    if (QThread::currentThread() == thread())
        call();
    else
        QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

MessageAnswer CTransferDialog::ShowMessage(const Message& message)
{
    MessageAnswer answer = MessageAnswer::Ok;
    OnUiThread([&] {
        ApplyProgress(); // the line names the item the message is about
        answer = messenger_.Show(message);
    });
    return answer;
}

} // namespace vorn

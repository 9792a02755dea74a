#pragma once

#include "base/messenger.h"
#include "transfer/transfer_job.h"

#include <QDialog>

#include <functional>
#include <mutex>
#include <string>
#include <thread>

class QLabel;
class QPushButton;
class QTimer;

namespace vorn {

class CFarDirectoryTree;

// The small modal progress dialog of extraction and adding: caption "Vorn",
// one centred line of text and a Cancel button. It starts one worker thread
// on its job when shown and ends on the first 100 ms tick after the worker
// has set `finished`, with the job's result code (1 completed, 2 cancelled).
//
// It is the worker's host: the progress text and the message boxes (a
// blocking call into the UI thread, shown through the Messenger given here)
// go through it. While the worker runs the UI thread keeps serving calls, so
// the tree's observer may carry the worker's changes there the same way.
// Enter and Escape do nothing; there is no close box.
class CTransferDialog : public QDialog, public TransferHost {
    Q_OBJECT
public:
    static constexpr int kModeAdding = 0;
    static constexpr int kModeExtraction = 1;

    CTransferDialog(CFarDirectoryTree& archive, Messenger& messenger, QWidget* parent = nullptr);
    ~CTransferDialog() override;

    // Inputs, set before Run: the mode (extraction unless set to adding), and
    // the job's fields (target folder, files, directories, prefixLength,
    // archiveFile for extraction; droppedItems and currentDirectory for adding).
    int modeFlag = kModeExtraction;
    TransferJob& Job() { return job_; }
    // Runs `worker` instead of the mode's worker procedure. It must follow the
    // stop protocol (store the result code, then set `finished`).
    void SetWorker(std::function<TransferOutcome(TransferJob&)> worker) { worker_ = std::move(worker); }

    // Shows the dialog modally and returns the result code (1 or 2).
    int Run();
    int32_t resultCode() const { return job_.resultCode.load(); }
    int32_t filesDone() const { return job_.filesDone.load(); }

    QString ProgressText() const;
    QPushButton* CancelButton() const { return cancel_; }

    // TransferHost, callable from the worker thread.
    void SetProgressText(const std::string& text) override;
    MessageAnswer ShowMessage(const Message& message) override;

public slots:
    // Enter and Escape end a dialog through these; this one ends only on its timer.
    void accept() override {}
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Start();
    void OnTick();
    void OnCancel();
    void ApplyProgress();
    // Runs `call` on the UI thread and waits for it.
    void OnUiThread(const std::function<void()>& call);
    void StopWorker();

    Messenger& messenger_;
    TransferJob job_;
    std::function<TransferOutcome(TransferJob&)> worker_;
    std::thread thread_;
    bool started_ = false;
    QLabel* text_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* timer_ = nullptr;

    std::mutex progressMutex_;
    std::string pendingProgress_;
    bool progressPosted_ = false;
};

} // namespace vorn

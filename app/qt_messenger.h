#pragma once

#include "base/messenger.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace vorn {

// Shows a Message as a modal QMessageBox. Must be created on the UI thread;
// Show may be called from any thread: from a worker it makes a blocking
// queued call into the UI thread, which keeps its event loop running (a modal
// progress dialog does), and returns the button pressed.
class QtMessenger : public QObject, public Messenger {
    Q_OBJECT
public:
    explicit QtMessenger(QWidget* owner = nullptr);

    // The window the boxes are centred on; null for boxes without an owner.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    QWidget* Owner() const { return owner_; }

    MessageAnswer Show(const Message& message) override;

private:
    MessageAnswer ShowHere(const Message& message);

    QPointer<QWidget> owner_;
};

} // namespace vorn

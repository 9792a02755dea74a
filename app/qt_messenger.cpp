#include "app/qt_messenger.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

namespace vorn {

namespace {

QMessageBox::Icon IconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok: return QMessageBox::Ok;
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// Closing the box with Escape or the close button gives the answer a
// Windows box gives: Cancel where offered, else No, else OK.
MessageAnswer EscapeAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::OkCancel: return MessageAnswer::Cancel;
    case MessageButtons::YesNo: return MessageAnswer::No;
    case MessageButtons::YesNoCancel: return MessageAnswer::Cancel;
    }
    return MessageAnswer::Ok;
}

} // namespace

QtMessenger::QtMessenger(QWidget* owner) : owner_(owner) {}

MessageAnswer QtMessenger::Show(const Message& message)
{
    if (QThread::currentThread() == thread())
        return ShowHere(message);
    MessageAnswer answer = EscapeAnswer(message.buttons);
    QMetaObject::invokeMethod(
        this, [this, &message, &answer] { answer = ShowHere(message); }, Qt::BlockingQueuedConnection);
    return answer;
}

MessageAnswer QtMessenger::ShowHere(const Message& message)
{
    // Archive names are Latin-1 bytes; the message texts carry them as they are.
    const QString caption = message.caption.empty() ? QCoreApplication::applicationName()
                                                    : QString::fromLatin1(message.caption);
    QMessageBox box(IconOf(message.icon), caption, QString::fromLatin1(message.text),
                    ButtonsOf(message.buttons), owner_);
    switch (box.exec()) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: return EscapeAnswer(message.buttons);
    }
}

} // namespace vorn

#include "cli/console_messenger.h"

namespace vorn {

MessageAnswer ConsoleMessenger::Show(const Message& message)
{
    std::lock_guard lock(mutex_);
    const bool question = message.buttons == MessageButtons::YesNo || message.buttons == MessageButtons::YesNoCancel;
    if (!question) {
        const bool error = message.icon == MessageIcon::Error || message.icon == MessageIcon::Warning;
        if (error) {
            // "vorn-cli: FILE: text", as other tools say it, unless the text
            // names the file itself.
            err_ << "vorn-cli: ";
            const bool named = (!subject_.empty() && message.text.find(subject_) != std::string::npos) ||
                               (!absoluteSubject_.empty() && message.text.find(absoluteSubject_) != std::string::npos);
            if (!named && !subject_.empty())
                err_ << terminal_.Message(subject_) << ": ";
            ++errors_;
        }
        err_ << terminal_.Message(message.text) << '\n';
        err_.flush();
        return MessageAnswer::Ok;
    }
    switch (policy_) {
    case QuestionPolicy::Yes: return MessageAnswer::Yes;
    case QuestionPolicy::No: return MessageAnswer::No;
    case QuestionPolicy::Refuse: break;
    }
    // Nobody can answer: refuse, so nothing on disk or in the archive is
    // replaced without being asked for. Questions put the name in quotes.
    if (refusals_++ == 0) {
        const size_t open = message.text.find('"');
        const size_t close = message.text.rfind('"');
        firstRefused_ = open < close ? message.text.substr(open, close - open + 1) : message.text;
    }
    return MessageAnswer::No;
}

void ConsoleMessenger::SetSubject(const std::string& typed, const std::string& absolute)
{
    std::lock_guard lock(mutex_);
    subject_ = typed;
    absoluteSubject_ = absolute;
}

void ConsoleMessenger::ReportRefusals()
{
    std::lock_guard lock(mutex_);
    if (refusals_ == 0)
        return;
    err_ << "vorn-cli: " << terminal_.Message(firstRefused_);
    if (refusals_ == 1)
        err_ << " exists";
    else
        err_ << " and " << refusals_ - 1 << " more exist";
    err_ << ": not overwritten (use --yes to overwrite or --no to skip)\n";
    err_.flush();
}

uint32_t ConsoleMessenger::ErrorCount() const
{
    std::lock_guard lock(mutex_);
    return errors_;
}

uint32_t ConsoleMessenger::RefusalCount() const
{
    std::lock_guard lock(mutex_);
    return refusals_;
}

} // namespace vorn

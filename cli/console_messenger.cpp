#include "cli/console_messenger.h"

namespace vorn {

MessageAnswer CConsoleMessenger::Show(const Message& message)
{
    std::lock_guard lock(mutex_);
    const bool question = message.buttons == MessageButtons::YesNo || message.buttons == MessageButtons::YesNoCancel;
    if (!question) {
        err_ << message.text << '\n';
        err_.flush();
        if (message.icon == MessageIcon::Error || message.icon == MessageIcon::Warning)
            ++errors_;
        return MessageAnswer::Ok;
    }
    switch (policy_) {
    case QuestionPolicy::Yes: return MessageAnswer::Yes;
    case QuestionPolicy::No: return MessageAnswer::No;
    case QuestionPolicy::Refuse: break;
    }
    // Nobody can answer: show the question and refuse it, so nothing on disk
    // or in the archive is replaced without being asked for.
    err_ << message.text << '\n' << kRefusalNote << '\n';
    err_.flush();
    ++refusals_;
    return MessageAnswer::No;
}

uint32_t CConsoleMessenger::ErrorCount() const
{
    std::lock_guard lock(mutex_);
    return errors_;
}

uint32_t CConsoleMessenger::RefusalCount() const
{
    std::lock_guard lock(mutex_);
    return refusals_;
}

} // namespace vorn

#include "base/recording_messenger.h"

namespace vorn {

MessageAnswer RecordingMessenger::Show(const Message& message)
{
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
    if (!script_.empty()) {
        const MessageAnswer answer = script_.front();
        script_.pop_front();
        return answer;
    }
    switch (message.buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel: return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel: return MessageAnswer::Yes;
    }
    return MessageAnswer::Ok;
}

void RecordingMessenger::Script(std::initializer_list<MessageAnswer> answers)
{
    std::lock_guard lock(mutex_);
    script_.insert(script_.end(), answers.begin(), answers.end());
}

std::vector<Message> RecordingMessenger::Messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

size_t RecordingMessenger::Count() const
{
    std::lock_guard lock(mutex_);
    return messages_.size();
}

void RecordingMessenger::Clear()
{
    std::lock_guard lock(mutex_);
    messages_.clear();
    script_.clear();
}

} // namespace vorn

#pragma once

#include "base/messenger.h"

#include <deque>
#include <mutex>
#include <vector>

namespace vorn {

// A messenger for tests and headless runs: records every message and
// answers from a script. With the script used up it answers the box's
// first button (OK or Yes).
class RecordingMessenger : public Messenger {
public:
    MessageAnswer Show(const Message& message) override;

    void Script(std::initializer_list<MessageAnswer> answers);
    std::vector<Message> Messages() const;
    size_t Count() const;
    void Clear();

private:
    mutable std::mutex mutex_; // workers may ask from their own thread
    std::deque<MessageAnswer> script_;
    std::vector<Message> messages_;
};

} // namespace vorn

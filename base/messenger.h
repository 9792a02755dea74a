#pragma once

#include <string>

namespace vorn {

enum class MessageIcon { None, Error, Warning, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// One message box as data: what it says and which answers it offers.
struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;

    bool operator==(const Message&) const = default;
};

// Shows messages to the user and returns the button pressed. The UI, the
// command line and the tests each supply their own.
class Messenger {
public:
    virtual ~Messenger() = default;
    virtual MessageAnswer Show(const Message& message) = 0;
};

} // namespace vorn

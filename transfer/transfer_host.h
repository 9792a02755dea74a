#pragma once

#include "base/messenger.h"

#include <functional>
#include <string>

namespace vorn {

// Everything a transfer worker does to the user interface goes through its
// host: the progress line and message boxes. The Qt dialog carries each call
// to the UI thread; the command line prints. What an adding job changes the
// archive's tree reports to its observer, which the panes follow.
//
// Texts are archive bytes (Latin-1), as every message of the program is.
class TransferHost {
public:
    virtual ~TransferHost() = default;
    virtual void SetProgressText(const std::string& text) = 0;
    // Shows a message box owned by the progress dialog and returns the answer.
    virtual MessageAnswer ShowMessage(const Message& message) = 0;
};

// A host of plain messages: messages go to a Messenger, progress lines to an
// optional callback. Serves the command line and the tests.
class MessengerTransferHost : public TransferHost {
public:
    explicit MessengerTransferHost(Messenger& messenger, std::function<void(const std::string&)> progress = {})
        : messenger_(messenger), progress_(std::move(progress))
    {
    }

    void SetProgressText(const std::string& text) override
    {
        if (progress_)
            progress_(text);
    }
    MessageAnswer ShowMessage(const Message& message) override { return messenger_.Show(message); }

private:
    Messenger& messenger_;
    std::function<void(const std::string&)> progress_;
};

} // namespace vorn

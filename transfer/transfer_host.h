#pragma once

#include "base/messenger.h"

#include <functional>
#include <string>

namespace vorn {

// The panes an adding job keeps in step with the archive. The GUI implements
// it over the tree pane and the list pane; headless runs leave it out.
// Every call is one complete change, so a pane never shows it half-done.
class TransferPanes {
public:
    virtual ~TransferPanes() = default;
    // Makes sure the tree pane has a node for every directory on `directoryPath`.
    virtual void AddTreeNode(const std::string& directoryPath) = 0;
    // Inserts a directory row (image 0) before the first row that is not a
    // directory row, or at the end, and stores `path` as the row's path.
    virtual void InsertDirectoryRow(const std::string& name, const std::string& path) = 0;
    // Appends a file row (image 2) with `sizeText` in the size column and
    // `path` as the row's path.
    virtual void AppendFileRow(const std::string& name, const std::string& sizeText, const std::string& path) = 0;
};

// Everything a transfer worker does to the user interface goes through its
// host: the progress line, message boxes and (when adding) the panes. The
// Qt dialog carries each call to the UI thread; the command line prints.
//
// Texts are archive bytes (Latin-1), as every message of the program is.
class TransferHost : public TransferPanes {
public:
    virtual void SetProgressText(const std::string& text) = 0;
    // Shows a message box owned by the progress dialog and returns the answer.
    virtual MessageAnswer ShowMessage(const Message& message) = 0;
};

// A host without panes: messages go to a Messenger, progress lines to an
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
    void AddTreeNode(const std::string&) override {}
    void InsertDirectoryRow(const std::string&, const std::string&) override {}
    void AppendFileRow(const std::string&, const std::string&, const std::string&) override {}

private:
    Messenger& messenger_;
    std::function<void(const std::string&)> progress_;
};

} // namespace vorn

#pragma once

#include "archive/far_archive.h"
#include "archive/far_directory_tree.h"
#include "base/file_stream.h"
#include "base/recording_messenger.h"
#include "testing/far_fixture.h"
#include "testing/temp_dir.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_job.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorn::testing {

// A host for headless worker tests: records the progress lines and the pane
// calls, answers messages from a script, and can run a hook on a progress line.
class ScriptedTransferHost : public TransferHost {
public:
    void SetProgressText(const std::string& text) override
    {
        progress.push_back(text);
        if (onProgress)
            onProgress(text);
    }
    MessageAnswer ShowMessage(const Message& message) override { return messenger.Show(message); }
    void AddTreeNode(const std::string& path) override { panes.push_back("node " + path); }
    void InsertDirectoryRow(const std::string& name, const std::string& path) override
    {
        panes.push_back("dir row " + name + " | " + path);
    }
    void AppendFileRow(const std::string& name, const std::string& size, const std::string& path) override
    {
        panes.push_back("file row " + name + " | " + size + " | " + path);
    }

    RecordingMessenger messenger;
    std::vector<std::string> progress;
    std::vector<std::string> panes;
    std::function<void(const std::string&)> onProgress;
};

// An archive file on disk, opened the way the document opens it.
struct OpenedArchive {
    explicit OpenedArchive(const std::filesystem::path& path, const std::vector<FarFixtureFile>& files)
    {
        WriteFileBytes(path, MakeFarImage(files));
        int error = 0;
        file = FileStream::Open(path, FileMode::Read, error);
        if (file)
            archive.Load(*file);
        tree.Build(archive);
    }
    std::unique_ptr<FileStream> file;
    CFarArchive archive;
    CFarDirectoryTree tree;
};

inline std::string TextOf(const std::filesystem::path& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline std::vector<std::string> Texts(const std::vector<Message>& messages)
{
    std::vector<std::string> texts;
    for (const Message& message : messages)
        texts.push_back(message.text);
    return texts;
}

} // namespace vorn::testing

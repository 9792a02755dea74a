#pragma once

#include "archive/far_archive.h"
#include "archive/far_directory_tree.h"
#include "archive/tree_change.h"
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

// A host for headless worker tests: records the progress lines, answers
// messages from a script, and can run a hook on a progress line.
class ScriptedTransferHost : public TransferHost {
public:
    void SetProgressText(const std::string& text) override
    {
        progress.push_back(text);
        if (onProgress)
            onProgress(text);
    }
    MessageAnswer ShowMessage(const Message& message) override { return messenger.Show(message); }

    RecordingMessenger messenger;
    std::vector<std::string> progress;
    std::function<void(const std::string&)> onProgress;
};

// What the panes are told of a tree change, as one line: "directory added
// top\\sub", "file added top\\a.txt", "file replaced a.txt"; other kinds by number.
inline std::string DescribeChange(const TreeChange& change)
{
    switch (change.kind) {
    case TreeChangeKind::DirectoryAdded: return "directory added " + change.Path();
    case TreeChangeKind::FileAdded: return "file added " + change.Path();
    case TreeChangeKind::FileResized: return "file replaced " + change.Path();
    default: return "change " + std::to_string(static_cast<int>(change.kind)) + " " + change.Path();
    }
}

// Records every change a tree reports, as DescribeChange words it.
class TreeChangeRecorder : public TreeObserver {
public:
    void TreeChanged(const TreeChange& change) override { changes.push_back(DescribeChange(change)); }
    std::vector<std::string> changes;
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

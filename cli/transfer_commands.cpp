#include "cli/cli_commands.h"

#include "archive/archive_path.h"
#include "base/absolute_path.h"
#include "transfer/add_worker.h"
#include "transfer/disk_names.h"
#include "transfer/extract_worker.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_job.h"
#include "transfer/transfer_messages.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace vorn {

namespace {

std::string StrippedPath(const std::string& argument)
{
    return std::string(StripLeadingSeparators(ArchivePathArgument(argument)));
}

// One run of the extraction worker: the items of one archive directory, as
// the editor extracts a selection of that directory's rows.
struct ExtractGroup {
    std::string directory; // the rows' directory ("" for the root)
    std::vector<std::string> files;
    std::vector<std::string> directories;
};

ExtractGroup& GroupFor(std::vector<ExtractGroup>& groups, const std::string& directory)
{
    for (ExtractGroup& group : groups)
        if (EqualsNoCase(group.directory, directory))
            return group;
    groups.push_back(ExtractGroup{directory, {}, {}});
    return groups.back();
}

// A source spelt "." or ".." (or "dir/.") stands for what its folder holds, as
// with tar and zip: the folder has no name of its own to add it under. The
// archive being written is left out of its own contents.
std::vector<std::string> ExpandedSources(const std::vector<std::string>& sources, const std::filesystem::path& archive)
{
    std::vector<std::string> expanded;
    for (const std::string& source : sources) {
        const std::string name = DiskBaseName(source);
        if (name != "." && name != "..") {
            expanded.push_back(source);
            continue;
        }
        std::vector<std::string> inside;
        std::error_code error;
        for (const auto& item : std::filesystem::directory_iterator(source, error)) {
            std::error_code ignored;
            if (!std::filesystem::equivalent(item.path(), archive, ignored))
                inside.push_back(item.path().string());
        }
        std::sort(inside.begin(), inside.end());
        expanded.insert(expanded.end(), inside.begin(), inside.end());
    }
    return expanded;
}

std::string ParentOf(const std::string& path)
{
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool IsBelow(std::string_view path, std::string_view directory)
{
    return path.size() > directory.size() && path[directory.size()] == '\\' &&
           EqualsNoCase(path.substr(0, directory.size()), directory);
}

// Entries of the group's selection that the tree hides behind a later entry
// of the same name (names differ only in letter case). On disk they are one
// file, which holds the later entry's bytes, as extraction in archive order
// leaves it. Each is asked about as any other existing file is, so without
// --yes or --no it is reported as not overwritten instead of dropped unseen.
void AskAboutHiddenEntries(const ExtractGroup& group, CFarDirectoryTree& tree, Messenger& messenger)
{
    const size_t prefix = group.directory.empty() ? 0 : group.directory.size() + 1;
    const std::vector<CFarEntry>& entries = tree.Archive()->Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const CFarEntry& entry = entries[i];
        if (entry.isDeleted)
            continue;
        const FarFileItem* shown = tree.FindFileItem(entry.name);
        if (!shown || shown->entryIndex == static_cast<int32_t>(i))
            continue;
        const std::string_view name = StripLeadingSeparators(entry.name);
        const bool selected =
            std::any_of(group.files.begin(), group.files.end(),
                        [&](const std::string& file) { return tree.FindFileItem(file) == shown; }) ||
            std::any_of(group.directories.begin(), group.directories.end(),
                        [&](const std::string& directory) { return IsBelow(name, directory); });
        if (selected)
            messenger.Show(transfer_text::AskOverwrite(name.substr(std::min(prefix, name.size()))));
    }
}

} // namespace

int RunExtract(CliContext& context, const std::vector<std::string>& args)
{
    ReadOnlyArchive archive;
    if (!archive.Open(args[0], context.messenger))
        return kExitFailure;
    CFarDirectoryTree& tree = archive.Tree();

    std::vector<ExtractGroup> groups;
    if (args.size() == 2) {
        // Everything: every row of the root.
        ExtractGroup all;
        for (const CFarDirectory& sub : tree.Root().Subdirectories())
            all.directories.push_back(sub.Path());
        for (const FarFileItem& item : tree.Root().Files())
            if (const CFarEntry* entry = tree.EntryOfItem(item))
                all.files.push_back(entry->name);
        groups.push_back(std::move(all));
    } else {
        const std::optional<std::vector<std::string>> items =
            SelectItems(context, tree, args[0], std::span(args).subspan(2));
        if (!items)
            return kExitFailure;
        for (const std::string& named : *items) {
            std::string path = StrippedPath(named);
            const bool directoryOnly = !path.empty() && path.back() == '\\';
            if (directoryOnly)
                path.pop_back();
            if (path.empty()) {
                // The root named explicitly: everything, as above.
                ExtractGroup& root = GroupFor(groups, "");
                for (const CFarDirectory& sub : tree.Root().Subdirectories())
                    root.directories.push_back(sub.Path());
                for (const FarFileItem& item : tree.Root().Files())
                    if (const CFarEntry* entry = tree.EntryOfItem(item))
                        root.files.push_back(entry->name);
            } else if (const FarFileItem* item = directoryOnly ? nullptr : tree.FindFileItem(path)) {
                // The stored name, so the disk gets its letter case.
                const CFarEntry* entry = tree.EntryOfItem(*item);
                GroupFor(groups, ParentOf(entry->name)).files.push_back(entry->name);
            } else if (const CFarDirectory* directory = tree.GetDirectoryRef(path)) {
                GroupFor(groups, ParentOf(directory->Path())).directories.push_back(directory->Path());
            } else {
                context.messenger.Show(transfer_text::CantExtract(named));
            }
        }
    }

    // DEST is made when missing, like "mkdir -p".
    const std::filesystem::path dest = args[1];
    std::error_code error;
    if (!std::filesystem::is_directory(dest, error)) {
        std::filesystem::create_directories(dest, error);
        if (!std::filesystem::is_directory(dest, error)) {
            context.Error(Fill(std::filesystem::exists(dest) ? "Can't create directory \"%1\"!\n\nA file with that name "
                                                                "already exists!"
                                                              : "Can't create directory \"%1\"!",
                               args[1]));
            return kExitFailure;
        }
    }

    // Entries are streamed from the archive's file rather than loaded, so a
    // large archive is never held in memory whole.
    const std::unique_ptr<ByteStream> source = archive.Archive().DuplicateSource();
    MessengerTransferHost host(context.messenger);
    int32_t filesDone = 0;
    for (const ExtractGroup& group : groups) {
        TransferJob job;
        job.host = &host;
        job.archive = &tree;
        job.archiveFile = AbsolutePath(args[0]);
        job.source = source.get();
        job.targetFolder = dest.string();
        job.files = group.files;
        job.directories = group.directories;
        job.prefixLength = group.directory.empty() ? 0 : static_cast<int32_t>(group.directory.size() + 1);
        job.Reset();
        ExtractFiles(job);
        filesDone += job.filesDone.load();
        AskAboutHiddenEntries(group, tree, context.messenger);
    }
    context.messenger.Show(transfer_text::ExtractedCount(filesDone));
    return context.messenger.HasProblems() ? kExitFailure : kExitSuccess;
}

int RunAdd(CliContext& context, const std::vector<std::string>& args, const std::string& into)
{
    // A source that does not exist would be skipped without a word, as a
    // vanished drop is; named on a command line it is a mistake to report.
    for (size_t i = 1; i < args.size(); ++i) {
        struct stat info {};
        if (::stat(args[i].c_str(), &info) != 0) {
            const int code = errno;
            context.Error(FileErrorText(code, AbsolutePath(args[i]), FileAction::Open));
            return kExitFailure;
        }
    }

    ArchiveEditor editor(context.messenger);
    if (!editor.Open(args[0], true))
        return kExitFailure;
    CFarDirectoryTree& tree = editor.Tree();

    std::string directory = StrippedPath(into);
    while (!directory.empty() && directory.back() == '\\')
        directory.pop_back();
    if (!directory.empty() && !tree.MakeDirectory(directory)) {
        context.messenger.Show(transfer_text::CantCreateDirectoryInArchive(into));
        return kExitFailure;
    }

    MessengerTransferHost host(context.messenger);
    TransferJob job;
    job.host = &host;
    job.archive = &tree;
    job.currentDirectory = directory;
    job.droppedItems = ExpandedSources({args.begin() + 1, args.end()}, AbsolutePath(args[0]));
    job.Reset();
    AddDroppedItems(job);

    // Nothing is written when any item failed or an overwrite was refused.
    if (context.messenger.HasProblems())
        return kExitFailure;
    // An archive is not created empty: the sources held no file at all.
    if (job.filesDone.load() == 0 && editor.IsNew()) {
        context.Error(Fill("Nothing to add: no file was found in what was named, so \"%1\" was not created!", args[0]));
        return kExitFailure;
    }
    if (job.filesDone.load() != 0)
        editor.MarkModified();
    return editor.Save(context.quick) ? kExitSuccess : kExitFailure;
}

} // namespace vorn

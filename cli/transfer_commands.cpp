#include "cli/cli_commands.h"

#include "archive/archive_path.h"
#include "base/absolute_path.h"
#include "base/name_compare.h"
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
#include <unordered_set>

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
        job.archiveFile = archive.Path();
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

namespace {

// What add and sync put into an archive: the disk items, the archive
// directory they go below, and how files the archive holds are treated.
struct AddRequest {
    std::vector<std::string> sources;
    std::string into;
    bool update = false; // replace what differs without asking, keep the rest
    bool report = false; // print what changed
    // sync: the sources are one folder's contents, `into` is to equal them;
    // with deleteOthers the files below `into` it lacks are removed.
    bool sync = false;
    bool deleteOthers = false;
};

// The last value given for `option`, or "".
std::string OptionValue(const std::vector<std::string>& options, std::string_view option)
{
    std::string value;
    for (size_t i = 0; i + 1 < options.size(); i += 2)
        if (options[i] == option)
            value = options[i + 1];
    return value;
}

// The files below the tree directory, in the tree's order.
void CollectFiles(const CFarDirectoryTree& tree, const CFarDirectory& directory, std::vector<std::string>& files)
{
    for (const FarFileItem& item : directory.Files())
        if (const CFarEntry* entry = tree.EntryOfItem(item))
            files.emplace_back(entry->name);
    for (const CFarDirectory& sub : directory.Subdirectories())
        CollectFiles(tree, sub, files);
}

// Removes every file below `directory` that the adding did not meet; returns
// their names.
std::vector<std::string> RemoveUnmet(CFarDirectoryTree& tree, const std::string& directory,
                                     const std::vector<AddedFile>& met)
{
    std::vector<std::string> files;
    if (const CFarDirectory* top = directory.empty() ? &tree.Root() : tree.GetDirectoryRef(directory))
        CollectFiles(tree, *top, files);
    std::unordered_set<std::string> kept;
    for (const AddedFile& file : met)
        kept.insert(FoldedCopy(StripLeadingSeparators(file.archivePath)));
    std::vector<std::string> removed;
    for (const std::string& file : files)
        if (!kept.contains(FoldedCopy(StripLeadingSeparators(file))) && tree.RemoveFile(file))
            removed.push_back(file);
    return removed;
}

void PrintChanges(CliContext& context, const std::vector<AddedFile>& changes, const std::vector<std::string>& removed,
                  std::optional<size_t> left)
{
    size_t counts[3] = {};
    for (const AddedFile& file : changes) {
        ++counts[static_cast<size_t>(file.change)];
        if (file.change != FileChange::Unchanged)
            context.out << (file.change == FileChange::Added ? "added\t" : "replaced\t")
                        << context.Shown(file.archivePath) << '\n';
    }
    for (const std::string& file : removed)
        context.out << "deleted\t" << context.Shown(file) << '\n';
    context.out << counts[static_cast<size_t>(FileChange::Added)] << " added, "
                << counts[static_cast<size_t>(FileChange::Replaced)] << " replaced, " << removed.size()
                << " deleted, " << counts[static_cast<size_t>(FileChange::Unchanged)] << " unchanged";
    if (left && *left != 0)
        context.out << ", " << *left << " kept that the folder lacks (--delete removes them)";
    context.out << '\n';
}

int AddToArchive(CliContext& context, const std::string& archiveArgument, const AddRequest& request)
{
    // A source that does not exist would be skipped without a word, as a
    // vanished drop is; named on a command line it is a mistake to report.
    for (const std::string& source : request.sources) {
        struct stat info {};
        if (::stat(source.c_str(), &info) != 0) {
            const int code = errno;
            context.Error(FileErrorText(code, AbsolutePath(source), FileAction::Open));
            return kExitFailure;
        }
    }

    ArchiveEditor editor(context.messenger);
    if (!editor.Open(archiveArgument, true))
        return kExitFailure;
    CFarDirectoryTree& tree = editor.Tree();

    std::string directory = StrippedPath(request.into);
    while (!directory.empty() && directory.back() == '\\')
        directory.pop_back();
    if (!directory.empty() && !tree.MakeDirectory(directory)) {
        context.messenger.Show(transfer_text::CantCreateDirectoryInArchive(request.into));
        return kExitFailure;
    }

    // Unlike a drop on the editor's window, a folder whose directory exists
    // is merged into it, as cp and tar do.
    std::vector<AddedFile> changes;
    MessengerTransferHost host(context.messenger);
    TransferJob job;
    job.host = &host;
    job.archive = &tree;
    job.currentDirectory = directory;
    job.droppedItems = ExpandedSources(request.sources, AbsolutePath(archiveArgument));
    job.mergeDirectories = true;
    job.existingFiles = request.update ? ExistingFiles::ReplaceWhenDifferent : ExistingFiles::Ask;
    job.changes = &changes;
    job.Reset();
    AddDroppedItems(job);

    // Nothing is written when any item failed or an overwrite was refused.
    if (context.messenger.HasProblems())
        return kExitFailure;
    // An archive is not created empty: the sources held no file at all.
    if (changes.empty() && editor.IsNew()) {
        context.Error(Fill("Nothing to add: no file was found in what was named, so \"%1\" was not created!",
                           archiveArgument));
        return kExitFailure;
    }
    std::vector<std::string> removed;
    std::optional<size_t> left;
    if (request.deleteOthers) {
        removed = RemoveUnmet(tree, directory, changes);
    } else if (request.sync) {
        std::vector<std::string> files;
        if (const CFarDirectory* top = directory.empty() ? &tree.Root() : tree.GetDirectoryRef(directory))
            CollectFiles(tree, *top, files);
        left = files.size() - std::min(files.size(), changes.size());
    }
    if (job.filesDone.load() != 0 || !removed.empty())
        editor.MarkModified();
    if (!editor.Save(context.quick))
        return kExitFailure;
    if (request.report)
        PrintChanges(context, changes, removed, left);
    return kExitSuccess;
}

} // namespace

int RunAdd(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    AddRequest request;
    request.sources.assign(args.begin() + 1, args.end());
    request.into = OptionValue(options, "--into");
    request.update = request.report = HasFlag(options, "--update");
    return AddToArchive(context, args[0], request);
}

int RunSync(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    std::error_code error;
    if (!std::filesystem::is_directory(args[1], error)) {
        context.Error(std::filesystem::exists(args[1], error) ? Fill("\"%1\" is not a folder!", args[1])
                                                              : FileErrorText(ENOENT, AbsolutePath(args[1]), FileAction::Open));
        return kExitFailure;
    }
    AddRequest request;
    // What the folder holds, not the folder itself.
    request.sources = {(std::filesystem::path(args[1]) / ".").string()};
    request.into = OptionValue(options, "--into");
    request.update = request.report = request.sync = true;
    request.deleteOthers = HasFlag(options, "--delete");
    return AddToArchive(context, args[0], request);
}

} // namespace vorn

#include "cli/cli_commands.h"

#include "archive/archive_path.h"
#include "archive/archive_pattern.h"
#include "base/message_texts.h"
#include "base/name_compare.h"
#include "iff/iff_file.h"
#include "iff/object_catalogue.h"
#include "sprites/iff_edit_service.h"
#include "transfer/disk_names.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <functional>

namespace vorn {

namespace {

bool IsDirectoryPath(std::string_view path)
{
    return !path.empty() && path.back() == '\\';
}

// A path named on the command line, with its separators as the archive has them.
std::string NamedPath(const std::string& argument)
{
    return std::string(StripLeadingSeparators(ArchivePathArgument(argument)));
}

void PrintTree(CliContext& context, const CFarDirectory& directory, size_t depth)
{
    for (const CFarDirectory& sub : directory.Subdirectories()) {
        context.out << std::string(2 * depth, ' ') << context.Shown(sub.Name()) << '\n';
        PrintTree(context, sub, depth + 1);
    }
}

using Json = nlohmann::ordered_json;

Json TreeJson(const CFarDirectory& directory)
{
    Json subdirectories = Json::array();
    for (const CFarDirectory& sub : directory.Subdirectories())
        subdirectories.push_back({{"name", Latin1ToUtf8(sub.Name())},
                                  {"path", Latin1ToUtf8(sub.Path())},
                                  {"directories", TreeJson(sub)}});
    return subdirectories;
}

// What list --long shows of an object file: its chunks and the objects
// `iff objects` lists. None for other entries and for object files that do
// not parse.
struct IffCounts {
    size_t chunks = 0;
    size_t objects = 0;
};

std::optional<IffCounts> CountIff(ByteStream* source, const CFarEntry& entry)
{
    constexpr std::string_view kIff = ".iff";
    if (source == nullptr || entry.name.size() < kIff.size() ||
        !EqualsNoCase(std::string_view(entry.name).substr(entry.name.size() - kIff.size()), kIff))
        return std::nullopt;
    std::vector<uint8_t> bytes;
    if (!ReadStoredBytes(*source, entry, bytes))
        return std::nullopt;
    IffEditService service;
    if (service.Open(bytes) != IffOpenResult::Opened)
        return std::nullopt;
    IffCounts counts;
    counts.chunks = service.Chunks().size();
    const CObjectCatalogue& catalogue = service.Catalogue();
    for (auto position = catalogue.FirstDisplayable(); position != CObjectCatalogue::kEnd;
         catalogue.NextDisplayable(position))
        ++counts.objects;
    return counts;
}

// The tree operation for a file or, failing that, a directory of that path.
bool ApplyToItem(CFarDirectoryTree& tree, const std::string& path, const std::function<bool()>& onFile,
                 const std::function<bool()>& onDirectory)
{
    if (path.empty())
        return false;
    if (!IsDirectoryPath(path) && tree.FindFileItem(path) != nullptr)
        return onFile();
    if (tree.GetDirectoryRef(path) != nullptr)
        return onDirectory();
    return false;
}

int Finish(CliContext& context, ArchiveEditor& editor)
{
    editor.MarkModified();
    return editor.Save(context.quick) && !context.messenger.HasProblems() ? kExitSuccess : kExitFailure;
}

} // namespace

int RunInfo(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    ReadOnlyArchive archive;
    if (!archive.Open(args[0], context.messenger, TreeUse::CheckOnly))
        return kExitFailure;
    const CFarArchive& far = archive.Archive();
    const int nameLengthWidth = far.narrowNameLengths() ? 2 : 4;
    if (HasFlag(options, "--json")) {
        const Json document = {{"archive", args[0]},
                               {"version", far.Header().version},
                               {"manifestOffset", far.Header().manifestOffset},
                               {"entries", far.EntryCount()},
                               {"totalSize", far.TotalSize()},
                               {"nameLengthWidth", nameLengthWidth}};
        WriteJson(context, document);
        return kExitSuccess;
    }
    context.out << "version\t" << far.Header().version << '\n'
                << "manifest offset\t" << far.Header().manifestOffset << '\n'
                << "entries\t" << far.EntryCount() << '\n'
                << "total size\t" << far.TotalSize() << '\n'
                << "name length width\t" << nameLengthWidth << '\n';
    return kExitSuccess;
}

int RunList(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    ReadOnlyArchive archive;
    if (!archive.Open(args[0], context.messenger, TreeUse::CheckOnly))
        return kExitFailure;
    const bool json = HasFlag(options, "--json");
    const bool withCounts = HasFlag(options, "--long");
    // Named paths and patterns select the entries they match and those below
    // the directories they match; each must select something.
    std::vector<ArchivePattern> patterns;
    for (size_t i = 1; i < args.size(); ++i)
        patterns.emplace_back(NamedPath(args[i]));
    std::vector<bool> used(patterns.size(), false);
    const auto selected = [&](std::string_view name) {
        if (patterns.empty())
            return true;
        bool any = false;
        for (size_t i = 0; i < patterns.size(); ++i)
            if (patterns[i].MatchesItselfOrAParent(name))
                any = used[i] = true;
        return any;
    };
    // Lines are formatted into one buffer and written in large pieces: a
    // stream insertion per field costs more than reading the whole manifest.
    constexpr size_t kFlushAt = 1 << 16;
    std::string buffer;
    buffer.reserve(kFlushAt + 256);
    const auto appendNumber = [&buffer](uint64_t value) {
        char digits[24];
        char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        buffer.append(digits, static_cast<size_t>(end - digits)).push_back('\t');
    };
    const std::unique_ptr<ByteStream> source = withCounts ? archive.Archive().DuplicateSource() : nullptr;
    Json entries = Json::array();
    for (const CFarEntry& entry : archive.Archive().Entries()) {
        if (entry.isDeleted || !selected(entry.name))
            continue;
        const std::optional<IffCounts> counts = withCounts ? CountIff(source.get(), entry) : std::nullopt;
        if (json) {
            Json item = {{"name", Latin1ToUtf8(entry.name)}, {"size", entry.size1}};
            if (withCounts) {
                item["chunks"] = counts ? Json(counts->chunks) : Json();
                item["objects"] = counts ? Json(counts->objects) : Json();
            }
            entries.push_back(std::move(item));
            continue;
        }
        appendNumber(entry.size1);
        if (withCounts && counts) {
            appendNumber(counts->chunks);
            appendNumber(counts->objects);
        } else if (withCounts) {
            buffer.append("-\t-\t");
        }
        buffer.append(context.Shown(entry.name)).push_back('\n');
        if (buffer.size() >= kFlushAt) {
            context.out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            buffer.clear();
        }
    }
    if (json)
        WriteJson(context, {{"archive", args[0]}, {"entries", std::move(entries)}});
    context.out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    for (size_t i = 0; i < patterns.size(); ++i)
        if (!used[i]) {
            ReportNoMatch(context, args[i + 1], args[0]);
            return kExitFailure;
        }
    return kExitSuccess;
}

int RunTree(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    ReadOnlyArchive archive;
    if (!archive.Open(args[0], context.messenger))
        return kExitFailure;
    if (HasFlag(options, "--json"))
        WriteJson(context, {{"archive", args[0]}, {"directories", TreeJson(archive.Tree().Root())}});
    else
        PrintTree(context, archive.Tree().Root(), 0);
    return kExitSuccess;
}

int RunCat(CliContext& context, const std::vector<std::string>& args)
{
    ReadOnlyArchive archive;
    if (!archive.Open(args[0], context.messenger, TreeUse::CheckOnly))
        return kExitFailure;
    // A pattern writes every file it matches, in archive order, as "cat *" does.
    std::vector<std::string> names;
    if (ArchivePattern::IsPattern(args[1])) {
        const ArchivePattern pattern(NamedPath(args[1]));
        for (const CFarEntry& entry : archive.Archive().Entries())
            if (!entry.isDeleted && pattern.Matches(entry.name) &&
                std::none_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsNoCase(n, entry.name); }))
                names.emplace_back(entry.name);
        if (names.empty()) {
            ReportNoMatch(context, args[1], args[0]);
            return kExitFailure;
        }
    } else {
        names.push_back(NamedPath(args[1]));
    }
    for (const std::string& name : names) {
        const std::optional<std::vector<uint8_t>> bytes = archive.CopyEntryData(name);
        if (!bytes) {
            context.Error(MissingEntryText(archive.Archive(), name));
            return kExitFailure;
        }
        context.out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
    }
    return kExitSuccess;
}

int RunRemove(CliContext& context, const std::vector<std::string>& args)
{
    ArchiveEditor editor(context.messenger);
    if (!editor.Open(args[0], false))
        return kExitFailure;
    CFarDirectoryTree& tree = editor.Tree();
    const std::optional<std::vector<std::string>> items =
        SelectItems(context, tree, args[0], std::span(args).subspan(1));
    if (!items)
        return kExitFailure;
    for (const std::string& item : *items) {
        const std::string path = NamedPath(item);
        const bool done = ApplyToItem(
            tree, path, [&] { return tree.RemoveFile(path); }, [&] { return tree.DeleteDirectory(path); });
        if (!done) {
            context.Error(Fill("Can't delete \"%1\"!", item));
            return kExitFailure;
        }
    }
    return Finish(context, editor);
}

int RunMove(CliContext& context, const std::vector<std::string>& args)
{
    ArchiveEditor editor(context.messenger);
    if (!editor.Open(args[0], false))
        return kExitFailure;
    CFarDirectoryTree& tree = editor.Tree();
    std::string destination = NamedPath(args.back());
    if (IsDirectoryPath(destination))
        destination.pop_back();
    if (!destination.empty() && tree.GetDirectoryRef(destination) == nullptr) {
        context.Error(Fill("The directory \"%1\" does not exist!", args.back()));
        return kExitFailure;
    }
    const std::optional<std::vector<std::string>> items =
        SelectItems(context, tree, args[0], std::span(args).subspan(1, args.size() - 2));
    if (!items)
        return kExitFailure;
    for (const std::string& item : *items) {
        std::string path = NamedPath(item);
        const bool done = ApplyToItem(
            tree, path, [&] { return tree.MoveFileItem(path, destination); },
            [&] {
                if (IsDirectoryPath(path))
                    path.pop_back();
                return tree.MoveDirectory(path, destination);
            });
        if (!done) {
            context.Error(Fill("Can't move \"%1\"!", item));
            return kExitFailure;
        }
    }
    return Finish(context, editor);
}

int RunRename(CliContext& context, const std::vector<std::string>& args)
{
    ArchiveEditor editor(context.messenger);
    if (!editor.Open(args[0], false))
        return kExitFailure;
    CFarDirectoryTree& tree = editor.Tree();
    std::string oldPath = NamedPath(args[1]);
    const bool directory = IsDirectoryPath(oldPath);
    if (directory)
        oldPath.pop_back();
    // NEW is the new name within the same directory; a full path is accepted
    // too, and the tree refuses one that names another directory.
    const std::string typed = ArchivePathArgument(args[2]);
    std::string newPath = typed;
    if (typed.find('\\') == std::string::npos) {
        const size_t slash = oldPath.rfind('\\');
        newPath = slash == std::string::npos ? typed : oldPath.substr(0, slash + 1) + typed;
    }
    const bool done = ApplyToItem(
        tree, oldPath + (directory ? "\\" : ""), [&] { return tree.RenameFile(oldPath, newPath); },
        [&] { return tree.RenameDirectory(oldPath, newPath); });
    if (!done) {
        context.Error(Fill("Can't rename \"%1\"!", args[1]));
        return kExitFailure;
    }
    return Finish(context, editor);
}

} // namespace vorn

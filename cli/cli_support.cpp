#include "cli/cli_support.h"

#include "archive/archive_path.h"
#include "archive/far_header.h"
#include "base/absolute_path.h"
#include "archive/archive_pattern.h"
#include "base/byte_copy.h"
#include "base/file_replacement.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"
#include "cli/standard_input.h"
#include "base/message_texts.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vorn {

namespace {

constexpr const char* kErrorCaption = "Error";
constexpr const char* kWarningCaption = "Warning";
using texts::kCantLoadFile;

} // namespace

void CliContext::Error(const std::string& text)
{
    messenger.Show(Message{text, kErrorCaption, MessageIcon::Error, MessageButtons::Ok});
}

void CliContext::CantCreate(const std::string& target, const std::filesystem::path& path, int error)
{
    Error(IsDiskFull(error) ? FileErrorText(error, path, FileAction::Save) : Fill("Can't create \"%1\"!", target));
}

bool CliContext::AskOverwrite(const std::string& text)
{
    return messenger.Show(Message{text, kWarningCaption, MessageIcon::Question, MessageButtons::YesNo}) ==
           MessageAnswer::Yes;
}

bool ReadStoredBytes(ByteStream& source, const CFarEntry& entry, std::vector<uint8_t>& bytes)
{
    if (entry.offset < 0 || entry.offset + int64_t{entry.size2} > source.Length() ||
        source.Seek(entry.offset, SeekOrigin::Begin) != entry.offset)
        return false;
    bytes.resize(entry.size2);
    return source.ReadExact(bytes.data(), bytes.size());
}

bool HasFlag(const std::vector<std::string>& options, std::string_view flag)
{
    for (size_t i = 0; i < options.size(); i += 2)
        if (options[i] == flag)
            return true;
    return false;
}

void WriteJson(CliContext& context, const nlohmann::ordered_json& document)
{
    context.out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

std::string ArchivePathArgument(std::string_view text)
{
    std::string path(text);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// ---- archives ------------------------------------------------------------

bool ReadOnlyArchive::Open(const std::filesystem::path& named, Messenger& messenger, TreeUse treeUse)
{
    treeUse_ = treeUse;
    doc_.emplace(messenger);
    const std::optional<std::filesystem::path> file = InputFile(named, messenger);
    if (!file)
        return false;
    path_ = AbsolutePath(*file);
    return doc_->OpenDocument(path_, OpenAccess::ReadOnly, treeUse) && doc_->GetLoadState() == LoadState::Complete;
}

std::optional<std::vector<uint8_t>> ReadOnlyArchive::CopyEntryData(std::string_view path)
{
    if (treeUse_ == TreeUse::Build)
        return Tree().CopyEntryData(path);
    const std::optional<size_t> index = CFarDirectoryTree::ShownEntry(Archive(), path);
    if (!index)
        return std::nullopt;
    const std::optional<std::span<const uint8_t>> bytes = Archive().LoadedBytes(*index);
    if (!bytes)
        return std::nullopt;
    return CopyBytes(*bytes);
}

bool ArchiveEditor::Open(const std::filesystem::path& requested, bool create)
{
    if (StandardInput::IsNamedBy(requested)) {
        messenger_.Show(Message{"Standard input (\"-\") can only be read: name the archive's file to change it!",
                                "Error", MessageIcon::Error, MessageButtons::Ok});
        return false;
    }
    path_ = AbsolutePath(requested);
    std::error_code ignored;
    if (create && !std::filesystem::exists(std::filesystem::symlink_status(path_, ignored))) {
        doc_.NewDocument();
        created_ = true;
        return true;
    }
    // The document reports a file that is not an archive but still opens it
    // (the editor then shows what could be read); a command must stop there.
    return doc_.OpenDocument(path_) && doc_.GetLoadState() == LoadState::Complete;
}

bool ArchiveEditor::Save(bool quick)
{
    if (!created_ && !doc_.IsModified())
        return true;
    // A new archive, or one opened from an empty file, has nothing to append
    // to: it gets a full save whatever was asked.
    if (quick && !created_ && doc_.Archive().HasSource()) {
        if (doc_.QuickSave())
            return true;
        messenger_.Show(Message{CVornDoc::kQuickSaveError, "Vorn", MessageIcon::None,
                                MessageButtons::Ok});
        return false;
    }
    // A new archive must not replace one another process made meanwhile.
    return doc_.SaveDocument(path_, created_ ? ReplaceMode::CreateNew : ReplaceMode::Replace);
}

// ---- selections ----------------------------------------------------------

namespace {

void CollectMatches(const CFarDirectoryTree& tree, const CFarDirectory& directory, const ArchivePattern& pattern,
                    std::vector<std::string>& found)
{
    for (const CFarDirectory& sub : directory.Subdirectories()) {
        if (pattern.Matches(sub.Path()))
            found.push_back(sub.Path());
        else
            CollectMatches(tree, sub, pattern, found);
    }
    for (const FarFileItem& item : directory.Files())
        if (const CFarEntry* entry = tree.EntryOfItem(item); entry != nullptr && pattern.Matches(entry->name))
            found.emplace_back(entry->name);
}

} // namespace

void ReportNoMatch(CliContext& context, const std::string& pattern, const std::string& archive)
{
    context.Error("\"" + pattern + "\" matches nothing in \"" + archive + "\"!");
}

std::optional<std::vector<std::string>> SelectItems(CliContext& context, const CFarDirectoryTree& tree,
                                                    const std::string& archive,
                                                    std::span<const std::string> arguments)
{
    std::vector<std::string> items;
    for (const std::string& argument : arguments) {
        if (!ArchivePattern::IsPattern(argument)) {
            items.push_back(argument);
            continue;
        }
        const ArchivePattern pattern(StripLeadingSeparators(ArchivePathArgument(argument)));
        const size_t before = items.size();
        CollectMatches(tree, tree.Root(), pattern, items);
        if (items.size() == before) {
            ReportNoMatch(context, argument, archive);
            return std::nullopt;
        }
    }
    return items;
}

// ---- inputs --------------------------------------------------------------

std::string EntryInput::Display() const
{
    return entry ? file.string() + "::" + *entry : file.string();
}

EntryInput ParseEntryInput(std::string_view text)
{
    EntryInput input;
    std::error_code ignored;
    const size_t split = text.find("::");
    if (split == std::string_view::npos || std::filesystem::exists(std::filesystem::path(std::string(text)), ignored)) {
        input.file = std::string(text);
        return input;
    }
    input.file = std::string(text.substr(0, split));
    input.entry = ArchivePathArgument(text.substr(split + 2));
    return input;
}

std::string MissingEntryText(const CFarArchive& archive, std::string_view path)
{
    if (CFarDirectoryTree::ShownEntry(archive, path))
        return kCantLoadFile;
    return Fill("\"%1\" is not in the archive!", path);
}

bool IsArchiveFile(const std::filesystem::path& path)
{
    int error = 0;
    const std::unique_ptr<FileStream> file = FileStream::Open(AbsolutePath(path), FileMode::Read, error);
    std::array<char, 8> magic{};
    return file && file->ReadExact(magic.data(), magic.size()) && magic == FarHeader::kMagic;
}

std::optional<std::vector<uint8_t>> ReadInput(const EntryInput& input, CliContext& context)
{
    if (input.entry) {
        ReadOnlyArchive archive;
        if (!archive.Open(input.file, context.messenger, TreeUse::CheckOnly))
            return std::nullopt;
        std::optional<std::vector<uint8_t>> bytes = archive.CopyEntryData(*input.entry);
        if (!bytes)
            context.Error(MissingEntryText(archive.Archive(), *input.entry));
        return bytes;
    }
    const std::optional<std::filesystem::path> named = InputFile(input.file, context.messenger);
    if (!named)
        return std::nullopt;
    const std::filesystem::path path = AbsolutePath(*named);
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        context.Error(FileErrorText(errno, path, FileAction::Open));
        return std::nullopt;
    }
    auto file = std::make_unique<FileStream>(fd);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        context.Error(FileErrorText(EISDIR, path, FileAction::Open));
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        context.Error(Fill("\"%1\" is not a regular file!", path.string()));
        return std::nullopt;
    }
    const int64_t length = file->Length();
    std::vector<uint8_t> bytes;
    if (length > 0) {
        try {
            bytes.resize(static_cast<size_t>(length));
        } catch (const std::exception&) {
            context.Error(kCantLoadFile);
            return std::nullopt;
        }
    }
    if (length < 0 || !file->ReadExact(bytes.data(), bytes.size())) {
        context.Error(kCantLoadFile);
        return std::nullopt;
    }
    return bytes;
}

// ---- outputs -------------------------------------------------------------

bool WriteOutputFile(const std::string& target, std::span<const uint8_t> bytes, CliContext& context)
{
    if (target == "-") {
        context.out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        context.out.flush();
        return static_cast<bool>(context.out);
    }
    const std::filesystem::path path = AbsolutePath(target);
    std::error_code ignored;
    const auto status = std::filesystem::status(path, ignored);
    if (std::filesystem::is_directory(status)) {
        context.Error(Fill("Can't create file \"%1\"!\n\nA directory with that name already exists!", target));
        return false;
    }

    int code = 0;
    FileReplacement replacement(path);
    bool done = replacement.Begin(code);
    if (done && !replacement.Stream().Write(bytes.data(), bytes.size())) {
        code = replacement.Stream().LastError();
        done = false;
    }
    if (!done || replacement.Commit(code) != ReplaceResult::Replaced) {
        context.CantCreate(target, path, code);
        return false;
    }
    return true;
}

bool WriteOutput(const std::string& target, std::span<const uint8_t> bytes, CliContext& context)
{
    const EntryInput output = ParseEntryInput(target);
    if (!output.entry)
        return WriteOutputFile(target, bytes, context);
    ArchiveEditor editor(context.messenger);
    if (!editor.Open(output.file, false))
        return false;
    MemoryStream stream(bytes);
    if (!editor.Tree().AddFile(*output.entry, stream, true)) {
        context.Error(Fill("Can't create file \"%1\" in the FAR file!", *output.entry));
        return false;
    }
    editor.MarkModified();
    return editor.Save(context.quick);
}

bool WriteExportFile(CliContext& context, const std::filesystem::path& path, std::span<const uint8_t> bytes)
{
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        if (!context.AskOverwrite(Fill("Do you want to overwrite \"%1\"?", path.string())))
            return true;
        return WriteOutputFile(path.string(), bytes, context);
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        context.CantCreate(path.string(), path, errno);
        return false;
    }
    FileStream file(fd);
    if (!file.Write(bytes.data(), bytes.size())) {
        ::unlink(path.c_str());
        context.CantCreate(path.string(), path, file.LastError());
        return false;
    }
    return true;
}

bool MakeOutputFolder(CliContext& context, const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        context.Error(Fill("Can't create the folder \"%1\"!", folder));
        return false;
    }
    return true;
}

} // namespace vorn

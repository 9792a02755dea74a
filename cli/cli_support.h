#pragma once

#include "archive/far_archive.h"
#include "archive/far_directory_tree.h"
#include "archive/vorn_doc.h"
#include "base/file_error_text.h"
#include "cli/console_messenger.h"

#include <charconv>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Exit statuses of the tool.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// What every command gets: where data and messages go, and the global flags.
struct CliContext {
    std::ostream& out;
    std::ostream& err;
    ConsoleMessenger& messenger;
    bool quick = false;

    // Shows an error box (caption "Error", error icon) through the messenger.
    void Error(const std::string& text);
    // Reports an output file that could not be written: the reason when the
    // disk is full, else "Can't create" with the name as typed.
    void CantCreate(const std::string& target, const std::filesystem::path& path, int error);
    // Asks a Yes/No overwrite question; true for Yes.
    bool AskOverwrite(const std::string& text);
    // An archive name (Latin-1 bytes) as the terminal shows it.
    std::string Shown(std::string_view archiveName) const { return messenger.Terminal().Shown(archiveName); }
};

// A number option's value in decimal or 0x-hex ("257", "0x101"), whole and
// within T's range.
template <typename T>
bool ParseNumber(std::string_view text, T& value)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Reads an entry's bytes from the archive's file into `bytes`, for commands
// that go through many entries without keeping them; false when they lie
// past the file's end (nothing is allocated for them then) or cannot be read.
bool ReadStoredBytes(ByteStream& source, const CFarEntry& entry, std::vector<uint8_t>& bytes);

// Whether the option words (in word and value pairs) hold the flag `flag`.
bool HasFlag(const std::vector<std::string>& options, std::string_view flag);

// Prints one JSON document, indented, on the data stream (--json); bytes
// that are no valid UTF-8 (a path as typed) are replaced rather than failing.
void WriteJson(CliContext& context, const nlohmann::ordered_json& document);

// An archive path as typed: "/" is accepted for "\\", so scripts need no
// quoting of backslashes. Leading separators are left to the tree.
std::string ArchivePathArgument(std::string_view text);

// An archive opened for reading only (listing, extracting, reading entries):
// no write access and no lock, so read-only files and archives another
// program holds open can be read. The document opens it, so the tool reads
// and reports exactly as the editor does; a file that fails to load or
// build fails the open. Call Open before anything else.
//
// With TreeUse::CheckOnly the tree is only checked, not built (the archive
// opens or fails exactly as with it): Tree() is then empty, and files are
// read by path through CopyEntryData.
class ReadOnlyArchive {
public:
    // `named` as typed: "-" is standard input (see StandardInput).
    bool Open(const std::filesystem::path& named, Messenger& messenger, TreeUse treeUse = TreeUse::Build);
    // The file opened, made absolute.
    const std::filesystem::path& Path() const { return path_; }
    CFarArchive& Archive() { return doc_->Archive(); }
    CFarDirectoryTree& Tree() { return doc_->Tree(); }
    // The bytes of the file the tree shows at `path`; none when there is no
    // such file or its bytes cannot be read.
    std::optional<std::vector<uint8_t>> CopyEntryData(std::string_view path);

private:
    std::optional<CVornDoc> doc_;
    TreeUse treeUse_ = TreeUse::Build;
    std::filesystem::path path_;
};

// An archive opened for changing through the document: read-write and
// locked, saved with the document's full save (temporary file, then rename)
// or its quick save.
class ArchiveEditor {
public:
    explicit ArchiveEditor(ConsoleMessenger& messenger) : messenger_(messenger), doc_(messenger) {}

    // Opens the archive; with `create`, a missing file starts an empty archive
    // that Save creates. False when the file cannot be opened or is not a
    // FAR archive (the message has been shown).
    bool Open(const std::filesystem::path& path, bool create);
    CFarDirectoryTree& Tree() { return doc_.Tree(); }
    CVornDoc& Doc() { return doc_; }
    void MarkModified() { doc_.SetModified(true); }
    // True when the archive did not exist and Save would create it.
    bool IsNew() const { return created_; }
    // Writes the changes: a quick save when asked for and the archive has a
    // file to append to, otherwise a full save. Nothing is written when the
    // document is unchanged and not new.
    bool Save(bool quick);

private:
    ConsoleMessenger& messenger_;
    CVornDoc doc_;
    std::filesystem::path path_;
    bool created_ = false;
};

// The archive items the PATH arguments name: an argument without "*", "?"
// or "[" as it is; a pattern (see ArchivePattern) as the stored paths of the
// files and directories it matches, in the tree's order, leaving out what
// lies below a matched directory. None, with "\"PATTERN\" matches nothing in
// \"ARCHIVE\"!" shown, when a pattern matches nothing.
std::optional<std::vector<std::string>> SelectItems(CliContext& context, const CFarDirectoryTree& tree,
                                                    const std::string& archive,
                                                    std::span<const std::string> arguments);
// The error for a pattern that matched nothing.
void ReportNoMatch(CliContext& context, const std::string& pattern, const std::string& archive);

// An input named on the command line: a file on disk, or "ARCHIVE::PATH", an
// entry inside an archive. A name that exists on disk as it is always means
// the disk file.
struct EntryInput {
    std::filesystem::path file;
    std::optional<std::string> entry; // archive path, "\\" separators

    std::string Display() const;
};
EntryInput ParseEntryInput(std::string_view text);

// Whether the file on disk begins as a FAR archive ("FAR!byAZ"); false when
// it cannot be read.
bool IsArchiveFile(const std::filesystem::path& path);

// The message for an archive path that names no file: "\"PATH\" is not in
// the archive!", or "Can't load file!" when it is there but cannot be read.
std::string MissingEntryText(const CFarArchive& archive, std::string_view path);

// The input's bytes; none (with the message shown) when the file or the
// entry cannot be read: the file-error text for a disk file, the archive's
// messages for an archive, MissingEntryText for an entry.
std::optional<std::vector<uint8_t>> ReadInput(const EntryInput& input, CliContext& context);

// Writes a whole output file: "-" is the data stream. A file named as the
// output is replaced, as a shell redirection replaces it; the bytes go to a
// temporary file first, so a failure leaves the previous file as it was.
bool WriteOutputFile(const std::string& target, std::span<const uint8_t> bytes, CliContext& context);

// Writes a whole OUTPUT as WriteOutputFile does, or into the archive entry
// ARCHIVE::PATH: an entry of that name is replaced, as a named output file
// is, and the archive saved once.
bool WriteOutput(const std::string& target, std::span<const uint8_t> bytes, CliContext& context);

// Writes one of many files a command can always make again (exported
// pictures): a new file is written straight, without the sync per file of
// the save rules (hundreds of syncs would take seconds). An existing one is
// replaced by those rules only when the overwrite question is answered Yes,
// as extract does.
bool WriteExportFile(CliContext& context, const std::filesystem::path& path, std::span<const uint8_t> bytes);
// Creates the folder OUTDIR (and its parents) unless it is there; false with
// "Can't create the folder ..." shown.
bool MakeOutputFolder(CliContext& context, const std::string& folder);

} // namespace vorn

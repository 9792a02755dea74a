#include "cli/iff_edit_commands.h"

#include "cli/cli_commands.h"
#include "iff/object_fields.h"
#include "iff/string_escapes.h"
#include "iff/string_table.h"
#include "iff/type_codes.h"
#include "sprites/iff_edit_service.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace vorn {

namespace {

// A TYPE:ID argument; none, with the usage message shown, when it is not one.
std::optional<ChunkName> ChunkArgument(CliContext& context, const std::string& argument)
{
    std::optional<ChunkName> name = ParseChunkName(argument);
    if (!name)
        context.err << "vorn-cli: bad chunk \"" << argument << "\": give TYPE:ID, such as STR#:300\n";
    return name;
}

// Tells a note of an edit done (a chunk that grew, tiles changed with it).
void Note(CliContext& context, const IffEditResult& result)
{
    if (!result.message.empty())
        context.err << "vorn-cli: " << result.message << '\n';
}

// One NAME=VALUE of a string table: N, N.comment or N.lang; the row count
// itself adds a row at the end. TEXT is read with the escapes iff strings
// shows (\t, \n, \r, \\, \xNN).
IffEditResult SetStringRow(IffEditService& service, const ChunkName& chunk, std::string_view name, std::string_view value)
{
    const size_t dot = name.find('.');
    const std::string_view part = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    size_t row = 0;
    if (!ParseNumber(name.substr(0, dot), row) || (!part.empty() && part != "comment" && part != "lang"))
        return IffEditResult::Refused("\"" + std::string(name) + "\" names no string: give N, N.comment or N.lang.");
    std::string text(value);
    if (part != "lang") {
        std::optional<std::string> unescaped = UnescapeControls(value);
        if (!unescaped)
            return IffEditResult::Refused("\"" + std::string(value) +
                                          "\" has a backslash that starts no escape (\\t, \\n, \\r, \\\\, \\xNN).");
        text = std::move(*unescaped);
    }
    // A row past the last is added, empty, first.
    StringTable table;
    CIffChunk* found = service.Find(chunk.type, chunk.id);
    const std::optional<std::span<const uint8_t>> bytes = found ? service.Data(*found) : std::nullopt;
    if (bytes && table.Parse(*bytes) == StringTableProblem::None && row == table.Strings().size()) {
        const uint32_t language = table.Strings().empty() ? 1 : StringTable::ShownLanguage(table.Layout(), table.Strings().back());
        const IffEditResult added = service.EditStrings(chunk.type, chunk.id, [&](StringTable& edited) {
            return edited.InsertRow(row, {}, {}, language);
        });
        if (!added.done)
            return added;
    }
    const StringPart which = part.empty() ? StringPart::Text : part == "comment" ? StringPart::Comment : StringPart::Language;
    return service.SetString(chunk.type, chunk.id, row, which, text);
}

std::string Hex8(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

// The GUIDs an archive named by an ARCHIVE::PATH argument holds; none when
// the argument names a plain file or the archive does not exist yet.
void AddArchiveGuids(CliContext& context, const std::string& argument, std::set<uint32_t>& guids)
{
    const EntryInput named = ParseEntryInput(argument);
    std::error_code error;
    if (!named.entry || named.file == "-" || !std::filesystem::is_regular_file(named.file, error))
        return;
    ReadOnlyArchive archive;
    if (archive.Open(named.file, context.messenger))
        guids.merge(IffEditService::ArchiveGuids(archive.Archive(), archive.Tree()));
}

} // namespace

int RunIffSet(CliContext& context, const std::vector<std::string>& args)
{
    // The input first, as the other iff commands: a missing file is its own error.
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    const std::optional<ChunkName> chunk = ChunkArgument(context, args[2]);
    if (!chunk)
        return kExitUsage;
    for (size_t i = 3; i < args.size(); ++i)
        if (args[i].find('=') == std::string::npos) {
            context.err << "vorn-cli: bad change \"" << args[i] << "\": give NAME=VALUE\n";
            return kExitUsage;
        }
    const bool objd = chunk->type == kTypeObjd;
    if (!objd && !StringTable::IsStringTableType(chunk->type)) {
        context.Error(TypeCodeText(chunk->type) + " chunks have no fields to set; iff put replaces their bytes.");
        return kExitFailure;
    }
    for (size_t i = 3; i < args.size(); ++i) {
        const size_t equals = args[i].find('=');
        const std::string_view name = std::string_view(args[i]).substr(0, equals);
        const std::string_view value = std::string_view(args[i]).substr(equals + 1);
        // Field names have spaces; "catalogue_strings_id" spares the quotes.
        std::string field(name);
        std::replace(field.begin(), field.end(), '_', ' ');
        const IffEditResult result =
            objd ? service.SetObjectField(chunk->id, field, value) : SetStringRow(service, *chunk, name, value);
        if (!result.done) {
            context.Error(result.message);
            return kExitFailure;
        }
        Note(context, result);
    }
    return SaveIffOutput(context, service, args[1]);
}

int RunIffPut(CliContext& context, const std::vector<std::string>& args)
{
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    const std::optional<ChunkName> chunk = ChunkArgument(context, args[2]);
    if (!chunk)
        return kExitUsage;
    const std::optional<std::vector<uint8_t>> data = ReadInput(ParseEntryInput(args[3]), context);
    if (!data)
        return kExitFailure;
    if (service.Find(chunk->type, chunk->id) == nullptr) {
        const IffEditResult added = service.AddChunk(TypeCodeText(chunk->type), chunk->id);
        if (!added.done) {
            context.Error(added.message);
            return kExitFailure;
        }
    }
    const IffEditResult put = service.ReplaceChunkData(chunk->type, chunk->id, *data);
    if (!put.done) {
        context.Error(put.message);
        return kExitFailure;
    }
    return SaveIffOutput(context, service, args[1]);
}

int RunIffRemoveChunks(CliContext& context, const std::vector<std::string>& args)
{
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    std::vector<ChunkName> chunks;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::optional<ChunkName> chunk = ChunkArgument(context, args[i]);
        if (!chunk)
            return kExitUsage;
        chunks.push_back(*chunk);
    }
    for (const ChunkName& chunk : chunks) {
        const IffEditResult removed = service.DeleteChunk(chunk.type, chunk.id);
        if (!removed.done) {
            context.Error(removed.message);
            return kExitFailure;
        }
    }
    return SaveIffOutput(context, service, args[1]);
}

int RunIffClone(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    CloneRequest request;
    for (size_t i = 0; i + 1 < options.size(); i += 2) {
        const std::string& value = options[i + 1];
        if (options[i] == "--name") {
            request.name = value;
        } else if (options[i] == "--description") {
            request.description = value;
        } else if (options[i] == "--price") {
            uint16_t price = 0;
            if (!ParseNumber(value, price)) {
                context.err << "vorn-cli: bad value \"" << value << "\" for --price: give 0 to 65535\n";
                return kExitUsage;
            }
            request.price = price;
        } else {
            uint32_t guid = 0;
            if (ParseObjectFieldValue(*FindObjectField("guid"), value, guid) != ObjectFieldParse::Done || guid == 0) {
                context.err << "vorn-cli: bad value \"" << value << "\" for --guid: give 8 hexadecimal digits, not all 0\n";
                return kExitUsage;
            }
            request.guids = {guid};
        }
    }
    IffEditService source;
    if (!OpenIff(context, args[0], source))
        return kExitFailure;
    // New GUIDs are new to the source, its archive and the archive written to.
    std::set<uint32_t> used;
    for (CIffChunk* objd : source.ChunksOfType(kTypeObjd))
        if (const auto data = source.Data(*objd))
            if (const std::optional<uint32_t> guid = ObjectFieldValue(*data, "guid"))
                used.insert(*guid);
    AddArchiveGuids(context, args[0], used);
    AddArchiveGuids(context, args[1], used);

    IffEditService clone;
    std::vector<uint32_t> guids;
    const IffEditResult cloned = source.Clone(request, used, clone, guids);
    if (!cloned.done) {
        context.Error(cloned.message);
        return kExitFailure;
    }
    // The new GUIDs, out of the way of the file when it goes to standard output.
    std::ostream& listing = args[1] == "-" ? context.err : context.out;
    const std::vector<CIffChunk*> objects = clone.ChunksOfType(kTypeObjd);
    for (size_t i = 0; i < objects.size() && i < guids.size(); ++i)
        listing << "OBJD\t" << objects[i]->Id() << '\t' << Hex8(guids[i]) << '\t' << context.Shown(objects[i]->Label())
                    << '\n';
    return SaveIffOutput(context, clone, args[1]);
}

} // namespace vorn

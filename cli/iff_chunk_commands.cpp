#include "cli/cli_commands.h"

#include "base/endian.h"
#include "base/hex_dump.h"
#include "base/message_texts.h"
#include "cli/png_writer.h"
#include "iff/draw_group.h"
#include "iff/object_fields.h"
#include "iff/palt_palette.h"
#include "iff/spr2_sprite.h"
#include "iff/string_escapes.h"
#include "iff/string_table.h"
#include "iff/type_codes.h"
#include "sprites/bmp_decoder.h"
#include "sprites/frame_export.h"
#include "sprites/iff_edit_service.h"
#include "transfer/disk_names.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

namespace vorn {

namespace {

using Json = nlohmann::ordered_json;

constexpr uint32_t kTypeBmp = MakeTypeCode("BMP_");

std::string ChunkText(uint32_t type, uint16_t id) { return TypeCodeText(type) + " " + std::to_string(id); }

// A TYPE:ID argument's chunk; null with the message shown (a bad argument
// sets `usage`).
CIffChunk* NamedChunk(CliContext& context, IffEditService& service, const std::string& argument, bool& usage)
{
    const std::optional<ChunkName> name = ParseChunkName(argument);
    if (!name) {
        context.err << "vorn-cli: bad chunk \"" << argument << "\": give TYPE:ID, such as STR#:300\n";
        usage = true;
        return nullptr;
    }
    CIffChunk* chunk = service.Find(name->type, name->id);
    if (chunk == nullptr)
        context.Error(Fill("No %1 chunk has the id ", TypeCodeText(name->type)) + std::to_string(name->id) + "!");
    return chunk;
}

// Latin-1 text as one UTF-8 TSV field: tabs, line ends, backslashes and
// other control bytes are escaped, so every byte shows and none is lost.
std::string TsvField(std::string_view latin1) { return Latin1ToUtf8(EscapeControls(latin1)); }

std::string HexText(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// Opens INPUT and finds the chunk TYPE:ID and its bytes; null with the
// message shown and the exit status in `status` when any of that fails.
CIffChunk* OpenChunk(CliContext& context, const std::vector<std::string>& args, IffEditService& service,
                     std::span<const uint8_t>& data, int& status)
{
    status = kExitFailure;
    if (!OpenIff(context, args[0], service))
        return nullptr;
    bool usage = false;
    CIffChunk* chunk = NamedChunk(context, service, args[1], usage);
    if (chunk == nullptr) {
        status = usage ? kExitUsage : kExitFailure;
        return nullptr;
    }
    const std::optional<std::span<const uint8_t>> bytes = service.Data(*chunk);
    if (!bytes) {
        context.Error(ChunkText(chunk->Type(), chunk->Id()) + " can't be read: its bytes lie past the end of the file!");
        return nullptr;
    }
    data = *bytes;
    return chunk;
}

// "trailing bytes" as a JSON key: "trailingBytes".
std::string JsonKey(std::string_view name)
{
    std::string key;
    bool upper = false;
    for (const char c : name) {
        if (c == ' ') {
            upper = true;
            continue;
        }
        key += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return key;
}

// A typed view of one chunk, as lines of text and as JSON.
class ChunkView {
public:
    // `shown` replaces the value in the text (an escaped label).
    void Field(const std::string& name, const Json& value, const std::optional<std::string>& shown = std::nullopt)
    {
        text_ << name << '\t' << (shown ? *shown : value.is_string() ? value.get<std::string>() : value.dump()) << '\n';
        json_[JsonKey(name)] = value;
    }
    void Row(const std::string& line) { text_ << line << '\n'; }
    Json& JsonRoot() { return json_; }
    std::string Text() const { return text_.str(); }

private:
    std::ostringstream text_;
    Json json_ = Json::object();
};

void ShowStrings(ChunkView& view, std::span<const uint8_t> data, bool& readable)
{
    StringTable table;
    const StringTableProblem problem = table.Parse(data);
    if (problem != StringTableProblem::None) {
        view.Field("problem", StringTable::ProblemText(problem));
        readable = false;
        return;
    }
    view.Field("layout", StringTable::LayoutName(table.Layout()));
    if (table.Layout() == StringTableLayout::LanguageSets)
        view.Field("language sets", table.LanguageSetCount());
    view.Field("trailing bytes", table.Trailing().size());
    Json strings = Json::array();
    for (size_t i = 0; i < table.Strings().size(); ++i) {
        const StringTableEntry& entry = table.Strings()[i];
        const uint32_t language = StringTable::ShownLanguage(table.Layout(), entry);
        view.Row(std::to_string(i) + '\t' + std::to_string(language) + '\t' + TsvField(entry.text) + '\t' +
                 TsvField(entry.comment));
        strings.push_back({{"index", i},
                           {"language", language},
                           {"text", Latin1ToUtf8(entry.text)},
                           {"comment", Latin1ToUtf8(entry.comment)}});
    }
    view.JsonRoot()["strings"] = std::move(strings);
}

void ShowObjectFields(ChunkView& view, std::span<const uint8_t> data)
{
    Json fields = Json::array();
    for (const ObjectField& field : ReadObjectFields(data)) {
        const std::string name = field.DisplayName();
        view.Row(std::to_string(field.index) + '\t' + name + '\t' + std::to_string(field.Number()) + '\t' +
                 HexText(field.value, field.words == 2 ? 8 : 4));
        fields.push_back({{"index", field.index}, {"name", name}, {"value", field.Number()}});
    }
    view.JsonRoot()["fields"] = std::move(fields);
}

void ShowSprite(ChunkView& view, IffEditService& service, CIffChunk& chunk, bool& readable)
{
    CSpr2Sprite sprite;
    readable = sprite.Load(*service.File(), &chunk);
    view.Field("version", sprite.Version());
    view.Field("palette", sprite.PaletteId());
    view.Field("frames", sprite.FrameCount());
    if (!readable)
        view.Field("problem", "the sprite could not be read to its end; the frames read are listed");
    Json frames = Json::array();
    Spr2Frame frame;
    for (int i = 0; sprite.GetFrame(i, frame); ++i) {
        view.Row("frame\t" + std::to_string(i) + '\t' + std::to_string(frame.width) + '\t' +
                 std::to_string(frame.height) + '\t' + HexText(frame.flags, 8) + '\t' + std::to_string(frame.paletteId) +
                 '\t' + std::to_string(frame.transparentIndex) + '\t' + std::to_string(static_cast<int16_t>(frame.xOffset)) +
                 '\t' + std::to_string(static_cast<int16_t>(frame.yOffset)) + '\t' + std::to_string(frame.pixelLength));
        frames.push_back({{"index", i},
                          {"width", frame.width},
                          {"height", frame.height},
                          {"flags", frame.flags},
                          {"palette", frame.paletteId},
                          {"transparentIndex", frame.transparentIndex},
                          {"x", static_cast<int16_t>(frame.xOffset)},
                          {"y", static_cast<int16_t>(frame.yOffset)},
                          {"bytes", frame.pixelLength}});
    }
    view.JsonRoot()["frameHeaders"] = std::move(frames);
}

void ShowPalette(ChunkView& view, std::span<const uint8_t> data, CIffChunk& chunk, bool& readable)
{
    if (data.size() >= 8) {
        view.Field("version", LoadLE32(data.data()));
        view.Field("count", LoadLE32(data.data() + 4));
    }
    const uint8_t* colours = PaltPalette::Colours(chunk);
    if (colours == nullptr) {
        view.Field("problem", "not a palette of 256 colours");
        readable = false;
        return;
    }
    Json list = Json::array();
    for (uint32_t i = 0; i < PaltPalette::kColourCount; ++i) {
        const uint8_t* c = colours + 3 * i;
        view.Row(std::to_string(i) + '\t' + std::to_string(c[0]) + '\t' + std::to_string(c[1]) + '\t' +
                 std::to_string(c[2]));
        list.push_back({c[0], c[1], c[2]});
    }
    view.JsonRoot()["colours"] = std::move(list);
}

void ShowDrawGroup(ChunkView& view, IffEditService& service, CIffChunk& chunk, bool& readable)
{
    CDrawGroup group;
    readable = group.Load(*service.File(), &chunk);
    view.Field("version", group.Version());
    view.Field("images", group.ImageCount());
    if (!readable)
        view.Field("problem", "the draw group could not be read to its end; the images read are listed");
    Json images = Json::array();
    for (size_t i = 0; i < group.Images().size(); ++i) {
        const DrawGroupImage& image = group.Images()[i];
        view.Row("image\t" + std::to_string(i) + '\t' + HexText(image.directionMask, 2) + '\t' +
                 std::to_string(image.zoom) + '\t' + std::to_string(image.sprites.size()));
        Json sprites = Json::array();
        for (const SpritePlacement& s : image.sprites) {
            view.Row("sprite\t" + std::to_string(s.spriteId) + '\t' + std::to_string(s.frameIndex) + '\t' +
                     std::to_string(s.x) + '\t' + std::to_string(s.y) + '\t' + HexText(s.flags, 8));
            sprites.push_back(
                {{"sprite", s.spriteId}, {"frame", s.frameIndex}, {"x", s.x}, {"y", s.y}, {"flags", s.flags}});
        }
        images.push_back({{"directions", image.directionMask}, {"zoom", image.zoom}, {"sprites", std::move(sprites)}});
    }
    view.JsonRoot()["imageList"] = std::move(images);
}

void ShowBitmapHeader(ChunkView& view, std::span<const uint8_t> data, bool& readable)
{
    constexpr size_t kHeaders = 14 + 40;
    if (data.size() < kHeaders || data[0] != 'B' || data[1] != 'M') {
        view.Field("problem", "not a valid BMP picture");
        readable = false;
        return;
    }
    view.Field("width", static_cast<int32_t>(LoadLE32(data.data() + 18)));
    view.Field("height", static_cast<int32_t>(LoadLE32(data.data() + 22)));
    view.Field("bits per pixel", LoadLE16(data.data() + 28));
    view.Field("compression", LoadLE32(data.data() + 30));
}

// Sixteen bytes a line: offset, hex, and the printable ones as text.
void ShowHex(ChunkView& view, std::span<const uint8_t> data)
{
    for (size_t line = 0; line < HexDumpLineCount(data.size()); ++line)
        view.Row(HexDumpLine(data, line * kHexDumpWidth));
    std::string hex;
    for (const uint8_t byte : data) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", byte);
        hex += two;
    }
    view.JsonRoot()["hex"] = std::move(hex);
}

// The frames the file's objects draw: (sprite id, frame) of every placement
// of every draw group an object names, tiles included.
std::set<std::pair<uint32_t, uint32_t>> FramesOfObjects(IffEditService& service)
{
    std::set<std::pair<uint32_t, uint32_t>> reached;
    std::set<uint16_t> groups;
    for (const ObjectEntry& entry : service.Catalogue().Entries())
        for (uint32_t g = 0; g < entry.graphicCount; ++g)
            groups.insert(static_cast<uint16_t>(entry.baseGraphicId + g));
    for (const uint16_t id : groups) {
        CDrawGroup group;
        CIffChunk* chunk = service.Find(kTypeDgrp, id);
        if (chunk == nullptr)
            continue;
        group.Load(*service.File(), chunk); // the images read before a failure still count
        for (const DrawGroupImage& image : group.Images())
            for (const SpritePlacement& placement : image.sprites)
                reached.insert({placement.spriteId, placement.frameIndex});
    }
    return reached;
}

} // namespace

std::optional<ChunkName> ParseChunkName(std::string_view text)
{
    const size_t colon = text.rfind(':');
    if (colon != 4)
        return std::nullopt;
    ChunkName name;
    for (size_t i = 0; i < 4; ++i)
        name.type = (name.type << 8) | static_cast<uint8_t>(text[i]);
    if (!ParseNumber(text.substr(colon + 1), name.id))
        return std::nullopt;
    return name;
}

int RunIffShow(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    IffEditService service;
    std::span<const uint8_t> data;
    int status = kExitFailure;
    CIffChunk* chunk = OpenChunk(context, args, service, data, status);
    if (chunk == nullptr)
        return status;

    ChunkView view;
    view.JsonRoot()["input"] = args[0];
    view.Field("type", Latin1ToUtf8(TypeCodeText(chunk->Type())));
    view.Field("id", chunk->Id());
    view.Field("flags", HexText(chunk->Flags(), 4));
    view.Field("label", Latin1ToUtf8(chunk->Label()), TsvField(chunk->Label()));
    view.Field("size", chunk->Size());
    bool readable = true;
    if (StringTable::IsStringTableType(chunk->Type()))
        ShowStrings(view, data, readable);
    else if (chunk->Type() == kTypeObjd)
        ShowObjectFields(view, data);
    else if (chunk->Type() == kTypeSpr2)
        ShowSprite(view, service, *chunk, readable);
    else if (chunk->Type() == kTypePalt)
        ShowPalette(view, data, *chunk, readable);
    else if (chunk->Type() == kTypeDgrp)
        ShowDrawGroup(view, service, *chunk, readable);
    else if (chunk->Type() == kTypeBmp)
        ShowBitmapHeader(view, data, readable);
    else
        ShowHex(view, data);
    if (HasFlag(options, "--json"))
        WriteJson(context, view.JsonRoot());
    else
        context.out << view.Text();
    if (!readable) {
        context.Error(ChunkText(chunk->Type(), chunk->Id()) + " can't be read as its type says.");
        return kExitFailure;
    }
    return kExitSuccess;
}

int RunIffStrings(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    std::vector<CIffChunk*> chunks;
    if (args.size() > 1) {
        bool usage = false;
        CIffChunk* chunk = NamedChunk(context, service, args[1], usage);
        if (chunk == nullptr)
            return usage ? kExitUsage : kExitFailure;
        if (!StringTable::IsStringTableType(chunk->Type())) {
            context.Error(ChunkText(chunk->Type(), chunk->Id()) + " is not a string table (STR#, CTSS or TTAs)!");
            return kExitFailure;
        }
        chunks.push_back(chunk);
    } else {
        for (const auto& chunk : service.Chunks())
            if (StringTable::IsStringTableType(chunk->Type()))
                chunks.push_back(chunk.get());
    }
    const bool json = HasFlag(options, "--json");
    bool failed = false;
    Json tables = Json::array();
    std::string lines;
    for (CIffChunk* chunk : chunks) {
        const std::string type = TypeCodeText(chunk->Type());
        Json table = {{"type", Latin1ToUtf8(type)}, {"id", chunk->Id()}, {"label", Latin1ToUtf8(chunk->Label())}};
        const std::optional<std::span<const uint8_t>> data = service.Data(*chunk);
        StringTable strings;
        const StringTableProblem problem =
            data ? strings.Parse(*data) : StringTableProblem::Truncated;
        if (problem != StringTableProblem::None) {
            context.Error(ChunkText(chunk->Type(), chunk->Id()) + " can't be read: " + StringTable::ProblemText(problem) +
                          "!");
            failed = true;
            table["problem"] = StringTable::ProblemText(problem);
            tables.push_back(std::move(table));
            continue;
        }
        table["layout"] = StringTable::LayoutName(strings.Layout());
        table["trailingBytes"] = strings.Trailing().size();
        Json rows = Json::array();
        for (size_t i = 0; i < strings.Strings().size(); ++i) {
            const StringTableEntry& entry = strings.Strings()[i];
            const uint32_t language = StringTable::ShownLanguage(strings.Layout(), entry);
            if (json)
                rows.push_back({{"index", i},
                                {"language", language},
                                {"text", Latin1ToUtf8(entry.text)},
                                {"comment", Latin1ToUtf8(entry.comment)}});
            else
                lines += TsvField(type) + '\t' + std::to_string(chunk->Id()) + '\t' + std::to_string(i) + '\t' +
                         std::to_string(language) + '\t' + TsvField(entry.text) + '\t' + TsvField(entry.comment) + '\n';
        }
        table["strings"] = std::move(rows);
        tables.push_back(std::move(table));
    }
    if (json)
        WriteJson(context, {{"input", args[0]}, {"tables", std::move(tables)}});
    else
        context.out << lines;
    return failed ? kExitFailure : kExitSuccess;
}

int RunIffGet(CliContext& context, const std::vector<std::string>& args)
{
    IffEditService service;
    std::span<const uint8_t> data;
    int status = kExitFailure;
    if (OpenChunk(context, args, service, data, status) == nullptr)
        return status;
    return WriteOutputFile(args[2], data, context) ? kExitSuccess : kExitFailure;
}

int RunIffPictures(CliContext& context, const std::vector<std::string>& args)
{
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    const std::filesystem::path folder(args[1]);
    if (!MakeOutputFolder(context, args[1]))
        return kExitFailure;
    const auto write = [&](const std::string& name, const std::vector<uint8_t>& png) {
        if (png.empty()) {
            context.Error(texts::kCantEncodePicture);
            return false;
        }
        return WriteExportFile(context, folder / name, png);
    };
    size_t bitmaps = 0;
    size_t frames = 0;
    size_t unreadable = 0;
    const auto report = [&](const std::string& what) {
        context.err << "vorn-cli: " << what << '\n';
        ++unreadable;
    };
    for (CIffChunk* chunk : service.ChunksOfType(kTypeBmp)) {
        const std::optional<std::span<const uint8_t>> data = service.Data(*chunk);
        const std::optional<DecodedBitmap> picture = data ? DecodeBmp(*data) : std::nullopt;
        if (!picture) {
            report(ChunkText(kTypeBmp, chunk->Id()) + " is not a valid BMP picture");
            continue;
        }
        if (!write("BMP_" + std::to_string(chunk->Id()) + ".png",
                   EncodeRgbPng(picture->rgb, picture->width, picture->height)))
            return kExitFailure;
        ++bitmaps;
    }
    const std::set<std::pair<uint32_t, uint32_t>> reached = FramesOfObjects(service);
    for (CIffChunk* chunk : service.ChunksOfType(kTypeSpr2)) {
        CSpr2Sprite sprite;
        if (!sprite.Load(*service.File(), chunk) && sprite.FrameCount() == 0) {
            report(ChunkText(kTypeSpr2, chunk->Id()) + " can't be read");
            continue;
        }
        Spr2Frame frame;
        for (int index = 0; sprite.GetFrame(index, frame); ++index) {
            if (reached.contains({chunk->Id(), static_cast<uint32_t>(index)}) || frame.width == 0 || frame.height == 0)
                continue;
            const std::string name = "SPR2_" + std::to_string(chunk->Id()) + "_" + std::to_string(index);
            CIffChunk* palette = PaltPalette::FindChunk(*service.File(), frame.paletteId, sprite.PaletteId());
            const uint8_t* colours = palette != nullptr ? PaltPalette::Colours(*palette) : nullptr;
            ExportedFrame pictures;
            if (colours == nullptr ||
                ExportFrame(frame, PaletteColours(colours, 768), pictures) != FrameExportResult::Complete) {
                report(name + (colours == nullptr ? " has no usable palette" : " can't be drawn completely"));
                continue;
            }
            if (!write(name + ".png", EncodeRgbaPng(pictures.rgba, frame.width, frame.height)))
                return kExitFailure;
            ++frames;
        }
    }
    context.out << bitmaps << " BMP_ pictures and " << frames << " SPR2 frames no object draws written, " << unreadable
                << " not readable\n";
    return unreadable == 0 ? kExitSuccess : kExitFailure;
}

} // namespace vorn

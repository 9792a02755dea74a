#include "cli/cli_commands.h"

#include "base/message_texts.h"
#include "iff/fix_colors.h"
#include "iff/iff_file.h"
#include "iff/object_catalogue.h"
#include "iff/type_codes.h"
#include "sprites/iff_edit_service.h"
#include "transfer/disk_names.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

namespace vorn {

namespace {

using texts::kCantLoadAll;
using texts::kCantLoadSprite;
using texts::kNoObjects;
using texts::kNotIff;
using Json = nlohmann::ordered_json;

std::string Hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

Json ChunkJson(const CIffChunk& chunk)
{
    return {{"type", Latin1ToUtf8(TypeCodeText(chunk.Type()))},
            {"id", chunk.Id()},
            {"flags", chunk.Flags()},
            {"size", chunk.Size()},
            {"label", Latin1ToUtf8(chunk.Label())}};
}

// Puts the changed IFF into the archive entry named as the output, as the
// previewer's Save Changes does: an entry of that name is replaced, as a
// named output file is.
int WriteIffEntry(CliContext& context, IffEditService& service, const EntryInput& output)
{
    ArchiveEditor editor(context.messenger);
    if (!editor.Open(output.file, false))
        return kExitFailure;
    switch (service.SaveAs(editor.Doc(), *output.entry)) {
    case IffSaveResult::Saved: break;
    case IffSaveResult::NoContainer:
    case IffSaveResult::CantLoad: context.Error(kCantLoadAll); return kExitFailure;
    case IffSaveResult::CantStore:
        context.Error(Fill("Can't create file \"%1\" in the FAR file!", *output.entry));
        return kExitFailure;
    }
    editor.MarkModified();
    return editor.Save(context.quick) ? kExitSuccess : kExitFailure;
}

} // namespace

bool OpenIff(CliContext& context, const std::string& argument, IffEditService& service)
{
    const EntryInput input = ParseEntryInput(argument);
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(input, context);
    if (!bytes)
        return false;
    if (service.Open(*bytes) != IffOpenResult::Opened) {
        // An archive given where an object file belongs: say how to name one inside it.
        constexpr std::string_view kFarMagic = "FAR!byAZ";
        const bool archive = !input.entry && bytes->size() >= kFarMagic.size() &&
                             std::equal(kFarMagic.begin(), kFarMagic.end(), bytes->begin());
        context.Error(archive ? std::string(kNotIff) + " It is a FAR archive: name an object file in it as " +
                                    argument + "::PATH."
                              : std::string(kNotIff));
        return false;
    }
    return true;
}

bool OpenObjects(CliContext& context, const std::string& argument, IffEditService& service)
{
    if (!OpenIff(context, argument, service))
        return false;
    if (!service.HasObjects()) {
        context.Error(kNoObjects);
        return false;
    }
    return true;
}

int SaveIffOutput(CliContext& context, IffEditService& service, const std::string& outputArgument)
{
    const EntryInput output = ParseEntryInput(outputArgument);
    if (output.entry)
        return WriteIffEntry(context, service, output);
    MemoryStream image(1024);
    if (service.WriteImage(image) != IffSaveResult::Saved) {
        context.Error(kCantLoadAll);
        return kExitFailure;
    }
    return WriteOutputFile(outputArgument, image.Bytes(), context) ? kExitSuccess : kExitFailure;
}

int RunIffChunks(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    const CIffFile& iff = *service.Container();
    const std::string problem = service.Damage();
    if (HasFlag(options, "--json")) {
        Json chunks = Json::array();
        for (const auto& chunk : iff.Chunks())
            chunks.push_back(ChunkJson(*chunk));
        WriteJson(context, {{"input", args[0]},
                            {"chunks", std::move(chunks)},
                            {"problem", problem.empty() ? Json() : Json(problem)}});
    } else {
        for (const auto& chunk : iff.Chunks())
            context.out << TypeCodeText(chunk->Type()) << '\t' << chunk->Id() << "\t0x" << Hex4(chunk->Flags())
                        << '\t' << chunk->Size() << '\t' << chunk->Label() << '\n';
    }
    if (!problem.empty()) {
        context.Error(problem);
        return kExitFailure;
    }
    return kExitSuccess;
}

int RunIffObjects(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    IffEditService service;
    if (!OpenObjects(context, args[0], service))
        return kExitFailure;
    const bool json = HasFlag(options, "--json");
    Json objects = Json::array();
    const CObjectCatalogue& catalogue = service.Catalogue();
    for (auto position = catalogue.FirstDisplayable(); position != CObjectCatalogue::kEnd;) {
        const ObjectEntry* entry = catalogue.NextDisplayable(position);
        const size_t tiles = entry->leader ? catalogue.TilesOf(entry->masterId).size() : 0;
        const char* kind = entry->leader ? "leader" : "single";
        if (json)
            objects.push_back({{"id", entry->chunkId},
                               {"label", Latin1ToUtf8(entry->label)},
                               {"graphics", entry->graphicCount},
                               {"kind", kind},
                               {"tiles", tiles}});
        else
            context.out << entry->chunkId << '\t' << entry->label << '\t' << entry->graphicCount << '\t' << kind
                        << '\t' << tiles << '\n';
    }
    if (json)
        WriteJson(context, {{"input", args[0]}, {"objects", std::move(objects)}});
    return kExitSuccess;
}

int RunIffFixColors(CliContext& context, const std::vector<std::string>& args)
{
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    // A sprite that cannot be parsed is reported and kept as it was; the
    // others are still fixed and written, as the previewer saves them.
    const FixColorsResult result = FixColors(*service.File());
    for (size_t i = 0; i < result.unloadableSprites.size(); ++i)
        context.messenger.Show(Message{kCantLoadSprite, "Warning", MessageIcon::Error, MessageButtons::Ok});

    return SaveIffOutput(context, service, args[1]);
}

} // namespace vorn

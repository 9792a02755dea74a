#include "cli/cli_commands.h"

#include "audio/xa_decoder.h"
#include "base/memory_stream.h"
#include "base/message_texts.h"
#include "iff/fix_colors.h"
#include "iff/iff_file.h"
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "iff/type_codes.h"

#include <cstdio>
#include <system_error>

namespace vorn {

namespace {

using texts::kCantLoadAll;
using texts::kCantLoadSprite;
using texts::kNoObjects;
using texts::kNotIff;

} // namespace

bool OpenIff(CliContext& context, const std::string& argument, CIffFileRef& file)
{
    const EntryInput input = ParseEntryInput(argument);
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(input, context);
    if (!bytes)
        return false;
    IffParseError error = IffParseError::None;
    if (!file.Open(*bytes, error, true)) {
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

bool OpenObjects(CliContext& context, const std::string& argument, CIffFileRef& file, CObjectCatalogue& catalogue)
{
    if (!OpenIff(context, argument, file))
        return false;
    if (!catalogue.Build(&file)) {
        context.Error(kNoObjects);
        return false;
    }
    return true;
}

std::string Hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

namespace {

// Puts the changed IFF into the archive entry named as the output, as the
// previewer's Save Changes does: an entry of that name is replaced, as a
// named output file is.
int WriteIffEntry(CliContext& context, const EntryInput& output, MemoryStream& image)
{
    ArchiveEditor editor(context.messenger);
    if (!editor.Open(output.file, false))
        return kExitFailure;
    CFarDirectoryTree& tree = editor.Tree();
    image.Seek(0, SeekOrigin::Begin);
    if (!tree.AddFile(*output.entry, image, true)) {
        context.Error(Fill("Can't create file \"%1\" in the FAR file!", *output.entry));
        return kExitFailure;
    }
    editor.MarkModified();
    return editor.Save(context.quick) ? kExitSuccess : kExitFailure;
}

// Where a listing stops being the whole file, for the user to see; empty
// when the chunks fill the file.
std::string ScanEndText(const IffScanEnd& end, uint64_t length)
{
    const std::string where = "The file stops making sense at byte " + std::to_string(end.offset) + ": ";
    const uint64_t left = length - end.offset;
    const std::string claims = "its chunk header claims " + std::to_string(end.claimedSize) + " bytes, ";
    switch (end.stop) {
    case IffScanStop::None: return {};
    case IffScanStop::CutHeader: return where + std::to_string(left) + " bytes are left, too few for a chunk header!";
    case IffScanStop::BadSize:
    case IffScanStop::PastEnd:
        if (end.claimedSize > left)
            return where + claims + "but only " + std::to_string(left) + " are left!";
        return where + claims + (end.claimedSize < CIffFile::kChunkHeaderSize ? "fewer than the header itself!"
                                                                             : "more than a chunk may hold!");
    }
    return {};
}

} // namespace

int RunXaToWav(CliContext& context, const std::vector<std::string>& args)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(ParseEntryInput(args[0]), context);
    if (!bytes)
        return kExitFailure;
    MemoryStream image(1024);
    CXaDecoder decoder;
    decoder.SetInput(*bytes, &image);
    if (bytes->size() > UINT32_MAX || !decoder.Decode()) {
        if (decoder.HeaderChannelCount() > 255)
            context.Error(std::string(texts::kCantDecompressXa) + " Its header claims " +
                          std::to_string(decoder.HeaderChannelCount()) +
                          " channels, and an XA sound holds at most 255.");
        else
            context.Error(texts::kCantDecompressXa);
        return kExitFailure;
    }
    if (!WriteOutputFile(args[1], image.Bytes(), context))
        return kExitFailure;
    return context.messenger.HasProblems() ? kExitFailure : kExitSuccess;
}

int RunIffChunks(CliContext& context, const std::vector<std::string>& args)
{
    CIffFileRef file;
    if (!OpenIff(context, args[0], file))
        return kExitFailure;
    const CIffFile& iff = *file.File();
    for (const auto& chunk : iff.Chunks())
        context.out << TypeCodeText(chunk->Type()) << '\t' << chunk->Id() << "\t0x" << Hex4(chunk->Flags()) << '\t'
                    << chunk->Size() << '\t' << chunk->Label() << '\n';
    const std::string problem = ScanEndText(iff.ScanEnd(), iff.Length());
    if (!problem.empty()) {
        context.Error(problem);
        return kExitFailure;
    }
    return kExitSuccess;
}

int RunIffObjects(CliContext& context, const std::vector<std::string>& args)
{
    CIffFileRef file;
    CObjectCatalogue catalogue;
    if (!OpenObjects(context, args[0], file, catalogue))
        return kExitFailure;
    for (auto position = catalogue.FirstDisplayable(); position != CObjectCatalogue::kEnd;) {
        const ObjectEntry* entry = catalogue.NextDisplayable(position);
        const size_t tiles = entry->leader ? catalogue.TilesOf(entry->masterId).size() : 0;
        context.out << entry->chunkId << '\t' << entry->label << '\t' << entry->graphicCount << '\t'
                    << (entry->leader ? "leader" : "single") << '\t' << tiles << '\n';
    }
    return kExitSuccess;
}

int RunIffFixColors(CliContext& context, const std::vector<std::string>& args)
{
    CIffFileRef file;
    if (!OpenIff(context, args[0], file))
        return kExitFailure;
    // A sprite that cannot be parsed is reported and kept as it was; the
    // others are still fixed and written, as the previewer saves them.
    const FixColorsResult result = FixColors(file);
    for (size_t i = 0; i < result.unloadableSprites.size(); ++i)
        context.messenger.Show(Message{kCantLoadSprite, "Warning", MessageIcon::Error, MessageButtons::Ok});

    return SaveIffOutput(context, file, args[1]);
}

int SaveIffOutput(CliContext& context, CIffFileRef& file, const std::string& outputArgument)
{
    MemoryStream image(1024);
    if (!file.LoadAll() || !file.Save(image)) {
        context.Error(kCantLoadAll);
        return kExitFailure;
    }
    const EntryInput output = ParseEntryInput(outputArgument);
    if (output.entry)
        return WriteIffEntry(context, output, image);
    return WriteOutputFile(outputArgument, image.Bytes(), context) ? kExitSuccess : kExitFailure;
}

} // namespace vorn

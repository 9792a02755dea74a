#include "cli/modding_commands.h"

#include "cli/cli_commands.h"
#include "cli/png_reader.h"
#include "cli/png_writer.h"
#include "base/message_texts.h"
#include "iff/palt_palette.h"
#include "iff/type_codes.h"
#include "sprites/iff_edit_service.h"
#include "sprites/palette_files.h"

#include <algorithm>

namespace vorn {

namespace {

// The PALT chunk ID of the open file, its colours readable; null with the
// reason told otherwise.
CIffChunk* PaletteChunk(CliContext& context, IffEditService& service, const std::string& idText)
{
    // "PALT:7" as the other iff commands name chunks, or the bare id.
    const std::string_view number = std::string_view(idText).starts_with("PALT:") ? std::string_view(idText).substr(5)
                                                                                  : std::string_view(idText);
    uint16_t id = 0;
    if (!ParseNumber(number, id)) {
        context.err << "vorn-cli: bad palette id \"" << idText << "\": give the PALT chunk's id, 0 to 65535\n";
        return nullptr;
    }
    CIffChunk* chunk = service.Find(kTypePalt, id);
    if (chunk == nullptr) {
        context.Error("No PALT chunk has the id " + std::to_string(id) + "!");
        return nullptr;
    }
    if (!service.Data(*chunk) || PaltPalette::Colours(*chunk) == nullptr) {
        context.Error("PALT " + std::to_string(id) + " is not a palette of 256 colours that can be read!");
        return nullptr;
    }
    return chunk;
}

} // namespace

int RunIffPaletteExport(CliContext& context, const std::vector<std::string>& args)
{
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    CIffChunk* chunk = PaletteChunk(context, service, args[1]);
    if (chunk == nullptr)
        return kExitFailure;
    PaltColours colours{};
    std::copy_n(PaltPalette::Colours(*chunk), colours.size(), colours.begin());
    std::vector<uint8_t> bytes;
    if (PaletteFiles::IsGplName(args[2])) {
        const std::string text = PaletteFiles::WriteGpl(colours, "PALT " + std::to_string(chunk->Id()));
        bytes.assign(text.begin(), text.end());
    } else {
        bytes = EncodeRgbPng(PaletteFiles::SwatchPixels(colours), PaletteFiles::kSwatchSide, PaletteFiles::kSwatchSide);
        if (bytes.empty()) {
            context.Error(texts::kCantEncodePicture);
            return kExitFailure;
        }
    }
    return WriteOutput(args[2], bytes, context) ? kExitSuccess : kExitFailure;
}

int RunIffPaletteImport(CliContext& context, const std::vector<std::string>& args)
{
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    CIffChunk* chunk = PaletteChunk(context, service, args[2]);
    if (chunk == nullptr)
        return kExitFailure;
    const EntryInput input = ParseEntryInput(args[3]);
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(input, context);
    if (!bytes)
        return kExitFailure;
    PaletteFileRead read;
    if (PaletteFiles::IsGplName(args[3])) {
        read = PaletteFiles::ReadGpl(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    } else {
        PngPicture picture;
        constexpr uint32_t kSide = PaletteFiles::kMaxSwatchSide;
        if (PngReader::ReadRgba(*bytes, PngLimits{kSide, uint64_t{kSide} * kSide}, picture) != PngReadStatus::Ok) {
            context.Error("\"" + input.Display() + "\" is not a PNG picture that can be read, or larger than " +
                          std::to_string(kSide) + " x " + std::to_string(kSide) + "!");
            return kExitFailure;
        }
        read = PaletteFiles::ReadSwatch(picture.pixels, picture.width, picture.height);
    }
    if (!read.read) {
        context.Error("\"" + input.Display() + "\": " + read.problem + "!");
        return kExitFailure;
    }
    const uint16_t id = chunk->Id();
    const IffEditResult replaced = service.SetPaletteColours(id, 0, std::span(read.colours).first(3 * read.count));
    if (!replaced.done) {
        context.Error(replaced.message);
        return kExitFailure;
    }
    if (read.count < PaltPalette::kColourCount)
        context.err << "vorn-cli: " << read.count << " colours read: colours " << read.count
                    << " to 255 of PALT " << id << " keep theirs\n";
    return SaveIffOutput(context, service, args[1]);
}

} // namespace vorn

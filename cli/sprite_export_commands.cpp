#include "cli/modding_commands.h"

#include "cli/cli_commands.h"
#include "cli/png_reader.h"
#include "cli/png_writer.h"
#include "cli/sprite_manifest.h"
#include "cli/sprite_picture_folder.h"
#include "base/message_texts.h"
#include "base/number_text.h"
#include "iff/iff_file.h"
#include "iff/iff_file_ref.h"
#include "iff/palt_palette.h"
#include "iff/spr2_frame_encoder.h"
#include "iff/spr2_sprite.h"
#include "iff/type_codes.h"
#include "sprites/frame_export.h"
#include "sprites/frame_import.h"
#include "sprites/iff_edit_service.h"
#include "sprites/sprite_import.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace vorn {

namespace {

using texts::kCantLoadSprite;
constexpr uint32_t kMaxFrameSide = 0xFFFF;
constexpr const char* kManifestName = "sprites.json";

struct SpriteOptions {
    std::optional<uint16_t> chunk;
    std::optional<std::string> from;
    bool opaque = false; // pictures without alpha may make transparent pixels opaque
    bool rebuildPalette = false; // the palettes the pictures are drawn with are built from them
};

// The dispatcher has already refused options the command does not take and
// a last option without its value, so the words come in pairs (a flag with
// an empty value).
bool ParseSpriteOptions(CliContext& context, const std::vector<std::string>& words, SpriteOptions& options)
{
    for (size_t i = 0; i + 1 < words.size(); i += 2) {
        const std::string& value = words[i + 1];
        if (words[i] == "--opaque") {
            options.opaque = true;
            continue;
        }
        if (words[i] == "--from") {
            options.from = value;
            continue;
        }
        if (words[i] == "--palette") {
            if (value != "keep" && value != "rebuild") {
                context.err << "vorn-cli: bad value \"" << value << "\" for --palette: give keep or rebuild\n";
                return false;
            }
            options.rebuildPalette = value == "rebuild";
            continue;
        }
        uint16_t id = 0;
        if (!ParseNumber(value, id)) {
            context.err << "vorn-cli: bad value \"" << value << "\" for --chunk\n";
            return false;
        }
        options.chunk = id;
    }
    return true;
}

// The SPR2 chunks asked for; none (with the message shown) when there are none.
std::optional<std::vector<CIffChunk*>> SelectSprites(CliContext& context, CIffFileRef& file,
                                                     const SpriteOptions& options)
{
    std::vector<CIffChunk*> chunks;
    for (CIffChunk* chunk : file.ChunksOfType(kTypeSpr2))
        if (!options.chunk || chunk->Id() == *options.chunk)
            chunks.push_back(chunk);
    if (chunks.empty()) {
        context.Error(options.chunk ? Fill("No SPR2 chunk has the id %1!", std::to_string(*options.chunk))
                                    : std::string("This file holds no SPR2 sprites!"));
        return std::nullopt;
    }
    return chunks;
}

const uint8_t* FramePalette(CIffFileRef& file, const Spr2Frame& frame, uint16_t fallback)
{
    CIffChunk* chunk = PaltPalette::FindChunk(file, frame.paletteId, fallback);
    return chunk != nullptr ? PaltPalette::Colours(*chunk) : nullptr;
}

// The refusal of a frame beyond the pixel limit: "W x H pixels, ...".
std::string TooManyPixelsText(uint32_t width, uint32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels, more than the " +
           FormatGroupedNumber(kMaxFramePixels) +
           " a sprite frame may have (the game's are a few hundred pixels a side; the limit keeps the memory a "
           "frame takes in bounds)";
}

bool ReadPicture(CliContext& context, const std::filesystem::path& path, bool grey, PngPicture& picture)
{
    EntryInput input;
    input.file = path;
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(input, context);
    if (!bytes)
        return false;
    const PngLimits limits{kMaxFrameSide, kMaxFramePixels};
    const PngReadStatus status =
        grey ? PngReader::ReadGrey(*bytes, limits, picture) : PngReader::ReadRgba(*bytes, limits, picture);
    if (status == PngReadStatus::NotPng) {
        context.Error(Fill("\"%1\" is not a PNG picture that can be read!", path.string()));
        return false;
    }
    if (status == PngReadStatus::TooLarge) {
        if (picture.width > kMaxFrameSide || picture.height > kMaxFrameSide)
            context.Error(Fill("\"%1\" is ", path.string()) + std::to_string(picture.width) + " x " +
                          std::to_string(picture.height) + " pixels: a sprite frame holds at most 65535 x 65535!");
        else
            context.Error(Fill("\"%1\" is ", path.string()) + TooManyPixelsText(picture.width, picture.height) +
                          "!");
        return false;
    }
    return true;
}

// Reads OUTDIR's sprites.json. A missing one leaves `manifest` empty (the
// input's fields stay, as for pictures made without an export); one that
// cannot be read or names what the input lacks fails the import, since the
// edits in it would otherwise be lost without a word.
bool LoadManifest(CliContext& context, const std::filesystem::path& folder, CIffFileRef& file,
                  SpriteManifest& manifest)
{
    const std::filesystem::path path = folder / kManifestName;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        context.err << "vorn-cli: no " << kManifestName << " in \"" << folder.string()
                    << "\": the sprites keep their palette ids, flags and frame headers\n";
        return true;
    }
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > SpriteManifest::kMaxBytes) {
        context.Error(Fill("\"%1\" is too large to be a sprite manifest (at most ", path.string()) +
                      std::to_string(SpriteManifest::kMaxBytes >> 20) + " MB)!");
        return false;
    }
    EntryInput input;
    input.file = path;
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(input, context);
    if (!bytes)
        return false;
    const ManifestReadResult result = SpriteManifest::Parse(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), manifest);
    if (result.status != ManifestReadStatus::Ok) {
        context.Error(Fill("\"%1\" can't be read: ", path.string()) + result.problem + "!");
        return false;
    }
    for (const ManifestSprite& listed : manifest.sprites)
        if (file.Find(kTypeSpr2, listed.chunk) == nullptr) {
            context.Error(Fill("\"%1\" lists SPR2 ", path.string()) + std::to_string(listed.chunk) +
                          ", which the input does not hold!");
            return false;
        }
    return true;
}

// The sprite's chunk flags, label and palette id from its manifest entry;
// false (with the message shown) for a label the chunk cannot hold or a
// frame the sprite does not have.
bool ApplySpriteFields(CliContext& context, const ManifestSprite& listed, CIffChunk& chunk, CSpr2Sprite& spr2,
                       bool& changed)
{
    const std::string where = "SPR2 " + std::to_string(listed.chunk) + " in " + kManifestName;
    for (const ManifestFrame& frame : listed.frames) {
        if (frame.frame >= static_cast<uint32_t>(spr2.FrameCount())) {
            context.Error(where + " lists frame " + std::to_string(frame.frame) + ", but the sprite has " +
                          std::to_string(spr2.FrameCount()) + " frames!");
            return false;
        }
        // Pictures are found by their names: another name would be passed over.
        for (const bool depth : {false, true}) {
            const std::optional<std::string>& name = depth ? frame.depthPng : frame.png;
            const std::string wanted =
                SpritePictureFolder::PictureName(listed.chunk, static_cast<int>(frame.frame), depth);
            if (name && !name->empty() && *name != wanted) {
                context.Error(where + " names \"" + *name + "\" for frame " + std::to_string(frame.frame) +
                              ", but the import reads \"" + wanted + "\" (or no picture, for null)!");
                return false;
            }
        }
    }
    if (listed.label) {
        // The chunk header holds 63 bytes and ends the label at a NUL: a
        // label it would cut is refused rather than shortened unseen.
        if (listed.label->size() > CIffFile::kMaxLabelInHeader || listed.label->find('\0') != std::string::npos) {
            context.Error(where + ": a label holds at most " + std::to_string(CIffFile::kMaxLabelInHeader) +
                          " characters and no \\u0000!");
            return false;
        }
        chunk.SetLabel(*listed.label);
    }
    if (listed.flags)
        chunk.SetFlags(*listed.flags);
    if (listed.paletteId && *listed.paletteId != spr2.PaletteId()) {
        spr2.SetPaletteId(*listed.paletteId);
        changed = true;
    }
    return true;
}

// Frame `index`'s entry in the manifest; null when it is not listed.
const ManifestFrame* ListedFrame(const ManifestSprite* listed, int index)
{
    if (listed != nullptr)
        for (const ManifestFrame& entry : listed->frames)
            if (entry.frame == static_cast<uint32_t>(index))
                return &entry;
    return nullptr;
}

// Frame header fields from the manifest; true when any differs. The size
// comes from the picture (see SizeProblem).
bool ApplyFrameFields(const ManifestFrame* entry, Spr2Frame& frame)
{
    if (entry == nullptr)
        return false;
    const Spr2Frame before = frame;
    frame.paletteId = entry->paletteId.value_or(frame.paletteId);
    frame.flags = entry->flags.value_or(frame.flags);
    frame.transparentIndex = entry->transparentIndex.value_or(frame.transparentIndex);
    frame.xOffset = entry->xOffset.value_or(frame.xOffset);
    frame.yOffset = entry->yOffset.value_or(frame.yOffset);
    return frame.paletteId != before.paletteId || frame.flags != before.flags ||
           frame.transparentIndex != before.transparentIndex || frame.xOffset != before.xOffset ||
           frame.yOffset != before.yOffset;
}

// A width or height in the manifest is the frame's size at export. Left as
// it was it tells nothing; changed, it must be the new picture's size, since
// the size comes from the picture. None when they agree.
std::optional<std::string> SizeProblem(const ManifestFrame* entry, uint16_t chunkId, int index,
                                       const Spr2Frame& before, const std::optional<std::filesystem::path>& picture,
                                       const PngPicture& read)
{
    if (entry == nullptr)
        return std::nullopt;
    const struct {
        const char* field;
        std::optional<uint16_t> listed;
        uint32_t old;
        uint32_t now;
        const char* unit;
    } sides[] = {{"width", entry->width, before.width, read.width, "wide"},
                 {"height", entry->height, before.height, read.height, "high"}};
    for (const auto& side : sides) {
        if (!side.listed || *side.listed == side.old || (picture && *side.listed == side.now))
            continue;
        const std::string given = "SPR2 " + std::to_string(chunkId) + " in " + kManifestName + " gives frame " +
                                  std::to_string(index) + " the " + side.field + " " + std::to_string(*side.listed);
        if (!picture)
            return given + ", but there is no picture to take a new size from!";
        return given + ", but \"" + picture->string() + "\" is " + std::to_string(side.now) + " pixels " + side.unit +
               ": the size comes from the picture!";
    }
    return std::nullopt;
}

} // namespace

int RunIffExport(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    SpriteOptions sprite;
    if (!ParseSpriteOptions(context, options, sprite))
        return kExitUsage;
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    CIffFileRef& file = *service.File();
    const std::optional<std::vector<CIffChunk*>> chunks = SelectSprites(context, file, sprite);
    if (!chunks)
        return kExitFailure;
    const std::filesystem::path folder(args[1]);
    if (!MakeOutputFolder(context, args[1]))
        return kExitFailure;

    bool failed = false;
    SpriteManifest manifest;
    for (CIffChunk* chunk : *chunks) {
        CSpr2Sprite spr2;
        if (!spr2.Load(file, chunk)) {
            context.messenger.Show(Message{kCantLoadSprite, "Warning", MessageIcon::Error, MessageButtons::Ok});
            failed = true;
            continue;
        }
        ManifestSprite& entry = manifest.sprites.emplace_back();
        entry.chunk = chunk->Id();
        entry.label = chunk->Label();
        entry.flags = chunk->Flags();
        entry.paletteId = spr2.PaletteId();
        for (int index = 0; index < spr2.FrameCount(); ++index) {
            Spr2Frame frame;
            if (!spr2.GetFrame(index, frame))
                break;
            ManifestFrame& frameEntry = entry.frames.emplace_back();
            frameEntry.frame = static_cast<uint32_t>(index);
            frameEntry.width = frame.width;
            frameEntry.height = frame.height;
            frameEntry.paletteId = frame.paletteId;
            frameEntry.flags = frame.flags;
            frameEntry.transparentIndex = frame.transparentIndex;
            frameEntry.xOffset = frame.xOffset;
            frameEntry.yOffset = frame.yOffset;
            const uint8_t* colours = FramePalette(file, frame, spr2.PaletteId());
            if (colours == nullptr || frame.width == 0 || frame.height == 0) {
                if (colours == nullptr) {
                    context.Error(SpriteImport::NoPaletteText(index, chunk->Id()));
                    failed = true;
                }
                continue;
            }
            ExportedFrame pictures;
            const FrameExportResult exported = ExportFrame(frame, PaletteColours(colours, 768), pictures);
            if (exported == FrameExportResult::TooLarge) {
                context.Error("Frame " + std::to_string(index) + " of SPR2 " + std::to_string(chunk->Id()) + " is " +
                              TooManyPixelsText(frame.width, frame.height) + "; its pictures are not written.");
                failed = true;
                continue;
            }
            if (exported == FrameExportResult::Partial) {
                context.Error("Frame " + std::to_string(index) + " of SPR2 " + std::to_string(chunk->Id()) +
                              " could not be decoded completely; its pictures show what was drawn.");
                failed = true;
            }
            frameEntry.png = SpritePictureFolder::PictureName(chunk->Id(), index, false);
            frameEntry.depthPng = SpritePictureFolder::PictureName(chunk->Id(), index, true);
            const std::vector<uint8_t> colourPng = EncodeRgbaPng(pictures.rgba, frame.width, frame.height);
            const std::vector<uint8_t> depthPng = EncodeGreyPng(pictures.depth, frame.width, frame.height);
            if (colourPng.empty() || depthPng.empty()) {
                context.Error(texts::kCantEncodePicture);
                return kExitFailure;
            }
            if (!WriteExportFile(context, folder / *frameEntry.png, colourPng) ||
                !WriteExportFile(context, folder / *frameEntry.depthPng, depthPng))
                return kExitFailure;
        }
    }
    const std::string text = manifest.ToJson();
    if (!WriteExportFile(context, folder / kManifestName,
                         std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())))
        return kExitFailure;
    return failed || context.messenger.RefusalCount() != 0 ? kExitFailure : kExitSuccess;
}

int RunIffImport(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    SpriteOptions sprite;
    if (!ParseSpriteOptions(context, options, sprite))
        return kExitUsage;
    if (!sprite.from) {
        context.err << "vorn-cli: --from OUTDIR is required\n";
        return kExitUsage;
    }
    IffEditService service;
    if (!OpenIff(context, args[0], service))
        return kExitFailure;
    CIffFileRef& file = *service.File();
    const std::optional<std::vector<CIffChunk*>> chunks = SelectSprites(context, file, sprite);
    if (!chunks)
        return kExitFailure;
    const std::filesystem::path folder(*sprite.from);
    SpriteManifest manifest;
    if (!LoadManifest(context, folder, file, manifest)) {
        context.Error("Nothing was written.");
        return kExitFailure;
    }

    SpritePictureFolder pictures(folder, sprite.chunk);
    SpriteImport import(service);
    bool failed = false;
    for (CIffChunk* chunk : *chunks) {
        ImportedSprite* loaded = import.Load(chunk);
        if (loaded == nullptr) {
            context.messenger.Show(Message{kCantLoadSprite, "Warning", MessageIcon::Error, MessageButtons::Ok});
            failed = true;
            continue;
        }
        CSpr2Sprite& spr2 = loaded->sprite;
        const ManifestSprite* listed = manifest.Find(chunk->Id());
        if (listed != nullptr) {
            if (!ApplySpriteFields(context, *listed, *chunk, spr2, loaded->changed)) {
                failed = true;
                continue;
            }
        }
        for (int index = 0; index < spr2.FrameCount(); ++index) {
            Spr2Frame frame;
            if (!spr2.GetFrame(index, frame))
                break;
            const Spr2Frame before = frame;
            const ManifestFrame* entry = ListedFrame(listed, index);
            const bool headerChanged = ApplyFrameFields(entry, frame);
            const std::optional<std::filesystem::path> colourPath = pictures.Find(chunk->Id(), index, false, entry);
            PngPicture rgba;
            if (colourPath && !ReadPicture(context, *colourPath, false, rgba)) {
                failed = true;
                continue;
            }
            if (const std::optional<std::string> problem =
                    SizeProblem(entry, chunk->Id(), index, before, colourPath, rgba)) {
                context.Error(*problem);
                failed = true;
                continue;
            }
            if (!colourPath) {
                // A frame without a picture keeps its pixels; only its header may change.
                if (!headerChanged)
                    continue;
                if (FramePalette(file, frame, spr2.PaletteId()) == nullptr) {
                    context.Error(SpriteImport::NoPaletteText(index, chunk->Id()));
                    failed = true;
                } else if (spr2.SetFrame(index, frame)) {
                    loaded->changed = true;
                }
                continue;
            }
            const std::string frameText = SpriteImport::FrameText(index, chunk->Id());
            std::optional<FrameContent> content; // decoded when needed
            const auto contentBefore = [&]() -> const FrameContent& {
                if (!content)
                    content = ContentOf(before);
                return *content;
            };
            // Editors often save without alpha: every transparent pixel
            // would turn opaque.
            if (!rgba.hasAlpha && !sprite.opaque && contentBefore().translucent) {
                context.Error(Fill("\"%1\" has no alpha channel, but ", colourPath->string()) + frameText +
                              " has pixels that are not opaque: save it with alpha, or give --opaque to draw "
                              "every pixel opaque!");
                failed = true;
                continue;
            }
            std::vector<uint8_t> depth(static_cast<size_t>(rgba.width) * rgba.height, 255);
            if (const std::optional<std::filesystem::path> depthPath = pictures.Find(chunk->Id(), index, true, entry)) {
                PngPicture grey;
                if (!ReadPicture(context, *depthPath, true, grey)) {
                    failed = true;
                    continue;
                }
                if (grey.width != rgba.width || grey.height != rgba.height) {
                    context.Error(Fill("\"%1\" is not the size of ", depthPath->string()) + "\"" +
                                  colourPath->string() + "\"!");
                    failed = true;
                    continue;
                }
                depth = std::move(grey.pixels);
            } else if (contentBefore().depth) {
                context.err << "vorn-cli: no depth picture for " << frameText << " in \"" << folder.string()
                            << "\": its pixels lose their depth\n";
            }
            // The palette the frame will be drawn with: its own (perhaps just
            // edited), else the sprite's.
            if (FramePalette(file, frame, spr2.PaletteId()) == nullptr) {
                context.Error(SpriteImport::NoPaletteText(index, chunk->Id()));
                failed = true;
                continue;
            }
            import.AddFrame(*loaded, index, frame, headerChanged, colourPath->string(), rgba.width, rgba.height,
                            std::move(rgba.pixels), std::move(depth));
        }
    }
    if (!failed) {
        const SpriteImportResult result = import.Finish(sprite.rebuildPalette);
        for (const RebuiltPalette& palette : result.rebuilt)
            context.err << "vorn-cli: PALT " << palette.id << " rebuilt from " << palette.frames
                        << " frame(s): " << palette.colours << " colours\n";
        // A recolour the palette cannot follow comes out in other colours: say so.
        for (const ImportedFrame& drawn : result.frames)
            if (drawn.drift.pixels != 0)
                context.err << "vorn-cli: " << SpriteImport::FrameText(drawn.frame, drawn.sprite) << ": "
                            << FormatGroupedNumber(drawn.drift.pixels) << " pixel(s) drawn more than "
                            << ColourDrift::kTolerance << " off their colour (the farthest " << drawn.drift.largest
                            << " off): PALT " << drawn.palette << " lacks those colours"
                            << (sprite.rebuildPalette ? "" : "; --palette rebuild builds it from the pictures") << "\n";
        if (result.problem) {
            context.Error(*result.problem);
            failed = true;
        }
    }
    // A half-imported object is not written over anything.
    if (failed) {
        context.Error("Nothing was written.");
        return kExitFailure;
    }
    for (const std::string& line : pictures.UnreadPictures())
        context.err << "vorn-cli: " << line << "\n";
    return SaveIffOutput(context, service, args[1]);
}

} // namespace vorn

#include "cli/modding_commands.h"

#include "cli/cli_commands.h"
#include "cli/png_reader.h"
#include "cli/png_writer.h"
#include "base/file_stream.h"
#include "iff/iff_file_ref.h"
#include "iff/palt_palette.h"
#include "iff/spr2_sprite.h"
#include "iff/type_codes.h"
#include "sprites/frame_export.h"
#include "sprites/spr2_frame_encoder.h"

#include <charconv>
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <system_error>
#include <unordered_map>

namespace vorn {

namespace {

constexpr const char* kCantLoadSprite = "Can't load one of the SPR2 resources!";
constexpr uint32_t kMaxFrameSide = 0xFFFF;

struct SpriteOptions {
    std::optional<uint16_t> chunk;
    std::optional<std::string> from;
};

bool ParseSpriteOptions(CliContext& context, const std::vector<std::string>& words, SpriteOptions& options)
{
    for (size_t i = 0; i < words.size(); i += 2) {
        if (i + 1 == words.size()) {
            context.err << "vorn-cli: " << words[i] << " needs a value\n";
            return false;
        }
        const std::string& value = words[i + 1];
        if (words[i] == "--from") {
            options.from = value;
            continue;
        }
        uint16_t id = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), id);
        if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
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

std::string FrameName(uint16_t chunkId, int frame, bool depth)
{
    return std::to_string(chunkId) + "_" + std::to_string(frame) + (depth ? "_depth.png" : ".png");
}

const uint8_t* FramePalette(CIffFileRef& file, const Spr2Frame& frame, uint16_t fallback)
{
    CIffChunk* chunk = PaltPalette::FindChunk(file, frame.paletteId, fallback);
    return chunk != nullptr ? PaltPalette::Colours(*chunk) : nullptr;
}

std::string NoPaletteText(int frame, uint16_t chunkId)
{
    return "Frame " + std::to_string(frame) + " of SPR2 " + std::to_string(chunkId) + " has no usable palette!";
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x80) {
            // Labels are Latin-1 bytes: each becomes its own code point.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Squared distance weighted by the mean red ("redmean"): close to how far
// apart colours look, at the cost of a few multiplications.
uint32_t ColourDistance(int r1, int g1, int b1, const uint8_t* c)
{
    const int meanRed = (r1 + c[0]) / 2;
    const int dr = r1 - c[0];
    const int dg = g1 - c[1];
    const int db = b1 - c[2];
    return static_cast<uint32_t>(((512 + meanRed) * dr * dr >> 8) + 4 * dg * dg + ((767 - meanRed) * db * db >> 8));
}

// Maps colours to palette indices: the first index of an exact colour, else
// the perceptually nearest. Remembers every colour it has seen.
class NearestColour {
public:
    explicit NearestColour(const uint8_t* palette) : palette_(palette) {}

    uint8_t operator()(uint8_t r, uint8_t g, uint8_t b)
    {
        const uint32_t key = (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
        const auto found = seen_.find(key);
        if (found != seen_.end())
            return found->second;
        uint8_t best = 0;
        uint32_t bestDistance = UINT32_MAX;
        for (int i = 0; i < 256 && bestDistance != 0; ++i) {
            const uint32_t d = ColourDistance(r, g, b, palette_ + 3 * i);
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<uint8_t>(i);
            }
        }
        seen_.emplace(key, best);
        return best;
    }

private:
    const uint8_t* palette_;
    std::unordered_map<uint32_t, uint8_t> seen_;
};

// The planes for the encoder from an RGBA picture and its depth: alpha 255
// draws opaque (with a depth test where a depth below 255 is given), alpha 0
// draws nothing unless a depth is given (a fully faded pixel still stores
// depth), anything between blends with 255 minus the alpha.
Spr2PixelPlanes PlanesFrom(const PngPicture& rgba, const std::vector<uint8_t>& depth, NearestColour& nearest)
{
    Spr2PixelPlanes planes;
    planes.width = static_cast<uint16_t>(rgba.width);
    planes.height = static_cast<uint16_t>(rgba.height);
    const size_t pixels = static_cast<size_t>(rgba.width) * rgba.height;
    planes.kind.resize(pixels);
    planes.colour.resize(pixels);
    planes.depth = depth;
    planes.alpha.resize(pixels);
    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t* px = rgba.pixels.data() + 4 * p;
        const uint8_t alpha = px[3];
        const bool hasDepth = depth[p] != 255;
        if (alpha == 255)
            planes.kind[p] = hasDepth ? Spr2PixelKind::Depth : Spr2PixelKind::Plain;
        else if (alpha == 0 && !hasDepth)
            planes.kind[p] = Spr2PixelKind::Transparent;
        else
            planes.kind[p] = Spr2PixelKind::Blended;
        planes.alpha[p] = static_cast<uint8_t>(255 - alpha);
        if (planes.kind[p] != Spr2PixelKind::Transparent)
            planes.colour[p] = nearest(px[0], px[1], px[2]);
    }
    return planes;
}

bool ReadPicture(CliContext& context, const std::filesystem::path& path, bool grey, PngPicture& picture)
{
    EntryInput input;
    input.file = path;
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(input, context);
    if (!bytes)
        return false;
    const PngReadStatus status = grey ? CPngReader::ReadGrey(*bytes, kMaxFrameSide, picture)
                                      : CPngReader::ReadRgba(*bytes, kMaxFrameSide, picture);
    if (status == PngReadStatus::NotPng) {
        context.Error(Fill("\"%1\" is not a PNG picture that can be read!", path.string()));
        return false;
    }
    if (status == PngReadStatus::TooLarge) {
        context.Error(Fill("\"%1\" is ", path.string()) + std::to_string(picture.width) + " x " +
                      std::to_string(picture.height) + " pixels: a sprite frame holds at most 65535 x 65535!");
        return false;
    }
    return true;
}

// The pictures and the manifest can always be exported again, so a new file
// is written straight, without the sync per file of the save rules (hundreds
// of syncs would take seconds); an existing one is replaced by those rules,
// after the overwrite question.
bool WriteExportFile(CliContext& context, const std::filesystem::path& path, std::span<const uint8_t> bytes)
{
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        bool written = false;
        return WriteOutputFile(path.string(), bytes, context, written);
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        context.Error(Fill("Can't create \"%1\"!", path.string()));
        return false;
    }
    FileStream file(fd);
    if (!file.Write(bytes.data(), bytes.size())) {
        ::unlink(path.c_str());
        context.Error(Fill("Can't create \"%1\"!", path.string()));
        return false;
    }
    return true;
}

} // namespace

int RunIffExport(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    SpriteOptions sprite;
    if (!ParseSpriteOptions(context, options, sprite))
        return kExitUsage;
    if (sprite.from) {
        context.err << "vorn-cli: --from belongs to the iff import command\n";
        return kExitUsage;
    }
    CIffFileRef file;
    if (!OpenIff(context, args[0], file))
        return kExitFailure;
    const std::optional<std::vector<CIffChunk*>> chunks = SelectSprites(context, file, sprite);
    if (!chunks)
        return kExitFailure;
    const std::filesystem::path folder(args[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        context.Error(Fill("Can't create the folder \"%1\"!", args[1]));
        return kExitFailure;
    }

    bool failed = false;
    std::ostringstream json;
    json << "{\n  \"sprites\": [";
    const char* spriteSeparator = "\n";
    for (CIffChunk* chunk : *chunks) {
        CSpr2Sprite spr2;
        if (!spr2.Load(file, chunk)) {
            context.messenger.Show(Message{kCantLoadSprite, "Warning", MessageIcon::Error, MessageButtons::Ok});
            failed = true;
            continue;
        }
        json << spriteSeparator << "    {\"chunk\": " << chunk->Id() << ", \"label\": " << JsonString(chunk->Label())
             << ", \"flags\": " << chunk->Flags() << ", \"paletteId\": " << spr2.PaletteId() << ", \"frames\": [";
        spriteSeparator = ",\n";
        const char* frameSeparator = "\n";
        for (int index = 0; index < spr2.FrameCount(); ++index) {
            Spr2Frame frame;
            if (!spr2.GetFrame(index, frame))
                break;
            json << frameSeparator << "      {\"frame\": " << index << ", \"width\": " << frame.width
                 << ", \"height\": " << frame.height << ", \"paletteId\": " << frame.paletteId
                 << ", \"flags\": " << frame.flags << ", \"transparentIndex\": " << frame.transparentIndex
                 << ", \"xOffset\": " << frame.xOffset << ", \"yOffset\": " << frame.yOffset;
            frameSeparator = ",\n";
            const uint8_t* colours = FramePalette(file, frame, spr2.PaletteId());
            if (colours == nullptr || frame.width == 0 || frame.height == 0) {
                json << ", \"png\": null}";
                if (colours == nullptr) {
                    context.Error(NoPaletteText(index, chunk->Id()));
                    failed = true;
                }
                continue;
            }
            ExportedFrame pictures;
            if (!ExportFrame(frame, PaletteColours(colours, 768), pictures)) {
                context.Error("Frame " + std::to_string(index) + " of SPR2 " + std::to_string(chunk->Id()) +
                              " could not be decoded completely; its pictures show what was drawn.");
                failed = true;
            }
            const std::string colourName = FrameName(chunk->Id(), index, false);
            const std::string depthName = FrameName(chunk->Id(), index, true);
            json << ", \"png\": " << JsonString(colourName) << ", \"depthPng\": " << JsonString(depthName) << "}";
            const std::vector<uint8_t> colourPng = EncodeRgbaPng(pictures.rgba, frame.width, frame.height);
            const std::vector<uint8_t> depthPng = EncodeGreyPng(pictures.depth, frame.width, frame.height);
            if (colourPng.empty() || depthPng.empty()) {
                context.Error("Can't encode the picture!");
                return kExitFailure;
            }
            if (!WriteExportFile(context, folder / colourName, colourPng) ||
                !WriteExportFile(context, folder / depthName, depthPng))
                return kExitFailure;
        }
        json << "\n    ]}";
    }
    json << "\n  ]\n}\n";
    const std::string text = json.str();
    if (!WriteExportFile(context, folder / "sprites.json",
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
    CIffFileRef file;
    if (!OpenIff(context, args[0], file))
        return kExitFailure;
    const std::optional<std::vector<CIffChunk*>> chunks = SelectSprites(context, file, sprite);
    if (!chunks)
        return kExitFailure;
    const std::filesystem::path folder(*sprite.from);

    bool failed = false;
    for (CIffChunk* chunk : *chunks) {
        CSpr2Sprite spr2;
        if (!spr2.Load(file, chunk)) {
            context.messenger.Show(Message{kCantLoadSprite, "Warning", MessageIcon::Error, MessageButtons::Ok});
            failed = true;
            continue;
        }
        bool changed = false;
        for (int index = 0; index < spr2.FrameCount(); ++index) {
            Spr2Frame frame;
            if (!spr2.GetFrame(index, frame))
                break;
            // A frame without a picture in the folder stays as it is.
            const std::filesystem::path colourPath = folder / FrameName(chunk->Id(), index, false);
            std::error_code error;
            if (!std::filesystem::exists(colourPath, error))
                continue;
            PngPicture rgba;
            if (!ReadPicture(context, colourPath, false, rgba)) {
                failed = true;
                continue;
            }
            std::vector<uint8_t> depth(static_cast<size_t>(rgba.width) * rgba.height, 255);
            const std::filesystem::path depthPath = folder / FrameName(chunk->Id(), index, true);
            if (std::filesystem::exists(depthPath, error)) {
                PngPicture grey;
                if (!ReadPicture(context, depthPath, true, grey)) {
                    failed = true;
                    continue;
                }
                if (grey.width != rgba.width || grey.height != rgba.height) {
                    context.Error(Fill("\"%1\" is not the size of ", depthPath.string()) + "\"" +
                                  colourPath.string() + "\"!");
                    failed = true;
                    continue;
                }
                depth = std::move(grey.pixels);
            }
            const uint8_t* colours = FramePalette(file, frame, spr2.PaletteId());
            if (colours == nullptr) {
                context.Error(NoPaletteText(index, chunk->Id()));
                failed = true;
                continue;
            }
            NearestColour nearest(colours);
            std::vector<uint8_t> commands = EncodeSpr2Frame(PlanesFrom(rgba, depth, nearest));
            frame.width = static_cast<uint16_t>(rgba.width);
            frame.height = static_cast<uint16_t>(rgba.height);
            if (!spr2.ReplaceFrame(index, frame, std::move(commands))) {
                context.Error(kCantLoadSprite);
                failed = true;
                continue;
            }
            changed = true;
        }
        if (changed && !spr2.Store()) {
            context.Error("Can't write one of the SPR2 resources!");
            failed = true;
        }
    }
    // A half-imported object is not written over anything.
    if (failed) {
        context.Error("Nothing was written.");
        return kExitFailure;
    }
    return SaveIffOutput(context, file, args[0], args[1]);
}

} // namespace vorn

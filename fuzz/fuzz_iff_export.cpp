// `iff export` on an object file: every frame of every SPR2 sprite turned
// into its colour and depth pictures and encoded as PNGs, as the command does
// before writing them. Frames claiming more pixels than the limit must be
// refused before anything is allocated for them.
#include "cli/png_writer.h"
#include "iff/iff_file_ref.h"
#include "iff/palt_palette.h"
#include "iff/spr2_sprite.h"
#include "iff/type_codes.h"
#include "sprites/frame_export.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

namespace {

constexpr size_t kSlowPixels = size_t{1} << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CIffFileRef file;
    IffParseError error = IffParseError::None;
    if (!file.Open(std::span<const uint8_t>(data, size), error, true))
        return 0;
    for (CIffChunk* chunk : file.ChunksOfType(kTypeSpr2)) {
        CSpr2Sprite sprite;
        if (!sprite.Load(file, chunk))
            continue;
        for (int index = 0; index < sprite.FrameCount(); ++index) {
            Spr2Frame frame;
            if (!sprite.GetFrame(index, frame))
                break;
            CIffChunk* palette = PaltPalette::FindChunk(file, frame.paletteId, sprite.PaletteId());
            const uint8_t* colours = palette != nullptr ? PaltPalette::Colours(*palette) : nullptr;
            if (colours == nullptr)
                continue;
            // Frames near the limit are exported as well as small ones but
            // take seconds each under the sanitizers; the refusal above it is
            // what a fuzzed size must reach.
            const size_t pixels = size_t{frame.width} * frame.height;
            if (pixels > kSlowPixels && pixels <= kMaxFramePixels)
                continue;
            ExportedFrame pictures;
            const FrameExportResult result = ExportFrame(frame, PaletteColours(colours, 768), pictures);
            if (result == FrameExportResult::TooLarge) {
                if (pixels <= kMaxFramePixels || !pictures.rgba.empty())
                    abort();
                continue;
            }
            if (pictures.rgba.size() != 4 * pixels || pictures.depth.size() != pixels)
                abort();
            if (pixels == 0)
                continue;
            if (EncodeRgbaPng(pictures.rgba, frame.width, frame.height).empty() ||
                EncodeGreyPng(pictures.depth, frame.width, frame.height).empty())
                abort();
        }
    }
    return 0;
}

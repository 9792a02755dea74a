// SPR2 sprites: reading the chunk, then drawing every frame into a small
// target in each of the four pixel formats, plain and mirrored.
//
// Input: three signed bytes (x, y, depth bias of the frame's placement) and
// then the chunk's data. The container around it holds usable palettes 0 and
// 1 (the latter with a header starting with 0) and a cut-short palette 2. A
// version 1001 sprite that reads must write back the bytes it was read from.
#include "iff/iff_file.h"
#include "iff/iff_file_ref.h"
#include "iff/palt_palette.h"
#include "iff/spr2_sprite.h"
#include "iff/type_codes.h"
#include "sprites/draw_sprite.h"
#include "sprites/render_target.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace vorn;

namespace {

constexpr size_t kPlacementBytes = 3;
constexpr int32_t kTargetWidth = 24;
constexpr int32_t kTargetHeight = 20;

std::vector<uint8_t> Palette(size_t length, uint8_t version = 1)
{
    std::vector<uint8_t> palt(length, 0);
    palt[0] = version;
    palt[5] = 1; // 256 colours (little-endian at offset 4)
    for (size_t i = PaltPalette::kColoursOffset; i < length; ++i)
        palt[i] = static_cast<uint8_t>(i * 7);
    return palt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kPlacementBytes)
        return 0;
    const auto x = static_cast<int8_t>(data[0]);
    const auto y = static_cast<int8_t>(data[1]);
    const auto bias = static_cast<int8_t>(data[2]);

    static const std::vector<uint8_t> full = Palette(PaltPalette::kMinimumSize);
    static const std::vector<uint8_t> zero = Palette(PaltPalette::kMinimumSize, 0);
    static const std::vector<uint8_t> cut = Palette(PaltPalette::kMinimumSize - 1);
    CIffFileRef file;
    CIffFile* container = file.File();
    container->AddChunk(kTypePalt, 0, CIffChunk::kDefaultFlags, "", full);
    container->AddChunk(kTypePalt, 1, CIffChunk::kDefaultFlags, "", zero);
    container->AddChunk(kTypePalt, 2, CIffChunk::kDefaultFlags, "", cut);
    CIffChunk* chunk = container->AddChunk(kTypeSpr2, 100, CIffChunk::kDefaultFlags, "",
                                           std::span<const uint8_t>(data + kPlacementBytes, size - kPlacementBytes));
    if (chunk == nullptr)
        return 0;

    CSpr2Sprite sprite;
    const bool read = sprite.Load(file, chunk); // frames read before a failure are drawn too
    RenderTarget target;
    for (const int bits : {15, 16, 24, 32}) {
        if (!target.Allocate(kTargetWidth, kTargetHeight, bits))
            abort();
        for (int i = 0; i < sprite.FrameCount(); ++i) {
            Spr2Frame frame;
            if (!sprite.GetFrame(i, frame))
                continue;
            for (const bool mirror : {false, true}) {
                target.x = x;
                target.y = y;
                target.depthBias = bias;
                target.mirror = mirror;
                DrawSprite(file, frame, target, sprite.PaletteId());
            }
        }
    }
    sprite.Write();
    if (read && sprite.Version() == CSpr2Sprite::kSequentialVersion) {
        const auto written = chunk->Bytes();
        if (!std::equal(written.begin(), written.end(), data + kPlacementBytes, data + size) ||
            written.size() != size - kPlacementBytes)
            abort();
    }
    return 0;
}

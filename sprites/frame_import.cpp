#include "sprites/frame_import.h"

#include "sprites/frame_export.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

namespace vorn {

namespace {

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

    const uint8_t* Colour(uint8_t index) const { return palette_ + 3 * index; }

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

Spr2PixelPlanes PlanesFrom(const FramePictures& pictures, NearestColour& nearest, ColourDrift& drift)
{
    uint32_t largestSquared = 0;
    Spr2PixelPlanes planes;
    planes.width = static_cast<uint16_t>(pictures.width);
    planes.height = static_cast<uint16_t>(pictures.height);
    const size_t pixels = static_cast<size_t>(pictures.width) * pictures.height;
    planes.kind.resize(pixels);
    planes.colour.resize(pixels);
    planes.depth.assign(pictures.depth.begin(), pictures.depth.end());
    planes.alpha.resize(pixels);
    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t* px = pictures.rgba.data() + 4 * p;
        const uint8_t alpha = px[3];
        const bool hasDepth = pictures.depth[p] != 255;
        if (alpha == 255)
            planes.kind[p] = hasDepth ? Spr2PixelKind::Depth : Spr2PixelKind::Plain;
        else if (alpha == 0 && !hasDepth)
            planes.kind[p] = Spr2PixelKind::Transparent;
        else
            planes.kind[p] = Spr2PixelKind::Blended;
        planes.alpha[p] = static_cast<uint8_t>(255 - alpha);
        if (planes.kind[p] == Spr2PixelKind::Transparent)
            continue;
        planes.colour[p] = nearest(px[0], px[1], px[2]);
        // A fully faded pixel shows no colour to lose.
        if (alpha == 0)
            continue;
        const uint8_t* drawn = nearest.Colour(planes.colour[p]);
        const int dr = px[0] - drawn[0], dg = px[1] - drawn[1], db = px[2] - drawn[2];
        const auto squared = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
        if (squared > ColourDrift::kTolerance * ColourDrift::kTolerance)
            ++drift.pixels;
        largestSquared = std::max(largestSquared, squared);
    }
    drift.largest = static_cast<uint32_t>(std::lround(std::sqrt(static_cast<double>(largestSquared))));
    return planes;
}

// True when `frame`'s pixel commands, drawn with `colours`, give exactly
// these pictures.
bool DrawsPictures(const Spr2Frame& frame, const uint8_t* colours, const FramePictures& pictures)
{
    if (pictures.width != frame.width || pictures.height != frame.height)
        return false;
    ExportedFrame drawn;
    return ExportFrame(frame, PaletteColours(colours, 768), drawn) == FrameExportResult::Complete &&
           std::ranges::equal(drawn.rgba, pictures.rgba) && std::ranges::equal(drawn.depth, pictures.depth);
}

} // namespace

FrameContent ContentOf(const Spr2Frame& frame)
{
    // A header may claim far more pixels than any frame has: such a frame is
    // not drawn here, and is taken to have had both.
    if (uint64_t{frame.width} * frame.height > kMaxFramePixels)
        return {true, true};
    // Alpha and depth do not depend on the colours: any palette will do.
    static constexpr std::array<uint8_t, 768> kAnyColours{};
    ExportedFrame pictures;
    ExportFrame(frame, PaletteColours(kAnyColours), pictures);
    FrameContent content;
    for (size_t p = 0; p < pictures.depth.size(); ++p) {
        content.translucent = content.translucent || pictures.rgba[4 * p + 3] != 255;
        content.depth = content.depth || pictures.depth[p] != 255;
    }
    return content;
}

FrameImport ImportFramePictures(const Spr2Frame& frame, const uint8_t* colours, const FramePictures& pictures)
{
    FrameImport result;
    const size_t pixels = static_cast<size_t>(pictures.width) * pictures.height;
    if (pictures.rgba.size() != 4 * pixels || pictures.depth.size() != pixels) {
        result.status = FrameImportStatus::WrongSizes;
        return result;
    }
    if (DrawsPictures(frame, colours, pictures))
        return result;
    NearestColour nearest(colours);
    result.encode = EncodeSpr2Frame(PlanesFrom(pictures, nearest, result.drift), result.commands);
    switch (result.encode.status) {
    case Spr2EncodeStatus::Ok: result.status = FrameImportStatus::Encoded; break;
    case Spr2EncodeStatus::RowTooLong: result.status = FrameImportStatus::RowTooLong; break;
    case Spr2EncodeStatus::WrongPlaneSizes: result.status = FrameImportStatus::WrongSizes; break;
    }
    return result;
}

} // namespace vorn

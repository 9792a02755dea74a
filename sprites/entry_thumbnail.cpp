#include "sprites/entry_thumbnail.h"

#include "base/name_compare.h"
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "sprites/bmp_decoder.h"
#include "sprites/object_renderer.h"
#include "sprites/preview_paint.h"
#include "sprites/render_target.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace vorn {

namespace {

// An object is drawn whole before it is shrunk. The game's largest objects
// are a few hundred pixels a side at the smallest zoom; an extent beyond
// this comes from a damaged draw group and is not allocated.
constexpr int64_t kMaxObjectSide = 1024;

// Shrinks a picture to fit a square, fed a row at a time either top to
// bottom or bottom to top, holding the sums of one output row only: every
// source pixel adds into the output pixel it falls in, its colour weighted
// by its alpha, so transparent pixels lend no colour to their neighbours.
class RowShrinker {
public:
    RowShrinker(int32_t width, int32_t height, int32_t size) : height_(height), columns_(static_cast<size_t>(width))
    {
        const int64_t longest = std::max(width, height);
        const int64_t side = std::min<int64_t>(longest, size);
        const auto fit = [&](int64_t length) {
            return static_cast<int32_t>(std::max<int64_t>(1, (length * side + longest / 2) / longest));
        };
        picture_.width = fit(width);
        picture_.height = fit(height);
        picture_.rgba.assign(4 * static_cast<size_t>(picture_.width) * static_cast<size_t>(picture_.height), 0);
        sums_.assign(kSums * static_cast<size_t>(picture_.width), 0);
        for (int64_t x = 0; x < width; ++x)
            columns_[static_cast<size_t>(x)] = static_cast<int32_t>(x * picture_.width / width);
    }

    // `pixels`: the row's pixels, `channels` bytes each (3 for opaque R, G, B; 4 with alpha).
    void AddRow(int32_t row, const uint8_t* pixels, int channels)
    {
        const auto target = static_cast<int32_t>(int64_t{row} * picture_.height / height_);
        if (target != sumRow_) {
            Flush();
            sumRow_ = target;
        }
        for (size_t x = 0; x < columns_.size(); ++x, pixels += channels) {
            const uint64_t alpha = channels == 4 ? pixels[3] : 255;
            uint64_t* sum = &sums_[kSums * static_cast<size_t>(columns_[x])];
            for (int c = 0; c < 3; ++c)
                sum[c] += pixels[c] * alpha;
            sum[3] += alpha;
            sum[4] += 1;
        }
    }

    RgbaImage Finish()
    {
        Flush();
        return std::move(picture_);
    }

private:
    static constexpr size_t kSums = 5; // red, green and blue times alpha, alpha, pixels

    void Flush()
    {
        if (sumRow_ < 0)
            return;
        uint8_t* out = &picture_.rgba[4 * static_cast<size_t>(sumRow_) * static_cast<size_t>(picture_.width)];
        for (size_t x = 0; x < static_cast<size_t>(picture_.width); ++x, out += 4) {
            const uint64_t* sum = &sums_[kSums * x];
            if (sum[3] != 0)
                for (int c = 0; c < 3; ++c)
                    out[c] = static_cast<uint8_t>((sum[c] + sum[3] / 2) / sum[3]);
            if (sum[4] != 0)
                out[3] = static_cast<uint8_t>((sum[3] + sum[4] / 2) / sum[4]);
        }
        std::fill(sums_.begin(), sums_.end(), uint64_t{0});
        sumRow_ = -1;
    }

    int32_t height_;
    std::vector<int32_t> columns_; // output column of each source column
    std::vector<uint64_t> sums_;
    int32_t sumRow_ = -1; // output row the sums belong to
    RgbaImage picture_;
};

struct ObjectView {
    int zoom = 0;
    BoundsRect bounds;
};

// The largest zoom whose extent fits `size`, or when none does the smallest
// zoom that has an extent at all.
std::optional<ObjectView> ChooseZoom(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t size)
{
    std::optional<ObjectView> smallest;
    for (int zoom = 3; zoom >= 1; --zoom) {
        const BoundsRect bounds = ObjectBounds(catalogue, entry, 0, 0, zoom);
        const int64_t width = int64_t{bounds.right} - bounds.left;
        const int64_t height = int64_t{bounds.bottom} - bounds.top;
        if (bounds.IsEmpty() || width <= 0 || height <= 0)
            continue;
        if (width <= size && height <= size)
            return ObjectView{zoom, bounds};
        smallest = ObjectView{zoom, bounds};
    }
    return smallest;
}

// Draws the object twice, over white and over black: a pixel that differs
// between the two lets that much of the background through, which gives its
// alpha (blended shadows included) and, from the black drawing, its colour.
// The frames' transparent colour index is left out: it marks the pixels the
// game does not draw, in a colour (often pure yellow) meant to vanish on the
// editor's background of that colour. The picture is cropped to what shows.
// False when nothing of the object shows.
bool DrawObjectThumbnail(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t size,
                         RgbaImage& picture)
{
    const std::optional<ObjectView> view = ChooseZoom(catalogue, entry, size);
    if (!view)
        return false;
    const int64_t width = int64_t{view->bounds.right} - view->bounds.left;
    const int64_t height = int64_t{view->bounds.bottom} - view->bounds.top;
    RenderTarget target;
    if (width > kMaxObjectSide || height > kMaxObjectSide ||
        !target.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), 32))
        return false;
    target.hideTransparentIndex = true;
    const PreviewView preview{0, 0, view->zoom};
    const PreviewPan origin{WrapSub(0, view->bounds.left), WrapSub(0, view->bounds.top)};
    PaintPreview(target, catalogue, entry, preview, origin, nullptr, 255, 255, 255);
    const std::vector<uint8_t> overWhite = ColourPlaneToRgb(target);
    PaintPreview(target, catalogue, entry, preview, origin, nullptr, 0, 0, 0);

    // Row `y` as R, G, B, A into `row`.
    std::vector<uint8_t> row(4 * static_cast<size_t>(width));
    const auto takeRow = [&](int32_t y) {
        const uint8_t* black = target.ColourRowFromTop(y); // B, G, R, 0
        const uint8_t* white = &overWhite[3 * static_cast<size_t>(y) * static_cast<size_t>(width)];
        for (size_t x = 0; x < static_cast<size_t>(width); ++x, white += 3, black += 4) {
            const uint8_t colour[3] = {black[2], black[1], black[0]};
            int through = 0;
            for (int c = 0; c < 3; ++c)
                through += white[c] - colour[c];
            const int alpha = 255 - std::clamp((through + 1) / 3, 0, 255);
            uint8_t* out = &row[4 * x];
            for (int c = 0; c < 3; ++c)
                out[c] = alpha == 0 ? 0 : static_cast<uint8_t>(std::min(255, (colour[c] * 255 + alpha / 2) / alpha));
            out[3] = static_cast<uint8_t>(alpha);
        }
    };
    // The extent of what shows, then only that, shrunk.
    int32_t left = target.Width(), right = -1, top = target.Height(), bottom = -1;
    for (int32_t y = 0; y < target.Height(); ++y) {
        takeRow(y);
        for (int32_t x = 0; x < target.Width(); ++x)
            if (row[4 * static_cast<size_t>(x) + 3] != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
    }
    if (right < 0)
        return false;
    RowShrinker shrinker(right - left + 1, bottom - top + 1, size);
    for (int32_t y = top; y <= bottom; ++y) {
        takeRow(y);
        shrinker.AddRow(y - top, &row[4 * static_cast<size_t>(left)], 4);
    }
    picture = shrinker.Finish();
    return true;
}

ThumbnailResult DrawIffThumbnail(std::span<const uint8_t> bytes, int32_t size, RgbaImage& picture)
{
    CIffFileRef file;
    IffParseError error{};
    if (!file.Open(bytes, error, true))
        return ThumbnailResult::NothingToShow;
    CObjectCatalogue catalogue;
    if (!catalogue.Build(&file))
        return ThumbnailResult::NothingToShow;
    for (auto position = catalogue.FirstDisplayable(); position != CObjectCatalogue::kEnd;)
        if (DrawObjectThumbnail(catalogue, *catalogue.NextDisplayable(position), size, picture))
            return ThumbnailResult::Drawn;
    return ThumbnailResult::NothingToShow;
}

ThumbnailResult DrawBmpThumbnail(std::span<const uint8_t> bytes, int32_t size, RgbaImage& picture)
{
    const std::optional<BmpLayout> layout = BmpLayout::Read(bytes);
    if (!layout)
        return ThumbnailResult::NothingToShow;
    RowShrinker shrinker(static_cast<int32_t>(layout->width), static_cast<int32_t>(layout->Rows()), size);
    if (!DecodeBmpRows(bytes, [&](uint32_t row, std::span<const uint8_t> rgb) {
            shrinker.AddRow(static_cast<int32_t>(row), rgb.data(), 3);
        }))
        return ThumbnailResult::NothingToShow;
    picture = shrinker.Finish();
    return ThumbnailResult::Drawn;
}

} // namespace

ThumbnailResult DrawEntryThumbnail(std::string_view name, std::span<const uint8_t> bytes, int32_t size,
                                   RgbaImage& picture)
{
    if (size < 1 || size > kMaxThumbnailSize)
        return ThumbnailResult::NothingToShow;
    if (EndsWithNoCase(name, ".iff"))
        return DrawIffThumbnail(bytes, size, picture);
    if (EndsWithNoCase(name, ".bmp"))
        return DrawBmpThumbnail(bytes, size, picture);
    return ThumbnailResult::NothingToShow;
}

} // namespace vorn

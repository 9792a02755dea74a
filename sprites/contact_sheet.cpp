#include "sprites/contact_sheet.h"

#include "sprites/label_font.h"
#include "sprites/object_renderer.h"
#include "sprites/preview_pan.h"

#include <algorithm>

namespace vorn {

namespace {

constexpr int32_t kMargin = 6;      // around each picture inside its cell
constexpr int32_t kGap = 4;         // between cells and around the band
constexpr int32_t kSmallestCell = LabelFont::kAdvance * 5 + kMargin; // "D0 Z1" fits
constexpr uint32_t kInk = 0x000000;
constexpr uint32_t kFailure = 0xD00000;
constexpr uint32_t kCaption = 0x606060;
// A picture beyond this is not a picture an object can have; its cell is cut.
constexpr int64_t kLargestCell = 1024;

int32_t CellSide(int64_t extent)
{
    return static_cast<int32_t>(std::clamp<int64_t>(extent + 2 * kMargin, kSmallestCell, kLargestCell));
}

int32_t LinesHeight() { return 2 * LabelFont::kLineHeight; }

void FillRect(std::span<uint8_t> rgb, int32_t width, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour)
{
    const int32_t rows = static_cast<int32_t>(rgb.size() / 3 / static_cast<size_t>(width));
    for (int32_t row = std::max(y, 0); row < std::min(y + h, rows); ++row)
        for (int32_t column = std::max(x, 0); column < std::min(x + w, width); ++column) {
            uint8_t* p = rgb.data() + (static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column)) * 3;
            p[0] = static_cast<uint8_t>(colour >> 16);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour);
        }
}

void Frame(std::span<uint8_t> rgb, int32_t width, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour)
{
    constexpr int32_t kLine = 2;
    FillRect(rgb, width, x, y, w, kLine, colour);
    FillRect(rgb, width, x, y + h - kLine, w, kLine, colour);
    FillRect(rgb, width, x, y, kLine, h, colour);
    FillRect(rgb, width, x + w - kLine, y, kLine, h, colour);
}

// Copies the target's picture into `rgb` at (x, y) as R, G, B bytes.
void CopyCell(const RenderTarget& target, std::span<uint8_t> rgb, int32_t width, int32_t x, int32_t y)
{
    for (int32_t row = 0; row < target.Height(); ++row) {
        const uint8_t* in = target.ColourRowFromTop(row);
        uint8_t* out = rgb.data() + (static_cast<size_t>(y + row) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        for (int32_t column = 0; column < target.Width(); ++column, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
}

// True when any pixel differs from the preview's background.
bool ShowsSomething(const RenderTarget& target)
{
    for (int32_t row = 0; row < target.Height(); ++row) {
        const uint8_t* p = target.ColourRowFromTop(row);
        for (int32_t column = 0; column < target.Width(); ++column, p += 4)
            if (p[2] != kPreviewRed || p[1] != kPreviewGreen || p[0] != kPreviewBlue)
                return true;
    }
    return false;
}

} // namespace

PreviewView ContactSheetBand::ViewOf(int32_t graphic, int index)
{
    return {graphic, 2 * (index % 4), 1 + index / 4};
}

ContactSheetBand::ContactSheetBand(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t graphic,
                                     std::string title)
    : title_(std::move(title)), graphic_(graphic)
{
    bool anything = false;
    int64_t tallest = 0;
    for (int i = 0; i < kViews; ++i) {
        const PreviewView view = ViewOf(graphic, i);
        bounds_[i] = ObjectBounds(catalogue, entry, view.graphicIndex, view.direction, view.zoom);
        const BoundsRect& b = bounds_[i];
        const int64_t w = b.IsEmpty() ? 0 : static_cast<int64_t>(b.right) - b.left;
        const int64_t h = b.IsEmpty() ? 0 : static_cast<int64_t>(b.bottom) - b.top;
        anything = anything || !b.IsEmpty();
        cellWidths_[i] = CellSide(w);
        tallest = std::max(tallest, h);
    }
    cellHeight_ = anything ? CellSide(tallest) : 0;
}

int32_t ContactSheetBand::Width() const
{
    int32_t cells = 0;
    if (HasCells())
        for (const int32_t w : cellWidths_)
            cells += w + kGap;
    return std::max(cells + kGap, LabelFont::Width(title_) + 2 * kGap);
}

ContactSheetBand::Cell ContactSheetBand::CellAt(int index) const
{
    Cell cell{kGap, kGap + LinesHeight() + LabelFont::kLineHeight, 0, cellHeight_};
    for (int i = 0; i < index; ++i)
        cell.x += cellWidths_[i] + kGap;
    cell.width = HasCells() ? cellWidths_[index] : 0;
    return cell;
}

int32_t ContactSheetBand::Height() const
{
    const int32_t cells = HasCells() ? LabelFont::kLineHeight + cellHeight_ : 0;
    return kGap + LinesHeight() + cells + kGap;
}

ContactSheetBand::Outcome ContactSheetBand::Draw(const CObjectCatalogue& catalogue, const ObjectEntry& entry,
                                                   std::span<uint8_t> rgb, int32_t width, RenderTarget& scratch) const
{
    Outcome outcome;
    if (width <= 0 || rgb.size() / 3 / static_cast<size_t>(width) < static_cast<size_t>(Height()))
        return outcome;
    const int32_t height = Height();
    FillRect(rgb, width, 0, 0, width, height, kPaper);
    LabelFont::Draw(rgb, width, height, kGap, kGap + 1, title_, kInk);
    for (int i = 0; i < kViews; ++i) {
        const PreviewView view = ViewOf(graphic_, i);
        // A band without cells still draws each view, into one pixel, to learn what it lacks.
        const Cell cell = HasCells() ? CellAt(i) : Cell{0, 0, 1, 1};
        const bool fits = scratch.HasPlanes() && scratch.Width() == cell.width && scratch.Height() == cell.height &&
                          scratch.BitsPerPixel() == 32;
        if (!fits && !scratch.Allocate(cell.width, cell.height, 32))
            continue; // counted as not drawn completely
        const bool complete = PaintPreview(scratch, catalogue, entry, view,
                                           RecentrePan(cell.width, cell.height, bounds_[i]), &outcome.report);
        outcome.completeViews += complete ? 1 : 0;
        if (!HasCells() || cell.x + cell.width > width)
            continue;
        outcome.drewAnything = outcome.drewAnything || ShowsSomething(scratch);
        LabelFont::Draw(rgb, width, height, cell.x, cell.y - LabelFont::kLineHeight + 1,
                        "D" + std::to_string(view.direction) + " Z" + std::to_string(view.zoom), kCaption);
        CopyCell(scratch, rgb, width, cell.x, cell.y);
        if (!complete)
            Frame(rgb, width, cell.x, cell.y, cell.width, cell.height, kFailure);
    }
    std::string status = outcome.report.Summary();
    if (status.empty())
        status = outcome.completeViews == kViews ? "Drawn completely in all 12 views" : "Not drawn completely";
    LabelFont::Draw(rgb, width, height, kGap, kGap + LabelFont::kLineHeight + 1, status,
                    outcome.completeViews == kViews ? kInk : kFailure);
    return outcome;
}

} // namespace vorn

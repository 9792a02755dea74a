#pragma once

#include "iff/object_catalogue.h"
#include "sprites/bounds_rect.h"
#include "sprites/draw_report.h"
#include "sprites/preview_paint.h"
#include "sprites/render_target.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace vorn {

// A contact sheet shows objects in bands, one band per graphic of an
// object: a title line, a status line, and the 12 views side by side
// (directions 0, 2, 4, 6 at zoom 1, then at zoom 2 and 3), each captioned
// ("D0 Z1") and drawn as the preview draws it, centred on yellow in a cell
// just large enough for it, with a red frame when it is not drawn completely.
// A band whose views have nothing to draw shows its two lines alone.
class ContactSheetBand {
public:
    static constexpr int kViews = 12;
    static constexpr uint32_t kPaper = 0xFFFFFF;

    // The view of cell `index` (0..11) for a graphic.
    static PreviewView ViewOf(int32_t graphic, int index);

    // Measures the 12 views of one graphic of `entry`. Cheap next to drawing:
    // only the frames' sizes are read.
    ContactSheetBand(const CObjectCatalogue& catalogue, const ObjectEntry& entry, int32_t graphic,
                      std::string title);

    const std::string& Title() const { return title_; }
    int32_t Graphic() const { return graphic_; }
    bool HasCells() const { return cellHeight_ != 0; }
    // The least width that shows every cell and the title.
    int32_t Width() const;
    int32_t Height() const;

    // Where view `index`'s picture goes within the band.
    struct Cell {
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;
    };
    Cell CellAt(int index) const;

    // What drawing the band found.
    struct Outcome {
        int completeViews = 0;
        bool drewAnything = false;
        DrawReport report;
    };
    // Draws the band into `rgb`: rows of `width` pixels (3 bytes each), at
    // least Height() of them, which it paints over from the top. `scratch`
    // is reused between cells. The catalogue and entry must be those the
    // band was measured with (or equal ones).
    Outcome Draw(const CObjectCatalogue& catalogue, const ObjectEntry& entry, std::span<uint8_t> rgb,
                 int32_t width, RenderTarget& scratch) const;

private:
    std::string title_;
    int32_t graphic_ = 0;
    std::array<BoundsRect, kViews> bounds_;
    std::array<int32_t, kViews> cellWidths_{};
    int32_t cellHeight_ = 0; // 0: nothing to draw in any view
};

} // namespace vorn

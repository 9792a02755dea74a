// Object files: the object definitions and the catalogue built from them,
// then the first displayable object drawn (with its bounds) in every view
// direction, with what could not be drawn gathered and named, and the
// file's thumbnail.
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "sprites/draw_report.h"
#include "sprites/entry_thumbnail.h"
#include "sprites/object_renderer.h"
#include "sprites/render_target.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CIffFileRef file;
    IffParseError error = IffParseError::None;
    if (!file.Open(std::span<const uint8_t>(data, size), error, true))
        return 0;
    RgbaImage thumbnail;
    if (DrawEntryThumbnail("a.iff", std::span<const uint8_t>(data, size), 32, thumbnail) == ThumbnailResult::Drawn &&
        (thumbnail.width < 1 || thumbnail.height < 1 || thumbnail.width > 32 || thumbnail.height > 32))
        abort();
    CObjectCatalogue catalogue;
    if (!catalogue.Build(&file))
        return 0;
    CObjectCatalogue::Position position = catalogue.FirstDisplayable();
    const ObjectEntry* entry = catalogue.NextDisplayable(position);
    if (entry == nullptr)
        return 0;

    RenderTarget target;
    if (!target.Allocate(48, 40, 32))
        abort();
    // One zoom per input, so each run stays cheap; inputs differing in
    // length reach the others.
    const int zoom = 1 + static_cast<int>(size % 3);
    for (int direction = 0; direction < 8; ++direction) {
        ObjectBounds(catalogue, *entry, 0, direction, zoom);
        target.x = 24;
        target.y = 30;
        DrawReport report;
        // A single object that is not drawn completely must say what was left out.
        if (!DrawObject(catalogue, *entry, 0, direction, zoom, target, &report) && entry->single && report.Complete())
            abort();
        report.Summary();
    }
    return 0;
}

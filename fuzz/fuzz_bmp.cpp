// BMP pictures: the loader's own checks of the headers, colour table and
// compressed streams, the image reader it hands the checked file to, and
// the toolkit-free decoder vorn-cli uses on the same checks, and the
// thumbnail that decoder's rows are shrunk into.
#include "app/bitmap_loader.h"
#include "base/memory_stream.h"
#include "sprites/bmp_decoder.h"
#include "sprites/entry_thumbnail.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryStream file(std::span<const uint8_t>(data, size));
    BitmapLoader::Load(file);
    const std::optional<DecodedBitmap> decoded = DecodeBmp(std::span<const uint8_t>(data, size));
    if (decoded && decoded->rgb.size() != size_t{3} * decoded->width * decoded->height)
        abort();
    RgbaImage thumbnail;
    if (DrawEntryThumbnail("a.bmp", std::span<const uint8_t>(data, size), 48, thumbnail) == ThumbnailResult::Drawn &&
        (!decoded || std::max(thumbnail.width, thumbnail.height) > 48 ||
         thumbnail.rgba.size() != size_t{4} * static_cast<size_t>(thumbnail.width) * static_cast<size_t>(thumbnail.height)))
        abort();
    return 0;
}

// BMP pictures: the loader's own checks of the headers, colour table and
// compressed streams, the image reader it hands the checked file to, and
// the toolkit-free decoder vorn-cli uses on the same checks.
#include "app/bitmap_loader.h"
#include "base/memory_stream.h"
#include "sprites/bmp_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryStream file(std::span<const uint8_t>(data, size));
    BitmapLoader::Load(file);
    const std::optional<DecodedBitmap> decoded = DecodeBmp(std::span<const uint8_t>(data, size));
    if (decoded && decoded->rgb.size() != size_t{3} * decoded->width * decoded->height)
        abort();
    return 0;
}

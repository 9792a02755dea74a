// BMP pictures: the loader's own checks of the headers, colour table and
// compressed streams, and the image reader it hands the checked file to.
#include "app/bitmap_loader.h"
#include "base/memory_stream.h"

#include <cstddef>
#include <cstdint>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryStream file(std::span<const uint8_t>(data, size));
    BitmapLoader::Load(file);
    return 0;
}

// PNG pictures as `iff import` reads them: RGBA and grey, under the frame
// limits, so a small file claiming a huge picture must be refused from its
// header rather than allocated.
#include "cli/png_reader.h"
#include "sprites/frame_export.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const PngLimits limits{0xFFFF, kMaxFramePixels};
    PngPicture picture;
    if (PngReader::ReadRgba(bytes, limits, picture) == PngReadStatus::Ok &&
        picture.pixels.size() != size_t{picture.width} * picture.height * 4)
        abort();
    if (PngReader::ReadGrey(bytes, limits, picture) == PngReadStatus::Ok &&
        picture.pixels.size() != size_t{picture.width} * picture.height)
        abort();
    return 0;
}

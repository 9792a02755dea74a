// Palette files as iff palette-import and the resource window read them: a
// GIMP palette (.gpl) and a swatch picture. What reads must write back as
// itself; the same bytes taken as the pixels of a claimed size must be
// refused unless they fill it.
#include "cli/png_reader.h"
#include "sprites/palette_files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace vorn;

namespace {

void CheckRead(const PaletteFileRead& read)
{
    if (read.read != read.problem.empty() || (read.read && (read.count == 0 || read.count > 256)))
        abort();
}

uint32_t Le32(const uint8_t* bytes)
{
    return bytes[0] | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const PaletteFileRead gpl = PaletteFiles::ReadGpl(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckRead(gpl);
    if (gpl.read) {
        const PaletteFileRead again = PaletteFiles::ReadGpl(PaletteFiles::WriteGpl(gpl.colours, "fuzz"));
        if (!again.read || again.count != 256 || again.colours != gpl.colours)
            abort();
    }

    constexpr uint32_t kSide = PaletteFiles::kMaxSwatchSide;
    PngPicture picture;
    if (PngReader::ReadRgba(bytes, PngLimits{kSide, uint64_t{kSide} * kSide}, picture) == PngReadStatus::Ok) {
        const PaletteFileRead swatch = PaletteFiles::ReadSwatch(picture.pixels, picture.width, picture.height);
        CheckRead(swatch);
        if (swatch.read && swatch.count != 256)
            abort();
    }

    // Width and height from the first 8 bytes, the rest as pixels.
    if (size >= 8) {
        const uint32_t width = Le32(data);
        const uint32_t height = Le32(data + 4);
        const PaletteFileRead swatch = PaletteFiles::ReadSwatch(bytes.subspan(8), width, height);
        CheckRead(swatch);
        if (swatch.read && size - 8 != uint64_t{width} * height * 4)
            abort();
    }
    return 0;
}

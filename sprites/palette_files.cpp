#include "sprites/palette_files.h"

#include "base/name_compare.h"

#include <charconv>
#include <cstdio>

namespace vorn {

namespace {

constexpr size_t kColours = 256;

PaletteFileRead Problem(size_t line, const std::string& what)
{
    PaletteFileRead result;
    result.problem = line == 0 ? what : "line " + std::to_string(line) + ": " + what;
    return result;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The next whitespace-separated number of `text`, 0 to 255; none otherwise.
std::optional<uint8_t> NextChannel(std::string_view& text)
{
    text = Trimmed(text);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value > 255 || (end != text.data() + text.size() && !IsBlank(*end)))
        return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return static_cast<uint8_t>(value);
}

} // namespace

bool PaletteFiles::IsGplName(std::string_view name) { return EndsWithNoCase(name, ".gpl"); }

std::string PaletteFiles::WriteGpl(const PaltColours& colours, std::string_view name)
{
    std::string text = "GIMP Palette\nName: " + std::string(name) + "\nColumns: 16\n#\n";
    char line[48];
    for (size_t i = 0; i < kColours; ++i) {
        std::snprintf(line, sizeof line, "%3u %3u %3u\tIndex %zu\n", colours[3 * i], colours[3 * i + 1],
                      colours[3 * i + 2], i);
        text += line;
    }
    return text;
}

PaletteFileRead PaletteFiles::ReadGpl(std::string_view text)
{
    if (text.size() > kMaxGplBytes)
        return Problem(0, "larger than " + std::to_string(kMaxGplBytes >> 20) + " MB, too large for a palette");
    PaletteFileRead result;
    size_t number = 0;
    bool header = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!header) {
            if (line != "GIMP Palette")
                return Problem(number, "not a GIMP palette (it starts with \"GIMP Palette\")");
            header = true;
            continue;
        }
        if (line.empty() || line.front() == '#' || line.starts_with("Name:") || line.starts_with("Columns:"))
            continue;
        if (result.count == kColours)
            return Problem(number, "more than 256 colours, more than a PALT holds");
        for (size_t channel = 0; channel < 3; ++channel) {
            const std::optional<uint8_t> value = NextChannel(line);
            if (!value)
                return Problem(number, "give red, green and blue, each 0 to 255");
            result.colours[3 * result.count + channel] = *value;
        }
        ++result.count;
    }
    if (!header)
        return Problem(0, "empty, not a GIMP palette");
    if (result.count == 0)
        return Problem(0, "the palette holds no colour");
    result.read = true;
    return result;
}

std::vector<uint8_t> PaletteFiles::SwatchPixels(const PaltColours& colours)
{
    std::vector<uint8_t> pixels(size_t{kSwatchSide} * kSwatchSide * 3);
    for (uint32_t y = 0; y < kSwatchSide; ++y)
        for (uint32_t x = 0; x < kSwatchSide; ++x) {
            const size_t index = (y / kSwatchCell) * 16 + x / kSwatchCell;
            for (size_t channel = 0; channel < 3; ++channel)
                pixels[(size_t{y} * kSwatchSide + x) * 3 + channel] = colours[3 * index + channel];
        }
    return pixels;
}

PaletteFileRead PaletteFiles::ReadSwatch(std::span<const uint8_t> rgba, uint32_t width, uint32_t height)
{
    // The side is bounded before the sizes are multiplied, which could wrap around otherwise.
    if (width == 0 || width != height || width % 16 != 0 || width > kMaxSwatchSide ||
        rgba.size() != size_t{width} * height * 4)
        return Problem(0, std::to_string(width) + " x " + std::to_string(height) +
                              " pixels, not a swatch: 16 x 16 square cells, a colour each (" +
                              std::to_string(kSwatchSide) + " x " + std::to_string(kSwatchSide) + " as written)");
    PaletteFileRead result;
    const uint32_t cell = width / 16;
    for (size_t index = 0; index < kColours; ++index) {
        const size_t x = (index % 16) * cell + cell / 2;
        const size_t y = (index / 16) * cell + cell / 2;
        for (size_t channel = 0; channel < 3; ++channel)
            result.colours[3 * index + channel] = rgba[(y * width + x) * 4 + channel];
    }
    result.count = kColours;
    result.read = true;
    return result;
}

} // namespace vorn

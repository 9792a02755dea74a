#include "sprites/palette_builder.h"

#include <libimagequant.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

namespace vorn {

namespace {

constexpr size_t kMaxColours = 256;

struct AttrDeleter {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct HistogramDeleter {
    void operator()(liq_histogram* histogram) const { liq_histogram_destroy(histogram); }
};
struct ResultDeleter {
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};

void Put(PaltColours& colours, size_t index, uint32_t rgb)
{
    colours[3 * index] = static_cast<uint8_t>(rgb >> 16);
    colours[3 * index + 1] = static_cast<uint8_t>(rgb >> 8);
    colours[3 * index + 2] = static_cast<uint8_t>(rgb);
}

} // namespace

void PaletteBuilder::Add(std::span<const uint8_t> rgba)
{
    const size_t pixels = rgba.size() / 4;
    for (size_t p = 0; p < pixels; ++p) {
        const uint8_t* px = rgba.data() + 4 * p;
        // Transparent and fully faded pixels show no colour.
        if (px[3] == 0)
            continue;
        uint32_t& count = counts_[(uint32_t{px[0]} << 16) | (uint32_t{px[1]} << 8) | px[2]];
        count = std::min(count + 1, std::numeric_limits<uint32_t>::max() - 1);
    }
}

std::optional<PaltColours> PaletteBuilder::Build() const
{
    PaltColours colours{};
    if (counts_.size() <= kMaxColours) {
        // Few enough to keep every one, in a stable order.
        std::vector<uint32_t> sorted;
        for (const auto& [rgb, count] : counts_)
            sorted.push_back(rgb);
        std::ranges::sort(sorted);
        for (size_t i = 0; i < sorted.size(); ++i)
            Put(colours, i, sorted[i]);
        return colours;
    }
    std::unique_ptr<liq_attr, AttrDeleter> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), static_cast<int>(kMaxColours)) != LIQ_OK ||
        liq_set_quality(attr.get(), 0, 100) != LIQ_OK)
        return std::nullopt;
    std::unique_ptr<liq_histogram, HistogramDeleter> histogram(liq_histogram_create(attr.get()));
    if (!histogram)
        return std::nullopt;
    std::vector<liq_histogram_entry> entries;
    entries.reserve(counts_.size());
    for (const auto& [rgb, count] : counts_)
        entries.push_back({{static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
                            static_cast<unsigned char>(rgb), 255},
                           count});
    // The pictures' colours are sRGB: the gamma libimagequant assumes for them.
    if (liq_histogram_add_colors(histogram.get(), attr.get(), entries.data(), static_cast<int>(entries.size()), 0.0) !=
        LIQ_OK)
        return std::nullopt;
    liq_result* raw = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK || raw == nullptr)
        return std::nullopt;
    std::unique_ptr<liq_result, ResultDeleter> result(raw);
    const liq_palette* palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count && i < kMaxColours; ++i) {
        const liq_color& c = palette->entries[i];
        Put(colours, i, (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b);
    }
    return colours;
}

} // namespace vorn

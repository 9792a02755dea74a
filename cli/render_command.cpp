#include "cli/cli_commands.h"

#include "cli/png_writer.h"
#include "base/message_texts.h"
#include "iff/object_catalogue.h"
#include "sprites/iff_edit_service.h"
#include "sprites/preview_paint.h"
#include "sprites/render_target.h"
#include "sprites/rgb_image.h"

#include <optional>

namespace vorn {

namespace {

// Large enough for any screen, small enough that the planes always fit.
constexpr int32_t kMaxSide = 16384;

struct RenderOptions {
    std::optional<uint16_t> object;
    PreviewView view;
    int32_t width = 512;
    int32_t height = 384;
    int bitsPerPixel = 32;
};

bool OneOf(int value, std::initializer_list<int> allowed)
{
    for (int candidate : allowed)
        if (candidate == value)
            return true;
    return false;
}

// "WxH"; hex sides bring their own x ("0x200x0x180"), so each x is tried.
bool ParseSize(std::string_view text, int32_t& width, int32_t& height)
{
    for (size_t x = text.find_first_of("xX"); x != std::string_view::npos; x = text.find_first_of("xX", x + 1))
        if (ParseNumber(text.substr(0, x), width) && ParseNumber(text.substr(x + 1), height))
            return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide;
    return false;
}

// Fills `options` from the option words, which the dispatcher hands over in
// pairs; false with `problem` set on a bad value.
bool ParseOptions(const std::vector<std::string>& words, RenderOptions& options, std::string& problem)
{
    for (size_t i = 0; i + 1 < words.size(); i += 2) {
        const std::string& name = words[i];
        const std::string& value = words[i + 1];
        bool good = false;
        if (name == "--object") {
            uint16_t id = 0;
            good = ParseNumber(value, id);
            options.object = id;
        } else if (name == "--graphic") {
            good = ParseNumber(value, options.view.graphicIndex) && options.view.graphicIndex >= 0;
        } else if (name == "--direction") {
            good = ParseNumber(value, options.view.direction) && OneOf(options.view.direction, {0, 2, 4, 6});
        } else if (name == "--zoom") {
            good = ParseNumber(value, options.view.zoom) && OneOf(options.view.zoom, {1, 2, 3});
        } else if (name == "--size") {
            good = ParseSize(value, options.width, options.height);
        } else if (name == "--format") {
            good = ParseNumber(value, options.bitsPerPixel) && OneOf(options.bitsPerPixel, {15, 16, 24, 32});
        }
        if (!good) {
            problem = "bad value \"" + value + "\" for " + name;
            return false;
        }
    }
    if (!options.object) {
        problem = "--object CHUNKID is required";
        return false;
    }
    return true;
}

} // namespace

const ObjectEntry* FindDisplayable(const CObjectCatalogue& catalogue, uint16_t chunkId)
{
    for (auto position = catalogue.FirstDisplayable(); position != CObjectCatalogue::kEnd;) {
        const ObjectEntry* entry = catalogue.NextDisplayable(position);
        if (entry->chunkId == chunkId)
            return entry;
    }
    return nullptr;
}

int RunIffRender(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    RenderOptions render;
    std::string problem;
    if (!ParseOptions(options, render, problem)) {
        context.err << "vorn-cli: " << problem << '\n';
        return kExitUsage;
    }
    IffEditService service;
    if (!OpenObjects(context, args[0], service))
        return kExitFailure;
    const CObjectCatalogue& catalogue = service.Catalogue();
    const ObjectEntry* entry = FindDisplayable(catalogue, *render.object);
    if (entry == nullptr) {
        context.Error(Fill("No object to show has the chunk id %1!", std::to_string(*render.object)));
        return kExitFailure;
    }

    RenderTarget target;
    if (!target.Allocate(render.width, render.height, render.bitsPerPixel)) {
        context.Error("Not enough memory for the picture!");
        return kExitFailure;
    }
    const PreviewPan pan = RecentreObject(catalogue, *entry, render.view, render.width, render.height);
    // What can be drawn is drawn and written; the rest is named after the message.
    DrawReport report;
    const bool drawn = PaintPreview(target, catalogue, *entry, render.view, pan, &report);
    const std::vector<uint8_t> png = EncodeRgbPng(ColourPlaneToRgb(target), static_cast<uint32_t>(render.width),
                                                  static_cast<uint32_t>(render.height));
    if (png.empty()) {
        context.Error(texts::kCantEncodePicture);
        return kExitFailure;
    }
    if (!WriteOutputFile(args[1], png, context))
        return kExitFailure;
    if (!drawn) {
        context.Error("The object could not be drawn completely; the picture shows what was drawn.");
        if (!report.Complete())
            context.err << "vorn-cli: " << report.Summary() << '\n';
        return kExitFailure;
    }
    return kExitSuccess;
}

} // namespace vorn

#include "cli/cli_commands.h"

#include "base/absolute_path.h"
#include "base/file_replacement.h"
#include "base/file_stream.h"
#include "base/message_texts.h"
#include "base/name_compare.h"
#include "cli/png_row_writer.h"
#include "cli/standard_input.h"
#include "iff/object_catalogue.h"
#include "sprites/iff_edit_service.h"
#include "sprites/contact_sheet.h"

#include <charconv>
#include <functional>
#include <optional>
#include <sstream>

namespace vorn {

namespace {

// What PNG readers commonly take; a taller sheet is refused before it is drawn.
constexpr int64_t kTallestSheet = 1000000;

using IffVisitor = std::function<void(const std::string& name, std::span<const uint8_t> bytes)>;

bool IsIffName(std::string_view name)
{
    return name.size() >= 4 && EqualsNoCase(name.substr(name.size() - 4), ".iff");
}

// The entry's bytes straight from the archive's file, so they are not kept.
std::optional<std::vector<uint8_t>> ReadEntry(ByteStream& source, const CFarEntry& entry)
{
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(entry.size2);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (entry.offset < 0 || source.Seek(entry.offset, SeekOrigin::Begin) != entry.offset ||
        !source.ReadExact(bytes.data(), bytes.size()))
        return std::nullopt;
    return bytes;
}

// The .iff files of `directory` and below, in the editor's order: files,
// then each subdirectory.
void CollectIffItems(const CFarDirectory& directory, std::vector<std::pair<std::string, int32_t>>& items)
{
    for (const FarFileItem& item : directory.Files())
        if (IsIffName(item.name))
            items.emplace_back(directory.Path().empty() ? item.name : directory.Path() + "\\" + item.name,
                               item.entryIndex);
    for (const CFarDirectory& sub : directory.Subdirectories())
        CollectIffItems(sub, items);
}

// ARCHIVE (a FAR file), ARCHIVE::DIR or ARCHIVE::PATH: each IFF entry it names.
bool VisitArchive(CliContext& context, const EntryInput& input, const IffVisitor& visit)
{
    ReadOnlyArchive archive;
    if (!archive.Open(input.file, context.messenger))
        return false;
    std::vector<std::pair<std::string, int32_t>> items;
    const std::string path = input.entry.value_or("");
    const CFarDirectory* directory = path.empty() ? &archive.Tree().Root() : archive.Tree().GetDirectoryRef(path);
    if (directory != nullptr) {
        CollectIffItems(*directory, items);
    } else if (const FarFileItem* item = archive.Tree().FindFileItem(path)) {
        items.emplace_back(path, item->entryIndex);
    } else {
        context.Error(Fill("\"%1\" names nothing in the archive!", input.Display()));
        return false;
    }
    const std::unique_ptr<ByteStream> source = archive.Archive().DuplicateSource();
    bool good = true;
    for (const auto& [name, index] : items) {
        const CFarEntry* entry = archive.Tree().EntryAt(index);
        std::optional<std::vector<uint8_t>> bytes;
        if (entry != nullptr && source)
            bytes = ReadEntry(*source, *entry);
        const std::string shown = input.file.string() + "::" + name;
        if (!bytes) {
            context.Error(Fill("\"%1\" can't be read!", shown));
            good = false;
            continue;
        }
        visit(shown, *bytes);
    }
    return good;
}

// Calls `visit` for every IFF file the inputs name, in order: files on disk,
// FAR archives on disk (all their .iff entries), ARCHIVE::DIR (the .iff
// entries below DIR) and ARCHIVE::PATH. False when any could not be read
// (the message has been shown).
bool VisitInputs(CliContext& context, const std::vector<std::string>& inputs, const IffVisitor& visit)
{
    bool good = true;
    for (const std::string& argument : inputs) {
        const EntryInput input = ParseEntryInput(argument);
        const std::optional<std::filesystem::path> file = InputFile(input.file, context.messenger);
        if (!file) {
            good = false;
            continue;
        }
        if (input.entry || IsArchiveFile(*file)) {
            good = VisitArchive(context, input, visit) && good;
            continue;
        }
        const std::optional<std::vector<uint8_t>> bytes = ReadInput(input, context);
        if (bytes)
            visit(argument, *bytes);
        good = good && bytes.has_value();
    }
    return good;
}

struct SheetOptions {
    std::optional<uint16_t> object;
};

bool ParseOptions(CliContext& context, const std::vector<std::string>& words, SheetOptions& options)
{
    for (size_t i = 0; i + 1 < words.size(); i += 2) {
        const std::string& value = words[i + 1];
        uint16_t id = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), id);
        if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
            context.err << "vorn-cli: bad value \"" << value << "\" for " << words[i] << '\n';
            return false;
        }
        options.object = id;
    }
    return true;
}

// One band of the sheet, measured in the first pass and drawn in the second.
struct PlannedBand {
    size_t file = 0;         // which IFF file, counted in visiting order
    uint16_t object = 0;     // the entry's OBJD chunk id
    ContactSheetBand band;
};

// How the objects came out, for the closing line.
struct Tally {
    uint32_t files = 0;
    uint32_t objects = 0;
    uint32_t withGraphics = 0;
    uint32_t complete = 0;
    uint32_t partly = 0;
    uint32_t notDrawn = 0;
};

// `rows` as `height` white rows of `width` pixels; false when memory runs out.
bool Blank(std::vector<uint8_t>& rows, int32_t width, int32_t height)
{
    try {
        rows.assign(static_cast<size_t>(width) * 3 * static_cast<size_t>(height), 0xFF);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::string TitleOf(const std::string& name, const ObjectEntry& entry, int32_t graphic)
{
    return name + "   " + entry.label + " (OBJD " + std::to_string(entry.chunkId) + ")   graphic " +
           std::to_string(graphic) + " of " + std::to_string(entry.graphicCount);
}

} // namespace

int RunIffSheet(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    SheetOptions sheet;
    if (!ParseOptions(context, options, sheet))
        return kExitUsage;
    const std::vector<std::string> inputs(args.begin(), args.end() - 1);
    const std::string& output = args.back();

    // First pass: every band measured, nothing drawn, nothing kept of the files.
    std::vector<PlannedBand> plan;
    Tally tally;
    bool unusable = false;
    const bool read = VisitInputs(context, inputs, [&](const std::string& name, std::span<const uint8_t> bytes) {
        const size_t file = tally.files++;
        IffEditService service;
        const bool parsed = service.Open(bytes) == IffOpenResult::Opened;
        const CObjectCatalogue& catalogue = service.Catalogue();
        if (!parsed || !service.HasObjects()) {
            context.err << "vorn-cli: " << name << ": " << (parsed ? texts::kNoObjects : texts::kNotIff) << '\n';
            unusable = true;
            return;
        }
        for (auto position = catalogue.FirstDisplayable(); position != CObjectCatalogue::kEnd;) {
            const ObjectEntry& entry = *catalogue.NextDisplayable(position);
            if (sheet.object && entry.chunkId != *sheet.object)
                continue;
            // An object without graphics still gets the one band the preview offers it.
            for (int32_t graphic = 0; graphic < std::max<int32_t>(entry.graphicCount, 1); ++graphic)
                plan.push_back({file, entry.chunkId,
                                ContactSheetBand(catalogue, entry, graphic, TitleOf(name, entry, graphic))});
        }
    });
    if (plan.empty()) {
        context.Error("No object to draw!");
        return kExitFailure;
    }
    int64_t height = 0;
    int32_t width = 0;
    for (const PlannedBand& planned : plan) {
        height += planned.band.Height();
        width = std::max(width, planned.band.Width());
    }
    if (height > kTallestSheet) {
        context.Error("The sheet would be " + std::to_string(height) + " pixels tall, more than a PNG reader takes (" +
                      std::to_string(kTallestSheet) + "); draw fewer objects at once!");
        return kExitFailure;
    }

    // The picture goes to a new file that replaces OUT.png, as a named output
    // is replaced, only when complete.
    const std::filesystem::path path = AbsolutePath(output);
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        context.Error(Fill("Can't create file \"%1\"!\n\nA directory with that name already exists!", output));
        return kExitFailure;
    }
    FileReplacement replacement(path);
    int code = 0;
    if (!replacement.Begin(code)) {
        context.CantCreate(output, path, code);
        return kExitFailure;
    }
    PngRowWriter png([&](std::span<const uint8_t> bytes) {
        if (replacement.Stream().Write(bytes.data(), bytes.size()))
            return true;
        code = replacement.Stream().LastError();
        return false;
    });
    bool written = png.Begin(static_cast<uint32_t>(width), static_cast<uint32_t>(height));

    // Second pass: each file opened again, its bands drawn and written one at a time.
    std::ostringstream unheard;
    ConsoleMessenger quiet(unheard, QuestionPolicy::Refuse);
    CliContext quietContext{context.out, unheard, quiet, context.quick};
    size_t next = 0;
    size_t file = 0;
    RenderTarget scratch;
    std::vector<uint8_t> rows;
    VisitInputs(quietContext, inputs, [&](const std::string&, std::span<const uint8_t> bytes) {
        const size_t current = file++;
        IffEditService service;
        const bool opened = service.Open(bytes) == IffOpenResult::Opened && service.HasObjects();
        const CObjectCatalogue& catalogue = service.Catalogue();
        while (written && next < plan.size() && plan[next].file == current) {
            const uint16_t object = plan[next].object;
            const ObjectEntry* entry = opened ? FindDisplayable(catalogue, object) : nullptr;
            ++tally.objects;
            tally.withGraphics += entry != nullptr && entry->graphicCount > 0 ? 1 : 0;
            int completeBands = 0;
            bool drewAnything = false;
            size_t bands = 0;
            for (; next < plan.size() && plan[next].file == current && plan[next].object == object; ++next, ++bands) {
                const ContactSheetBand& band = plan[next].band;
                if (!Blank(rows, width, band.Height())) {
                    written = false;
                    break;
                }
                if (entry != nullptr) {
                    const ContactSheetBand::Outcome outcome = band.Draw(catalogue, *entry, rows, width, scratch);
                    completeBands += outcome.completeViews == ContactSheetBand::kViews ? 1 : 0;
                    drewAnything = drewAnything || outcome.drewAnything;
                }
                written = written && png.WriteRows(rows);
            }
            if (completeBands == static_cast<int>(bands))
                ++tally.complete;
            else if (drewAnything)
                ++tally.partly;
            else
                ++tally.notDrawn;
        }
    });
    // A file that could not be read again leaves its bands blank.
    for (; written && next < plan.size(); ++next)
        written = Blank(rows, width, plan[next].band.Height()) && png.WriteRows(rows);
    if (!written || !png.Finish() || replacement.Commit(code) != ReplaceResult::Replaced) {
        replacement.Discard();
        context.CantCreate(output, path, code);
        return kExitFailure;
    }
    context.out << tally.files << " files, " << tally.objects << " objects (" << tally.withGraphics
                << " with graphics): " << tally.complete << " drawn completely in all 12 views of every graphic, "
                << tally.partly << " partly, " << tally.notDrawn << " not drawn\n";
    return read && !unusable && tally.complete == tally.objects ? kExitSuccess : kExitFailure;
}

} // namespace vorn

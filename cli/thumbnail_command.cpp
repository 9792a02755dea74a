#include "cli/cli_commands.h"

#include "base/message_texts.h"
#include "base/name_compare.h"
#include "cli/png_writer.h"
#include "cli/standard_input.h"
#include "sprites/entry_thumbnail.h"

#include <algorithm>
#include <cstring>

namespace vorn {

namespace {

bool HasPictureName(std::string_view name)
{
    return EndsWithNoCase(name, ".iff") || EndsWithNoCase(name, ".bmp");
}

// File managers hand over a file whose type was told by its first bytes, so
// a disk file is drawn as what it holds whatever its name.
std::string KindName(const std::string& name, std::span<const uint8_t> bytes)
{
    constexpr std::string_view kIffMagic = "IFF FILE 2.5:";
    const auto startsWith = [&](std::string_view magic) {
        return bytes.size() >= magic.size() && std::memcmp(bytes.data(), magic.data(), magic.size()) == 0;
    };
    if (startsWith(kIffMagic))
        return "file.iff";
    if (startsWith("BM"))
        return "file.bmp";
    return name;
}

// The first .iff or .bmp file of `directory` and below, in the editor's
// order (files, then each subdirectory), whose thumbnail draws.
bool DrawFirstInDirectory(const CFarDirectory& directory, const CFarDirectoryTree& tree, ByteStream& source,
                          int32_t size, RgbaImage& picture)
{
    std::vector<uint8_t> bytes;
    for (const FarFileItem& item : directory.Files()) {
        const CFarEntry* entry = tree.EntryAt(item.entryIndex);
        if (entry != nullptr && HasPictureName(item.name) && ReadStoredBytes(source, *entry, bytes) &&
            DrawEntryThumbnail(item.name, bytes, size, picture) == ThumbnailResult::Drawn)
            return true;
    }
    return std::any_of(directory.Subdirectories().begin(), directory.Subdirectories().end(),
                       [&](const CFarDirectory& sub) { return DrawFirstInDirectory(sub, tree, source, size, picture); });
}

// ARCHIVE or ARCHIVE::DIR (`path`): the first entry below that draws;
// ARCHIVE::PATH: that entry. False when nothing draws, or with `readable`
// cleared (the message shown) when the entry cannot be read.
bool DrawFromArchive(CliContext& context, ReadOnlyArchive& archive, const std::string& path, int32_t size,
                     RgbaImage& picture, bool& readable)
{
    const CFarDirectory* directory = path.empty() ? &archive.Tree().Root() : archive.Tree().GetDirectoryRef(path);
    const std::unique_ptr<ByteStream> source = archive.Archive().DuplicateSource();
    if (directory != nullptr)
        return source && DrawFirstInDirectory(*directory, archive.Tree(), *source, size, picture);
    const std::optional<std::vector<uint8_t>> bytes = archive.CopyEntryData(path);
    if (!bytes) {
        context.Error(MissingEntryText(archive.Archive(), path));
        readable = false;
        return false;
    }
    return DrawEntryThumbnail(path, *bytes, size, picture) == ThumbnailResult::Drawn;
}

} // namespace

int RunThumbnail(CliContext& context, const std::vector<std::string>& args)
{
    // SIZE is checked once INPUT has been read, so a missing input is named first.
    int32_t size = 0;
    const bool sizeGood = ParseNumber(args[2], size) && size >= 1 && size <= kMaxThumbnailSize;
    const auto badSize = [&] {
        context.err << "vorn-cli: bad SIZE \"" << args[2] << "\": a number of pixels from 1 to " << kMaxThumbnailSize
                    << '\n';
        return kExitUsage;
    };
    const EntryInput input = ParseEntryInput(args[0]);
    const std::optional<std::filesystem::path> file = input.entry ? input.file : InputFile(input.file, context.messenger);
    if (!file)
        return kExitFailure;
    RgbaImage picture;
    bool drawn = false;
    if (input.entry || IsArchiveFile(*file)) {
        ReadOnlyArchive archive;
        if (!archive.Open(*file, context.messenger))
            return kExitFailure;
        if (!sizeGood)
            return badSize();
        bool readable = true;
        drawn = DrawFromArchive(context, archive, input.entry.value_or(""), size, picture, readable);
        if (!readable)
            return kExitFailure;
    } else {
        const std::optional<std::vector<uint8_t>> bytes = ReadInput(EntryInput{*file, std::nullopt}, context);
        if (!bytes)
            return kExitFailure;
        if (!sizeGood)
            return badSize();
        drawn = DrawEntryThumbnail(KindName(file->filename().string(), *bytes), *bytes, size, picture) ==
                ThumbnailResult::Drawn;
    }
    if (!drawn) {
        context.Error(Fill("\"%1\" holds no object or picture to show!", args[0]));
        return kExitFailure;
    }
    const std::vector<uint8_t> png = EncodeRgbaPng(picture.rgba, static_cast<uint32_t>(picture.width),
                                                   static_cast<uint32_t>(picture.height));
    if (png.empty()) {
        context.Error(texts::kCantEncodePicture);
        return kExitFailure;
    }
    return WriteOutputFile(args[1], png, context) ? kExitSuccess : kExitFailure;
}

} // namespace vorn

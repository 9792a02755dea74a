#include "cli/sprite_picture_folder.h"

#include "sprites/sprite_import.h"

#include <algorithm>
#include <system_error>

namespace vorn {

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c); });
    return text;
}

} // namespace

SpritePictureFolder::SpritePictureFolder(std::filesystem::path folder, std::optional<uint16_t> onlyChunk)
    : folder_(std::move(folder)), onlyChunk_(onlyChunk)
{
}

std::string SpritePictureFolder::PictureName(uint16_t chunk, int frame, bool depth)
{
    return SpriteImport::PictureName(chunk, frame, depth);
}

std::optional<std::filesystem::path> SpritePictureFolder::Find(uint16_t chunk, int frame, bool depth,
                                                               const ManifestFrame* listed)
{
    const std::string name = PictureName(chunk, frame, depth);
    wanted_.emplace(Lower(name), name);
    const std::optional<std::string>* listedName = nullptr;
    if (listed != nullptr)
        listedName = depth ? &listed->depthPng : &listed->png;
    if (listedName != nullptr && *listedName && (*listedName)->empty()) {
        // Without its colour picture a frame's depth picture is not read either.
        const std::string owner = "frame " + std::to_string(frame) + " of SPR2 " + std::to_string(chunk);
        listedAsNone_.emplace(name, owner);
        if (!depth)
            listedAsNone_.emplace(PictureName(chunk, frame, true), owner);
        return std::nullopt;
    }
    std::error_code error;
    const std::filesystem::path path = folder_ / name;
    // A FIFO or a link to nothing is given too: reading it names the fault.
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        if (!depth)
            withoutColour_.emplace(PictureName(chunk, frame, true), name);
        return std::nullopt;
    }
    given_.insert(name);
    return path;
}

std::vector<std::string> SpritePictureFolder::UnreadPictures() const
{
    std::vector<std::string> lines;
    const std::string ownPrefix = onlyChunk_ ? std::to_string(*onlyChunk_) + "_" : std::string();
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::string lower = Lower(name);
        if (!lower.ends_with(".png") || !lower.starts_with(ownPrefix) || given_.contains(name) ||
            it->is_directory(error))
            continue;
        const std::string shown = "\"" + (folder_ / name).string() + "\" was not read: ";
        if (const auto none = listedAsNone_.find(name); none != listedAsNone_.end()) {
            lines.push_back(shown + "sprites.json gives " + none->second + " no such picture (null)");
        } else if (const auto alone = withoutColour_.find(name); alone != withoutColour_.end()) {
            lines.push_back(shown + "a depth picture is read with its colour picture \"" + alone->second +
                            "\", which is not there");
        } else if (const auto near = wanted_.find(lower); near != wanted_.end()) {
            lines.push_back(shown + "the import reads \"" + near->second + "\", in that letter case");
        } else {
            lines.push_back(shown + "it is not the picture of a frame imported (<chunk>_<frame>.png, and "
                                    "<chunk>_<frame>_depth.png beside it)");
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace vorn

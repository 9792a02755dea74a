#pragma once

#include "cli/sprite_manifest.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vorn {

// The folder iff export writes a sprite's pictures to and iff import reads
// them from: <chunk>_<frame>.png and <chunk>_<frame>_depth.png. The import
// asks it for each frame's pictures and afterwards for the pictures it never
// took, so none is passed over without a word.
class SpritePictureFolder {
public:
    // `onlyChunk`: the one sprite imported (--chunk); pictures named after
    // other sprites are then none of this import's business.
    SpritePictureFolder(std::filesystem::path folder, std::optional<uint16_t> onlyChunk);

    static std::string PictureName(uint16_t chunk, int frame, bool depth);

    // The picture of a frame, when the folder has it and sprites.json
    // (`listed`, may be null) does not say the frame has none.
    std::optional<std::filesystem::path> Find(uint16_t chunk, int frame, bool depth, const ManifestFrame* listed);

    // One line for each picture (a name ending in ".png" in any letter case)
    // that Find never gave, saying why.
    std::vector<std::string> UnreadPictures() const;

    const std::filesystem::path& Path() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::optional<uint16_t> onlyChunk_;
    std::set<std::string> given_;
    // Names looked for, in lower case, with their spelling.
    std::map<std::string, std::string> wanted_;
    // Names sprites.json sets to null, with the frame they belong to.
    std::map<std::string, std::string> listedAsNone_;
    // Depth pictures of frames without a colour picture, with its name.
    std::map<std::string, std::string> withoutColour_;
};

} // namespace vorn

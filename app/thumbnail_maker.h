#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace vorn {

// What the icon view shows for one file entry instead of its plain icon.
struct Thumbnail {
    enum class Kind { Nothing, Picture, Sound };
    Kind kind = Kind::Nothing;
    QImage picture;        // Picture: at most size by size pixels
    uint32_t seconds = 0;  // Sound: its length
};

// Makes an entry's thumbnail from its name and bytes. Called on worker
// threads, so it reads nothing but its arguments.
using ThumbnailMaker =
    std::function<Thumbnail(std::string_view name, std::span<const uint8_t> bytes, int size)>;

// The editor's maker: objects and pictures through the shared thumbnail
// function, sounds by their length.
Thumbnail MakeThumbnail(std::string_view name, std::span<const uint8_t> bytes, int size);

// Whether an entry of this name can have a thumbnail, so its bytes are worth reading.
bool MayHaveThumbnail(std::string_view name);

} // namespace vorn

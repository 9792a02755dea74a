#include "app/thumbnail_maker.h"

#include "app/viewer_dispatch.h"
#include "audio/wav_image.h"
#include "audio/xa_decoder.h"
#include "sprites/entry_thumbnail.h"

namespace vorn {

namespace {

// A sound's length as the player shows it, read from its header alone.
Thumbnail SoundThumbnail(std::span<const uint8_t> bytes)
{
    if (bytes.size() < CXaDecoder::kMinimumLength)
        return {};
    uint8_t header[kWavHeaderSize];
    WriteWavHeader(header, bytes.data() + 8, CXaDecoder::DataSizeFor(static_cast<uint32_t>(bytes.size())));
    return {Thumbnail::Kind::Sound, QImage(), WavLengthSeconds(header)};
}

// An object's or a picture's own thumbnail, ready to be drawn.
Thumbnail PictureThumbnail(std::string_view name, std::span<const uint8_t> bytes, int size)
{
    RgbaImage drawn;
    if (DrawEntryThumbnail(name, bytes, size, drawn) != ThumbnailResult::Drawn || drawn.width <= 0 ||
        drawn.height <= 0)
        return {};
    const QImage straight(drawn.rgba.data(), drawn.width, drawn.height, drawn.width * 4, QImage::Format_RGBA8888);
    return {Thumbnail::Kind::Picture, straight.convertToFormat(QImage::Format_ARGB32_Premultiplied), 0};
}

} // namespace

Thumbnail MakeThumbnail(std::string_view name, std::span<const uint8_t> bytes, int size)
{
    switch (ViewerKindOf(name)) {
    case ViewerKind::Xa: return SoundThumbnail(bytes);
    case ViewerKind::Iff:
    case ViewerKind::Bmp: return PictureThumbnail(name, bytes, size);
    default: return {};
    }
}

bool MayHaveThumbnail(std::string_view name)
{
    const ViewerKind kind = ViewerKindOf(name);
    return kind == ViewerKind::Xa || kind == ViewerKind::Iff || kind == ViewerKind::Bmp;
}

} // namespace vorn

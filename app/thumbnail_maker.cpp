#include "app/thumbnail_maker.h"

#include "app/viewer_dispatch.h"
#include "audio/wav_image.h"
#include "audio/xa_decoder.h"

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

} // namespace

Thumbnail MakeThumbnail(std::string_view name, std::span<const uint8_t> bytes, int /*size*/)
{
    switch (ViewerKindOf(name)) {
    case ViewerKind::Xa: return SoundThumbnail(bytes);
    default: return {};
    }
}

bool MayHaveThumbnail(std::string_view name)
{
    const ViewerKind kind = ViewerKindOf(name);
    return kind == ViewerKind::Xa || kind == ViewerKind::Iff || kind == ViewerKind::Bmp;
}

} // namespace vorn

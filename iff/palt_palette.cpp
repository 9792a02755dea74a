#include "iff/palt_palette.h"

#include "base/endian.h"
#include "iff/iff_file_ref.h"
#include "iff/type_codes.h"

namespace vorn {

const uint8_t* PaltPalette::Colours(const CIffChunk& chunk)
{
    const auto bytes = chunk.Bytes();
    // Besides the two counts, a chunk too short for 256 colours is refused
    // so that no colour is read past its end.
    if (bytes.size() < kMinimumSize)
        return nullptr;
    const uint32_t version = LoadLE32(bytes.data());
    if ((version != kVersion && version != kZeroVersion) || LoadLE32(bytes.data() + 4) != kColourCount)
        return nullptr;
    return bytes.data() + kColoursOffset;
}

CIffChunk* PaltPalette::FindChunk(CIffFileRef& file, uint16_t paletteId, uint16_t fallbackId)
{
    CIffChunk* chunk = file.Find(kTypePalt, paletteId);
    if (chunk == nullptr)
        chunk = file.Find(kTypePalt, fallbackId);
    if (chunk == nullptr || !file.LoadChunk(*chunk))
        return nullptr;
    return chunk;
}

} // namespace vorn

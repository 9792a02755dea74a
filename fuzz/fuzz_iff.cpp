// IFF containers: parsing (resource map and sequential scan), loading every
// chunk and writing the container out again.
#include "base/memory_stream.h"
#include "iff/iff_file.h"
#include "iff/iff_file_ref.h"
#include "iff/type_codes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <vector>

using namespace vorn;

namespace {

// Every chunk but the resource map, by type and id, with its bytes.
std::map<std::pair<uint32_t, uint16_t>, std::vector<uint8_t>> ChunksOf(const CIffFile& file)
{
    std::map<std::pair<uint32_t, uint16_t>, std::vector<uint8_t>> chunks;
    for (const auto& chunk : file.Chunks())
        if (chunk->Type() != kTypeRsmp)
            chunks[{chunk->Type(), chunk->Id()}].assign(chunk->Bytes().begin(), chunk->Bytes().end());
    return chunks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CIffFileRef file;
    IffParseError error = IffParseError::None;
    if (!file.Open(std::span<const uint8_t>(data, size), error, true))
        return 0;
    if (!file.LoadAll())
        return 0;
    MemoryStream written;
    if (!file.Save(written))
        return 0;

    // A written container parses again into the same chunks.
    CIffFileRef again;
    if (!again.Open(written, error, true) || !again.LoadAll())
        abort();
    if (ChunksOf(*file.File()) != ChunksOf(*again.File()))
        abort();
    return 0;
}

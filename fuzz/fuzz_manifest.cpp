// sprites.json: the reader of an edited manifest, and what it accepts
// writing out and reading back as the same text.
#include "cli/sprite_manifest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SpriteManifest manifest;
    if (SpriteManifest::Parse(std::string_view(reinterpret_cast<const char*>(data), size), manifest).status !=
        ManifestReadStatus::Ok)
        return 0;
    const std::string written = manifest.ToJson();
    SpriteManifest again;
    if (SpriteManifest::Parse(written, again).status != ManifestReadStatus::Ok || again.ToJson() != written)
        abort();
    return 0;
}

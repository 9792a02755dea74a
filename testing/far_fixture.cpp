#include "testing/far_fixture.h"

#include "base/endian.h"

namespace vorn::testing {

std::vector<uint8_t> MakeFarImage(const std::vector<FarFixtureFile>& files, bool narrow)
{
    std::vector<uint8_t> image = {'F', 'A', 'R', '!', 'b', 'y', 'A', 'Z'};
    AppendLE32(image, 1);
    uint32_t manifest = 16;
    for (const auto& file : files)
        manifest += static_cast<uint32_t>(file.bytes.size());
    AppendLE32(image, manifest);
    for (const auto& file : files)
        image.insert(image.end(), file.bytes.begin(), file.bytes.end());
    AppendLE32(image, static_cast<uint32_t>(files.size()));
    uint32_t offset = 16;
    for (const auto& file : files) {
        const auto size = static_cast<uint32_t>(file.bytes.size());
        AppendLE32(image, size);
        AppendLE32(image, size);
        AppendLE32(image, offset);
        if (narrow)
            AppendLE16(image, static_cast<uint16_t>(file.name.size()));
        else
            AppendLE32(image, static_cast<uint32_t>(file.name.size()));
        image.insert(image.end(), file.name.begin(), file.name.end());
        offset += size;
    }
    return image;
}

} // namespace vorn::testing

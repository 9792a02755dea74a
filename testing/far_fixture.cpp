#include "testing/far_fixture.h"

namespace vorn::testing {

namespace {

void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

std::vector<uint8_t> MakeFarImage(const std::vector<FarFixtureFile>& files, bool narrow)
{
    std::vector<uint8_t> image = {'F', 'A', 'R', '!', 'b', 'y', 'A', 'Z'};
    PutLE(image, 1, 4);
    uint32_t manifest = 16;
    for (const auto& file : files)
        manifest += static_cast<uint32_t>(file.bytes.size());
    PutLE(image, manifest, 4);
    for (const auto& file : files)
        image.insert(image.end(), file.bytes.begin(), file.bytes.end());
    PutLE(image, static_cast<uint32_t>(files.size()), 4);
    uint32_t offset = 16;
    for (const auto& file : files) {
        const auto size = static_cast<uint32_t>(file.bytes.size());
        PutLE(image, size, 4);
        PutLE(image, size, 4);
        PutLE(image, offset, 4);
        PutLE(image, static_cast<uint32_t>(file.name.size()), narrow ? 2 : 4);
        image.insert(image.end(), file.name.begin(), file.name.end());
        offset += size;
    }
    return image;
}

} // namespace vorn::testing

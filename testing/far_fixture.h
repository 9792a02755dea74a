#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn::testing {

// Builds FAR archive bytes by hand, independently of the archive code, so
// tests compare the store against the format rather than against itself.
struct FarFixtureFile {
    std::string name;
    std::string bytes;
};

// A compact archive: header, the files' bytes in order from offset 16, then
// the manifest with 4-byte (wide) or 2-byte (narrow) name lengths.
std::vector<uint8_t> MakeFarImage(const std::vector<FarFixtureFile>& files, bool narrow = false);

} // namespace vorn::testing

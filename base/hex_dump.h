#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vorn {

// Bytes shown 16 to a line: the offset (8 hex digits), the bytes in hex, and
// the printable ASCII ones as text ("." for the others):
// "00000010  41 42 01 FF ...  AB..".
constexpr size_t kHexDumpWidth = 16;
std::string HexDumpLine(std::span<const uint8_t> data, size_t offset);
// Lines needed for `size` bytes.
inline size_t HexDumpLineCount(size_t size) { return (size + kHexDumpWidth - 1) / kHexDumpWidth; }

} // namespace vorn

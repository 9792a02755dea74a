#include "base/hex_dump.h"

#include <algorithm>

namespace vorn {

std::string HexDumpLine(std::span<const uint8_t> data, size_t offset)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line;
    for (int shift = 28; shift >= 0; shift -= 4)
        line += kDigits[(offset >> shift) & 0xF];
    line += ' ';
    const size_t end = std::min(data.size(), offset + kHexDumpWidth);
    std::string text;
    for (size_t i = offset; i < offset + kHexDumpWidth; ++i) {
        line += ' ';
        if (i < end) {
            line += kDigits[data[i] >> 4];
            line += kDigits[data[i] & 0xF];
            text += data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '.';
        } else {
            line += "  ";
        }
    }
    return line + "  " + text;
}

} // namespace vorn

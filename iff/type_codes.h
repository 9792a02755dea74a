#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// Resource type codes are 32-bit values whose most significant byte is the
// code's first character: "SPR2" is 0x53505232.
constexpr uint32_t MakeTypeCode(const char (&text)[5])
{
    return (static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8) | static_cast<uint32_t>(static_cast<uint8_t>(text[3]));
}

constexpr uint32_t kTypeRsmp = MakeTypeCode("rsmp");
constexpr uint32_t kTypeSpr2 = MakeTypeCode("SPR2");
constexpr uint32_t kTypePalt = MakeTypeCode("PALT");
constexpr uint32_t kTypeDgrp = MakeTypeCode("DGRP");
constexpr uint32_t kTypeObjd = MakeTypeCode("OBJD");

// The four characters of a type code, for listings.
inline std::string TypeCodeText(uint32_t type)
{
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i)
        text[static_cast<size_t>(i)] = static_cast<char>(type >> (24 - 8 * i));
    return text;
}

} // namespace vorn

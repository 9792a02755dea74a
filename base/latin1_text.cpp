#include "base/latin1_text.h"

#include <cstdint>
#include <cstdio>

namespace vorn {

std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& at)
{
    const auto lead = static_cast<uint8_t>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size())
        return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    at += length;
    return value;
}

std::string Latin1ToUtf8(std::string_view latin1)
{
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return utf8;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8)
{
    std::string latin1;
    latin1.reserve(utf8.size());
    size_t at = 0;
    while (at < utf8.size()) {
        const std::optional<char32_t> code = DecodeUtf8(utf8, at);
        if (!code || *code > 0xFF)
            return std::nullopt;
        latin1.push_back(static_cast<char>(*code));
    }
    return latin1;
}

bool IsValidUtf8(std::string_view text)
{
    size_t at = 0;
    while (at < text.size())
        if (!DecodeUtf8(text, at))
            return false;
    return true;
}

std::string Utf8Character::CodeText() const
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

std::optional<Utf8Character> FirstBeyondLatin1(std::string_view utf8)
{
    size_t at = 0;
    while (at < utf8.size()) {
        const size_t start = at;
        const std::optional<char32_t> code = DecodeUtf8(utf8, at);
        if (!code)
            return std::nullopt;
        if (*code > 0xFF)
            return Utf8Character{std::string(utf8.substr(start, at - start)), *code};
    }
    return std::nullopt;
}

} // namespace vorn

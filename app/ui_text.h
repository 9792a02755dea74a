#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Archive names are byte strings; the UI shows each byte as the Latin-1
// character of that value, so every name round-trips unchanged.
inline QString FromArchive(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A typed name as archive bytes; none when it holds a character outside Latin-1.
inline std::optional<std::string> ToArchive(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
        bytes.push_back(static_cast<char>(c.unicode()));
    }
    return bytes;
}

} // namespace vorn

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// One field of an OBJD chunk: the chunk is a table of 16-bit little-endian
// words (version 138 of the game's object definitions); the version and the
// GUID span two words each, low word first.
struct ObjectField {
    size_t index = 0;      // of the first word
    size_t words = 1;      // 1 or 2
    std::string_view name; // empty for the words the table does not name
    uint32_t value = 0;    // as stored
    bool isSigned = false; // a 16-bit field read as signed (the sub index: -1 marks a leader)

    // The name, or "field N" for an unnamed word.
    std::string DisplayName() const;
    // The value as the field means it: sign-extended for a signed field.
    int64_t Number() const { return isSigned ? static_cast<int16_t>(value) : static_cast<int64_t>(value); }
};

// Every whole word of `data` as a field, in word order; named fields by
// their name. A two-word field cut by the end of the chunk is left out, as
// is a trailing odd byte.
std::vector<ObjectField> ReadObjectFields(std::span<const uint8_t> data);
// The value of the named field; none when the chunk is too short for it.
std::optional<uint32_t> ObjectFieldValue(std::span<const uint8_t> data, std::string_view name);

} // namespace vorn

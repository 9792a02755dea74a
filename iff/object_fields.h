#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// How a field's value is written and what it may hold.
enum class ObjectFieldKind {
    Unsigned16,
    Signed16,   // the sub index: -1 marks a leader
    Unsigned32, // the version
    Hex32,      // the GUID, given as 32-bit hexadecimal
};

// A field a value can be given to: a named one, or "field N" for a word the
// table does not name.
struct ObjectFieldSpec {
    size_t index = 0;
    size_t words = 1;
    std::string_view name;
    ObjectFieldKind kind = ObjectFieldKind::Unsigned16;
    // Fields of the object as a whole (price, depreciation, catalogue, room
    // and function flags, the master id that ties the tiles): a multi-tile
    // object's tiles must agree on them.
    bool sharedByTiles = false;

    std::string DisplayName() const;
    // "0 to 65535", "-32768 to 32767", "00000000 to FFFFFFFF (hexadecimal)", ...
    std::string RangeText() const;
};

enum class ObjectFieldParse { Done, NotANumber, OutOfRange };

// The field of that name (as ReadObjectFields names it, letter case
// ignored), or "field N" for a word below 108; none for anything else.
std::optional<ObjectFieldSpec> FindObjectField(std::string_view name);
// `text` as a value of the field: decimal (or 0x-hexadecimal) for the 16-
// and 32-bit numbers, hexadecimal with or without 0x for the GUID.
ObjectFieldParse ParseObjectFieldValue(const ObjectFieldSpec& field, std::string_view text, uint32_t& value);
// Stores `value` into the chunk's bytes; a chunk too short for the field
// grows with zeros up to the field's end. True when it grew.
bool StoreObjectField(std::vector<uint8_t>& data, const ObjectFieldSpec& field, uint32_t value);

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

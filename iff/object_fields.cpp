#include "iff/object_fields.h"

#include "base/endian.h"
#include "base/name_compare.h"

#include <charconv>

namespace vorn {

namespace {

using Kind = ObjectFieldKind;
constexpr size_t kTableWords = 108; // the 216 bytes of a version-138 definition

struct NamedField {
    size_t index;
    size_t words;
    std::string_view name;
    Kind kind = Kind::Unsigned16;
    bool sharedByTiles = false;
};

// The documented words of a version-138 object definition.
constexpr NamedField kNamedFields[] = {
    {0, 2, "version", Kind::Unsigned32},
    {2, 1, "initial stack size"},
    {3, 1, "base graphic"},
    {4, 1, "number of graphics"},
    {5, 1, "main tree id"},
    {6, 1, "gardening tree id"},
    {7, 1, "tree table id"},
    {8, 1, "interaction group"},
    {9, 1, "type"},
    {10, 1, "master id", Kind::Unsigned16, true},
    {11, 1, "sub index", Kind::Signed16},
    {12, 1, "wash hands tree id"},
    {13, 1, "animation table id"},
    {14, 2, "guid", Kind::Hex32},
    {16, 1, "catalogue disabled", Kind::Unsigned16, true},
    {17, 1, "portal tree id"},
    {18, 1, "price", Kind::Unsigned16, true},
    {19, 1, "body strings id"},
    {20, 1, "slots id"},
    {21, 1, "allow intersection tree id"},
    {22, 1, "uses function table"},
    {24, 1, "prepare food tree id"},
    {25, 1, "cook food tree id"},
    {26, 1, "place on surface tree id"},
    {27, 1, "dispose tree id"},
    {28, 1, "eat food tree id"},
    {29, 1, "pickup from slot tree id"},
    {30, 1, "wash dish tree id"},
    {31, 1, "eating surface tree id"},
    {32, 1, "sit tree id"},
    {33, 1, "stand tree id"},
    {34, 1, "sale price", Kind::Unsigned16, true},
    {35, 1, "initial depreciation", Kind::Unsigned16, true},
    {36, 1, "daily depreciation", Kind::Unsigned16, true},
    {37, 1, "self depreciating", Kind::Unsigned16, true},
    {38, 1, "depreciation limit", Kind::Unsigned16, true},
    {39, 1, "room flags", Kind::Unsigned16, true},
    {40, 1, "function flags", Kind::Unsigned16, true},
    {41, 1, "catalogue strings id", Kind::Unsigned16, true},
};

const NamedField* NamedAt(size_t index)
{
    for (const NamedField& field : kNamedFields)
        if (field.index == index)
            return &field;
    return nullptr;
}

uint32_t ValueAt(std::span<const uint8_t> data, size_t index, size_t words)
{
    const uint8_t* at = data.data() + 2 * index;
    return words == 2 ? LoadLE32(at) : LoadLE16(at);
}

std::optional<uint64_t> ParseDigits(std::string_view text, int base)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, base);
    if (error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

} // namespace

std::string ObjectFieldSpec::DisplayName() const
{
    return name.empty() ? "field " + std::to_string(index) : std::string(name);
}

std::string ObjectFieldSpec::RangeText() const
{
    switch (kind) {
    case Kind::Unsigned16: return "0 to 65535";
    case Kind::Signed16: return "-32768 to 32767";
    case Kind::Unsigned32: return "0 to 4294967295";
    case Kind::Hex32: return "00000000 to FFFFFFFF (hexadecimal)";
    }
    return "";
}

std::optional<ObjectFieldSpec> FindObjectField(std::string_view name)
{
    for (const NamedField& field : kNamedFields)
        if (EqualsNoCase(field.name, name))
            return ObjectFieldSpec{field.index, field.words, field.name, field.kind, field.sharedByTiles};
    constexpr std::string_view kUnnamed = "field ";
    if (name.size() <= kUnnamed.size() || !EqualsNoCase(name.substr(0, kUnnamed.size()), kUnnamed))
        return std::nullopt;
    const std::optional<uint64_t> index = ParseDigits(name.substr(kUnnamed.size()), 10);
    if (!index || *index >= kTableWords)
        return std::nullopt;
    // A word inside a named field is reached through its name.
    for (const NamedField& field : kNamedFields)
        if (*index >= field.index && *index < field.index + field.words)
            return std::nullopt;
    return ObjectFieldSpec{static_cast<size_t>(*index), 1, {}, Kind::Unsigned16, false};
}

ObjectFieldParse ParseObjectFieldValue(const ObjectFieldSpec& field, std::string_view text, uint32_t& value)
{
    const bool negative = field.kind == Kind::Signed16 && !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (prefixed)
        text.remove_prefix(2);
    const std::optional<uint64_t> number = ParseDigits(text, prefixed || field.kind == Kind::Hex32 ? 16 : 10);
    if (!number)
        return ObjectFieldParse::NotANumber;
    switch (field.kind) {
    case Kind::Unsigned16:
        if (*number > UINT16_MAX)
            return ObjectFieldParse::OutOfRange;
        break;
    case Kind::Signed16:
        if (*number > (negative ? 32768u : 32767u))
            return ObjectFieldParse::OutOfRange;
        value = static_cast<uint16_t>(negative ? -static_cast<int32_t>(*number) : static_cast<int32_t>(*number));
        return ObjectFieldParse::Done;
    case Kind::Unsigned32:
    case Kind::Hex32:
        if (*number > UINT32_MAX)
            return ObjectFieldParse::OutOfRange;
        break;
    }
    value = static_cast<uint32_t>(*number);
    return ObjectFieldParse::Done;
}

bool StoreObjectField(std::vector<uint8_t>& data, const ObjectFieldSpec& field, uint32_t value)
{
    const size_t end = 2 * (field.index + field.words);
    const bool grows = data.size() < end;
    if (grows)
        data.resize(end, 0);
    uint8_t* at = data.data() + 2 * field.index;
    if (field.words == 2)
        StoreLE32(at, value);
    else
        StoreLE16(at, static_cast<uint16_t>(value));
    return grows;
}

std::string ObjectField::DisplayName() const
{
    return name.empty() ? "field " + std::to_string(index) : std::string(name);
}

std::vector<ObjectField> ReadObjectFields(std::span<const uint8_t> data)
{
    const size_t wordCount = data.size() / 2;
    std::vector<ObjectField> fields;
    fields.reserve(wordCount);
    for (size_t index = 0; index < wordCount;) {
        const NamedField* named = NamedAt(index);
        const size_t words = named != nullptr ? named->words : 1;
        if (index + words > wordCount)
            break;
        fields.push_back({index, words, named != nullptr ? named->name : std::string_view(),
                          ValueAt(data, index, words), named != nullptr && named->kind == Kind::Signed16});
        index += words;
    }
    return fields;
}

std::optional<uint32_t> ObjectFieldValue(std::span<const uint8_t> data, std::string_view name)
{
    for (const NamedField& field : kNamedFields)
        if (field.name == name) {
            if (2 * (field.index + field.words) > data.size())
                return std::nullopt;
            return ValueAt(data, field.index, field.words);
        }
    return std::nullopt;
}

} // namespace vorn

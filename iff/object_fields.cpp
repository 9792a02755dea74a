#include "iff/object_fields.h"

#include "base/endian.h"

namespace vorn {

namespace {

struct NamedField {
    size_t index;
    size_t words;
    std::string_view name;
    bool isSigned = false;
};

// The documented words of a version-138 object definition.
constexpr NamedField kNamedFields[] = {
    {0, 2, "version"},
    {2, 1, "initial stack size"},
    {3, 1, "base graphic"},
    {4, 1, "number of graphics"},
    {5, 1, "main tree id"},
    {6, 1, "gardening tree id"},
    {7, 1, "tree table id"},
    {8, 1, "interaction group"},
    {9, 1, "type"},
    {10, 1, "master id"},
    {11, 1, "sub index", true},
    {12, 1, "wash hands tree id"},
    {13, 1, "animation table id"},
    {14, 2, "guid"},
    {16, 1, "catalogue disabled"},
    {17, 1, "portal tree id"},
    {18, 1, "price"},
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
    {34, 1, "sale price"},
    {35, 1, "initial depreciation"},
    {36, 1, "daily depreciation"},
    {37, 1, "self depreciating"},
    {38, 1, "depreciation limit"},
    {39, 1, "room flags"},
    {40, 1, "function flags"},
    {41, 1, "catalogue strings id"},
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

} // namespace

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
                          ValueAt(data, index, words), named != nullptr && named->isSigned});
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

// String tables (STR#, CTSS, TTAs) in every layout, and OBJD fields by name:
// whatever reads as a table must write back the same bytes.
#include "iff/object_fields.h"
#include "iff/string_table.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    StringTable table;
    if (table.Parse(bytes) == StringTableProblem::None) {
        const std::vector<uint8_t> written = table.Serialise();
        if (!std::equal(written.begin(), written.end(), bytes.begin(), bytes.end()))
            abort();
    } else if (!table.Strings().empty()) {
        abort();
    }
    const std::vector<ObjectField> fields = ReadObjectFields(bytes);
    size_t words = 0;
    for (const ObjectField& field : fields)
        words += field.words;
    if (2 * words > size)
        abort();
    ObjectFieldValue(bytes, "guid");
    return 0;
}

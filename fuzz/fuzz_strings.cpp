// String tables (STR#, CTSS, TTAs) in every layout, and OBJD fields by name:
// whatever reads as a table must write back the same bytes; an edit either
// is refused, changing nothing, or leaves a table that reads back with it.
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
        // Edits picked by the input's own bytes.
        const size_t rows = table.Strings().size();
        const size_t row = size > 2 ? bytes[2] % (rows + 1) : 0;
        const std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(size / 2), bytes.end());
        const uint32_t language = size > 3 ? bytes[3] : 0;
        StringEdit edits[] = {table.SetText(row, text), table.SetComment(row, text), table.SetLanguage(row, language),
                              table.InsertRow(row, text, {}, language), table.MoveRow(row, 0), table.RemoveRow(0)};
        const std::vector<uint8_t> edited = table.Serialise();
        StringTable reread;
        const bool anyDone = std::any_of(std::begin(edits), std::end(edits), [](StringEdit e) { return e == StringEdit::Done; });
        if (reread.Parse(edited) != StringTableProblem::None || reread.Strings().size() != table.Strings().size())
            abort();
        if (!anyDone && edited != written)
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

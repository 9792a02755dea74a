#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorn {

// How a string table chunk (STR#, CTSS, TTAs) lays out its strings, named by
// the little-endian word it begins with.
enum class StringTableLayout {
    Pascal,       // no such word: a 16-bit count, then strings led by a length byte
    Plain,        // 0xFFFF: a count, then NUL-ended strings
    Commented,    // 0xFFFE: a count, then pairs of NUL-ended string and comment
    Languages,    // 0xFFFD: a count, then a language byte, string and comment each
    LanguageSets, // 0xFFFC: a set count byte, then per set a count and its strings,
                  // each a language byte and two strings led by 7-bit-group lengths
};

// Why a chunk could not be read as a string table.
enum class StringTableProblem {
    None,
    Empty,        // fewer than the two bytes of the first word
    Truncated,    // a count, a length or a string runs past the end of the chunk
    BadLength,    // a length in more groups than it needs, or beyond 32 bits
};

// What an edit of a string table did; anything but Done left the table as it was.
enum class StringEdit {
    Done,
    NoSuchRow,
    NoComments,     // the layout has no place for a comment
    NoLanguages,    // the layout has no place for a language
    BadLanguage,    // 0xFFFD: 0 to 255; 0xFFFC: a set from 1 to 255
    TooLong,        // counted strings hold at most 255 bytes
    HoldsNul,       // NUL-ended strings cannot hold a NUL
    TooManyStrings, // the count is 16-bit
    AcrossSets,     // 0xFFFC rows move only within their language set
    Misreads,       // counted strings: the result would read back as another table
};

struct StringTableEntry {
    // 0xFFFD: the language byte as stored (1 for the first language);
    // 0xFFFC: the byte stored with the string. 0 for the other layouts.
    uint8_t language = 0;
    // 0xFFFC only: the language set the string belongs to.
    uint8_t languageSet = 0;
    std::string text;    // the stored bytes (Latin-1 in the game's files)
    std::string comment; // empty in the layouts without comments

    bool operator==(const StringTableEntry&) const = default;
};

// A string table as stored: reading and writing back give the same bytes,
// trailing bytes after the last string (0xA3 padding, often) included.
class StringTable {
public:
    // The chunk types that hold string tables.
    static bool IsStringTableType(uint32_t type);

    // Reads `data`; on failure the table is left empty and the problem named.
    StringTableProblem Parse(std::span<const uint8_t> data);
    // The chunk bytes for the table as it is now.
    std::vector<uint8_t> Serialise() const;

    StringTableLayout Layout() const { return layout_; }
    const std::vector<StringTableEntry>& Strings() const { return strings_; }
    std::vector<StringTableEntry>& Strings() { return strings_; }
    // 0xFFFC: how many language sets the table declares (sets may be empty).
    uint8_t LanguageSetCount() const { return languageSets_; }
    // Bytes after the last string, kept as they were.
    const std::vector<uint8_t>& Trailing() const { return trailing_; }
    // The 1-based language a row shows: the stored byte for 0xFFFD, the set
    // (counted from 1) for 0xFFFC, 0 where the layout has none.
    static uint32_t ShownLanguage(StringTableLayout layout, const StringTableEntry& entry);

    // The game's language of a ShownLanguage number (1 "English (US)" up to
    // 20 "Korean"), or nullptr for a number the game gives no language.
    static const char* LanguageName(uint32_t language);
    static const char* LayoutName(StringTableLayout layout);
    static const char* ProblemText(StringTableProblem problem);

    // Edits that keep the table writable in its own layout; a layout never
    // drops what it cannot hold: such an edit is refused. The bytes after the
    // last string stay where they are, after the last string.
    StringEdit SetText(size_t row, std::string text);
    StringEdit SetComment(size_t row, std::string comment);
    // The language as ShownLanguage gives it; 0xFFFC moves the row to the
    // end of that set, adding empty sets up to it.
    StringEdit SetLanguage(size_t row, uint32_t language);
    // A new row before `row` (at the end for Strings().size()), of the
    // language given as ShownLanguage reads it (ignored where the layout has none).
    StringEdit InsertRow(size_t row, std::string text, std::string comment, uint32_t language);
    StringEdit RemoveRow(size_t row);
    StringEdit MoveRow(size_t from, size_t to);
    // Why an edit was refused, in words for a message ("" for Done).
    std::string EditText(StringEdit result) const;

private:
    StringEdit CheckText(const std::string& text) const;
    StringEdit CheckComment(const std::string& comment) const;
    StringEdit CheckLanguage(uint32_t language) const;
    void ApplyLanguage(StringTableEntry& entry, uint32_t language);
    // 0xFFFC: the rows in the order they are written, set by set.
    void GroupBySet();
    // Counted strings carry no format word, so an edit can leave bytes that
    // read back otherwise (the count in the other byte order, or a first word
    // that names another layout): such an edit is undone and refused.
    template <typename Edit>
    StringEdit KeepIfReadsBack(Edit edit);

    StringTableLayout layout_ = StringTableLayout::Plain;
    bool pascalBigEndian_ = true;
    uint8_t languageSets_ = 0;
    std::vector<StringTableEntry> strings_;
    std::vector<uint8_t> trailing_;
};

} // namespace vorn

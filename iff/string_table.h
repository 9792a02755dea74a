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

struct StringTableEntry {
    // 0xFFFD: the language byte as stored (1 for the first language);
    // 0xFFFC: the byte stored with the string. 0 for the other layouts.
    uint8_t language = 0;
    // 0xFFFC only: the language set the string belongs to.
    uint8_t languageSet = 0;
    std::string text;    // the stored bytes (Latin-1 in the game's files)
    std::string comment; // empty in the layouts without comments
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

    static const char* LayoutName(StringTableLayout layout);
    static const char* ProblemText(StringTableProblem problem);

private:
    StringTableLayout layout_ = StringTableLayout::Plain;
    bool pascalBigEndian_ = true;
    uint8_t languageSets_ = 0;
    std::vector<StringTableEntry> strings_;
    std::vector<uint8_t> trailing_;
};

} // namespace vorn

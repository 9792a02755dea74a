#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class CFarDirectoryTree;

// One place a find matched: an entry's name, or one string of a string table
// chunk (STR#, CTSS, TTAs) inside an IFF entry.
struct ArchiveFindHit {
    std::string path;          // the entry's archive path, as the tree spells it
    bool inString = false;     // false: the entry's name matched
    uint32_t chunkType = 0;    // the string table's chunk, for a string
    uint16_t chunkId = 0;
    size_t stringIndex = 0;    // the string's place in its table
    std::string text;          // the name, or the string's bytes

    // "name", or the chunk and the string: "STR# 128 #3".
    std::string Where() const;
};

// Finds entries of a whole archive by name and, when asked, by the strings of
// their IFF files (catalogue names and descriptions, STR# text).
//
// The pattern: with "\\" (or "/") it is a shell-style pattern on whole paths
// (ArchivePattern); otherwise on the entry's name, where a pattern without
// "*", "?" or "[" finds the names that contain it. Strings are matched the
// same way as one name: containing the text, or matching the whole string as
// a pattern. Letter case is ignored as archive names compare (ASCII only).
class ArchiveFind {
public:
    ArchiveFind(std::string_view pattern, bool searchStrings);

    bool NameMatches(std::string_view path, std::string_view name) const;
    bool TextMatches(std::string_view text) const;

    // Every hit, directory by directory (files, then subdirectories, in the
    // tree's order); an entry's name before its strings. An entry whose bytes
    // cannot be read, or that is not an IFF file, has no strings.
    std::vector<ArchiveFindHit> Run(CFarDirectoryTree& tree) const;
    // The string hits of one IFF file's bytes, for the entry `path`.
    void FindStrings(std::string_view path, const std::vector<uint8_t>& bytes,
                     std::vector<ArchiveFindHit>& hits) const;

private:
    std::string pattern_;   // "/" as "\\"
    std::string textPattern_; // as typed, for strings
    bool wholePath_ = false;
    bool wildcards_ = false;
    bool textWildcards_ = false;
    bool searchStrings_ = false;
};

} // namespace vorn

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// An entry's name: a view of bytes its archive keeps (one block of names for
// all entries, not an allocation each), valid while the archive is not
// cleared or loaded again. It converts to a std::string where one is wanted.
class FarEntryName : public std::string_view {
public:
    FarEntryName() = default;
    constexpr FarEntryName(std::string_view text) : std::string_view(text) {}
    FarEntryName(const char* text) : std::string_view(text) {}
    operator std::string() const { return std::string(data(), size()); }
};

// Joined with strings as a std::string would be.
inline std::string operator+(const std::string& text, FarEntryName name)
{
    return text + std::string(name);
}
inline std::string operator+(FarEntryName name, const std::string& text)
{
    return std::string(name) + text;
}
inline std::string operator+(FarEntryName name, const char* text)
{
    return std::string(name) + text;
}
inline std::string operator+(const char* text, FarEntryName name)
{
    return text + std::string(name);
}

// One stored file of a FAR archive. Entries are only appended and marked
// deleted while an archive is open, so an entry's index is stable.
struct CFarEntry {
    uint32_t size1 = 0;       // size shown to the user and summed by TotalSize
    uint32_t size2 = 0;       // length of the entry's bytes
    int64_t offset = -1;      // where the bytes start in the source; -1 when only in memory
    FarEntryName name;        // full path, "\\" between components, no leading separator
    int32_t blockIndex = 0;   // the entry's data block; 0 (the empty block) while it owns none
    bool isNew = false;       // bytes added or replaced since the archive was loaded
    bool isDeleted = false;   // kept in the list, skipped by every operation
};

} // namespace vorn

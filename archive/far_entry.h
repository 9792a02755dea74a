#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// One stored file of a FAR archive. Entries are only appended and marked
// deleted while an archive is open, so an entry's index is stable.
struct CFarEntry {
    uint32_t size1 = 0;       // size shown to the user and summed by TotalSize
    uint32_t size2 = 0;       // length of the entry's bytes
    int64_t offset = -1;      // where the bytes start in the source; -1 when only in memory
    std::string name;         // full path, "\\" between components, no leading separator
    int32_t blockIndex = 0;   // the entry's data block; 0 (the empty block) while it owns none
    bool isNew = false;       // bytes added or replaced since the archive was loaded
    bool isDeleted = false;   // kept in the list, skipped by every operation
};

} // namespace vorn

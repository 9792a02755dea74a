#pragma once

#include "archive/far_data_block.h"
#include "archive/far_entry.h"

#include <cstddef>
#include <cstdint>

namespace vorn {

// An entry's bytes and the fields that describe them, as one unit: what a
// replacement of the bytes takes away and an undo puts back.
struct EntryState {
    uint32_t size1 = 0;
    uint32_t size2 = 0;
    int64_t offset = -1;
    bool isNew = false;
    FarDataBlock block;
};

// Told of every change an archive makes to its entries, after it is made,
// with what the change replaced: enough to take the change back exactly.
class EntryJournal {
public:
    virtual ~EntryJournal() = default;
    virtual void EntryRenamed(size_t index, FarEntryName before) = 0;
    virtual void EntryDeleted(size_t index) = 0;
    virtual void EntryAppended(size_t index) = 0;
    // `before` owns the bytes the entry held (none when they were never read).
    virtual void EntryDataReplaced(size_t index, EntryState before) = 0;
};

} // namespace vorn

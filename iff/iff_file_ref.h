#pragma once

#include "base/byte_stream.h"
#include "iff/iff_chunk.h"
#include "iff/iff_file.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

class MemoryStream;

// A reference to one container of IffFileTable::Instance(), through which
// callers look chunks up. A default-constructed reference creates an empty
// container (noSelfWrite) and owns it; after Attach or Open it refers to a
// container it does not own and leaves it open when destroyed, unless
// `owning` was asked for.
class CIffFileRef {
public:
    // Position in the chunk list for FirstOfType / NextOfSameType; kEnd when none.
    using Position = size_t;
    static constexpr Position kEnd = static_cast<size_t>(-1);

    CIffFileRef();
    ~CIffFileRef();
    CIffFileRef(const CIffFileRef&) = delete;
    CIffFileRef& operator=(const CIffFileRef&) = delete;

    // Opens and parses a copy of `source` (name empty, noSelfWrite 0) and
    // attaches it. On a parse failure the new container is closed again and
    // `error` holds 3, 4 or 5.
    bool Open(std::span<const uint8_t> source, IffParseError& error, bool owning = false);
    bool Open(const MemoryStream& source, IffParseError& error, bool owning = false);
    // Closes an owned container, then refers to `handle` without owning it.
    // Attaching to the handle already held only rebuilds the type list.
    bool Attach(uint32_t handle);
    // Writes the container into `target` (a fresh resource map at the end).
    bool Save(ByteStream& target);
    bool LoadAll();
    bool LoadChunk(CIffChunk& chunk);

    uint32_t Handle() const { return handle_; }
    bool IsOwning() const { return owning_; }
    // The container, or null when the handle is no longer valid.
    CIffFile* File() const;

    // The chunk with this type and id, or null.
    CIffChunk* Find(uint32_t type, uint16_t id) const;
    // The chunk of this type with the smallest id, or null.
    CIffChunk* LowestId(uint32_t type) const;
    // Returns `cursor` and moves it to the chunk of the same type with the
    // next greater id (null after the last). Start with LowestId.
    CIffChunk* NextById(CIffChunk*& cursor) const;
    // The first chunk of a type in list order; walk on with NextOfSameType.
    Position FirstOfType(uint32_t type) const;
    // Returns the chunk at `position` and moves it to the next chunk of the same type, or kEnd.
    CIffChunk* NextOfSameType(Position& position) const;
    // Every chunk of a type in list order.
    std::vector<CIffChunk*> ChunksOfType(uint32_t type) const;

    // Distinct type codes in order of first appearance (as of Attach / Open).
    const std::vector<uint32_t>& Types() const { return types_; }
    size_t TypeCount() const { return types_.size(); }
    void RebuildTypes();
    size_t CountOfType(uint32_t type, bool onlyLoaded) const;

private:
    void Release();

    uint32_t handle_ = 0;
    bool owning_ = false;
    std::vector<uint32_t> types_;
};

} // namespace vorn

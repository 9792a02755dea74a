#pragma once

#include "base/byte_stream.h"
#include "iff/iff_file.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vorn {

class MemoryStream;

// The table of open IFF containers, addressed by small integer handles.
// Handle 0 means none; valid handles are 1 and up. The table starts with 64
// slots on first use and grows by 64 whenever every slot from 1 up is taken.
//
// Instance() is the calling thread's table: a handle is valid only on the
// thread that opened it, and its containers are released when that thread
// ends. Separate tables can be made (tests do) and release theirs when
// destroyed. A table is not thread-safe; giving each thread its own is what
// lets workers open files while the user-interface thread uses its own.
class IffFileTable {
public:
    static constexpr uint32_t kGrowth = 64;

    IffFileTable() = default;
    IffFileTable(const IffFileTable&) = delete;
    IffFileTable& operator=(const IffFileTable&) = delete;

    static IffFileTable& Instance();

    // A new empty container; returns its handle or 0.
    uint32_t CreateEmpty(bool noSelfWrite);
    // A new container over a copy of `bytes` (not parsed yet); returns its handle or 0.
    uint32_t Open(std::span<const uint8_t> bytes, std::string name, bool noSelfWrite);
    uint32_t Open(const MemoryStream& source, std::string name, bool noSelfWrite);
    // Parses the container; on failure `error` is 3 (not IFF), 4 (bad version) or 5 (invalid handle).
    bool Parse(uint32_t handle, IffParseError& error);
    // Writes the container into `target`, or into its own image when null.
    bool Write(ByteStream* target, uint32_t handle);
    // Releases the container and frees its slot; false for an invalid handle.
    bool Close(uint32_t handle);

    bool IsValid(uint32_t handle) const;
    // The container under the handle, or null.
    CIffFile* Get(uint32_t handle) const;
    bool LoadChunk(uint32_t handle, CIffChunk& chunk);
    bool LoadAll(uint32_t handle);

    // Number of slots including the unused slot 0 (0 before first use).
    size_t SlotCount() const { return slots_.size(); }
    size_t OpenCount() const;

private:
    uint32_t Insert(std::unique_ptr<CIffFile> file);

    std::vector<std::unique_ptr<CIffFile>> slots_;
};

} // namespace vorn

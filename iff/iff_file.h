#pragma once

#include "base/byte_stream.h"
#include "base/memory_stream.h"
#include "iff/iff_chunk.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorn {

// Why a container could not be parsed.
enum class IffParseError {
    None = 0,
    NotIff = 3,         // the header does not begin with "IFF FILE"
    BadVersion = 4,     // the version is neither "2.0" nor "2.5"
    InvalidHandle = 5,  // no container under the handle
};

// Where the sequential chunk scan stopped short of a clean end, and why.
enum class IffScanStop {
    None,      // the chunks fill the file exactly
    CutHeader, // fewer bytes are left than a chunk header takes
    BadSize,   // the header claims less than itself or more than any chunk may hold
    PastEnd,   // the chunk claims more bytes than the file has left (it is still listed)
};

struct IffScanEnd {
    IffScanStop stop = IffScanStop::None;
    uint64_t offset = 0;      // of the chunk header
    uint32_t claimedSize = 0; // its size field, header included
};

// One open IFF container: its memory image and the chunks parsed from it.
// Containers live in IffFileTable; callers reach them through CIffFileRef.
//
// The chunk list holds at most one chunk per (type, id): registering a chunk
// replaces an earlier one with the same type and id.
class CIffFile {
public:
    static constexpr size_t kHeaderSize = 64;
    static constexpr size_t kChunkHeaderSize = 76;
    static constexpr size_t kMaxLabelInHeader = 63;
    // The header every write emits (bytes 60..63 then hold the map offset).
    static const std::array<uint8_t, kHeaderSize>& WriterHeader();
    // The header of a container created empty, until its first write.
    static const std::array<uint8_t, kHeaderSize>& EmptyHeader();

    // An empty container (length 0).
    explicit CIffFile(bool noSelfWrite);
    // A container whose memory image is a copy of `bytes`; nothing is parsed yet.
    CIffFile(std::span<const uint8_t> bytes, std::string name, bool noSelfWrite);
    CIffFile(const CIffFile&) = delete;
    CIffFile& operator=(const CIffFile&) = delete;

    const std::string& Name() const { return name_; }
    bool NoSelfWrite() const { return noSelfWrite_; }
    bool AllLoaded() const { return allLoaded_; }
    const std::array<uint8_t, kHeaderSize>& Header() const { return header_; }
    uint64_t Length() const { return static_cast<uint64_t>(image_.Length()); }
    const MemoryStream& Image() const { return image_; }

    // Reads the header and registers the chunks (through the resource map for
    // "2.5", then by a sequential scan). Returns false with 3 or 4 in `error`.
    // A malformed chunk sequence ends the scan with the chunks found so far;
    // ScanEnd() then tells where and why.
    bool Parse(IffParseError& error);
    const IffScanEnd& ScanEnd() const { return scanEnd_; }
    // Serialises every chunk in list order plus a fresh resource map into
    // `target`, or into the own memory image when `target` is null. Fails when a
    // non-map chunk is not loaded, on a target failure, or for a self-write of
    // a container created with noSelfWrite. Every chunk's data offset then
    // refers to its place in the target.
    bool Write(ByteStream* target);

    // Brings a chunk's bytes in from the memory image; false when they are not all there.
    bool LoadChunk(CIffChunk& chunk);
    // Loads every chunk in list order; stops at the first failure.
    bool LoadAll();

    const std::vector<std::unique_ptr<CIffChunk>>& Chunks() const { return chunks_; }
    size_t ChunkCount() const { return chunks_.size(); }
    CIffChunk* ChunkAt(size_t index) const { return index < chunks_.size() ? chunks_[index].get() : nullptr; }
    // The chunk with this type and id, or null.
    CIffChunk* Find(uint32_t type, uint16_t id) const;
    // Adds a chunk at the end of the list, replacing one with the same type and id.
    CIffChunk* AddChunk(std::unique_ptr<CIffChunk> chunk);
    // Takes the chunk out of the list; false when there is none.
    bool RemoveChunk(uint32_t type, uint16_t id);
    // Gives the chunk another id; false when its type already uses that id
    // or the chunk is not in this container.
    bool ChangeId(CIffChunk& chunk, uint16_t id);
    // A loaded chunk holding a copy of `data`, added by the rule above.
    CIffChunk* AddChunk(uint32_t type, uint16_t id, uint16_t flags, std::string label, std::span<const uint8_t> data);

private:
    struct ChunkHeader {
        uint32_t type = 0;
        uint32_t size = 0;
        uint16_t id = 0;
        uint16_t flags = 0;
        std::string label;
    };

    static uint64_t Key(uint32_t type, uint16_t id) { return (static_cast<uint64_t>(type) << 16) | id; }
    bool ReadChunkHeader(uint64_t offset, ChunkHeader& header);
    // Registration while parsing: replaced chunks leave a hole until Compact().
    CIffChunk* Register(const ChunkHeader& header, uint64_t headerOffset);
    void Compact();
    void WalkMap(const CIffChunk& map);
    bool WriteChunks(ByteStream& target);

    std::string name_;
    bool noSelfWrite_;
    bool allLoaded_ = true;
    std::array<uint8_t, kHeaderSize> header_{};
    MemoryStream image_{1024};
    // Null entries are holes left by replaced chunks while parsing.
    std::vector<std::unique_ptr<CIffChunk>> chunks_;
    // (type, id) -> index in chunks_.
    std::unordered_map<uint64_t, size_t> index_;
    std::vector<std::unique_ptr<CIffChunk>> retired_;
    size_t holes_ = 0;
    bool parsing_ = false;
    IffScanEnd scanEnd_;
};

} // namespace vorn

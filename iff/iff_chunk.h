#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorn {

// One resource of an IFF container, and the little-endian byte stream over its
// data that the resource parsers read and write.
//
// Values are copied byte for byte, so multi-byte values are little-endian.
// A read fails without moving the position when it would pass Size(); a write
// grows the buffer as needed and fails only when memory cannot be had. The
// buffer is allocated in multiples of 64 bytes (Capacity()).
class CIffChunk {
public:
    static constexpr uint16_t kDefaultFlags = 0x0010;
    // Object definitions set this flag when they write their chunk and only
    // read chunks that carry it.
    static constexpr uint16_t kFlagWritten = 0x0010;
    // Chunks with this flag are only kept when the resource map lists them.
    static constexpr uint16_t kFlagMapOnly = 0x0004;

    // An empty, loaded chunk of type 0, id 0, flags 0x0010.
    CIffChunk();
    CIffChunk(uint32_t type, uint16_t id, uint16_t flags, std::string label);
    CIffChunk(const CIffChunk&) = default;
    CIffChunk& operator=(const CIffChunk&) = default;

    // Type and id are fixed for the chunk's lifetime; the container indexes by them.
    uint32_t Type() const { return type_; }
    uint16_t Id() const { return id_; }
    uint16_t Flags() const { return flags_; }
    void SetFlags(uint16_t flags) { flags_ = flags; }
    const std::string& Label() const { return label_; }
    void SetLabel(std::string label);

    // Valid data bytes; meaningful only while IsLoaded().
    uint32_t Size() const { return size_; }
    uint32_t Capacity() const { return capacity_; }
    uint32_t Position() const { return position_; }
    // Any position is accepted; reads past Size() fail, writes fill the gap with zeros.
    void SetPosition(uint32_t position) { position_ = position; }
    // File offset of the data in the container's memory image (header offset + 76).
    uint64_t DataOffset() const { return dataOffset_; }
    void SetDataOffset(uint64_t offset) { dataOffset_ = offset; }
    bool IsLoaded() const { return loaded_; }
    void SetLoaded(bool loaded) { loaded_ = loaded; }

    // The data bytes; empty while the chunk is not loaded.
    std::span<const uint8_t> Bytes() const { return {data_.data(), loaded_ ? std::min<size_t>(size_, capacity_) : 0}; }
    uint8_t* MutableData() { return data_.data(); }

    bool Read(void* buffer, uint32_t count);
    bool Read8(uint8_t& value) { return Read(&value, 1); }
    bool Read16(uint16_t& value);
    bool Read32(uint32_t& value);
    bool Write(const void* data, uint32_t count);
    bool Write8(uint8_t value) { return Write(&value, 1); }
    bool Write16(uint16_t value);
    bool Write32(uint32_t value);

    // Grows the capacity when needed, sets the size and pulls the position back
    // to the new end when it lay beyond. SetSize(0) empties the chunk.
    bool SetSize(uint32_t size);
    // Replaces the buffer by one that holds `size` bytes and rewinds; the
    // bytes are zero until filled. Size() is left to the caller.
    bool ReserveForSize(uint32_t size);
    // Replaces the data by a copy of `bytes`; marks the chunk loaded.
    bool Assign(std::span<const uint8_t> bytes);

private:
    friend class CIffFile;
    bool GrowTo(uint64_t capacity);

    uint32_t type_ = 0;
    uint16_t id_ = 0;
    uint16_t flags_ = kDefaultFlags;
    std::string label_;
    // data_.size() is the capacity: a multiple of 64, at least 64.
    std::vector<uint8_t> data_;
    uint32_t capacity_ = 0;
    uint32_t position_ = 0;
    uint32_t size_ = 0;
    uint64_t dataOffset_ = 0;
    bool loaded_ = true;
};

} // namespace vorn

#pragma once

#include "iff/iff_resource.h"
#include "iff/type_codes.h"

#include <cstdint>
#include <vector>

namespace vorn {

// One frame's header fields plus a view of its pixel commands. GetFrame hands
// this out; the bytes stay owned by the sprite and live until it is re-read
// or destroyed.
struct Spr2Frame {
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t flags = 0;
    uint16_t paletteId = 0;
    uint16_t transparentIndex = 0;
    uint16_t yOffset = 0;
    uint16_t xOffset = 0;
    const uint8_t* pixels = nullptr;
    uint32_t pixelLength = 0;
};

// An SPR2 sprite resource: a list of frames of row commands over 8-bit
// palette indices (decoded by the sprite renderer).
//
// Two chunk layouts exist (little-endian). Version 1000: version, frame
// count N, palette id, N frame offsets, 0xA3 padding to a 64-byte boundary,
// then per frame a 16-byte header (width, height, flags, palette id,
// transparent index, y offset, x offset) and its pixel commands up to the
// next frame. Version 1001: version, palette id, frame count N, then N
// frames back to back, each the value 1001, a byte count of what follows
// (header and pixel commands), the same 16-byte header and the commands;
// the last frame ends at the chunk's end.
class CSpr2Sprite : public CIffResource {
public:
    static constexpr uint32_t kVersion = 1000;
    static constexpr uint32_t kSequentialVersion = 1001;
    static constexpr size_t kFrameHeaderSize = 16;

    uint32_t TypeCode() const override { return kTypeSpr2; }
    // Fails on another version, a negative count, an offset outside the
    // chunk, a frame without pixel commands, and for version 1001 on a frame
    // without its 1001 mark, a byte count that leaves the chunk or is below
    // the header, or frames that do not end exactly at the chunk's end.
    // Frames read before a failure stay in the list.
    bool Read() override;
    // Rewrites the chunk in the layout it was read in (1000 for a new
    // sprite). Version 1000 puts the frames contiguous from the first 64-byte
    // boundary after the offset table; an unchanged version 1001 sprite
    // comes out byte for byte as read. The chunk's flags stay as they were.
    bool Write() override;

    // Copies frame `index`'s record; false unless 0 <= index < both the
    // header's count and the number of frames read.
    bool GetFrame(int index, Spr2Frame& frame) const;
    // Replaces flags, palette id, transparent index and the offsets of frame
    // `index`; width, height and pixel commands stay.
    bool SetFrame(int index, const Spr2Frame& frame);
    // Replaces frame `index` whole: every header field of `frame` and the
    // pixel commands (which must not be empty). Same index checks as GetFrame.
    bool ReplaceFrame(int index, const Spr2Frame& frame, std::vector<uint8_t> pixels);
    // The chunk id of the PALT frames fall back to.
    uint16_t PaletteId() const { return static_cast<uint16_t>(paletteId_); }
    // Takes effect in the chunk with the next Write.
    void SetPaletteId(uint16_t paletteId) { paletteId_ = paletteId; }
    // Frame count as the header states it, and the number of frames read.
    int32_t HeaderFrameCount() const { return frameCount_; }
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    uint32_t Version() const { return version_; }
    // Offsets as read from the chunk (not updated by Write).
    const std::vector<uint32_t>& Offsets() const { return offsets_; }

private:
    struct StoredFrame {
        Spr2Frame header;
        std::vector<uint8_t> pixels;
    };

    bool ReadOffsetTable(CIffChunk& chunk);
    bool ReadSequential(CIffChunk& chunk);
    // Reads a frame header at the chunk's position and its pixel commands up
    // to `end` and appends the frame.
    bool ReadFrame(CIffChunk& chunk, int64_t end);
    bool WriteOffsetTable(CIffChunk& chunk);
    bool WriteSequential(CIffChunk& chunk);
    static bool WriteFrame(CIffChunk& chunk, const StoredFrame& frame);

    uint32_t version_ = kVersion;
    int32_t frameCount_ = 0;
    uint32_t paletteId_ = 0;
    std::vector<uint32_t> offsets_;
    std::vector<StoredFrame> frames_;
};

} // namespace vorn

#include "iff/spr2_sprite.h"

#include <new>

namespace vorn {

bool CSpr2Sprite::Read()
{
    frames_.clear();
    CIffChunk* chunk = Chunk();
    if (chunk == nullptr)
        return false;
    uint32_t version = 0;
    if (!chunk->Read32(version))
        return false;
    if (version == kVersion)
        return ReadOffsetTable(*chunk);
    if (version == kSequentialVersion)
        return ReadSequential(*chunk);
    return false;
}

bool CSpr2Sprite::ReadOffsetTable(CIffChunk& chunk)
{
    uint32_t count = 0;
    uint32_t paletteId = 0;
    if (!chunk.Read32(count) || !chunk.Read32(paletteId))
        return false;
    const auto frameCount = static_cast<int32_t>(count);
    // A negative count is refused; a count whose offset table cannot fit in
    // the chunk is refused before anything is reserved for it.
    if (frameCount < 0)
        return false;
    // The header is taken over before the table is read, so a sprite whose
    // offsets turn out unreadable still reports the count and palette it named.
    version_ = kVersion;
    frameCount_ = frameCount;
    paletteId_ = paletteId;
    offsets_.clear();
    const uint32_t size = chunk.Size();
    if (static_cast<uint64_t>(count) * 4 > size - chunk.Position())
        return false;
    try {
        offsets_.assign(count, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!chunk.Read32(offsets_[i]))
            return false;
        if (static_cast<int64_t>(static_cast<int32_t>(offsets_[i])) >= static_cast<int64_t>(size))
            return false;
    }

    for (uint32_t i = 0; i < count; ++i) {
        if (offsets_[i] > size)
            return false;
        chunk.SetPosition(offsets_[i]);
        const int64_t end = i + 1 < count ? static_cast<int64_t>(offsets_[i + 1]) : static_cast<int64_t>(size);
        if (!ReadFrame(chunk, end))
            return false;
    }
    return true;
}

bool CSpr2Sprite::ReadSequential(CIffChunk& chunk)
{
    uint32_t paletteId = 0;
    uint32_t count = 0;
    if (!chunk.Read32(paletteId) || !chunk.Read32(count))
        return false;
    const auto frameCount = static_cast<int32_t>(count);
    if (frameCount < 0)
        return false;
    version_ = kSequentialVersion;
    frameCount_ = frameCount;
    paletteId_ = paletteId;
    offsets_.clear();
    const uint32_t size = chunk.Size();
    // Each frame takes at least its mark, byte count and header, so a count
    // the chunk cannot hold is refused before anything is reserved for it.
    constexpr uint64_t kSmallestFrame = 8 + kFrameHeaderSize;
    if (count * kSmallestFrame > size - chunk.Position())
        return false;
    try {
        offsets_.reserve(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        offsets_.push_back(chunk.Position());
        uint32_t mark = 0;
        uint32_t length = 0;
        if (!chunk.Read32(mark) || mark != kSequentialVersion || !chunk.Read32(length) ||
            length < kFrameHeaderSize || length > size - chunk.Position())
            return false;
        if (!ReadFrame(chunk, static_cast<int64_t>(chunk.Position()) + length))
            return false;
    }
    // Bytes after the last frame mean the count and the frames disagree.
    return chunk.Position() == size;
}

bool CSpr2Sprite::ReadFrame(CIffChunk& chunk, int64_t end)
{
    StoredFrame frame;
    Spr2Frame& h = frame.header;
    if (!chunk.Read16(h.width) || !chunk.Read16(h.height) || !chunk.Read32(h.flags) || !chunk.Read16(h.paletteId) ||
        !chunk.Read16(h.transparentIndex) || !chunk.Read16(h.yOffset) || !chunk.Read16(h.xOffset))
        return false;
    const int64_t length = end - static_cast<int64_t>(chunk.Position());
    // The end may lie past the chunk; only bytes that are there can be taken.
    if (length <= 0 || length > static_cast<int64_t>(chunk.Size() - chunk.Position()))
        return false;
    try {
        frame.pixels.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!chunk.Read(frame.pixels.data(), static_cast<uint32_t>(length)))
        return false;
    h.pixelLength = static_cast<uint32_t>(length);
    try {
        frames_.push_back(std::move(frame));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CSpr2Sprite::Write()
{
    CIffChunk* chunk = Chunk();
    // Checked before the chunk is emptied, so a refused write keeps its bytes.
    for (const StoredFrame& frame : frames_)
        if (frame.pixels.empty())
            return false;
    if (chunk == nullptr || !chunk->SetSize(0))
        return false;
    frameCount_ = static_cast<int32_t>(frames_.size());
    return version_ == kSequentialVersion ? WriteSequential(*chunk) : WriteOffsetTable(*chunk);
}

bool CSpr2Sprite::WriteOffsetTable(CIffChunk& chunk)
{
    const auto count = static_cast<uint32_t>(frames_.size());
    if (!chunk.Write32(kVersion) || !chunk.Write32(count) || !chunk.Write32(paletteId_))
        return false;
    const uint64_t tableEnd = 12 + 4 * static_cast<uint64_t>(count);
    const uint64_t first = (tableEnd + 63) & ~uint64_t{63};
    uint64_t offset = first;
    for (const StoredFrame& frame : frames_) {
        if (offset > 0xFFFFFFFFu || !chunk.Write32(static_cast<uint32_t>(offset)))
            return false;
        offset += kFrameHeaderSize + frame.pixels.size();
    }
    uint64_t padding = first - tableEnd;
    for (; padding >= 4; padding -= 4)
        if (!chunk.Write32(0xA3A3A3A3u))
            return false;
    for (; padding > 0; --padding)
        if (!chunk.Write8(0xA3))
            return false;
    for (const StoredFrame& frame : frames_)
        if (!WriteFrame(chunk, frame))
            return false;
    return true;
}

bool CSpr2Sprite::WriteSequential(CIffChunk& chunk)
{
    if (!chunk.Write32(kSequentialVersion) || !chunk.Write32(paletteId_) ||
        !chunk.Write32(static_cast<uint32_t>(frames_.size())))
        return false;
    for (const StoredFrame& frame : frames_) {
        const uint64_t length = kFrameHeaderSize + frame.pixels.size();
        if (length > 0xFFFFFFFFu || !chunk.Write32(kSequentialVersion) ||
            !chunk.Write32(static_cast<uint32_t>(length)) || !WriteFrame(chunk, frame))
            return false;
    }
    return true;
}

bool CSpr2Sprite::WriteFrame(CIffChunk& chunk, const StoredFrame& frame)
{
    const Spr2Frame& h = frame.header;
    return chunk.Write16(h.width) && chunk.Write16(h.height) && chunk.Write32(h.flags) &&
           chunk.Write16(h.paletteId) && chunk.Write16(h.transparentIndex) && chunk.Write16(h.yOffset) &&
           chunk.Write16(h.xOffset) && chunk.Write(frame.pixels.data(), static_cast<uint32_t>(frame.pixels.size()));
}

bool CSpr2Sprite::GetFrame(int index, Spr2Frame& frame) const
{
    if (index < 0 || index >= frameCount_ || index >= FrameCount())
        return false;
    const StoredFrame& stored = frames_[static_cast<size_t>(index)];
    frame = stored.header;
    frame.pixels = stored.pixels.data();
    frame.pixelLength = static_cast<uint32_t>(stored.pixels.size());
    return true;
}

bool CSpr2Sprite::SetFrame(int index, const Spr2Frame& frame)
{
    if (index < 0 || index >= frameCount_ || index >= FrameCount())
        return false;
    Spr2Frame& stored = frames_[static_cast<size_t>(index)].header;
    stored.flags = frame.flags;
    stored.paletteId = frame.paletteId;
    stored.transparentIndex = frame.transparentIndex;
    stored.yOffset = frame.yOffset;
    stored.xOffset = frame.xOffset;
    return true;
}

bool CSpr2Sprite::ReplaceFrame(int index, const Spr2Frame& frame, std::vector<uint8_t> pixels)
{
    if (index < 0 || index >= frameCount_ || index >= FrameCount() || pixels.empty())
        return false;
    StoredFrame& stored = frames_[static_cast<size_t>(index)];
    stored.header = frame;
    stored.pixels = std::move(pixels);
    stored.header.pixels = nullptr; // GetFrame points at the stored bytes
    stored.header.pixelLength = static_cast<uint32_t>(stored.pixels.size());
    return true;
}

} // namespace vorn

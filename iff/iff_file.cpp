#include "iff/iff_file.h"

#include "base/endian.h"
#include "iff/type_codes.h"

#include <cstring>
#include <new>

namespace vorn {

namespace {

constexpr uint32_t kMaxChunkSize = 0x40000000;
constexpr uint8_t kMapPadding = 0xA3;

std::array<uint8_t, CIffFile::kHeaderSize> MakeHeader(std::string_view first, std::string_view second)
{
    std::array<uint8_t, CIffFile::kHeaderSize> header{};
    std::memcpy(header.data(), first.data(), first.size());
    // A NUL separates the two texts; the array is zero-filled.
    std::memcpy(header.data() + first.size() + 1, second.data(), second.size());
    return header;
}

// The 76-byte chunk header; the label is cut to 63 characters and NUL-filled.
void FormatChunkHeader(uint8_t* out, uint32_t type, uint32_t size, uint16_t id, uint16_t flags, const std::string& label)
{
    StoreBE32(out, type);
    StoreBE32(out + 4, size);
    StoreBE16(out + 8, id);
    StoreBE16(out + 10, flags);
    std::memset(out + 12, 0, 64);
    std::memcpy(out + 12, label.data(), std::min(label.size(), CIffFile::kMaxLabelInHeader));
}

} // namespace

const std::array<uint8_t, CIffFile::kHeaderSize>& CIffFile::WriterHeader()
{
    static const auto header = MakeHeader("IFF FILE 2.5:TYPE FOLLOWED BY SIZE", " ORLAN KESTRUVE & MAXIS 1996");
    return header;
}

const std::array<uint8_t, CIffFile::kHeaderSize>& CIffFile::EmptyHeader()
{
    static const auto header = MakeHeader("IFF FILE 2.5:TYPE FOLLOWED BY SIZE", " ORLAN KESTRUVX & MAXIS 1");
    return header;
}

CIffFile::CIffFile(bool noSelfWrite) : noSelfWrite_(noSelfWrite), header_(EmptyHeader()) {}

CIffFile::CIffFile(std::span<const uint8_t> bytes, std::string name, bool noSelfWrite)
    : name_(std::move(name)), noSelfWrite_(noSelfWrite), header_(EmptyHeader()), image_(bytes, 1024)
{
}

bool CIffFile::ReadChunkHeader(uint64_t offset, ChunkHeader& header)
{
    const auto bytes = image_.Bytes();
    if (offset > bytes.size() || bytes.size() - offset < kChunkHeaderSize)
        return false;
    const uint8_t* p = bytes.data() + offset;
    header.type = LoadBE32(p);
    header.size = LoadBE32(p + 4);
    header.id = LoadBE16(p + 8);
    header.flags = LoadBE16(p + 10);
    const auto* label = reinterpret_cast<const char*>(p + 12);
    header.label.assign(label, strnlen(label, 64));
    return true;
}

CIffChunk* CIffFile::Register(const ChunkHeader& header, uint64_t headerOffset)
{
    auto chunk = std::make_unique<CIffChunk>(header.type, header.id, header.flags, header.label);
    // The size is what the file claims; nothing is allocated until the chunk is loaded.
    chunk->size_ = header.size - static_cast<uint32_t>(kChunkHeaderSize);
    chunk->dataOffset_ = headerOffset + kChunkHeaderSize;
    chunk->loaded_ = false;
    return AddChunk(std::move(chunk));
}

CIffChunk* CIffFile::AddChunk(std::unique_ptr<CIffChunk> chunk)
{
    if (!chunk)
        return nullptr;
    const uint64_t key = Key(chunk->Type(), chunk->Id());
    auto [it, inserted] = index_.try_emplace(key, chunks_.size());
    if (!inserted) {
        // The earlier chunk is retired rather than destroyed so that a map
        // being walked stays valid even when it lists itself.
        retired_.push_back(std::move(chunks_[it->second]));
        it->second = chunks_.size();
        ++holes_;
    }
    chunks_.push_back(std::move(chunk));
    if (!parsing_)
        Compact();
    return chunks_.back().get();
}

CIffChunk* CIffFile::AddChunk(uint32_t type, uint16_t id, uint16_t flags, std::string label, std::span<const uint8_t> data)
{
    auto chunk = std::make_unique<CIffChunk>(type, id, flags, std::move(label));
    if (!chunk->Assign(data))
        return nullptr;
    return AddChunk(std::move(chunk));
}

bool CIffFile::RemoveChunk(uint32_t type, uint16_t id)
{
    const auto it = index_.find(Key(type, id));
    if (it == index_.end())
        return false;
    chunks_[it->second].reset();
    ++holes_;
    Compact();
    return true;
}

bool CIffFile::ChangeId(CIffChunk& chunk, uint16_t id)
{
    const auto at = index_.find(Key(chunk.Type(), chunk.Id()));
    if (at == index_.end() || chunks_[at->second].get() != &chunk)
        return false;
    if (id == chunk.Id())
        return true;
    if (index_.contains(Key(chunk.Type(), id)))
        return false;
    const size_t position = at->second;
    index_.erase(at);
    chunk.id_ = id;
    index_[Key(chunk.Type(), id)] = position;
    return true;
}

void CIffFile::Compact()
{
    retired_.clear();
    if (holes_ == 0)
        return;
    std::erase_if(chunks_, [](const std::unique_ptr<CIffChunk>& chunk) { return !chunk; });
    index_.clear();
    for (size_t i = 0; i < chunks_.size(); ++i)
        index_[Key(chunks_[i]->Type(), chunks_[i]->Id())] = i;
    holes_ = 0;
}

CIffChunk* CIffFile::Find(uint32_t type, uint16_t id) const
{
    const auto it = index_.find(Key(type, id));
    return it == index_.end() ? nullptr : chunks_[it->second].get();
}

void CIffFile::WalkMap(const CIffChunk& map)
{
    const auto data = map.Bytes();
    const size_t size = data.size();
    if (size < 16 || std::memcmp(data.data() + 8, "pmsr", 4) != 0)
        return;
    size_t pos = 16;
    if (size - pos < 4)
        return;
    const uint32_t typeCount = LoadLE32(data.data() + pos);
    pos += 4;
    for (uint32_t t = 0; t < typeCount; ++t) {
        if (pos > size || size - pos < 8)
            return;
        const uint32_t entryCount = LoadLE32(data.data() + pos + 4);
        pos += 8;
        for (uint32_t e = 0; e < entryCount; ++e) {
            // Offset, then id and flags, which the chunk header repeats.
            if (pos > size || size - pos < 8)
                return;
            const uint32_t offset = LoadLE32(data.data() + pos);
            pos += 8;
            const auto* label = static_cast<const uint8_t*>(std::memchr(data.data() + pos, 0, size - pos));
            if (label == nullptr)
                return;
            pos = static_cast<size_t>(label - data.data()) + 1;
            if (pos % 2 != 0)
                ++pos;
            ChunkHeader header;
            if (ReadChunkHeader(offset, header) && header.size >= kChunkHeaderSize)
                Register(header, offset);
        }
    }
}

bool CIffFile::Parse(IffParseError& error)
{
    error = IffParseError::None;
    chunks_.clear();
    index_.clear();
    retired_.clear();
    holes_ = 0;
    allLoaded_ = true;
    scanEnd_ = {};

    header_.fill(0);
    image_.Seek(0, SeekOrigin::Begin);
    image_.Read(header_.data(), header_.size());
    if (std::memcmp(header_.data(), "IFF FILE", 8) != 0) {
        error = IffParseError::NotIff;
        return false;
    }
    const bool version25 = std::memcmp(header_.data() + 9, "2.5", 3) == 0;
    if (!version25 && std::memcmp(header_.data() + 9, "2.0", 3) != 0) {
        error = IffParseError::BadVersion;
        return false;
    }

    parsing_ = true;
    const uint32_t mapOffset = LoadBE32(header_.data() + 60);
    if (version25 && mapOffset != 0) {
        ChunkHeader header;
        if (ReadChunkHeader(mapOffset, header) && header.size >= kChunkHeaderSize) {
            CIffChunk* map = Register(header, mapOffset);
            if (LoadChunk(*map))
                WalkMap(*map);
        }
    }

    const uint64_t length = Length();
    uint64_t position = kHeaderSize;
    while (position < length) {
        ChunkHeader header;
        if (!ReadChunkHeader(position, header)) {
            scanEnd_ = {IffScanStop::CutHeader, position, 0};
            break;
        }
        if (header.size < kChunkHeaderSize || header.size > kMaxChunkSize) {
            scanEnd_ = {IffScanStop::BadSize, position, header.size};
            break;
        }
        if (header.size > length - position)
            scanEnd_ = {IffScanStop::PastEnd, position, header.size};
        if ((header.flags & CIffChunk::kFlagMapOnly) == 0)
            Register(header, position);
        position += header.size;
    }
    parsing_ = false;
    Compact();
    allLoaded_ = chunks_.empty();
    return true;
}

bool CIffFile::LoadChunk(CIffChunk& chunk)
{
    if (chunk.IsLoaded())
        return true;
    const auto bytes = image_.Bytes();
    // Checked before allocating: a claimed size beyond the image is never reserved.
    if (chunk.DataOffset() > bytes.size() || bytes.size() - chunk.DataOffset() < chunk.Size())
        return false;
    const uint32_t size = chunk.Size();
    if (!chunk.ReserveForSize(size))
        return false;
    if (size != 0)
        std::memcpy(chunk.MutableData(), bytes.data() + chunk.DataOffset(), size);
    chunk.loaded_ = true;
    return true;
}

bool CIffFile::LoadAll()
{
    for (const auto& chunk : chunks_)
        if (!LoadChunk(*chunk))
            return false;
    allLoaded_ = true;
    return true;
}

bool CIffFile::WriteChunks(ByteStream& out)
{
    uint8_t header[kChunkHeaderSize];
    for (const auto& chunk : chunks_) {
        if (chunk->Type() == kTypeRsmp)
            continue;
        if (!chunk->IsLoaded())
            return false;
        const int64_t position = out.Position();
        const uint64_t total = static_cast<uint64_t>(chunk->Size()) + kChunkHeaderSize;
        if (position < 0 || static_cast<uint64_t>(position) > 0xFFFFFFFFu || total > 0xFFFFFFFFu)
            return false;
        chunk->dataOffset_ = static_cast<uint64_t>(position) + kChunkHeaderSize;
        FormatChunkHeader(header, chunk->Type(), static_cast<uint32_t>(total), chunk->Id(), chunk->Flags(), chunk->Label());
        if (!out.Write(header, sizeof header))
            return false;
        const auto data = chunk->Bytes();
        if (!out.Write(data.data(), data.size()))
            return false;
    }
    return true;
}

bool CIffFile::Write(ByteStream* target)
{
    ByteStream& out = target != nullptr ? *target : image_;
    if (&out == &image_ && noSelfWrite_)
        return false;
    header_ = WriterHeader();
    if (!out.Truncate(0) || out.Seek(0, SeekOrigin::Begin) != 0 || !out.Write(header_.data(), header_.size()))
        return false;
    if (!WriteChunks(out))
        return false;

    const int64_t mapStart = out.Position();
    if (mapStart < 0 || static_cast<uint64_t>(mapStart) > 0xFFFFFFFFu)
        return false;
    const auto m = static_cast<uint32_t>(mapStart);
    uint8_t offsetBytes[4];
    StoreBE32(offsetBytes, m);
    if (out.Seek(60, SeekOrigin::Begin) != 60 || !out.Write(offsetBytes, 4) || out.Seek(0, SeekOrigin::End) != mapStart)
        return false;

    // Types in order of first appearance, each with its chunks in list order.
    std::vector<uint32_t> types;
    std::vector<std::vector<const CIffChunk*>> members;
    std::unordered_map<uint32_t, size_t> slots;
    for (const auto& chunk : chunks_) {
        if (chunk->Type() == kTypeRsmp)
            continue;
        auto [it, inserted] = slots.try_emplace(chunk->Type(), types.size());
        if (inserted) {
            types.push_back(chunk->Type());
            members.emplace_back();
        }
        members[it->second].push_back(chunk.get());
    }

    // The map is assembled in memory; offsets inside it count from its header.
    std::vector<uint8_t> map(kChunkHeaderSize);
    FormatChunkHeader(map.data(), kTypeRsmp, 0, 0, CIffChunk::kDefaultFlags, {});
    AppendLE32(map, 0);
    AppendLE32(map, 0);
    map.insert(map.end(), {'p', 'm', 's', 'r'});
    AppendLE32(map, 0);
    AppendLE32(map, static_cast<uint32_t>(types.size()));
    for (size_t t = 0; t < types.size(); ++t) {
        AppendLE32(map, types[t]);
        AppendLE32(map, static_cast<uint32_t>(members[t].size()));
        for (const CIffChunk* chunk : members[t]) {
            AppendLE32(map, static_cast<uint32_t>(chunk->DataOffset() - kChunkHeaderSize));
            AppendLE16(map, chunk->Id());
            AppendLE16(map, chunk->Flags());
            map.insert(map.end(), chunk->Label().begin(), chunk->Label().end());
            map.push_back(0);
            if (map.size() % 2 != 0)
                map.push_back(kMapPadding);
        }
    }
    if (map.size() > 0xFFFFFFFFu)
        return false;
    const auto mapSize = static_cast<uint32_t>(map.size());
    StoreLE32(map.data() + kChunkHeaderSize + 12, mapSize);
    StoreBE32(map.data() + 4, mapSize);
    return out.Write(map.data(), map.size());
}

} // namespace vorn

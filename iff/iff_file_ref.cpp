#include "iff/iff_file_ref.h"

#include "base/memory_stream.h"
#include "iff/iff_file_table.h"

#include <algorithm>

namespace vorn {

CIffFileRef::CIffFileRef() : handle_(IffFileTable::Instance().CreateEmpty(true)), owning_(handle_ != 0) {}

CIffFileRef::~CIffFileRef() { Release(); }

void CIffFileRef::Release()
{
    if (owning_ && handle_ != 0)
        IffFileTable::Instance().Close(handle_);
    handle_ = 0;
    owning_ = false;
    types_.clear();
}

bool CIffFileRef::Open(std::span<const uint8_t> source, IffParseError& error, bool owning)
{
    auto& table = IffFileTable::Instance();
    const uint32_t handle = table.Open(source, {}, false);
    if (handle == 0) {
        error = IffParseError::InvalidHandle;
        return false;
    }
    if (!table.Parse(handle, error)) {
        table.Close(handle);
        return false;
    }
    Attach(handle);
    owning_ = owning;
    return true;
}

bool CIffFileRef::Open(const MemoryStream& source, IffParseError& error, bool owning) { return Open(source.Bytes(), error, owning); }

bool CIffFileRef::Attach(uint32_t handle)
{
    // Re-attaching to the container it already holds must not close it first.
    if (handle != 0 && handle == handle_) {
        RebuildTypes();
        return true;
    }
    Release();
    if (!IffFileTable::Instance().IsValid(handle))
        return false;
    handle_ = handle;
    RebuildTypes();
    return true;
}

bool CIffFileRef::Save(ByteStream& target) { return IffFileTable::Instance().Write(&target, handle_); }

bool CIffFileRef::LoadAll() { return IffFileTable::Instance().LoadAll(handle_); }

bool CIffFileRef::LoadChunk(CIffChunk& chunk) { return IffFileTable::Instance().LoadChunk(handle_, chunk); }

CIffFile* CIffFileRef::File() const { return IffFileTable::Instance().Get(handle_); }

CIffChunk* CIffFileRef::Find(uint32_t type, uint16_t id) const
{
    const CIffFile* file = File();
    return file != nullptr ? file->Find(type, id) : nullptr;
}

CIffChunk* CIffFileRef::LowestId(uint32_t type) const
{
    const CIffFile* file = File();
    if (file == nullptr)
        return nullptr;
    CIffChunk* lowest = nullptr;
    for (const auto& chunk : file->Chunks())
        if (chunk->Type() == type && (lowest == nullptr || chunk->Id() < lowest->Id()))
            lowest = chunk.get();
    return lowest;
}

CIffChunk* CIffFileRef::NextById(CIffChunk*& cursor) const
{
    CIffChunk* current = cursor;
    cursor = nullptr;
    const CIffFile* file = File();
    if (current == nullptr || file == nullptr)
        return current;
    for (const auto& chunk : file->Chunks())
        if (chunk->Type() == current->Type() && chunk->Id() > current->Id() &&
            (cursor == nullptr || chunk->Id() < cursor->Id()))
            cursor = chunk.get();
    return current;
}

CIffFileRef::Position CIffFileRef::FirstOfType(uint32_t type) const
{
    const CIffFile* file = File();
    if (file == nullptr)
        return kEnd;
    const auto& chunks = file->Chunks();
    for (size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i]->Type() == type)
            return i;
    return kEnd;
}

CIffChunk* CIffFileRef::NextOfSameType(Position& position) const
{
    const CIffFile* file = File();
    if (file == nullptr || position >= file->ChunkCount()) {
        position = kEnd;
        return nullptr;
    }
    const auto& chunks = file->Chunks();
    CIffChunk* current = chunks[position].get();
    size_t next = position + 1;
    while (next < chunks.size() && chunks[next]->Type() != current->Type())
        ++next;
    position = next < chunks.size() ? next : kEnd;
    return current;
}

std::vector<CIffChunk*> CIffFileRef::ChunksOfType(uint32_t type) const
{
    std::vector<CIffChunk*> result;
    for (Position position = FirstOfType(type); position != kEnd;)
        result.push_back(NextOfSameType(position));
    return result;
}

void CIffFileRef::RebuildTypes()
{
    types_.clear();
    const CIffFile* file = File();
    if (file == nullptr)
        return;
    for (const auto& chunk : file->Chunks())
        if (std::find(types_.begin(), types_.end(), chunk->Type()) == types_.end())
            types_.push_back(chunk->Type());
}

size_t CIffFileRef::CountOfType(uint32_t type, bool onlyLoaded) const
{
    const CIffFile* file = File();
    if (file == nullptr)
        return 0;
    return static_cast<size_t>(std::count_if(file->Chunks().begin(), file->Chunks().end(), [&](const auto& chunk) {
        return chunk->Type() == type && (!onlyLoaded || chunk->IsLoaded());
    }));
}

} // namespace vorn

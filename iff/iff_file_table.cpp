#include "iff/iff_file_table.h"

#include "base/memory_stream.h"

#include <new>

namespace vorn {

IffFileTable& IffFileTable::Instance()
{
    // One table per thread, built on first use: thumbnails are drawn on
    // worker threads, and a table of their own needs no lock. Its destructor
    // releases every container still open when the thread ends.
    thread_local IffFileTable table;
    return table;
}

uint32_t IffFileTable::Insert(std::unique_ptr<CIffFile> file)
{
    try {
        if (slots_.empty())
            slots_.resize(kGrowth);
        size_t slot = 1;
        while (slot < slots_.size() && slots_[slot])
            ++slot;
        if (slot == slots_.size()) {
            if (slots_.size() > 0xFFFFFFFFu - kGrowth)
                return 0;
            slots_.resize(slots_.size() + kGrowth);
        }
        slots_[slot] = std::move(file);
        return static_cast<uint32_t>(slot);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

uint32_t IffFileTable::CreateEmpty(bool noSelfWrite)
{
    try {
        return Insert(std::make_unique<CIffFile>(noSelfWrite));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

uint32_t IffFileTable::Open(std::span<const uint8_t> bytes, std::string name, bool noSelfWrite)
{
    try {
        return Insert(std::make_unique<CIffFile>(bytes, std::move(name), noSelfWrite));
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const std::length_error&) {
        return 0;
    }
}

uint32_t IffFileTable::Open(const MemoryStream& source, std::string name, bool noSelfWrite)
{
    return Open(source.Bytes(), std::move(name), noSelfWrite);
}

bool IffFileTable::IsValid(uint32_t handle) const
{
    return handle != 0 && handle < slots_.size() && slots_[handle] != nullptr;
}

CIffFile* IffFileTable::Get(uint32_t handle) const { return IsValid(handle) ? slots_[handle].get() : nullptr; }

bool IffFileTable::Parse(uint32_t handle, IffParseError& error)
{
    CIffFile* file = Get(handle);
    if (file == nullptr) {
        error = IffParseError::InvalidHandle;
        return false;
    }
    try {
        return file->Parse(error);
    } catch (const std::bad_alloc&) {
        // Out of memory while registering chunks: the container is unusable.
        error = IffParseError::InvalidHandle;
        return false;
    }
}

bool IffFileTable::Write(ByteStream* target, uint32_t handle)
{
    CIffFile* file = Get(handle);
    if (file == nullptr)
        return false;
    try {
        return file->Write(target);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool IffFileTable::Close(uint32_t handle)
{
    if (!IsValid(handle))
        return false;
    slots_[handle].reset();
    return true;
}

bool IffFileTable::LoadChunk(uint32_t handle, CIffChunk& chunk)
{
    CIffFile* file = Get(handle);
    return file != nullptr && file->LoadChunk(chunk);
}

bool IffFileTable::LoadAll(uint32_t handle)
{
    CIffFile* file = Get(handle);
    return file != nullptr && file->LoadAll();
}

size_t IffFileTable::OpenCount() const
{
    size_t count = 0;
    for (const auto& slot : slots_)
        count += slot != nullptr ? 1 : 0;
    return count;
}

} // namespace vorn

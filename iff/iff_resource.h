#pragma once

#include "iff/iff_chunk.h"

#include <cstdint>

namespace vorn {

class CIffFileRef;

// Base of the typed resource objects (sprites, draw groups, object
// definitions). An object is bound to one chunk: a private chunk of its own
// (new objects own an empty one) or a container's chunk after Load.
class CIffResource {
public:
    CIffResource();
    virtual ~CIffResource();
    CIffResource(const CIffResource&) = delete;
    CIffResource& operator=(const CIffResource&) = delete;

    // Copies the other's chunk deeply when the other owns it, otherwise shares
    // the other's chunk pointer. Only the binding is copied, not parsed data.
    virtual void Assign(const CIffResource& other);
    // The resource's type code; 0 for the base.
    virtual uint32_t TypeCode() const { return 0; }
    // Reserved query kept for derived kinds; 0 for the base.
    virtual uint32_t Query() const { return 0; }
    // Parses the bound chunk's bytes from its stream position.
    virtual bool Read() { return true; }
    // Serialises into the bound chunk.
    virtual bool Write() { return true; }

    // Binds `chunk` (releasing a private one), loads its bytes through `file`,
    // rewinds and calls Read. False when the chunk is null or cannot be loaded.
    bool Load(CIffFileRef& file, CIffChunk* chunk);
    // Writes into the bound container chunk; false while bound to a private chunk.
    bool Store();

    CIffChunk* Chunk() const { return chunk_; }
    bool OwnsChunk() const { return owning_; }

private:
    void ReleaseChunk();

    CIffChunk* chunk_;
    bool owning_;
};

} // namespace vorn

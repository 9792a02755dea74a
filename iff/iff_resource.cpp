#include "iff/iff_resource.h"

#include "iff/iff_file_ref.h"

namespace vorn {

CIffResource::CIffResource() : chunk_(new CIffChunk()), owning_(true) {}

CIffResource::~CIffResource() { ReleaseChunk(); }

void CIffResource::ReleaseChunk()
{
    if (owning_)
        delete chunk_;
    chunk_ = nullptr;
    owning_ = false;
}

void CIffResource::Assign(const CIffResource& other)
{
    if (&other == this)
        return;
    if (other.owning_) {
        auto* copy = new CIffChunk(*other.chunk_);
        ReleaseChunk();
        chunk_ = copy;
        owning_ = true;
    } else {
        CIffChunk* shared = other.chunk_;
        ReleaseChunk();
        chunk_ = shared;
    }
}

bool CIffResource::Load(CIffFileRef& file, CIffChunk* chunk)
{
    ReleaseChunk();
    chunk_ = chunk;
    if (chunk == nullptr || !file.LoadChunk(*chunk))
        return false;
    chunk->SetPosition(0);
    return Read();
}

bool CIffResource::Store()
{
    if (owning_ || chunk_ == nullptr)
        return false;
    return Write();
}

} // namespace vorn

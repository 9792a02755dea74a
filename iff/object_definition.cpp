#include "iff/object_definition.h"

#include "base/endian.h"

#include <algorithm>

namespace vorn {

CObjectDefinition::CObjectDefinition() { raw_[0] = static_cast<uint8_t>(kNewVersion); }

bool CObjectDefinition::Read()
{
    CIffChunk* chunk = Chunk();
    if (chunk == nullptr || (!acceptUnflagged_ && (chunk->Flags() & CIffChunk::kFlagWritten) == 0))
        return false;
    const auto bytes = chunk->Bytes();
    std::copy_n(bytes.begin(), std::min(bytes.size(), kRawSize), raw_.begin());
    return true;
}

bool CObjectDefinition::Write()
{
    CIffChunk* chunk = Chunk();
    if (chunk == nullptr || !chunk->SetSize(0) || !chunk->Write(raw_.data(), kRawSize))
        return false;
    chunk->SetFlags(chunk->Flags() | CIffChunk::kFlagWritten);
    return true;
}

uint32_t CObjectDefinition::Version() const { return LoadLE32(raw_.data() + kVersionOffset); }
uint16_t CObjectDefinition::BaseGraphicId() const { return LoadLE16(raw_.data() + kBaseGraphicOffset); }
uint16_t CObjectDefinition::GraphicCount() const { return LoadLE16(raw_.data() + kGraphicCountOffset); }
uint16_t CObjectDefinition::MasterId() const { return LoadLE16(raw_.data() + kMasterIdOffset); }
int16_t CObjectDefinition::SubIndex() const { return static_cast<int16_t>(LoadLE16(raw_.data() + kSubIndexOffset)); }

} // namespace vorn

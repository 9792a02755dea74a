#pragma once

#include "iff/iff_resource.h"
#include "iff/type_codes.h"

#include <array>
#include <cstdint>

namespace vorn {

// An OBJD object definition, kept as its first 216 raw bytes. The previewer
// reads only the few fields below (little-endian).
class CObjectDefinition : public CIffResource {
public:
    static constexpr size_t kRawSize = 216;
    static constexpr uint32_t kNewVersion = 138;
    static constexpr size_t kVersionOffset = 0;
    static constexpr size_t kBaseGraphicOffset = 6;
    static constexpr size_t kGraphicCountOffset = 8;
    static constexpr size_t kMasterIdOffset = 20;
    static constexpr size_t kSubIndexOffset = 22;

    // All zero except the version, 138.
    CObjectDefinition();

    uint32_t TypeCode() const override { return kTypeObjd; }
    // Fails unless the chunk carries flag 0x0010 (or unflagged chunks are
    // accepted); copies the first min(size, 216) bytes, leaving the rest of
    // the raw bytes as they were.
    bool Read() override;
    // Writes all 216 raw bytes and sets the chunk's flag 0x0010.
    bool Write() override;

    // For files none of whose OBJD chunks carry flag 0x0010: Read takes a
    // chunk without it too.
    void AcceptUnflagged(bool accept) { acceptUnflagged_ = accept; }

    std::array<uint8_t, kRawSize>& Raw() { return raw_; }
    const std::array<uint8_t, kRawSize>& Raw() const { return raw_; }

    uint32_t Version() const;
    // Chunk id of the object's first DGRP.
    uint16_t BaseGraphicId() const;
    uint16_t GraphicCount() const;
    // 0 for a single-tile object.
    uint16_t MasterId() const;
    // -1 for a multi-tile leader; for a tile, x in the low byte and y in the high byte.
    int16_t SubIndex() const;

private:
    std::array<uint8_t, kRawSize> raw_{};
    bool acceptUnflagged_ = false;
};

} // namespace vorn

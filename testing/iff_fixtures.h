#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn::testing {

// Builders for IFF test files, written from the file format alone so that
// they check the parser and the writer rather than mirror them.

struct IffChunkDesc {
    std::string type;          // four characters, e.g. "SPR2"
    uint16_t id = 0;
    uint16_t flags = 0x0010;
    std::string label;
    std::vector<uint8_t> data;
    bool inMap = true;         // listed in the resource map
};

enum class IffMapPlacement { None, End, BeforeChunks };

struct IffFileLayout {
    std::string version = "2.5";
    std::vector<IffChunkDesc> chunks;
    IffMapPlacement map = IffMapPlacement::End;
};

// A whole IFF file: the writer's 64-byte header (version text replaced when
// not "2.5"), the chunks back to back, and a resource map listing the chunks
// marked inMap, grouped by type in order of first appearance. Without a map
// the header's map offset is 0. With the map at
// the end and every chunk listed, this is exactly what a write produces.
std::vector<uint8_t> BuildIffFile(const IffFileLayout& layout);

// The 76-byte big-endian chunk header (label cut to 63 characters).
std::vector<uint8_t> BuildChunkHeader(const std::string& type, uint32_t totalSize, uint16_t id, uint16_t flags,
                                      const std::string& label);

// PALT data: version, count, 8 zero bytes, then `colours` (RGB triples,
// zero-filled to 256 colours).
std::vector<uint8_t> BuildPalt(const std::vector<uint8_t>& colours, uint32_t version = 1, uint32_t count = 256);

// OBJD data of `size` bytes (216 by default) with the fields the previewer reads.
struct ObjdFields {
    uint32_t version = 138;
    uint16_t baseGraphicId = 0;
    uint16_t graphicCount = 0;
    uint16_t masterId = 0;
    int16_t subIndex = 0;
};
std::vector<uint8_t> BuildObjd(const ObjdFields& fields, size_t size = 216);

// DGRP data in the layout of `version`: short below 20003 (with a sprite
// type per sprite and extra 1 from 20001), long from 20003 (extras 2 and 3
// from 20004).
struct DgrpSpriteDesc {
    int16_t type = -3; // short layout only
    uint32_t spriteId = 0;
    uint32_t frameIndex = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t extra1 = 0;
    uint32_t extra2 = 0;
    uint32_t extra3 = 0;
    uint32_t flags = 0;
};
struct DgrpImageDesc {
    uint32_t directionMask = 0;
    uint32_t zoom = 1;
    std::vector<DgrpSpriteDesc> sprites;
};
std::vector<uint8_t> BuildDgrp(uint16_t version, const std::vector<DgrpImageDesc>& images);

// A string table chunk's data (STR#, CTSS, TTAs) in one of the layouts the
// game's files use, from the layout's description alone.
enum class StrLayout {
    Pascal,       // a big-endian 16-bit count, then strings led by a length byte
    Plain,        // FF FF, a 16-bit count, NUL-ended strings
    Commented,    // FE FF, a count, string and comment each NUL-ended
    Languages,    // FD FF, a count, a language byte, string, comment
    LanguageSets, // FC FF, a set count byte; per set a 16-bit count and per
                  // string a language byte and two strings led by lengths in
                  // groups of 7 bits (top bit: more follow)
};
struct StrDesc {
    std::string text = {};
    std::string comment = {};
    uint8_t language = 0; // Languages and LanguageSets
    uint8_t set = 0;      // LanguageSets: which set the string is listed in
};
// `sets` is the set count of LanguageSets (strings listed set by set in the
// order given); `padding` is appended after the last string.
std::vector<uint8_t> BuildStringTable(StrLayout layout, const std::vector<StrDesc>& strings, uint8_t sets = 1,
                                      const std::vector<uint8_t>& padding = {});

} // namespace vorn::testing

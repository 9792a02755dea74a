#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

class CIffFileRef;

// One accepted OBJD chunk. An entry that is neither single nor leader is a
// tile of the group named by its master id.
struct ObjectEntry {
    bool single = false;  // master id 0
    bool leader = false;  // master id not 0 and sub index -1
    uint16_t masterId = 0;
    int16_t subIndex = 0;
    uint16_t chunkId = 0;
    uint16_t baseGraphicId = 0;
    uint16_t graphicCount = 0;
    std::string label;

    bool IsTile() const { return !single && !leader; }
};

// The objects of one IFF file: one entry per usable OBJD chunk, with a
// multi-tile leader's graphic count raised to the largest among its tiles.
class CObjectCatalogue {
public:
    using Position = size_t;
    static constexpr Position kEnd = static_cast<size_t>(-1);

    // Rebuilds from every OBJD chunk of `file` in container order (those with
    // flag 0x0010, or all of them when none has it); true when at least one
    // entry was added. False for a null file or one without a container.
    // The catalogue draws from `file` afterwards, so it must outlive it.
    bool Build(CIffFileRef* file);
    // Applies the adding rules: duplicates (same chunk id, or same master id
    // and sub index for group members) are dropped; graphic counts propagate
    // from tiles to their leader whichever comes first.
    void Add(ObjectEntry entry);
    void Clear();

    // The file the catalogue was built from; null before Build or after Clear.
    CIffFileRef* File() const { return file_; }
    const std::vector<ObjectEntry>& Entries() const { return entries_; }
    const ObjectEntry* Entry(Position position) const
    {
        return position < entries_.size() ? &entries_[position] : nullptr;
    }

    // Displayable entries (single objects and leaders) in catalogue order:
    // for (auto p = FirstDisplayable(); p != kEnd;) { auto* e = NextDisplayable(p); ... }
    Position FirstDisplayable() const;
    const ObjectEntry* NextDisplayable(Position& position) const;
    // The tiles of group `masterId` in catalogue order, walked the same way.
    Position FirstTile(uint16_t masterId) const;
    const ObjectEntry* NextTile(Position& position) const;
    std::vector<const ObjectEntry*> TilesOf(uint16_t masterId) const;

private:
    Position NextMatching(Position from, bool displayable, uint16_t masterId) const;
    bool HasDuplicate(const ObjectEntry& entry) const;

    CIffFileRef* file_ = nullptr;
    std::vector<ObjectEntry> entries_;
};

} // namespace vorn

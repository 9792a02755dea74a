#include "iff/object_catalogue.h"

#include "iff/iff_file_ref.h"
#include "iff/object_definition.h"
#include "iff/type_codes.h"

#include <algorithm>

namespace vorn {

void CObjectCatalogue::Clear()
{
    entries_.clear();
    file_ = nullptr;
}

bool CObjectCatalogue::Build(CIffFileRef* file)
{
    entries_.clear();
    file_ = file != nullptr && file->File() != nullptr ? file : nullptr;
    if (file_ == nullptr)
        return false;
    // Object files made without the game's tools may carry no flag 0x0010 on
    // any OBJD; all of them are objects then. Where one carries it, the
    // unflagged ones stay out as before.
    const std::vector<CIffChunk*> definitions = file->ChunksOfType(kTypeObjd);
    const bool noneFlagged = std::none_of(definitions.begin(), definitions.end(), [](const CIffChunk* chunk) {
        return (chunk->Flags() & CIffChunk::kFlagWritten) != 0;
    });
    for (CIffChunk* chunk : definitions) {
        CObjectDefinition definition;
        definition.AcceptUnflagged(noneFlagged);
        if (!definition.Load(*file, chunk))
            continue;
        ObjectEntry entry;
        entry.chunkId = chunk->Id();
        entry.masterId = definition.MasterId();
        entry.subIndex = definition.SubIndex();
        entry.single = entry.masterId == 0;
        entry.leader = entry.masterId != 0 && entry.subIndex == -1;
        entry.baseGraphicId = definition.BaseGraphicId();
        entry.graphicCount = definition.GraphicCount();
        entry.label = chunk->Label();
        Add(std::move(entry));
    }
    return !entries_.empty();
}

bool CObjectCatalogue::HasDuplicate(const ObjectEntry& entry) const
{
    return std::any_of(entries_.begin(), entries_.end(), [&](const ObjectEntry& other) {
        return other.chunkId == entry.chunkId ||
               (!entry.single && other.masterId == entry.masterId && other.subIndex == entry.subIndex);
    });
}

void CObjectCatalogue::Add(ObjectEntry entry)
{
    if (entry.leader) {
        for (const ObjectEntry& other : entries_)
            if (other.masterId == entry.masterId && other.subIndex != -1)
                entry.graphicCount = std::max(entry.graphicCount, other.graphicCount);
    } else if (!entry.single) {
        for (ObjectEntry& other : entries_)
            if (other.masterId == entry.masterId && other.subIndex == -1 && other.graphicCount < entry.graphicCount)
                other.graphicCount = entry.graphicCount;
    }
    if (!HasDuplicate(entry))
        entries_.push_back(std::move(entry));
}

CObjectCatalogue::Position CObjectCatalogue::NextMatching(Position from, bool displayable, uint16_t masterId) const
{
    for (Position p = from; p < entries_.size(); ++p) {
        const ObjectEntry& e = entries_[p];
        if (displayable ? (e.single || e.leader) : (e.IsTile() && e.masterId == masterId))
            return p;
    }
    return kEnd;
}

CObjectCatalogue::Position CObjectCatalogue::FirstDisplayable() const { return NextMatching(0, true, 0); }

const ObjectEntry* CObjectCatalogue::NextDisplayable(Position& position) const
{
    const ObjectEntry* entry = Entry(position);
    position = entry != nullptr ? NextMatching(position + 1, true, 0) : kEnd;
    return entry;
}

CObjectCatalogue::Position CObjectCatalogue::FirstTile(uint16_t masterId) const { return NextMatching(0, false, masterId); }

const ObjectEntry* CObjectCatalogue::NextTile(Position& position) const
{
    const ObjectEntry* entry = Entry(position);
    position = entry != nullptr ? NextMatching(position + 1, false, entry->masterId) : kEnd;
    return entry;
}

std::vector<const ObjectEntry*> CObjectCatalogue::TilesOf(uint16_t masterId) const
{
    std::vector<const ObjectEntry*> tiles;
    for (Position p = FirstTile(masterId); p != kEnd;)
        tiles.push_back(NextTile(p));
    return tiles;
}

} // namespace vorn

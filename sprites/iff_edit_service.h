#pragma once

#include "iff/iff_file.h"
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class CFarArchive;
class CFarDirectoryTree;
class CVornDoc;
class MemoryStream;
class StringTable;
enum class StringEdit;

enum class IffOpenResult {
    Opened,
    CantRead, // the archive entry's bytes could not be read
    NotIff,   // the bytes are not an IFF container
    NoEntry,  // no file of that path in the document's tree
};

enum class IffSaveResult {
    Saved,
    NoContainer, // nothing is open (or the container went away): nothing was written
    CantLoad,    // a chunk's bytes could not be read, so the file cannot be written whole
    CantStore,   // the archive did not take the bytes (or there is no entry to write to)
};

// What an edit did: done (with a note worth telling, such as a chunk that
// grew or tiles that changed with it) or refused with the reason; a refused
// edit changed nothing.
struct IffEditResult {
    bool done = false;
    std::string message; // why it was refused, or a note on what was done ("" for none)

    static IffEditResult Done(std::string note = {}) { return {true, std::move(note)}; }
    static IffEditResult Refused(std::string why) { return {false, std::move(why)}; }
};

// Which part of a string table row an edit sets.
enum class StringPart { Text, Comment, Language };

// What a clone of an object file changes besides its GUIDs; an empty
// optional keeps the source's.
struct CloneRequest {
    std::optional<std::string> name;        // catalogue name (UTF-8)
    std::optional<std::string> description; // catalogue description (UTF-8)
    std::optional<uint16_t> price;
    std::vector<uint32_t> guids;            // the first objects' GUIDs, in OBJD order, instead of random ones
};

// The one owner of an IFF file being looked at or edited: the parsed
// container, its objects, typed access to its chunks, and the way back into
// the archive entry it came from through the document. The previewer, the
// resource window and vorn-cli all work through it, so two views of one
// file share one container.
//
// Writing into an entry goes through the document's archive, so inside a
// step the document has open (the editor's Begin / End around a command)
// the write is part of that step and can be undone with it.
class IffEditService {
public:
    IffEditService() = default;
    IffEditService(const IffEditService&) = delete;
    IffEditService& operator=(const IffEditService&) = delete;

    // A container over a copy of `bytes` (a disk file, standard input, an
    // entry read elsewhere); it has no entry to be saved back to.
    IffOpenResult Open(std::span<const uint8_t> bytes);
    // The bytes of the file `path` of the document's tree; SaveToEntry then
    // writes back into that entry.
    IffOpenResult OpenEntry(CVornDoc& document, std::string_view path);
    // False before an open, and when the container went away meanwhile.
    bool IsOpen() const { return file_ != nullptr && file_->File() != nullptr; }

    // The open file; null before an open.
    CIffFileRef* File() const { return file_.get(); }
    // The container; null when nothing is open.
    CIffFile* Container() const { return file_ != nullptr ? file_->File() : nullptr; }
    // Every chunk in container order; empty when nothing is open.
    std::span<const std::unique_ptr<CIffChunk>> Chunks() const;
    CIffChunk* Find(uint32_t type, uint16_t id) const;
    std::vector<CIffChunk*> ChunksOfType(uint32_t type) const;
    // The chunk's data bytes, brought in from the file first; none when they
    // cannot all be read.
    std::optional<std::span<const uint8_t>> Data(CIffChunk& chunk);

    // Where the file stops making sense, for the user to see; empty when its
    // chunks fill it. A damaged file is not edited: writing it back would
    // drop what lies past that point.
    std::string Damage() const;
    // The first id after `id` (wrapping) that no chunk of `type` uses; none when all are taken.
    std::optional<uint16_t> FreeId(uint32_t type, uint16_t id) const;

    // The objects of the file, built on first use; empty when it has none.
    const CObjectCatalogue& Catalogue();
    bool HasObjects() { return !Catalogue().Entries().empty(); }

    // Edits. Each checks everything first and changes nothing when refused;
    // texts are given as UTF-8 and stored as Latin-1 (a character beyond it
    // is refused, named). A chunk that cannot be read whole is never edited.
    IffEditResult EditStrings(uint32_t type, uint16_t id, const std::function<StringEdit(StringTable&)>& edit);
    IffEditResult SetString(uint32_t type, uint16_t id, size_t row, StringPart part, std::string_view value);
    // An OBJD field by name (see FindObjectField); a field the objects'
    // tiles share changes on every tile of the multi-tile object.
    IffEditResult SetObjectField(uint16_t id, std::string_view name, std::string_view value);
    IffEditResult ReplaceChunkData(uint32_t type, uint16_t id, std::span<const uint8_t> data);
    // Colours `first` on of PALT `id` from `rgb` (red, green, blue each);
    // the chunk's header, the other colours and anything after them stay.
    IffEditResult SetPaletteColours(uint16_t id, size_t first, std::span<const uint8_t> rgb);
    IffEditResult DeleteChunk(uint32_t type, uint16_t id);
    // A copy under the first id above `id` its type does not use; `newId` tells which.
    IffEditResult DuplicateChunk(uint32_t type, uint16_t id, uint16_t& newId);
    // The note names the objects and draw groups that still refer to the old id.
    IffEditResult ChangeChunkId(uint32_t type, uint16_t id, uint16_t newId);
    IffEditResult SetChunkLabel(uint32_t type, uint16_t id, std::string_view label);
    // An empty chunk of `type` (four Latin-1 characters) under `id`.
    IffEditResult AddChunk(std::string_view type, uint16_t id);
    // Whether anything changed since the file was opened or last written.
    bool Changed() const;

    // A copy of the whole file in `clone`, every OBJD with a new random GUID
    // that `usedGuids` lacks (and the copy itself does not repeat), and the
    // request's catalogue text (the CTSS chunk the objects' "catalogue
    // strings id" names, every language) and price set on every object.
    // `guids` gets the new GUIDs in OBJD order.
    IffEditResult Clone(const CloneRequest& request, const std::set<uint32_t>& usedGuids, IffEditService& clone,
                        std::vector<uint32_t>& guids);
    // What a clone would keep when asked nothing: the catalogue name and
    // description (of the first language of the first CTSS an OBJD names)
    // and the first object's price; what the file lacks stays empty.
    CloneRequest CatalogueText();
    // The GUIDs of every OBJD of every IFF file of an archive (the tree reads the entries).
    static std::set<uint32_t> ArchiveGuids(const CFarArchive& archive, CFarDirectoryTree& tree);
    // UTF-8 as the Latin-1 bytes a chunk stores; none, with the message naming
    // the first character Latin-1 lacks, for anything else.
    static std::optional<std::string> ToLatin1(std::string_view utf8, std::string& message);

    // The whole file as written back: the bytes it was opened with while
    // nothing changed, else every chunk and a fresh resource map.
    IffSaveResult WriteImage(MemoryStream& image);
    // Replaces the bytes of the entry the file was opened from.
    IffSaveResult SaveToEntry();
    // True when that entry's archive is open read-only: SaveToEntry can only fail.
    bool IsEntryReadOnly() const;
    // Writes the file into the document's file `path`, replacing one of that
    // name or adding it.
    IffSaveResult SaveAs(CVornDoc& document, std::string_view path);

    // The entry SaveToEntry writes, when the file came from one.
    std::optional<size_t> EntryIndex() const { return entryIndex_; }
    const std::string& EntryPath() const { return entryPath_; }

private:
    // What the file held when opened or last written, to tell whether a save
    // would change anything.
    struct ChunkRecord {
        const CIffChunk* chunk;
        uint32_t type;
        uint16_t id;
        uint16_t flags;
        std::string label;
        uint64_t dataOffset;
        uint32_t size;
    };

    void Reset();
    void TakeBaseline(std::span<const uint8_t> image);
    // Why nothing of the file may be edited (none open, damaged); none when it may.
    std::optional<IffEditResult> FileRefusal() const;
    // The chunk, loaded; null with `refusal` set when it is missing or cut.
    CIffChunk* EditableChunk(uint32_t type, uint16_t id, IffEditResult& refusal);
    void ChunksChanged();

    std::unique_ptr<CIffFileRef> file_;
    std::optional<CObjectCatalogue> catalogue_;
    bool catalogueStale_ = false;
    std::vector<uint8_t> baseline_;
    std::vector<ChunkRecord> baselineChunks_;
    CVornDoc* document_ = nullptr;
    std::optional<size_t> entryIndex_;
    std::string entryPath_;
};

} // namespace vorn

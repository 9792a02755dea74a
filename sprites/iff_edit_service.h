#pragma once

#include "iff/iff_file.h"
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class CVornDoc;
class MemoryStream;

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

    // The objects of the file, built on first use; empty when it has none.
    const CObjectCatalogue& Catalogue();
    bool HasObjects() { return !Catalogue().Entries().empty(); }

    // The whole file as written back: every chunk and a fresh resource map.
    IffSaveResult WriteImage(MemoryStream& image);
    // Replaces the bytes of the entry the file was opened from.
    IffSaveResult SaveToEntry();
    // Writes the file into the document's file `path`, replacing one of that
    // name or adding it.
    IffSaveResult SaveAs(CVornDoc& document, std::string_view path);

    // The entry SaveToEntry writes, when the file came from one.
    std::optional<size_t> EntryIndex() const { return entryIndex_; }
    const std::string& EntryPath() const { return entryPath_; }

private:
    void Reset();

    std::unique_ptr<CIffFileRef> file_;
    std::optional<CObjectCatalogue> catalogue_;
    CVornDoc* document_ = nullptr;
    std::optional<size_t> entryIndex_;
    std::string entryPath_;
};

} // namespace vorn

#pragma once

#include "archive/entry_journal.h"
#include "archive/far_data_block.h"
#include "archive/far_entry.h"
#include "archive/far_header.h"
#include "base/byte_stream.h"
#include "base/no_case_index.h"
#include "base/string_arena.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The in-memory form of one FAR archive: its entries in manifest order (then
// in order of adding), the bytes brought into memory so far, and the open
// source file the other bytes are read from on first use.
//
// Entries are named by their index in the list. Operations return false or
// an empty result on failure and never show anything.
class CFarArchive {
public:
    CFarArchive();
    ~CFarArchive();
    CFarArchive(const CFarArchive&) = delete;
    CFarArchive& operator=(const CFarArchive&) = delete;

    // Closes the source, drops every entry and its bytes.
    void Clear();

    // A read-only archive refuses every change of its entries and QuickSave,
    // returning their failure results with nothing changed; it is still read
    // and saved in full to another stream. Clear and Load leave the flag.
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool IsReadOnly() const { return readOnly_; }

    // Replaces the entries by the manifest of `stream` and keeps a duplicate of
    // its handle as the source. A stream without a handle (memory) loads as an
    // empty archive without a source. A failed load keeps the records read so far.
    bool Load(ByteStream& stream);
    // Writes a complete, compact archive to `stream`. Every live entry must
    // have its bytes in memory; otherwise nothing is written.
    bool Save(ByteStream& stream);
    // Appends the new bytes and a new manifest to the source, then points the
    // header at it. On failure the source is cut back to its old length.
    bool QuickSave();

    void AttachSource(const ByteStream& file);
    void CloseSource();
    bool HasSource() const { return source_ != nullptr; }
    // A second handle on the source with its own position (null without a
    // source), for readers that stream entries without keeping their bytes.
    std::unique_ptr<ByteStream> DuplicateSource() const;

    // Brings every live entry's bytes into memory; false at the first that
    // cannot be read.
    bool LoadAllData() { return !LoadAllDataUntilFailure(); }
    // The same, naming the live entry whose bytes could not be read (none
    // when all are in memory).
    std::optional<size_t> LoadAllDataUntilFailure();
    bool LoadData(size_t index);
    bool SetData(size_t index, ByteStream& stream);
    // The entry that now holds the stream's bytes under `name`, or none when the
    // name exists and `overwrite` is false, or the stream cannot be read.
    std::optional<size_t> AddOrReplace(std::string_view name, ByteStream& stream, bool overwrite);
    std::optional<size_t> FindEntry(std::string_view name) const;
    bool MarkDeleted(size_t index);
    // Gives a live entry a new full name (the tree's renames and moves).
    bool RenameEntry(size_t index, std::string_view name);

    // Every later change of an entry is reported to `journal` (null: none).
    void SetJournal(EntryJournal* journal) { journal_ = journal; }
    // Exact restores for undo and redo, reported to no journal: a name this
    // archive handed out before, the deleted mark, and the bytes with their
    // fields (swapped with `state`).
    void SetEntryName(size_t index, FarEntryName name);
    void SetEntryDeleted(size_t index, bool deleted);
    void SwapEntryState(size_t index, EntryState& state);
    // Brings a deleted entry's bytes into memory, as LoadData does for a live one.
    bool LoadDeletedData(size_t index);
    // Reads the bytes `state` describes in the source into it (true when it already has them).
    bool LoadState(EntryState& state);

    uint32_t EntryCount() const;
    uint64_t TotalSize() const;
    const CFarEntry* Entry(size_t index) const;
    const std::vector<CFarEntry>& Entries() const { return entries_; }
    const FarDataBlock& BlockOf(size_t index) const;
    // The entry's bytes if they are in memory (empty span otherwise).
    std::span<const uint8_t> BytesOf(size_t index) const;
    // LoadData, then the entry's size2 bytes; none when they cannot be read.
    std::optional<std::span<const uint8_t>> LoadedBytes(size_t index);

    const FarHeader& Header() const { return header_; }
    bool narrowNameLengths() const { return narrowNameLengths_; }

private:
    bool IsLive(size_t index) const { return index < entries_.size() && !entries_[index].isDeleted; }
    // Reads `size` bytes at `offset` of the source; null when they cannot be had.
    std::unique_ptr<uint8_t[]> ReadSource(int64_t offset, uint32_t size);
    bool ReadManifest(ByteStream& stream);
    void StoreBytes(CFarEntry& entry, std::unique_ptr<uint8_t[]> bytes, uint32_t length);

    // Name index: the first live entry of each case-folded name, with the later
    // live entries of the same name chained in list order behind it. Built on
    // the first lookup, so reading an archive only to list it costs no hashing.
    void EnsureIndex() const;
    void IndexInsert(uint32_t index) const;
    void IndexRemove(uint32_t index) const;
    void IndexClear();
    uint32_t IndexHead(std::string_view name, uint32_t hash) const;

    FarHeader header_;
    std::vector<FarDataBlock> blocks_;
    std::unique_ptr<ByteStream> source_;
    bool narrowNameLengths_ = false;
    std::vector<CFarEntry> entries_;
    StringArena names_; // the bytes of every entry's name, old names of renamed entries included
    mutable NoCaseIndex nameIndex_;
    mutable std::vector<uint32_t> nextSameName_;
    mutable bool indexed_ = false;
    EntryJournal* journal_ = nullptr;
    bool readOnly_ = false;
};

} // namespace vorn

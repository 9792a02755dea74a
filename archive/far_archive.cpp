#include "archive/far_archive.h"

#include "base/buffered_reader.h"
#include "base/buffered_writer.h"
#include "base/endian.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

namespace vorn {

namespace {

constexpr uint32_t kNoEntry = std::numeric_limits<uint32_t>::max();
constexpr uint64_t kMaxOffset = std::numeric_limits<uint32_t>::max();

std::unique_ptr<uint8_t[]> AllocateBytes(size_t length)
{
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[length == 0 ? 1 : length]);
}

// The name length a record carries, and how many name bytes follow it.
uint32_t RecordNameLength(std::string_view name, bool narrow)
{
    const auto length = static_cast<uint32_t>(name.size());
    return narrow ? (length & 0xFFFFu) : length;
}

bool WriteHeader(BufferedWriter& out, uint32_t manifestOffset)
{
    uint8_t header[FarHeader::kSize];
    std::memcpy(header, FarHeader::kMagic.data(), FarHeader::kMagic.size());
    StoreLE32(header + FarHeader::kVersionOffset, FarHeader::kWrittenVersion);
    StoreLE32(header + FarHeader::kManifestOffsetOffset, manifestOffset);
    return out.Write(header, sizeof header);
}

struct PlannedRecord {
    uint32_t index;
    uint32_t offset;
};

// Where each live entry's bytes go and where the manifest follows them.
struct RecordPlan {
    std::vector<PlannedRecord> records;
    uint32_t manifestOffset = 0;
};

// Which bytes a save writes: a full save every entry's, a quick save only
// those of new entries (the others stay where they are in the file).
enum class SaveKind { Full, Quick };

// Plans the records of a save whose bytes start at `start`. None when the
// save cannot complete: a full save's entry without its bytes in memory, or
// an offset beyond 32 bits. A quick save leaves out a new entry without bytes.
std::optional<RecordPlan> PlanRecords(const CFarArchive& archive, uint64_t start, SaveKind kind)
{
    RecordPlan plan;
    uint64_t position = start;
    const std::vector<CFarEntry>& entries = archive.Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const CFarEntry& entry = entries[i];
        if (entry.isDeleted)
            continue;
        if (kind == SaveKind::Quick && !entry.isNew) {
            if (entry.offset < 0 || static_cast<uint64_t>(entry.offset) > kMaxOffset)
                return std::nullopt;
            plan.records.push_back({static_cast<uint32_t>(i), static_cast<uint32_t>(entry.offset)});
            continue;
        }
        const FarDataBlock& block = archive.BlockOf(i);
        if (kind == SaveKind::Quick && !block.HasBytes())
            continue; // nothing to write for it
        if (!block.HasBytes() || block.length != entry.size2)
            return std::nullopt;
        if (position > kMaxOffset)
            return std::nullopt;
        plan.records.push_back({static_cast<uint32_t>(i), static_cast<uint32_t>(position)});
        position += block.length;
    }
    if (position > kMaxOffset)
        return std::nullopt;
    plan.manifestOffset = static_cast<uint32_t>(position);
    return plan;
}

bool WriteManifest(BufferedWriter& out, const std::vector<CFarEntry>& entries, const std::vector<PlannedRecord>& records,
                   bool narrow)
{
    if (!out.WriteLE32(static_cast<uint32_t>(records.size())))
        return false;
    for (const PlannedRecord& record : records) {
        const CFarEntry& entry = entries[record.index];
        const uint32_t nameLength = RecordNameLength(entry.name, narrow);
        if (!out.WriteLE32(entry.size1) || !out.WriteLE32(entry.size2) || !out.WriteLE32(record.offset))
            return false;
        if (!(narrow ? out.WriteLE16(static_cast<uint16_t>(nameLength)) : out.WriteLE32(nameLength)))
            return false;
        if (!out.Write(entry.name.data(), nameLength))
            return false;
    }
    return true;
}

// After a successful write the entries describe the file just written.
void AdoptWrittenLayout(std::vector<CFarEntry>& entries, FarHeader& header, const std::vector<PlannedRecord>& records,
                        uint32_t manifestOffset)
{
    for (const PlannedRecord& record : records) {
        CFarEntry& entry = entries[record.index];
        entry.offset = record.offset;
    }
    header = FarHeader{};
    header.manifestOffset = manifestOffset;
}

} // namespace

CFarArchive::CFarArchive()
{
    blocks_.emplace_back(); // the permanent empty block 0
}

CFarArchive::~CFarArchive() = default;

void CFarArchive::Clear()
{
    CloseSource();
    blocks_.clear();
    blocks_.emplace_back();
    IndexClear();
    entries_.clear();
    names_.Clear();
    narrowNameLengths_ = false;
    header_ = FarHeader{};
}

void CFarArchive::AttachSource(const ByteStream& file)
{
    CloseSource();
    source_ = file.DuplicateHandle();
}

std::unique_ptr<ByteStream> CFarArchive::DuplicateSource() const
{
    return source_ ? source_->DuplicateHandle() : nullptr;
}

void CFarArchive::CloseSource()
{
    source_.reset();
}

// ---- loading -------------------------------------------------------------

bool CFarArchive::Load(ByteStream& stream)
{
    Clear();
    if (stream.Seek(0, SeekOrigin::Begin) != 0)
        return false;
    source_ = stream.DuplicateHandle();
    if (!source_)
        return true; // an in-memory stream has no file to read the bytes from later
    return ReadManifest(stream);
}

bool CFarArchive::ReadManifest(ByteStream& stream)
{
    BufferedReader in(stream);
    uint8_t header[FarHeader::kSize];
    if (!in.Read(header, sizeof header))
        return false;
    std::memcpy(header_.magic.data(), header, header_.magic.size());
    header_.version = LoadLE32(header + FarHeader::kVersionOffset);
    header_.manifestOffset = LoadLE32(header + FarHeader::kManifestOffsetOffset);
    if (header_.magic != FarHeader::kMagic)
        return false;
    if (!in.SeekTo(header_.manifestOffset) || in.Position() != header_.manifestOffset)
        return false;

    // The count is never trusted for reserving memory: a record exists only once read.
    uint32_t count = 0;
    if (!in.ReadLE32(count))
        return false;
    // Every record takes at least 14 bytes, so the file's length bounds what
    // may be reserved however large the count claims to be.
    constexpr int64_t kSmallestRecord = 14;
    const int64_t fileLength = stream.Length();
    const int64_t manifestBytes = fileLength - in.Position();
    if (manifestBytes > 0)
        entries_.reserve(static_cast<size_t>(std::min<int64_t>(count, manifestBytes / kSmallestRecord)));
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t size1 = 0, size2 = 0, offset = 0, nameLength = 0;
        if (!in.ReadLE32(size1) || !in.ReadLE32(size2) || !in.ReadLE32(offset))
            return false;
        if (narrowNameLengths_) {
            uint16_t narrow = 0;
            if (!in.ReadLE16(narrow))
                return false;
            nameLength = narrow;
        } else {
            const int64_t lengthAt = in.Position();
            if (!in.ReadLE32(nameLength)) {
                // Fewer than four bytes left: only a 2-byte length with a
                // name of under two bytes fits, the last record of a narrow
                // manifest that had nothing before it to show its width.
                uint16_t narrow = 0;
                if (!in.SeekTo(lengthAt) || !in.ReadLE16(narrow) || narrow > 1)
                    return false;
                narrowNameLengths_ = true;
                nameLength = narrow;
            } else if ((nameLength >> 16) != 0) {
                // The upper half was really the start of the name: the manifest
                // uses 2-byte lengths from here on.
                narrowNameLengths_ = true;
                nameLength &= 0xFFFFu;
                if (!in.SeekTo(in.Position() - 2))
                    return false;
            }
        }
        // The name goes straight into the archive's name blocks; a length
        // beyond the end of the file fails before anything is allocated.
        if (static_cast<int64_t>(nameLength) > fileLength - in.Position())
            return false;
        char* bytes = names_.Allocate(nameLength);
        if (!in.Read(bytes, nameLength)) {
            names_.Shrink(nameLength);
            return false;
        }
        std::string_view name(bytes, nameLength);
        if (const size_t zero = name.find('\0'); zero != std::string_view::npos) {
            names_.Shrink(nameLength - zero);
            name = name.substr(0, zero);
        }

        CFarEntry entry;
        entry.size1 = size1;
        entry.size2 = size2;
        entry.offset = offset;
        entry.name = name;
        entries_.push_back(entry);
    }
    return true;
}

// ---- entry bytes ---------------------------------------------------------

void CFarArchive::StoreBytes(CFarEntry& entry, std::unique_ptr<uint8_t[]> bytes, uint32_t length)
{
    if (entry.blockIndex <= 0 || static_cast<size_t>(entry.blockIndex) >= blocks_.size()) {
        blocks_.emplace_back();
        entry.blockIndex = static_cast<int32_t>(blocks_.size() - 1);
    }
    FarDataBlock& block = blocks_[static_cast<size_t>(entry.blockIndex)];
    block.bytes = std::move(bytes);
    block.length = length;
    block.allocated = true;
}

bool CFarArchive::LoadData(size_t index)
{
    if (!IsLive(index))
        return false;
    CFarEntry& entry = entries_[index];
    if (BlockOf(index).HasBytes())
        return true;
    auto bytes = ReadSource(entry.offset, entry.size2);
    if (!bytes)
        return false;
    StoreBytes(entry, std::move(bytes), entry.size2);
    return true;
}

std::unique_ptr<uint8_t[]> CFarArchive::ReadSource(int64_t offset, uint32_t size)
{
    if (!source_ || offset < 0)
        return nullptr;
    // A damaged size must not turn into a huge allocation: check against the file first.
    const int64_t fileLength = source_->Length();
    if (fileLength < 0 || offset + static_cast<int64_t>(size) > fileLength)
        return nullptr;
    if (source_->Seek(offset, SeekOrigin::Begin) != offset)
        return nullptr;
    auto bytes = AllocateBytes(size);
    if (!bytes || !source_->ReadExact(bytes.get(), size))
        return nullptr;
    return bytes;
}

bool CFarArchive::LoadDeletedData(size_t index)
{
    if (index >= entries_.size() || !entries_[index].isDeleted)
        return false;
    CFarEntry& entry = entries_[index];
    if (BlockOf(index).HasBytes())
        return true;
    auto bytes = ReadSource(entry.offset, entry.size2);
    if (!bytes)
        return false;
    StoreBytes(entry, std::move(bytes), entry.size2);
    return true;
}

bool CFarArchive::LoadState(EntryState& state)
{
    // A state that never had bytes (an entry just appended) has none to keep.
    if (state.block.HasBytes() || state.offset < 0)
        return true;
    auto bytes = ReadSource(state.offset, state.size2);
    if (!bytes)
        return false;
    state.block.bytes = std::move(bytes);
    state.block.length = state.size2;
    state.block.allocated = true;
    return true;
}

std::optional<size_t> CFarArchive::LoadAllDataUntilFailure()
{
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!entries_[i].isDeleted && !LoadData(i))
            return i;
    }
    return std::nullopt;
}

bool CFarArchive::SetData(size_t index, ByteStream& stream)
{
    if (readOnly_)
        return false;
    const int64_t length = stream.Length();
    if (length < 0 || stream.Seek(0, SeekOrigin::Begin) != 0)
        return false;
    if (!IsLive(index) || static_cast<uint64_t>(length) > kMaxOffset)
        return false;
    // Read everything before touching the entry, so a short read changes nothing.
    const auto size = static_cast<uint32_t>(length);
    auto bytes = AllocateBytes(size);
    if (!bytes || !stream.ReadExact(bytes.get(), size))
        return false;
    CFarEntry& entry = entries_[index];
    EntryState before{entry.size1, entry.size2, entry.offset, entry.isNew, {}};
    if (journal_ && entry.blockIndex > 0 && static_cast<size_t>(entry.blockIndex) < blocks_.size())
        before.block = std::move(blocks_[static_cast<size_t>(entry.blockIndex)]);
    entry.size1 = size;
    entry.size2 = size;
    StoreBytes(entry, std::move(bytes), size);
    entry.offset = -1;
    entry.isNew = true;
    if (journal_)
        journal_->EntryDataReplaced(index, std::move(before));
    return true;
}

void CFarArchive::SwapEntryState(size_t index, EntryState& state)
{
    if (index >= entries_.size())
        return;
    CFarEntry& entry = entries_[index];
    if (entry.blockIndex <= 0 || static_cast<size_t>(entry.blockIndex) >= blocks_.size()) {
        blocks_.emplace_back();
        entry.blockIndex = static_cast<int32_t>(blocks_.size() - 1);
    }
    std::swap(entry.size1, state.size1);
    std::swap(entry.size2, state.size2);
    std::swap(entry.offset, state.offset);
    std::swap(entry.isNew, state.isNew);
    std::swap(blocks_[static_cast<size_t>(entry.blockIndex)], state.block);
}

std::optional<size_t> CFarArchive::AddOrReplace(std::string_view name, ByteStream& stream, bool overwrite)
{
    if (readOnly_)
        return std::nullopt;
    std::optional<size_t> found = FindEntry(name);
    if (found && !overwrite)
        return std::nullopt;
    const bool appended = !found;
    if (appended) {
        CFarEntry entry;
        entry.name = names_.Keep(name);
        entries_.push_back(entry);
        nextSameName_.push_back(kNoEntry); // FindEntry has built the index
        found = entries_.size() - 1;
        IndexInsert(static_cast<uint32_t>(*found));
        if (journal_)
            journal_->EntryAppended(*found);
    }
    if (!SetData(*found, stream)) {
        // An entry whose sizes would not match its bytes must not reach a save.
        if (appended)
            MarkDeleted(*found);
        return std::nullopt;
    }
    return found;
}

// ---- lookup and edits ----------------------------------------------------

std::optional<size_t> CFarArchive::FindEntry(std::string_view name) const
{
    EnsureIndex();
    const uint32_t head = IndexHead(name, NoCaseIndex::Hash(name));
    if (head == NoCaseIndex::kNone)
        return std::nullopt;
    return head;
}

bool CFarArchive::MarkDeleted(size_t index)
{
    if (readOnly_)
        return false;
    if (!IsLive(index))
        return false;
    if (indexed_)
        IndexRemove(static_cast<uint32_t>(index));
    entries_[index].isDeleted = true;
    if (journal_)
        journal_->EntryDeleted(index);
    return true;
}

bool CFarArchive::RenameEntry(size_t index, std::string_view name)
{
    if (readOnly_)
        return false;
    if (!IsLive(index))
        return false;
    const FarEntryName before = entries_[index].name;
    // The old name's bytes stay where they are: views of it stay valid.
    SetEntryName(index, names_.Keep(name));
    if (journal_)
        journal_->EntryRenamed(index, before);
    return true;
}

void CFarArchive::SetEntryName(size_t index, FarEntryName name)
{
    if (index >= entries_.size())
        return;
    const bool indexed = indexed_ && !entries_[index].isDeleted;
    if (indexed)
        IndexRemove(static_cast<uint32_t>(index));
    entries_[index].name = name;
    if (indexed)
        IndexInsert(static_cast<uint32_t>(index));
}

void CFarArchive::SetEntryDeleted(size_t index, bool deleted)
{
    if (index >= entries_.size() || entries_[index].isDeleted == deleted)
        return;
    if (indexed_ && deleted)
        IndexRemove(static_cast<uint32_t>(index));
    entries_[index].isDeleted = deleted;
    if (indexed_ && !deleted)
        IndexInsert(static_cast<uint32_t>(index));
}

uint32_t CFarArchive::EntryCount() const
{
    return static_cast<uint32_t>(std::count_if(entries_.begin(), entries_.end(),
                                               [](const CFarEntry& entry) { return !entry.isDeleted; }));
}

uint64_t CFarArchive::TotalSize() const
{
    uint64_t total = 0;
    for (const CFarEntry& entry : entries_) {
        if (!entry.isDeleted)
            total += entry.size1;
    }
    return total;
}

const CFarEntry* CFarArchive::Entry(size_t index) const
{
    return index < entries_.size() ? &entries_[index] : nullptr;
}

const FarDataBlock& CFarArchive::BlockOf(size_t index) const
{
    if (index >= entries_.size())
        return blocks_[0];
    const int32_t block = entries_[index].blockIndex;
    if (block <= 0 || static_cast<size_t>(block) >= blocks_.size())
        return blocks_[0];
    return blocks_[static_cast<size_t>(block)];
}

std::span<const uint8_t> CFarArchive::BytesOf(size_t index) const
{
    return BlockOf(index).Span();
}

std::optional<std::span<const uint8_t>> CFarArchive::LoadedBytes(size_t index)
{
    if (!LoadData(index))
        return std::nullopt;
    const std::span<const uint8_t> bytes = BytesOf(index);
    return bytes.first(std::min<size_t>(bytes.size(), entries_[index].size2));
}

// ---- saving --------------------------------------------------------------

bool CFarArchive::Save(ByteStream& stream)
{
    // Plan everything first: a save that cannot complete writes nothing.
    const std::optional<RecordPlan> plan = PlanRecords(*this, FarHeader::kSize, SaveKind::Full);
    if (!plan)
        return false;
    const std::vector<PlannedRecord>& records = plan->records;
    const uint32_t manifestOffset = plan->manifestOffset;

    // Truncating an already empty file is not free: ext4 then flushes the
    // whole file when it is closed, doubling the time a save takes.
    const int64_t oldLength = stream.Length();
    if (oldLength < 0 || (oldLength > 0 && !stream.Truncate(0)) || stream.Seek(0, SeekOrigin::Begin) != 0)
        return false;
    BufferedWriter out(stream);
    bool written = WriteHeader(out, manifestOffset);
    for (const PlannedRecord& record : records) {
        if (!written)
            break;
        const FarDataBlock& block = BlockOf(record.index);
        written = out.Write(block.bytes.get(), block.length);
    }
    written = written && WriteManifest(out, entries_, records, narrowNameLengths_) && out.Finish();
    if (!written)
        return false;

    AdoptWrittenLayout(entries_, header_, records, manifestOffset);
    // A deleted entry an undo may bring back no longer has bytes in the
    // file: only those in memory can go into the next save.
    for (size_t i = 0; i < entries_.size(); ++i) {
        CFarEntry& entry = entries_[i];
        if (!entry.isDeleted)
            continue;
        entry.offset = -1;
        entry.isNew = true;
    }
    return true;
}

bool CFarArchive::QuickSave()
{
    if (readOnly_)
        return false;
    if (!source_)
        return false;
    const int64_t oldLength = source_->Length();
    if (oldLength < 0)
        return false;

    const std::optional<RecordPlan> plan = PlanRecords(*this, static_cast<uint64_t>(oldLength), SaveKind::Quick);
    if (!plan)
        return false;
    const std::vector<PlannedRecord>& records = plan->records;
    const uint32_t manifestOffset = plan->manifestOffset;

    // Append first and make it durable; only then point the header at the new
    // manifest. Until that last write the file still loads as it did before.
    auto restore = [&] {
        source_->Truncate(oldLength);
        source_->Flush();
        return false;
    };
    if (source_->Seek(oldLength, SeekOrigin::Begin) != oldLength)
        return false;
    {
        BufferedWriter out(*source_);
        bool written = true;
        for (const PlannedRecord& record : records) {
            if (!entries_[record.index].isNew)
                continue;
            const FarDataBlock& block = BlockOf(record.index);
            if (!(written = out.Write(block.bytes.get(), block.length)))
                break;
        }
        written = written && WriteManifest(out, entries_, records, narrowNameLengths_) && out.Finish();
        if (!written || !source_->Flush())
            return restore();
    }

    uint8_t oldHeader[FarHeader::kSize];
    if (source_->Seek(0, SeekOrigin::Begin) != 0 || !source_->ReadExact(oldHeader, sizeof oldHeader))
        return restore();
    {
        source_->Seek(0, SeekOrigin::Begin);
        BufferedWriter out(*source_);
        if (!WriteHeader(out, manifestOffset) || !out.Finish() || !source_->Flush()) {
            source_->Seek(0, SeekOrigin::Begin);
            source_->Write(oldHeader, sizeof oldHeader);
            return restore();
        }
    }

    AdoptWrittenLayout(entries_, header_, records, manifestOffset);
    return true;
}

// ---- name index ----------------------------------------------------------

uint32_t CFarArchive::IndexHead(std::string_view name, uint32_t hash) const
{
    return nameIndex_.Find(name, hash, [this](uint32_t index) -> std::string_view { return entries_[index].name; });
}

void CFarArchive::EnsureIndex() const
{
    if (indexed_)
        return;
    nextSameName_.assign(entries_.size(), kNoEntry);
    nameIndex_.Reserve(entries_.size());
    // From the last entry to the first, each entry is either a new name or
    // the new head of its chain: no chain is walked.
    for (size_t i = entries_.size(); i-- > 0;) {
        if (!entries_[i].isDeleted)
            IndexInsert(static_cast<uint32_t>(i));
    }
    indexed_ = true;
}

void CFarArchive::IndexInsert(uint32_t index) const
{
    nextSameName_[index] = kNoEntry;
    const std::string_view name = entries_[index].name;
    const uint32_t hash = NoCaseIndex::Hash(name);
    const uint32_t head = IndexHead(name, hash);
    if (head == NoCaseIndex::kNone) {
        nameIndex_.Insert(index, hash);
        return;
    }
    if (index < head) {
        nextSameName_[index] = head;
        nameIndex_.Replace(head, hash, index);
        return;
    }
    uint32_t before = head;
    while (nextSameName_[before] != kNoEntry && nextSameName_[before] < index)
        before = nextSameName_[before];
    nextSameName_[index] = nextSameName_[before];
    nextSameName_[before] = index;
}

void CFarArchive::IndexRemove(uint32_t index) const
{
    const std::string_view name = entries_[index].name;
    const uint32_t hash = NoCaseIndex::Hash(name);
    const uint32_t head = IndexHead(name, hash);
    if (head == NoCaseIndex::kNone)
        return;
    if (head == index) {
        if (nextSameName_[index] != kNoEntry)
            nameIndex_.Replace(index, hash, nextSameName_[index]);
        else
            nameIndex_.Erase(index, hash);
    } else {
        uint32_t before = head;
        while (nextSameName_[before] != kNoEntry && nextSameName_[before] != index)
            before = nextSameName_[before];
        if (nextSameName_[before] == index)
            nextSameName_[before] = nextSameName_[index];
    }
    nextSameName_[index] = kNoEntry;
}

void CFarArchive::IndexClear()
{
    nameIndex_.Clear();
    nextSameName_.clear();
    indexed_ = false;
}

} // namespace vorn

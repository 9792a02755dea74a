#include "sprites/iff_edit_service.h"

#include "archive/vorn_doc.h"
#include "base/endian.h"
#include "base/latin1_text.h"
#include "base/memory_stream.h"
#include "base/name_compare.h"
#include "iff/draw_group.h"
#include "iff/object_definition.h"
#include "iff/object_fields.h"
#include "iff/palt_palette.h"
#include "iff/string_table.h"
#include "iff/type_codes.h"

#include <algorithm>
#include <cstdio>
#include <charconv>
#include <cstring>
#include <random>

namespace vorn {

namespace {

constexpr size_t kImageGrowth = 1024;
constexpr uint32_t kTypeCtss = MakeTypeCode("CTSS");
constexpr size_t kBaseGraphicWord = CObjectDefinition::kBaseGraphicOffset / 2;
constexpr size_t kGraphicCountWord = CObjectDefinition::kGraphicCountOffset / 2;
constexpr size_t kMasterIdWord = CObjectDefinition::kMasterIdOffset / 2;
const size_t kCatalogueStringsWord = FindObjectField("catalogue strings id")->index;

std::string ChunkName(uint32_t type, uint16_t id) { return TypeCodeText(type) + " " + std::to_string(id); }

std::string Hex32(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

// The OBJD word at `index`, 0 past the end of the chunk as the catalogue reads it.
uint16_t WordAt(std::span<const uint8_t> data, size_t index)
{
    return 2 * index + 2 <= data.size() ? static_cast<uint16_t>(data[2 * index] | data[2 * index + 1] << 8) : 0;
}

// The row of the `nth` string of `language` (as ShownLanguage reads it), or
// none when that language has fewer strings.
std::optional<size_t> NthOfLanguage(const StringTable& table, uint32_t language, size_t nth)
{
    for (size_t row = 0; row < table.Strings().size(); ++row)
        if (StringTable::ShownLanguage(table.Layout(), table.Strings()[row]) == language && nth-- == 0)
            return row;
    return std::nullopt;
}

// Sets the catalogue text's `nth` string (0 the name, 1 the description) in
// every language the table holds, adding it where a language lacks it.
StringEdit SetCatalogueString(StringTable& table, size_t nth, const std::string& text)
{
    std::set<uint32_t> languages;
    for (const StringTableEntry& entry : table.Strings())
        languages.insert(StringTable::ShownLanguage(table.Layout(), entry));
    if (languages.empty())
        languages.insert(table.Layout() == StringTableLayout::Languages || table.Layout() == StringTableLayout::LanguageSets
                             ? 1u
                             : 0u);
    for (const uint32_t language : languages) {
        // Missing strings before it come as empty ones.
        for (size_t k = 0; k <= nth; ++k) {
            if (NthOfLanguage(table, language, k))
                continue;
            const std::optional<size_t> previous = k == 0 ? std::nullopt : NthOfLanguage(table, language, k - 1);
            const size_t at = previous ? *previous + 1 : table.Strings().size();
            const StringEdit added = table.InsertRow(at, {}, {}, language);
            if (added != StringEdit::Done)
                return added;
        }
        const StringEdit set = table.SetText(*NthOfLanguage(table, language, nth), text);
        if (set != StringEdit::Done)
            return set;
    }
    return StringEdit::Done;
}

} // namespace

void IffEditService::Reset()
{
    baseline_.clear();
    baselineChunks_.clear();
    catalogue_.reset();
    catalogueStale_ = false;
    file_.reset();
    document_ = nullptr;
    entryIndex_.reset();
    entryPath_.clear();
}

IffOpenResult IffEditService::Open(std::span<const uint8_t> bytes)
{
    Reset();
    // The reference owns its container, so it leaves the process-wide table
    // with the service instead of piling up there.
    auto file = std::make_unique<CIffFileRef>();
    IffParseError error = IffParseError::None;
    if (!file->Open(bytes, error, true))
        return IffOpenResult::NotIff;
    file_ = std::move(file);
    TakeBaseline(bytes);
    return IffOpenResult::Opened;
}

void IffEditService::TakeBaseline(std::span<const uint8_t> image)
{
    baseline_.assign(image.begin(), image.end());
    baselineChunks_.clear();
    for (const auto& chunk : Chunks())
        baselineChunks_.push_back({chunk.get(), chunk->Type(), chunk->Id(), chunk->Flags(), chunk->Label(),
                                   chunk->DataOffset(), chunk->Size()});
}

bool IffEditService::Changed() const
{
    const auto chunks = Chunks();
    if (!IsOpen() || chunks.size() != baselineChunks_.size())
        return IsOpen();
    for (size_t i = 0; i < chunks.size(); ++i) {
        const CIffChunk& chunk = *chunks[i];
        const ChunkRecord& was = baselineChunks_[i];
        if (&chunk != was.chunk || chunk.Type() != was.type || chunk.Id() != was.id || chunk.Flags() != was.flags ||
            chunk.Label() != was.label || chunk.Size() != was.size)
            return true;
        // The map is written anew anyway; a chunk not brought in is as it was.
        if (chunk.Type() == kTypeRsmp || !chunk.IsLoaded())
            continue;
        if (was.dataOffset > baseline_.size() || baseline_.size() - was.dataOffset < was.size ||
            (was.size != 0 && std::memcmp(chunk.Bytes().data(), baseline_.data() + was.dataOffset, was.size) != 0))
            return true;
    }
    return false;
}

void IffEditService::ChunksChanged()
{
    file_->RebuildTypes();
    catalogueStale_ = true;
}

std::string IffEditService::Damage() const
{
    const CIffFile* container = Container();
    if (container == nullptr)
        return {};
    const IffScanEnd& end = container->ScanEnd();
    const std::string where = "The file stops making sense at byte " + std::to_string(end.offset) + ": ";
    const uint64_t left = container->Length() - end.offset;
    const std::string claims = "its chunk header claims " + std::to_string(end.claimedSize) + " bytes, ";
    switch (end.stop) {
    case IffScanStop::None: return {};
    case IffScanStop::CutHeader: return where + std::to_string(left) + " bytes are left, too few for a chunk header!";
    case IffScanStop::BadSize:
    case IffScanStop::PastEnd:
        if (end.claimedSize > left)
            return where + claims + "but only " + std::to_string(left) + " are left!";
        return where + claims + (end.claimedSize < CIffFile::kChunkHeaderSize ? "fewer than the header itself!"
                                                                             : "more than a chunk may hold!");
    }
    return {};
}

std::optional<uint16_t> IffEditService::FreeId(uint32_t type, uint16_t id) const
{
    for (uint32_t step = 1; step <= UINT16_MAX + 1u; ++step) {
        const auto candidate = static_cast<uint16_t>(id + step);
        if (Find(type, candidate) == nullptr)
            return candidate;
    }
    return std::nullopt;
}

std::optional<IffEditResult> IffEditService::FileRefusal() const
{
    if (!IsOpen())
        return IffEditResult::Refused("No IFF file is open.");
    const std::string damage = Damage();
    if (!damage.empty())
        return IffEditResult::Refused(damage + " The file is not edited, so nothing past that point is lost.");
    return std::nullopt;
}

CIffChunk* IffEditService::EditableChunk(uint32_t type, uint16_t id, IffEditResult& refusal)
{
    if (std::optional<IffEditResult> file = FileRefusal()) {
        refusal = std::move(*file);
        return nullptr;
    }
    if (type == kTypeRsmp) {
        refusal = IffEditResult::Refused("The resource map (rsmp) is written anew with every save; it is not edited.");
        return nullptr;
    }
    CIffChunk* chunk = Find(type, id);
    if (chunk == nullptr) {
        refusal = IffEditResult::Refused("No " + TypeCodeText(type) + " chunk has the id " + std::to_string(id) + "!");
        return nullptr;
    }
    if (!file_->LoadChunk(*chunk)) {
        refusal = IffEditResult::Refused("The " + ChunkName(type, id) +
                                         " chunk runs past the end of the file; it is left as it is.");
        return nullptr;
    }
    catalogueStale_ = true;
    return chunk;
}

std::optional<std::string> IffEditService::ToLatin1(std::string_view utf8, std::string& message)
{
    if (std::optional<std::string> bytes = Utf8ToLatin1(utf8))
        return bytes;
    if (const std::optional<Utf8Character> character = FirstBeyondLatin1(utf8))
        message = "The character \"" + character->text + "\" (" + character->CodeText() +
                  ") cannot be stored: the file's text is Latin-1.";
    else
        message = "The text is not valid UTF-8.";
    return std::nullopt;
}

IffEditResult IffEditService::EditStrings(uint32_t type, uint16_t id, const std::function<StringEdit(StringTable&)>& edit)
{
    IffEditResult refusal;
    CIffChunk* chunk = EditableChunk(type, id, refusal);
    if (chunk == nullptr)
        return refusal;
    if (!StringTable::IsStringTableType(type))
        return IffEditResult::Refused("A " + TypeCodeText(type) + " chunk holds no strings.");
    StringTable table;
    const StringTableProblem problem = table.Parse(chunk->Bytes());
    if (problem != StringTableProblem::None)
        return IffEditResult::Refused("The " + ChunkName(type, id) + " chunk can't be read as a string table (" +
                                      StringTable::ProblemText(problem) + "); it is left as it is.");
    const StringEdit result = edit(table);
    if (result != StringEdit::Done)
        return IffEditResult::Refused(table.EditText(result));
    const std::vector<uint8_t> bytes = table.Serialise();
    if (!chunk->Assign(bytes))
        return IffEditResult::Refused("There is not enough memory for the " + ChunkName(type, id) + " chunk.");
    return IffEditResult::Done();
}

IffEditResult IffEditService::SetString(uint32_t type, uint16_t id, size_t row, StringPart part, std::string_view value)
{
    if (part == StringPart::Language) {
        uint32_t language = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), language);
        if (error != std::errc() || end != value.data() + value.size())
            return IffEditResult::Refused("A language is given as a number, \"" + std::string(value) + "\" is none.");
        return EditStrings(type, id, [&](StringTable& table) { return table.SetLanguage(row, language); });
    }
    std::string message;
    std::optional<std::string> bytes = ToLatin1(value, message);
    if (!bytes)
        return IffEditResult::Refused(message);
    return EditStrings(type, id, [&](StringTable& table) {
        return part == StringPart::Text ? table.SetText(row, std::move(*bytes)) : table.SetComment(row, std::move(*bytes));
    });
}

IffEditResult IffEditService::SetObjectField(uint16_t id, std::string_view name, std::string_view value)
{
    const std::optional<ObjectFieldSpec> field = FindObjectField(name);
    if (!field)
        return IffEditResult::Refused("An OBJD has no field \"" + std::string(name) + "\".");
    uint32_t number = 0;
    switch (ParseObjectFieldValue(*field, value, number)) {
    case ObjectFieldParse::Done: break;
    case ObjectFieldParse::NotANumber:
        return IffEditResult::Refused("\"" + std::string(value) + "\" is not a value of the field \"" +
                                      field->DisplayName() + "\" (" + field->RangeText() + ").");
    case ObjectFieldParse::OutOfRange:
        return IffEditResult::Refused(std::string(value) + " is beyond the range of the field \"" +
                                      field->DisplayName() + "\": " + field->RangeText() + ".");
    }
    IffEditResult refusal;
    CIffChunk* chunk = EditableChunk(kTypeObjd, id, refusal);
    if (chunk == nullptr)
        return refusal;
    // The tiles of a multi-tile object agree on the fields of the whole object.
    std::vector<CIffChunk*> targets{chunk};
    const uint16_t masterId = WordAt(chunk->Bytes(), kMasterIdWord);
    if (field->sharedByTiles && masterId != 0) {
        for (CIffChunk* other : ChunksOfType(kTypeObjd)) {
            if (other == chunk)
                continue;
            if (!file_->LoadChunk(*other))
                return IffEditResult::Refused("The " + ChunkName(kTypeObjd, other->Id()) +
                                              " chunk, a tile of the same object, runs past the end of the file; "
                                              "nothing is changed.");
            if (WordAt(other->Bytes(), kMasterIdWord) == masterId)
                targets.push_back(other);
        }
    }
    std::string note;
    for (CIffChunk* target : targets) {
        std::vector<uint8_t> bytes(target->Bytes().begin(), target->Bytes().end());
        const size_t before = bytes.size();
        const bool grew = StoreObjectField(bytes, *field, number);
        if (!target->Assign(bytes))
            return IffEditResult::Refused("There is not enough memory for the OBJD chunk.");
        if (grew)
            note += ChunkName(kTypeObjd, target->Id()) + " was " + std::to_string(before) +
                    " bytes long, too short for the field \"" + field->DisplayName() + "\": it now has " +
                    std::to_string(bytes.size()) + " bytes.\n";
    }
    if (targets.size() > 1) {
        note += "The " + std::to_string(targets.size() - 1) + " other OBJD chunks of the multi-tile object (master id " +
                std::to_string(masterId) + ") changed with it: its tiles agree on \"" + field->DisplayName() + "\".\n";
    }
    if (!note.empty())
        note.pop_back();
    return IffEditResult::Done(note);
}

IffEditResult IffEditService::ReplaceChunkData(uint32_t type, uint16_t id, std::span<const uint8_t> data)
{
    IffEditResult refusal;
    CIffChunk* chunk = EditableChunk(type, id, refusal);
    if (chunk == nullptr)
        return refusal;
    if (data.size() > UINT32_MAX - CIffFile::kChunkHeaderSize || !chunk->Assign(data))
        return IffEditResult::Refused("The data is too large for a chunk.");
    return IffEditResult::Done();
}

IffEditResult IffEditService::SetPaletteColours(uint16_t id, size_t first, std::span<const uint8_t> rgb)
{
    IffEditResult refusal;
    CIffChunk* chunk = EditableChunk(kTypePalt, id, refusal);
    if (chunk == nullptr)
        return refusal;
    if (PaltPalette::Colours(*chunk) == nullptr)
        return IffEditResult::Refused("PALT " + std::to_string(id) + " is not a palette of 256 colours that can be read!");
    if (rgb.size() % 3 != 0 || first > PaltPalette::kColourCount || rgb.size() / 3 > PaltPalette::kColourCount - first)
        return IffEditResult::Refused("A PALT holds colours 0 to 255 only.");
    std::vector<uint8_t> data(chunk->Bytes().begin(), chunk->Bytes().end());
    std::copy(rgb.begin(), rgb.end(), data.begin() + static_cast<std::ptrdiff_t>(PaltPalette::kColoursOffset + 3 * first));
    if (!chunk->Assign(data))
        return IffEditResult::Refused("There is not enough memory for the palette.");
    return IffEditResult::Done();
}

IffEditResult IffEditService::DeleteChunk(uint32_t type, uint16_t id)
{
    if (FileRefusal() || type == kTypeRsmp || Find(type, id) == nullptr) {
        IffEditResult refusal;
        EditableChunk(type, id, refusal);
        return refusal;
    }
    Container()->RemoveChunk(type, id);
    ChunksChanged();
    return IffEditResult::Done();
}

IffEditResult IffEditService::DuplicateChunk(uint32_t type, uint16_t id, uint16_t& newId)
{
    IffEditResult refusal;
    CIffChunk* chunk = EditableChunk(type, id, refusal);
    if (chunk == nullptr)
        return refusal;
    const std::optional<uint16_t> free = FreeId(type, id);
    if (free) {
        const std::vector<uint8_t> bytes(chunk->Bytes().begin(), chunk->Bytes().end());
        if (Container()->AddChunk(type, *free, chunk->Flags(), chunk->Label(), bytes) == nullptr)
            return IffEditResult::Refused("There is not enough memory for a copy of the chunk.");
        newId = *free;
        ChunksChanged();
        return IffEditResult::Done();
    }
    return IffEditResult::Refused("Every id of the type " + TypeCodeText(type) + " is taken.");
}

IffEditResult IffEditService::ChangeChunkId(uint32_t type, uint16_t id, uint16_t newId)
{
    IffEditResult refusal;
    CIffChunk* chunk = EditableChunk(type, id, refusal);
    if (chunk == nullptr)
        return refusal;
    if (newId != id && Find(type, newId) != nullptr)
        return IffEditResult::Refused("The id " + std::to_string(newId) + " is taken by another " +
                                      TypeCodeText(type) + " chunk.");
    // Objects name their draw groups and catalogue text by number.
    std::string note;
    for (CIffChunk* objd : ChunksOfType(kTypeObjd)) {
        if (!file_->LoadChunk(*objd))
            continue;
        const uint16_t base = WordAt(objd->Bytes(), kBaseGraphicWord);
        const uint16_t count = WordAt(objd->Bytes(), kGraphicCountWord);
        const bool names = type == kTypeDgrp ? static_cast<uint16_t>(id - base) < count
                                              : type == kTypeCtss && WordAt(objd->Bytes(), kCatalogueStringsWord) == id;
        if (names)
            note += (note.empty() ? "" : ", ") + ChunkName(kTypeObjd, objd->Id());
    }
    // Draw groups place their sprites by id.
    if (type == kTypeSpr2) {
        for (CIffChunk* dgrp : ChunksOfType(kTypeDgrp)) {
            CDrawGroup group;
            group.Load(*file_, dgrp); // a group read in part still names what it read
            const bool names = std::any_of(group.Images().begin(), group.Images().end(), [id](const DrawGroupImage& image) {
                return std::any_of(image.sprites.begin(), image.sprites.end(),
                                   [id](const SpritePlacement& sprite) { return sprite.spriteId == id; });
            });
            if (names)
                note += (note.empty() ? "" : ", ") + ChunkName(kTypeDgrp, dgrp->Id());
        }
    }
    Container()->ChangeId(*chunk, newId);
    ChunksChanged();
    if (!note.empty())
        note = "Named by " + note + ": references are not rewritten.";
    return IffEditResult::Done(note);
}

IffEditResult IffEditService::SetChunkLabel(uint32_t type, uint16_t id, std::string_view label)
{
    std::string message;
    std::optional<std::string> bytes = ToLatin1(label, message);
    if (!bytes)
        return IffEditResult::Refused(message);
    if (bytes->size() > CIffFile::kMaxLabelInHeader || bytes->find('\0') != std::string::npos)
        return IffEditResult::Refused("A label holds at most " + std::to_string(CIffFile::kMaxLabelInHeader) +
                                      " characters and no NUL.");
    IffEditResult refusal;
    CIffChunk* chunk = EditableChunk(type, id, refusal);
    if (chunk == nullptr)
        return refusal;
    chunk->SetLabel(std::move(*bytes));
    return IffEditResult::Done();
}

IffEditResult IffEditService::AddChunk(std::string_view type, uint16_t id)
{
    std::string message;
    const std::optional<std::string> bytes = ToLatin1(type, message);
    if (!bytes || bytes->size() != 4)
        return IffEditResult::Refused("A chunk type is four characters, such as STR#.");
    const uint32_t code = LoadBE32(reinterpret_cast<const uint8_t*>(bytes->data()));
    if (FileRefusal() || code == kTypeRsmp) {
        IffEditResult refusal;
        EditableChunk(code, id, refusal);
        return refusal;
    }
    if (Find(code, id) != nullptr)
        return IffEditResult::Refused("The id " + std::to_string(id) + " is taken by another " + *bytes + " chunk.");
    if (Container()->AddChunk(code, id, CIffChunk::kDefaultFlags, {}, {}) == nullptr)
        return IffEditResult::Refused("There is not enough memory for a new chunk.");
    ChunksChanged();
    return IffEditResult::Done();
}

CloneRequest IffEditService::CatalogueText()
{
    CloneRequest text;
    for (CIffChunk* objd : ChunksOfType(kTypeObjd)) {
        const std::optional<std::span<const uint8_t>> data = Data(*objd);
        if (!data)
            continue;
        if (!text.price)
            if (const std::optional<uint32_t> price = ObjectFieldValue(*data, "price"))
                text.price = static_cast<uint16_t>(*price);
        const std::optional<uint32_t> strings = ObjectFieldValue(*data, "catalogue strings id");
        CIffChunk* ctss = strings ? Find(kTypeCtss, static_cast<uint16_t>(*strings)) : nullptr;
        const std::optional<std::span<const uint8_t>> tableData = ctss ? Data(*ctss) : std::nullopt;
        StringTable table;
        if (!tableData || table.Parse(*tableData) != StringTableProblem::None || table.Strings().empty())
            continue;
        const uint32_t language = StringTable::ShownLanguage(table.Layout(), table.Strings().front());
        if (const std::optional<size_t> row = NthOfLanguage(table, language, 0))
            text.name = Latin1ToUtf8(table.Strings()[*row].text);
        if (const std::optional<size_t> row = NthOfLanguage(table, language, 1))
            text.description = Latin1ToUtf8(table.Strings()[*row].text);
        break;
    }
    return text;
}

std::set<uint32_t> IffEditService::ArchiveGuids(const CFarArchive& archive, CFarDirectoryTree& tree)
{
    std::set<uint32_t> guids;
    const std::vector<CFarEntry>& entries = archive.Entries();
    for (const CFarEntry& entry : entries) {
        const std::string_view name = entry.name;
        if (entry.isDeleted || name.size() < 4 || !EqualsNoCase(name.substr(name.size() - 4), ".iff"))
            continue;
        const std::optional<std::vector<uint8_t>> bytes = tree.CopyEntryData(name);
        if (!bytes)
            continue;
        CIffFile file(*bytes, {}, true);
        IffParseError error = IffParseError::None;
        if (!file.Parse(error))
            continue;
        for (const auto& chunk : file.Chunks())
            if (chunk->Type() == kTypeObjd && file.LoadChunk(*chunk))
                if (const std::optional<uint32_t> guid = ObjectFieldValue(chunk->Bytes(), "guid"))
                    guids.insert(*guid);
    }
    return guids;
}

IffEditResult IffEditService::Clone(const CloneRequest& request, const std::set<uint32_t>& usedGuids,
                                    IffEditService& clone, std::vector<uint32_t>& guids)
{
    guids.clear();
    MemoryStream image(kImageGrowth);
    switch (WriteImage(image)) {
    case IffSaveResult::Saved: break;
    case IffSaveResult::NoContainer: return IffEditResult::Refused("No IFF file is open.");
    default: return IffEditResult::Refused("A chunk of the file cannot be read whole, so the file cannot be copied.");
    }
    if (clone.Open(image.Bytes()) != IffOpenResult::Opened)
        return IffEditResult::Refused("The copy of the file cannot be read back.");
    const std::vector<CIffChunk*> objects = clone.ChunksOfType(kTypeObjd);
    if (objects.empty())
        return IffEditResult::Refused("The file holds no object definition (OBJD) to clone.");
    std::set<uint32_t> taken = usedGuids;
    for (const uint32_t guid : request.guids)
        if (guid == 0 || !taken.insert(guid).second)
            return IffEditResult::Refused("The GUID " + Hex32(guid) + " is already used by an object of the archive.");
    taken = usedGuids;

    std::random_device seed;
    std::mt19937 random(seed());
    std::set<uint16_t> catalogueIds;
    for (size_t nth = 0; nth < objects.size(); ++nth) {
        CIffChunk* objd = objects[nth];
        uint32_t guid = nth < request.guids.size() ? request.guids[nth] : 0;
        while (guid == 0 || taken.contains(guid))
            guid = static_cast<uint32_t>(random());
        taken.insert(guid);
        const uint16_t id = objd->Id();
        for (const auto& [field, value] :
             {std::pair<std::string_view, std::string>{"guid", Hex32(guid)},
              std::pair<std::string_view, std::string>{"price", request.price ? std::to_string(*request.price) : ""}}) {
            if (value.empty())
                continue;
            // Each OBJD by itself: every object of the file gets the price.
            const IffEditResult set = clone.SetObjectField(id, field, value);
            if (!set.done)
                return set;
        }
        guids.push_back(guid);
        if (const std::optional<uint32_t> strings = ObjectFieldValue(clone.Find(kTypeObjd, id)->Bytes(), "catalogue strings id"))
            if (clone.Find(kTypeCtss, static_cast<uint16_t>(*strings)) != nullptr)
                catalogueIds.insert(static_cast<uint16_t>(*strings));
    }
    if ((request.name || request.description) && catalogueIds.empty())
        return IffEditResult::Refused("No CTSS chunk holds the catalogue text: no OBJD's \"catalogue strings id\" names one.");
    for (const auto& [nth, text] : {std::pair<size_t, const std::optional<std::string>*>{0, &request.name},
                                    std::pair<size_t, const std::optional<std::string>*>{1, &request.description}}) {
        if (!*text)
            continue;
        std::string message;
        const std::optional<std::string> bytes = ToLatin1(**text, message);
        if (!bytes)
            return IffEditResult::Refused(message);
        for (const uint16_t id : catalogueIds) {
            const IffEditResult set =
                clone.EditStrings(kTypeCtss, id, [&, nth = nth](StringTable& table) { return SetCatalogueString(table, nth, *bytes); });
            if (!set.done)
                return set;
        }
    }
    return IffEditResult::Done();
}

IffOpenResult IffEditService::OpenEntry(CVornDoc& document, std::string_view path)
{
    Reset();
    CFarDirectoryTree& tree = document.Tree();
    MemoryStream bytes(kImageGrowth);
    if (!tree.WriteEntryData(path, bytes))
        return IffOpenResult::CantRead;
    const IffOpenResult opened = Open(bytes.Bytes());
    if (opened != IffOpenResult::Opened)
        return opened;
    const std::optional<FarFileItem> item = tree.GetFileItem(path);
    if (!item || tree.EntryOfItem(*item) == nullptr) {
        Reset();
        return IffOpenResult::NoEntry;
    }
    document_ = &document;
    entryIndex_ = static_cast<size_t>(item->entryIndex);
    entryPath_ = std::string(path);
    return IffOpenResult::Opened;
}

std::span<const std::unique_ptr<CIffChunk>> IffEditService::Chunks() const
{
    const CIffFile* container = Container();
    if (container == nullptr)
        return {};
    return container->Chunks();
}

CIffChunk* IffEditService::Find(uint32_t type, uint16_t id) const
{
    return IsOpen() ? file_->Find(type, id) : nullptr;
}

std::vector<CIffChunk*> IffEditService::ChunksOfType(uint32_t type) const
{
    return IsOpen() ? file_->ChunksOfType(type) : std::vector<CIffChunk*>{};
}

std::optional<std::span<const uint8_t>> IffEditService::Data(CIffChunk& chunk)
{
    if (!IsOpen() || !file_->LoadChunk(chunk))
        return std::nullopt;
    return chunk.Bytes();
}

const CObjectCatalogue& IffEditService::Catalogue()
{
    // Rebuilt in place after an edit: whoever holds the catalogue keeps it.
    if (!catalogue_ || catalogueStale_) {
        if (!catalogue_)
            catalogue_.emplace();
        catalogue_->Clear();
        if (IsOpen())
            catalogue_->Build(file_.get());
        catalogueStale_ = false;
    }
    return *catalogue_;
}

IffSaveResult IffEditService::WriteImage(MemoryStream& image)
{
    // Without the container there is nothing to write; an empty file would
    // replace the user's object.
    if (!IsOpen())
        return IffSaveResult::NoContainer;
    // Unchanged, the file keeps its own bytes: its header, its map and
    // whatever lies between chunks are the writer's business only after an edit.
    if (!Changed()) {
        image.Truncate(0);
        image.Seek(0, SeekOrigin::Begin);
        return image.Write(baseline_.data(), baseline_.size()) ? IffSaveResult::Saved : IffSaveResult::CantStore;
    }
    if (!file_->LoadAll())
        return IffSaveResult::CantLoad;
    if (!file_->Save(image))
        return IffSaveResult::CantStore;
    TakeBaseline(image.Bytes());
    return IffSaveResult::Saved;
}

IffSaveResult IffEditService::SaveToEntry()
{
    MemoryStream image(kImageGrowth);
    const IffSaveResult written = WriteImage(image);
    if (written != IffSaveResult::Saved)
        return written;
    // The entry keeps its bytes unless the whole new file was written and taken.
    if (document_ == nullptr || !entryIndex_ || !document_->Archive().SetData(*entryIndex_, image))
        return IffSaveResult::CantStore;
    return IffSaveResult::Saved;
}

bool IffEditService::IsEntryReadOnly() const
{
    return document_ != nullptr && document_->IsReadOnly();
}

IffSaveResult IffEditService::SaveAs(CVornDoc& document, std::string_view path)
{
    MemoryStream image(kImageGrowth);
    const IffSaveResult written = WriteImage(image);
    if (written != IffSaveResult::Saved)
        return written;
    image.Seek(0, SeekOrigin::Begin);
    if (!document.Tree().AddFile(path, image, true))
        return IffSaveResult::CantStore;
    return IffSaveResult::Saved;
}

} // namespace vorn

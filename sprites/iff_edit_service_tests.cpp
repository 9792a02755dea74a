#include "sprites/iff_edit_service.h"

#include "archive/vorn_doc.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "base/endian.h"
#include "iff/iff_file_table.h"
#include "iff/object_fields.h"
#include "iff/type_codes.h"
#include "testing/iff_fixtures.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using namespace vorn::testing;

std::vector<uint8_t> ObjectFile()
{
    IffFileLayout layout;
    layout.chunks = {
        {"OBJD", 128, 0x10, "Lamp", BuildObjd({138, 100, 1, 0, 0})},
        {"STR#", 300, 0x10, "strings", BuildStringTable(StrLayout::Plain, {{"on", ""}, {"off", ""}})},
        {"PALT", 9, 0x10, "palette", BuildPalt({1, 2, 3})},
    };
    return BuildIffFile(layout);
}

std::vector<uint8_t> Bytes(std::span<const uint8_t> span) { return {span.begin(), span.end()}; }

class IffEditServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        original = ObjectFile();
        MemoryStream stream(original);
        const auto item = doc.Tree().AddFile("objects\\lamp.iff", stream, true);
        ASSERT_TRUE(item.has_value());
        entry = static_cast<size_t>(item->entryIndex);
    }

    std::vector<uint8_t> EntryBytes() const { return Bytes(doc.Archive().BytesOf(entry)); }

    RecordingMessenger messenger;
    CVornDoc doc{messenger};
    size_t entry = 0;
    std::vector<uint8_t> original;
};

TEST_F(IffEditServiceTest, AnEntrySavedInsideAStepIsUndoneAndRedoneByTheDocument)
{
    IffEditService service;
    ASSERT_EQ(service.OpenEntry(doc, "OBJECTS\\Lamp.iff"), IffOpenResult::Opened);
    EXPECT_EQ(service.EntryIndex(), entry);
    ASSERT_EQ(service.Catalogue().Entries().size(), 1u);
    EXPECT_EQ(service.Catalogue().Entries()[0].label, "Lamp");
    EXPECT_EQ(service.Catalogue().File(), service.File());

    CIffChunk* strings = service.Find(MakeTypeCode("STR#"), 300);
    ASSERT_NE(strings, nullptr);
    const std::optional<std::span<const uint8_t>> data = service.Data(*strings);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(Bytes(*data), BuildStringTable(StrLayout::Plain, {{"on", ""}, {"off", ""}}));
    const std::vector<uint8_t> edited = BuildStringTable(StrLayout::Plain, {{"an", ""}, {"aus", ""}});
    ASSERT_TRUE(strings->Assign(edited));

    doc.BeginEdit("Save Changes to \"lamp.iff\"");
    ASSERT_EQ(service.SaveToEntry(), IffSaveResult::Saved);
    std::unique_ptr<DocumentEdit> step = doc.EndEdit();
    ASSERT_NE(step, nullptr);
    EXPECT_TRUE(doc.IsModified());
    MemoryStream image(64);
    ASSERT_EQ(service.WriteImage(image), IffSaveResult::Saved);
    const std::vector<uint8_t> saved = EntryBytes();
    EXPECT_EQ(saved, Bytes(image.Bytes()));

    // What was saved is the edited file, readable again.
    IffEditService reread;
    ASSERT_EQ(reread.Open(saved), IffOpenResult::Opened);
    CIffChunk* back = reread.Find(MakeTypeCode("STR#"), 300);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Bytes(*reread.Data(*back)), edited);

    doc.UndoEdit(*step);
    EXPECT_EQ(EntryBytes(), original);
    doc.RedoEdit(*step);
    EXPECT_EQ(EntryBytes(), saved);
}

TEST_F(IffEditServiceTest, NothingIsWrittenWithoutAContainerOrAnEntry)
{
    IffEditService service;
    EXPECT_EQ(service.SaveToEntry(), IffSaveResult::NoContainer);
    EXPECT_TRUE(service.Chunks().empty());
    EXPECT_TRUE(service.Catalogue().Entries().empty());
    EXPECT_EQ(service.OpenEntry(doc, "objects\\missing.iff"), IffOpenResult::CantRead);
    MemoryStream text(std::vector<uint8_t>{'n', 'o', 't'});
    ASSERT_TRUE(doc.Tree().AddFile("notes.iff", text, true).has_value());
    EXPECT_EQ(service.OpenEntry(doc, "notes.iff"), IffOpenResult::NotIff);
    EXPECT_FALSE(service.IsOpen());

    // Opened from bytes: there is no entry to write back to.
    ASSERT_EQ(service.Open(original), IffOpenResult::Opened);
    EXPECT_EQ(service.SaveToEntry(), IffSaveResult::CantStore);

    // The container went away under the service: an empty file must not
    // replace the user's object.
    ASSERT_EQ(service.OpenEntry(doc, "objects\\lamp.iff"), IffOpenResult::Opened);
    ASSERT_TRUE(IffFileTable::Instance().Close(service.File()->Handle()));
    EXPECT_EQ(service.SaveToEntry(), IffSaveResult::NoContainer);
    EXPECT_EQ(service.Find(kTypeObjd, 128), nullptr);
    EXPECT_EQ(EntryBytes(), original);

    // The entry went away: the archive refuses, nothing changes.
    ASSERT_EQ(service.OpenEntry(doc, "objects\\lamp.iff"), IffOpenResult::Opened);
    ASSERT_TRUE(doc.Archive().MarkDeleted(entry));
    EXPECT_EQ(service.SaveToEntry(), IffSaveResult::CantStore);
    EXPECT_EQ(EntryBytes(), original);
}

TEST_F(IffEditServiceTest, SaveAsAddsOrReplacesANamedEntry)
{
    IffEditService service;
    ASSERT_EQ(service.Open(original), IffOpenResult::Opened);
    ASSERT_EQ(service.SaveAs(doc, "copies\\lamp2.iff"), IffSaveResult::Saved);
    MemoryStream image(64);
    ASSERT_EQ(service.WriteImage(image), IffSaveResult::Saved);
    MemoryStream copy(64);
    ASSERT_TRUE(doc.Tree().WriteEntryData("copies\\lamp2.iff", copy));
    EXPECT_EQ(Bytes(copy.Bytes()), Bytes(image.Bytes()));
    ASSERT_EQ(service.SaveAs(doc, "objects\\lamp.iff"), IffSaveResult::Saved);
    EXPECT_EQ(doc.Archive().EntryCount(), 2u);
}

// A two-tile object (leader 128, tile 129) whose catalogue text is CTSS 2000
// in two languages, a single object 130 of only 40 bytes, a draw group the
// leader names, and a string table whose count overruns it.
std::vector<uint8_t> EditableFile()
{
    std::vector<uint8_t> leader = BuildObjd({138, 100, 1, 5, -1});
    StoreLE16(&leader[82], 2000); // catalogue strings id
    StoreLE16(&leader[36], 50);   // price
    std::vector<uint8_t> tile = BuildObjd({138, 101, 1, 5, 0x0001});
    StoreLE16(&tile[36], 50);
    IffFileLayout layout;
    layout.chunks = {
        {"OBJD", 128, 0x10, "Table", leader},
        {"OBJD", 129, 0x10, "Table - tile", tile},
        {"OBJD", 130, 0x10, "Short", BuildObjd({138, 0, 0, 0, 0}, 40)},
        {"CTSS", 2000, 0x10, "catalogue",
         BuildStringTable(StrLayout::Languages, {{"Table", "", 1}, {"A table.", "", 1}, {"Tisch", "", 4}}, 1, {0xA3})},
        {"STR#", 300, 0x10, "strings", BuildStringTable(StrLayout::Plain, {{"on", ""}, {"off", ""}})},
        {"STR#", 301, 0x10, "cut", {0xFD, 0xFF, 0x09, 0x00, 1, 'a', 0}},
        {"DGRP", 100, 0x10, "graphic", BuildDgrp(20004, {})},
    };
    return BuildIffFile(layout);
}

std::vector<uint8_t> ChunkBytes(IffEditService& service, const char (&type)[5], uint16_t id)
{
    CIffChunk* chunk = service.Find(MakeTypeCode(type), id);
    return chunk != nullptr ? Bytes(*service.Data(*chunk)) : std::vector<uint8_t>{};
}

std::vector<uint8_t> Image(IffEditService& service)
{
    MemoryStream image(64);
    EXPECT_EQ(service.WriteImage(image), IffSaveResult::Saved);
    return Bytes(image.Bytes());
}

TEST(IffEdits, StringsAreSetInTheirLayoutAndWhatCannotBeStoredIsRefusedByName)
{
    IffEditService service;
    ASSERT_EQ(service.Open(EditableFile()), IffOpenResult::Opened);
    const uint32_t str = MakeTypeCode("STR#");
    EXPECT_TRUE(service.SetString(str, 300, 1, StringPart::Text, "aus \xC3\xA9t\xC3\xA9").done);
    EXPECT_EQ(ChunkBytes(service, "STR#", 300), BuildStringTable(StrLayout::Plain, {{"on", ""}, {"aus \xE9t\xE9", ""}}));
    const std::vector<uint8_t> before = Image(service);

    const IffEditResult euro = service.SetString(str, 300, 0, StringPart::Text, "5 \xE2\x82\xAC");
    EXPECT_FALSE(euro.done);
    EXPECT_EQ(euro.message, "The character \"\xE2\x82\xAC\" (U+20AC) cannot be stored: the file's text is Latin-1.");
    const IffEditResult comment = service.SetString(str, 300, 0, StringPart::Comment, "c");
    EXPECT_EQ(comment.message, "A table of the layout 0xFFFF (strings) has no place for a comment.");
    const IffEditResult cut = service.SetString(str, 301, 0, StringPart::Text, "b");
    EXPECT_EQ(cut.message, "The STR# 301 chunk can't be read as a string table (a count or a string runs past the end "
                           "of the chunk); it is left as it is.");
    EXPECT_FALSE(service.SetString(str, 300, 0, StringPart::Language, "x").done);
    EXPECT_FALSE(service.SetString(str, 999, 0, StringPart::Text, "x").done);
    EXPECT_FALSE(service.SetString(kTypeRsmp, 0, 0, StringPart::Text, "x").done);
    EXPECT_EQ(Image(service), before) << "refusals changed nothing";
}

TEST(IffEdits, FieldsOfTheWholeObjectChangeOnEveryTileAndAShortDefinitionGrows)
{
    IffEditService service;
    ASSERT_EQ(service.Open(EditableFile()), IffOpenResult::Opened);
    const IffEditResult price = service.SetObjectField(129, "price", "1200");
    ASSERT_TRUE(price.done);
    EXPECT_NE(price.message.find("changed with it"), std::string::npos) << price.message;
    for (uint16_t id : {128, 129})
        EXPECT_EQ(ObjectFieldValue(ChunkBytes(service, "OBJD", id), "price"), 1200u) << id;
    // A GUID is each tile's own.
    ASSERT_TRUE(service.SetObjectField(128, "guid", "0xCAFE0001").done);
    EXPECT_EQ(ObjectFieldValue(ChunkBytes(service, "OBJD", 128), "guid"), 0xCAFE0001u);
    EXPECT_EQ(ObjectFieldValue(ChunkBytes(service, "OBJD", 129), "guid"), 0u);

    const IffEditResult inside = service.SetObjectField(130, "price", "7");
    ASSERT_TRUE(inside.done);
    EXPECT_EQ(inside.message, "");
    EXPECT_EQ(ChunkBytes(service, "OBJD", 130).size(), 40u);
    const IffEditResult grown = service.SetObjectField(130, "catalogue strings id", "2000");
    ASSERT_TRUE(grown.done);
    EXPECT_EQ(grown.message,
              "OBJD 130 was 40 bytes long, too short for the field \"catalogue strings id\": it now has 84 bytes.");
    EXPECT_EQ(ObjectFieldValue(ChunkBytes(service, "OBJD", 130), "catalogue strings id"), 2000u);

    const std::vector<uint8_t> before = Image(service);
    EXPECT_EQ(service.SetObjectField(128, "price", "65536").message,
              "65536 is beyond the range of the field \"price\": 0 to 65535.");
    EXPECT_EQ(service.SetObjectField(128, "prize", "1").message, "An OBJD has no field \"prize\".");
    EXPECT_FALSE(service.SetObjectField(128, "sub index", "-40000").done);
    EXPECT_FALSE(service.SetObjectField(131, "price", "1").done);
    EXPECT_EQ(Image(service), before);
}

TEST(IffEdits, ChunksAreReplacedDeletedCopiedRenumberedAndAddedAndTheOthersKeepTheirBytes)
{
    IffEditService service;
    ASSERT_EQ(service.Open(EditableFile()), IffOpenResult::Opened);
    const uint32_t str = MakeTypeCode("STR#");
    const std::vector<uint8_t> cut = ChunkBytes(service, "STR#", 301);
    ASSERT_TRUE(service.ReplaceChunkData(str, 300, {}).done);
    uint16_t copy = 0;
    ASSERT_TRUE(service.DuplicateChunk(str, 301, copy).done);
    EXPECT_EQ(copy, 302);
    EXPECT_EQ(ChunkBytes(service, "STR#", 302), cut);
    EXPECT_EQ(service.Find(str, 302)->Label(), "cut");
    EXPECT_EQ(service.ChangeChunkId(str, 302, 301).message, "The id 301 is taken by another STR# chunk.");
    EXPECT_EQ(service.ChangeChunkId(kTypeDgrp, 100, 90).message, "Named by OBJD 128: references are not rewritten.");
    ASSERT_TRUE(service.DeleteChunk(str, 301).done);
    ASSERT_TRUE(service.SetChunkLabel(str, 302, "\xC3\xA9tiquette").done);
    EXPECT_FALSE(service.SetChunkLabel(str, 302, std::string(64, 'x')).done);
    ASSERT_TRUE(service.AddChunk("BHAV", 4096).done);
    EXPECT_FALSE(service.AddChunk("BHAV", 4096).done);
    EXPECT_FALSE(service.AddChunk("BHAVX", 1).done);
    EXPECT_FALSE(service.DeleteChunk(kTypeRsmp, 0).done);

    // What the writer makes of it is what the fixture writer makes of the same chunks.
    IffEditService written;
    ASSERT_EQ(written.Open(Image(service)), IffOpenResult::Opened);
    IffEditService source;
    ASSERT_EQ(source.Open(EditableFile()), IffOpenResult::Opened);
    IffFileLayout expected;
    for (const char* type : {"OBJD", "CTSS"})
        for (CIffChunk* chunk : source.ChunksOfType(MakeTypeCode(*reinterpret_cast<const char(*)[5]>(type))))
            expected.chunks.push_back({type, chunk->Id(), chunk->Flags(), chunk->Label(), Bytes(*source.Data(*chunk))});
    expected.chunks.push_back({"STR#", 300, 0x10, "strings", {}});
    expected.chunks.push_back({"DGRP", 90, 0x10, "graphic", BuildDgrp(20004, {})});
    expected.chunks.push_back({"STR#", 302, 0x10, "\xE9tiquette", cut});
    expected.chunks.push_back({"BHAV", 4096, 0x10, "", {}});
    EXPECT_EQ(Image(written), BuildIffFile(expected));
}

TEST(IffEdits, PaletteColoursChangeInPlaceAndOnlyInAReadablePaletteOfTheirRange)
{
    // Version 0 with bytes after the colours, as some object files store it.
    std::vector<uint8_t> palette = BuildPalt({1, 2, 3}, 0);
    palette.insert(palette.end(), {0xAA, 0xBB});
    IffFileLayout layout;
    layout.chunks = {{"PALT", 9, 0x10, "palette", palette}, {"PALT", 10, 0x10, "short", BuildPalt({}, 1, 16)}};
    IffEditService service;
    ASSERT_EQ(service.Open(BuildIffFile(layout)), IffOpenResult::Opened);

    const std::vector<uint8_t> last = {250, 251, 252};
    ASSERT_TRUE(service.SetPaletteColours(9, 255, last).done);
    ASSERT_TRUE(service.SetPaletteColours(9, 1, std::vector<uint8_t>{7, 8, 9, 10, 11, 12}).done);
    std::vector<uint8_t> expected = palette;
    std::copy(last.begin(), last.end(), expected.begin() + 16 + 3 * 255);
    for (uint8_t i = 0; i < 6; ++i)
        expected[16 + 3 + i] = static_cast<uint8_t>(7 + i);
    EXPECT_EQ(ChunkBytes(service, "PALT", 9), expected);

    // Past colour 255, a partial colour, a count other than 256: refused, nothing changed.
    EXPECT_EQ(service.SetPaletteColours(9, 255, std::vector<uint8_t>(6)).message, "A PALT holds colours 0 to 255 only.");
    EXPECT_FALSE(service.SetPaletteColours(9, 257, {}).done);
    EXPECT_FALSE(service.SetPaletteColours(9, 0, std::vector<uint8_t>(4)).done);
    EXPECT_EQ(service.SetPaletteColours(10, 0, last).message, "PALT 10 is not a palette of 256 colours that can be read!");
    EXPECT_EQ(service.SetPaletteColours(11, 0, last).message, "No PALT chunk has the id 11!");
    EXPECT_EQ(ChunkBytes(service, "PALT", 9), expected);
}

TEST(IffEdits, RenumberingASpriteNamesTheDrawGroupsThatPlaceItAndFreeIdsWrapAround)
{
    IffFileLayout layout;
    layout.chunks = {
        {"SPR2", 40, 0x10, "sprite", {}},
        {"SPR2", 65535, 0x10, "last", {}},
        {"DGRP", 100, 0x10, "places 40", BuildDgrp(20004, {{0x01, 1, {{-3, 40, 0, 0, 0, 0, 0, 0, 0}}}})},
        {"DGRP", 101, 0x10, "places 7", BuildDgrp(20001, {{0x01, 1, {{-3, 7, 0, 0, 0, 0, 0, 0, 0}}}})},
    };
    IffEditService service;
    ASSERT_EQ(service.Open(BuildIffFile(layout)), IffOpenResult::Opened);
    const IffEditResult renumbered = service.ChangeChunkId(kTypeSpr2, 40, 41);
    ASSERT_TRUE(renumbered.done);
    EXPECT_EQ(renumbered.message, "Named by DGRP 100: references are not rewritten.");
    EXPECT_EQ(service.ChangeChunkId(kTypeSpr2, 41, 42).message, "") << "nothing places 41";
    EXPECT_EQ(service.FreeId(kTypeSpr2, 65535), 0);
    EXPECT_EQ(service.FreeId(kTypeSpr2, 41), 43);
    EXPECT_EQ(service.FreeId(kTypeDgrp, 99), 102);
}

// A file whose chunks stop short of its end would lose its tail when written
// back: every edit is refused with the place, and nothing changes.
TEST(IffEdits, ADamagedFileIsNotEdited)
{
    IffFileLayout layout;
    layout.chunks = {{"STR#", 300, 0x10, "strings", BuildStringTable(StrLayout::Plain, {{"on", ""}})}};
    std::vector<uint8_t> file = BuildIffFile(layout);
    const size_t end = file.size();
    file.insert(file.end(), {'S', 'T', 'R', '#', 0, 0});
    IffEditService service;
    ASSERT_EQ(service.Open(file), IffOpenResult::Opened);
    EXPECT_EQ(service.Damage(), "The file stops making sense at byte " + std::to_string(end) +
                                    ": 6 bytes are left, too few for a chunk header!");
    const std::string refusal = service.Damage() + " The file is not edited, so nothing past that point is lost.";
    const uint32_t str = MakeTypeCode("STR#");
    uint16_t copy = 0;
    for (const IffEditResult& result :
         {service.SetString(str, 300, 0, StringPart::Text, "off"), service.ReplaceChunkData(str, 300, {}),
          service.DeleteChunk(str, 300), service.DuplicateChunk(str, 300, copy), service.ChangeChunkId(str, 300, 1),
          service.SetChunkLabel(str, 300, "x"), service.AddChunk("BHAV", 1)}) {
        EXPECT_FALSE(result.done);
        EXPECT_EQ(result.message, refusal);
    }
    EXPECT_FALSE(service.Changed());
    EXPECT_EQ(Image(service), file);
}

TEST(IffEdits, AFileSavedUnchangedKeepsItsOwnBytesEvenWhereTheWriterWouldDiffer)
{
    IffFileLayout layout;
    layout.map = IffMapPlacement::BeforeChunks;
    layout.chunks = {{"STR#", 300, 0x10, "strings", BuildStringTable(StrLayout::Plain, {{"on", ""}})}};
    const std::vector<uint8_t> file = BuildIffFile(layout);
    IffEditService service;
    ASSERT_EQ(service.Open(file), IffOpenResult::Opened);
    EXPECT_FALSE(service.Changed());
    EXPECT_EQ(Image(service), file);
    // An edit put back by hand is no change either.
    ASSERT_TRUE(service.SetString(MakeTypeCode("STR#"), 300, 0, StringPart::Text, "off").done);
    EXPECT_TRUE(service.Changed());
    ASSERT_TRUE(service.SetString(MakeTypeCode("STR#"), 300, 0, StringPart::Text, "on").done);
    EXPECT_EQ(Image(service), file);
}

TEST(IffEdits, ACloneGetsNewUnusedGuidsItsCatalogueTextAndPriceAndTheSourceStays)
{
    IffEditService service;
    const std::vector<uint8_t> file = EditableFile();
    ASSERT_EQ(service.Open(file), IffOpenResult::Opened);
    CloneRequest request;
    request.name = "Caf\xC3\xA9 table";
    request.description = "A new table.";
    request.price = 999;
    IffEditService clone;
    std::vector<uint32_t> guids;
    const std::set<uint32_t> used = {0, 0xCAFE0001};
    ASSERT_TRUE(service.Clone(request, used, clone, guids).done);
    ASSERT_EQ(guids.size(), 3u);
    EXPECT_EQ(std::set<uint32_t>(guids.begin(), guids.end()).size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const uint16_t id = static_cast<uint16_t>(128 + i);
        EXPECT_FALSE(used.contains(guids[i]));
        EXPECT_EQ(ObjectFieldValue(ChunkBytes(clone, "OBJD", id), "guid"), guids[i]);
        EXPECT_EQ(ObjectFieldValue(ChunkBytes(clone, "OBJD", id), "price"), 999u);
    }
    // Every language gets the text; the one without a description gains it.
    EXPECT_EQ(ChunkBytes(clone, "CTSS", 2000),
              BuildStringTable(StrLayout::Languages,
                               {{"Caf\xE9 table", "", 1}, {"A new table.", "", 1}, {"Caf\xE9 table", "", 4}, {"A new table.", "", 4}},
                               1, {0xA3}));
    EXPECT_EQ(ChunkBytes(clone, "DGRP", 100), BuildDgrp(20004, {}));
    // What a dialog reads back to show: the first language's text, in UTF-8.
    const CloneRequest shown = clone.CatalogueText();
    EXPECT_EQ(shown.name, "Caf\xC3\xA9 table");
    EXPECT_EQ(shown.description, "A new table.");
    EXPECT_EQ(shown.price, 999u);
    EXPECT_FALSE(service.Changed());
    EXPECT_EQ(Image(service), file);

    request.guids = {0xCAFE0001};
    EXPECT_EQ(service.Clone(request, used, clone, guids).message,
              "The GUID CAFE0001 is already used by an object of the archive.");
    request.guids = {0x12345678, 0x12345678};
    EXPECT_FALSE(service.Clone(request, used, clone, guids).done);
    // GUIDs given for the first objects are used in order, the rest drawn.
    request.guids = {0x12345678, 0x9ABCDEF0};
    ASSERT_TRUE(service.Clone(request, used, clone, guids).done);
    EXPECT_EQ(guids[0], 0x12345678u);
    EXPECT_EQ(guids[1], 0x9ABCDEF0u);
    EXPECT_FALSE(used.contains(guids[2]));
}

TEST_F(IffEditServiceTest, TheArchivesGuidsAreGatheredFromEveryObjectFile)
{
    std::vector<uint8_t> objd = BuildObjd({138, 0, 0, 0, 0});
    StoreLE32(&objd[28], 0x0BADF00D);
    IffFileLayout layout;
    layout.chunks = {{"OBJD", 1, 0x10, "other", objd}};
    MemoryStream other(BuildIffFile(layout));
    ASSERT_TRUE(doc.Tree().AddFile("objects\\OTHER.IFF", other, true).has_value());
    MemoryStream text(BytesOf("not an object"));
    ASSERT_TRUE(doc.Tree().AddFile("objects\\broken.iff", text, true).has_value());
    EXPECT_EQ(IffEditService::ArchiveGuids(doc.Archive(), doc.Tree()), (std::set<uint32_t>{0, 0x0BADF00D}));
}

} // namespace
} // namespace vorn

#include "sprites/iff_edit_service.h"

#include "archive/vorn_doc.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "iff/iff_file_table.h"
#include "iff/type_codes.h"
#include "testing/iff_fixtures.h"

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

} // namespace
} // namespace vorn

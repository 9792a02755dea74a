#include "archive/vorn_doc.h"

#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "testing/archive_contents.h"
#include "testing/far_fixture.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace vorn {
namespace {

using testing::FarFixtureFile;
using testing::ReadFileBytes;
using testing::TempDir;

// Names in mixed letter case under one directory, an earlier entry hidden
// by a later one of the same name, files at several depths.
const std::vector<FarFixtureFile> kFiles = {
    {"readme.txt", "hello"},
    {"Objects\\Chair.iff", "chair"},
    {"OBJECTS\\table.iff", "table!"},
    {"objects\\Deep\\Lamp.iff", "lamp!"},
    {"objects\\Deep\\lamp.IFF", "lamp two"},
    {"sounds\\a.xa", "xa bytes"},
    {"sounds\\b.xa", "more xa"},
};

// The tree as the panes show it: every directory's path, then its files
// (name and entry) in order, depth first.
std::string Dump(const CFarDirectory& directory)
{
    std::string text = "[" + directory.Path() + "]";
    for (const FarFileItem& item : directory.Files())
        text += " " + item.name + "#" + std::to_string(item.entryIndex);
    for (const CFarDirectory& child : directory.Subdirectories())
        text += " " + Dump(child);
    return text;
}

MemoryStream Bytes(const std::string& text)
{
    MemoryStream stream;
    stream.Write(text.data(), text.size());
    return stream;
}

struct EditKind {
    const char* label;
    std::function<bool(CVornDoc&)> edit;
};

const std::vector<EditKind> kEdits = {
    {"remove file", [](CVornDoc& doc) { return doc.Tree().RemoveFile("objects\\Chair.iff"); }},
    {"delete directory", [](CVornDoc& doc) { return doc.Tree().DeleteDirectory("objects"); }},
    {"rename file", [](CVornDoc& doc) { return doc.Tree().RenameFile("sounds\\a.xa", "sounds\\z.xa"); }},
    // Entries spelled "Objects", "OBJECTS" and "objects" must get their own spellings back.
    {"rename directory", [](CVornDoc& doc) { return doc.Tree().RenameDirectory("objects", "things"); }},
    {"move file", [](CVornDoc& doc) { return doc.Tree().MoveFileItem("readme.txt", "sounds"); }},
    {"move directory", [](CVornDoc& doc) { return doc.Tree().MoveDirectory("objects\\deep", "sounds"); }},
    {"new directory", [](CVornDoc& doc) { return doc.Tree().MakeDirectory("n\\m").has_value(); }},
    {"add files",
     [](CVornDoc& doc) {
         MemoryStream one = Bytes("new one"), two = Bytes("new two");
         return doc.Tree().MakeDirectory("dropped").has_value() &&
                doc.Tree().AddFile("dropped\\one.bin", one, false).has_value() &&
                doc.Tree().AddFile("dropped\\two.bin", two, false).has_value();
     }},
    {"overwrite file",
     [](CVornDoc& doc) {
         MemoryStream bytes = Bytes("replaced and longer");
         return doc.Tree().AddFile("sounds\\b.xa", bytes, true).has_value();
     }},
    {"save changes",
     [](CVornDoc& doc) {
         MemoryStream bytes = Bytes("edited");
         const FarFileItem* item = doc.Tree().FindFileItem("readme.txt");
         return item && doc.Archive().SetData(static_cast<size_t>(item->entryIndex), bytes);
     }},
    {"several steps in one",
     [](CVornDoc& doc) {
         MemoryStream bytes = Bytes("x");
         return doc.Tree().RenameFile("sounds\\b.xa", "sounds\\c.xa") && doc.Tree().MoveFileItem("sounds\\c.xa", "") &&
                doc.Tree().RenameDirectory("sounds", "music") &&
                doc.Tree().AddFile("music\\a.xa", bytes, true).has_value() && doc.Tree().RemoveFile("c.xa");
     }},
};

class DocumentEditTest : public ::testing::TestWithParam<EditKind> {
protected:
    void SetUp() override { testing::WriteFileBytes(Original(), testing::MakeFarImage(kFiles)); }

    std::filesystem::path Original() const { return folder_ / "original.far"; }
    // A fresh copy of the original archive, for a document of its own.
    std::filesystem::path Copy(const std::string& name) const
    {
        const std::filesystem::path path = folder_ / name;
        std::filesystem::copy_file(Original(), path, std::filesystem::copy_options::overwrite_existing);
        return path;
    }
    std::unique_ptr<CVornDoc> Open(const std::string& name)
    {
        auto doc = std::make_unique<CVornDoc>(messenger_);
        EXPECT_TRUE(doc->OpenDocument(Copy(name)));
        return doc;
    }
    std::unique_ptr<DocumentEdit> Edit(CVornDoc& doc)
    {
        doc.BeginEdit(GetParam().label);
        EXPECT_TRUE(GetParam().edit(doc));
        std::unique_ptr<DocumentEdit> edit = doc.EndEdit();
        EXPECT_NE(edit, nullptr);
        return edit;
    }
    // The bytes of a full save of the document to a new file.
    std::vector<uint8_t> SaveAs(CVornDoc& doc, const std::string& name)
    {
        EXPECT_TRUE(doc.SaveDocument(folder_ / name));
        return ReadFileBytes(folder_ / name);
    }

    TempDir folder_;
    RecordingMessenger messenger_;
};

TEST_P(DocumentEditTest, UndoAndRedoGiveTheFullSavesOfBeforeAndAfter)
{
    // What a full save writes without the edit and with it, from documents
    // that never undid anything.
    std::unique_ptr<CVornDoc> reference = Open("before.far");
    const std::string treeBefore = Dump(reference->Tree().Root());
    const std::vector<uint8_t> before = SaveAs(*reference, "before-saved.far");
    std::unique_ptr<DocumentEdit> referenceEdit = Edit(*reference);
    const std::string treeAfter = Dump(reference->Tree().Root());
    const std::vector<uint8_t> after = SaveAs(*reference, "after-saved.far");

    // No save before the edit: the deleted or replaced bytes are still only
    // in the file that the intermediate save replaces.
    std::unique_ptr<CVornDoc> doc = Open("edited.far");
    std::unique_ptr<DocumentEdit> edit = Edit(*doc);
    EXPECT_EQ(doc->IsModified(), edit->ChangesArchive());
    EXPECT_EQ(SaveAs(*doc, "edited-1.far"), after);
    doc->UndoEdit(*edit);
    EXPECT_EQ(Dump(doc->Tree().Root()), treeBefore);
    EXPECT_TRUE(doc->IsModified() || !edit->ChangesArchive());
    EXPECT_EQ(SaveAs(*doc, "edited-2.far"), before);
    doc->RedoEdit(*edit);
    EXPECT_EQ(Dump(doc->Tree().Root()), treeAfter);
    EXPECT_EQ(SaveAs(*doc, "edited-3.far"), after);
    doc->UndoEdit(*edit);
    EXPECT_EQ(SaveAs(*doc, "edited-4.far"), before);
    EXPECT_TRUE(messenger_.Messages().empty());
}

TEST_P(DocumentEditTest, UndoAndRedoGiveTheQuickSavesOfBeforeAndAfter)
{
    // A quick save of the unchanged archive, and the contents with the edit.
    std::unique_ptr<CVornDoc> reference = Open("quick-before.far");
    ASSERT_TRUE(reference->QuickSave());
    const std::vector<uint8_t> before = ReadFileBytes(folder_ / "quick-before.far");
    std::unique_ptr<DocumentEdit> referenceEdit = Edit(*reference);
    ASSERT_TRUE(reference->QuickSave());
    const auto contentsAfter = testing::LoadArchiveContents(folder_ / "quick-before.far");
    ASSERT_TRUE(contentsAfter);

    // Undone before a quick save: the file is what a quick save without the edit gives.
    std::unique_ptr<CVornDoc> doc = Open("quick.far");
    std::unique_ptr<DocumentEdit> edit = Edit(*doc);
    doc->UndoEdit(*edit);
    EXPECT_FALSE(doc->IsModified());
    ASSERT_TRUE(doc->QuickSave());
    EXPECT_EQ(ReadFileBytes(folder_ / "quick.far"), before);
    // Redone and undone around further quick saves.
    doc->RedoEdit(*edit);
    EXPECT_EQ(doc->IsModified(), edit->ChangesArchive());
    ASSERT_TRUE(doc->QuickSave());
    EXPECT_EQ(testing::LoadArchiveContents(folder_ / "quick.far"), contentsAfter);
    doc->UndoEdit(*edit);
    ASSERT_TRUE(doc->QuickSave());
    EXPECT_EQ(testing::LoadArchiveContents(folder_ / "quick.far"), testing::LoadArchiveContents(Original()));
    // And a full save after the quick saves still has every byte.
    doc->RedoEdit(*edit);
    EXPECT_EQ(SaveAs(*doc, "quick-full.far"), ReadFileBytes([&] {
                  std::unique_ptr<CVornDoc> fresh = Open("quick-reference.far");
                  std::unique_ptr<DocumentEdit> freshEdit = Edit(*fresh);
                  EXPECT_TRUE(fresh->SaveDocument(folder_ / "quick-reference-saved.far"));
                  return folder_ / "quick-reference-saved.far";
              }()));
}

INSTANTIATE_TEST_SUITE_P(EveryEditKind, DocumentEditTest, ::testing::ValuesIn(kEdits),
                         [](const ::testing::TestParamInfo<EditKind>& info) {
                             std::string name;
                             for (const char* c = info.param.label; *c; ++c)
                                 name += *c == ' ' ? '_' : *c;
                             return name;
                         });

// The modified flag follows the content through several steps and saves.
TEST(DocumentHistoryTest, ModifiedFollowsTheSavedContentAndNewStepsDropTheRedoneOnes)
{
    TempDir folder;
    testing::WriteFileBytes(folder / "a.far", testing::MakeFarImage(kFiles));
    RecordingMessenger messenger;
    CVornDoc doc(messenger);
    ASSERT_TRUE(doc.OpenDocument(folder / "a.far"));
    auto step = [&](const std::function<bool()>& change) {
        doc.BeginEdit("step");
        EXPECT_TRUE(change());
        return doc.EndEdit();
    };
    auto first = step([&] { return doc.Tree().RemoveFile("readme.txt"); });
    auto second = step([&] { return doc.Tree().RenameFile("sounds\\a.xa", "sounds\\q.xa"); });
    EXPECT_EQ(doc.GetTitle(), "a.far *");
    ASSERT_TRUE(doc.QuickSave());
    EXPECT_EQ(doc.GetTitle(), "a.far");
    doc.UndoEdit(*second);
    EXPECT_TRUE(doc.IsModified());
    doc.RedoEdit(*second);
    EXPECT_FALSE(doc.IsModified());
    doc.UndoEdit(*second);
    doc.UndoEdit(*first);
    // An empty directory changes nothing saved: the flag stays as it is.
    auto empty = step([&] { return doc.Tree().MakeDirectory("empty").has_value(); });
    EXPECT_TRUE(doc.IsModified());
    doc.UndoEdit(*empty);
    // Nothing changed by a step gives no step.
    doc.BeginEdit("nothing");
    EXPECT_FALSE(doc.Tree().RemoveFile("missing"));
    EXPECT_EQ(doc.EndEdit(), nullptr);
    // A new archive takes the history's reach away.
    doc.NewDocument();
    EXPECT_FALSE(doc.IsModified());
    first.reset();
    second.reset();
}

} // namespace
} // namespace vorn

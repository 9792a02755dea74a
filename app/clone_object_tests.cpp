#include "app/clone_object_dialog.h"

#include "app/app_test_support.h"
#include "app/command_ids.h"
#include "app/file_filter_field.h"
#include "base/endian.h"
#include "base/message_texts.h"
#include "iff/object_fields.h"
#include "iff/type_codes.h"
#include "sprites/iff_edit_service.h"
#include "testing/iff_fixtures.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>
#include <QUndoStack>

#include <map>

namespace vorn {
namespace {

using namespace vorn::testing;

constexpr uint32_t kSourceGuid = 0x11110001;
constexpr uint32_t kOtherGuid = 0x22220001;

// A two-tile lamp with its catalogue text in two languages.
std::string LampFile()
{
    std::vector<uint8_t> leader = BuildObjd({138, 100, 1, 5, -1});
    StoreLE32(&leader[28], kSourceGuid);
    StoreLE16(&leader[36], 50);   // price
    StoreLE16(&leader[82], 2000); // catalogue strings id
    std::vector<uint8_t> tile = BuildObjd({138, 101, 1, 5, 0x0001});
    StoreLE32(&tile[28], kSourceGuid + 1);
    StoreLE16(&tile[82], 2000);
    IffFileLayout layout;
    layout.chunks = {
        {"OBJD", 128, 0x10, "Lamp", leader},
        {"OBJD", 129, 0x10, "Lamp - tile", tile},
        {"CTSS", 2000, 0x10, "catalogue",
         BuildStringTable(StrLayout::Languages, {{"Lamp", "", 1}, {"A lamp.", "", 1}, {"Lampe", "", 4}}, 1)},
    };
    const std::vector<uint8_t> bytes = BuildIffFile(layout);
    return std::string(bytes.begin(), bytes.end());
}

std::string OtherFile()
{
    std::vector<uint8_t> objd = BuildObjd({138, 0, 0, 0, 0});
    StoreLE32(&objd[28], kOtherGuid);
    IffFileLayout layout;
    layout.chunks = {{"OBJD", 1, 0x10, "other", objd}};
    const std::vector<uint8_t> bytes = BuildIffFile(layout);
    return std::string(bytes.begin(), bytes.end());
}

class CloneObjectTest : public apptest::EditorTest {
protected:
    bool StartOnLamp(bool readOnly = false)
    {
        const auto path = apptest::WriteArchive(folder_, "a.far",
                                                {{"objects\\lamp.iff", LampFile()},
                                                 {"objects\\taken.iff", OtherFile()},
                                                 {"objects\\notes.iff", "not an object"}});
        QStringList arguments = {apptest::Q(path)};
        if (readOnly)
            arguments.prepend(QStringLiteral("--read-only"));
        if (!Start(arguments))
            return false;
        Left().SelectPath("objects");
        return true;
    }
    void SelectRow(const std::string& name)
    {
        for (int row = 0; row < Right().RowCount(); ++row)
            if (Right().NameOf(row) == name) {
                Right().setCurrentIndex(Right().ViewIndex(row));
                Right().SelectRows({row});
            }
    }
    QAction* Clone() { return Frame().ActionFor(ID_EDIT_CLONE_OBJECT); }
    // Every live entry's name and bytes.
    std::map<std::string, std::vector<uint8_t>> Entries()
    {
        std::map<std::string, std::vector<uint8_t>> entries;
        for (const CFarEntry& entry : Doc().Archive().Entries())
            if (!entry.isDeleted)
                entries[std::string(entry.name)] = Doc().Tree().CopyEntryData(entry.name).value_or(std::vector<uint8_t>{});
        return entries;
    }
    // Runs `answer` on the clone dialog once it shows.
    void WhenAsked(std::function<void(CloneObjectDialog&)> answer)
    {
        QTimer::singleShot(0, [this, answer] {
            auto* dialog = qobject_cast<CloneObjectDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            asked_ = true;
            answer(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }
    bool asked_ = false;
};

TEST_F(CloneObjectTest, AddsOneUndoableEntryWithNewGuidsAndTheTypedCatalogueText)
{
    ASSERT_TRUE(StartOnLamp());
    EXPECT_FALSE(Clone()->isEnabled());
    // A filter that will hide the copy.
    Frame().FilterField()->setText(QStringLiteral("lamp.iff"));
    ASSERT_EQ(Right().Filter().ShownCount(), 1);
    SelectRow("lamp.iff");
    ASSERT_TRUE(Clone()->isEnabled());
    const auto before = Entries();

    std::vector<std::string> shownGuids;
    WhenAsked([&](CloneObjectDialog& dialog) {
        EXPECT_EQ(dialog.EntryNameField()->text(), QStringLiteral("lamp copy.iff"));
        EXPECT_EQ(dialog.CatalogueNameField()->text(), QStringLiteral("Lamp"));
        EXPECT_EQ(dialog.DescriptionField()->toPlainText(), QStringLiteral("A lamp."));
        EXPECT_EQ(dialog.PriceField()->value(), 50);
        for (const QString& line : dialog.findChild<QLabel*>(QStringLiteral("guids"))->text().split('\n'))
            shownGuids.push_back(line.section(QStringLiteral("0x"), 1).toStdString());
        // A taken name is refused and the dialog stays.
        dialog.EntryNameField()->setText(QStringLiteral("TAKEN.IFF"));
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        dialog.EntryNameField()->setText(QString::fromUtf8("lamp \xE2\x82\xAC.iff"));
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        dialog.EntryNameField()->setText(QString::fromUtf8("Lampe \xC3\xA9.iff"));
        dialog.CatalogueNameField()->setText(QString::fromUtf8("Lampe \xC3\xA9"));
        dialog.PriceField()->setValue(777);
        dialog.accept();
    });
    Clone()->trigger();
    ASSERT_TRUE(asked_);
    ASSERT_EQ(messenger_.Count(), 2u);
    EXPECT_EQ(messenger_.Messages()[0].text, "\"TAKEN.IFF\" is already taken in this directory: choose another name.");
    EXPECT_EQ(messenger_.Messages()[1].text,
              "\"lamp ?.iff\" holds \"?\" (U+20AC), a character archive names cannot hold: they are Latin-1.");

    auto after = Entries();
    const std::string added = "objects\\Lampe \xE9.iff";
    ASSERT_TRUE(after.contains(added));
    // The copy's row alone is selected and current, the filter closed to show it.
    const int copyRow = Right().Model().RowOfPath(added);
    ASSERT_GE(copyRow, 0);
    EXPECT_EQ(Right().SelectedRows(), std::vector<int>{copyRow});
    EXPECT_EQ(Right().CurrentRow(), copyRow);
    EXPECT_TRUE(Frame().FilterField()->text().isEmpty());
    const std::vector<uint8_t> copy = after[added];
    after.erase(added);
    EXPECT_EQ(after, before) << "the source and every other entry stay";

    IffEditService clone;
    ASSERT_EQ(clone.Open(copy), IffOpenResult::Opened);
    const std::vector<CIffChunk*> objects = clone.ChunksOfType(kTypeObjd);
    ASSERT_EQ(objects.size(), 2u);
    ASSERT_EQ(shownGuids.size(), 2u);
    std::set<uint32_t> guids;
    for (size_t i = 0; i < 2; ++i) {
        const uint32_t guid = *ObjectFieldValue(*clone.Data(*objects[i]), "guid");
        EXPECT_EQ(std::stoul(shownGuids[i], nullptr, 16), guid) << "the dialog showed the GUID written";
        guids.insert(guid);
    }
    EXPECT_EQ(guids.size(), 2u);
    for (const uint32_t old : {0u, kSourceGuid, kSourceGuid + 1, kOtherGuid})
        EXPECT_FALSE(guids.contains(old));
    // Only what was changed is set: the German name stays, the description too.
    const CloneRequest text = clone.CatalogueText();
    EXPECT_EQ(text.name, "Lampe \xC3\xA9");
    EXPECT_EQ(text.description, "A lamp.");
    EXPECT_EQ(text.price, 777u);
    EXPECT_EQ(*ObjectFieldValue(*clone.Data(*objects[1]), "price"), 777u);

    QUndoStack& history = Adapter().Stack();
    EXPECT_EQ(history.undoText(), QStringLiteral("Clone \"lamp.iff\""));
    history.undo();
    EXPECT_EQ(Entries(), before);
    history.redo();
    EXPECT_EQ(Entries()[added], copy);
}

TEST_F(CloneObjectTest, WhatCannotBeClonedIsRefusedAndAReadOnlyArchiveGreysIt)
{
    ASSERT_TRUE(StartOnLamp());
    const auto before = Entries();
    SelectRow("notes.iff");
    ASSERT_TRUE(Clone()->isEnabled());
    Clone()->trigger();
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text, texts::kNotIff);

    // Cancel adds nothing and leaves no step.
    SelectRow("lamp.iff");
    WhenAsked([](CloneObjectDialog& dialog) { dialog.reject(); });
    Clone()->trigger();
    EXPECT_TRUE(asked_);
    EXPECT_EQ(Entries(), before);
    EXPECT_FALSE(Adapter().Stack().canUndo());

    app_.reset();
    ASSERT_TRUE(StartOnLamp(true));
    SelectRow("lamp.iff");
    EXPECT_FALSE(Clone()->isEnabled());
}

} // namespace
} // namespace vorn

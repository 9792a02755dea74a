#include "sprites/qt/preview_objects_dialog.h"

#include "archive/vorn_doc.h"
#include "base/debug_trace.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "iff/fix_colors.h"
#include "iff/iff_file_ref.h"
#include "iff/iff_file_table.h"
#include "iff/spr2_sprite.h"
#include "iff/type_codes.h"
#include "sprites/pixel_format.h"
#include "sprites/qt/object_preview.h"
#include "sprites/qt/qt_test_support.h"
#include "testing/temp_dir.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <cstdlib>
#include <fstream>

namespace vorn {
namespace {

using qt_testing::AddObject;
using qt_testing::CoverageOf;
using qt_testing::FixtureObject;

constexpr QRgb kYellow = 0xFFFFFF00;

std::vector<uint8_t> FileWith(const std::vector<FixtureObject>& objects, bool withPalette = true)
{
    testing::IffFileLayout layout;
    if (withPalette)
        layout.chunks.push_back({"PALT", 1, 0x10, "", qt_testing::RampPalette()});
    for (const FixtureObject& o : objects)
        AddObject(layout, o);
    return testing::BuildIffFile(layout);
}

// The viewer dispatch's side: the entry in a document's archive, the IFF
// file opened from its bytes, the dialog made on it.
class PreviewDialogTest : public ::testing::Test {
protected:
    void Open(const std::vector<uint8_t>& bytes)
    {
        MemoryStream stream(bytes);
        const auto item = doc.Tree().AddFile("objects\\thing.iff", stream, true);
        ASSERT_TRUE(item.has_value());
        // The entry is the fixture's starting state, not an edit of the user's.
        doc.SetModified(false);
        entry = static_cast<size_t>(item->entryIndex);
        original = bytes;
        ASSERT_EQ(service.OpenEntry(doc, "objects\\thing.iff"), IffOpenResult::Opened);
        ASSERT_EQ(service.EntryIndex(), entry);
        ASSERT_TRUE(service.HasObjects());
        dialog = std::make_unique<CPreviewObjectsDialog>(service, messenger);
        dialog->Initialise();
    }

    std::vector<uint8_t> EntryBytes() const
    {
        const auto span = doc.Archive().BytesOf(entry);
        return {span.begin(), span.end()};
    }

    QImage Picture() const
    {
        CObjectPreview* p = dialog->Preview();
        return p->Render(p->width(), p->height(), 32);
    }

    RecordingMessenger messenger;
    CVornDoc doc{messenger};
    size_t entry = 0;
    std::vector<uint8_t> original;
    IffEditService service;
    std::unique_ptr<CPreviewObjectsDialog> dialog;
};

TEST_F(PreviewDialogTest, StartsOnTheFirstObjectAtDirectionZeroAndTheNearestZoom)
{
    Open(FileWith({{128, "Lamp", 0, 0, 100, 3, 200}}));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Preview object(s)"));
    EXPECT_EQ(dialog->ObjectList()->currentText(), QStringLiteral("Lamp"));
    ASSERT_EQ(dialog->GraphicList()->count(), 3);
    EXPECT_EQ(dialog->GraphicList()->itemText(2), QStringLiteral("2"));
    EXPECT_EQ(dialog->DirectionSlider()->maximum(), 3);
    EXPECT_EQ(dialog->ZoomSlider()->maximum(), 2);
    EXPECT_EQ(dialog->ZoomSlider()->value(), 2);
    EXPECT_EQ(dialog->Preview()->Direction(), 0);
    EXPECT_EQ(dialog->Preview()->Zoom(), 3);
    EXPECT_FALSE(dialog->SaveChangesButton()->isEnabled());
    EXPECT_EQ(dialog->SaveChangesButton()->text(), QStringLiteral("Save\nChanges"));
    EXPECT_EQ(dialog->FixColorsButton()->text(), QStringLiteral("Fix\nColors"));
    // The labels keep their texts; the preview got a real size from the layout.
    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains("Graphic:") && labels.contains("Direction:") && labels.contains("Zoom:"));
    EXPECT_GE(dialog->Preview()->width(), 300);

    // Direction 0, zoom 3: a 10 x 3 frame of colour 13, centred in the preview.
    const QImage picture = Picture();
    const auto c = CoverageOf(picture, kYellow);
    EXPECT_EQ(c.right - c.left + 1, 10);
    EXPECT_EQ(c.bottom - c.top + 1, 3);
    EXPECT_EQ(picture.pixel(c.left, c.top), qRgb(13, 242, 7));
    EXPECT_LE(std::abs((c.left + c.right + 1) / 2 - picture.width() / 2), 1);
}

TEST_F(PreviewDialogTest, DirectionSliderThreeAndZoomSliderZeroDrawDirectionSixAtZoomOne)
{
    Open(FileWith({{}}));
    dialog->DirectionSlider()->setValue(3);
    dialog->ZoomSlider()->setValue(0);
    EXPECT_EQ(dialog->Preview()->Direction(), 6);
    EXPECT_EQ(dialog->Preview()->Zoom(), 1);
    const QImage picture = Picture();
    const auto c = CoverageOf(picture, kYellow);
    EXPECT_EQ(c.right - c.left + 1, 4 + 6 + 2);
    EXPECT_EQ(picture.pixel(c.left, c.top), qRgb(17, 238, 7));

    // The keyboard moves the trackbar too: Up from the last position goes back one.
    dialog->DirectionSlider()->setFocus();
    QTest::keyClick(dialog->DirectionSlider(), Qt::Key_Up);
    EXPECT_EQ(dialog->Preview()->Direction(), 4);
}

TEST_F(PreviewDialogTest, ChangingTheGraphicKeepsThePanWhileObjectDirectionAndZoomRecentre)
{
    Open(FileWith({{128, "First", 0, 0, 100, 2, 200}, {129, "Second", 0, 0, 110, 1, 210}}));
    CObjectPreview* preview = dialog->Preview();
    const PreviewPan centred = preview->Pan();
    const PreviewPan dragged{centred.x + 37, centred.y - 21};
    preview->SetPan(dragged);

    dialog->GraphicList()->setCurrentIndex(1);
    EXPECT_EQ(preview->GraphicIndex(), 1);
    EXPECT_EQ(preview->Pan(), dragged);
    // Graphic 1's frames are one row taller, drawn where the pan puts them.
    EXPECT_EQ(CoverageOf(Picture(), kYellow).bottom - CoverageOf(Picture(), kYellow).top + 1, 4);

    dialog->ZoomSlider()->setValue(1);
    EXPECT_NE(preview->Pan(), dragged);
    preview->SetPan(dragged);
    dialog->DirectionSlider()->setValue(1);
    EXPECT_NE(preview->Pan(), dragged);
    preview->SetPan(dragged);
    dialog->ObjectList()->setCurrentIndex(1);
    EXPECT_NE(preview->Pan(), dragged);
    EXPECT_EQ(preview->GraphicIndex(), 0);
    EXPECT_EQ(dialog->GraphicList()->count(), 1);
}

TEST_F(PreviewDialogTest, AMultiTileObjectIsListedOnceUnderItsLeadersLabel)
{
    // Tiles before and after their leader, and a single object after them.
    Open(FileWith({{130, "Sofa tile 1", 7, 0x0001, 120, 1, 220},
                   {129, "Sofa", 7, -1, 100, 1, 200},
                   {131, "Sofa tile 0", 7, 0x0000, 110, 2, 210},
                   {132, "Chair", 0, 0, 130, 1, 230}}));
    QStringList items;
    for (int i = 0; i < dialog->ObjectList()->count(); ++i)
        items << dialog->ObjectList()->itemText(i);
    EXPECT_EQ(items, (QStringList{"Sofa", "Chair"}));
    // The leader offers the largest graphic count of its tiles, and draws both tiles.
    EXPECT_EQ(dialog->GraphicList()->count(), 2);
    EXPECT_EQ(CoverageOf(Picture(), kYellow).count, 2 * 10 * 3);
}

TEST_F(PreviewDialogTest, WhatCannotBeDrawnIsNamedUnderThePreview)
{
    testing::IffFileLayout layout;
    layout.chunks.push_back({"PALT", 1, 0x10, "", qt_testing::RampPalette()});
    AddObject(layout, {128, "Lamp", 0, 0, 100, 2, 200});
    std::erase_if(layout.chunks, [](const testing::IffChunkDesc& c) { return c.type == "SPR2" && c.id == 201; });
    Open(testing::BuildIffFile(layout));
    dialog->Preview()->grab();
    EXPECT_TRUE(dialog->NotDrawnLabel()->text().isEmpty());
    // Graphic 1's sprite is gone: direction 0 at zoom 3 needs its frame 8.
    dialog->GraphicList()->setCurrentIndex(1);
    dialog->Preview()->grab();
    EXPECT_EQ(dialog->NotDrawnLabel()->text(), QStringLiteral("Not drawn: sprite 201 frame 8"));
    EXPECT_EQ(CoverageOf(Picture(), kYellow).count, 0) << "nothing else to draw";
    dialog->GraphicList()->setCurrentIndex(0);
    dialog->Preview()->grab();
    EXPECT_TRUE(dialog->NotDrawnLabel()->text().isEmpty());
}

TEST_F(PreviewDialogTest, FixColorsOnAFileWhoseFramesAreAllFixedLeavesSaveChangesDisabled)
{
    FixtureObject fixed;
    fixed.framePalette = kFixedPaletteId;
    Open(FileWith({fixed}));
    QTest::mouseClick(dialog->FixColorsButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->SaveChangesButton()->isEnabled());
    EXPECT_EQ(messenger.Count(), 0u);
    EXPECT_EQ(dialog->Result(), PreviewResult::NotSaved);
}

TEST_F(PreviewDialogTest, FixColorsWarnsOncePerUnreadableSpriteAndFixesTheOthers)
{
    testing::IffFileLayout layout;
    layout.chunks.push_back({"PALT", 1, 0x10, "", qt_testing::RampPalette()});
    FixtureObject object;
    object.framePalette = 9; // no such palette: drawn with the sprite's own
    AddObject(layout, object);
    layout.chunks.push_back({"SPR2", 300, 0x10, "", {1, 2, 3}});
    layout.chunks.push_back({"SPR2", 301, 0x10, "", testing::BuildSpr2(1, {}, true, 999)});
    Open(testing::BuildIffFile(layout));

    QTest::mouseClick(dialog->FixColorsButton(), Qt::LeftButton);
    const auto messages = messenger.Messages();
    ASSERT_EQ(messages.size(), 2u);
    for (const Message& m : messages)
        EXPECT_EQ(m, (Message{"Can't load one of the SPR2 resources!", "Warning", MessageIcon::Error, MessageButtons::Ok}));
    EXPECT_TRUE(dialog->SaveChangesButton()->isEnabled());
    CSpr2Sprite sprite;
    ASSERT_TRUE(sprite.Load(*service.File(), service.Find(kTypeSpr2, 200)));
    Spr2Frame frame;
    ASSERT_TRUE(sprite.GetFrame(0, frame));
    EXPECT_EQ(frame.paletteId, kFixedPaletteId);
    // Fixing alone leaves the archive as it was.
    EXPECT_EQ(EntryBytes(), original);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PreviewDialogTest, SaveChangesThenCloseReturnsOneWithTheEntryRewritten)
{
    Open(FileWith({{}}));
    QTest::mouseClick(dialog->FixColorsButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog->SaveChangesButton()->isEnabled());
    QTest::mouseClick(dialog->SaveChangesButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->SaveChangesButton()->isEnabled());
    EXPECT_TRUE(doc.IsModified());
    const std::vector<uint8_t> saved = EntryBytes();
    EXPECT_NE(saved, original);
    EXPECT_EQ(doc.Archive().Entry(entry)->size2, saved.size());

    // The entry holds the fixed file: every frame now uses its sprite's palette.
    CIffFileRef reread;
    IffParseError error = IffParseError::None;
    ASSERT_TRUE(reread.Open(saved, error, true));
    CSpr2Sprite sprite;
    ASSERT_TRUE(sprite.Load(reread, reread.Find(kTypeSpr2, 200)));
    Spr2Frame frame;
    ASSERT_TRUE(sprite.GetFrame(11, frame));
    EXPECT_EQ(frame.paletteId, kFixedPaletteId);

    dialog->show();
    dialog->close();
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(dialog->Result(), PreviewResult::Saved);
}

TEST_F(PreviewDialogTest, ClosingAfterFixColorsAloneReturnsTwoAndEnterAndEscapeDoNothing)
{
    Open(FileWith({{}}));
    dialog->show();
    QTest::mouseClick(dialog->FixColorsButton(), Qt::LeftButton);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        dialog->SaveChangesButton()->setFocus();
        QTest::keyClick(dialog->SaveChangesButton(), key);
        QTest::keyClick(dialog.get(), key);
        EXPECT_TRUE(dialog->isVisible()) << key;
    }
    // Enter on the focused Save Changes did not press it.
    EXPECT_TRUE(dialog->SaveChangesButton()->isEnabled());
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 2);
    EXPECT_EQ(EntryBytes(), original);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PreviewDialogTest, SaveChangesWithoutItsContainerWritesNothing)
{
    Open(FileWith({{}}));
    QTest::mouseClick(dialog->FixColorsButton(), Qt::LeftButton);
    // The container went away under the dialog: an empty one must not be
    // written over the user's object.
    ASSERT_TRUE(IffFileTable::Instance().Close(service.File()->Handle()));
    QTest::mouseClick(dialog->SaveChangesButton(), Qt::LeftButton);
    ASSERT_EQ(messenger.Count(), 1u);
    EXPECT_EQ(messenger.Messages()[0], (Message{"File I/O error while trying to load all resources!", "Error",
                                                MessageIcon::Error, MessageButtons::Ok}));
    EXPECT_EQ(EntryBytes(), original);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(dialog->SaveChangesButton()->isEnabled());
    EXPECT_EQ(dialog->Result(), PreviewResult::NotSaved);
    // Changing the object now shows only the background.
    dialog->ObjectList()->setCurrentIndex(0);
    EXPECT_EQ(CoverageOf(Picture(), kYellow).count, 0);
}

TEST_F(PreviewDialogTest, SaveChangesIntoAnEntryThatIsGoneLeavesEverythingAsItWas)
{
    Open(FileWith({{}}));
    QTest::mouseClick(dialog->FixColorsButton(), Qt::LeftButton);
    ASSERT_TRUE(doc.Archive().MarkDeleted(entry));
    // Only what Save Changes does counts here, not the removal the test made.
    doc.SetModified(false);
    QTest::mouseClick(dialog->SaveChangesButton(), Qt::LeftButton);
    ASSERT_EQ(messenger.Count(), 1u);
    EXPECT_EQ(messenger.Messages()[0].text, "Can't write the changes into the archive!");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(dialog->Result(), PreviewResult::NotSaved);
}

TEST_F(PreviewDialogTest, TracesThePixelTypeOfTheDisplayOrTheForcedOne)
{
    testing::TempDir folder;
    const std::string trace = (folder / "trace.txt").string();
    DebugTrace::Instance().SetFileName(trace);
    setenv(kPixelFormatVariable, "16", 1);
    Open(FileWith({{}}));
    unsetenv(kPixelFormatVariable);
    DebugTrace::Instance().SetFileName("");
    std::ifstream in(trace);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "Pixel type: t565");
}

} // namespace
} // namespace vorn

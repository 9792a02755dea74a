#include "app/resource_window.h"

#include "app/app_test_support.h"
#include "app/document_adapter.h"
#include "app/main_frame.h"
#include "archive/vorn_doc.h"
#include "app/sprite_frame_view.h"
#include "base/endian.h"
#include "base/memory_stream.h"
#include "iff/palt_palette.h"
#include "iff/type_codes.h"
#include "sprites/frame_export.h"
#include "sprites/iff_edit_service.h"
#include "sprites/palette_files.h"
#include "sprites/sprite_import.h"
#include "testing/bmp_builder.h"
#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"

#include "app/add_chunk_dialog.h"
#include "base/message_texts.h"
#include "sprites/qt/preview_objects_dialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QSpinBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QUndoStack>
#include <QLabel>
#include <QListView>
#include <QTableView>
#include <QTableWidget>

namespace vorn {
namespace {

using namespace vorn::testing;

testing::Spr2ChunkFrame Frame()
{
    testing::Spr2ChunkFrame frame;
    frame.width = 2;
    frame.height = 1;
    frame.paletteId = 9;
    // Colour 1 at depth 0x60 beside colour 7 at depth 8.
    Spr2SourceFrame source;
    source.width = 2;
    source.height = 1;
    source.colour = {1, 7};
    source.depth = {0x60, 0x08};
    frame.pixels = EncodeSpr2Pixels(source);
    return frame;
}

// Every kind the window shows; the draw group is named by no object.
std::vector<uint8_t> ResourceFile()
{
    testing::BmpLayout bmp;
    bmp.width = 3;
    bmp.height = 2;
    bmp.pixels = PadRows({{0, 0, 255, 0, 255, 0, 255, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}});
    std::vector<uint8_t> objd = BuildObjd({138, 500, 1, 0, -1});
    StoreLE16(&objd[28], 0x78B3);
    StoreLE16(&objd[30], 0x43C0);
    IffFileLayout layout;
    layout.chunks = {
        {"STR#", 300, 0x10, "names",
         BuildStringTable(StrLayout::Languages, {{"Caf\xE9", "one\r\ntwo", 1, 0}, {"Kaffee", "", 4, 0}}, 1, {0xA3})},
        {"OBJD", 128, 0x10, "Lamp", objd},
        {"SPR2", 40, 0x10, "sprite", BuildSpr2(9, {Frame()})},
        {"PALT", 9, 0x10, "palette", BuildPalt({0, 0, 0, 10, 20, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 100, 50})},
        {"DGRP", 100, 0x10, "orphan", BuildDgrp(20004, {{0x01, 1, {{-3, 40, 0, 0, 0, 0, 0, 0, 0}}}})},
        {"BMP_", 2000, 0x10, "picture", BuildBmp(bmp)},
        {"BMP_", 2001, 0x10, "broken", {'B', 'M', 0, 0}},
        {"BHAV", 4096, 0x10, "tree", {'A', 'B', 0x01, 0xFF}},
    };
    return BuildIffFile(layout);
}

class ResourceWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        apptest::TestApplication();
        service = std::make_shared<IffEditService>();
        ASSERT_EQ(service->Open(ResourceFile()), IffOpenResult::Opened);
        window = new ResourceWindow(service, QStringLiteral("thing.iff"));
    }
    void TearDown() override { delete window; }

    QWidget* Show(const char (&type)[5], uint16_t id)
    {
        EXPECT_TRUE(window->SelectChunk(MakeTypeCode(type), id)) << type << " " << id;
        return window->ChunkView();
    }

    std::shared_ptr<IffEditService> service;
    ResourceWindow* window = nullptr;
};

TEST_F(ResourceWindowTest, ListsEveryChunkSortedAndFilteredByType)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Resources - thing.iff"));
    QAbstractItemModel* list = window->ChunkList()->model();
    ASSERT_EQ(list->rowCount(), 9); // and the resource map
    EXPECT_EQ(list->index(0, 0).data().toString(), QStringLiteral("STR#"));
    EXPECT_EQ(list->index(0, 2).data().toString(), QStringLiteral("names"));
    EXPECT_EQ(list->index(0, 4).data().toString(), QStringLiteral("0x0010"));

    // Ids sort as numbers, not as text.
    window->ChunkList()->sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(list->index(0, 1).data().toInt(), 4096);
    EXPECT_EQ(list->index(1, 1).data().toInt(), 2001);

    QComboBox* filter = window->TypeFilter();
    const int bitmaps = filter->findText(QStringLiteral("BMP_"));
    ASSERT_GE(bitmaps, 0);
    filter->setCurrentIndex(bitmaps);
    EXPECT_EQ(list->rowCount(), 2);
    EXPECT_FALSE(window->SelectChunk(kTypeObjd, 128));
    filter->setCurrentIndex(0);
    EXPECT_EQ(list->rowCount(), 9);
}

TEST_F(ResourceWindowTest, EachTypeShowsAsItReads)
{
    auto* strings = Show("STR#", 300)->findChild<QTableWidget*>(QStringLiteral("table"));
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->rowCount(), 2);
    EXPECT_EQ(strings->item(0, 1)->text(), QStringLiteral("1"));
    EXPECT_EQ(strings->item(0, 2)->text(), QString::fromUtf8("Caf\xC3\xA9"));
    EXPECT_EQ(strings->item(1, 1)->text(), QStringLiteral("4"));
    // Text of several lines shows on one, escaped; the tooltip shows it as written.
    EXPECT_EQ(strings->item(0, 3)->text(), QStringLiteral("one\\r\\ntwo"));
    EXPECT_EQ(strings->item(0, 3)->toolTip(), QStringLiteral("one\r\ntwo"));

    auto* fields = qobject_cast<QTableWidget*>(Show("OBJD", 128));
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ(fields->item(13, 1)->text(), QStringLiteral("guid"));
    EXPECT_EQ(fields->item(13, 3)->text(), QStringLiteral("0x43C078B3"));
    EXPECT_EQ(fields->item(10, 1)->text(), QStringLiteral("sub index"));
    EXPECT_EQ(fields->item(10, 2)->text(), QStringLiteral("-1")) << "the sub index is signed";
    EXPECT_EQ(fields->item(10, 3)->text(), QStringLiteral("0xFFFF"));

    auto* sprite = qobject_cast<SpriteFrameView*>(Show("SPR2", 40));
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->FrameList()->count(), 1);
    sprite->ScaleList()->setCurrentIndex(2); // 4x
    QImage colour = sprite->Picture()->pixmap().toImage();
    ASSERT_EQ(colour.size(), QSize(8, 4));
    EXPECT_EQ(colour.pixel(0, 0) & 0xFFFFFF, 0x0A141Eu); // colour 1 of PALT 9
    EXPECT_EQ(colour.pixel(4, 0) & 0xFFFFFF, 0xC86432u);
    sprite->PlaneList()->setCurrentIndex(1); // depth
    const QImage depth = sprite->Picture()->pixmap().toImage();
    EXPECT_EQ(qGray(depth.pixel(0, 0)), 0x60);
    EXPECT_EQ(qGray(depth.pixel(4, 0)), 0x08);
    EXPECT_TRUE(sprite->Header()->text().contains(QStringLiteral("drawn with PALT 9")));

    // No object names this draw group: its image still shows, where it has one.
    QWidget* group = Show("DGRP", 100);
    auto* drawn = group->findChild<QLabel*>(QStringLiteral("cell1_0"));
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->pixmap().size(), QSize(2, 1));
    auto* missing = group->findChild<QLabel*>(QStringLiteral("cell3_6"));
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->text(), QStringLiteral("no image"));

    auto* swatches = qobject_cast<QTableWidget*>(Show("PALT", 9));
    ASSERT_NE(swatches, nullptr);
    EXPECT_EQ(swatches->item(0, 7)->background().color(), QColor(200, 100, 50));
    EXPECT_EQ(swatches->item(0, 1)->text(), QStringLiteral("1"));

    auto* picture = Show("BMP_", 2000)->findChild<QLabel*>(QStringLiteral("picture"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(3, 2));
    auto* invalid = qobject_cast<QLabel*>(Show("BMP_", 2001));
    ASSERT_NE(invalid, nullptr);
    EXPECT_EQ(invalid->text(), QStringLiteral("This BMP_ chunk is not a valid BMP picture."));

    auto* hex = qobject_cast<QListView*>(Show("BHAV", 4096));
    ASSERT_NE(hex, nullptr);
    EXPECT_EQ(hex->model()->index(0, 0).data().toString(),
              QStringLiteral("00000000  41 42 01 FF                                      AB.."));
}

// The editor's ways in: the list pane's "Resources" (Ctrl+R, context menu)
// and the object preview's button, which shares the preview's own file.
class ResourceWindowHooks : public apptest::EditorTest {
protected:
    bool StartOnObject(bool readOnly = false)
    {
        const std::vector<uint8_t> file = ResourceFile();
        std::vector<uint8_t> damaged = file;
        damaged.insert(damaged.end(), {'S', 'T', 'R', '#', 0, 0});
        const auto path = apptest::WriteArchive(folder_, "a.far",
                                                {{"thing.iff", std::string(file.begin(), file.end())},
                                                 {"damaged.iff", std::string(damaged.begin(), damaged.end())},
                                                 {"notes.iff", "not an object"},
                                                 {"readme.txt", "text"}});
        QStringList arguments{apptest::Q(path)};
        if (readOnly)
            arguments.prepend(QStringLiteral("--read-only"));
        return Start(arguments);
    }
    void SelectRow(const std::string& name)
    {
        for (int row = 0; row < Right().RowCount(); ++row)
            if (Right().NameOf(row) == name)
                Right().setCurrentIndex(Right().model()->index(row, 0));
    }
    // The window of an entry, opened as the list pane's Resources does.
    ResourceWindow* OpenThing(const std::string& name = "thing.iff")
    {
        SelectRow(name);
        Right().findChild<QAction*>(QStringLiteral("resources"))->trigger();
        const std::vector<ResourceWindow*> windows = Windows();
        return windows.size() == 1 ? windows[0] : nullptr;
    }
    static std::vector<ResourceWindow*> Windows()
    {
        std::vector<ResourceWindow*> windows;
        for (QWidget* widget : QApplication::allWidgets())
            if (auto* window = qobject_cast<ResourceWindow*>(widget))
                windows.push_back(window);
        return windows;
    }
};

TEST_F(ResourceWindowHooks, TheListPaneOpensAWindowForAnIffRowAndNamesAnythingElse)
{
    ASSERT_TRUE(StartOnObject());
    auto* resources = Right().findChild<QAction*>(QStringLiteral("resources"));
    ASSERT_NE(resources, nullptr);
    EXPECT_EQ(resources->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    std::unique_ptr<QMenu> menu(Right().BuildContextMenu(nullptr));
    EXPECT_TRUE(menu->actions().contains(resources));
    // Greyed while no IFF row is selected: nothing, another file, a deselected IFF row.
    EXPECT_FALSE(resources->isEnabled());
    SelectRow("readme.txt");
    EXPECT_FALSE(resources->isEnabled());
    SelectRow("thing.iff");
    EXPECT_TRUE(resources->isEnabled());
    Right().selectionModel()->clearSelection();
    EXPECT_FALSE(resources->isEnabled());
    QTest::keyClick(&Right(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(Windows().empty());

    SelectRow("thing.iff");
    resources->trigger();
    std::vector<ResourceWindow*> windows = Windows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0]->windowTitle(), QStringLiteral("Resources - thing.iff"));
    EXPECT_EQ(windows[0]->ChunkList()->model()->rowCount(), 9);
    delete windows[0];

    SelectRow("notes.iff");
    resources->trigger();
    EXPECT_TRUE(Windows().empty());
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text, texts::kNotIff);
}

TEST_F(ResourceWindowHooks, ThePreviewsButtonShowsThePreviewsOwnFile)
{
    ASSERT_TRUE(StartOnObject());
    std::vector<ResourceWindow*> opened;
    bool shown = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* preview = qobject_cast<CPreviewObjectsDialog*>(QApplication::activeModalWidget());
        if (preview == nullptr)
            return;
        timer.stop();
        ASSERT_TRUE(preview->ResourcesButton()->isVisible());
        QTest::mouseClick(preview->ResourcesButton(), Qt::LeftButton);
        opened = Windows();
        shown = !opened.empty() && opened[0]->ChunkList()->model()->rowCount() == 9 &&
                opened[0]->parentWidget() == preview;
        preview->close();
    });
    timer.start();
    SelectRow("thing.iff");
    Right().OnRowActivated(Right().currentIndex().row());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(shown) << "the preview's file, in a window of the preview's";
    EXPECT_TRUE(Windows().empty()) << "the window closes with the preview";
}

TEST_F(ResourceWindowHooks, EditsAreStepsOfTheDocumentAndTheWindowFollowsUndoAndRedo)
{
    ASSERT_TRUE(StartOnObject());
    const std::optional<std::vector<uint8_t>> original = Doc().Tree().CopyEntryData("thing.iff");
    SelectRow("thing.iff");
    Right().findChild<QAction*>(QStringLiteral("resources"))->trigger();
    ASSERT_EQ(Windows().size(), 1u);
    ResourceWindow* window = Windows()[0];
    auto strings = [&] {
        EXPECT_TRUE(window->SelectChunk(MakeTypeCode("STR#"), 300));
        return window->ChunkView()->findChild<QTableWidget*>(QStringLiteral("table"));
    };
    auto settle = [] { QApplication::processEvents(); };

    strings()->item(0, 2)->setText(QStringLiteral("Tee\\nzwei"));
    settle();
    QUndoStack& history = Frame().Adapter().Stack();
    ASSERT_EQ(history.count(), 1);
    EXPECT_EQ(history.undoText(), QStringLiteral("Edit string 0 of STR# 300"));
    EXPECT_EQ(strings()->item(0, 2)->toolTip(), QStringLiteral("Tee\nzwei"));
    EXPECT_NE(Doc().Tree().CopyEntryData("thing.iff"), original);

    // Refused: the reason is told, the cell shows the old text, nothing is a step.
    strings()->item(1, 2)->setText(QString::fromUtf8("5 \xE2\x82\xAC"));
    settle();
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text,
              "The character \"\xE2\x82\xAC\" (U+20AC) cannot be stored: the file's text is Latin-1.");
    EXPECT_EQ(strings()->item(1, 2)->text(), QStringLiteral("Kaffee"));
    EXPECT_EQ(history.count(), 1);

    ASSERT_TRUE(window->SelectChunk(kTypeObjd, 128));
    auto* fields = qobject_cast<QTableWidget*>(window->ChunkView());
    ASSERT_NE(fields, nullptr);
    fields->item(16, 2)->setText(QStringLiteral("70000")); // price
    settle();
    EXPECT_EQ(messenger_.Messages().back().text, "70000 is beyond the range of the field \"price\": 0 to 65535.");
    fields = qobject_cast<QTableWidget*>(window->ChunkView());
    fields->item(16, 2)->setText(QStringLiteral("250"));
    settle();
    ASSERT_EQ(history.count(), 2);
    EXPECT_EQ(history.undoText(), QStringLiteral("Set price of OBJD 128"));
    EXPECT_EQ(qobject_cast<QTableWidget*>(window->ChunkView())->item(16, 2)->text(), QStringLiteral("250"));

    history.undo();
    history.undo();
    settle();
    EXPECT_EQ(Doc().Tree().CopyEntryData("thing.iff"), original);
    EXPECT_EQ(strings()->item(0, 2)->text(), QString::fromUtf8("Caf\xC3\xA9"));
    history.redo();
    settle();
    EXPECT_EQ(strings()->item(0, 2)->text(), QStringLiteral("Tee\\nzwei"));
    delete window;
}

// The chunk commands end to end: each is one named step, what it does is in
// the entry at once, a refusal changes nothing, and undoing them all gives
// back the entry's exact bytes (redoing, the edited ones).
TEST_F(ResourceWindowHooks, ChunkCommandsAreNamedStepsThatUndoToTheExactBytes)
{
    ASSERT_TRUE(StartOnObject());
    const std::optional<std::vector<uint8_t>> original = Doc().Tree().CopyEntryData("thing.iff");
    ResourceWindow* window = OpenThing();
    ASSERT_NE(window, nullptr);
    auto settle = [] { QApplication::processEvents(); };
    auto action = [&](const char* name) { return window->findChild<QAction*>(QString::fromLatin1(name)); };
    QUndoStack& history = Frame().Adapter().Stack();
    auto entry = [&] {
        IffEditService reread;
        EXPECT_EQ(reread.OpenEntry(Doc(), "thing.iff"), IffOpenResult::Opened);
        MemoryStream image(64);
        EXPECT_EQ(reread.WriteImage(image), IffSaveResult::Saved);
        return std::vector<uint8_t>(image.Bytes().begin(), image.Bytes().end());
    };
    auto chunkOf = [](const std::vector<uint8_t>& file, uint32_t type, uint16_t id) -> std::optional<std::vector<uint8_t>> {
        IffEditService reread;
        EXPECT_EQ(reread.Open(file), IffOpenResult::Opened);
        CIffChunk* chunk = reread.Find(type, id);
        if (chunk == nullptr)
            return std::nullopt;
        return std::vector<uint8_t>(reread.Data(*chunk)->begin(), reread.Data(*chunk)->end());
    };
    const uint32_t str = MakeTypeCode("STR#");
    const uint32_t bhav = MakeTypeCode("BHAV");

    // The map is never edited; its data may still be looked at.
    ASSERT_TRUE(window->SelectChunk(kTypeRsmp, 0));
    EXPECT_FALSE(action("deleteChunk")->isEnabled());
    EXPECT_TRUE(action("exportChunkData")->isEnabled());
    EXPECT_TRUE(window->ChunkList()->actions().contains(action("deleteChunk"))) << "the list's context menu";

    // Export writes the data as it is; replacing with an empty file empties the chunk.
    const std::filesystem::path exported = folder_ / "strings.bin";
    const std::filesystem::path empty = folder_ / "empty.bin";
    testing::WriteFileBytes(empty, {});
    QString suggested;
    window->SetFilePrompt([&](ResourceWindow::FileChoice choice, const QString& suggestion) {
        suggested = suggestion;
        return apptest::Q(choice == ResourceWindow::FileChoice::ExportTo ? exported : empty);
    });
    ASSERT_TRUE(window->SelectChunk(str, 300));
    action("exportChunkData")->trigger();
    EXPECT_EQ(suggested, QStringLiteral("STR# 300.bin"));
    EXPECT_EQ(testing::ReadFileBytes(exported), chunkOf(*original, str, 300));
    EXPECT_EQ(history.count(), 0);
    ASSERT_TRUE(window->SelectChunk(bhav, 4096));
    action("replaceChunkData")->trigger();
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Replace Chunk Data of BHAV 4096"));
    EXPECT_EQ(chunkOf(entry(), bhav, 4096), std::vector<uint8_t>{});

    // Duplicate: under the next free id, shown at once.
    ASSERT_TRUE(window->SelectChunk(str, 300));
    action("duplicateChunk")->trigger();
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Duplicate Chunk STR# 300"));
    EXPECT_EQ(window->Note()->text(), QStringLiteral("Copied as STR# 301."));
    EXPECT_EQ(chunkOf(entry(), str, 301), chunkOf(*original, str, 300));
    // Undone while one type shows, the copy's row goes and the type stays shown.
    window->TypeFilter()->setCurrentIndex(window->TypeFilter()->findText(QStringLiteral("STR#")));
    history.undo();
    settle();
    EXPECT_EQ(window->TypeFilter()->currentText(), QStringLiteral("STR#"));
    EXPECT_EQ(window->ChunkList()->currentIndex().siblingAtColumn(1).data().toInt(), 300);
    history.redo();
    settle();
    window->TypeFilter()->setCurrentIndex(0);
    ASSERT_TRUE(window->SelectChunk(str, 301));
    QAbstractItemModel* list = window->ChunkList()->model();
    QModelIndex current = window->ChunkList()->currentIndex();
    EXPECT_EQ(current.siblingAtColumn(1).data().toInt(), 301);

    // Renumbering: a used id is refused and nothing changes; a sprite a draw group places is renumbered with a warning.
    list->setData(current.siblingAtColumn(1), 300);
    settle();
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text, "The id 300 is taken by another STR# chunk.");
    EXPECT_EQ(history.count(), 2);
    window->TypeFilter()->setCurrentIndex(window->TypeFilter()->findText(QStringLiteral("SPR2")));
    ASSERT_TRUE(window->SelectChunk(kTypeSpr2, 40));
    auto shownId = [&] { return window->ChunkList()->currentIndex().siblingAtColumn(1).data().toInt(); };
    list->setData(window->ChunkList()->currentIndex().siblingAtColumn(1), 41);
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Change ID of SPR2 40 to 41"));
    ASSERT_EQ(messenger_.Count(), 2u);
    const QString warning = QStringLiteral("SPR2 40 is now 41. Named by DGRP 100: references are not rewritten.");
    EXPECT_EQ(QString::fromStdString(messenger_.Messages()[1].text), warning);
    EXPECT_EQ(window->Note()->text(), warning);
    EXPECT_EQ(shownId(), 41);
    list->setData(window->ChunkList()->currentIndex().siblingAtColumn(2), QString::fromUtf8("sp\xC3\xA9"));
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Change Label of SPR2 41"));
    // Undone, the warning goes; redone, it is back under the view with its own step only, without a second
    // box. The sprite stays shown under either id, in the type shown.
    history.undo();
    history.undo();
    settle();
    EXPECT_EQ(window->Note()->text(), QString());
    EXPECT_EQ(shownId(), 40);
    EXPECT_EQ(window->TypeFilter()->currentText(), QStringLiteral("SPR2"));
    history.redo();
    settle();
    EXPECT_EQ(window->Note()->text(), warning);
    EXPECT_EQ(shownId(), 41);
    EXPECT_EQ(window->TypeFilter()->currentText(), QStringLiteral("SPR2"));
    history.redo();
    settle();
    EXPECT_EQ(window->Note()->text(), QString());
    EXPECT_EQ(messenger_.Count(), 2u);
    window->TypeFilter()->setCurrentIndex(0);

    // Delete: the next row is selected; the last PALT gone, its type leaves the filter.
    ASSERT_TRUE(window->SelectChunk(kTypePalt, 9));
    const int row = window->ChunkList()->currentIndex().row();
    const QString below = list->index(row + 1, 0).data().toString();
    action("deleteChunk")->trigger();
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Delete Chunk PALT 9"));
    EXPECT_EQ(window->ChunkList()->currentIndex().row(), row);
    EXPECT_EQ(window->ChunkList()->currentIndex().data().toString(), below);
    EXPECT_EQ(window->TypeFilter()->findText(QStringLiteral("PALT")), -1);
    EXPECT_EQ(chunkOf(entry(), kTypePalt, 9), std::nullopt);

    // Add: the dialog offers the selected chunk's type first and the type's next free id (the
    // first own id for a new type); a chunk of a type the filter hides shows with all types.
    window->TypeFilter()->setCurrentIndex(window->TypeFilter()->findText(QStringLiteral("BHAV")));
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<AddChunkDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        asked = dialog->Type() == QStringLiteral("BHAV") && dialog->IdBox()->value() == 4097;
        dialog->TypeBox()->setEditText(QStringLiteral("GLOB"));
        asked = asked && dialog->IdBox()->value() == 128;
        dialog->accept();
    });
    action("addChunk")->trigger();
    settle();
    EXPECT_TRUE(asked);
    EXPECT_EQ(history.undoText(), QStringLiteral("Add Chunk GLOB 128"));
    EXPECT_EQ(window->ChunkList()->currentIndex().data().toString(), QStringLiteral("GLOB"));
    EXPECT_EQ(window->TypeFilter()->currentIndex(), 0);
    EXPECT_EQ(chunkOf(entry(), MakeTypeCode("GLOB"), 128), std::vector<uint8_t>{});
    EXPECT_EQ(chunkOf(entry(), kTypeObjd, 128), chunkOf(*original, kTypeObjd, 128)) << "other chunks keep their bytes";

    // The window's own Edit menu names the step.
    QAction* undo = nullptr;
    for (QAction* candidate : window->findChildren<QAction*>())
        if (candidate->text().startsWith(QStringLiteral("&Undo")))
            undo = candidate;
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Add Chunk GLOB 128"));

    const std::optional<std::vector<uint8_t>> edited = Doc().Tree().CopyEntryData("thing.iff");
    const int steps = history.count();
    EXPECT_EQ(steps, 6);
    for (int i = 0; i < steps; ++i)
        history.undo();
    settle();
    EXPECT_EQ(Doc().Tree().CopyEntryData("thing.iff"), original);
    EXPECT_NE(window->TypeFilter()->findText(QStringLiteral("PALT")), -1);
    for (int i = 0; i < steps; ++i)
        history.redo();
    settle();
    EXPECT_EQ(Doc().Tree().CopyEntryData("thing.iff"), edited);
    delete window;
}

TEST_F(ResourceWindowHooks, StringRowsAreAddedRemovedAndMovedWithinTheLanguageShown)
{
    ASSERT_TRUE(StartOnObject());
    const std::optional<std::vector<uint8_t>> original = Doc().Tree().CopyEntryData("thing.iff");
    ResourceWindow* window = OpenThing();
    ASSERT_NE(window, nullptr);
    QUndoStack& history = Frame().Adapter().Stack();
    auto settle = [] { QApplication::processEvents(); };
    auto table = [&] { return window->ChunkView()->findChild<QTableWidget*>(QStringLiteral("table")); };
    auto action = [&](const char* name) { return window->ChunkView()->findChild<QAction*>(QString::fromLatin1(name)); };
    auto texts = [&] {
        QStringList rows;
        for (int row = 0; row < table()->rowCount(); ++row)
            rows.append(table()->item(row, 1)->text() + QLatin1Char(':') + table()->item(row, 2)->text() +
                        (table()->isRowHidden(row) ? QStringLiteral(" hidden") : QString()));
        return rows.join(QStringLiteral(", "));
    };
    ASSERT_TRUE(window->SelectChunk(MakeTypeCode("STR#"), 300));
    ASSERT_NE(table(), nullptr);
    EXPECT_FALSE(table()->isColumnHidden(1)) << "the layout has languages";
    auto* filter = window->ChunkView()->findChild<QComboBox*>(QStringLiteral("languageFilter"));
    ASSERT_NE(filter, nullptr);
    ASSERT_EQ(filter->count(), 3);
    filter->setCurrentIndex(filter->findText(QStringLiteral("German (4)")));
    EXPECT_EQ(texts(), QString::fromUtf8("1:Caf\xC3\xA9 hidden, 4:Kaffee"));

    // Added after the current row in the language shown; the filter and the new row stay current.
    table()->setCurrentCell(1, 2);
    action("addString")->trigger();
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Add String to STR# 300"));
    EXPECT_EQ(texts(), QString::fromUtf8("1:Caf\xC3\xA9 hidden, 4:Kaffee, 4:"));
    EXPECT_EQ(table()->currentRow(), 2);
    // Up past the hidden row of another language is a move over the shown one; then nothing shows above.
    action("moveStringUp")->trigger();
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Move String 2 of STR# 300 Up"));
    EXPECT_EQ(texts(), QString::fromUtf8("1:Caf\xC3\xA9 hidden, 4:, 4:Kaffee"));
    EXPECT_EQ(table()->currentRow(), 1);
    EXPECT_FALSE(action("moveStringUp")->isEnabled());
    EXPECT_TRUE(action("moveStringDown")->isEnabled());

    // A language the layout cannot hold is refused and told; nothing changes.
    table()->item(1, 1)->setText(QStringLiteral("300"));
    settle();
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text, "A language is a number from 0 to 255.");
    EXPECT_EQ(history.count(), 2);
    EXPECT_EQ(texts(), QString::fromUtf8("1:Caf\xC3\xA9 hidden, 4:, 4:Kaffee"));

    action("removeString")->trigger();
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Remove String 1 of STR# 300"));
    EXPECT_EQ(texts(), QString::fromUtf8("1:Caf\xC3\xA9 hidden, 4:Kaffee"));
    EXPECT_EQ(Doc().Tree().CopyEntryData("thing.iff"), original) << "the table as it was, padding included";

    history.undo();
    history.undo();
    history.undo();
    settle();
    EXPECT_EQ(Doc().Tree().CopyEntryData("thing.iff"), original);
    EXPECT_EQ(texts(), QString::fromUtf8("1:Caf\xC3\xA9 hidden, 4:Kaffee")) << "the filter survives undo";
    delete window;
}

// Nothing is offered for editing in a read-only document, nor in a file
// whose chunks stop short of its end; looking and exporting still work.
// A swatch's colour, a palette file in and out: each edit one named step,
// only the colours it sets change, and undo gives the exact bytes back.
TEST_F(ResourceWindowHooks, PaletteColoursAreChosenImportedAndExportedAsSteps)
{
    ASSERT_TRUE(StartOnObject());
    const std::optional<std::vector<uint8_t>> original = Doc().Tree().CopyEntryData("thing.iff");
    ResourceWindow* window = OpenThing();
    ASSERT_NE(window, nullptr);
    auto settle = [] { QApplication::processEvents(); };
    auto action = [&](const char* name) { return window->findChild<QAction*>(QString::fromLatin1(name)); };
    QUndoStack& history = Frame().Adapter().Stack();
    auto colours = [&] {
        IffEditService reread;
        EXPECT_EQ(reread.OpenEntry(Doc(), "thing.iff"), IffOpenResult::Opened);
        CIffChunk* chunk = reread.Find(kTypePalt, 9);
        EXPECT_TRUE(chunk != nullptr && reread.Data(*chunk));
        PaltColours read{};
        std::copy_n(PaltPalette::Colours(*chunk), read.size(), read.begin());
        return read;
    };
    auto colourAt = [](const PaltColours& palette, size_t i) {
        return QColor(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
    };
    const PaltColours before = colours();
    ASSERT_TRUE(window->SelectChunk(kTypeObjd, 128));
    EXPECT_FALSE(action("exportPalette")->isEnabled());
    EXPECT_FALSE(action("importPalette")->isEnabled());
    ASSERT_TRUE(window->SelectChunk(kTypePalt, 9));
    EXPECT_TRUE(action("importPalette")->isEnabled());

    // Colour 7 made green through the colour dialog; the swatch stays current.
    auto* swatches = qobject_cast<QTableWidget*>(window->ChunkView());
    ASSERT_NE(swatches, nullptr);
    swatches->setCurrentCell(0, 7);
    QString asked;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        asked = dialog->windowTitle() + QStringLiteral(" ") + dialog->currentColor().name();
        dialog->setCurrentColor(QColor(0, 200, 0));
        dialog->accept();
    });
    window->ChunkView()->findChild<QAction*>(QStringLiteral("chooseColour"))->trigger();
    settle();
    EXPECT_EQ(asked, QStringLiteral("Colour 7 of PALT 9 #c86432"));
    EXPECT_EQ(history.undoText(), QStringLiteral("Set Colour 7 of PALT 9"));
    PaltColours expected = before;
    expected[21] = 0, expected[22] = 200, expected[23] = 0;
    EXPECT_EQ(colours(), expected);
    swatches = qobject_cast<QTableWidget*>(window->ChunkView());
    ASSERT_NE(swatches, nullptr);
    EXPECT_EQ(swatches->item(0, 7)->background().color(), QColor(0, 200, 0));
    EXPECT_EQ(swatches->currentColumn(), 7);

    // Out as a GIMP palette and as a swatch picture.
    QString file;
    window->SetFilePrompt([&](ResourceWindow::FileChoice, const QString& suggestion) {
        EXPECT_EQ(suggestion, file.isEmpty() ? QStringLiteral("PALT 9.gpl") : suggestion);
        return file;
    });
    const std::filesystem::path gpl = folder_ / "out.GPL";
    const std::filesystem::path png = folder_ / "out.png";
    for (const std::filesystem::path& path : {gpl, png}) {
        file = apptest::Q(path);
        action("exportPalette")->trigger();
    }
    const std::vector<uint8_t> gplBytes = testing::ReadFileBytes(gpl);
    EXPECT_EQ(std::string(gplBytes.begin(), gplBytes.end()), PaletteFiles::WriteGpl(expected, "PALT 9"));
    QImage swatch(apptest::Q(png));
    ASSERT_EQ(swatch.size(), QSize(256, 256));
    EXPECT_EQ(swatch.pixelColor(7 * 16 + 8, 8), QColor(0, 200, 0));

    // In from a painted swatch: colour 3 red.
    for (int y = 0; y < 16; ++y)
        for (int x = 3 * 16; x < 4 * 16; ++x)
            swatch.setPixelColor(x, y, QColor(255, 0, 0));
    ASSERT_TRUE(swatch.save(apptest::Q(png)));
    file = apptest::Q(png);
    action("importPalette")->trigger();
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Import Palette into PALT 9"));
    expected[9] = 255, expected[10] = 0, expected[11] = 0;
    EXPECT_EQ(colours(), expected);

    // A palette of two colours sets the first two and says the rest keep theirs.
    const std::filesystem::path two = folder_ / "two.gpl";
    const std::string twoColours = "GIMP Palette\n1 2 3\n4 5 6\n";
    testing::WriteFileBytes(two, std::vector<uint8_t>(twoColours.begin(), twoColours.end()));
    file = apptest::Q(two);
    action("importPalette")->trigger();
    settle();
    EXPECT_EQ(window->Note()->text(), QStringLiteral("2 colours read: colours 2 to 255 of PALT 9 keep theirs."));
    EXPECT_EQ(colourAt(colours(), 1), QColor(4, 5, 6));
    EXPECT_EQ(colourAt(colours(), 3), QColor(255, 0, 0));
    const int steps = history.count();
    EXPECT_EQ(steps, 3);

    // What is no palette is refused with the reason and changes nothing.
    const std::filesystem::path odd = folder_ / "odd.png";
    ASSERT_TRUE(QImage(100, 100, QImage::Format_RGB32).save(apptest::Q(odd)));
    file = apptest::Q(odd);
    action("importPalette")->trigger();
    settle();
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text,
              "\"" + odd.string() + "\": 100 x 100 pixels, not a swatch: 16 x 16 square cells, a colour each (256 x 256 as written).");
    EXPECT_EQ(history.count(), steps);

    for (int i = 0; i < steps; ++i)
        history.undo();
    settle();
    EXPECT_EQ(Doc().Tree().CopyEntryData("thing.iff"), original);
    EXPECT_EQ(qobject_cast<QTableWidget*>(window->ChunkView())->item(0, 7)->background().color(), QColor(200, 100, 50));
    delete window;
}

// A recoloured picture into the shown frame: with the palette as it is the
// view lists the pixels it could not follow; with the palette rebuilt it
// draws the picture's colours. Each import is one step, undone to the bytes.
TEST_F(ResourceWindowHooks, AFramePictureIsImportedWithItsDriftListedOrThePaletteRebuilt)
{
    ASSERT_TRUE(StartOnObject());
    const std::optional<std::vector<uint8_t>> original = Doc().Tree().CopyEntryData("thing.iff");
    ResourceWindow* window = OpenThing();
    ASSERT_NE(window, nullptr);
    auto settle = [] { QApplication::processEvents(); };
    auto action = [&](const char* name) { return window->findChild<QAction*>(QString::fromLatin1(name)); };
    QUndoStack& history = Frame().Adapter().Stack();
    // What frame 0 of SPR2 40 draws in the entry now, and its depth.
    auto drawn = [&](bool depth) {
        IffEditService reread;
        EXPECT_EQ(reread.OpenEntry(Doc(), "thing.iff"), IffOpenResult::Opened);
        SpriteImport import(reread);
        ImportedSprite* loaded = import.Load(reread.Find(kTypeSpr2, 40));
        Spr2Frame frame;
        EXPECT_TRUE(loaded != nullptr && loaded->sprite.GetFrame(0, frame));
        ExportedFrame out;
        ExportFrame(frame, PaletteColours(import.PaletteOf(*loaded, frame), 768), out);
        return depth ? out.depth : out.rgba;
    };
    ASSERT_TRUE(window->SelectChunk(kTypePalt, 9));
    EXPECT_FALSE(action("importFramePicture")->isEnabled());
    ASSERT_TRUE(window->SelectChunk(kTypeSpr2, 40));
    ASSERT_TRUE(action("importFramePicture")->isEnabled());

    // Green beside the palette's own (200, 100, 50); PALT 9 has no green.
    const std::filesystem::path picture = folder_ / "40_0.png";
    QImage green(2, 1, QImage::Format_ARGB32);
    green.setPixelColor(0, 0, QColor(0, 200, 0));
    green.setPixelColor(1, 0, QColor(200, 100, 50));
    ASSERT_TRUE(green.save(apptest::Q(picture)));
    QString suggested;
    window->SetFilePrompt([&](ResourceWindow::FileChoice choice, const QString& suggestion) {
        suggested = suggestion;
        EXPECT_EQ(choice, ResourceWindow::FileChoice::PictureFrom);
        return apptest::Q(picture);
    });
    action("importFramePicture")->trigger();
    settle();
    EXPECT_EQ(suggested, QStringLiteral("40_0.png"));
    EXPECT_EQ(history.undoText(), QStringLiteral("Import Frame 0 of SPR2 40"));
    EXPECT_EQ(window->Note()->text(), QStringLiteral("1 pixel(s) drawn more than 8 off their colour: the palette lacks "
                                                     "those colours; Rebuild Palette on Import builds it from the picture."));
    auto* sprite = qobject_cast<SpriteFrameView*>(window->ChunkView());
    ASSERT_NE(sprite, nullptr);
    QTableWidget* imported = sprite->Imported();
    ASSERT_EQ(imported->rowCount(), 1);
    EXPECT_FALSE(imported->isHidden());
    EXPECT_EQ(imported->item(0, 0)->text(), QStringLiteral("SPR2 40"));
    EXPECT_EQ(imported->item(0, 2)->text(), QStringLiteral("PALT 9"));
    EXPECT_EQ(imported->item(0, 3)->text(), QStringLiteral("1"));
    EXPECT_GE(imported->item(0, 4)->text().toInt(), 180);
    EXPECT_EQ(drawn(true), (std::vector<uint8_t>{0x60, 0x08})) << "a picture of the frame's size keeps its depth";

    // Undone: the bytes come back and the list goes.
    history.undo();
    settle();
    EXPECT_EQ(Doc().Tree().CopyEntryData("thing.iff"), original);
    EXPECT_EQ(qobject_cast<SpriteFrameView*>(window->ChunkView())->Imported()->rowCount(), 0);

    action("rebuildPalette")->setChecked(true);
    action("importFramePicture")->trigger();
    settle();
    EXPECT_EQ(history.undoText(), QStringLiteral("Import Frame 0 of SPR2 40"));
    EXPECT_EQ(window->Note()->text(), QStringLiteral("PALT 9 rebuilt from 1 frame(s): 2 colours. Every pixel drawn is "
                                                     "within 8 of the picture's colour."));
    imported = qobject_cast<SpriteFrameView*>(window->ChunkView())->Imported();
    ASSERT_EQ(imported->rowCount(), 1);
    EXPECT_EQ(imported->item(0, 3)->text(), QStringLiteral("0"));
    EXPECT_EQ(drawn(false), (std::vector<uint8_t>{0, 200, 0, 255, 200, 100, 50, 255}));

    // The same picture again changes nothing and is no step; what is no picture is refused.
    const int steps = history.count();
    action("importFramePicture")->trigger();
    settle();
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text,
              "\"" + picture.string() + "\" is what frame 0 of SPR2 40 draws already: nothing changed.");
    testing::WriteFileBytes(picture, std::vector<uint8_t>{'n', 'o'});
    action("importFramePicture")->trigger();
    settle();
    ASSERT_EQ(messenger_.Count(), 2u);
    EXPECT_EQ(history.count(), steps);
    delete window;
}

// A folder as iff export writes it: the pictures found by name in any
// letter case, a depth picture taking the depth, as one step.
TEST_F(ResourceWindowHooks, AFolderOfExportedPicturesIsImportedAsOneStep)
{
    ASSERT_TRUE(StartOnObject());
    ResourceWindow* window = OpenThing();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->SelectChunk(kTypePalt, 9));
    const std::filesystem::path empty = folder_ / "empty";
    const std::filesystem::path exported = folder_ / "exported";
    std::filesystem::create_directories(empty);
    std::filesystem::create_directories(exported);
    QImage green(2, 1, QImage::Format_ARGB32);
    green.fill(QColor(0, 200, 0));
    ASSERT_TRUE(green.save(apptest::Q(exported / "40_0.PNG"), "PNG"));
    QImage depth(2, 1, QImage::Format_Grayscale8);
    depth.fill(0x30);
    ASSERT_TRUE(depth.save(apptest::Q(exported / "40_0_depth.png")));
    testing::WriteFileBytes(exported / "sprites.json", std::vector<uint8_t>{'{', '}'});
    std::filesystem::path chosen = empty;
    window->SetFilePrompt([&](ResourceWindow::FileChoice choice, const QString&) {
        EXPECT_EQ(choice, ResourceWindow::FileChoice::FolderFrom);
        return apptest::Q(chosen);
    });
    QAction* importFrames = window->findChild<QAction*>(QStringLiteral("importFrames"));
    ASSERT_TRUE(importFrames->isEnabled()) << "whatever chunk is shown";
    importFrames->trigger();
    QApplication::processEvents();
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text, "\"" + empty.string() + "\" holds no picture named as iff export names them "
                                             "(\"<chunk id>_<frame>.png\") for a frame of this file.");

    chosen = exported;
    importFrames->trigger();
    QApplication::processEvents();
    QUndoStack& history = Frame().Adapter().Stack();
    ASSERT_EQ(history.count(), 1);
    EXPECT_EQ(history.undoText(), QStringLiteral("Import Frames from exported"));
    EXPECT_TRUE(window->Note()->text().endsWith(QStringLiteral(
        "sprites.json is not read here: the sprites keep their palette ids, flags and frame headers (vorn-cli iff "
        "import reads it).")))
        << window->Note()->text().toStdString();
    auto* sprite = qobject_cast<SpriteFrameView*>(window->ChunkView());
    ASSERT_NE(sprite, nullptr) << "the imported sprite shows";
    EXPECT_EQ(sprite->Imported()->rowCount(), 1);
    IffEditService reread;
    ASSERT_EQ(reread.OpenEntry(Doc(), "thing.iff"), IffOpenResult::Opened);
    SpriteImport import(reread);
    ImportedSprite* loaded = import.Load(reread.Find(kTypeSpr2, 40));
    Spr2Frame frame;
    ASSERT_TRUE(loaded != nullptr && loaded->sprite.GetFrame(0, frame));
    ExportedFrame out;
    ExportFrame(frame, PaletteColours(import.PaletteOf(*loaded, frame), 768), out);
    EXPECT_EQ(out.depth, (std::vector<uint8_t>{0x30, 0x30}));
    delete window;
}

TEST_F(ResourceWindowHooks, AReadOnlyDocumentOrADamagedFileOffersNoEdit)
{
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "damaged");
        ASSERT_TRUE(StartOnObject(readOnly));
        ResourceWindow* window = OpenThing(readOnly ? "thing.iff" : "damaged.iff");
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->CanEdit());
        EXPECT_EQ(window->Note()->text(),
                  readOnly ? QStringLiteral("The archive is open read-only: nothing here can be changed.")
                           : QStringLiteral("The file stops making sense at byte %1: 6 bytes are left, too few for a "
                                            "chunk header! Nothing here can be changed, so nothing past that point is lost.")
                                 .arg(ResourceFile().size()));
        ASSERT_TRUE(window->SelectChunk(MakeTypeCode("STR#"), 300));
        for (const char* name : {"addChunk", "duplicateChunk", "changeChunkId", "changeChunkLabel", "replaceChunkData",
                                 "deleteChunk"})
            EXPECT_FALSE(window->findChild<QAction*>(QString::fromLatin1(name))->isEnabled()) << name;
        EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("exportChunkData"))->isEnabled());
        QTableView* list = window->ChunkList();
        EXPECT_FALSE(list->model()->flags(list->currentIndex().siblingAtColumn(1)) & Qt::ItemIsEditable);
        auto* strings = window->ChunkView()->findChild<QTableWidget*>(QStringLiteral("table"));
        ASSERT_NE(strings, nullptr);
        EXPECT_EQ(strings->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_EQ(window->ChunkView()->findChild<QAction*>(QStringLiteral("addString")), nullptr);
        ASSERT_TRUE(window->SelectChunk(kTypeObjd, 128));
        EXPECT_EQ(qobject_cast<QTableWidget*>(window->ChunkView())->editTriggers(), QAbstractItemView::NoEditTriggers);
        ASSERT_TRUE(window->SelectChunk(kTypePalt, 9));
        EXPECT_FALSE(window->findChild<QAction*>(QStringLiteral("importPalette"))->isEnabled());
        EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("exportPalette"))->isEnabled());
        EXPECT_EQ(window->ChunkView()->findChild<QAction*>(QStringLiteral("chooseColour")), nullptr);
        EXPECT_EQ(Frame().Adapter().Stack().count(), 0);
        delete window;
        TearDown();
    }
}

} // namespace
} // namespace vorn

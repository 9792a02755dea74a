#include "app/app_test_support.h"
#include "app/command_ids.h"
#include "app/recent_file_list.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"

#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>

#include <set>

namespace vorn::apptest {
namespace {

using vorn::testing::FarFixtureFile;

const std::vector<FarFixtureFile> kSample = {
    {"zeta\\b\\c.txt", "cc"},
    {"alpha\\d.txt", "ddd"},
    {"e.txt", std::string(1000, 'e')},
    {"small.bin", std::string(999, 's')},
};

TEST_F(EditorTest, StartsWithAnUntitledEmptyArchive)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().windowTitle(), "Untitled - Vorn");
    ASSERT_TRUE(Left().RootIndex().isValid());
    EXPECT_EQ(Left().RootIndex().data().toString(), "Untitled");
    EXPECT_EQ(Left().currentIndex(), Left().RootIndex());
    EXPECT_EQ(ChildCount(Left().RootIndex()), 0);
    EXPECT_EQ(Right().RowCount(), 0);
    EXPECT_EQ(Frame().MessageText(), "0 item(s), with a total of 0 byte(s) - Add files by dragging them here!");
    EXPECT_FALSE(Frame().IsCommandEnabled(ID_FILE_QUICKSAVE));  // no file yet
    Doc().SetModified(true);
    EXPECT_EQ(Frame().windowTitle(), "Untitled * - Vorn");
    EXPECT_FALSE(Frame().IsCommandEnabled(ID_FILE_QUICKSAVE));

    // The splitter starts at 200 and 400 pixels; the status bar carries the indicators.
    EXPECT_EQ(Frame().Splitter()->sizes().front(), 200);
    ASSERT_EQ(Frame().IndicatorPanes().size(), 3);
    EXPECT_EQ(Frame().IndicatorPanes()[0]->text(), "CAP");
    EXPECT_EQ(Frame().IndicatorPanes()[2]->text(), "SCRL");
}

TEST_F(EditorTest, AnArchiveThatCannotBeOpenedEndsStartUp)
{
    EXPECT_FALSE(Start({Q(folder_ / "missing.far")}));
    EXPECT_GE(messenger_.Count(), 1u);
}

TEST_F(EditorTest, OpeningFillsBothPanesInTheModelsOrder)
{
    const auto path = WriteArchive(folder_, "sample.far", kSample);
    ASSERT_TRUE(Start({Q(path)}));
    EXPECT_EQ(Frame().windowTitle(), "sample.far - Vorn");
    EXPECT_EQ(Left().RootIndex().data().toString(), "sample.far");
    EXPECT_EQ(ChildTexts(Left().RootIndex()), (std::vector<std::string>{"zeta", "alpha"}));
    EXPECT_EQ(ChildTexts(Child(Left().RootIndex(), 0)), (std::vector<std::string>{"b"}));

    EXPECT_EQ(RowNames(), (std::vector<std::string>{"zeta", "alpha", "e.txt", "small.bin"}));
    EXPECT_EQ(Right().ImageOf(0), CVornView::kImageDirectory);
    EXPECT_EQ(Right().ImageOf(2), CVornView::kImageFile);
    EXPECT_EQ(Right().SizeTextOf(0), "");
    EXPECT_EQ(Right().SizeTextOf(2), "1,000");
    EXPECT_EQ(Right().SizeTextOf(3), "999");
    EXPECT_EQ(Right().PathOf(1), "alpha");
    EXPECT_EQ(Right().PathOf(2), "\\e.txt");  // root files keep a leading separator
    EXPECT_EQ(Frame().MessageText(),
              "4 item(s), with a total of 2,004 byte(s) - Add files by dragging them here!");

    // The caption follows the modified flag; a quick save is offered and clears it.
    Doc().SetModified(true);
    EXPECT_EQ(Frame().windowTitle(), "sample.far * - Vorn");
    EXPECT_TRUE(Frame().IsCommandEnabled(ID_FILE_QUICKSAVE));
    EXPECT_TRUE(Frame().OnCommand(ID_FILE_QUICKSAVE));
    EXPECT_EQ(Frame().windowTitle(), "sample.far - Vorn");
    EXPECT_FALSE(Frame().OnCommand(ID_FILE_QUICKSAVE));  // nothing left to save
    EXPECT_EQ(messenger_.Count(), 0u);
}

TEST_F(EditorTest, AFailedQuickSaveSaysSoAndKeepsTheMarker)
{
    const auto path = WriteArchive(folder_, "sample.far", kSample);
    ASSERT_TRUE(Start({Q(path)}));
    // A source that refuses writes stands in for a disk that does.
    int error = 0;
    std::unique_ptr<FileStream> readOnly = FileStream::Open(path, FileMode::Read, error);
    ASSERT_NE(readOnly, nullptr);
    Doc().Archive().AttachSource(*readOnly);
    Doc().SetModified(true);
    Frame().show();
    QApplication::setActiveWindow(&Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    QTest::keyClick(&Frame(), Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0],
              (Message{"Error while trying to quick-save the FAR file!", "Vorn", MessageIcon::None, MessageButtons::Ok}));
    EXPECT_EQ(Frame().windowTitle(), "sample.far * - Vorn");
}

TEST_F(EditorTest, DirectoryRowsOpenOnDoubleClickAndFileRowsGoToTheViewerHook)
{
    const auto path = WriteArchive(folder_, "sample.far", kSample);
    ASSERT_TRUE(Start({Q(path)}));
    std::vector<std::string> viewed;
    QObject::connect(&Right(), &CVornView::fileRowActivated, [&](int row) { viewed.push_back(Right().PathOf(row)); });

    Right().OnRowActivated(3);  // a file no viewer opens
    EXPECT_EQ(viewed, std::vector<std::string>{"\\small.bin"});
    Right().OnRowActivated(Right().RowCount());  // below the last row: nothing
    EXPECT_EQ(viewed.size(), 1u);

    // A real double-click on the "zeta" row opens it in both panes.
    Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    const QRect rect = Right().visualRect(Right().ViewIndex(0));
    // What a mouse sends: press, release, then the double-click and its release.
    QTest::mouseClick(Right().viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(Right().viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseRelease(Right().viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(Left().PathOf(Left().currentIndex()), "zeta");
    EXPECT_EQ(Right().ShownPath(), "zeta");
    EXPECT_EQ(RowNames(), std::vector<std::string>{"b"});
    Right().OnRowActivated(0);
    EXPECT_EQ(Right().ShownPath(), "zeta\\b");
    EXPECT_EQ(Right().PathOf(0), "zeta\\b\\c.txt");
}

TEST_F(EditorTest, ColumnClicksSortDirectoriesFirstThenByNameOrSize)
{
    const auto path = WriteArchive(folder_, "sort.far",
                                   {{"a.txt", std::string(30, 'a')},
                                    {"zdir\\x", "x"},
                                    {"c.txt", std::string(20, 'c')},
                                    {"B.txt", std::string(10, 'b')},
                                    {"Adir\\y", "y"},
                                    {"d.txt", std::string(20, 'd')}});
    ASSERT_TRUE(Start({Q(path)}));
    Frame().show();
    ASSERT_EQ(RowNames(), (std::vector<std::string>{"zdir", "Adir", "a.txt", "c.txt", "B.txt", "d.txt"}));
    Right().SelectRows({4});  // the selection travels with its row

    QHeaderView* header = Right().header();
    auto clickColumn = [&](int column) {
        const QPoint point(header->sectionViewportPosition(column) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
    };
    clickColumn(1);
    // Directories keep their order; equal sizes (c, d) keep theirs.
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"zdir", "Adir", "B.txt", "c.txt", "d.txt", "a.txt"}));
    EXPECT_EQ(Right().SelectedRows(), std::vector<int>{2});
    EXPECT_EQ(Right().PathOf(2), "\\B.txt");

    clickColumn(0);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"Adir", "zdir", "B.txt", "a.txt", "c.txt", "d.txt"}));
    clickColumn(0);  // no descending order: the same again
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"Adir", "zdir", "B.txt", "a.txt", "c.txt", "d.txt"}));

    // A row the model no longer knows compares equal and does not upset the rest.
    Right().Model().InsertRow(Right().RowCount(), {"ghost", "", CVornView::kImageFile, "\\ghost"});
    Right().SortByColumn(1);
    EXPECT_EQ(Right().RowCount(), 7);
}

TEST_F(EditorTest, RecentFilesKeepTheFourNewestAndSurviveARestart)
{
    std::vector<std::filesystem::path> paths;
    for (int i = 1; i <= 5; ++i)
        paths.push_back(WriteArchive(folder_, "archive" + std::to_string(i) + ".far", {{"f", "x"}}));
    ASSERT_TRUE(Start({Q(paths[0])}));
    for (int i = 1; i < 5; ++i)
        ASSERT_TRUE(app_->OpenDocumentFile(Q(paths[static_cast<size_t>(i)])));
    const QStringList expected = {Q(paths[4]), Q(paths[3]), Q(paths[2]), Q(paths[1])};  // archive1 is gone
    EXPECT_EQ(app_->RecentFiles().Entries(), expected);
    {
        QSettings settings;
        EXPECT_EQ(settings.value("Recent File List/File1").toString(), Q(paths[4]));
        EXPECT_EQ(settings.value("Recent File List/File4").toString(), Q(paths[1]));
        EXPECT_FALSE(settings.contains("Recent File List/File5"));
    }
    EXPECT_TRUE(Frame().IsCommandEnabled(ID_FILE_MRU_FILE1 + 3));
    EXPECT_FALSE(Frame().IsCommandEnabled(ID_FILE_MRU_FILE1 + 4));

    app_.reset();
    ASSERT_TRUE(Start());
    EXPECT_EQ(app_->RecentFiles().Entries(), expected);
    // Choosing the third entry opens it and moves it to the front.
    EXPECT_TRUE(Frame().OnCommand(ID_FILE_MRU_FILE1 + 2));
    EXPECT_EQ(Frame().windowTitle(), "archive3.far - Vorn");
    EXPECT_EQ(app_->RecentFiles().Entries(), (QStringList{Q(paths[2]), Q(paths[4]), Q(paths[3]), Q(paths[1])}));

    // An entry whose file has gone leaves the list after its error message.
    std::filesystem::remove(paths[1]);
    EXPECT_TRUE(Frame().OnCommand(ID_FILE_MRU_FILE1 + 3));
    EXPECT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(app_->RecentFiles().Entries(), (QStringList{Q(paths[2]), Q(paths[4]), Q(paths[3])}));
    EXPECT_EQ(Frame().windowTitle(), "archive3.far - Vorn");
}

TEST_F(EditorTest, ASaveAnsweredAtTheSaveChangesQuestionJoinsTheRecentFiles)
{
    ASSERT_TRUE(Start());
    const std::filesystem::path target = folder_ / "kept.far";
    app_->savePathPrompt = [&](const QString&) { return std::optional<QString>(Q(target)); };
    Doc().SetModified(true);
    messenger_.Script({MessageAnswer::Yes});
    EXPECT_TRUE(Frame().OnCommand(ID_FILE_NEW));
    ASSERT_TRUE(std::filesystem::exists(target));
    EXPECT_EQ(app_->RecentFiles().Entries(), QStringList{Q(target)});
    EXPECT_EQ(QSettings().value("Recent File List/File1").toString(), Q(target));

    // Answering No saves nothing and leaves the list alone.
    Doc().SetModified(true);
    messenger_.Script({MessageAnswer::No});
    EXPECT_TRUE(Frame().OnCommand(ID_FILE_NEW));
    EXPECT_EQ(app_->RecentFiles().Entries(), QStringList{Q(target)});
}

TEST(RecentFileListTest, MenuNamesAreShortenedToThirtyCharacters)
{
    EXPECT_EQ(RecentFileList::DisplayName("/tmp/short.far"), "/tmp/short.far");
    const QString shortened = RecentFileList::DisplayName("/home/someone/games/sims/gamedata/objects.far");
    EXPECT_LE(shortened.size(), 30);
    EXPECT_EQ(shortened, "/home/.../gamedata/objects.far");
    // Thirty characters exactly still fit; one more and the middle goes.
    EXPECT_EQ(RecentFileList::DisplayName("/home/someone/sims/objects.far"), "/home/someone/sims/objects.far");
    EXPECT_EQ(RecentFileList::DisplayName("/home/someone/simsX/objects.far"), "/home/.../simsX/objects.far");
    // When the folder and the name leave no room for "...", the name alone.
    EXPECT_EQ(RecentFileList::DisplayName("/home/someone/games/a-long-archive-name-1.far"),
              "a-long-archive-name-1.far");
    // Never more than thirty, not even for a name that alone is longer.
    EXPECT_EQ(RecentFileList::DisplayName("/a/b/an-extremely-long-archive-file-name.far"),
              "an-extremely-long-archive-f...");
}

TEST_F(EditorTest, ArchiveShortcutsReachTheListPaneFromTheTree)
{
    const auto path = WriteArchive(folder_, "sample.far", kSample);
    ASSERT_TRUE(Start({Q(path)}));
    std::vector<int> carried;
    for (int id : {ID_FILE_EXTRACT, ID_FILE_DELETE, ID_FILE_MOVETODIRECTORY, ID_FILE_RENAME, ID_FILE_NEWDIRECTORY})
        Frame().Commands().SetHandler(id, [&carried, id] { carried.push_back(id); });
    Frame().show();
    QApplication::setActiveWindow(&Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    Left().setFocus();
    ASSERT_TRUE(Left().hasFocus());

    auto pressAll = [&] {
        QTest::keyClick(&Left(), Qt::Key_D, Qt::ControlModifier);
        QTest::keyClick(&Left(), Qt::Key_E, Qt::ControlModifier);
        QTest::keyClick(&Left(), Qt::Key_M, Qt::ControlModifier);
        QTest::keyClick(&Left(), Qt::Key_F2);
        QTest::keyClick(&Left(), Qt::Key_W, Qt::ControlModifier);
    };
    Right().clearSelection();
    // One action per command, greyed as soon as the selection goes.
    EXPECT_FALSE(Frame().ActionFor(ID_FILE_DELETE)->isEnabled());
    EXPECT_TRUE(Frame().ActionFor(ID_FILE_NEWDIRECTORY)->isEnabled());
    pressAll();
    EXPECT_EQ(carried, std::vector<int>{ID_FILE_NEWDIRECTORY});  // the rest need a selection

    carried.clear();
    Right().SelectRows({2});
    EXPECT_TRUE(Frame().ActionFor(ID_FILE_DELETE)->isEnabled());
    pressAll();
    EXPECT_EQ(carried, (std::vector<int>{ID_FILE_DELETE, ID_FILE_EXTRACT, ID_FILE_MOVETODIRECTORY, ID_FILE_RENAME,
                                         ID_FILE_NEWDIRECTORY}));
    EXPECT_TRUE(Left().hasFocus());
    EXPECT_FALSE(Frame().IsCommandEnabled(ID_FILE_ADD));

    // F6 moves the focus to the list pane and back.
    QTest::keyClick(&Left(), Qt::Key_F6);
    EXPECT_TRUE(Right().hasFocus());
    QTest::keyClick(&Right(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(Left().hasFocus());
}

TEST_F(EditorTest, RenameEditsTheFirstSelectedRowAndTakesOnlyLatin1Names)
{
    const auto path = WriteArchive(folder_, "sample.far", kSample);
    ASSERT_TRUE(Start({Q(path)}));
    ShowActive();
    Right().SelectRows({3, 1});
    ASSERT_TRUE(Frame().OnCommand(ID_FILE_RENAME));
    EXPECT_TRUE(Right().IsEditing());
    EXPECT_EQ(Right().CurrentRename().oldPath, "alpha");
    EXPECT_EQ(Right().CurrentRename().oldName, "alpha");
    EXPECT_TRUE(Right().CurrentRename().isDirectory);

    // The typed name becomes Latin-1 archive bytes.
    ASSERT_TRUE(TypeIntoEditor(QString::fromUtf8("\xc3\xa9t\xc3\xa9")));
    EXPECT_EQ(Right().NameOf(1), "\xe9t\xe9");
    EXPECT_EQ(Right().PathOf(1), "\xe9t\xe9");
    EXPECT_NE(Doc().Tree().FindFileItem("\xe9t\xe9\\d.txt"), nullptr);
    EXPECT_EQ(Child(Left().RootIndex(), 1).data().toString(), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
    EXPECT_TRUE(Doc().IsModified());

    // The euro sign has no Latin-1 byte: refused, the old name stays.
    Doc().SetModified(false);
    ASSERT_TRUE(Frame().OnCommand(ID_FILE_RENAME));
    ASSERT_TRUE(TypeIntoEditor(QString::fromUtf8("\xe2\x82\xac")));
    EXPECT_EQ(Right().NameOf(1), "\xe9t\xe9");
    EXPECT_NE(Doc().Tree().GetDirectoryRef("\xe9t\xe9"), nullptr);
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(EditorTest, ContextMenuOffersTheArchiveCommandsByTheSelection)
{
    ASSERT_TRUE(Start({Q(WriteArchive(folder_, "sample.far", kSample))}));
    auto describe = [&] {
        std::unique_ptr<QMenu> menu(Right().BuildContextMenu(nullptr));
        std::vector<std::string> items;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                items.push_back("-");
            else
                items.push_back(action->text().toStdString() + (action->isEnabled() ? "" : " (off)"));
        }
        return items;
    };
    Right().clearSelection();
    EXPECT_EQ(describe(), (std::vector<std::string>{"E&xtract...\tCtrl+E (off)", "De&lete\tCtrl+D (off)",
                                                    "&Rename\tF2 (off)", "-", "New &Directory\tCtrl+W",
                                                    "&Move to directory...\tCtrl+M (off)", "-",
                                                    "Clone &Object... (off)", "Re&sources...\tCtrl+R (off)"}));
    std::unique_ptr<QMenu> shown(Right().BuildContextMenu(nullptr));
    shown->popup(QPoint(20, 20));
    shown->setActiveAction(shown->actions()[4]);  // New Directory, enabled without a selection
    EXPECT_EQ(Frame().MessageText(), "");
    shown->hide();
    EXPECT_EQ(Frame().MessageText(), Frame().ArchiveSummary());

    Right().SelectRows({0});
    EXPECT_EQ(describe(), (std::vector<std::string>{"&Extract\tCtrl+E", "De&lete\tCtrl+D", "&Rename\tF2", "-",
                                                    "New &Directory\tCtrl+W", "&Move to Directory\tCtrl+M", "-",
                                                    "Clone &Object... (off)",
                                                    "Re&sources...\tCtrl+R (off)"}));  // a directory, no .iff
    // The menu holds the very actions of the shortcuts.
    std::unique_ptr<QMenu> withSelection(Right().BuildContextMenu(nullptr));
    EXPECT_EQ(withSelection->actions()[1], Frame().ActionFor(ID_FILE_DELETE));

    // A refill drops the selection, and the commands that need one go grey.
    Left().SelectPath("alpha");
    EXPECT_FALSE(Right().HasSelection());
    EXPECT_FALSE(Frame().ActionFor(ID_FILE_EXTRACT)->isEnabled());
}

TEST_F(EditorTest, FileMenuShowsPromptsAndTheSummaryAfterItCloses)
{
    ASSERT_TRUE(Start({Q(WriteArchive(folder_, "sample.far", kSample))}));
    Frame().show();
    QMenu* menu = Frame().FileMenu();
    std::vector<std::string> texts;
    for (QAction* action : menu->actions())
        texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    EXPECT_EQ(texts, (std::vector<std::string>{"&New\tCtrl+N", "&Open...\tCtrl+O", "Open &Read-Only...", "&Quick Save\tCtrl+Q",
                                               "&Save\tCtrl+S", "Save &As...", "-",
                                               "&1 " + RecentFileList::DisplayName(Q(folder_ / "sample.far"))
                                                           .toStdString(),
                                               "-", "E&xit"}));

    menu->popup(Frame().mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    EXPECT_FALSE(Frame().ActionFor(ID_FILE_QUICKSAVE)->isEnabled());  // unmodified
    menu->setActiveAction(Frame().ActionFor(ID_FILE_OPEN));
    EXPECT_EQ(Frame().MessageText(), "Open an existing document");
    menu->hide();
    EXPECT_EQ(Frame().MessageText(), Frame().ArchiveSummary());

    Doc().SetModified(true);
    menu->popup(Frame().mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    EXPECT_TRUE(Frame().ActionFor(ID_FILE_QUICKSAVE)->isEnabled());
    menu->setActiveAction(Frame().ActionFor(ID_FILE_SAVE));
    EXPECT_EQ(Frame().MessageText(), "Save the active document");
    menu->setActiveAction(Frame().ActionFor(ID_FILE_QUICKSAVE));
    EXPECT_EQ(Frame().MessageText(), "");  // the program's own commands have no prompt
    menu->hide();

    // Greyed items show their own prompt too, not the one hovered before.
    Doc().SetModified(false);
    menu->popup(Frame().mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    ASSERT_FALSE(Frame().ActionFor(ID_FILE_QUICKSAVE)->isEnabled());
    auto pointAt = [&](QAction* action) { QTest::mouseMove(menu, menu->actionGeometry(action).center()); };
    pointAt(Frame().ActionFor(ID_FILE_OPEN));
    EXPECT_EQ(Frame().MessageText(), "Open an existing document");
    pointAt(Frame().ActionFor(ID_FILE_QUICKSAVE));
    EXPECT_EQ(Frame().MessageText(), "");
    pointAt(Frame().ActionFor(ID_APP_EXIT));
    EXPECT_EQ(Frame().MessageText(), "Quit the application; prompts to save documents");
    pointAt(menu->actions()[8]);  // the separator above Exit
    EXPECT_EQ(Frame().MessageText(), "");
    menu->hide();
    EXPECT_EQ(Frame().MessageText(), Frame().ArchiveSummary());
    EXPECT_NE(Frame().MessageText(), "Ready");
    EXPECT_TRUE(Frame().MessageText().startsWith("4 item(s)"));
    EXPECT_TRUE(Frame().ActionFor(ID_FILE_NEW)->isEnabled());
}

TEST_F(EditorTest, DroppedLocalFilesGoToTheAddingHook)
{
    ASSERT_TRUE(Start({Q(WriteArchive(folder_, "sample.far", kSample))}));
    std::vector<std::string> received;
    int added = 0;
    Right().filesDropped = [&](CVornView& pane, const std::vector<std::string>& paths) {
        received = paths;
        // As the adding job does, through the document's tree.
        for (int i = 0; i < added; ++i) {
            MemoryStream bytes(vorn::testing::BytesOf("added"));
            pane.Document().Tree().AddFile("added" + std::to_string(i) + ".txt", bytes, false);
        }
        return added;
    };
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/one.txt"), QUrl("https://example.com/x"), QUrl::fromLocalFile("/tmp/two")});
    auto drop = [&] {
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &event);
    };
    drop();
    EXPECT_EQ(received, (std::vector<std::string>{"/tmp/one.txt", "/tmp/two"}));
    EXPECT_FALSE(Doc().IsModified());  // nothing was added

    added = 2;
    drop();
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Frame().windowTitle(), "sample.far * - Vorn");
}

TEST_F(EditorTest, ClosingAModifiedArchiveAsksFirst)
{
    ASSERT_TRUE(Start({Q(WriteArchive(folder_, "sample.far", kSample))}));
    Frame().show();
    Doc().SetModified(true);
    messenger_.Script({MessageAnswer::Cancel});
    EXPECT_FALSE(Frame().close());
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_TRUE(messenger_.Messages()[0].text.starts_with("Save changes to "));
    EXPECT_TRUE(Frame().isVisible());
    messenger_.Script({MessageAnswer::No});
    EXPECT_TRUE(Frame().close());
}

// A name typed but not confirmed is a change when the window closes, so the
// save question covers it; a window destroyed while the editor is open
// drops it (its commit used to reach the undo history already gone).
TEST_F(EditorTest, ANameBeingEditedIsAskedAboutOnCloseAndDroppedOnDestruction)
{
    ASSERT_TRUE(Start({Q(WriteArchive(folder_, "sample.far", kSample))}));
    ShowActive();
    auto typeWithoutEnter = [this](int row, const char* text) {
        Right().SelectRows({row});
        ASSERT_TRUE(Frame().OnCommand(ID_FILE_RENAME));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::fromLatin1(text));
    };
    typeWithoutEnter(2, "typed.txt");
    messenger_.Script({MessageAnswer::Cancel});
    EXPECT_FALSE(Frame().close());
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_TRUE(messenger_.Messages()[0].text.starts_with("Save changes to "));
    EXPECT_NE(Doc().Tree().FindFileItem("typed.txt"), nullptr);
    EXPECT_FALSE(Right().IsEditing());
    EXPECT_EQ(Adapter().Stack().count(), 1);

    typeWithoutEnter(3, "other.bin");
    Doc().SetModified(false);
    app_.reset();
}

TEST_F(EditorTest, ScreenshotOfTheMainWindow)
{
    ASSERT_TRUE(Start({Q(WriteArchive(folder_, "objects.far",
                                      {{"Objects\\chair.iff", std::string(4321, 'c')},
                                       {"Objects\\Tables\\table.iff", std::string(70000, 't')},
                                       {"Sounds\\door.xa", std::string(1234567, 'x')},
                                       {"readme.bmp", std::string(999, 'r')},
                                       {"Big.dat", std::string(1000, 'b')}}))}));
    Frame().resize(760, 420);
    Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    Right().SelectRows({2});
    EXPECT_EQ(Frame().windowTitle(), "objects.far - Vorn");
    const QImage shot = Frame().grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const qreal scale = shot.devicePixelRatio();
    const QRect picture(QPoint(0, 0), shot.size() / scale);
    EXPECT_EQ(picture.size(), Frame().size());

    // The first row of each pane lies whole inside the picture and has
    // something drawn in it (its text), not just the background.
    auto checkRow = [&](QWidget* viewport, QRect row, const char* pane) {
        ASSERT_FALSE(row.isEmpty()) << pane;
        const QRect inFrame(viewport->mapTo(&Frame(), row.topLeft()), row.size());
        EXPECT_TRUE(picture.contains(inFrame)) << pane;
        const QImage cell = shot.copy(QRect(inFrame.topLeft() * scale, inFrame.size() * scale));
        std::set<QRgb> colours;
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                colours.insert(cell.pixel(x, y));
        EXPECT_GT(colours.size(), 2u) << pane;
    };
    checkRow(Left().viewport(), Left().visualRect(Left().RootIndex()), "tree");
    EXPECT_EQ(Left().RootIndex().data().toString(), "objects.far");
    checkRow(Right().viewport(), Right().visualRect(Right().ViewIndex(0)), "list");
    EXPECT_EQ(Right().NameOf(0), "Objects");
}

} // namespace
} // namespace vorn::apptest

#include "app/app_test_support.h"
#include "app/command_ids.h"
#include "transfer/qt/move_dir_dialog.h"

#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

namespace vorn::apptest {
namespace {

using vorn::testing::FarFixtureFile;

const std::vector<FarFixtureFile> kFiles = {
    {"a\\x\\deep.txt", "deep"}, {"a\\one.txt", "1"}, {"b\\c\\two.txt", "22"},
    {"root1.txt", "r1"},        {"root2.txt", "r22"}, {"root3.txt", "r333"},
};

class FileCommandsTest : public EditorTest {
protected:
    void Open(const std::vector<FarFixtureFile>& files = kFiles)
    {
        path_ = WriteArchive(folder_, "cmds.far", files);
        ASSERT_TRUE(Start({Q(path_)}));
        ShowActive();
        Right().setFocus();
    }

    // Answers the move dialog the next command opens: the directory at
    // `destination` is chosen and OK pressed. What the dialog offered is
    // kept in offered_.
    void ChooseInMoveDialog(const std::string& destination)
    {
        QTimer::singleShot(0, [this, destination] {
            auto* dialog = qobject_cast<CMoveDirDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            offered_ = dialog->Paths();
            rootLabel_ = dialog->Tree()->topLevelItem(0)->text(0);
            QTreeWidgetItemIterator it(dialog->Tree());
            for (; *it; ++it) {
                const int index = (*it)->data(0, CMoveDirDialog::PathIndexRole).toInt();
                if (dialog->Paths()[static_cast<size_t>(index)] == destination) {
                    dialog->Tree()->setCurrentItem(*it);
                    dialog->OnOk();
                    return;
                }
            }
            ADD_FAILURE() << "the move dialog offers no " << destination;
            dialog->reject();
        });
    }

    int RowOf(const std::string& name)
    {
        for (int row = 0; row < Right().RowCount(); ++row) {
            if (Right().NameOf(row) == name)
                return row;
        }
        return -1;
    }

    std::filesystem::path path_;
    std::vector<std::string> offered_;
    QString rootLabel_;
};

TEST_F(FileCommandsTest, DeleteAsksTheQuestionThatFitsAndRemovesEverySelectedRow)
{
    Open();
    ASSERT_EQ(RowNames(), (std::vector<std::string>{"a", "b", "root1.txt", "root2.txt", "root3.txt"}));

    // No: nothing changes.
    Right().SelectRows({0, 2});
    messenger_.Script({MessageAnswer::No});
    Press(Qt::Key_D);
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0],
              (Message{"Do you want to delete the selected file(s) and the contents\nof the selected subdirectories?",
                       "Warning", MessageIcon::Question, MessageButtons::YesNo}));
    EXPECT_EQ(Right().RowCount(), 5);
    EXPECT_EQ(Doc().Tree().EntryCount(), 6u);
    EXPECT_FALSE(Doc().IsModified());

    // Yes on non-adjacent rows of both kinds: all go in one pass.
    Right().SelectRows({0, 2, 4});
    messenger_.Script({MessageAnswer::Yes});
    Press(Qt::Key_D);
    EXPECT_EQ(messenger_.Messages().back().text,
              "Do you want to delete the selected file(s) and the contents\nof the selected subdirectories?");
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"b", "root2.txt"}));
    EXPECT_EQ(ChildTexts(Left().RootIndex()), std::vector<std::string>{"b"});
    EXPECT_EQ(Doc().Tree().EntryCount(), 2u);
    EXPECT_EQ(Doc().Tree().FindFileItem("a\\x\\deep.txt"), nullptr);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Frame().MessageText(), "2 item(s), with a total of 5 byte(s) - Add files by dragging them here!");
    EXPECT_FALSE(Right().HasSelection());
    EXPECT_FALSE(Frame().ActionFor(ID_FILE_DELETE)->isEnabled());

    Right().SelectRows({0});
    messenger_.Script({MessageAnswer::No});
    Press(Qt::Key_D);
    EXPECT_EQ(messenger_.Messages().back().text, "Do you want to delete the contents of the selected subdirectories?");
    Right().SelectRows({1});
    messenger_.Script({MessageAnswer::No});
    Press(Qt::Key_D);
    EXPECT_EQ(messenger_.Messages().back().text, "Do you want to delete the selected file(s)?");
    EXPECT_EQ(Right().RowCount(), 2);
}

TEST_F(FileCommandsTest, ADeleteThatStopsHalfwayStillMarksTheDocumentModified)
{
    Open({{"d\\f1", "1"}, {"d\\f2", "22"}, {"e.txt", "333"}});
    // An entry gone behind the tree's back makes the directory's delete fail
    // at f1, after f2 (emptied first) has gone.
    ASSERT_TRUE(Doc().Archive().MarkDeleted(0));
    Right().SelectRows({0, 1});
    messenger_.Script({MessageAnswer::Yes});
    Press(Qt::Key_D);
    EXPECT_EQ(Doc().Tree().FindFileItem("d\\f2"), nullptr);
    EXPECT_NE(Doc().Tree().FindFileItem("e.txt"), nullptr);  // the command stopped at d
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"d", "e.txt"}));
    EXPECT_TRUE(Doc().IsModified());  // f2's removal must not be lost by a close without saving
    EXPECT_EQ(messenger_.Count(), 1u);  // no message for the failure
}

TEST_F(FileCommandsTest, RenameKeepsFilesInTheirDirectoryAndDirectoriesCarryTheirPaths)
{
    Open();
    // A root file: F2 from the tree pane too, and the path keeps its "\\".
    Right().SelectRows({RowOf("root2.txt")});
    Left().setFocus();
    Press(Qt::Key_F2, Qt::NoModifier);
    ASSERT_TRUE(Right().IsEditing());
    EXPECT_EQ(Right().CurrentRename().oldPath, "\\root2.txt");
    EXPECT_FALSE(Right().CurrentRename().isDirectory);
    ASSERT_TRUE(TypeIntoEditor("renamed.txt"));
    EXPECT_EQ(Right().NameOf(3), "renamed.txt");
    EXPECT_EQ(Right().PathOf(3), "\\renamed.txt");
    EXPECT_NE(Doc().Tree().FindFileItem("renamed.txt"), nullptr);
    EXPECT_TRUE(Doc().IsModified());

    // A directory: the tree item, the stored paths below it and the entries.
    Left().SelectPath("a");
    Left().SelectPath("");
    Right().SelectRows({0});
    Press(Qt::Key_F2, Qt::NoModifier);
    ASSERT_TRUE(TypeIntoEditor("q"));
    EXPECT_EQ(Right().PathOf(0), "q");
    EXPECT_EQ(Child(Left().RootIndex(), 0).data().toString(), "q");
    EXPECT_EQ(Left().PathOf(Left().IndexAtPath("q\\x")), "q\\x");
    EXPECT_NE(Doc().Tree().FindFileItem("q\\x\\deep.txt"), nullptr);
    Left().SelectPath("q\\x");
    EXPECT_EQ(RowNames(), std::vector<std::string>{"deep.txt"});
    EXPECT_EQ(Right().PathOf(0), "q\\x\\deep.txt");

    // Inside a directory the new path is the old one up to its last "\\".
    Press(Qt::Key_F2, Qt::NoModifier);  // nothing selected: refused
    EXPECT_FALSE(Right().IsEditing());
    Right().SelectRows({0});
    Right().setFocus();
    Press(Qt::Key_F2, Qt::NoModifier);
    ASSERT_TRUE(TypeIntoEditor("DEEP.TXT"));  // a change of case only is allowed
    EXPECT_EQ(Right().PathOf(0), "q\\x\\DEEP.TXT");
    EXPECT_NE(Doc().Tree().FindFileItem("q\\x\\DEEP.TXT"), nullptr);
}

TEST_F(FileCommandsTest, ARefusedRenameRestoresTheOldNameAndChangesNothing)
{
    Open();
    for (const QString& typed : {QStringLiteral("root3.txt"), QStringLiteral("ROOT3.TXT"), QStringLiteral("x\\y.txt"),
                                 QString::fromUtf8("\xe2\x82\xac.txt"), QString()}) {
        Right().SelectRows({RowOf("root1.txt")});
        Press(Qt::Key_F2, Qt::NoModifier);
        ASSERT_TRUE(TypeIntoEditor(typed)) << typed.toStdString();
        EXPECT_EQ(Right().NameOf(2), "root1.txt") << typed.toStdString();
        EXPECT_EQ(Right().PathOf(2), "\\root1.txt");
        EXPECT_NE(Doc().Tree().FindFileItem("root1.txt"), nullptr);
        EXPECT_FALSE(Doc().IsModified()) << typed.toStdString();
    }
    // A directory onto its sibling's name.
    Right().SelectRows({0});
    Press(Qt::Key_F2, Qt::NoModifier);
    ASSERT_TRUE(TypeIntoEditor("B"));
    EXPECT_EQ(Right().NameOf(0), "a");
    EXPECT_EQ(ChildTexts(Left().RootIndex()), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(messenger_.Count(), 0u);  // refusals are silent
}

TEST_F(FileCommandsTest, NewDirectoryNumbersItsNamesAndGoesBeforeTheFiles)
{
    Open();
    Left().SelectPath("a");
    ASSERT_EQ(RowNames(), (std::vector<std::string>{"x", "one.txt"}));
    Right().clearSelection();
    for (int i = 0; i < 3; ++i)
        Press(Qt::Key_W);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"x", "new directory", "new directory (2)", "new directory (3)",
                                                    "one.txt"}));
    EXPECT_EQ(Right().PathOf(3), "a\\new directory (3)");
    EXPECT_EQ(Right().ImageOf(3), CVornView::kImageDirectory);
    EXPECT_EQ(Right().SizeTextOf(3), "");
    EXPECT_EQ(ChildTexts(Left().IndexAtPath("a")),
              (std::vector<std::string>{"x", "new directory", "new directory (2)", "new directory (3)"}));
    EXPECT_NE(Doc().Tree().GetDirectoryRef("a\\new directory (2)"), nullptr);
    EXPECT_FALSE(Right().IsEditing());
    EXPECT_FALSE(Doc().IsModified());  // an empty directory is not saved

    // From the context menu, in a directory without files: at the end.
    Left().SelectPath("b");
    std::unique_ptr<QMenu> menu(Right().BuildContextMenu(nullptr));
    const QList<QAction*> items = menu->actions();
    EXPECT_TRUE(std::none_of(items.begin(), items.end(),
                             [](QAction* action) { return action->text().contains("Add file"); }));
    items[4]->trigger();
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"c", "new directory"}));
}

TEST_F(FileCommandsTest, MoveToDirectoryMovesInRowOrderAndKeepsTheTreeInStep)
{
    Open();
    // A directory into b\c: its item goes under c, with its own subdirectory.
    Left().SelectPath("a");
    Right().SelectRows({0});  // x
    ChooseInMoveDialog("b\\c");
    Press(Qt::Key_M);
    EXPECT_EQ(rootLabel_, "cmds.far");
    // The moved directory is not offered as a destination.
    EXPECT_EQ(std::count(offered_.begin(), offered_.end(), "a\\x"), 0);
    EXPECT_EQ(RowNames(), std::vector<std::string>{"one.txt"});
    EXPECT_FALSE(Left().IndexAtPath("a\\x").isValid());
    ASSERT_TRUE(Left().IndexAtPath("b\\c\\x").isValid());
    EXPECT_NE(Doc().Tree().FindFileItem("b\\c\\x\\deep.txt"), nullptr);
    EXPECT_TRUE(Doc().IsModified());
    const QString summary = Frame().MessageText();

    // Into the root: a top-level item, and the tree reaches it.
    Left().SelectPath("b\\c");
    Right().SelectRows({RowOf("x")});
    ChooseInMoveDialog("");
    Press(Qt::Key_M);
    EXPECT_EQ(ChildTexts(Left().RootIndex()), (std::vector<std::string>{"a", "b", "x"}));
    EXPECT_EQ(RowNames(), std::vector<std::string>{"two.txt"});
    EXPECT_EQ(Frame().MessageText(), summary);  // a move changes neither count nor size
}

TEST_F(FileCommandsTest, AMoveOntoAnExistingNameStopsThereAndKeepsTheMovesBeforeIt)
{
    Open({{"root1.txt", "1"}, {"root2.txt", "2"}, {"root3.txt", "3"}, {"d\\root2.txt", "other"}});
    Right().SelectRows({1, 2, 3});
    ChooseInMoveDialog("d");
    Press(Qt::Key_M);
    EXPECT_NE(Doc().Tree().FindFileItem("d\\root1.txt"), nullptr);     // moved
    EXPECT_NE(Doc().Tree().FindFileItem("root2.txt"), nullptr);        // refused: d has one
    EXPECT_NE(Doc().Tree().FindFileItem("root3.txt"), nullptr);        // never tried
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"d", "root2.txt", "root3.txt"}));
    EXPECT_EQ(messenger_.Count(), 0u);
}

TEST_F(FileCommandsTest, EnterOpensADirectoryRowAndSlowSecondClickRenames)
{
    Open();
    Right().SelectRows({1});
    Right().setCurrentIndex(Right().ViewIndex(1));
    Press(Qt::Key_Return, Qt::NoModifier);
    EXPECT_EQ(Right().ShownPath(), "b");
    EXPECT_EQ(Left().PathOf(Left().currentIndex()), "b");

    // A click on the name of a row that is already selected starts editing.
    Right().SelectRows({0});
    const QPoint name = Right().visualRect(Right().ViewIndex(0)).center();
    QTest::mouseClick(Right().viewport(), Qt::LeftButton, {}, name);
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    ASSERT_TRUE(Right().IsEditing());
    EXPECT_EQ(Right().CurrentRename().oldPath, "b\\c");
    ASSERT_TRUE(TypeIntoEditor("c2"));
    EXPECT_NE(Doc().Tree().FindFileItem("b\\c2\\two.txt"), nullptr);
}

TEST_F(FileCommandsTest, AConfirmedOverwriteOfADroppedFileRefreshesItsRow)
{
    Open();
    const auto disk = folder_ / "drop";
    std::filesystem::create_directories(disk);
    vorn::testing::WriteFileBytes(disk / "ROOT1.TXT", vorn::testing::BytesOf(std::string(1234, 'n')));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Q(disk / "ROOT1.TXT"))});
    messenger_.Script({MessageAnswer::Yes});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &drop);
    ASSERT_EQ(messenger_.Count(), 1u);  // the overwrite question, answered Yes
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"a", "b", "root1.txt", "root2.txt", "root3.txt"}));
    EXPECT_EQ(Right().SizeTextOf(2), "1234");
    EXPECT_EQ(Doc().Tree().EntryCount(), 6u);
}

TEST_F(FileCommandsTest, CommandsThroughTheWindowAreSavedAsAPlainArchive)
{
    Open();
    // Delete root1.txt.
    Right().SelectRows({RowOf("root1.txt")});
    messenger_.Script({MessageAnswer::Yes});
    Press(Qt::Key_D);
    // Rename root3.txt to three.txt.
    Right().SelectRows({RowOf("root3.txt")});
    Press(Qt::Key_F2, Qt::NoModifier);
    ASSERT_TRUE(TypeIntoEditor("three.txt"));
    // A new directory, and root2.txt moved into it so it is stored.
    Right().clearSelection();
    Press(Qt::Key_W);
    Right().SelectRows({RowOf("root2.txt")});
    ChooseInMoveDialog("new directory");
    Press(Qt::Key_M);
    // Directory a moved into b.
    Right().SelectRows({RowOf("a")});
    ChooseInMoveDialog("b");
    Press(Qt::Key_M);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"b", "new directory", "three.txt"}));
    // The moved directory's own subdirectory can be reached in the tree pane.
    ASSERT_TRUE(Left().IndexAtPath("b\\a\\x").isValid());
    Left().SelectPath("b\\a\\x");
    EXPECT_EQ(RowNames(), std::vector<std::string>{"deep.txt"});
    Left().SelectPath("");

    Press(Qt::Key_S);
    ASSERT_FALSE(Doc().IsModified());
    // Entries keep the archive's order, each under its new name.
    EXPECT_EQ(vorn::testing::ReadFileBytes(path_), vorn::testing::MakeFarImage({{"b\\a\\x\\deep.txt", "deep"},
                                                                                {"b\\a\\one.txt", "1"},
                                                                                {"b\\c\\two.txt", "22"},
                                                                                {"new directory\\root2.txt", "r22"},
                                                                                {"three.txt", "r333"}}));
    // Opened again, the window shows the same.
    app_.reset();
    ASSERT_TRUE(Start({Q(path_)}));
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"b", "new directory", "three.txt"}));
    EXPECT_EQ(ChildTexts(Left().IndexAtPath("b")), (std::vector<std::string>{"a", "c"}));
}

} // namespace
} // namespace vorn::apptest

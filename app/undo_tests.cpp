#include "app/app_test_support.h"
#include "app/command_ids.h"
#include "app/document_adapter.h"
#include "app/file_commands.h"

#include <QMenuBar>
#include <QStatusBar>
#include <QUndoStack>

namespace vorn::apptest {
namespace {

using vorn::testing::FarFixtureFile;

const std::vector<FarFixtureFile> kFiles = {
    {"a\\x\\deep.txt", "deep"}, {"a\\one.txt", "1"}, {"b\\c\\two.txt", "22"},
    {"root1.txt", "r1"},        {"root2.txt", "r22"}, {"root3.txt", "r333"},
};

class UndoTest : public EditorTest {
protected:
    void Open()
    {
        ASSERT_TRUE(Start({Q(WriteArchive(folder_, "undo.far", kFiles))}));
        ShowActive();
        Right().setFocus();
    }
    QAction* Undo() { return Frame().EditMenu()->actions().value(0); }
    QAction* Redo() { return Frame().EditMenu()->actions().value(1); }
    // Both panes and the status line as a user sees them.
    std::string Panes()
    {
        std::string text;
        for (int row = 0; row < Right().RowCount(); ++row)
            text += Right().NameOf(row) + "(" + Right().SizeTextOf(row) + ") ";
        std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& item, int depth) {
            text += "|" + std::string(static_cast<size_t>(depth), '-') + item.data().toString().toStdString();
            for (int i = 0; i < ChildCount(item); ++i)
                walk(Child(item, i), depth + 1);
        };
        walk(Left().RootIndex(), 0);
        return text + "|" + Frame().MessageText().toStdString();
    }
};

TEST_F(UndoTest, TheEditMenuNamesTheStepAndItsShortcutsTakeItBackAndAgain)
{
    Open();
    const QList<QAction*> menus = Frame().menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Edit");
    EXPECT_FALSE(Undo()->isEnabled());
    EXPECT_FALSE(Redo()->isEnabled());
    EXPECT_EQ(Undo()->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z)});
    EXPECT_EQ(Redo()->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                                         QKeySequence(Qt::CTRL | Qt::Key_Y)}));
    const std::string before = Panes();

    // Delete a directory and two files, with the sort the user chose kept.
    Right().SelectRows({0, 3, 4});
    messenger_.Script({MessageAnswer::Yes});
    Press(Qt::Key_D);
    const std::string deleted = Panes();
    EXPECT_EQ(deleted, "b() root1.txt(2) |undo.far|-b|--c|2 item(s), with a total of 4 byte(s) - Add files by "
                       "dragging them here!");
    EXPECT_EQ(Undo()->text(), "&Undo Delete 3 items");
    EXPECT_EQ(Frame().windowTitle(), "undo.far * - Vorn");

    Press(Qt::Key_Z);
    EXPECT_EQ(Panes(), before);
    EXPECT_EQ(Frame().windowTitle(), "undo.far - Vorn");
    EXPECT_EQ(Redo()->text(), "&Redo Delete 3 items");
    Press(Qt::Key_Y);
    EXPECT_EQ(Panes(), deleted);
    Press(Qt::Key_Z);
    Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Panes(), deleted);

    // Rename is named after the old name; a new step drops the redo.
    Press(Qt::Key_Z);
    Right().SelectRows({2});
    Press(Qt::Key_F2, Qt::NoModifier);
    ASSERT_TRUE(TypeIntoEditor("renamed.txt"));
    EXPECT_EQ(Right().NameOf(2), "renamed.txt");
    EXPECT_EQ(Undo()->text(), "&Undo Rename \"root1.txt\"");
    EXPECT_FALSE(Redo()->isEnabled());
    Press(Qt::Key_Z);
    EXPECT_EQ(Panes(), before);
    EXPECT_FALSE(Undo()->isEnabled());
}

TEST_F(UndoTest, PanesFollowUndoneMovesAndNewDirectoriesAndKeepTheShownDirectory)
{
    Open();
    const std::string before = Panes();
    Press(Qt::Key_W);  // new directory at the root
    EXPECT_EQ(Right().NameOf(2), "new directory");
    EXPECT_FALSE(Doc().IsModified());  // nothing a save would store
    EXPECT_EQ(Undo()->text(), "&Undo New Directory");

    // A directory moved below another, then the move taken back while the
    // list shows the moved directory's contents.
    Adapter().Begin("Move");
    ASSERT_TRUE(Doc().Tree().MoveDirectory("a", "b\\c"));
    Adapter().End();
    EXPECT_TRUE(Left().IndexAtPath("b\\c\\a\\x").isValid());
    Left().SelectPath("b\\c\\a");
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"x", "one.txt"}));
    Press(Qt::Key_Z);
    EXPECT_EQ(Right().ShownPath(), "a");
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"x", "one.txt"}));
    EXPECT_FALSE(Left().IndexAtPath("b\\c\\a").isValid());
    Press(Qt::Key_Z);
    Left().SelectPath("");
    EXPECT_EQ(Panes(), before);
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(UndoTest, AFullSaveKeepsTheHistoryAndUndoingAfterItStillHasTheBytes)
{
    Open();
    Right().SelectRows({0});  // directory a, never read
    messenger_.Script({MessageAnswer::Yes});
    Press(Qt::Key_D);
    Press(Qt::Key_S);
    EXPECT_EQ(Frame().windowTitle(), "undo.far - Vorn");
    Press(Qt::Key_Z);
    EXPECT_EQ(Frame().windowTitle(), "undo.far * - Vorn");
    Press(Qt::Key_S);
    const auto contents = vorn::testing::LoadArchiveContents(folder_ / "undo.far");
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->at("a\\x\\deep.txt"), "deep");
    EXPECT_EQ(contents->size(), kFiles.size());
    EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());
    // A new archive has no history.
    app_->OnFileNew();
    EXPECT_FALSE(Undo()->isEnabled());
}

} // namespace
} // namespace vorn::apptest

#include "app/app_test_support.h"
#include "app/directory_tree_model.h"
#include "app/file_list_model.h"
#include "base/memory_stream.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QUndoStack>

namespace vorn::apptest {
namespace {

using vorn::testing::FarFixtureFile;

// The panes' models follow the document's change reports instead of being
// filled again; these tests hold them to what a fresh fill would show, and
// to not resetting (losing scroll position and selection) for small edits.
class PaneModelTest : public EditorTest {
protected:
    void Open(const std::vector<FarFixtureFile>& files)
    {
        ASSERT_TRUE(Start({Q(WriteArchive(folder_, "panes.far", files))}));
        Frame().show();
        treeResets_ = std::make_unique<QSignalSpy>(&Left().Model(), &QAbstractItemModel::modelReset);
        listResets_ = std::make_unique<QSignalSpy>(&Right().Model(), &QAbstractItemModel::modelReset);
    }

    // One step of the history, as a command makes it.
    template <class Change>
    void Step(Change change)
    {
        Adapter().Begin("step");
        change(Doc().Tree());
        Adapter().End();
    }

    static std::string Walk(const QAbstractItemModel& model, const QModelIndex& parent, int depth)
    {
        std::string text;
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex item = model.index(row, 0, parent);
            text += std::string(static_cast<size_t>(depth), '-') + item.data().toString().toStdString() + "=" +
                    static_cast<const DirectoryTreeModel&>(model).PathOf(item) + "|";
            text += Walk(model, item, depth + 1);
        }
        return text;
    }
    static std::string Rows(const FileListModel& model)
    {
        std::string text;
        for (int row = 0; row < model.RowCount(); ++row) {
            const FileListModel::Row& value = model.At(row);
            text += value.name + "(" + value.sizeText + "," + std::to_string(value.image) + "," + value.path + ")|";
        }
        return text;
    }

    // Both panes as they are, against both panes filled afresh from the document.
    void ExpectPanesAsAFreshFill(const std::string& when)
    {
        SCOPED_TRACE(when);
        DirectoryTreeModel tree(Doc().Tree());
        tree.Rebuild(Left().RootIndex().data().toString());
        EXPECT_EQ(Walk(Left().Model(), QModelIndex(), 0), Walk(tree, QModelIndex(), 0));
        FileListModel list(Doc().Tree());
        const std::optional<CFarDirectory> shown = Doc().Tree().GetDirectory(Right().ShownPath());
        ASSERT_TRUE(shown);
        list.Show(*shown);
        EXPECT_EQ(Rows(Right().Model()), Rows(list));
    }

    std::unique_ptr<QSignalSpy> treeResets_;
    std::unique_ptr<QSignalSpy> listResets_;
};

TEST_F(PaneModelTest, EveryEditUndoneAndRedoneLeavesThePanesAsAFreshFillWithoutAReset)
{
    // Directories with siblings after them, so that putting one back at the
    // end instead of its place shows.
    Open({{"a\\x\\deep.txt", "deep"},
          {"a\\y\\why.txt", "y"},
          {"a\\one.txt", "1"},
          {"b\\c\\two.txt", "22"},
          {"b\\d\\four.txt", "4444"},
          {"b\\three.txt", std::string(1000, '3')},
          {"root1.txt", "r1"},
          {"root2.txt", "r22"}});
    Left().expand(Left().IndexAtPath("a"));
    Left().SelectPath("b");
    const int listResetsAtShow = listResets_->count();
    const QPersistentModelIndex expandedA = Left().IndexAtPath("a");
    using Tree = CFarDirectoryTree;
    const std::vector<std::pair<const char*, std::function<void(Tree&)>>> edits = {
        {"rename a file", [](Tree& t) { EXPECT_TRUE(t.RenameFile("b\\three.txt", "b\\Three.dat")); }},
        {"new directory", [](Tree& t) { EXPECT_TRUE(t.MakeDirectory("b\\new directory")); }},
        {"move a file in", [](Tree& t) { EXPECT_TRUE(t.MoveFileItem("root1.txt", "b")); }},
        {"move a file out", [](Tree& t) { EXPECT_TRUE(t.MoveFileItem("b\\c\\two.txt", "")); }},
        {"move a directory in", [](Tree& t) { EXPECT_TRUE(t.MoveDirectory("a\\x", "b")); }},
        {"rename a directory", [](Tree& t) { EXPECT_TRUE(t.RenameDirectory("b\\c", "b\\see")); }},
        {"delete a directory", [](Tree& t) { EXPECT_TRUE(t.DeleteDirectory("b\\see")); }},
        {"add and replace", [](Tree& t) {
             MemoryStream bytes(vorn::testing::BytesOf("12345"));
             EXPECT_TRUE(t.AddFile("b\\added.txt", bytes, false));
             bytes.Seek(0, SeekOrigin::Begin);
             EXPECT_TRUE(t.AddFile("b\\Three.dat", bytes, true));
         }},
        {"delete files", [](Tree& t) { EXPECT_TRUE(t.RemoveFile("b\\root1.txt") && t.RemoveFile("root2.txt")); }},
    };
    for (const auto& [name, edit] : edits) {
        Step(edit);
        ExpectPanesAsAFreshFill(std::string("after ") + name);
    }
    EXPECT_EQ(Right().ShownPath(), "b");
    EXPECT_EQ(Right().NameOf(Right().RowCount() - 1), "added.txt");
    for (size_t i = 0; i < edits.size(); ++i) {
        Adapter().Stack().undo();
        ExpectPanesAsAFreshFill("undo " + std::to_string(i));
    }
    for (size_t i = 0; i < edits.size(); ++i) {
        Adapter().Stack().redo();
        ExpectPanesAsAFreshFill("redo " + std::to_string(i));
    }
    EXPECT_EQ(treeResets_->count(), 0);
    EXPECT_EQ(listResets_->count(), listResetsAtShow);
    // "a" was only ever renamed below, never taken out: it stays open.
    ASSERT_TRUE(expandedA.isValid());
    EXPECT_TRUE(Left().isExpanded(expandedA));
    EXPECT_EQ(Left().PathOf(Left().currentIndex()), "b");
}

TEST_F(PaneModelTest, AOneRowChangeKeepsScrollAndSelectionWhileAThousandRowsRefillOnce)
{
    std::vector<FarFixtureFile> files;
    for (int i = 0; i < 2000; ++i)
        files.push_back({"big\\f" + std::to_string(10000 + i) + ".txt", std::string(static_cast<size_t>(i % 5), 'x')});
    Open(files);
    Left().SelectPath("big");
    const int resetsAtShow = listResets_->count();
    Right().SelectRows({1000});
    Right().scrollTo(Right().ViewIndex(1000), QAbstractItemView::PositionAtCenter);
    QScrollBar* scroll = Right().verticalScrollBar();
    const int position = scroll->value();
    ASSERT_GT(position, 0);

    Step([](CFarDirectoryTree& t) { EXPECT_TRUE(t.RemoveFile("big\\f11500.txt")); });
    Step([](CFarDirectoryTree& t) { EXPECT_TRUE(t.RenameFile("big\\f11000.txt", "big\\renamed.txt")); });
    Step([](CFarDirectoryTree& t) {
        MemoryStream bytes(vorn::testing::BytesOf("new"));
        EXPECT_TRUE(t.AddFile("big\\late.txt", bytes, false));
    });
    Adapter().Stack().undo();
    EXPECT_EQ(listResets_->count(), resetsAtShow);
    EXPECT_EQ(scroll->value(), position);
    EXPECT_EQ(Right().SelectedRows(), std::vector<int>{1000});
    EXPECT_EQ(Right().NameOf(1000), "renamed.txt");
    EXPECT_EQ(Right().RowCount(), 1999);
    ExpectPanesAsAFreshFill("after one-row changes");

    // A thousand rows in one step: filled again once, at the step's end.
    Step([](CFarDirectoryTree& t) {
        for (int i = 0; i < 1000; ++i)
            t.RemoveFile("big\\f" + std::to_string(10000 + 2 * i) + ".txt");
    });
    EXPECT_EQ(listResets_->count(), resetsAtShow + 1);
    EXPECT_EQ(Right().RowCount(), 1001);  // f11000 and f11500 were gone already
    ExpectPanesAsAFreshFill("after deleting a thousand");
    Adapter().Stack().undo();
    EXPECT_EQ(Right().RowCount(), 1999);
    ExpectPanesAsAFreshFill("after undoing it");

    // The root refills as any other directory.
    Left().SelectPath("");
    Step([](CFarDirectoryTree& t) {
        for (int i = 0; i < 300; ++i) {
            MemoryStream bytes(vorn::testing::BytesOf("r"));
            t.AddFile("r" + std::to_string(i) + ".txt", bytes, false);
        }
    });
    EXPECT_EQ(Right().RowCount(), 301);
    ExpectPanesAsAFreshFill("after adding 300 files at the root");
}

} // namespace
} // namespace vorn::apptest

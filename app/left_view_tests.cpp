#include "app/app_test_support.h"

namespace vorn::apptest {
namespace {

class TreePaneTest : public EditorTest {
protected:
    void Open(const std::vector<vorn::testing::FarFixtureFile>& files)
    {
        ASSERT_TRUE(Start({Q(WriteArchive(folder_, "tree.far", files))}));
    }
};

TEST_F(TreePaneTest, BothPanesKeepTheArchiveOrderWithCaseEqualDuplicates)
{
    // Unsorted names, directories met again in another letter case, and a
    // file named twice: the later entry's item keeps the first one's place.
    Open({{"zeta\\b.txt", "1"},
          {"Alpha\\x", "22"},
          {"ZETA\\a.txt", "333"},
          {"zeta\\B.TXT", "4444"},
          {"mid\\q", "5"},
          {"root2", "66"},
          {"Root1", "777"},
          {"ROOT2", "8"}});
    EXPECT_EQ(ChildTexts(Left().RootIndex()), (std::vector<std::string>{"zeta", "Alpha", "mid"}));
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"zeta", "Alpha", "mid", "ROOT2", "Root1"}));
    EXPECT_EQ(Right().SizeTextOf(3), "1");
    Left().SelectPath("zeta");
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"B.TXT", "a.txt"}));
    EXPECT_EQ(Right().SizeTextOf(0), "4");
}

TEST_F(TreePaneTest, RenamingADirectoryRewritesTheStoredPathsBelowIt)
{
    Open({{"a\\x\\f1", "1"}, {"a\\x\\y\\f2", "22"}, {"ab\\f3", "333"}});
    ASSERT_TRUE(Doc().Tree().RenameDirectory("a", "b"));
    Left().RenameDirectory("a", "b");
    EXPECT_EQ(ChildTexts(Left().RootIndex()), (std::vector<std::string>{"b", "ab"}));
    // "ab" only shares the letters, not the directory.
    EXPECT_EQ(Left().PathOf(Child(Left().RootIndex(), 1)), "ab");
    EXPECT_EQ(Left().PathOf(Child(Child(Left().RootIndex(), 0), 0)), "b\\x");
    EXPECT_EQ(Left().PathOf(Child(Child(Child(Left().RootIndex(), 0), 0), 0)), "b\\x\\y");

    Left().SelectPath("b\\x\\y");
    EXPECT_EQ(Right().ShownPath(), "b\\x\\y");
    EXPECT_EQ(RowNames(), std::vector<std::string>{"f2"});

    // A path that no longer walks leaves everything alone.
    Left().RenameDirectory("a", "c");
    EXPECT_EQ(ChildTexts(Left().RootIndex()), (std::vector<std::string>{"b", "ab"}));
}

TEST_F(TreePaneTest, WalkingIsCaseSensitiveWhileSelectingAChildIsNot)
{
    Open({{"Data\\Sub\\f", "1"}, {"other\\g", "2"}});
    Left().SelectPath("data\\Sub");  // no item is called "data"
    EXPECT_EQ(Left().currentIndex(), Left().RootIndex());
    Left().SelectPath("Data\\sub\\deeper");  // stops at the last matching level
    EXPECT_EQ(Left().PathOf(Left().currentIndex()), "Data");

    Left().SelectPath("");
    Left().SelectChildByPath("DATA");
    EXPECT_EQ(Left().PathOf(Left().currentIndex()), "Data");
    Left().SelectChildByPath("data\\SUB");
    EXPECT_EQ(Left().PathOf(Left().currentIndex()), "Data\\Sub");
    EXPECT_EQ(RowNames(), std::vector<std::string>{"f"});
    Left().SelectChildByPath("nothing");
    EXPECT_EQ(Left().PathOf(Left().currentIndex()), "Data\\Sub");
}

TEST_F(TreePaneTest, AddingAndRemovingDirectoriesByPath)
{
    Open({{"a\\b\\c\\f", "1"}, {"e\\g", "2"}});
    ASSERT_TRUE(Doc().Tree().MakeDirectory("n\\m"));
    Left().AddDirectoryByPath("n\\m");
    const QModelIndex n = Left().IndexAtPath("n");
    ASSERT_TRUE(n.isValid());
    const QModelIndex m = Left().IndexAtPath("n\\m");
    ASSERT_TRUE(m.isValid());
    EXPECT_EQ(n.parent(), Left().RootIndex());
    EXPECT_EQ(n.row(), 2);  // appended after its siblings
    for (const QModelIndex& item : {n, m}) {
        EXPECT_EQ(item.data(CLeftView::ImageRole).toInt(), 0);
        EXPECT_EQ(item.data(CLeftView::SelectedImageRole).toInt(), 0);
    }
    EXPECT_EQ(Left().IndexAtPath("a").data(CLeftView::SelectedImageRole).toInt(), 1);
    EXPECT_EQ(Left().PathOf(m), "n\\m");
    Left().AddDirectoryByPath("n\\m\\unknown");  // not in the model: nothing
    EXPECT_EQ(ChildCount(m), 0);

    // Never expanded, and still its whole subtree goes.
    ASSERT_FALSE(Left().isExpanded(Left().IndexAtPath("a")));
    Left().RemoveDirectoryByPath("a");
    EXPECT_EQ(ChildTexts(Left().RootIndex()), (std::vector<std::string>{"e", "n"}));
    Left().RemoveDirectoryByPath("x\\y");
    EXPECT_EQ(ChildCount(Left().RootIndex()), 2);
}

TEST_F(TreePaneTest, RebuildsFromTheDocumentOnNewAndOpen)
{
    Open({{"a\\f", "1"}});
    Left().SelectPath("a");
    app_->OnFileNew();
    EXPECT_EQ(Left().RootIndex().data().toString(), "Untitled");
    EXPECT_EQ(ChildCount(Left().RootIndex()), 0);
    EXPECT_EQ(Left().PathTable(), std::vector<std::string>{""});
    EXPECT_EQ(Right().RowCount(), 0);
    EXPECT_EQ(Frame().windowTitle(), "Untitled - Vorn");
}

} // namespace
} // namespace vorn::apptest

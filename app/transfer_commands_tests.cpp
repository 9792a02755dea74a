#include "app/app_test_support.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace vorn::apptest {
namespace {

using vorn::testing::BytesOf;
using vorn::testing::WriteFileBytes;

TEST_F(EditorTest, DroppedFoldersAreAddedToTheShownDirectoryByTheRealJob)
{
    ASSERT_TRUE(Start({Q(WriteArchive(folder_, "sample.far", {{"alpha\\d.txt", "ddd"}}))}));
    Left().SelectPath("alpha");
    ASSERT_EQ(Right().ShownPath(), "alpha");

    const auto disk = folder_ / "drop";
    std::filesystem::create_directories(disk / "Nested" / "Deeper");
    WriteFileBytes(disk / "Nested" / "Deeper" / "leaf.bin", BytesOf("leaf bytes"));
    WriteFileBytes(disk / "top.txt", BytesOf("top"));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Q(disk / "Nested")), QUrl::fromLocalFile(Q(disk / "top.txt"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &drop);

    // The archive holds the files under the shown directory ...
    const auto leaf = Doc().Tree().CopyEntryData("alpha\\Nested\\Deeper\\leaf.bin");
    ASSERT_TRUE(leaf);
    EXPECT_EQ(std::string(leaf->begin(), leaf->end()), "leaf bytes");
    EXPECT_TRUE(Doc().Tree().CopyEntryData("alpha\\top.txt"));
    // ... the list pane gained the top folder before the files and the new file
    // after them, the tree pane every folder, and the document is modified.
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"Nested", "d.txt", "top.txt"}));
    EXPECT_TRUE(Left().IndexAtPath("alpha\\Nested\\Deeper").isValid());
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(messenger_.Count(), 0u);
}

} // namespace
} // namespace vorn::apptest

#include "app/app_test_support.h"
#include "app/command_ids.h"

#include <QMimeData>
#include <QUrl>

namespace vorn::apptest {
namespace {

const std::vector<vorn::testing::FarFixtureFile> kSample = {
    {"zeta\\b\\c.txt", "cc"},
    {"alpha\\d.txt", "ddd"},
    {"e.txt", "eeee"},
};

TEST_F(EditorTest, AnArchiveOpenedReadOnlyIsBrowsedAndCopiedButNeverChanged)
{
    const std::filesystem::path path = WriteArchive(folder_, "sample.far", kSample);
    const std::vector<uint8_t> original = vorn::testing::ReadFileBytes(path);
    ASSERT_TRUE(Start({QStringLiteral("--read-only"), Q(path)}));
    ShowActive();
    EXPECT_EQ(Frame().windowTitle(), "sample.far [Read-Only] - Vorn");
    EXPECT_EQ(Left().RootIndex().data().toString(), "sample.far");

    // No exclusive lock: another browser opens it, an editor is refused.
    RecordingMessenger otherMessenger;
    CVornDoc reader(otherMessenger);
    CVornDoc writer(otherMessenger);
    EXPECT_TRUE(reader.OpenDocument(path, OpenAccess::ReadOnlyShared));
    EXPECT_FALSE(writer.OpenDocument(path));
    EXPECT_EQ(otherMessenger.Count(), 1u);

    // What reads stays; what would change the archive is greyed and refused,
    // from the menus, the shortcuts and the name editor alike.
    Right().SelectRows({2});
    for (int id : {ID_FILE_EXTRACT, ID_FILE_SAVE_AS, ID_FILE_OPEN, ID_FILE_OPEN_READONLY, ID_FILE_NEW})
        EXPECT_TRUE(Frame().IsCommandEnabled(id)) << id;
    for (int id : {ID_FILE_DELETE, ID_FILE_RENAME, ID_FILE_NEWDIRECTORY, ID_FILE_MOVETODIRECTORY, ID_FILE_SAVE,
                   ID_FILE_QUICKSAVE}) {
        EXPECT_FALSE(Frame().IsCommandEnabled(id)) << id;
        EXPECT_FALSE(Frame().OnCommand(id)) << id;
    }
    QTest::keyClick(&Right(), Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(&Right(), Qt::Key_W, Qt::ControlModifier);
    Right().EditRow(2);
    EXPECT_FALSE(Right().IsEditing());
    bool dropped = false;
    Right().filesDropped = [&](CVornView&, const std::vector<std::string>&) { return dropped = true, 1; };
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/one.txt")});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&Frame(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &drop);
    EXPECT_FALSE(dropped);
    EXPECT_EQ(messenger_.Count(), 0u);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"zeta", "alpha", "e.txt"}));
    EXPECT_EQ(Adapter().Stack().count(), 0);
    EXPECT_FALSE(Doc().IsModified());

    // Save As writes a copy, and the window goes on with it, writable; the
    // browsed file did not join the recent files, the copy did.
    app_->savePathPrompt = [this](const QString&) { return std::optional<QString>(Q(folder_ / "copy.far")); };
    ASSERT_TRUE(Frame().OnCommand(ID_FILE_SAVE_AS));
    EXPECT_EQ(Frame().windowTitle(), "copy.far - Vorn");
    EXPECT_EQ(Left().Model().RootIndex().data().toString(), "copy.far");
    EXPECT_EQ(vorn::testing::ReadFileBytes(folder_ / "copy.far"), original);
    EXPECT_EQ(app_->RecentFiles().Entries(), QStringList{Q(folder_ / "copy.far")});
    Right().SelectRows({2});
    EXPECT_TRUE(Frame().IsCommandEnabled(ID_FILE_DELETE));
    Right().EditRow(2);
    EXPECT_TRUE(TypeIntoEditor("renamed.txt"));
    EXPECT_EQ(Adapter().Stack().count(), 1);
    EXPECT_EQ(vorn::testing::ReadFileBytes(path), original);
    reader.NewDocument();
    EXPECT_TRUE(writer.OpenDocument(path));  // the window no longer holds it
}

TEST_F(EditorTest, OpenReadOnlyComesFromTheMenuOrWithOneArchiveFromTheCommandLine)
{
    const std::filesystem::path path = WriteArchive(folder_, "sample.far", kSample);
    EXPECT_FALSE(Start({QStringLiteral("--read-only")}));
    EXPECT_FALSE(Start({QStringLiteral("--readonly"), Q(path)}));
    EXPECT_FALSE(Start({Q(path), Q(path)}));
    EXPECT_EQ(messenger_.Count(), 0u);

    ASSERT_TRUE(Start());
    app_->openPathPrompt = [&] { return std::optional<QString>(Q(path)); };
    ASSERT_TRUE(Frame().OnCommand(ID_FILE_OPEN_READONLY));
    EXPECT_TRUE(Doc().IsReadOnly());
    EXPECT_EQ(Frame().windowTitle(), "sample.far [Read-Only] - Vorn");
    EXPECT_FALSE(Frame().IsCommandEnabled(ID_FILE_NEWDIRECTORY));
    // New ends the browsing.
    ASSERT_TRUE(Frame().OnCommand(ID_FILE_NEW));
    EXPECT_EQ(Frame().windowTitle(), "Untitled - Vorn");
    EXPECT_TRUE(Frame().IsCommandEnabled(ID_FILE_NEWDIRECTORY));
}

} // namespace
} // namespace vorn::apptest

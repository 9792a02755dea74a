#include "app/app_test_support.h"
#include "app/command_ids.h"

#include "base/file_stream.h"

namespace vorn::apptest {
namespace {

using vorn::testing::MakeFarImage;
using vorn::testing::ReadFileBytes;
using vorn::testing::WriteFileBytes;

// A file the editor could not read stays on screen, but neither Save nor
// Quick Save writes over it (Quick Save is not even offered), and it is not
// offered again as a recent file.
TEST_F(EditorTest, AFileThatFailedToLoadIsShownButNotSavedOverOrRemembered)
{
    std::vector<uint8_t> cut = MakeFarImage({{"kept\\a.txt", "A"}, {"lost\\b.txt", "B"}});
    cut.resize(cut.size() - 3);
    const std::filesystem::path path = folder_ / "cut.far";
    WriteFileBytes(path, cut);
    ASSERT_TRUE(Start({Q(path)}));
    ASSERT_EQ(messenger_.Count(), 1u);
    EXPECT_EQ(messenger_.Messages()[0].text, "Error while loading the FAR file!");
    EXPECT_EQ(Frame().windowTitle(), "cut.far - Vorn");
    EXPECT_EQ(RowNames(), std::vector<std::string>{"kept"});
    EXPECT_TRUE(app_->RecentFiles().Entries().isEmpty());

    QStringList offered;
    app_->savePathPrompt = [&](const QString& name) {
        offered.push_back(name);
        return std::optional<QString>();
    };
    Frame().show();
    QApplication::setActiveWindow(&Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    QTest::keyClick(&Frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(offered, QStringList{QStringLiteral("cut.far")});

    // A change made through the list pane, as the user makes one.
    messenger_.Script({MessageAnswer::Yes});
    Right().SelectRows({0});
    ASSERT_TRUE(Frame().OnCommand(ID_FILE_DELETE));
    ASSERT_TRUE(Doc().IsModified());
    EXPECT_FALSE(Frame().ActionFor(ID_FILE_QUICKSAVE)->isEnabled());
    messenger_.Clear();
    QTest::keyClick(&Frame(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(messenger_.Count(), 0u);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(ReadFileBytes(path), cut);
    EXPECT_TRUE(app_->RecentFiles().Entries().isEmpty());
}

} // namespace
} // namespace vorn::apptest

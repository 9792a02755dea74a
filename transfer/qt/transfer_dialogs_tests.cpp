#include "transfer/qt/folder_picker.h"
#include "transfer/qt/move_dir_dialog.h"
#include "transfer/qt/transfer_dialog.h"

#include "base/memory_stream.h"
#include "testing/qt/test_application.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_test_host.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

// fontconfig keeps caches for the life of the process, which the leak
// checker reports once the offscreen platform has loaded fonts.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

namespace vorn {
namespace {

using namespace vorn::testing;
namespace fs = std::filesystem;

// Runs `step` once the modal loop is up.
void Soon(std::function<void()> step, int ms = 0)
{
    QTimer::singleShot(ms, qApp, std::move(step));
}

class DialogTest : public ::testing::Test {
protected:
    DialogTest() { TestApplication(); }
};

TEST_F(DialogTest, ProgressDialogIgnoresEnterAndEscapeAndEndsOnCancel)
{
    CFarArchive archive;
    CFarDirectoryTree tree;
    tree.Build(archive);
    RecordingMessenger messenger;
    CTransferDialog dialog(tree, messenger);
    EXPECT_EQ(dialog.windowTitle(), "Vorn");
    EXPECT_EQ(dialog.ProgressText(), "Extracting...");
    EXPECT_EQ(dialog.CancelButton()->text(), "&Cancel");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);

    // A worker that runs until it is told to stop.
    dialog.SetWorker([](TransferJob& job) {
        job.host->SetProgressText("Extracting...busy");
        while (!transfer_detail::StopOnCancel(job))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return TransferOutcome::Cancelled;
    });
    bool stillOpen = false;
    Soon([&] {
        QTest::keyClick(&dialog, Qt::Key_Return);
        QTest::keyClick(&dialog, Qt::Key_Enter);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        Soon([&] {
            stillOpen = dialog.isVisible() && dialog.Job().cancelRequested.load() == 0;
            EXPECT_EQ(dialog.ProgressText(), "Extracting...busy");
            dialog.close(); // no close box, and closing is refused too
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        }, 300);
    });
    EXPECT_EQ(dialog.Run(), TransferJob::kCancelled);
    EXPECT_TRUE(stillOpen);
}

TEST_F(DialogTest, ProgressDialogLayoutHoldsAtSmallAndLargeFonts)
{
    const QFont original = QApplication::font();
    int previousWidth = 0;
    for (const int pixels : {11, 32}) {
        QFont font = original;
        font.setPixelSize(pixels);
        QApplication::setFont(font);
        CFarArchive archive;
        CFarDirectoryTree tree;
        tree.Build(archive);
        RecordingMessenger messenger;
        CTransferDialog dialog(tree, messenger);
        // Its empty job ends at once; the layout is what is under test.
        dialog.QDialog::show();
        const QFontMetrics metrics(font);
        const QLabel* text = dialog.findChild<QLabel*>(QStringLiteral("progressText"));
        ASSERT_NE(text, nullptr);
        const QRect line = text->geometry();
        const QRect button = dialog.CancelButton()->geometry();
        EXPECT_TRUE(dialog.rect().contains(line)) << pixels;
        EXPECT_TRUE(dialog.rect().contains(button)) << pixels;
        EXPECT_LE(line.bottom(), button.top()) << pixels;
        EXPECT_GE(line.height(), metrics.height()) << pixels;
        EXPECT_GE(line.width(), metrics.horizontalAdvance(QStringLiteral("Extracting..."))) << pixels;
        EXPECT_GE(button.width(), metrics.horizontalAdvance(QStringLiteral("Cancel"))) << pixels;
        EXPECT_NEAR(button.center().x(), dialog.rect().center().x(), 2) << pixels;

        // A long item name is cut; the dialog keeps its size.
        const QSize size = dialog.size();
        dialog.SetProgressText("Extracting..." + std::string(400, 'n'));
        QApplication::processEvents();
        EXPECT_EQ(dialog.size(), size) << pixels;
        EXPECT_GT(dialog.width(), previousWidth);
        previousWidth = dialog.width();
        dialog.QDialog::hide();
    }
    QApplication::setFont(original);
}

TEST_F(DialogTest, ProgressDialogRunsAnExtractionAndCarriesMessagesToTheUiThread)
{
    TempDir temp;
    OpenedArchive opened(temp / "x.far", {{"d\\one.txt", "1"}, {"two.txt", "22"}});
    fs::create_directory(temp / "out");
    WriteFileBytes(temp / "out/two.txt", BytesOf("old"));

    // Answers on the UI thread only, as a message box would.
    struct UiMessenger : Messenger {
        MessageAnswer Show(const Message& message) override
        {
            onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
            return recorder.Show(message);
        }
        RecordingMessenger recorder;
        bool onUiThread = true;
    } messenger;
    messenger.recorder.Script({MessageAnswer::Yes});

    CTransferDialog dialog(opened.tree, messenger);
    dialog.Job().targetFolder = (temp / "out").string(); // the dialog adds the "/"
    dialog.Job().directories = {"d"};
    dialog.Job().files = {"two.txt"};
    EXPECT_EQ(dialog.Run(), TransferJob::kCompleted);
    EXPECT_EQ(dialog.filesDone(), 2);
    EXPECT_EQ(dialog.Job().targetFolder, (temp / "out").string() + "/");
    EXPECT_EQ(Texts(messenger.recorder.Messages()), std::vector<std::string>{"Do you want to overwrite \"two.txt\"?"});
    EXPECT_TRUE(messenger.onUiThread);
    EXPECT_EQ(TextOf(temp / "out/d/one.txt"), "1");
    EXPECT_EQ(TextOf(temp / "out/two.txt"), "22");
    EXPECT_EQ(dialog.ProgressText(), "Extracting...two.txt");
}

TEST_F(DialogTest, AddingModeUpdatesThePanesOnTheUiThread)
{
    TempDir temp;
    fs::create_directories(temp / "drop/sub");
    WriteFileBytes(temp / "drop/sub/a.txt", BytesOf("a"));
    WriteFileBytes(temp / "b.txt", BytesOf("bb"));
    CFarArchive archive;
    CFarDirectoryTree tree;
    tree.Build(archive);
    ASSERT_TRUE(tree.MakeDirectory("shown"));

    // The panes' listener carries each change to the UI thread and waits,
    // as the editor's does: the dialog must keep that thread serving calls.
    struct Panes : TreeObserver {
        void TreeChanged(const TreeChange& change) override
        {
            QMetaObject::invokeMethod(
                qApp,
                [&] {
                    onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
                    calls.push_back(DescribeChange(change));
                },
                Qt::BlockingQueuedConnection);
        }
        std::vector<std::string> calls;
        bool onUiThread = true;
    } panes;
    tree.SetObserver(&panes);

    RecordingMessenger messenger;
    CTransferDialog dialog(tree, messenger);
    dialog.modeFlag = CTransferDialog::kModeAdding;
    dialog.Job().droppedItems = {(temp / "drop").string(), (temp / "b.txt").string()};
    dialog.Job().currentDirectory = "shown";
    EXPECT_EQ(dialog.Run(), TransferJob::kCompleted);
    EXPECT_EQ(dialog.filesDone(), 2);
    EXPECT_TRUE(panes.onUiThread);
    EXPECT_EQ(panes.calls, (std::vector<std::string>{"directory added shown\\drop", "directory added shown\\drop\\sub",
                                                     "file added shown\\drop\\sub\\a.txt", "file added shown\\b.txt"}));
    tree.SetObserver(nullptr);
    EXPECT_TRUE(tree.GetFileItem("shown\\drop\\sub\\a.txt"));
    EXPECT_EQ(dialog.ProgressText(), "Adding \"b.txt\"...");
}

TEST_F(DialogTest, FolderPickerEnablesOkByTheTextAndValidates)
{
    TempDir temp;
    RecordingMessenger messenger;
    CFolderPicker picker("Select directory", "Select a directory to extract the files to and click OK.",
                         temp.Path().string(), nullptr, messenger);
    EXPECT_EQ(picker.windowTitle(), "Select directory");
    EXPECT_EQ(picker.Instruction()->text(), "Select a directory to extract the files to and click OK.");
    EXPECT_EQ(picker.Edit()->text().toStdString(), temp.Path().string());
    EXPECT_TRUE(picker.OkButton()->isEnabled());
    picker.Edit()->clear();
    EXPECT_FALSE(picker.OkButton()->isEnabled());

    // Invalid: a message, the dialog stays, the field keeps the focus.
    picker.show();
    picker.Edit()->setText(QString::fromStdString(temp.Path().string() + "/"));
    picker.OnOk();
    ASSERT_EQ(messenger.Count(), 1u);
    EXPECT_EQ(messenger.Messages()[0].text, "The folder:\n\n" + temp.Path().string() + "/\n\nis invalid. Please reenter.");
    EXPECT_TRUE(picker.isVisible());

    // Missing, declined: no further message, still open.
    const std::string nested = (temp / "n1/n2/n3").string();
    picker.Edit()->setText(QString::fromStdString(nested));
    messenger.Script({MessageAnswer::No});
    picker.OnOk();
    EXPECT_EQ(messenger.Count(), 2u);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_FALSE(fs::exists(temp / "n1"));

    // Missing, accepted: every level is made and the path is taken.
    messenger.Script({MessageAnswer::Yes});
    Soon([&] { picker.OnOk(); });
    EXPECT_EQ(picker.Run(), 1);
    EXPECT_EQ(picker.Path(), nested);
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_EQ(messenger.Count(), 3u);
}

TEST_F(DialogTest, FolderPickerCancelledGivesNoFolder)
{
    RecordingMessenger messenger;
    CFolderPicker picker("", "Pick", "", nullptr, messenger);
    EXPECT_EQ(picker.Edit()->text(), QDir::currentPath());
    Soon([&] { picker.reject(); });
    EXPECT_NE(picker.Run(), 1);

    // The archive's folder is offered with its trailing "/"; the field shows
    // it as OK would accept it, also when the folder has gone meanwhile.
    TempDir temp;
    for (const std::string& folder : {temp.Path().string() + "/", (temp / "gone").string() + "/"}) {
        CFolderPicker offered("", "Pick", folder, nullptr, messenger);
        EXPECT_EQ(offered.Edit()->text().toStdString() + "/", folder);
    }
}

TEST_F(DialogTest, MoveDialogLeavesOutMovedSubtreesAndRefusesTheSource)
{
    CFarArchive archive;
    CFarDirectoryTree tree;
    tree.Build(archive);
    for (const char* path : {"zeta\\inner", "Alpha\\keep", "moved\\below\\deep", "beta", "alpha2"})
        ASSERT_TRUE(tree.MakeDirectory(path));
    RecordingMessenger messenger;
    CMoveDirDialog dialog(tree, messenger);
    EXPECT_EQ(dialog.windowTitle(), "Move to directory...");
    dialog.sourceDirectory = "beta";
    dialog.excluded = {"moved"};
    dialog.Populate();

    QTreeWidgetItem* root = dialog.Tree()->topLevelItem(0);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->text(0), "FAR file");
    EXPECT_EQ(root->data(0, CMoveDirDialog::ImageRole).toInt(), 3);
    {
        // The label is the archive's file name, as the file system spells it.
        CMoveDirDialog named(tree, messenger);
        named.rootLabel = "caf\xc3\xa9.far";
        named.Populate();
        EXPECT_EQ(named.Tree()->topLevelItem(0)->text(0), QString::fromUtf8("caf\xc3\xa9.far"));
    }
    QStringList names;
    for (int i = 0; i < root->childCount(); ++i)
        names << root->child(i)->text(0);
    EXPECT_EQ(names, (QStringList{"Alpha", "alpha2", "beta", "zeta"}));
    // The path list follows the archive's order; each item points at its own path.
    EXPECT_EQ(dialog.Paths(), (std::vector<std::string>{"", "zeta", "zeta\\inner", "Alpha", "Alpha\\keep", "beta",
                                                         "alpha2"}));
    for (int i = 0; i < root->childCount(); ++i) {
        const QTreeWidgetItem* item = root->child(i);
        const auto index = static_cast<size_t>(item->data(0, CMoveDirDialog::PathIndexRole).toInt());
        ASSERT_LT(index, dialog.Paths().size());
        EXPECT_EQ(QString::fromLatin1(dialog.Paths()[index].c_str()), item->text(0));
        EXPECT_EQ(item->childCount(), item->text(0) == "zeta" || item->text(0) == "Alpha" ? 1 : 0);
    }

    // OK with nothing selected does nothing; the source directory is refused.
    dialog.Tree()->setCurrentItem(nullptr);
    dialog.OnOk();
    EXPECT_EQ(messenger.Count(), 0u);
    dialog.Tree()->setCurrentItem(root->child(2));
    dialog.OnOk();
    ASSERT_EQ(messenger.Count(), 1u);
    EXPECT_EQ(messenger.Messages()[0], (Message{CMoveDirDialog::kUselessMove, "Error", MessageIcon::Error,
                                                MessageButtons::Ok}));
    // The root is a fine destination for a subdirectory's entries.
    dialog.Tree()->setCurrentItem(root);
    Soon([&] { dialog.OnOk(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenPath(), "");
}

} // namespace
} // namespace vorn

#include "app/app_test_support.h"
#include "app/qt_messenger.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <thread>

namespace vorn::apptest {
namespace {

TEST(QtMessengerTest, AWorkerThreadGetsTheAnswerOfABoxShownOnTheUiThread)
{
    TestApplication();
    QtMessenger messenger;
    QString seenText, seenCaption;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seenText = box->text();
        seenCaption = box->windowTitle();
        seenIcon = box->icon();
        box->button(QMessageBox::No)->click();
    });
    answer.start(10);

    std::atomic<bool> done = false;
    MessageAnswer result = MessageAnswer::Ok;
    std::thread worker([&] {
        result = messenger.Show({"Do you want to overwrite \"a\xe9.txt\"?", "Warning", MessageIcon::Question,
                                 MessageButtons::YesNo});
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_EQ(result, MessageAnswer::No);
    EXPECT_EQ(seenText, QString::fromLatin1("Do you want to overwrite \"a\xe9.txt\"?"));
    EXPECT_EQ(seenCaption, "Warning");
    EXPECT_EQ(seenIcon, QMessageBox::Question);
}

} // namespace
} // namespace vorn::apptest

// Fontconfig keeps a cache it never frees; that is the library's, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

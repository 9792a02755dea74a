#include "app/app_test_support.h"
#include "app/screen_fit.h"

#include <QDialog>
#include <QScreen>

namespace vorn::apptest {
namespace {

// Every window opens inside the screen it shows on: the editor's own, and
// any dialog a subsystem makes, with the size it was built with (or was
// given from settings) kept where it fits.
TEST_F(EditorTest, WindowsOpenInsideTheirScreen)
{
    ASSERT_TRUE(Start());
    ShowActive();
    const QRect screen = Frame().screen()->availableGeometry();
    ASSERT_GE(screen.width(), 800);
    EXPECT_EQ(Frame().size(), QSize(760, 520));

    const QSize tooLarge(screen.width() * 2, screen.height() + 1);
    for (const QSize wanted : {QSize(300, 200), tooLarge}) {
        QDialog dialog(&Frame());
        dialog.resize(wanted);
        dialog.show();
        const QSize room = ScreenFit::Room(dialog);
        EXPECT_EQ(dialog.size(), wanted.boundedTo(room)) << wanted.width();
        EXPECT_LE(room.width(), screen.width());
        EXPECT_LE(room.height(), screen.height());
        EXPECT_TRUE(screen.contains(dialog.geometry())) << wanted.width();
        // What the user makes of it later is the user's.
        dialog.resize(tooLarge);
        dialog.hide();
        dialog.show();
        EXPECT_EQ(dialog.size(), tooLarge.boundedTo(dialog.maximumSize()));
    }
}

} // namespace
} // namespace vorn::apptest

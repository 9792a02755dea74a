#include "audio/qt/play_xa_dialog.h"

#include "audio/wav_image.h"
#include "base/endian.h"
#include "base/recording_messenger.h"
#include "testing/qt/test_application.h"
#include "testing/temp_dir.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QEventLoop>
#include <QSlider>
#include <QTimer>

#include <cstdlib>

namespace vorn {
namespace {

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new testing::TestApplicationEnvironment);

// Runs the event loop for `milliseconds`, so timers and the sound go on.
void Wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(PlayXaDialogTest, ShowsNameAndLengthWithPlayAndStop)
{
    RecordingMessenger messenger;
    CPlayXaDialog dialog(messenger);
    dialog.SetName("sounds\\m\xE9lodie.xa");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Play XA"));
    EXPECT_EQ(dialog.NameText(), QString::fromUtf8("sounds\\m\u00E9lodie.xa"));

    // A name that looks like markup is shown as it is.
    dialog.SetName("<b>a&b</b>.xa");
    const auto* nameLabel = dialog.findChild<QLabel*>(QStringLiteral("nameText"));
    ASSERT_NE(nameLabel, nullptr);
    EXPECT_EQ(nameLabel->textFormat(), Qt::PlainText);
    EXPECT_EQ(dialog.NameText(), QStringLiteral("<b>a&b</b>.xa"));

    const auto buttons = dialog.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("Play"));
    EXPECT_EQ(buttons[1]->text(), QStringLiteral("Stop"));

    const std::pair<uint32_t, const char*> lengths[] = {
        {0, "0:00"}, {59, "0:59"}, {60, "1:00"}, {75, "1:15"}, {3600, "60:00"}, {4294967295u, "71582788:15"}};
    for (const auto& [seconds, text] : lengths) {
        dialog.SetTotalSeconds(seconds);
        EXPECT_EQ(dialog.TimeText(), QString::fromLatin1(text)) << seconds;
    }

    // The length of a sound: (RIFF size - 1) / byte rate + 1 from its image; 0:00 for a damaged rate.
    auto image = testing::BuildWavImage(2, 22050, std::vector<int16_t>(2 * 22050 * 59, 1));
    dialog.SetTotalSeconds(WavLengthSeconds(image));
    EXPECT_EQ(dialog.TimeText(), QStringLiteral("1:00")); // the 36 header bytes round it up
    StoreLE32(image.data() + 4, 59 * 88200);
    dialog.SetTotalSeconds(WavLengthSeconds(image));
    EXPECT_EQ(dialog.TimeText(), QStringLiteral("0:59"));
    StoreLE32(image.data() + 28, 0);
    dialog.SetTotalSeconds(WavLengthSeconds(image));
    EXPECT_EQ(dialog.TimeText(), QStringLiteral("0:00"));

    // Play without a sound buffer says so.
    dialog.PlayButton()->click();
    ASSERT_EQ(messenger.Count(), 1u);
    EXPECT_EQ(messenger.Messages()[0].text, "Error - DS - Invalid buffer selection index");
}

// The sound goes to a file through SDL's disk output, which plays in real time.
class PlayingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", (dir / "output.raw").c_str(), 1);
    }
    void TearDown() override
    {
        EXPECT_EQ(messenger.Count(), 0u);
        ::unsetenv("SDL_AUDIODRIVER");
        ::unsetenv("SDL_DISKAUDIOFILE");
    }

    testing::TempDir dir;
    RecordingMessenger messenger;
};

TEST_F(PlayingTest, ClosingStopsTheSound)
{
    {
        CPlayXaDialog dialog(messenger);
        ASSERT_TRUE(dialog.Player().Init());
        // Ten seconds: long enough to be playing whenever the test looks.
        ASSERT_TRUE(dialog.Player().AddBuffer(testing::BuildWavImage(1, 8000, std::vector<int16_t>(80000, 100))));
        dialog.show();

        dialog.PlayButton()->click();
        EXPECT_TRUE(dialog.Player().IsPlaying(0));
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.Player().IsPlaying(0));

        dialog.show();
        dialog.PlayButton()->click();
        EXPECT_TRUE(dialog.Player().IsPlaying(0));
        dialog.close(); // the close box
        EXPECT_FALSE(dialog.Player().IsPlaying(0));
    }
}

// Stop goes back to the start; the slider shows where the sound is and,
// moved by the user, where it plays on from, with the time played beside it.
TEST_F(PlayingTest, StopAndTheSliderMoveThePlayPosition)
{
    {
        CPlayXaDialog dialog(messenger);
        ASSERT_TRUE(dialog.Player().Init());
        // Ten seconds of stereo at 8000 Hz.
        ASSERT_TRUE(dialog.Player().AddBuffer(testing::BuildWavImage(2, 8000, std::vector<int16_t>(160000, 100))));
        CSoundBuffer& sound = *dialog.Player().Buffer(0);
        dialog.show();
        QSlider* slider = dialog.PositionSlider();
        EXPECT_EQ(slider->maximum(), 10000);
        EXPECT_EQ(dialog.ElapsedText(), QStringLiteral("0:00"));

        dialog.PlayButton()->click();
        Wait(400);  // the slider follows the sound
        EXPECT_TRUE(sound.IsPlaying());
        EXPECT_GT(sound.FramePosition(), 0u);
        EXPECT_GT(slider->value(), 0);
        EXPECT_NEAR(slider->value(), static_cast<int>(sound.FramePosition() / 8), 300);

        dialog.StopButton()->click();
        EXPECT_FALSE(sound.IsPlaying());
        EXPECT_EQ(sound.FramePosition(), 0u);
        EXPECT_EQ(slider->value(), 0);
        EXPECT_EQ(dialog.ElapsedText(), QStringLiteral("0:00"));

        // Dragged to 7.5 seconds while stopped: Play goes on from there.
        slider->setSliderPosition(7500);
        EXPECT_EQ(sound.FramePosition(), 60000u);
        EXPECT_EQ(dialog.ElapsedText(), QStringLiteral("0:07"));
        dialog.PlayButton()->click();
        Wait(200);
        EXPECT_GE(sound.FramePosition(), 60000u);
        EXPECT_GE(slider->value(), 7500);
        // Moving it while playing jumps there at once; past the end means the start.
        slider->setValue(2000);
        EXPECT_LT(sound.FramePosition(), 24000u);
        EXPECT_TRUE(sound.IsPlaying());
        sound.SetFramePosition(sound.FrameCount());
        EXPECT_EQ(sound.FramePosition(), 0u);
        dialog.close();
        EXPECT_FALSE(sound.IsPlaying());
    }
}

TEST(PlayXaDialogTest, LayoutHoldsAtSmallAndLargeFonts)
{
    const QFont original = QApplication::font();
    int previousWidth = 0;
    for (const int pixels : {11, 32}) {
        QFont font = original;
        font.setPixelSize(pixels);
        QApplication::setFont(font);
        RecordingMessenger messenger;
        CPlayXaDialog dialog(messenger);
        dialog.SetName("sounds\\door.xa");
        dialog.SetTotalSeconds(4000);  // "66:40"
        dialog.show();
        const QFontMetrics metrics(font);
        const QList<QWidget*> controls = {dialog.findChild<QLabel*>(QStringLiteral("nameText")), dialog.PlayButton(),
                                          dialog.findChild<QLabel*>(QStringLiteral("timeText"))};
        for (int i = 0; i < controls.size(); ++i) {
            ASSERT_NE(controls[i], nullptr);
            const QRect box = controls[i]->geometry();
            EXPECT_TRUE(dialog.rect().contains(box)) << pixels << " control " << i;
            EXPECT_GE(box.height(), metrics.height()) << pixels << " control " << i;
            for (int j = 0; j < i; ++j)
                EXPECT_FALSE(box.intersects(controls[j]->geometry())) << pixels << " controls " << i << ", " << j;
        }
        // Every text fits its control whole.
        EXPECT_GE(controls[0]->width(), metrics.horizontalAdvance(dialog.NameText()));
        EXPECT_GE(controls[1]->width(), metrics.horizontalAdvance(QStringLiteral("Play")));
        EXPECT_GE(controls[2]->width(), metrics.horizontalAdvance(dialog.TimeText()));
        // The name line above, the button left of the time.
        EXPECT_LE(controls[0]->geometry().bottom(), controls[1]->geometry().top());
        EXPECT_LE(controls[1]->geometry().right(), controls[2]->geometry().left());
        EXPECT_GT(dialog.width(), previousWidth);  // it grows with the font
        previousWidth = dialog.width();
    }
    QApplication::setFont(original);
}

} // namespace
} // namespace vorn

#pragma once

#include "audio/sound_player.h"
#include "base/messenger.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <string_view>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace vorn {

// The small "Play XA" dialog: the entry's name, Play and Stop buttons, the
// sound's length, and below them the time played so far beside a slider
// that shows and moves the play position. The caller sets the name and the
// seconds, calls Init and AddBuffer on Player() with the WAV image, then
// runs it with exec(). Playing does not block; Stop goes back to the start;
// closing the dialog (close box or Escape) stops the sound.
class CPlayXaDialog : public QDialog {
    Q_OBJECT

public:
    explicit CPlayXaDialog(Messenger& messenger, QWidget* parent = nullptr);
    ~CPlayXaDialog() override;

    // The entry's archive path, bytes shown as Latin-1.
    void SetName(std::string_view archiveName);
    void SetTotalSeconds(uint32_t seconds);
    CSoundPlayer& Player() { return player_; }

    QString NameText() const;
    QString TimeText() const;
    QPushButton* PlayButton() const { return playButton_; }
    QPushButton* StopButton() const { return stopButton_; }
    // Milliseconds of the first sound; moving it moves the play position.
    QSlider* PositionSlider() const { return positionSlider_; }
    QString ElapsedText() const;

    // Minutes and two-digit seconds: 75 gives "1:15".
    static QString FormatTime(uint32_t seconds);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnPlay();
    void OnStop();
    // The slider and the time played follow the sound's position.
    void ShowPosition();
    void OnSliderMoved(int milliseconds);

    CSoundPlayer player_;
    QLabel* nameText_ = nullptr;     // control 1004
    QPushButton* playButton_ = nullptr; // control 1002
    QLabel* timeText_ = nullptr;     // control 1005
    QPushButton* stopButton_ = nullptr;
    QLabel* elapsedText_ = nullptr;
    QSlider* positionSlider_ = nullptr;
    QTimer* positionTimer_ = nullptr;
};

} // namespace vorn

#pragma once

#include "audio/sound_player.h"
#include "base/messenger.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <string_view>

class QLabel;
class QPushButton;

namespace vorn {

// The small "Play XA" dialog: the entry's name, a Play button and the sound's
// length. The caller sets the name and the seconds, calls Init and AddBuffer
// on Player() with the WAV image, then runs it with exec(). Playing does not
// block; closing the dialog (close box or Escape) stops the sound.
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

    // Minutes and two-digit seconds: 75 gives "1:15".
    static QString FormatTime(uint32_t seconds);

    void done(int result) override;

private:
    void OnPlay();

    CSoundPlayer player_;
    QLabel* nameText_ = nullptr;     // control 1004
    QPushButton* playButton_ = nullptr; // control 1002
    QLabel* timeText_ = nullptr;     // control 1005
};

} // namespace vorn

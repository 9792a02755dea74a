#include "audio/qt/play_xa_dialog.h"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cstdio>

namespace vorn {

namespace {

QLabel* MakeSunkenText(QWidget* parent, const char* objectName)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    // Entry names may hold '<' and '&': shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

} // namespace

CPlayXaDialog::CPlayXaDialog(Messenger& messenger, QWidget* parent) : QDialog(parent), player_(messenger)
{
    setWindowTitle(QStringLiteral("Play XA"));
    // Widths in quarters of the font's average character width, so the
    // dialog keeps its proportions at any font size: the name line is 246
    // of them wide, the time 57, the button at least 50.
    const int quarter = std::max(1, QFontMetrics(font()).averageCharWidth());
    auto width = [quarter](int quarters) { return (quarters * quarter + 2) / 4; };

    nameText_ = MakeSunkenText(this, "nameText");
    nameText_->setMinimumWidth(width(246));
    playButton_ = new QPushButton(QStringLiteral("Play"), this);
    playButton_->setObjectName(QStringLiteral("playButton"));
    playButton_->setMinimumWidth(width(50));
    stopButton_ = new QPushButton(QStringLiteral("Stop"), this);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    stopButton_->setMinimumWidth(width(50));
    timeText_ = MakeSunkenText(this, "timeText");
    timeText_->setMinimumWidth(width(57));
    SetTotalSeconds(0);
    elapsedText_ = new QLabel(FormatTime(0), this);
    elapsedText_->setObjectName(QStringLiteral("elapsedText"));
    elapsedText_->setMinimumWidth(width(57));
    elapsedText_->setAlignment(Qt::AlignCenter);
    positionSlider_ = new QSlider(Qt::Horizontal, this);
    positionSlider_->setObjectName(QStringLiteral("positionSlider"));
    positionSlider_->setRange(0, 0);
    positionSlider_->setSingleStep(1000);
    positionSlider_->setPageStep(5000);

    auto* controls = new QHBoxLayout;
    controls->addStretch(67);
    controls->addWidget(playButton_);
    controls->addWidget(stopButton_);
    controls->addSpacing(width(18));
    controls->addWidget(timeText_);
    controls->addStretch(68);
    auto* position = new QHBoxLayout;
    position->addWidget(elapsedText_);
    position->addWidget(positionSlider_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameText_);
    layout->addSpacing(width(10));
    layout->addLayout(controls);
    layout->addLayout(position);
    // The dialog takes the size its contents need and the user cannot drag it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    positionTimer_ = new QTimer(this);
    positionTimer_->setInterval(100);
    connect(positionTimer_, &QTimer::timeout, this, [this] { ShowPosition(); });
    connect(playButton_, &QPushButton::clicked, this, [this] { OnPlay(); });
    connect(stopButton_, &QPushButton::clicked, this, [this] { OnStop(); });
    // Only the user moves the slider with signals on; ShowPosition blocks them.
    connect(positionSlider_, &QSlider::valueChanged, this, [this](int value) { OnSliderMoved(value); });
}

CPlayXaDialog::~CPlayXaDialog() = default; // the player stops and releases everything

void CPlayXaDialog::SetName(std::string_view archiveName)
{
    nameText_->setText(QString::fromLatin1(archiveName.data(), static_cast<qsizetype>(archiveName.size())));
}

void CPlayXaDialog::SetTotalSeconds(uint32_t seconds) { timeText_->setText(FormatTime(seconds)); }

QString CPlayXaDialog::NameText() const { return nameText_->text(); }
QString CPlayXaDialog::TimeText() const { return timeText_->text(); }

QString CPlayXaDialog::FormatTime(uint32_t seconds)
{
    char text[32];
    // The precision gives the seconds two digits; a zero flag beside it would do nothing.
    std::snprintf(text, sizeof text, "%u:%.2u", seconds / 60, seconds % 60);
    return QString::fromLatin1(text);
}

void CPlayXaDialog::OnPlay()
{
    // The first buffer, once. While it plays this does nothing; after its end
    // it plays again from the start.
    player_.Play(0, 0);
}

QString CPlayXaDialog::ElapsedText() const { return elapsedText_->text(); }

void CPlayXaDialog::OnStop()
{
    player_.StopAll();
    if (CSoundBuffer* sound = player_.Buffer(0))
        sound->SetFramePosition(0);
    ShowPosition();
}

void CPlayXaDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const CSoundBuffer* sound = player_.Buffer(0);
    const uint64_t rate = sound && sound->SampleRate() > 0 ? static_cast<uint64_t>(sound->SampleRate()) : 1;
    const uint64_t length = sound ? sound->FrameCount() * 1000 / rate : 0;
    positionSlider_->setMaximum(static_cast<int>(std::min<uint64_t>(length, INT_MAX)));
    positionSlider_->setEnabled(length > 0);
    ShowPosition();
    positionTimer_->start();
}

void CPlayXaDialog::ShowPosition()
{
    const CSoundBuffer* sound = player_.Buffer(0);
    if (!sound || sound->SampleRate() <= 0)
        return;
    const uint64_t milliseconds = sound->FramePosition() * uint64_t{1000} / static_cast<uint64_t>(sound->SampleRate());
    elapsedText_->setText(FormatTime(static_cast<uint32_t>(milliseconds / 1000)));
    // A slider the user holds stays where the user puts it.
    if (!positionSlider_->isSliderDown()) {
        const QSignalBlocker quiet(positionSlider_);
        positionSlider_->setValue(static_cast<int>(std::min<uint64_t>(milliseconds, INT_MAX)));
    }
}

void CPlayXaDialog::OnSliderMoved(int milliseconds)
{
    CSoundBuffer* sound = player_.Buffer(0);
    if (!sound || sound->SampleRate() <= 0)
        return;
    sound->SetFramePosition(static_cast<uint64_t>(milliseconds) * static_cast<uint64_t>(sound->SampleRate()) / 1000);
    elapsedText_->setText(FormatTime(static_cast<uint32_t>(milliseconds / 1000)));
}

void CPlayXaDialog::done(int result)
{
    positionTimer_->stop();
    player_.StopAll();
    QDialog::done(result);
}

} // namespace vorn

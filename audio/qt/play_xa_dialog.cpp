#include "audio/qt/play_xa_dialog.h"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
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
    timeText_ = MakeSunkenText(this, "timeText");
    timeText_->setMinimumWidth(width(57));
    SetTotalSeconds(0);

    auto* controls = new QHBoxLayout;
    controls->addStretch(67);
    controls->addWidget(playButton_);
    controls->addSpacing(width(18));
    controls->addWidget(timeText_);
    controls->addStretch(68);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameText_);
    layout->addSpacing(width(10));
    layout->addLayout(controls);
    // The dialog takes the size its contents need and the user cannot drag it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(playButton_, &QPushButton::clicked, this, [this] { OnPlay(); });
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

void CPlayXaDialog::done(int result)
{
    player_.StopAll();
    QDialog::done(result);
}

} // namespace vorn

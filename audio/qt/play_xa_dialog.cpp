#include "audio/qt/play_xa_dialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <cstdio>

namespace vorn {

namespace {

// The layout is drawn in dialog units (a quarter of the average character
// width, an eighth of the line height), so it follows the font.
struct DialogUnits {
    int baseX;
    int baseY;
    int X(int units) const { return (units * baseX + 2) / 4; }
    int Y(int units) const { return (units * baseY + 4) / 8; }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
};

QLabel* MakeSunkenText(QWidget* parent, const QRect& rect, const char* objectName)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    // Entry names may hold '<' and '&': shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setGeometry(rect);
    return label;
}

} // namespace

CPlayXaDialog::CPlayXaDialog(Messenger& messenger, QWidget* parent) : QDialog(parent), player_(messenger)
{
    setWindowTitle(QStringLiteral("Play XA"));
    const QFontMetrics metrics(font());
    const DialogUnits du{std::max(1, metrics.averageCharWidth()), std::max(1, metrics.height())};
    setFixedSize(du.X(260), du.Y(52));

    nameText_ = MakeSunkenText(this, du.Rect(7, 7, 246, 14), "nameText");
    playButton_ = new QPushButton(QStringLiteral("Play"), this);
    playButton_->setObjectName(QStringLiteral("playButton"));
    playButton_->setGeometry(du.Rect(67, 31, 50, 14));
    timeText_ = MakeSunkenText(this, du.Rect(135, 31, 57, 14), "timeText");
    SetTotalSeconds(0);

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

#include "app/recent_file_list.h"

#include <QFileInfo>

#include <algorithm>

namespace vorn {

namespace {
const char* const kSection = "Recent File List";

QString ValueName(int number)
{
    return QStringLiteral("File%1").arg(number);
}
} // namespace

void RecentFileList::ReadList(QSettings& settings)
{
    entries_.clear();
    settings.beginGroup(QString::fromLatin1(kSection));
    for (int number = 1; number <= kSize; ++number) {
        const QString path = settings.value(ValueName(number)).toString();
        if (!path.isEmpty())
            entries_.append(path);
    }
    settings.endGroup();
}

void RecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup(QString::fromLatin1(kSection));
    for (int number = 1; number <= kSize; ++number) {
        if (number <= entries_.size())
            settings.setValue(ValueName(number), entries_[number - 1]);
        else
            settings.remove(ValueName(number));
    }
    settings.endGroup();
    settings.sync();
}

void RecentFileList::Add(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    entries_.removeAll(full);
    entries_.prepend(full);
    while (entries_.size() > kSize)
        entries_.removeLast();
}

void RecentFileList::Remove(int index)
{
    if (index >= 0 && index < entries_.size())
        entries_.removeAt(index);
}

QString RecentFileList::DisplayName(const QString& path, int maxLength)
{
    if (path.size() <= maxLength)
        return path;
    const int lastSlash = static_cast<int>(path.lastIndexOf(QLatin1Char('/')));
    const QString fileName = path.mid(lastSlash + 1);
    // Keep the first folder ("/home") so the reader still sees where it lies.
    const int firstEnd = static_cast<int>(path.indexOf(QLatin1Char('/'), 1));
    const QString head = firstEnd > 0 ? path.left(firstEnd) : QString();
    const QString ellipsis = QStringLiteral("/...");
    QString tail = path.mid(lastSlash);  // "/name"
    if (head.size() + ellipsis.size() + tail.size() > maxLength) {
        if (fileName.size() <= maxLength)
            return fileName;
        // Even the name alone is too long: its beginning, marked as cut.
        return fileName.left(std::max(0, maxLength - 3)) + QStringLiteral("...");
    }
    // Take whole components from the right while they fit.
    int cut = lastSlash;
    while (cut > firstEnd) {
        const int previous = static_cast<int>(path.lastIndexOf(QLatin1Char('/'), cut - 1));
        if (previous <= firstEnd)
            break;
        const QString longer = path.mid(previous);
        if (head.size() + ellipsis.size() + longer.size() > maxLength)
            break;
        tail = longer;
        cut = previous;
    }
    return head + ellipsis + tail;
}

} // namespace vorn

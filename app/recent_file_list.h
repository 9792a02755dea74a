#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

namespace vorn {

// The most-recently-used archive list kept in the settings store: section
// "Recent File List", values "File1" (newest) to "File4".
class RecentFileList {
public:
    static constexpr int kSize = 4;
    static constexpr int kMaxDisplayLength = 30;

    // Reads the list from the settings.
    void ReadList(QSettings& settings);
    // Writes the list back; values beyond the current entries are removed.
    void WriteList(QSettings& settings) const;

    // Puts a path at the front; an entry naming the same file moves up instead
    // of appearing twice, and the oldest falls off the end.
    void Add(const QString& path);
    void Remove(int index);

    int Count() const { return static_cast<int>(entries_.size()); }
    const QStringList& Entries() const { return entries_; }

    // The path as the File menu shows it: at most maxLength characters, the
    // leading folder and as many trailing components as fit with "..." between;
    // else the file name alone, cut short with "..." when even that is too long.
    static QString DisplayName(const QString& path, int maxLength = kMaxDisplayLength);

private:
    QStringList entries_;
};

} // namespace vorn

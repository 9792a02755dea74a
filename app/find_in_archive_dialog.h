#pragma once

#include "sprites/archive_find.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTreeWidget;

namespace vorn {

class CFarDirectoryTree;
class CMainFrame;
class Messenger;

// "Find in Archive": every entry of the archive by name pattern and, when
// asked, by the strings of its IFF files (ArchiveFind, which vorn-cli find
// shares). The results list the entry's path, where it matched and the name
// or string; a double-click hands the hit to `showHit`, which shows it in
// the panes. The search runs on the UI thread: it takes well under a second
// even for hundreds of megabytes of object files.
class FindInArchiveDialog : public QDialog {
    Q_OBJECT
public:
    FindInArchiveDialog(CFarDirectoryTree& tree, QWidget* parent = nullptr);

    QLineEdit* PatternField() const { return pattern_; }
    QCheckBox* StringsBox() const { return strings_; }
    QTreeWidget* Results() const { return results_; }
    const std::vector<ArchiveFindHit>& Hits() const { return hits_; }
    // "3 match(es)", "No match", or what was wrong with the pattern.
    QString StatusText() const;

    // Searches with the pattern and the choice shown.
    void Find();

    std::function<void(const ArchiveFindHit& hit)> showHit;

private:
    CFarDirectoryTree& tree_;
    QLineEdit* pattern_ = nullptr;
    QCheckBox* strings_ = nullptr;
    QTreeWidget* results_ = nullptr;
    QLabel* status_ = nullptr;
    std::vector<ArchiveFindHit> hits_;
};

// The command: shows the window's one "Find in Archive" dialog, whose hits
// show their entry selected in the panes (the filter cleared when it hides
// it) and, for a string, the file's resource window at the chunk.
void OpenFindInArchive(CMainFrame& frame, Messenger& messenger);
// Shows a hit as a double-click on it does; false when its entry is gone.
bool ShowFindHit(CMainFrame& frame, Messenger& messenger, const ArchiveFindHit& hit);

} // namespace vorn

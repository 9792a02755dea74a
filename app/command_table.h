#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QWidget;

namespace vorn {

// One command of the editor: its id (command_ids.h), the menu text (a "\t"
// before the shortcut's text), the shortcut, the message-pane prompt shown
// while it is highlighted, the rule that says whether it may run now, and
// what it does.
struct CommandInfo {
    int id = 0;
    QString text;
    QKeySequence shortcut;
    QString prompt;
    std::function<bool()> enabled;
    std::function<void()> run;
};

// Every command once: the table makes one QAction per command, and the File
// menu, the list pane's context menu and the window's shortcuts all hold
// that same action. Refresh() sets each action's enabled state from its
// rule; the main frame calls it whenever the selection or the document
// changes, so a disabled command is greyed in every menu and its shortcut
// does not fire, whichever pane has the focus. Run() asks the rule again,
// so nothing disabled runs even between two refreshes.
class CommandTable : public QObject {
    Q_OBJECT
public:
    // Actions belong to `window` and their shortcuts work anywhere in it.
    explicit CommandTable(QWidget& window);

    // Adds a command and returns its action (the table keeps ownership).
    QAction* Add(CommandInfo info);
    // Replaces what a command does (its text and rule stay); tests and late
    // wiring use it.
    void SetHandler(int id, std::function<void()> run);

    QAction* Action(int id) const;
    bool IsEnabled(int id) const;
    // Runs the command when its rule allows; false when refused or unknown.
    bool Run(int id);
    // The prompt of a command; empty for an unknown id.
    QString PromptFor(int id) const;
    // Every action's enabled state follows its rule again.
    void Refresh();

private:
    struct Entry {
        CommandInfo info;
        QAction* action = nullptr;
    };

    QWidget& window_;
    std::map<int, Entry> entries_;
};

} // namespace vorn

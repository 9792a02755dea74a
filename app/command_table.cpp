#include "app/command_table.h"

#include <QAction>
#include <QWidget>

namespace vorn {

CommandTable::CommandTable(QWidget& window) : QObject(&window), window_(window) {}

QAction* CommandTable::Add(CommandInfo info)
{
    const int id = info.id;
    auto* action = new QAction(info.text, &window_);
    action->setData(id);
    if (!info.shortcut.isEmpty()) {
        action->setShortcut(info.shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        // A shortcut fires only for an action some widget of the window holds.
        window_.addAction(action);
    }
    connect(action, &QAction::triggered, this, [this, id] { Run(id); });
    Entry& entry = entries_[id];
    delete entry.action;  // a second Add of an id replaces the first
    entry = Entry{std::move(info), action};
    action->setEnabled(IsEnabled(id));
    return action;
}

void CommandTable::SetHandler(int id, std::function<void()> run)
{
    const auto found = entries_.find(id);
    if (found != entries_.end())
        found->second.info.run = std::move(run);
}

QAction* CommandTable::Action(int id) const
{
    const auto found = entries_.find(id);
    return found == entries_.end() ? nullptr : found->second.action;
}

bool CommandTable::IsEnabled(int id) const
{
    const auto found = entries_.find(id);
    if (found == entries_.end())
        return false;
    const CommandInfo& info = found->second.info;
    return !info.enabled || info.enabled();
}

bool CommandTable::Run(int id)
{
    if (!IsEnabled(id))
        return false;
    // A copy: the handler may replace the table's entry (a recent file's
    // open rebuilds the recent-file items).
    const std::function<void()> run = entries_.find(id)->second.info.run;
    if (run)
        run();
    return true;
}

QString CommandTable::PromptFor(int id) const
{
    const auto found = entries_.find(id);
    return found == entries_.end() ? QString() : found->second.info.prompt;
}

void CommandTable::Refresh()
{
    for (auto& [id, entry] : entries_)
        entry.action->setEnabled(IsEnabled(id));
}

} // namespace vorn

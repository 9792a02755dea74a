#include "app/parent_directory_keys.h"

#include "app/left_view.h"
#include "app/vorn_view.h"

#include <QAction>

#include <string>

namespace vorn {

void InstallParentDirectoryKeys(CVornView& list, CLeftView& tree)
{
    auto* up = new QAction(&list);
    up->setShortcuts({QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Up)});
    up->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(up, &QAction::triggered, &list, [&list, &tree] {
        const std::string left = list.ShownPath();
        if (left.empty())
            return;
        const size_t separator = left.rfind('\\');
        tree.SelectPath(separator == std::string::npos ? std::string() : left.substr(0, separator));
        const int row = list.Model().RowOfPath(left);
        if (row >= 0)
            list.SelectRows({row});
    });
    list.addAction(up);
}

} // namespace vorn

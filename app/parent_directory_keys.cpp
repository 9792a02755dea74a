#include "app/parent_directory_keys.h"

#include "app/file_icon_view.h"
#include "app/left_view.h"
#include "app/vorn_view.h"

#include <QShortcut>

#include <string>

namespace vorn {

void InstallParentDirectoryKeys(CVornView& list, CLeftView& tree)
{
    // A shortcut, not an action: the pane's actions make its context menu.
    // One on each of the pane's views, for whichever shows and has the focus.
    for (QWidget* view : {static_cast<QWidget*>(&list), static_cast<QWidget*>(&list.IconView())}) {
        auto* up = new QShortcut(view);
        up->setKeys({QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Up)});
        up->setContext(Qt::WidgetShortcut);
        QObject::connect(up, &QShortcut::activated, &list, [&list, &tree] {
            const std::string left = list.ShownPath();
            if (left.empty())
                return;
            const size_t separator = left.rfind('\\');
            tree.SelectPath(separator == std::string::npos ? std::string() : left.substr(0, separator));
            const int row = list.Model().RowOfPath(left);
            if (row >= 0)
                list.SelectRows({row});
        });
    }
}

} // namespace vorn

#include "app/pane_icons.h"

#include <QString>

namespace vorn {

QIcon LoadPaneIcon(PaneIcon icon)
{
    const char* name = "folder_closed";
    switch (icon) {
    case PaneIcon::FolderClosed: name = "folder_closed"; break;
    case PaneIcon::FolderOpen: name = "folder_open"; break;
    case PaneIcon::File: name = "file"; break;
    case PaneIcon::Archive: name = "archive"; break;
    case PaneIcon::Application: name = "app"; break;
    case PaneIcon::Document: name = "document"; break;
    }
    QIcon result;
    result.addFile(QStringLiteral(":/icons/%1_16.png").arg(QLatin1String(name)), QSize(16, 16));
    result.addFile(QStringLiteral(":/icons/%1_32.png").arg(QLatin1String(name)), QSize(32, 32));
    return result;
}

} // namespace vorn

#pragma once

#include <QIcon>

namespace vorn {

// The icons of the panes and windows, drawn at 16 and 32 pixels and served
// from the program's resources.
enum class PaneIcon { FolderClosed, FolderOpen, File, Archive, Application, Document };

QIcon LoadPaneIcon(PaneIcon icon);

} // namespace vorn

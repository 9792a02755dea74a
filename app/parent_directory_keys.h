#pragma once

namespace vorn {

class CLeftView;
class CVornView;

// Backspace and Alt+Up in the file list open the shown directory's parent
// in both panes, with the directory just left selected in the list; at the
// root they do nothing. They act only while the list itself has the focus,
// so a name being edited keeps its Backspace.
void InstallParentDirectoryKeys(CVornView& list, CLeftView& tree);

} // namespace vorn

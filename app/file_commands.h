#pragma once

// The list pane's archive commands that change the archive in place:
// Delete, the end of Rename, New Directory and Move to Directory. Each works
// on the pane's selected rows (in ascending row order) through the
// document's directory tree, as one step of the undo history; the document
// marks itself modified and the panes follow its changes. A model operation
// that fails ends the command at that row without a message; what was done
// before it stays done (and is one step).

#include <QString>

#include <string>
#include <vector>

namespace vorn {

class CVornView;
class Messenger;

// Asks "Warning" / Yes-No which of three questions fits the selection
// (files, directories, or both), then deletes row by row.
void DeleteSelection(CVornView& view, Messenger& messenger);

// The end of an in-place edit: renames the file or directory of the pane's
// rename state to the typed name within its directory. The row never takes
// the typed text itself: it shows the new name when the document reports
// the rename, and keeps its old name otherwise. Typed text is archive bytes
// as Latin-1; text outside Latin-1 is refused like a name the archive
// refuses.
void FinishRename(CVornView& view, const QString& typed);

// Makes "new directory", or "new directory (2)", "(3)" ... when taken, in
// the shown directory; its row goes before the first file row. An empty
// directory is not saved, so the document stays unmodified.
void MakeNewDirectory(CVornView& view);

// Asks for the destination in the move dialog and moves the selected rows there.
void MoveSelection(CVornView& view, Messenger& messenger);

// The name of a step on `names` for the Edit menu: `verb` and the quoted
// name for one ("Delete \"a.iff\""), the count for more ("Delete 3 items").
std::string StepLabel(const char* verb, const std::vector<std::string>& names);

} // namespace vorn

#pragma once

namespace vorn {

class CVornView;
class Messenger;

// "Clone Object" on the list pane's selected IFF row: asks in the clone
// dialog for the new entry's name (beside the source) and the catalogue
// text and price, then adds the copy, every object with a new GUID no
// object of the archive uses, as one step of the undo history. The source
// entry is not changed. A file that is no IFF file, holds no object, or a
// name that is taken or cannot be stored is refused with a message.
void CloneSelectedObject(CVornView& view, Messenger& messenger);

} // namespace vorn

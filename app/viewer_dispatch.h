#pragma once

#include <string>
#include <string_view>

namespace vorn {

class CVornView;
class IffEditService;
class Messenger;

// Which viewer a file opens in, by the end of its name, ignoring letter case:
// ".XA" is tested first, then ".IFF", then ".BMP", then the text endings
// ".TXT", ".INI" and ".CFG".
enum class ViewerKind { None, Xa, Iff, Bmp, Text };

ViewerKind ViewerKindOf(std::string_view path);

// Opens a file row of the list pane in its viewer: XA sounds in the "Play XA"
// dialog after decoding, IFF files in the object previewer, BMP pictures in
// "View Bitmap file", text files in "View Text file". Every failure shows
// its message and stops; the viewers work on copies of the entry's bytes and
// change nothing, except what the previewer saves into the entry: one step
// of the undo history, which the document and the panes follow by
// themselves. The dialogs are modal.
class ResourceWindow;

class ViewerDispatch {
public:
    ViewerDispatch(CVornView& view, Messenger& messenger);

    // A file row: its stored path picks the viewer; other names do nothing.
    void Dispatch(int row);
    void Open(const std::string& path);
    // Opens the IFF file at `path` in a "Resources" window of its own; null
    // when the file could not be opened (the message has been shown).
    ResourceWindow* OpenResources(const std::string& path);
    // Opens the IFF entry at `path` in `service`; false with the viewer's
    // message shown when it cannot be read or is no IFF file.
    bool OpenIffEntry(IffEditService& service, const std::string& path);

private:
    void RunXaViewer(const std::string& path);
    void RunIffViewer(const std::string& path);
    void RunBitmapViewer(const std::string& path);
    void RunTextViewer(const std::string& path);

    CVornView& view_;
    Messenger& messenger_;
};

// The row the IFF commands ("Resources", "Clone Object") act on: the list
// pane's current row when it is selected and names an IFF file; -1 when
// there is none.
int SelectedIffRow(const CVornView& view);

// The list pane's file rows open their viewer on a double-click or Enter,
// and their resource window through the pane's "Resources" action (Ctrl+R,
// and the context menu).
void InstallViewerDispatch(CVornView& view, Messenger& messenger);

} // namespace vorn

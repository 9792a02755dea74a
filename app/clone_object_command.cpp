#include "app/clone_object_command.h"

#include "app/clone_object_dialog.h"
#include "app/document_adapter.h"
#include "app/file_commands.h"
#include "app/main_frame.h"
#include "app/ui_text.h"
#include "app/viewer_dispatch.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "base/latin1_text.h"
#include "base/messenger.h"
#include "iff/type_codes.h"
#include "sprites/iff_edit_service.h"

#include <optional>
#include <string>

namespace vorn {

namespace {

constexpr const char* kCaption = "Clone Object";

// `text` is UTF-8; message boxes take Latin-1, and a character beyond it
// shows as "?" (the service's refusals also give its code).
void Tell(Messenger& messenger, const std::string& text)
{
    messenger.Show({QString::fromStdString(text).toLatin1().toStdString(), kCaption, MessageIcon::Warning,
                    MessageButtons::Ok});
}

// "lamp copy.iff", then "lamp copy (2).iff" ... while the name is taken.
std::string FreeCopyName(const CFarDirectoryTree& tree, const std::string& directory, const std::string& source)
{
    const size_t dot = source.rfind('.');
    const std::string stem = dot == std::string::npos ? source : source.substr(0, dot);
    const std::string ending = dot == std::string::npos ? ".iff" : source.substr(dot);
    std::string name = stem + " copy" + ending;
    for (unsigned number = 2; tree.GetFileItem(directory + name) || tree.GetDirectory(directory + name); ++number)
        name = stem + " copy (" + std::to_string(number) + ")" + ending;
    return name;
}

// The typed entry name as a path beside the source; none, with the reason
// told, when it is empty, not Latin-1, holds a separator or is taken.
std::optional<std::string> NewEntryPath(Messenger& messenger, const CFarDirectoryTree& tree,
                                        const std::string& directory, const QString& typed)
{
    const std::optional<std::string> name = ToArchive(typed);
    if (typed.isEmpty()) {
        Tell(messenger, "Give the new entry a name.");
        return std::nullopt;
    }
    if (!name) {
        const std::optional<Utf8Character> beyond = FirstBeyondLatin1(typed.toStdString());
        Tell(messenger, "\"" + typed.toStdString() + "\" holds \"" + (beyond ? beyond->text : "?") + "\" (" +
                            (beyond ? beyond->CodeText() : "?") +
                            "), a character archive names cannot hold: they are Latin-1.");
        return std::nullopt;
    }
    if (name->find_first_of("\\/") != std::string::npos) {
        Tell(messenger, "An entry name cannot hold \"\\\" or \"/\".");
        return std::nullopt;
    }
    if (tree.GetFileItem(directory + *name) || tree.GetDirectory(directory + *name)) {
        Tell(messenger, "\"" + typed.toStdString() + "\" is already taken in this directory: choose another name.");
        return std::nullopt;
    }
    return directory + *name;
}

} // namespace

void CloneSelectedObject(CVornView& view, Messenger& messenger)
{
    const int row = SelectedIffRow(view);
    CVornDoc& document = view.Document();
    if (row < 0 || document.IsReadOnly())
        return;
    const std::string path = view.PathOf(row);
    const std::string sourceName = view.NameOf(row);
    IffEditService source;
    if (!ViewerDispatch(view, messenger).OpenIffEntry(source, path))
        return;
    if (source.ChunksOfType(kTypeObjd).empty()) {
        Tell(messenger, "\"" + FromArchive(sourceName).toStdString() + "\" holds no object definition (OBJD) to clone.");
        return;
    }

    // The GUIDs are drawn before the dialog shows them, and kept.
    const std::set<uint32_t> used = IffEditService::ArchiveGuids(document.Archive(), document.Tree());
    IffEditService clone;
    std::vector<uint32_t> guids;
    const IffEditResult drawn = source.Clone({}, used, clone, guids);
    if (!drawn.done) {
        Tell(messenger, drawn.message);
        return;
    }
    std::vector<CloneObjectDialog::NewObject> objects;
    const std::vector<CIffChunk*> definitions = clone.ChunksOfType(kTypeObjd);
    for (size_t i = 0; i < definitions.size() && i < guids.size(); ++i)
        objects.push_back({definitions[i]->Id(), FromArchive(definitions[i]->Label()), guids[i]});

    // The path up to its last "\\" keeps the copy in the source's directory.
    const size_t separator = path.rfind('\\');
    const std::string directory = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
    CFarDirectoryTree& tree = document.Tree();
    CloneObjectDialog dialog(FromArchive(FreeCopyName(tree, directory, sourceName)), source.CatalogueText(), objects,
                             &view.Frame());
    std::string newPath;
    dialog.SetCheck([&](CloneObjectDialog& asked) {
        const std::optional<std::string> chosen = NewEntryPath(messenger, tree, directory, asked.EntryName());
        if (!chosen)
            return false;
        std::vector<uint32_t> made;
        const IffEditResult cloned = source.Clone(asked.Request(), used, clone, made);
        if (!cloned.done) {
            Tell(messenger, cloned.message);
            return false;
        }
        newPath = *chosen;
        return true;
    });
    if (dialog.exec() != QDialog::Accepted)
        return;

    DocumentAdapter& adapter = view.Frame().Adapter();
    adapter.Begin(StepLabel("Clone", {sourceName}));
    const IffSaveResult saved = clone.SaveAs(document, newPath);
    adapter.End();
    if (saved != IffSaveResult::Saved) {
        Tell(messenger, "The copy could not be added to the archive.");
        return;
    }
    view.ShowRow(view.Model().RowOfPath(newPath));
}

} // namespace vorn

#pragma once

#include "app/chunk_views.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenuBar;
class QSortFilterProxyModel;
class QStackedWidget;
class QTableView;

namespace vorn {

class ChunkListModel;
class CIffChunk;
class CVornDoc;
class DocumentAdapter;
class IffEditService;
class Messenger;
struct IffEditResult;

// The "Resources" window over one IFF file: every chunk in a list (type, id,
// label, size, flags; sortable by any column, filtered by type) beside a view
// of the selected chunk as its type reads: SPR2 frames, DGRP images in the
// 4 directions and 3 zooms, PALT swatches, BMP_ pictures, string tables,
// OBJD fields by name, and any other type as hex with its bytes as text.
//
// The file is the service's, shared with whoever opened the window (the
// object preview hands it its own), so both show one container. Opened on an
// archive entry with EnableEditing, string cells and OBJD field values can be
// edited: each edit is one step of the document's history, written into the
// entry (the archive file changes on Save or Quick Save only), and the window
// reads the entry again when a step is undone or redone.
//
// The Chunk menu (also the chunk list's context menu) exports a chunk's data
// to a file and, when editing, replaces it from a file, deletes, duplicates,
// renumbers, relabels (in the list's cells) and adds chunks, each a step.
// A PALT goes out to and comes in from a GIMP palette (.gpl) or a 16 x 16
// swatch picture (PNG), and its swatches take colours one by one. A picture
// replaces the SPR2 frame shown, drawn with its palette as it is or with the
// palette rebuilt from it, as vorn-cli's iff import does, and so do the
// pictures of a folder iff export wrote; the sprite's view then lists how
// far each frame drawn lies from the picture's colours.
// Nothing is edited in a read-only document nor in a damaged file: the line
// under the view says why.
// A picture as RGBA rows, and whether its file has alpha.
struct RgbaPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    bool hasAlpha = false;
    std::vector<uint8_t> rgba;
};

// The pictures for one frame of an SPR2 chunk (`source` names them in messages).
struct PictureForFrame {
    uint16_t sprite = 0;
    int frame = 0;
    std::string source;
    RgbaPicture colour;
    std::optional<RgbaPicture> depth;
};

class ResourceWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Resources";

    struct ChunkKey {
        uint32_t type = 0;
        uint16_t id = 0;
    };
    enum class FileChoice { ExportTo, ReplaceFrom, PaletteTo, PaletteFrom, PictureFrom, FolderFrom };
    // Asks for the file a command writes or reads (`suggestion` names the
    // file to write); none when the user cancels.
    using FilePrompt = std::function<std::optional<QString>(FileChoice choice, const QString& suggestion)>;

    // `name` is the file's name for the title ("Resources - lamp.iff").
    ResourceWindow(std::shared_ptr<IffEditService> service, const QString& name, QWidget* parent = nullptr);
    ~ResourceWindow() override;

    QTableView* ChunkList() const { return list_; }
    QComboBox* TypeFilter() const { return typeFilter_; }
    // The view of the selected chunk (a new widget for every selection).
    QWidget* ChunkView() const { return view_; }
    // Selects the chunk of that type and id; false when the list (as
    // filtered) has none.
    bool SelectChunk(uint32_t type, uint16_t id);
    // Edits go through `adapter` as steps; refusals are told by `messenger`.
    void EnableEditing(CVornDoc& document, DocumentAdapter& adapter, Messenger& messenger);
    // Carries out one edit as a step named `label` and shows the chunk anew
    // (`select` when given, else the one shown); the edit's result. A note
    // the edit makes (after `lead`, when given) shows under the view, and
    // again whenever the step is redone.
    IffEditResult ApplyEdit(const QString& label, const std::function<IffEditResult(IffEditService&)>& edit,
                            std::optional<ChunkKey> select = std::nullopt, const QString& lead = {});
    // The line under the view that tells what the last edit noted.
    QLabel* Note() const { return note_; }
    // True when edits are offered: editing enabled, the document writable, the file whole.
    bool CanEdit() const;
    void SetFilePrompt(FilePrompt prompt) { filePrompt_ = std::move(prompt); }

private:
    void BuildActions();
    void UpdateActions();
    CIffChunk* SelectedChunk() const;
    void ShowSelected();
    void ApplyFilter();
    void UpdateTypeFilter();
    // The entry's bytes again, after an undo or redo changed them; the
    // history now stands at `index`.
    void Reload(int index);
    // The list and the view anew after an edit (with `reopen`, from the
    // entry's bytes), the chunk `shown_` selected.
    void Refresh(bool reopen);
    std::optional<QString> AskFile(FileChoice choice, const QString& suggestion);
    void Tell(const QString& text, bool error = false);
    // Why nothing can be edited here, for the line under the view; "" when edits are offered.
    QString StandingNote() const;

    void ExportChunk();
    void ReplaceChunk();
    void DeleteChunk();
    void DuplicateChunk();
    void AddChunk();
    void ExportPalette();
    void ImportPalette();
    void ImportFramePicture();
    void ImportFrames();
    // The picture at `path`, under the frame limits; none, with the reason told, otherwise.
    std::optional<RgbaPicture> ReadFramePicture(const QString& path);
    // The pictures into their frames as one step named `label`, the palettes
    // rebuilt when asked; `extraNote` ends the note.
    void ImportPictures(const QString& label, std::vector<PictureForFrame> pictures, const std::string& extraNote);
    void EditCell(int column);
    void CellEdited(const ChunkKey& key, int column, const QVariant& value);

    std::shared_ptr<IffEditService> service_;
    ChunkListModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QTableView* list_ = nullptr;
    QComboBox* typeFilter_ = nullptr;
    QStackedWidget* viewHolder_ = nullptr;
    QWidget* view_ = nullptr;
    QLabel* note_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    // The chunk the view shows, by type and id: chunks go away with edits.
    std::optional<ChunkKey> shown_;
    int shownRow_ = -1; // its row in the list as shown
    ChunkViewState viewState_;
    FilePrompt filePrompt_;
    QAction* exportData_ = nullptr;
    QAction* replaceData_ = nullptr;
    QAction* duplicate_ = nullptr;
    QAction* changeId_ = nullptr;
    QAction* changeLabel_ = nullptr;
    QAction* delete_ = nullptr;
    QAction* add_ = nullptr;
    QAction* exportPalette_ = nullptr;
    QAction* importPalette_ = nullptr;
    QAction* importFrame_ = nullptr;
    QAction* importFrames_ = nullptr;
    QAction* rebuildPalette_ = nullptr;
    CVornDoc* document_ = nullptr;
    DocumentAdapter* adapter_ = nullptr;
    Messenger* messenger_ = nullptr;
    int historyIndex_ = 0; // where the history stood when last seen
};

} // namespace vorn

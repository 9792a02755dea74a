#include "app/resource_window.h"

#include "app/add_chunk_dialog.h"
#include "app/chunk_list_model.h"
#include "app/chunk_views.h"
#include "app/document_adapter.h"
#include "app/document_undo_command.h"
#include "app/sprite_frame_view.h"
#include "base/endian.h"
#include "base/message_texts.h"
#include "base/messenger.h"
#include "base/number_text.h"
#include "iff/iff_chunk.h"
#include "iff/palt_palette.h"
#include "iff/type_codes.h"
#include "sprites/frame_export.h"
#include "sprites/iff_edit_service.h"
#include "sprites/palette_files.h"
#include "sprites/sprite_import.h"

#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace vorn {

namespace {

constexpr int kMeasuredRows = 100;
// The most data a chunk holds: its size field counts its header too.
constexpr qint64 kMaxChunkData = UINT32_MAX - CIffFile::kChunkHeaderSize;
// The game numbers an object file's own chunks from 128.
constexpr uint16_t kFirstOwnId = 128;

QString TypeText(uint32_t type) { return QString::fromLatin1(TypeCodeText(type)); }

QString ChunkText(uint32_t type, uint16_t id) { return QStringLiteral("%1 %2").arg(TypeText(type)).arg(id); }

std::set<std::pair<uint32_t, uint16_t>> ChunkKeysOf(const IffEditService& service)
{
    std::set<std::pair<uint32_t, uint16_t>> keys;
    for (const std::unique_ptr<CIffChunk>& chunk : service.Chunks())
        keys.emplace(chunk->Type(), chunk->Id());
    return keys;
}

// A type typed as text, as the four bytes of its code; none unless it is four Latin-1 characters.
std::optional<uint32_t> TypeCodeOf(const QString& type)
{
    const QByteArray bytes = type.toLatin1();
    if (bytes.size() != 4 || QString::fromLatin1(bytes) != type)
        return std::nullopt;
    return LoadBE32(reinterpret_cast<const uint8_t*>(bytes.data()));
}

// Reads the picture at `path` when no side exceeds `maxSide` and it has at
// most `maxPixels` pixels, told from its header before it is decoded.
std::optional<RgbaPicture> ReadRgbaPicture(const QString& path, int maxSide, uint64_t maxPixels)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > maxSide || size.height() > maxSide ||
        uint64_t(size.width()) * uint64_t(size.height()) > maxPixels)
        return std::nullopt;
    const QImage read = reader.read();
    if (read.isNull())
        return std::nullopt;
    const QImage image = read.convertToFormat(QImage::Format_RGBA8888);
    RgbaPicture picture{static_cast<uint32_t>(image.width()), static_cast<uint32_t>(image.height()), read.hasAlphaChannel(), {}};
    picture.rgba.reserve(size_t{picture.width} * picture.height * 4);
    for (int y = 0; y < image.height(); ++y)
        picture.rgba.insert(picture.rgba.end(), image.constScanLine(y), image.constScanLine(y) + 4 * image.width());
    return picture;
}

} // namespace

ResourceWindow::ResourceWindow(std::shared_ptr<IffEditService> service, const QString& name, QWidget* parent)
    : QWidget(parent, Qt::Window), service_(std::move(service))
{
    setWindowTitle(QStringLiteral("%1 - %2").arg(QString::fromLatin1(kTitle), name));
    setAttribute(Qt::WA_DeleteOnClose);

    model_ = new ChunkListModel(*service_, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterKeyColumn(ChunkListModel::kType);
    proxy_->setSortRole(Qt::DisplayRole);

    typeFilter_ = new QComboBox(this);
    typeFilter_->setObjectName(QStringLiteral("typeFilter"));
    typeFilter_->addItem(QStringLiteral("All types"));
    UpdateTypeFilter();

    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("chunks"));
    list_->setModel(proxy_);
    list_->setSortingEnabled(true);
    list_->sortByColumn(-1, Qt::AscendingOrder); // container order until a header is clicked
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Only the id and label cells are editable, and only while editing.
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    // Measuring every row's text costs more than the whole file's parse on
    // big files; the first rows give the widths (labels are cut anyway).
    list_->horizontalHeader()->setResizeContentsPrecision(kMeasuredRows);
    list_->resizeColumnsToContents();
    list_->setColumnWidth(ChunkListModel::kLabel, std::min(list_->columnWidth(ChunkListModel::kLabel), 160));
    list_->setWordWrap(false);

    viewHolder_ = new QStackedWidget(this);
    view_ = new QLabel(QStringLiteral("Select a chunk to see it."), viewHolder_);
    viewHolder_->addWidget(view_);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(typeFilter_);
    leftLayout->addWidget(list_, 1);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("note"));
    note_->setWordWrap(true);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(viewHolder_);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    BuildActions();
    layout->setMenuBar(menuBar_);
    layout->addWidget(splitter, 1);
    layout->addWidget(note_);
    resize(960, 600);
    splitter->setSizes({380, 580});

    connect(typeFilter_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { ShowSelected(); });
    connect(model_, &ChunkListModel::EditRequested, this, [this](CIffChunk* chunk, int column, const QVariant& value) {
        // The list is still committing the cell: the edit, which makes it anew, comes after.
        const ChunkKey key{chunk->Type(), chunk->Id()};
        QTimer::singleShot(0, this, [this, key, column, value] { CellEdited(key, column, value); });
    });
    if (proxy_->rowCount() > 0)
        list_->setCurrentIndex(proxy_->index(0, 0));
    UpdateActions();
}

void ResourceWindow::BuildActions()
{
    menuBar_ = new QMenuBar(this);
    QMenu* menu = menuBar_->addMenu(QStringLiteral("&Chunk"));
    auto make = [this](const char* name, const QString& text, const QKeySequence& shortcut, void (ResourceWindow::*slot)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        // The keys act on the chunk list; the chunk's view has its own (F2, Delete).
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        if (slot != nullptr)
            connect(action, &QAction::triggered, this, slot);
        list_->addAction(action);
        return action;
    };
    add_ = make("addChunk", QStringLiteral("&Add Chunk..."), QKeySequence(Qt::Key_Insert), &ResourceWindow::AddChunk);
    duplicate_ = make("duplicateChunk", QStringLiteral("D&uplicate Chunk"), QKeySequence(Qt::CTRL | Qt::Key_D),
                      &ResourceWindow::DuplicateChunk);
    changeId_ = make("changeChunkId", QStringLiteral("Change &ID..."), {}, nullptr);
    changeLabel_ = make("changeChunkLabel", QStringLiteral("Change &Label..."), QKeySequence(Qt::Key_F2), nullptr);
    connect(changeId_, &QAction::triggered, this, [this] { EditCell(ChunkListModel::kId); });
    connect(changeLabel_, &QAction::triggered, this, [this] { EditCell(ChunkListModel::kLabel); });
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    list_->addAction(separator);
    exportData_ = make("exportChunkData", QStringLiteral("&Export Chunk Data..."), QKeySequence(Qt::CTRL | Qt::Key_E),
                       &ResourceWindow::ExportChunk);
    replaceData_ = make("replaceChunkData", QStringLiteral("&Replace Chunk Data..."), {}, &ResourceWindow::ReplaceChunk);
    auto* separator2 = new QAction(this);
    separator2->setSeparator(true);
    list_->addAction(separator2);
    delete_ = make("deleteChunk", QStringLiteral("&Delete Chunk"), QKeySequence(QKeySequence::Delete),
                   &ResourceWindow::DeleteChunk);
    auto* separator3 = new QAction(this);
    separator3->setSeparator(true);
    list_->addAction(separator3);
    exportPalette_ = make("exportPalette", QStringLiteral("Export &Palette..."), {}, &ResourceWindow::ExportPalette);
    importPalette_ = make("importPalette", QStringLiteral("&Import Palette..."), {}, &ResourceWindow::ImportPalette);
    importFrame_ = make("importFramePicture", QStringLiteral("Import &Frame Picture..."), {},
                        &ResourceWindow::ImportFramePicture);
    importFrames_ = make("importFrames", QStringLiteral("Import Fra&mes from Folder..."), {}, &ResourceWindow::ImportFrames);
    rebuildPalette_ = make("rebuildPalette", QStringLiteral("Re&build Palette on Import"), {}, nullptr);
    rebuildPalette_->setCheckable(true);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    menu->addActions(list_->actions());
}

ResourceWindow::~ResourceWindow() = default;

void ResourceWindow::ApplyFilter()
{
    const QString type = typeFilter_->currentData().toString();
    // The whole type as it is: "TTAs" is not "TTAB".
    proxy_->setFilterRegularExpression(type.isEmpty() ? QString() : QStringLiteral("^%1$").arg(QRegularExpression::escape(type)));
    if (!list_->currentIndex().isValid() && proxy_->rowCount() > 0)
        list_->setCurrentIndex(proxy_->index(0, 0));
}

void ResourceWindow::UpdateTypeFilter()
{
    std::set<QString> types;
    for (int row = 0; row < model_->rowCount(); ++row)
        types.insert(model_->data(model_->index(row, ChunkListModel::kType), Qt::DisplayRole).toString());
    const QString current = typeFilter_->currentData().toString();
    const QSignalBlocker blocker(typeFilter_);
    while (typeFilter_->count() > 1)
        typeFilter_->removeItem(1);
    for (const QString& type : types)
        typeFilter_->addItem(type, type);
    // The last chunk of the type shown went away: all types show again.
    const int kept = current.isEmpty() ? 0 : typeFilter_->findData(current);
    typeFilter_->setCurrentIndex(std::max(kept, 0));
    if (kept < 0)
        ApplyFilter();
}

bool ResourceWindow::SelectChunk(uint32_t type, uint16_t id)
{
    for (int row = 0; row < proxy_->rowCount(); ++row) {
        const QModelIndex index = proxy_->index(row, 0);
        const auto* chunk = reinterpret_cast<const CIffChunk*>(
            proxy_->data(index, ChunkListModel::kChunkRole).value<quintptr>());
        if (chunk != nullptr && chunk->Type() == type && chunk->Id() == id) {
            list_->setCurrentIndex(index);
            list_->scrollTo(index);
            return true;
        }
    }
    return false;
}

CIffChunk* ResourceWindow::SelectedChunk() const
{
    const QModelIndex index = list_->currentIndex();
    return index.isValid() ? reinterpret_cast<CIffChunk*>(proxy_->data(index, ChunkListModel::kChunkRole).value<quintptr>())
                           : nullptr;
}

bool ResourceWindow::CanEdit() const
{
    return adapter_ != nullptr && service_->IsOpen() && !service_->IsEntryReadOnly() && service_->Damage().empty();
}

void ResourceWindow::UpdateActions()
{
    CIffChunk* chunk = SelectedChunk();
    const bool editable = CanEdit();
    // The map is written anew with every save: it is never edited.
    const bool chunkEditable = editable && chunk != nullptr && chunk->Type() != kTypeRsmp;
    model_->SetEditable(editable);
    exportData_->setEnabled(chunk != nullptr);
    for (QAction* action : {replaceData_, duplicate_, changeId_, changeLabel_, delete_})
        action->setEnabled(chunkEditable);
    add_->setEnabled(editable);
    const bool palette = chunk != nullptr && chunk->Type() == kTypePalt && service_->Data(*chunk) &&
                         PaltPalette::Colours(*chunk) != nullptr;
    exportPalette_->setEnabled(palette);
    importPalette_->setEnabled(palette && chunkEditable);
    importFrame_->setEnabled(chunkEditable && chunk->Type() == kTypeSpr2);
    importFrames_->setEnabled(editable && !service_->ChunksOfType(kTypeSpr2).empty());
}

void ResourceWindow::ShowSelected()
{
    CIffChunk* chunk = SelectedChunk();
    if (chunk != nullptr) {
        // Another chunk starts its view afresh; the same one, made anew after an edit, as it was.
        if (!shown_ || shown_->type != chunk->Type() || shown_->id != chunk->Id())
            viewState_ = {};
        shown_ = ChunkKey{chunk->Type(), chunk->Id()};
        shownRow_ = list_->currentIndex().row();
    }
    ChunkEditor editor;
    if (CanEdit())
        editor = [this](const QString& label, const std::function<IffEditResult(IffEditService&)>& edit) {
            ApplyEdit(label, edit);
        };
    QWidget* next = chunk != nullptr && service_->IsOpen()
                        ? MakeChunkView(*service_, *chunk, viewHolder_, viewState_, editor)
                        : new QLabel(QStringLiteral("Select a chunk to see it."), viewHolder_);
    viewHolder_->addWidget(next);
    viewHolder_->setCurrentWidget(next);
    viewHolder_->removeWidget(view_);
    view_->deleteLater();
    view_ = next;
    UpdateActions();
}

void ResourceWindow::EnableEditing(CVornDoc& document, DocumentAdapter& adapter, Messenger& messenger)
{
    document_ = &document;
    adapter_ = &adapter;
    messenger_ = &messenger;
    // Undo and redo change the entry under the window.
    QUndoStack& history = adapter.Stack();
    historyIndex_ = history.index();
    connect(&history, &QUndoStack::indexChanged, this, [this](int index) { Reload(index); });
    QMenu* edit = menuBar_->addMenu(QStringLiteral("&Edit"));
    edit->addAction(adapter.CreateUndoAction(this));
    edit->addAction(adapter.CreateRedoAction(this));
    note_->setText(StandingNote());
    ShowSelected();
}

IffEditResult ResourceWindow::ApplyEdit(const QString& label, const std::function<IffEditResult(IffEditService&)>& edit,
                                        std::optional<ChunkKey> select, const QString& lead)
{
    if (!CanEdit())
        return IffEditResult::Refused({});
    const IffEditResult result = edit(*service_);
    std::string note;
    if (!result.done) {
        Tell(QString::fromStdString(result.message));
    } else {
        if (!result.message.empty())
            note = (lead.isEmpty() ? QString() : lead + QLatin1Char(' ')).toStdString() + result.message;
        if (select) {
            // A chunk the edit made or renumbered shows from its start.
            if (!shown_ || shown_->type != select->type || shown_->id != select->id)
                viewState_ = {};
            shown_ = select;
        }
        adapter_->Begin(label.toLatin1().toStdString());
        const IffSaveResult saved = service_->SaveToEntry();
        adapter_->End({service_->EntryPath(), note});
        if (saved != IffSaveResult::Saved) {
            Tell(QStringLiteral("The file could not be written back into the archive."), true);
            Reload(adapter_->Stack().index());
        }
    }
    note_->setText(QString::fromStdString(note));
    // The view that asked is still handling its signal: it is made anew afterwards.
    QTimer::singleShot(0, this, [this] { Refresh(false); });
    return result;
}

void ResourceWindow::Refresh(bool reopen)
{
    // The list's chunks may belong to a container about to go: the shown
    // chunk is known by type and id, and the list shows the new ones at once.
    const std::string path = service_->EntryPath();
    const std::set<std::pair<uint32_t, uint16_t>> before = ChunkKeysOf(*service_);
    const bool opened = !reopen || service_->OpenEntry(*document_, path) == IffOpenResult::Opened;
    model_->Refresh(*service_);
    if (!opened) {
        // The entry went away with the step: nothing is left to show.
        close();
        return;
    }
    // A renumbering taken back or made again leaves the shown chunk's type
    // with one id it did not have before: the same chunk, shown as it was.
    if (shown_ && service_->Find(shown_->type, shown_->id) == nullptr) {
        std::optional<ChunkKey> renumbered;
        int fresh = 0;
        for (const auto& [type, id] : ChunkKeysOf(*service_))
            if (type == shown_->type && !before.contains({type, id})) {
                renumbered = ChunkKey{type, id};
                ++fresh;
            }
        if (fresh == 1)
            shown_ = renumbered;
    }
    // Showing all types selects a first row, which the view would take for the shown chunk.
    const std::optional<ChunkKey> target = shown_;
    const int targetRow = shownRow_;
    UpdateTypeFilter();
    bool selected = target && SelectChunk(target->type, target->id);
    if (!selected && target && typeFilter_->currentIndex() != 0 && service_->Find(target->type, target->id) != nullptr) {
        // A chunk of another type than the one shown: all types show. A chunk
        // the step took away keeps the filter, and its neighbour shows.
        typeFilter_->setCurrentIndex(0);
        selected = SelectChunk(target->type, target->id);
    }
    // The chunk went with the step (an undone add or copy): its row's neighbour shows.
    if (!selected && targetRow >= 0 && proxy_->rowCount() > 0)
        list_->setCurrentIndex(proxy_->index(std::min(targetRow, proxy_->rowCount() - 1), 0));
    else if (!selected)
        ShowSelected();
}

void ResourceWindow::Reload(int index)
{
    const int before = std::exchange(historyIndex_, index);
    if (document_ == nullptr || !service_->EntryIndex())
        return;
    // What an import drew belongs to the step it made, gone or made again now.
    viewState_.imported.clear();
    const std::string path = service_->EntryPath();
    Refresh(true);
    // What the last edit noted is no longer news, unless the steps made again noted something here.
    QStringList notes;
    const QUndoStack& history = adapter_->Stack();
    for (int step = before; step < index; ++step) {
        const StepNote& note = static_cast<const DocumentUndoCommand*>(history.command(step))->Note();
        if (!note.text.empty() && note.entry == path)
            notes.append(QString::fromStdString(note.text));
    }
    note_->setText(notes.isEmpty() ? StandingNote() : notes.join(QLatin1Char('\n')));
}

QString ResourceWindow::StandingNote() const
{
    if (service_->IsEntryReadOnly())
        return QStringLiteral("The archive is open read-only: nothing here can be changed.");
    if (const std::string damage = service_->Damage(); !damage.empty())
        return QString::fromStdString(damage) +
               QStringLiteral(" Nothing here can be changed, so nothing past that point is lost.");
    return {};
}

void ResourceWindow::Tell(const QString& text, bool error)
{
    if (messenger_ != nullptr)
        messenger_->Show(Message{text.toStdString(), kTitle, error ? MessageIcon::Error : MessageIcon::Warning,
                                 MessageButtons::Ok});
}

std::optional<QString> ResourceWindow::AskFile(FileChoice choice, const QString& suggestion)
{
    if (filePrompt_)
        return filePrompt_(choice, suggestion);
    const bool save = choice == FileChoice::ExportTo || choice == FileChoice::PaletteTo;
    static constexpr const char* kTitles[] = {"Export Chunk Data", "Replace Chunk Data", "Export Palette",
                                              "Import Palette", "Import Frame Picture", "Import Frames"};
    QFileDialog dialog(this, QString::fromLatin1(kTitles[static_cast<int>(choice)]), suggestion);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (choice == FileChoice::PaletteTo || choice == FileChoice::PaletteFrom)
        dialog.setNameFilters({QStringLiteral("Palettes (*.gpl *.png)"), QStringLiteral("GIMP palettes (*.gpl)"),
                               QStringLiteral("Swatch pictures (*.png)")});
    if (choice == FileChoice::PictureFrom)
        dialog.setNameFilters({QStringLiteral("PNG pictures (*.png)"), QStringLiteral("All files (*)")});
    if (choice == FileChoice::FolderFrom) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void ResourceWindow::ExportChunk()
{
    CIffChunk* chunk = SelectedChunk();
    if (chunk == nullptr)
        return;
    const ChunkKey key{chunk->Type(), chunk->Id()};
    // A BMP_ chunk is a BMP file; other data has no kind of its own.
    QString suggestion = ChunkText(key.type, key.id) + (key.type == MakeTypeCode("BMP_") ? ".bmp" : ".bin");
    suggestion.replace(QLatin1Char('/'), QLatin1Char('_'));
    const std::optional<QString> path = AskFile(FileChoice::ExportTo, suggestion);
    // The dialog let events run: the file may have been reopened meanwhile.
    chunk = path ? service_->Find(key.type, key.id) : nullptr;
    if (chunk == nullptr)
        return;
    const std::optional<std::span<const uint8_t>> data = service_->Data(*chunk);
    if (!data) {
        Tell(QStringLiteral("The %1 chunk runs past the end of the file: it has no data to export.")
                 .arg(ChunkText(key.type, key.id)),
             true);
        return;
    }
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(data->data()), static_cast<qint64>(data->size())) !=
            static_cast<qint64>(data->size()) ||
        !file.commit()) {
        Tell(QStringLiteral("\"%1\" could not be written: %2.").arg(*path, file.errorString()), true);
        return;
    }
    note_->setText(QStringLiteral("%1 bytes of %2 written to \"%3\".").arg(data->size()).arg(ChunkText(key.type, key.id), *path));
}

void ResourceWindow::ReplaceChunk()
{
    const CIffChunk* chunk = SelectedChunk();
    if (chunk == nullptr || !CanEdit())
        return;
    const ChunkKey key{chunk->Type(), chunk->Id()};
    const std::optional<QString> path = AskFile(FileChoice::ReplaceFrom, {});
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        Tell(QStringLiteral("\"%1\" could not be read: %2.").arg(*path, file.errorString()), true);
        return;
    }
    // Checked before reading: the file may be anything.
    if (file.size() > kMaxChunkData) {
        Tell(QStringLiteral("\"%1\" holds %2 bytes, more than a chunk can (%3).").arg(*path).arg(file.size()).arg(kMaxChunkData));
        return;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size()) {
        Tell(QStringLiteral("\"%1\" could not be read: %2.").arg(*path, file.errorString()), true);
        return;
    }
    ApplyEdit(QStringLiteral("Replace Chunk Data of %1").arg(ChunkText(key.type, key.id)), [&](IffEditService& service) {
        return service.ReplaceChunkData(key.type, key.id,
                                        {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())});
    });
}

void ResourceWindow::DeleteChunk()
{
    const CIffChunk* chunk = SelectedChunk();
    if (chunk == nullptr)
        return;
    const ChunkKey key{chunk->Type(), chunk->Id()};
    // The row below takes its place, or the one above at the end.
    const int row = list_->currentIndex().row();
    const int next = row + 1 < proxy_->rowCount() ? row + 1 : row - 1;
    std::optional<ChunkKey> select;
    if (const auto* neighbour = next >= 0 ? reinterpret_cast<const CIffChunk*>(
                                                proxy_->data(proxy_->index(next, 0), ChunkListModel::kChunkRole).value<quintptr>())
                                          : nullptr)
        select = ChunkKey{neighbour->Type(), neighbour->Id()};
    ApplyEdit(QStringLiteral("Delete Chunk %1").arg(ChunkText(key.type, key.id)),
              [&](IffEditService& service) { return service.DeleteChunk(key.type, key.id); }, select);
}

void ResourceWindow::DuplicateChunk()
{
    const CIffChunk* chunk = SelectedChunk();
    if (chunk == nullptr)
        return;
    const ChunkKey key{chunk->Type(), chunk->Id()};
    const std::optional<uint16_t> free = service_->FreeId(key.type, key.id);
    uint16_t copy = 0;
    const IffEditResult result =
        ApplyEdit(QStringLiteral("Duplicate Chunk %1").arg(ChunkText(key.type, key.id)),
                  [&](IffEditService& service) { return service.DuplicateChunk(key.type, key.id, copy); },
                  free ? std::optional<ChunkKey>(ChunkKey{key.type, *free}) : std::nullopt);
    if (result.done)
        note_->setText(QStringLiteral("Copied as %1.").arg(ChunkText(key.type, copy)));
}

void ResourceWindow::AddChunk()
{
    if (!CanEdit())
        return;
    // The selected chunk's type first, then the file's others.
    QStringList types;
    if (const CIffChunk* chunk = SelectedChunk(); chunk != nullptr && chunk->Type() != kTypeRsmp)
        types.append(TypeText(chunk->Type()));
    for (int i = 1; i < typeFilter_->count(); ++i)
        if (typeFilter_->itemData(i).toString() != TypeText(kTypeRsmp) && !types.contains(typeFilter_->itemData(i).toString()))
            types.append(typeFilter_->itemData(i).toString());
    AddChunkDialog dialog(types, [this](const QString& type) -> std::optional<uint16_t> {
        const std::optional<uint32_t> code = TypeCodeOf(type);
        if (!code)
            return std::nullopt;
        // After the type's highest id, as the game numbers them.
        const std::vector<CIffChunk*> chunks = service_->ChunksOfType(*code);
        if (chunks.empty())
            return kFirstOwnId;
        const auto highest = std::max_element(chunks.begin(), chunks.end(),
                                              [](const CIffChunk* a, const CIffChunk* b) { return a->Id() < b->Id(); });
        return service_->FreeId(*code, (*highest)->Id());
    }, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString type = dialog.Type();
    const uint16_t id = dialog.Id();
    const std::optional<uint32_t> code = TypeCodeOf(type);
    ApplyEdit(QStringLiteral("Add Chunk %1 %2").arg(type).arg(id),
              [&](IffEditService& service) { return service.AddChunk(type.toStdString(), id); },
              code ? std::optional<ChunkKey>(ChunkKey{*code, id}) : std::nullopt);
}

void ResourceWindow::EditCell(int column)
{
    const QModelIndex current = list_->currentIndex();
    if (current.isValid() && CanEdit())
        list_->edit(current.siblingAtColumn(column));
}

void ResourceWindow::CellEdited(const ChunkKey& key, int column, const QVariant& value)
{
    const CIffChunk* chunk = service_->Find(key.type, key.id);
    if (chunk == nullptr)
        return;
    if (column == ChunkListModel::kLabel) {
        const QString label = value.toString();
        if (label == QString::fromLatin1(chunk->Label()))
            return;
        ApplyEdit(QStringLiteral("Change Label of %1").arg(ChunkText(key.type, key.id)),
                  [&](IffEditService& service) { return service.SetChunkLabel(key.type, key.id, label.toStdString()); });
        return;
    }
    bool number = false;
    const int id = value.toString().trimmed().toInt(&number);
    if (!number || id < 0 || id > UINT16_MAX) {
        Tell(QStringLiteral("\"%1\" is no chunk id: an id is a number from 0 to 65535.").arg(value.toString()));
        return;
    }
    if (id == key.id)
        return;
    const auto newId = static_cast<uint16_t>(id);
    const IffEditResult result =
        ApplyEdit(QStringLiteral("Change ID of %1 to %2").arg(ChunkText(key.type, key.id)).arg(newId),
                  [&](IffEditService& service) { return service.ChangeChunkId(key.type, key.id, newId); },
                  ChunkKey{key.type, newId}, QStringLiteral("%1 is now %2.").arg(ChunkText(key.type, key.id)).arg(newId));
    // Whatever still names the old id would now miss the chunk.
    if (result.done && !result.message.empty())
        Tell(note_->text());
}

void ResourceWindow::ExportPalette()
{
    CIffChunk* chunk = SelectedChunk();
    if (chunk == nullptr || chunk->Type() != kTypePalt)
        return;
    const uint16_t id = chunk->Id();
    const std::optional<QString> path = AskFile(FileChoice::PaletteTo, ChunkText(kTypePalt, id) + QStringLiteral(".gpl"));
    // The dialog let events run: the file may have been reopened meanwhile.
    chunk = path ? service_->Find(kTypePalt, id) : nullptr;
    const uint8_t* colours = chunk != nullptr && service_->Data(*chunk) ? PaltPalette::Colours(*chunk) : nullptr;
    if (colours == nullptr)
        return;
    PaltColours palette{};
    std::copy_n(colours, palette.size(), palette.begin());
    QSaveFile file(*path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written && PaletteFiles::IsGplName(path->toStdString())) {
        const std::string text = PaletteFiles::WriteGpl(palette, "PALT " + std::to_string(id));
        written = file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
    } else if (written) {
        const std::vector<uint8_t> pixels = PaletteFiles::SwatchPixels(palette);
        constexpr int kSide = static_cast<int>(PaletteFiles::kSwatchSide);
        written = QImage(pixels.data(), kSide, kSide, 3 * kSide, QImage::Format_RGB888).save(&file, "PNG");
    }
    if (!written || !file.commit()) {
        Tell(QStringLiteral("\"%1\" could not be written: %2.").arg(*path, file.errorString()), true);
        return;
    }
    note_->setText(QStringLiteral("PALT %1 written to \"%2\".").arg(id).arg(*path));
}

void ResourceWindow::ImportPalette()
{
    const CIffChunk* chunk = SelectedChunk();
    if (chunk == nullptr || chunk->Type() != kTypePalt || !CanEdit())
        return;
    const uint16_t id = chunk->Id();
    const std::optional<QString> path = AskFile(FileChoice::PaletteFrom, {});
    if (!path)
        return;
    PaletteFileRead read;
    if (PaletteFiles::IsGplName(path->toStdString())) {
        QFile file(*path);
        // Checked before reading: the file may be anything.
        if (!file.open(QIODevice::ReadOnly) || file.size() > static_cast<qint64>(PaletteFiles::kMaxGplBytes)) {
            Tell(QStringLiteral("\"%1\" could not be read: %2.")
                     .arg(*path, file.isOpen() ? QStringLiteral("too large for a palette") : file.errorString()),
                 true);
            return;
        }
        const QByteArray text = file.readAll();
        read = PaletteFiles::ReadGpl(std::string_view(text.constData(), static_cast<size_t>(text.size())));
    } else {
        constexpr int kSide = static_cast<int>(PaletteFiles::kMaxSwatchSide);
        const std::optional<RgbaPicture> picture = ReadRgbaPicture(*path, kSide, uint64_t{kSide} * kSide);
        if (!picture) {
            Tell(QStringLiteral("\"%1\" is not a picture that can be read, or larger than %2 x %2.").arg(*path).arg(kSide), true);
            return;
        }
        read = PaletteFiles::ReadSwatch(picture->rgba, picture->width, picture->height);
    }
    if (!read.read) {
        Tell(QStringLiteral("\"%1\": %2.").arg(*path, QString::fromStdString(read.problem)));
        return;
    }
    const IffEditResult result =
        ApplyEdit(QStringLiteral("Import Palette into PALT %1").arg(id), [&](IffEditService& service) {
            return service.SetPaletteColours(id, 0, std::span(read.colours).first(3 * read.count));
        });
    if (result.done && read.count < PaltPalette::kColourCount)
        note_->setText(QStringLiteral("%1 colours read: colours %1 to 255 of PALT %2 keep theirs.").arg(read.count).arg(id));
}

// The largest frame picture read: a side an SPR2 frame can state, and the frame pixel limit.
std::optional<RgbaPicture> ResourceWindow::ReadFramePicture(const QString& path)
{
    std::optional<RgbaPicture> picture = ReadRgbaPicture(path, UINT16_MAX, kMaxFramePixels);
    if (!picture)
        Tell(QStringLiteral("\"%1\" is not a picture that can be read, or larger than a sprite frame may be (%2 pixels).")
                 .arg(path)
                 .arg(QString::fromStdString(FormatGroupedNumber(kMaxFramePixels))),
             true);
    return picture;
}

void ResourceWindow::ImportFramePicture()
{
    const CIffChunk* chunk = SelectedChunk();
    const auto* sprite = qobject_cast<SpriteFrameView*>(view_);
    if (chunk == nullptr || chunk->Type() != kTypeSpr2 || sprite == nullptr || !CanEdit())
        return;
    const uint16_t id = chunk->Id();
    const int index = sprite->FrameList()->currentIndex();
    if (index < 0) {
        Tell(QStringLiteral("SPR2 %1 has no frame to import a picture into.").arg(id));
        return;
    }
    const std::optional<QString> path =
        AskFile(FileChoice::PictureFrom, QString::fromStdString(SpriteImport::PictureName(id, index, false)));
    if (!path)
        return;
    std::optional<RgbaPicture> picture = ReadFramePicture(*path);
    if (!picture)
        return;
    std::vector<PictureForFrame> pictures;
    pictures.push_back({id, index, path->toStdString(), std::move(*picture), std::nullopt});
    ImportPictures(QStringLiteral("Import Frame %1 of SPR2 %2").arg(index).arg(id), std::move(pictures), {});
}

void ResourceWindow::ImportFrames()
{
    if (!CanEdit())
        return;
    const std::optional<QString> folder = AskFile(FileChoice::FolderFrom, {});
    if (!folder)
        return;
    // Names as iff export writes them, found in any letter case.
    const QDir dir(*folder);
    std::map<QString, QString> names;
    for (const QString& name : dir.entryList(QDir::Files))
        names.emplace(name.toLower(), name);
    auto find = [&](uint16_t sprite, int frame, bool depth) -> std::optional<QString> {
        const auto found = names.find(QString::fromStdString(SpriteImport::PictureName(sprite, frame, depth)));
        return found != names.end() ? std::optional<QString>(dir.filePath(found->second)) : std::nullopt;
    };
    std::vector<PictureForFrame> pictures;
    for (CIffChunk* chunk : service_->ChunksOfType(kTypeSpr2)) {
        CSpr2Sprite sprite;
        if (!sprite.Load(*service_->File(), chunk))
            continue;
        for (int frame = 0; frame < sprite.FrameCount(); ++frame) {
            const std::optional<QString> colour = find(chunk->Id(), frame, false);
            if (!colour)
                continue;
            std::optional<RgbaPicture> picture = ReadFramePicture(*colour);
            if (!picture)
                return;
            std::optional<RgbaPicture> depth;
            if (const std::optional<QString> depthPath = find(chunk->Id(), frame, true)) {
                depth = ReadFramePicture(*depthPath);
                if (!depth)
                    return;
            }
            pictures.push_back({chunk->Id(), frame, colour->toStdString(), std::move(*picture), std::move(depth)});
        }
    }
    if (pictures.empty()) {
        Tell(QStringLiteral("\"%1\" holds no picture named as iff export names them (\"<chunk id>_<frame>.png\") for "
                            "a frame of this file.")
                 .arg(*folder));
        return;
    }
    const QString manifest = names.contains(QStringLiteral("sprites.json"))
                                 ? QStringLiteral(" sprites.json is not read here: the sprites keep their palette ids, "
                                                  "flags and frame headers (vorn-cli iff import reads it).")
                                 : QString();
    ImportPictures(QStringLiteral("Import Frames from %1").arg(dir.dirName()), std::move(pictures), manifest.toStdString());
}

void ResourceWindow::ImportPictures(const QString& label, std::vector<PictureForFrame> pictures, const std::string& extraNote)
{
    const bool rebuild = rebuildPalette_->isChecked();
    std::vector<ImportedFrame> drawn;
    int shownFrame = -1;
    const IffEditResult result = ApplyEdit(label, [&](IffEditService& service) {
        SpriteImport import(service);
        std::string lost;
        for (PictureForFrame& picture : pictures) {
            ImportedSprite* loaded = import.Load(service.Find(kTypeSpr2, picture.sprite));
            Spr2Frame frame;
            if (loaded == nullptr || !loaded->sprite.GetFrame(picture.frame, frame))
                return IffEditResult::Refused(texts::kCantLoadSprite);
            const std::string frameText = SpriteImport::FrameText(picture.frame, picture.sprite);
            const FrameContent before = ContentOf(frame);
            const RgbaPicture& colour = picture.colour;
            // Editors often save without alpha: every transparent pixel would turn opaque.
            if (!colour.hasAlpha && before.translucent)
                return IffEditResult::Refused("\"" + picture.source + "\" has no alpha channel, but " + frameText +
                                              " has pixels that are not opaque: save it with alpha!");
            const uint8_t* colours = import.PaletteOf(*loaded, frame);
            if (colours == nullptr)
                return IffEditResult::Refused(SpriteImport::NoPaletteText(picture.frame, picture.sprite));
            // A depth picture gives the depth; else a picture of the frame's size keeps the frame's.
            std::vector<uint8_t> depth(size_t{colour.width} * colour.height, 255);
            ExportedFrame stored;
            if (picture.depth) {
                if (picture.depth->width != colour.width || picture.depth->height != colour.height)
                    return IffEditResult::Refused("The depth picture of " + frameText + " is not the size of \"" +
                                                  picture.source + "\"!");
                // Grey as the export writes it: any channel.
                for (size_t p = 0; p < depth.size(); ++p)
                    depth[p] = picture.depth->rgba[4 * p];
            } else if (before.depth && colour.width == frame.width && colour.height == frame.height &&
                       ExportFrame(frame, PaletteColours(colours, 768), stored) == FrameExportResult::Complete) {
                depth = std::move(stored.depth);
            } else if (before.depth) {
                lost += " The pixels of " + frameText + " lose their depth: the picture is not the frame's size.";
            }
            import.AddFrame(*loaded, picture.frame, frame, false, picture.source, colour.width, colour.height,
                            colour.rgba, std::move(depth));
        }
        const SpriteImportResult imported = import.Finish(rebuild);
        if (imported.problem)
            return IffEditResult::Refused(*imported.problem);
        if (!imported.changed)
            return IffEditResult::Refused(
                pictures.size() == 1 ? "\"" + pictures[0].source + "\" is what " +
                                           SpriteImport::FrameText(pictures[0].frame, pictures[0].sprite) +
                                           " draws already: nothing changed."
                                     : std::string("The pictures are what the frames draw already: nothing changed."));
        drawn = imported.frames;
        std::string note;
        for (const RebuiltPalette& palette : imported.rebuilt)
            note += "PALT " + std::to_string(palette.id) + " rebuilt from " + std::to_string(palette.frames) +
                    " frame(s): " + std::to_string(palette.colours) + " colours. ";
        uint32_t off = 0;
        for (const ImportedFrame& one : imported.frames)
            off += one.drift.pixels;
        note += off == 0 ? "Every pixel drawn is within " + std::to_string(ColourDrift::kTolerance) +
                               " of the picture's colour."
                         : FormatGroupedNumber(off) + " pixel(s) drawn more than " +
                               std::to_string(ColourDrift::kTolerance) +
                               " off their colour: the palette lacks those colours" +
                               (rebuild ? "." : "; Rebuild Palette on Import builds it from the picture.");
        return IffEditResult::Done(note + lost + extraNote);
    });
    if (!result.done)
        return;
    // The sprite shown, or the first one imported, shows what was drawn at its first imported frame.
    const uint16_t sprite = shown_ && shown_->type == kTypeSpr2 ? shown_->id : pictures.front().sprite;
    for (const PictureForFrame& picture : pictures)
        if (picture.sprite == sprite && shownFrame < 0)
            shownFrame = picture.frame;
    if (!shown_ || shown_->type != kTypeSpr2 || shown_->id != sprite) {
        shown_ = ChunkKey{kTypeSpr2, sprite};
        viewState_ = {};
    }
    viewState_.imported = std::move(drawn);
    viewState_.row = shownFrame;
}

} // namespace vorn

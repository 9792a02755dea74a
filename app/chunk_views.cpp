#include "app/chunk_views.h"

#include "app/bitmap_loader.h"
#include "app/hex_dump_model.h"
#include "app/sprite_frame_view.h"
#include "base/memory_stream.h"
#include "iff/draw_group.h"
#include "iff/object_fields.h"
#include "iff/palt_palette.h"
#include "iff/string_escapes.h"
#include "iff/string_table.h"
#include "iff/type_codes.h"
#include "sprites/draw_group_picture.h"
#include "sprites/iff_edit_service.h"

#include <QAction>
#include <QBoxLayout>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPixmap>
#include <QScrollArea>
#include <QTableWidget>
#include <QToolBar>

#include <algorithm>
#include <array>
#include <set>

namespace vorn {

namespace {

constexpr uint32_t kTypeBmp = MakeTypeCode("BMP_");
// The largest draw group image shown; the game's are a few hundred pixels.
constexpr int32_t kMaxImageSide = 2048;
constexpr int kMaxTextColumnWidth = 320;

QWidget* Message(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("message"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

// "German (4)", or "Language 21" for a number the game names no language.
QString LanguageText(uint32_t language)
{
    const char* name = StringTable::LanguageName(language);
    return name != nullptr ? QStringLiteral("%1 (%2)").arg(QString::fromLatin1(name)).arg(language)
                           : QStringLiteral("Language %1").arg(language);
}

QTableWidget* Table(const QStringList& headers, int rows, QWidget* parent)
{
    auto* table = new QTableWidget(rows, static_cast<int>(headers.size()), parent);
    table->setObjectName(QStringLiteral("table"));
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void Put(QTableWidget* table, int row, int column, const QString& text)
{
    table->setItem(row, column, new QTableWidgetItem(text));
}

// Strings are the file's bytes, shown as Latin-1: every byte is a character.
QString Latin1(const std::string& bytes) { return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())); }

// A string on one line, its line ends and other control bytes escaped (a
// one-line row would show only the middle of a text of several lines); the
// tooltip shows it as written.
void PutString(QTableWidget* table, int row, int column, const std::string& bytes)
{
    auto* item = new QTableWidgetItem(Latin1(EscapeControls(bytes)));
    if (!bytes.empty())
        item->setToolTip(Latin1(bytes));
    table->setItem(row, column, item);
}

QWidget* HexView(std::span<const uint8_t> bytes, QWidget* parent)
{
    auto* list = new QListView(parent);
    list->setObjectName(QStringLiteral("hex"));
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list->setUniformItemSizes(true);
    list->setModel(new HexDumpModel(bytes, list));
    return list;
}

// Cells of `columns` become editable; a change calls `changed` with the row,
// the column and the text typed (the view is made anew by the edit).
void MakeEditable(QTableWidget* table, std::initializer_list<int> columns,
                  const std::function<void(int row, int column, const QString& text)>& changed)
{
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < table->columnCount(); ++column)
            if (QTableWidgetItem* item = table->item(row, column)) {
                const bool editable = std::find(columns.begin(), columns.end(), column) != columns.end();
                item->setFlags(editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
            }
    QObject::connect(table, &QTableWidget::itemChanged, table, [changed](QTableWidgetItem* item) {
        changed(item->row(), item->column(), item->text());
    });
}

// Sets the table's current cell from `state` (the nearest shown row at or
// after it, else before it) and keeps `state` following the table.
void KeepCurrentCell(QTableWidget* table, ChunkViewState& state, int defaultColumn)
{
    int row = std::min(state.row, table->rowCount() - 1);
    while (row >= 0 && table->isRowHidden(row))
        ++row;
    if (row >= table->rowCount())
        for (row = std::min(state.row, table->rowCount() - 1); row >= 0 && table->isRowHidden(row); --row) {
        }
    if (row >= 0 && state.row >= 0)
        table->setCurrentCell(row, state.column >= 0 ? state.column : defaultColumn);
    QObject::connect(table, &QTableWidget::currentCellChanged, table, [&state](int current, int column) {
        if (current >= 0) {
            state.row = current;
            state.column = column;
        }
    });
}

// The shown row before (step -1) or after (+1) `row`; -1 when there is none.
int NextShownRow(const QTableWidget* table, int row, int step)
{
    for (int next = row + step; next >= 0 && next < table->rowCount(); next += step)
        if (!table->isRowHidden(next))
            return next;
    return -1;
}

QAction* RowAction(QTableWidget* table, const char* name, const QString& text, const QKeySequence& shortcut)
{
    auto* action = new QAction(text, table);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    // The keys act on the table only: the chunk list has its own.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    table->addAction(action);
    return action;
}

// Rows added, removed and moved through `editor`; each keeps the row it
// leaves current in `state`.
void AddRowCommands(QTableWidget* rows, QToolBar* bar, const StringTable& table, const CIffChunk& chunk,
                    const ChunkEditor& editor, ChunkViewState& state)
{
    const uint32_t type = chunk.Type();
    const uint16_t id = chunk.Id();
    const QString name = QStringLiteral("%1 %2").arg(QString::fromLatin1(TypeCodeText(type))).arg(id);
    const StringTableLayout layout = table.Layout();
    // Languages as ShownLanguage gives them, by row.
    std::vector<uint32_t> languages;
    for (const StringTableEntry& entry : table.Strings())
        languages.push_back(StringTable::ShownLanguage(layout, entry));

    QAction* add = RowAction(rows, "addString", QStringLiteral("Add String"), QKeySequence(Qt::Key_Insert));
    QAction* remove = RowAction(rows, "removeString", QStringLiteral("Remove String"), QKeySequence(QKeySequence::Delete));
    QAction* up = RowAction(rows, "moveStringUp", QStringLiteral("Move Up"), QKeySequence(Qt::CTRL | Qt::Key_Up));
    QAction* down = RowAction(rows, "moveStringDown", QStringLiteral("Move Down"), QKeySequence(Qt::CTRL | Qt::Key_Down));
    rows->setContextMenuPolicy(Qt::ActionsContextMenu);
    bar->addActions(rows->actions());

    auto current = [rows] {
        const int row = rows->currentRow();
        return row >= 0 && !rows->isRowHidden(row) ? row : -1;
    };
    auto update = [=] {
        const int row = current();
        remove->setEnabled(row >= 0);
        up->setEnabled(row >= 0 && NextShownRow(rows, row, -1) >= 0);
        down->setEnabled(row >= 0 && NextShownRow(rows, row, +1) >= 0);
    };
    QObject::connect(rows, &QTableWidget::currentCellChanged, rows, update);
    QObject::connect(rows, &QTableWidget::itemSelectionChanged, rows, update);
    update();

    QObject::connect(add, &QAction::triggered, rows, [=, &state] {
        // After the current row, else after the last shown one, in its language.
        const int row = current();
        const int last = row >= 0 ? row : NextShownRow(rows, rows->rowCount(), -1);
        const size_t at = last >= 0 ? static_cast<size_t>(last) + 1 : languages.size();
        const bool withLanguage = layout == StringTableLayout::Languages || layout == StringTableLayout::LanguageSets;
        const uint32_t language = state.language ? *state.language
                                  : last >= 0    ? languages[static_cast<size_t>(last)]
                                                 : (withLanguage ? 1u : 0u);
        // A table of language sets is written set by set: the new row lands after the rows of its set before it.
        size_t landed = at;
        if (layout == StringTableLayout::LanguageSets) {
            landed = 0;
            for (size_t i = 0; i < languages.size(); ++i)
                landed += languages[i] < language || (languages[i] == language && i < at) ? 1 : 0;
        }
        editor(QStringLiteral("Add String to %1").arg(name), [=, &state](IffEditService& service) {
            IffEditResult result = service.EditStrings(type, id, [&](StringTable& edited) {
                return edited.InsertRow(at, {}, {}, language);
            });
            if (result.done)
                state.row = static_cast<int>(landed);
            return result;
        });
    });
    QObject::connect(remove, &QAction::triggered, rows, [=, &state] {
        const int row = current();
        if (row < 0)
            return;
        editor(QStringLiteral("Remove String %1 of %2").arg(row).arg(name), [=, &state](IffEditService& service) {
            IffEditResult result = service.EditStrings(
                type, id, [&](StringTable& edited) { return edited.RemoveRow(static_cast<size_t>(row)); });
            // The row below moves up into its place.
            if (result.done)
                state.row = row;
            return result;
        });
    });
    auto move = [=, &state](int step) {
        const int row = current();
        const int to = row >= 0 ? NextShownRow(rows, row, step) : -1;
        if (to < 0)
            return;
        editor(QStringLiteral("Move String %1 of %2 %3").arg(row).arg(name, step < 0 ? QStringLiteral("Up") : QStringLiteral("Down")),
               [=, &state](IffEditService& service) {
                   IffEditResult result = service.EditStrings(type, id, [&](StringTable& edited) {
                       return edited.MoveRow(static_cast<size_t>(row), static_cast<size_t>(to));
                   });
                   if (result.done)
                       state.row = to;
                   return result;
               });
    };
    QObject::connect(up, &QAction::triggered, rows, [=] { move(-1); });
    QObject::connect(down, &QAction::triggered, rows, [=] { move(+1); });
}

QWidget* StringsView(const CIffChunk& chunk, std::span<const uint8_t> bytes, QWidget* parent, const ChunkEditor& editor,
                     ChunkViewState& state)
{
    StringTable table;
    const StringTableProblem problem = table.Parse(bytes);
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    if (problem != StringTableProblem::None) {
        layout->addWidget(Message(QStringLiteral("This string table can't be read: %1.")
                                      .arg(QString::fromLatin1(StringTable::ProblemText(problem))),
                                  box));
        layout->addWidget(HexView(bytes, box), 1);
        return box;
    }
    const bool withLanguages =
        table.Layout() == StringTableLayout::Languages || table.Layout() == StringTableLayout::LanguageSets;
    layout->addWidget(new QLabel(QStringLiteral("Layout %1, %2 strings%3")
                                     .arg(QString::fromLatin1(StringTable::LayoutName(table.Layout())))
                                     .arg(table.Strings().size())
                                     .arg(table.Trailing().empty()
                                              ? QString()
                                              : QStringLiteral(", %1 bytes after the last").arg(table.Trailing().size())),
                                 box));
    // The row commands and the language filter, when there are any.
    auto* bar = new QToolBar(box);
    bar->setObjectName(QStringLiteral("stringBar"));
    layout->addWidget(bar);
    auto* rows = Table({QStringLiteral("Index"), QStringLiteral("Language"), QStringLiteral("Text"),
                        QStringLiteral("Comment")},
                       static_cast<int>(table.Strings().size()), box);
    std::set<uint32_t> languages;
    for (size_t i = 0; i < table.Strings().size(); ++i) {
        const StringTableEntry& entry = table.Strings()[i];
        const int row = static_cast<int>(i);
        const uint32_t language = StringTable::ShownLanguage(table.Layout(), entry);
        languages.insert(language);
        Put(rows, row, 0, QString::number(i));
        Put(rows, row, 1, QString::number(language));
        rows->item(row, 1)->setToolTip(LanguageText(language));
        PutString(rows, row, 2, entry.text);
        PutString(rows, row, 3, entry.comment);
    }
    rows->setColumnHidden(1, !withLanguages);
    rows->resizeColumnsToContents();
    // Long texts would push the comments out of sight.
    rows->setColumnWidth(2, std::min(rows->columnWidth(2), kMaxTextColumnWidth));
    layout->addWidget(rows, 1);
    bar->setVisible(withLanguages || editor);

    if (withLanguages) {
        // The filter offers the table's languages, and keeps one that is gone
        // (its last row removed) so the view does not jump to another.
        if (state.language)
            languages.insert(*state.language);
        auto* filter = new QComboBox(bar);
        filter->setObjectName(QStringLiteral("languageFilter"));
        filter->addItem(QStringLiteral("All languages"));
        for (const uint32_t language : languages)
            filter->addItem(LanguageText(language), language);
        bar->addWidget(filter);
        auto apply = [rows, filter, &state] {
            const QVariant chosen = filter->currentData();
            state.language = chosen.isValid() ? std::optional<uint32_t>(chosen.toUInt()) : std::nullopt;
            for (int row = 0; row < rows->rowCount(); ++row)
                rows->setRowHidden(row, state.language && rows->item(row, 1)->text().toUInt() != *state.language);
            emit rows->itemSelectionChanged(); // the row commands follow what shows
        };
        if (state.language)
            filter->setCurrentIndex(std::max(filter->findData(*state.language), 0));
        apply();
        QObject::connect(filter, &QComboBox::currentIndexChanged, rows, apply);
    }
    KeepCurrentCell(rows, state, 2);
    if (editor) {
        if (withLanguages)
            bar->addSeparator();
        AddRowCommands(rows, bar, table, chunk, editor, state);
        const uint32_t type = chunk.Type();
        const uint16_t id = chunk.Id();
        MakeEditable(rows, {1, 2, 3}, [editor, type, id](int row, int column, const QString& text) {
            const StringPart part = column == 1 ? StringPart::Language : column == 2 ? StringPart::Text : StringPart::Comment;
            // Cells show control characters escaped; what is typed is read back the same way.
            const std::string typed = column == 1 ? text.toStdString()
                                                  : UnescapeControls(text.toStdString()).value_or(std::string());
            const bool escaped = column == 1 || UnescapeControls(text.toStdString()).has_value();
            editor(QStringLiteral("Edit string %1 of %2 %3").arg(row).arg(QString::fromLatin1(TypeCodeText(type))).arg(id),
                   [=](IffEditService& service) {
                       if (!escaped)
                           return IffEditResult::Refused("\"" + text.toStdString() +
                                                         "\" has a backslash that starts no escape (\\t, \\n, \\r, \\\\, \\xNN).");
                       return service.SetString(type, id, static_cast<size_t>(row), part, typed);
                   });
        });
    }
    return box;
}

QWidget* FieldsView(const CIffChunk& chunk, std::span<const uint8_t> bytes, QWidget* parent, const ChunkEditor& editor,
                    ChunkViewState& state)
{
    const std::vector<ObjectField> fields = ReadObjectFields(bytes);
    auto* table = Table({QStringLiteral("Field"), QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("Hex")},
                        static_cast<int>(fields.size()), parent);
    for (size_t i = 0; i < fields.size(); ++i) {
        const ObjectField& field = fields[i];
        const int row = static_cast<int>(i);
        Put(table, row, 0, QString::number(field.index));
        Put(table, row, 1, QString::fromStdString(field.DisplayName()));
        // The GUID is given in hexadecimal, so it is shown so too.
        Put(table, row, 2,
            field.name == "guid" ? QStringLiteral("0x") + QStringLiteral("%1").arg(field.value, 8, 16, QLatin1Char('0')).toUpper()
                                 : QString::number(field.Number()));
        Put(table, row, 3,
            QStringLiteral("0x%1").arg(QStringLiteral("%1").arg(field.value, field.words == 2 ? 8 : 4, 16, QLatin1Char('0')).toUpper()));
    }
    table->resizeColumnsToContents();
    KeepCurrentCell(table, state, 2);
    if (editor) {
        const uint16_t id = chunk.Id();
        MakeEditable(table, {2}, [editor, id, table](int row, int, const QString& text) {
            const std::string name = table->item(row, 1)->text().toStdString();
            editor(QStringLiteral("Set %1 of OBJD %2").arg(QString::fromStdString(name)).arg(id),
                   [=](IffEditService& service) { return service.SetObjectField(id, name, text.toStdString()); });
        });
    }
    return table;
}

QWidget* PaletteView(CIffChunk& chunk, QWidget* parent, const ChunkEditor& editor, ChunkViewState& state)
{
    const uint8_t* colours = PaltPalette::Colours(chunk);
    if (colours == nullptr)
        return Message(QStringLiteral("This PALT chunk is not a palette of 256 colours."), parent);
    auto* table = new QTableWidget(16, 16, parent);
    table->setObjectName(QStringLiteral("swatches"));
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A highlight would hide the current swatch's colour: its focus frame marks it.
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int i = 0; i < 256; ++i) {
        const QColor colour(colours[3 * i], colours[3 * i + 1], colours[3 * i + 2]);
        auto* item = new QTableWidgetItem(QString::number(i));
        item->setBackground(colour);
        item->setForeground(colour.lightness() < 128 ? Qt::white : Qt::black);
        item->setTextAlignment(Qt::AlignCenter);
        item->setToolTip(QStringLiteral("%1: %2, %3, %4").arg(i).arg(colour.red()).arg(colour.green()).arg(colour.blue()));
        table->setItem(i / 16, i % 16, item);
    }
    KeepCurrentCell(table, state, 0);
    if (!editor)
        return table;
    // A swatch is activated (double-click, Enter) or chosen from its context menu.
    QAction* choose = RowAction(table, "chooseColour", QStringLiteral("Choose Colour..."), {});
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
    const uint16_t id = chunk.Id();
    auto pick = [table, editor, id] {
        const int row = table->currentRow();
        const int column = table->currentColumn();
        if (row < 0 || column < 0)
            return;
        const int index = row * 16 + column;
        const QColor old = table->item(row, column)->background().color();
        QColorDialog dialog(old, table);
        dialog.setWindowTitle(QStringLiteral("Colour %1 of PALT %2").arg(index).arg(id));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedColor() == old)
            return;
        const QColor chosen = dialog.selectedColor();
        const std::array<uint8_t, 3> rgb = {static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                                            static_cast<uint8_t>(chosen.blue())};
        editor(QStringLiteral("Set Colour %1 of PALT %2").arg(index).arg(id),
               [=](IffEditService& service) { return service.SetPaletteColours(id, static_cast<size_t>(index), rgb); });
    };
    QObject::connect(choose, &QAction::triggered, table, pick);
    QObject::connect(table, &QTableWidget::cellActivated, table, pick);
    return table;
}

QWidget* PictureView(const QImage& image, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("picture"));
    label->setAlignment(Qt::AlignCenter);
    label->setPixmap(QPixmap::fromImage(image));
    auto* scroll = new QScrollArea(parent);
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    return scroll;
}

QWidget* BitmapView(std::span<const uint8_t> bytes, QWidget* parent)
{
    MemoryStream stream(bytes);
    const std::optional<BitmapPicture> picture = BitmapLoader::Load(stream);
    if (!picture)
        return Message(QStringLiteral("This BMP_ chunk is not a valid BMP picture."), parent);
    return PictureView(picture->image, parent);
}

// The draw group's images in the 4 directions (columns) and 3 zooms (rows),
// each drawn on its own, whether or not an object names the group.
QWidget* DrawGroupView(IffEditService& service, CIffChunk& chunk, QWidget* parent)
{
    CDrawGroup group;
    const bool read = group.Load(*service.File(), &chunk);
    auto* grid = new QWidget(parent);
    auto* layout = new QGridLayout(grid);
    static constexpr uint8_t kBackground[3] = {0, 255, 255};
    for (int d = 0; d < 4; ++d)
        layout->addWidget(new QLabel(QStringLiteral("Direction %1").arg(2 * d), grid), 0, d + 1, Qt::AlignCenter);
    for (int zoom = 1; zoom <= 3; ++zoom) {
        layout->addWidget(new QLabel(QStringLiteral("Zoom %1").arg(zoom), grid), zoom, 0);
        for (int d = 0; d < 4; ++d) {
            auto* cell = new QLabel(grid);
            cell->setObjectName(QStringLiteral("cell%1_%2").arg(zoom).arg(2 * d));
            cell->setAlignment(Qt::AlignCenter);
            const int index = group.FindImage(2 * d, zoom);
            DrawReport report;
            const std::optional<DrawGroupPicture> picture =
                index < 0 ? std::nullopt
                          : DrawDrawGroupImage(*service.File(), group, index, kBackground, kMaxImageSide, report);
            if (picture) {
                const QImage image(picture->rgb.data(), picture->width, picture->height, 3 * picture->width,
                                   QImage::Format_RGB888);
                cell->setPixmap(QPixmap::fromImage(image.copy()));
            } else {
                cell->setText(index < 0 ? QStringLiteral("no image") : QStringLiteral("nothing drawn"));
            }
            if (!report.Complete())
                cell->setToolTip(QString::fromStdString(report.Summary()));
            layout->addWidget(cell, zoom, d + 1, Qt::AlignCenter);
        }
    }
    auto* box = new QWidget(parent);
    auto* outer = new QVBoxLayout(box);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(new QLabel(QStringLiteral("Version %1, %2 images%3")
                                    .arg(group.Version())
                                    .arg(group.ImageCount())
                                    .arg(read ? QString() : QStringLiteral(" (read only in part)")),
                                box));
    auto* scroll = new QScrollArea(box);
    scroll->setWidget(grid);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll, 1);
    return box;
}

} // namespace

QWidget* MakeChunkView(IffEditService& service, CIffChunk& chunk, QWidget* parent, ChunkViewState& state,
                       const ChunkEditor& editor)
{
    const std::optional<std::span<const uint8_t>> bytes = service.Data(chunk);
    if (!bytes)
        return Message(QStringLiteral("This chunk's bytes lie past the end of the file."), parent);
    const uint32_t type = chunk.Type();
    if (StringTable::IsStringTableType(type))
        return StringsView(chunk, *bytes, parent, editor, state);
    if (type == kTypeObjd)
        return FieldsView(chunk, *bytes, parent, editor, state);
    if (type == kTypeSpr2) {
        auto* sprite = new SpriteFrameView(service, chunk, parent);
        if (state.row >= 0 && state.row < sprite->FrameList()->count())
            sprite->FrameList()->setCurrentIndex(state.row);
        QObject::connect(sprite->FrameList(), &QComboBox::currentIndexChanged, sprite, [&state](int frame) { state.row = frame; });
        sprite->ShowImported(state.imported);
        return sprite;
    }
    if (type == kTypeDgrp)
        return DrawGroupView(service, chunk, parent);
    if (type == kTypePalt)
        return PaletteView(chunk, parent, editor, state);
    if (type == kTypeBmp)
        return BitmapView(*bytes, parent);
    return HexView(*bytes, parent);
}

} // namespace vorn

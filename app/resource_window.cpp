#include "app/resource_window.h"

#include "app/chunk_list_model.h"
#include "app/chunk_views.h"
#include "app/document_adapter.h"
#include "base/messenger.h"
#include "iff/iff_chunk.h"
#include "iff/type_codes.h"
#include "sprites/iff_edit_service.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <set>

namespace vorn {

namespace {

constexpr int kMeasuredRows = 100;

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
    std::set<QString> types;
    for (int row = 0; row < model_->rowCount(); ++row)
        types.insert(model_->data(model_->index(row, ChunkListModel::kType), Qt::DisplayRole).toString());
    for (const QString& type : types)
        typeFilter_->addItem(type, type);

    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("chunks"));
    list_->setModel(proxy_);
    list_->setSortingEnabled(true);
    list_->sortByColumn(-1, Qt::AscendingOrder); // container order until a header is clicked
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
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
    layout->addWidget(splitter, 1);
    layout->addWidget(note_);
    resize(960, 600);
    splitter->setSizes({380, 580});

    connect(typeFilter_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { ShowSelected(); });
    if (proxy_->rowCount() > 0)
        list_->setCurrentIndex(proxy_->index(0, 0));
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

bool ResourceWindow::SelectChunk(uint32_t type, uint16_t id)
{
    for (int row = 0; row < proxy_->rowCount(); ++row) {
        const QModelIndex index = proxy_->index(row, 0);
        const auto* chunk = reinterpret_cast<const CIffChunk*>(
            proxy_->data(index, ChunkListModel::kChunkRole).value<quintptr>());
        if (chunk != nullptr && chunk->Type() == type && chunk->Id() == id) {
            list_->setCurrentIndex(index);
            return true;
        }
    }
    return false;
}

void ResourceWindow::ShowSelected()
{
    const QModelIndex index = list_->currentIndex();
    auto* chunk = index.isValid() ? reinterpret_cast<CIffChunk*>(
                                        proxy_->data(index, ChunkListModel::kChunkRole).value<quintptr>())
                                  : nullptr;
    ChunkEditor editor;
    if (adapter_ != nullptr)
        editor = [this](const QString& label, const std::function<IffEditResult(IffEditService&)>& edit) {
            ApplyEdit(label, edit);
        };
    QWidget* next = chunk != nullptr && service_->IsOpen()
                        ? MakeChunkView(*service_, *chunk, viewHolder_, editor)
                        : new QLabel(QStringLiteral("Select a chunk to see it."), viewHolder_);
    viewHolder_->addWidget(next);
    viewHolder_->setCurrentWidget(next);
    viewHolder_->removeWidget(view_);
    view_->deleteLater();
    view_ = next;
}

void ResourceWindow::EnableEditing(CVornDoc& document, DocumentAdapter& adapter, Messenger& messenger)
{
    document_ = &document;
    adapter_ = &adapter;
    messenger_ = &messenger;
    // Undo and redo change the entry under the window.
    connect(&adapter.Stack(), &QUndoStack::indexChanged, this, [this] { Reload(); });
    ShowSelected();
}

void ResourceWindow::ApplyEdit(const QString& label, const std::function<IffEditResult(IffEditService&)>& edit)
{
    const IffEditResult result = edit(*service_);
    std::string note = result.message;
    if (!result.done) {
        messenger_->Show(Message{result.message, kTitle, MessageIcon::Warning, MessageButtons::Ok});
        note.clear();
    } else {
        adapter_->Begin(label.toStdString());
        const IffSaveResult saved = service_->SaveToEntry();
        adapter_->End();
        if (saved != IffSaveResult::Saved) {
            messenger_->Show(Message{"The file could not be written back into the archive.", kTitle, MessageIcon::Error,
                                     MessageButtons::Ok});
            Reload();
        }
    }
    note_->setText(QString::fromStdString(note));
    // The view that asked is still handling its signal: it is made anew afterwards.
    QTimer::singleShot(0, this, [this] { Refresh(false); });
}

void ResourceWindow::Refresh(bool reopen)
{
    // The list's chunks may belong to a container about to go: only the
    // selected one's type and id are kept, and the list shows the new ones at once.
    const QModelIndex index = list_->currentIndex();
    const auto* chunk = index.isValid() ? reinterpret_cast<const CIffChunk*>(
                                              proxy_->data(index, ChunkListModel::kChunkRole).value<quintptr>())
                                        : nullptr;
    const uint32_t type = chunk != nullptr ? chunk->Type() : 0;
    const uint16_t id = chunk != nullptr ? chunk->Id() : 0;
    const std::string path = service_->EntryPath();
    const bool opened = !reopen || service_->OpenEntry(*document_, path) == IffOpenResult::Opened;
    model_->Refresh(*service_);
    if (!opened) {
        // The entry went away with the step: nothing is left to show.
        close();
        return;
    }
    if (chunk == nullptr || !SelectChunk(type, id))
        ShowSelected();
}

void ResourceWindow::Reload()
{
    if (document_ != nullptr && service_->EntryIndex())
        Refresh(true);
}

} // namespace vorn

#include "app/resource_window.h"

#include "app/chunk_list_model.h"
#include "app/chunk_views.h"
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
    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(viewHolder_);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
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
    QWidget* next = chunk != nullptr && service_->IsOpen()
                        ? MakeChunkView(*service_, *chunk, viewHolder_)
                        : new QLabel(QStringLiteral("Select a chunk to see it."), viewHolder_);
    viewHolder_->addWidget(next);
    viewHolder_->setCurrentWidget(next);
    viewHolder_->removeWidget(view_);
    view_->deleteLater();
    view_ = next;
}

} // namespace vorn

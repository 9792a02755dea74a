#include "app/viewer_dispatch.h"

#include "app/bitmap_loader.h"
#include "app/bitmap_view_dialog.h"
#include "app/document_adapter.h"
#include "app/file_commands.h"
#include "app/main_frame.h"
#include "app/resource_window.h"
#include "app/text_view_dialog.h"
#include "app/viewer_messages.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "audio/qt/play_xa_dialog.h"
#include "audio/wav_image.h"
#include "audio/xa_decoder.h"
#include "base/debug_trace.h"
#include "base/memory_stream.h"
#include "base/name_compare.h"
#include "sprites/iff_edit_service.h"
#include "sprites/qt/preview_objects_dialog.h"

#include <QAction>
#include <QItemSelectionModel>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace vorn {

namespace {

// The viewers' working streams grow in steps of this many bytes.
constexpr size_t kStreamGrowth = 1024;

} // namespace

ViewerKind ViewerKindOf(std::string_view path)
{
    if (EndsWithNoCase(path, ".XA"))
        return ViewerKind::Xa;
    if (EndsWithNoCase(path, ".IFF"))
        return ViewerKind::Iff;
    if (EndsWithNoCase(path, ".BMP"))
        return ViewerKind::Bmp;
    for (const char* end : {".TXT", ".INI", ".CFG"}) {
        if (EndsWithNoCase(path, end))
            return ViewerKind::Text;
    }
    return ViewerKind::None;
}

ViewerDispatch::ViewerDispatch(CVornView& view, Messenger& messenger) : view_(view), messenger_(messenger) {}

void ViewerDispatch::Dispatch(int row)
{
    if (view_.ImageOf(row) != CVornView::kImageFile)
        return;
    Open(view_.PathOf(row));
}

void ViewerDispatch::Open(const std::string& path)
{
    switch (ViewerKindOf(path)) {
    case ViewerKind::Xa: RunXaViewer(path); break;
    case ViewerKind::Iff: RunIffViewer(path); break;
    case ViewerKind::Bmp: RunBitmapViewer(path); break;
    case ViewerKind::Text: RunTextViewer(path); break;
    case ViewerKind::None: break;
    }
}

void ViewerDispatch::RunXaViewer(const std::string& path)
{
    CFarDirectoryTree& tree = view_.Document().Tree();
    const std::optional<std::vector<uint8_t>> copy = tree.CopyEntryData(path);
    if (!copy) {
        ReportViewerError(messenger_, ViewerError::XaExtractFile);
        return;
    }
    const std::optional<FarFileItem> item = tree.GetFileItem(path);
    const CFarEntry* entry = item ? tree.EntryOfItem(*item) : nullptr;
    if (!entry) {
        ReportViewerError(messenger_, ViewerError::XaFindFile);
        return;
    }

    // The decoder reads the entry's data length, but never more than the copy holds.
    const uint32_t length = static_cast<uint32_t>(std::min<uint64_t>(entry->size2, copy->size()));
    MemoryStream wav(kStreamGrowth);
    CXaDecoder decoder;
    decoder.SetInput(copy->data(), length, &wav);
    if (!decoder.Decode()) {
        ReportViewerError(messenger_, ViewerError::XaDecompress);
        return;
    }

    CPlayXaDialog dialog(messenger_, &view_);
    dialog.SetName(path);
    dialog.SetTotalSeconds(WavLengthSeconds(wav.Bytes()));  // 0 for a byte rate of 0
    if (!dialog.Player().Init()) {
        ReportViewerError(messenger_, ViewerError::XaInit);
        return;
    }
    dialog.Player().AddBuffer(wav.Bytes());
    DebugTrace::Instance().Trace("Going to show XA dialog box (%s)", path.c_str());
    dialog.exec();
}

bool ViewerDispatch::OpenIffEntry(IffEditService& service, const std::string& path)
{
    switch (service.OpenEntry(view_.Document(), path)) {
    case IffOpenResult::Opened: return true;
    case IffOpenResult::CantRead: ReportViewerError(messenger_, ViewerError::IffExtractFile); return false;
    case IffOpenResult::NotIff: ReportViewerError(messenger_, ViewerError::IffOpen); return false;
    case IffOpenResult::NoEntry: ReportViewerError(messenger_, ViewerError::IffFindFile); return false;
    }
    return false;
}

void ViewerDispatch::RunIffViewer(const std::string& path)
{
    CVornDoc& document = view_.Document();
    auto service = std::make_shared<IffEditService>();
    if (!OpenIffEntry(*service, path))
        return;
    if (!service->HasObjects()) {
        ReportViewerError(messenger_, ViewerError::IffNoObjects);
        return;
    }
    CPreviewObjectsDialog dialog(*service, messenger_, &view_);
    const std::optional<FarFileItem> item = document.Tree().GetFileItem(path);
    const std::string name = item ? item->name : path;
    // The resource window shows the dialog's own file, edits included.
    dialog.SetResourcesHandler([&dialog, service, name] {
        (new ResourceWindow(service, QString::fromLatin1(name), &dialog))->show();
    });
    DebugTrace::Instance().Trace("Going to view IFF file %s.", path.c_str());
    // What Save Changes writes in one viewing is one step; the row's size
    // follows the document.
    DocumentAdapter& adapter = view_.Frame().Adapter();
    adapter.Begin(StepLabel("Save Changes to", {name}));
    const PreviewResult result = dialog.Run();
    adapter.End();
    if (result == PreviewResult::Saved)
        DebugTrace::Instance().Trace("IFF file %s updated!", path.c_str());
}

ResourceWindow* ViewerDispatch::OpenResources(const std::string& path)
{
    auto service = std::make_shared<IffEditService>();
    if (!OpenIffEntry(*service, path))
        return nullptr;
    const std::optional<FarFileItem> item = view_.Document().Tree().GetFileItem(path);
    auto* window = new ResourceWindow(service, QString::fromLatin1(item ? item->name : path), &view_);
    // Its own file: edits are steps of the document's history.
    window->EnableEditing(view_.Document(), view_.Frame().Adapter(), messenger_);
    window->show();
    return window;
}

void ViewerDispatch::RunBitmapViewer(const std::string& path)
{
    MemoryStream bytes(kStreamGrowth);
    if (!view_.Document().Tree().WriteEntryData(path, bytes)) {
        ReportViewerError(messenger_, ViewerError::BmpExtractFile);
        return;
    }
    std::optional<BitmapPicture> picture = BitmapLoader::Load(bytes);
    if (!picture) {
        ReportViewerError(messenger_, ViewerError::BmpLoad);
        return;
    }
    DebugTrace::Instance().Trace("BMP showing bitmap %s", path.c_str());
    BitmapViewDialog dialog(&view_);
    dialog.SetBitmap(picture->image);
    dialog.exec();
}

void ViewerDispatch::RunTextViewer(const std::string& path)
{
    const std::optional<std::vector<uint8_t>> bytes = view_.Document().Tree().CopyEntryData(path);
    if (!bytes) {
        ReportViewerError(messenger_, ViewerError::TextExtractFile);
        return;
    }
    DebugTrace::Instance().Trace("TXT showing text file %s", path.c_str());
    TextViewDialog dialog(&view_);
    dialog.SetText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    dialog.exec();
}

int SelectedIffRow(const CVornView& view)
{
    const QModelIndex current = view.currentIndex();
    const int row = view.RowOf(current);
    if (row < 0 || !view.selectionModel()->isSelected(current) || view.ImageOf(row) != CVornView::kImageFile)
        return -1;
    return ViewerKindOf(view.PathOf(row)) == ViewerKind::Iff ? row : -1;
}

void InstallViewerDispatch(CVornView& view, Messenger& messenger)
{
    // "Resources" on the list pane's file row, from its context menu or Ctrl+R.
    QAction* resources = view.findChild<QAction*>(QStringLiteral("resources"));
    if (resources == nullptr) {
        resources = new QAction(QStringLiteral("Re&sources...\tCtrl+R"), &view);
        resources->setObjectName(QStringLiteral("resources"));
        resources->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
        resources->setShortcutContext(Qt::WindowShortcut);
        view.addAction(resources);
    }
    QObject::disconnect(resources, &QAction::triggered, nullptr, nullptr);
    QObject::connect(resources, &QAction::triggered, &view, [&view, &messenger] {
        const int row = SelectedIffRow(view);
        if (row >= 0)
            ViewerDispatch(view, messenger).OpenResources(view.PathOf(row));
    });
    // Greyed whenever it could not act, following what its rule reads, as
    // the frame's selection commands are.
    const auto update = [&view, resources] { resources->setEnabled(SelectedIffRow(view) >= 0); };
    QItemSelectionModel* selection = view.selectionModel();
    QAbstractItemModel* model = view.model();
    QObject::disconnect(selection, nullptr, resources, nullptr);
    QObject::disconnect(model, nullptr, resources, nullptr);
    QObject::connect(selection, &QItemSelectionModel::selectionChanged, resources, update);
    QObject::connect(selection, &QItemSelectionModel::currentChanged, resources, update);
    QObject::connect(model, &QAbstractItemModel::modelReset, resources, update);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, resources, update);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, resources, update);
    // A rename can give a row the ending or take it away.
    QObject::connect(model, &QAbstractItemModel::dataChanged, resources, update);
    update();
    // One dispatch per pane, however often this is called.
    QObject::disconnect(&view, &CVornView::fileRowActivated, &view, nullptr);
    QObject::connect(&view, &CVornView::fileRowActivated, &view,
                     [&view, &messenger](int row) { ViewerDispatch(view, messenger).Dispatch(row); });
}

} // namespace vorn

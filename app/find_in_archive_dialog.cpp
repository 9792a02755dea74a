#include "app/find_in_archive_dialog.h"

#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/resource_window.h"
#include "app/ui_text.h"
#include "app/viewer_dispatch.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "iff/string_escapes.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

namespace vorn {

FindInArchiveDialog::FindInArchiveDialog(CFarDirectoryTree& tree, QWidget* parent) : QDialog(parent), tree_(tree)
{
    setWindowTitle(QStringLiteral("Find in Archive"));
    pattern_ = new QLineEdit(this);
    pattern_->setPlaceholderText(QStringLiteral("Part of a name, or a pattern such as *.iff or objects\\*.iff"));
    strings_ = new QCheckBox(QStringLiteral("Also search the &strings of IFF files (catalogue names and "
                                            "descriptions, STR# text)"),
                             this);
    auto* find = new QPushButton(QStringLiteral("&Find"), this);
    find->setDefault(true);
    results_ = new QTreeWidget(this);
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setHeaderLabels({QStringLiteral("Path"), QStringLiteral("Where"), QStringLiteral("Text")});
    results_->header()->resizeSection(0, 260);
    results_->header()->resizeSection(1, 110);
    status_ = new QLabel(this);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto* patternRow = new QHBoxLayout;
    patternRow->addWidget(new QLabel(QStringLiteral("&Name or text:"), this));
    patternRow->addWidget(pattern_, 1);
    patternRow->addWidget(find);
    static_cast<QLabel*>(patternRow->itemAt(0)->widget())->setBuddy(pattern_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(patternRow);
    layout->addWidget(strings_);
    layout->addWidget(results_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    resize(640, 420);

    connect(find, &QPushButton::clicked, this, &FindInArchiveDialog::Find);
    connect(pattern_, &QLineEdit::returnPressed, this, &FindInArchiveDialog::Find);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(results_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const int index = results_->indexOfTopLevelItem(item);
        if (showHit && index >= 0 && static_cast<size_t>(index) < hits_.size())
            showHit(hits_[static_cast<size_t>(index)]);
    });
}

QString FindInArchiveDialog::StatusText() const
{
    return status_->text();
}

void FindInArchiveDialog::Find()
{
    results_->clear();
    hits_.clear();
    const std::optional<std::string> pattern = ToArchive(pattern_->text());
    if (!pattern || pattern->empty()) {
        status_->setText(pattern ? QStringLiteral("Type part of a name, or a pattern.")
                                 : QStringLiteral("Archive names and strings hold only Latin-1 characters."));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    hits_ = ArchiveFind(*pattern, strings_->isChecked()).Run(tree_);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(hits_.size()));
    for (const ArchiveFindHit& hit : hits_) {
        items.append(new QTreeWidgetItem({FromArchive(hit.path), FromArchive(hit.Where()),
                                          FromArchive(EscapeControls(hit.text))}));
    }
    results_->addTopLevelItems(items);
    QApplication::restoreOverrideCursor();
    status_->setText(hits_.empty() ? QStringLiteral("No match") : QStringLiteral("%1 match(es)").arg(hits_.size()));
}

void OpenFindInArchive(CMainFrame& frame, Messenger& messenger)
{
    auto* dialog = frame.findChild<FindInArchiveDialog*>();
    if (dialog == nullptr) {
        dialog = new FindInArchiveDialog(frame.GetRightPane()->Document().Tree(), &frame);
        dialog->showHit = [&frame, &messenger](const ArchiveFindHit& hit) { ShowFindHit(frame, messenger, hit); };
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->PatternField()->setFocus();
    dialog->PatternField()->selectAll();
}

bool ShowFindHit(CMainFrame& frame, Messenger& messenger, const ArchiveFindHit& hit)
{
    CVornView& list = *frame.GetRightPane();
    const size_t separator = hit.path.rfind('\\');
    frame.GetLeftPane()->SelectPath(separator == std::string::npos ? std::string() : hit.path.substr(0, separator));
    const int row = list.Model().RowOfPath(hit.path);
    if (row < 0 || list.ImageOf(row) != CVornView::kImageFile) {
        frame.statusBar()->showMessage(QStringLiteral("\"%1\" is no longer in the archive.").arg(FromArchive(hit.path)),
                                       10000);
        return false;
    }
    list.ShowRow(row);
    list.setFocus(Qt::OtherFocusReason);
    if (hit.inString) {
        if (ResourceWindow* window = ViewerDispatch(list, messenger).OpenResources(hit.path))
            window->SelectChunk(hit.chunkType, hit.chunkId);
    }
    return true;
}

} // namespace vorn

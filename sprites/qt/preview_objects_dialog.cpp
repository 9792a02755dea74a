#include "sprites/qt/preview_objects_dialog.h"

#include "base/debug_trace.h"
#include "iff/fix_colors.h"
#include "sprites/qt/object_preview.h"
#include "sprites/qt/pixel_probe.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <string>

namespace vorn {

namespace {

QSlider* MakeTrackbar(int maximum, QWidget* parent)
{
    auto* slider = new QSlider(Qt::Vertical, parent);
    slider->setRange(0, maximum);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksRight);
    slider->setTickInterval(1);
    // The first position at the top and Down moving towards the last, as
    // the game's vertical trackbars have it.
    slider->setInvertedAppearance(true);
    slider->setInvertedControls(true);
    // Room for four positions; more where the screen has it (the size hint).
    slider->setMinimumHeight(48);
    return slider;
}

QPushButton* MakeButton(const char* text, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    // Enter must not press a button: the dialog ignores it.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

std::string PixelTypeTraceText()
{
    const std::optional<PixelInfo> info = RetrieveInfo();
    return std::string(info ? PixelTypeText(info->type) : kPixelTypeErrorText);
}

} // namespace

CPreviewObjectsDialog::CPreviewObjectsDialog(IffEditService& service, Messenger& messenger, QWidget* parent)
    : QDialog(parent), service_(service), messenger_(messenger)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setModal(true);

    objectList_ = new QComboBox(this);
    objectList_->setObjectName(QStringLiteral("objectList"));
    objectList_->setMaxVisibleItems(12);
    objectList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* directionLabel = new QLabel(QStringLiteral("Direction:"), this);
    directionSlider_ = MakeTrackbar(3, this);
    directionSlider_->setObjectName(QStringLiteral("directionSlider"));
    auto* zoomLabel = new QLabel(QStringLiteral("Zoom:"), this);
    zoomSlider_ = MakeTrackbar(2, this);
    zoomSlider_->setObjectName(QStringLiteral("zoomSlider"));
    preview_ = new CObjectPreview(this);
    preview_->setObjectName(QStringLiteral("preview"));
    notDrawnLabel_ = new QLabel(this);
    notDrawnLabel_->setObjectName(QStringLiteral("notDrawn"));
    notDrawnLabel_->setTextFormat(Qt::PlainText);
    saveChangesButton_ = MakeButton("Save\nChanges", this);
    saveChangesButton_->setObjectName(QStringLiteral("saveChanges"));
    fixColorsButton_ = MakeButton("Fix\nColors", this);
    fixColorsButton_->setObjectName(QStringLiteral("fixColors"));
    resourcesButton_ = MakeButton("Resources", this);
    resourcesButton_->setObjectName(QStringLiteral("resources"));
    resourcesButton_->hide();
    auto* graphicLabel = new QLabel(QStringLiteral("Graphic:"), this);
    graphicList_ = new QComboBox(this);
    graphicList_->setObjectName(QStringLiteral("graphicList"));
    graphicList_->setMaxVisibleItems(8);

    // The object list across the top; below it a narrow column of controls
    // beside the preview, top to bottom as the game's dialog places them.
    auto* column = new QVBoxLayout;
    column->addWidget(graphicLabel);
    column->addWidget(graphicList_);
    column->addSpacing(8);
    column->addWidget(directionLabel);
    column->addWidget(directionSlider_, 0, Qt::AlignHCenter);
    column->addSpacing(4);
    column->addWidget(zoomLabel);
    column->addWidget(zoomSlider_, 0, Qt::AlignHCenter);
    column->addStretch(1);
    column->addWidget(fixColorsButton_);
    column->addWidget(saveChangesButton_);
    column->addWidget(resourcesButton_);
    // The line under the preview keeps its height when empty, so the
    // preview does not jump when it comes and goes.
    notDrawnLabel_->setMinimumHeight(notDrawnLabel_->fontMetrics().height());
    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(preview_, 1);
    previewColumn->addWidget(notDrawnLabel_);
    auto* body = new QHBoxLayout;
    body->addLayout(column);
    body->addLayout(previewColumn, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(objectList_);
    outer->addLayout(body, 1);

    setTabOrder(objectList_, directionSlider_);
    setTabOrder(directionSlider_, zoomSlider_);
    setTabOrder(zoomSlider_, saveChangesButton_);
    setTabOrder(saveChangesButton_, fixColorsButton_);
    setTabOrder(fixColorsButton_, graphicList_);

    connect(objectList_, &QComboBox::currentIndexChanged, this, [this] { OnObjectSelChange(); });
    connect(graphicList_, &QComboBox::currentIndexChanged, this, [this] { OnGraphicSelChange(); });
    connect(directionSlider_, &QSlider::valueChanged, this, [this] { OnVerticalScroll(); });
    connect(zoomSlider_, &QSlider::valueChanged, this, [this] { OnVerticalScroll(); });
    connect(fixColorsButton_, &QPushButton::clicked, this, [this] { OnFixColors(); });
    connect(saveChangesButton_, &QPushButton::clicked, this, [this] { OnSaveChanges(); });
    connect(resourcesButton_, &QPushButton::clicked, this, [this] {
        if (openResources_)
            openResources_();
    });
    connect(preview_, &CObjectPreview::notDrawnChanged, notDrawnLabel_, &QLabel::setText);
    saveChangesButton_->setEnabled(false);
}

CPreviewObjectsDialog::~CPreviewObjectsDialog() = default;

void CPreviewObjectsDialog::SetResourcesHandler(std::function<void()> open)
{
    openResources_ = std::move(open);
    resourcesButton_->setVisible(static_cast<bool>(openResources_));
}

void CPreviewObjectsDialog::Initialise()
{
    initialised_ = true;
    DebugTrace::Instance().Trace("%s", PixelTypeTraceText().c_str());
    // Give the preview its real size before anything is centred in it.
    adjustSize();
    layout()->activate();

    preview_->SetBackground(0, 255, 255);
    preview_->SetCatalogue(nullptr);
    {
        const QSignalBlocker blockObjects(objectList_);
        const QSignalBlocker blockDirection(directionSlider_);
        const QSignalBlocker blockZoom(zoomSlider_);
        objectList_->clear();
        const CObjectCatalogue& catalogue = service_.Catalogue();
        for (auto position = catalogue.FirstDisplayable(); position != CObjectCatalogue::kEnd;) {
            const auto at = position;
            const ObjectEntry* entry = catalogue.NextDisplayable(position);
            // Archive bytes are shown as Latin-1, every byte as itself.
            objectList_->addItem(QString::fromLatin1(entry->label.data(), static_cast<qsizetype>(entry->label.size())),
                                 QVariant::fromValue<qulonglong>(at));
        }
        objectList_->setCurrentIndex(objectList_->count() > 0 ? 0 : -1);
        directionSlider_->setValue(0);
        zoomSlider_->setValue(2);
    }
    preview_->SetDirection(0);
    preview_->SetZoom(3);
    saveChangesButton_->setEnabled(false);
    changed_ = false;
    OnObjectSelChange();
}

PreviewResult CPreviewObjectsDialog::Run()
{
    Initialise();
    exec();
    return Result();
}

void CPreviewObjectsDialog::OnObjectSelChange()
{
    preview_->SetCatalogue(nullptr);
    preview_->update();
    const int selected = objectList_->currentIndex();
    if (selected < 0 || !service_.IsOpen())
        return;
    const CObjectCatalogue& catalogue = service_.Catalogue();
    const QVariant data = objectList_->itemData(selected);
    const ObjectEntry* entry = data.isValid() ? catalogue.Entry(data.toULongLong()) : nullptr;
    if (entry == nullptr)
        return;
    preview_->SetCatalogue(&catalogue);
    preview_->SetEntry(*entry);
    {
        const QSignalBlocker block(graphicList_);
        graphicList_->clear();
        // An object without graphics still offers "0".
        const unsigned count = std::max<unsigned>(entry->graphicCount, 1);
        for (unsigned i = 0; i < count; ++i)
            graphicList_->addItem(QString::number(i));
        graphicList_->setCurrentIndex(0);
    }
    preview_->SetGraphicIndex(0);
    preview_->Recentre();
}

void CPreviewObjectsDialog::OnGraphicSelChange()
{
    int selected = graphicList_->currentIndex();
    if (selected < 0) {
        const QSignalBlocker block(graphicList_);
        graphicList_->setCurrentIndex(0);
        selected = 0;
    }
    // A new graphic keeps the pan, so variants can be compared in place.
    preview_->SetGraphicIndex(selected);
    preview_->update();
}

void CPreviewObjectsDialog::OnVerticalScroll()
{
    preview_->SetDirection(2 * directionSlider_->value());
    preview_->SetZoom(zoomSlider_->value() + 1);
    preview_->Recentre();
}

void CPreviewObjectsDialog::OnFixColors()
{
    if (service_.IsOpen()) {
        const FixColorsResult result = FixColors(*service_.File());
        for (size_t i = 0; i < result.unloadableSprites.size(); ++i)
            ShowMessage(kSpriteLoadWarning, "Warning");
        // The fixed colours still show in a file whose archive is browsed read-only.
        if (result.Changed() && !service_.IsEntryReadOnly())
            saveChangesButton_->setEnabled(true);
    }
    preview_->Recentre();
}

void CPreviewObjectsDialog::OnSaveChanges()
{
    switch (service_.SaveToEntry()) {
    case IffSaveResult::Saved:
        saveChangesButton_->setEnabled(false);
        changed_ = true;
        return;
    case IffSaveResult::NoContainer:
    case IffSaveResult::CantLoad: ShowMessage(kLoadAllError, "Error"); return;
    case IffSaveResult::CantStore: ShowMessage(kStoreError, "Error"); return;
    }
}

void CPreviewObjectsDialog::ShowMessage(const char* text, const char* caption)
{
    messenger_.Show({text, caption, MessageIcon::Error, MessageButtons::Ok});
}

void CPreviewObjectsDialog::done(int) { QDialog::done(static_cast<int>(Result())); }

void CPreviewObjectsDialog::accept()
{
    // Enter (the default OK) does nothing.
}

void CPreviewObjectsDialog::reject() { done(static_cast<int>(Result())); }

void CPreviewObjectsDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CPreviewObjectsDialog::closeEvent(QCloseEvent* event)
{
    done(static_cast<int>(Result()));
    event->accept();
}

void CPreviewObjectsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window system may size the dialog differently from the layout's
    // guess; centre once in the preview's first real size.
    if (!shownOnce_ && initialised_) {
        shownOnce_ = true;
        preview_->Recentre();
    }
}

} // namespace vorn

#pragma once

#include "base/message_texts.h"
#include "base/messenger.h"
#include "iff/object_catalogue.h"
#include "sprites/iff_edit_service.h"

#include <QDialog>

#include <cstddef>
#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace vorn {

class CObjectPreview;

// What the dialog's run ends with.
enum class PreviewResult : int {
    Saved = 1,    // Save Changes wrote the IFF file into the archive entry at least once
    NotSaved = 2, // the archive entry is as it was
};

// The modal "Preview object(s)" dialog over one IFF file: pick an object,
// a graphic, a view direction and a zoom and see the object drawn; Fix
// Colors switches every sprite frame to its sprite's own palette and Save
// Changes writes the edited IFF file back into its archive entry, both
// through the file's service.
//
// The caller (the viewer dispatch):
//   IffEditService service;  service.OpenEntry(document, path)  // "not a valid IFF file" on failure
//   if (!service.HasObjects()) ...                             // "does not contain objects"
//   CPreviewObjectsDialog dialog(service, messenger, parent);
//   if (dialog.Run() == PreviewResult::Saved) ...
// Run() fills the controls from the service's catalogue and runs the
// dialog modally. Enter and Escape do nothing; only closing the window ends it.
class CPreviewObjectsDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Preview object(s)";
    static constexpr const char* kSpriteLoadWarning = texts::kCantLoadSprite;
    static constexpr const char* kLoadAllError = texts::kCantLoadAll;
    static constexpr const char* kStoreError = "Can't write the changes into the archive!";

    // The service outlives the dialog.
    CPreviewObjectsDialog(IffEditService& service, Messenger& messenger, QWidget* parent = nullptr);
    ~CPreviewObjectsDialog() override;

    const CObjectCatalogue& Catalogue() const { return service_.Catalogue(); }
    // What the "Resources" button does (it shows only once this is set): the
    // editor opens the file's resource window over the same service.
    void SetResourcesHandler(std::function<void()> open);

    // Fills the controls from the catalogue and shows the first object. Run
    // calls it; tests call it to drive the dialog without a modal loop.
    void Initialise();
    // Initialise, then exec(); the result says whether anything was saved.
    PreviewResult Run();
    // What closing the window returns now.
    PreviewResult Result() const { return changed_ ? PreviewResult::Saved : PreviewResult::NotSaved; }

    // The controls, for the viewer dispatch's tests and for driving the dialog.
    QComboBox* ObjectList() const { return objectList_; }
    QComboBox* GraphicList() const { return graphicList_; }
    QSlider* DirectionSlider() const { return directionSlider_; }
    QSlider* ZoomSlider() const { return zoomSlider_; }
    QPushButton* FixColorsButton() const { return fixColorsButton_; }
    QPushButton* SaveChangesButton() const { return saveChangesButton_; }
    QPushButton* ResourcesButton() const { return resourcesButton_; }
    CObjectPreview* Preview() const { return preview_; }
    // Under the preview: what its last paint could not draw.
    QLabel* NotDrawnLabel() const { return notDrawnLabel_; }

    void done(int result) override;
    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnObjectSelChange();
    void OnGraphicSelChange();
    void OnVerticalScroll();
    void OnFixColors();
    void OnSaveChanges();
    void ShowMessage(const char* text, const char* caption);

    IffEditService& service_;
    Messenger& messenger_;
    bool changed_ = false;
    bool initialised_ = false;
    bool shownOnce_ = false;

    QComboBox* objectList_ = nullptr;       // 1006
    QSlider* directionSlider_ = nullptr;    // 1007
    QSlider* zoomSlider_ = nullptr;         // 1008
    CObjectPreview* preview_ = nullptr;     // 1009
    QPushButton* saveChangesButton_ = nullptr; // 1013
    QPushButton* fixColorsButton_ = nullptr;   // 1014
    QPushButton* resourcesButton_ = nullptr;
    std::function<void()> openResources_;
    QComboBox* graphicList_ = nullptr;      // 1015
    QLabel* notDrawnLabel_ = nullptr;
};

} // namespace vorn

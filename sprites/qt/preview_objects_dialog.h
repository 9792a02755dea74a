#pragma once

#include "base/message_texts.h"
#include "base/messenger.h"
#include "iff/object_catalogue.h"

#include <QDialog>

#include <cstddef>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace vorn {

class CFarArchive;
class CIffFileRef;
class CObjectPreview;
class CVornDoc;

// What the dialog's run ends with.
enum class PreviewResult : int {
    Saved = 1,    // Save Changes wrote the IFF file into the archive entry at least once
    NotSaved = 2, // the archive entry is as it was
};

// The modal "Preview object(s)" dialog over one open IFF file: pick an
// object, a graphic, a view direction and a zoom and see the object drawn;
// Fix Colors switches every sprite frame to its sprite's own palette and
// Save Changes writes the edited IFF file back into the archive entry.
//
// The caller (the viewer dispatch):
//   CIffFileRef file;  file.Open(entryBytes, error)          // "not a valid IFF file" on failure
//   CPreviewObjectsDialog dialog(file.Handle(), messenger, parent);
//   if (!dialog.BuildCatalogue(file)) ...                    // "does not contain objects"
//   dialog.SetSaveTarget(&archive, entryIndex, &document);
//   if (dialog.Run() == PreviewResult::Saved) ...            // refresh the list pane
// Run() fills the controls from the catalogue built before it and runs the
// dialog modally. Enter and Escape do nothing; only closing the window ends it.
class CPreviewObjectsDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Preview object(s)";
    static constexpr const char* kSpriteLoadWarning = texts::kCantLoadSprite;
    static constexpr const char* kLoadAllError = texts::kCantLoadAll;
    static constexpr const char* kStoreError = "Can't write the changes into the archive!";

    CPreviewObjectsDialog(uint32_t iffHandle, Messenger& messenger, QWidget* parent = nullptr);
    ~CPreviewObjectsDialog() override;

    // Builds the catalogue from the open IFF file; false when it holds no objects.
    bool BuildCatalogue(CIffFileRef& file);
    CObjectCatalogue& Catalogue() { return catalogue_; }
    const CObjectCatalogue& Catalogue() const { return catalogue_; }
    // Where Save Changes writes: the entry's bytes in `archive`, and the
    // document marked modified (may be null when there is none).
    void SetSaveTarget(CFarArchive* archive, size_t entryIndex, CVornDoc* document);

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

    uint32_t iffHandle_;
    Messenger& messenger_;
    CObjectCatalogue catalogue_;
    CFarArchive* archive_ = nullptr;
    size_t entryIndex_ = 0;
    CVornDoc* document_ = nullptr;
    bool changed_ = false;
    bool initialised_ = false;
    bool shownOnce_ = false;

    QComboBox* objectList_ = nullptr;       // 1006
    QSlider* directionSlider_ = nullptr;    // 1007
    QSlider* zoomSlider_ = nullptr;         // 1008
    CObjectPreview* preview_ = nullptr;     // 1009
    QPushButton* saveChangesButton_ = nullptr; // 1013
    QPushButton* fixColorsButton_ = nullptr;   // 1014
    QComboBox* graphicList_ = nullptr;      // 1015
    QLabel* notDrawnLabel_ = nullptr;
};

} // namespace vorn

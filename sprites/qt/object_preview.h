#pragma once

#include "iff/object_catalogue.h"
#include "sprites/draw_report.h"
#include "sprites/preview_pan.h"
#include "sprites/render_target.h"

#include <QImage>
#include <QWidget>

#include <cstdint>

namespace vorn {

// The preview control of the "Preview object(s)" dialog: paints the selected
// object of a catalogue over a solid background through an off-screen
// picture in the display's pixel layout, centres it on request and lets the
// user drag it with the left mouse button. When the control changes size the
// object keeps its offset from the centre. Every paint parses the resources
// it needs afresh, so edits of the IFF file show on the next paint.
class CObjectPreview : public QWidget {
    Q_OBJECT

public:
    explicit CObjectPreview(QWidget* parent = nullptr);

    // Background as three bytes b0, b1, b2: blue b0, green b1, red b2
    // (0, 255, 255 is yellow).
    void SetBackground(uint8_t b0, uint8_t b1, uint8_t b2);
    // The catalogue to draw from, or null for the background alone. Not owned.
    void SetCatalogue(const CObjectCatalogue* catalogue);
    const CObjectCatalogue* Catalogue() const { return catalogue_; }
    void SetEntry(const ObjectEntry& entry) { entry_ = entry; }
    const ObjectEntry& Entry() const { return entry_; }
    void SetGraphicIndex(int32_t graphicIndex) { graphicIndex_ = graphicIndex; }
    int32_t GraphicIndex() const { return graphicIndex_; }
    // 0, 2, 4 or 6.
    void SetDirection(int direction) { direction_ = direction; }
    int Direction() const { return direction_; }
    // 1, 2 or 3.
    void SetZoom(int zoom) { zoom_ = zoom; }
    int Zoom() const { return zoom_; }

    // Where the object's origin lies in the client area.
    PreviewPan Pan() const { return pan_; }
    void SetPan(PreviewPan pan);
    // Centres the object's extent in the client area (without a catalogue:
    // the middle of the width, 10 pixels above the bottom), then repaints.
    void Recentre();

    // The picture a paint of a `width` x `height` client area shows: the
    // background, and the object drawn at the pan in the colour layout of
    // `bitsPerPixel` (0: the display's). Null for an empty area.
    QImage Render(int width, int height, int bitsPerPixel = 0) const;
    // The display's colour-plane bits per pixel, as probed once.
    static int DisplayBitsPerPixel();
    // What the last paint could not draw ("Not drawn: sprite 0 frame 0"),
    // empty when it drew everything.
    QString NotDrawnText() const { return notDrawn_; }

    QSize sizeHint() const override;

signals:
    // The last paint left out something else than the one before.
    void notDrawnChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const CObjectCatalogue* catalogue_ = nullptr;
    ObjectEntry entry_;
    int32_t graphicIndex_ = 0;
    int direction_ = 0;
    int zoom_ = 3;
    uint8_t background_[3] = {0, 255, 255};
    PreviewPan pan_;
    MouseTrack track_;

    // Kept between paints (see Render).
    mutable RenderTarget target_;
    mutable DrawReport report_;
    QString notDrawn_;
};

} // namespace vorn

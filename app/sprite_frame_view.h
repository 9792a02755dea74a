#pragma once

#include "iff/spr2_sprite.h"
#include "sprites/sprite_import.h"

#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QTableWidget;

namespace vorn {

class IffEditService;

// The frames of one SPR2 chunk: pick a frame, a scale (1x, 2x, 4x) and a
// plane (colour, depth, alpha); the frame's header fields and the palette it
// is drawn with are shown beside it.
class SpriteFrameView : public QWidget {
    Q_OBJECT

public:
    enum class Plane { Colour, Depth, Alpha };

    SpriteFrameView(IffEditService& service, CIffChunk& chunk, QWidget* parent = nullptr);

    QComboBox* FrameList() const { return frames_; }
    QComboBox* ScaleList() const { return scales_; }
    QComboBox* PlaneList() const { return planes_; }
    // The picture as shown (scaled), and the header fields' text.
    QLabel* Picture() const { return picture_; }
    QLabel* Header() const { return header_; }
    // Lists what an import drew: per frame, the pixels drawn more than the
    // tolerance off the picture's colour and the farthest; hidden when empty.
    void ShowImported(const std::vector<ImportedFrame>& frames);
    QTableWidget* Imported() const { return imported_; }

private:
    void ShowFrame();

    IffEditService& service_;
    CSpr2Sprite sprite_;
    QComboBox* frames_ = nullptr;
    QComboBox* scales_ = nullptr;
    QComboBox* planes_ = nullptr;
    QLabel* picture_ = nullptr;
    QLabel* header_ = nullptr;
    QTableWidget* imported_ = nullptr;
};

} // namespace vorn

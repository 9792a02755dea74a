#pragma once

#include <QPalette>
#include <QPixmap>

#include <cstdint>

namespace vorn {

// The icon view's picture of a sound: a loudspeaker over its length as the
// player shows it ("1:05"), `size` pixels square in the palette's colours.
QPixmap DrawSoundGlyph(uint32_t seconds, int size, const QPalette& palette);

} // namespace vorn

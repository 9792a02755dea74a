#pragma once

#include "sprites/pixel_format.h"

#include <QImage>

#include <optional>

namespace vorn {

// The pixel format of images the display takes without conversion (what a
// native 1x1 pixmap turns into).
QImage::Format NativeImageFormat();

// Probes a 1x1 image of `format`: its depth, and the first pixel's value
// after filling it with pure blue, green and red in turn; none for a format
// without pixels or deeper than 32 bits.
std::optional<PixelInfo> ProbeImageFormat(QImage::Format format);

// The display's pixel layout: the probe of NativeImageFormat(), unless
// VORN_PIXEL_FORMAT forces one (kPixelFormatVariable). Needs a QGuiApplication.
std::optional<PixelInfo> RetrieveInfo();

// The QImage format whose bytes are the colour plane's layout at 15, 16, 24
// or 32 bits per pixel (Format_Invalid for other values), so a plane is
// handed to Qt as it is and Qt converts it for the display when it must.
QImage::Format ImageFormatForBits(int bitsPerPixel);

} // namespace vorn

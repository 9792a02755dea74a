#include "sprites/qt/pixel_probe.h"

#include <QColor>
#include <QPixmap>

#include <cstring>

namespace vorn {

QImage::Format NativeImageFormat()
{
    // A pixmap lives in the display's own layout; its image says which one.
    return QPixmap(1, 1).toImage().format();
}

std::optional<PixelInfo> ProbeImageFormat(QImage::Format format)
{
    if (format == QImage::Format_Invalid)
        return std::nullopt;
    QImage image(1, 1, format);
    if (image.isNull())
        return std::nullopt;
    // A row is padded to 4 bytes and a 24-bit pixel is read as 4: the
    // padding must read as 0, not as whatever the allocation held.
    std::memset(image.bits(), 0, static_cast<size_t>(image.sizeInBytes()));
    const int bits = image.depth();
    if (bits <= 8) // indexed: the masks say nothing
        return PixelInfoFromProbe(bits, 0, 0, 0);
    const auto valueOf = [&image, bits](const QColor& colour) {
        image.fill(colour);
        const auto* p = image.constBits();
        return FirstPixelValue({p, static_cast<size_t>(image.bytesPerLine())}, bits);
    };
    const uint32_t blue = valueOf(QColor(0, 0, 255));
    const uint32_t green = valueOf(QColor(0, 255, 0));
    const uint32_t red = valueOf(QColor(255, 0, 0));
    return PixelInfoFromProbe(bits, red, green, blue);
}

std::optional<PixelInfo> RetrieveInfo()
{
    return ResolvePixelInfo(ProbeImageFormat(NativeImageFormat()));
}

QImage::Format ImageFormatForBits(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 15: return QImage::Format_RGB555;
    case 16: return QImage::Format_RGB16;
    case 24: return QImage::Format_BGR888;
    case 32: return QImage::Format_RGB32;
    default: return QImage::Format_Invalid;
    }
}

} // namespace vorn

#include "clip_pixels.h"

#include "platform/picture_box.h"

namespace corvantile {

ClipPixels::ClipPixels(const PictureBox &box) : m_image(box.image()) {}

ColourValue ClipPixels::point(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return outsideColour;
    return colourValueFromRgb(reinterpret_cast<const QRgb *>(m_image.constScanLine(y))[x]);
}

} // namespace corvantile

#include "clip_pixels.h"

#include "controls/picture_box.h"

namespace corvantile {

ClipPixels::ClipPixels(const PictureBox &box)
    : m_image(box.image()), m_bits(m_image.constBits()), m_stride(m_image.bytesPerLine()),
      m_width(m_image.width()), m_height(m_image.height())
{}

ColourValue ClipPixels::point(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return outsideColour;
    return colourValueFromRgb(reinterpret_cast<const QRgb *>(m_bits + y * m_stride)[x]);
}

void ClipPixels::readRow(int y, int x, int step, int count, ColourValue *out) const
{
    const bool rowInside = y >= 0 && y < m_height;
    const auto *line = rowInside ? reinterpret_cast<const QRgb *>(m_bits + y * m_stride) : nullptr;
    for (int i = 0; i < count; ++i, x += step)
        out[i] = rowInside && x >= 0 && x < m_width ? colourValueFromRgb(line[x]) : outsideColour;
}

} // namespace corvantile

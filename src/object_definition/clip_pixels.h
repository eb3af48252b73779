#pragma once

#include "object_definition/generator.h"

#include <QImage>

namespace corvantile {

class PictureBox;

// The colour values of a picture box as it is now: its retained image, taken once, so that
// the walk reads plain memory.
class ClipPixels : public PixelSource
{
public:
    explicit ClipPixels(const PictureBox &box);
    ColourValue point(int x, int y) const override;
    void readRow(int y, int x, int step, int count, ColourValue *out) const override;

private:
    QImage m_image;
    const uchar *m_bits;
    qsizetype m_stride;
    int m_width;
    int m_height;
};

} // namespace corvantile

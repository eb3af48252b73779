#pragma once

#include "common/colour.h"

#include <QHash>
#include <QImage>
#include <functional>

class QPainter;

namespace corvantile {

// What a picture box shows: the background colour, then the picture at the top-left, then
// whatever was drawn. The picture itself is never modified and may be shared with other
// controls. Drawing goes into small tiles that are copied from the picture only where
// something is drawn, so drawing over a huge screenshot costs in proportion to what is drawn,
// not to the screenshot.
class RetainedImage
{
public:
    enum class DrawMode { CopyPen, Invert };
    enum class LineStyle { Solid, Dot };

    // changed is told every rectangle whose pixels changed.
    RetainedImage(QRgb background, std::function<void(const QRect &)> changed);

    // The area that is shown and drawn on; nothing outside it is drawn or read.
    void setArea(QSize area) { m_area = area; }
    QSize area() const { return m_area; }

    // Shows a new picture (a null image shows none) and drops the drawing.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }
    QRgb background() const { return m_back; }

    // Colour value of a point, -1 outside the area.
    ColourValue point(int x, int y) const;
    // Drops the drawing: the background and the picture show again.
    void cls();

    void setDrawMode(DrawMode mode) { m_drawMode = mode; }
    DrawMode drawMode() const { return m_drawMode; }
    void setLineStyle(LineStyle style) { m_lineStyle = style; }
    LineStyle lineStyle() const { return m_lineStyle; }

    // Outline of the rectangle with the opposite corners a and b, both included, in the current
    // draw mode and line style. Every pixel of the outline is touched once, so in invert mode
    // drawing the same outline twice leaves the image exactly as it was.
    void drawBoxOutline(QPoint a, QPoint b);
    // Copies the sourceRect of a picture one pixel for one with its top-left at destination;
    // only what lies inside both the picture and the area is copied.
    void paintPicture(const QImage &source, const QRect &sourceRect, QPoint destination);

    // Everything shown, at the size of the area.
    QImage image() const;
    // Paints the part of the area in `part` with the area's top-left at `at`.
    void paint(QPainter &painter, const QRect &part, QPoint at) const;

private:
    static constexpr int tileSize = 64;

    QRgb basePixel(int x, int y) const;
    QImage &tileAt(int tx, int ty);
    const QImage *findTile(int tx, int ty) const;
    void plot(int x, int y);
    void drawSegment(QPoint start, QPoint step, qint64 length, qint64 offset);

    QRgb m_back;
    std::function<void(const QRect &)> m_changed;
    QSize m_area;
    QImage m_picture;
    QRgb m_foreColor = qRgb(0, 0, 0);
    DrawMode m_drawMode = DrawMode::CopyPen;
    LineStyle m_lineStyle = LineStyle::Solid;
    QHash<quint64, QImage> m_tiles;
};

} // namespace corvantile

#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

namespace corvantile {

// A position found by dividing by the screen's scale and multiplying again can lie a rounding
// error short of the whole pixel it stands for, which the grid forgives.
constexpr qreal screenPixelTolerance = 1.0 / 1024;

// Whole screen pixels at or after, and at or before, a position in screen pixels.
int wholeAtOrAfter(qreal v);
int wholeAtOrBefore(qreal v);

// A box that counts the screen's own pixels, laid on a widget whose place and size are whole
// layout pixels. On a scaled screen a layout pixel is `scale` screen pixels, so at 1.25 or 1.5
// a widget's edge often falls inside a screen pixel; the box starts on a whole one instead.
//
// The grid takes where the widget's parent lies in the window (layout pixels), the anchor in
// the parent that the box's origin is taken from (the first whole screen pixel at or right of
// and below it), the box's position from that origin and its size (both in screen pixels).
// Every conversion between the layout, the window and the box goes through here, with one
// rounding rule: a box pixel is the whole screen pixel at or before a point, forgiving the
// rounding error above.
class ScreenGrid
{
public:
    ScreenGrid() = default;
    ScreenGrid(qreal scale, QPoint parentAt, QPoint anchor, QPoint position, QSize size);
    // The whole screen pixels that a widget at layoutRect in its parent covers.
    static ScreenGrid covering(qreal scale, QPoint parentAt, const QRect &layoutRect);

    // A line layoutPixels wide, in whole screen pixels: as many as fit in it, at least one.
    static int lineWidth(int layoutPixels, qreal scale);
    int lineWidth(int layoutPixels) const { return lineWidth(layoutPixels, m_scale); }

    qreal scale() const { return m_scale; }
    QSize size() const { return m_size; }
    // The box's origin, in the window's screen pixels.
    QPoint origin() const { return m_origin; }
    // The widget that holds the box, in layout pixels of its parent: placed on the layout
    // pixel at or before the box's top-left and just large enough to hold it.
    QRect widgetRect() const { return m_widget; }
    // Where the box's top-left lies inside that widget, in screen pixels.
    QPointF inset() const { return m_inset; }

    // The box pixel under a point of the window (layout pixels with their fraction).
    QPoint pixelAt(QPointF windowPoint) const;
    // Where a point of the box lies in the window: the inverse of pixelAt.
    QPointF windowPoint(QPointF boxPoint) const;
    // The rectangle of the widget (layout pixels) to repaint when a rectangle of the box
    // changed.
    QRect repaintRect(const QRect &boxRect) const;
    // The box pixels a rectangle of the widget (layout pixels) touches.
    QRect boxRect(const QRect &widgetRect) const;
    // The whole screen pixels the widget covers, in box pixels.
    QRect widgetPixels() const;
    // Whole screen pixels from the origin to a point of the parent (layout pixels), at or
    // before it: how much of the box the parent can show.
    QSize spanTo(QPoint parentPoint) const;

private:
    qreal m_scale = 1;
    QPointF m_parentAt; // in the window's screen pixels
    QPoint m_origin;
    QPoint m_boxAt; // the box's top-left in the window's screen pixels
    QSize m_size;
    QRect m_widget;
    QPointF m_inset;
};

} // namespace corvantile

#pragma once

#include "common/colour.h"

#include <QHash>
#include <QImage>
#include <QWidget>

namespace corvantile {

// A drawing surface that shows a picture and keeps what is drawn on it.
//
// What the box shows (its retained image) is the background colour, then the picture at the
// top-left of the drawing area, then whatever was drawn. The picture itself is never modified
// and may be shared with other controls. Drawing goes into small tiles that are copied from
// the picture only where something is drawn, so drawing on a box that shows a huge screenshot
// costs in proportion to what is drawn, not to the screenshot.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    enum class Border { None, Sunken };
    enum class DrawMode { CopyPen, Invert };
    enum class LineStyle { Solid, Dot };
    // What the box's sizes, positions and drawing coordinates count. Layout pixels scale with
    // the desktop, as every other control does. Screen pixels are the screen's own device
    // pixels: a box that shows a screenshot shows one picture pixel on one screen pixel,
    // crisp, whatever the desktop's scale.
    enum class Units { Layout, Screen };

    explicit PictureBox(Border border, QWidget *parent = nullptr, Units units = Units::Layout);

    Units units() const { return m_units; }
    // Screen pixels per layout pixel for this box: the device pixel ratio, or 1.
    qreal unitScale() const;

    // The sunken border: 2 layout pixels, or its nearest whole number of screen pixels.
    int borderWidth() const;
    // The drawing area is the box less its border; coordinates count from its top-left pixel.
    QSize drawingSize() const;

    // Outer size, border included. Emits sizeChanged() before returning when the size changed.
    void setBoxSize(int width, int height);
    QSize boxSize() const;

    // Where the box's outer top-left lies, counted from its origin: for a box in layout
    // pixels its parent's top-left; for one in screen pixels the first whole screen pixel at
    // or right of and below its anchor. Moving the box changes neither its size nor what it
    // shows.
    void setBoxPosition(QPoint position);
    QPoint boxPosition() const;
    // The layout position, in its parent, that a box in screen pixels is placed from.
    void setAnchor(QPoint layoutPosition);

    // Where a point of the drawing area lies in the window, in layout pixels with their
    // fraction: the inverse of the mapping that turns the pointer into a pixel of the box.
    QPointF mapDrawingToWindow(QPointF drawingPoint) const;

    // The whole screen pixels (or layout pixels) of the parent from the box's origin to the
    // parent's right and bottom edges: how much of a moving box its parent can show.
    QSize originSpan() const;

    void setAutoSize(bool on) { m_autoSize = on; }
    bool autoSize() const { return m_autoSize; }

    // Whether the box keeps its drawing. Drawing is always kept here, so that the band drawn in
    // invert mode can be taken away by drawing it again; the switch is held for the handlers
    // that set it.
    void setAutoRedraw(bool on) { m_autoRedraw = on; }
    bool autoRedraw() const { return m_autoRedraw; }

    // Shows a new picture (a null image shows none) and drops the drawing. With auto-size on the
    // box takes the picture's size plus its border; an empty picture leaves the size alone.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

    QRgb backColor() const { return m_back; }

    // Colour value of a point of the retained image, -1 outside the drawing area.
    ColourValue point(int x, int y) const;

    // Clears the drawing: the box shows its background and picture again.
    void cls();

    void setDrawMode(DrawMode mode) { m_drawMode = mode; }
    DrawMode drawMode() const { return m_drawMode; }
    void setLineStyle(LineStyle style) { m_lineStyle = style; }
    LineStyle lineStyle() const { return m_lineStyle; }

    // Outline of the rectangle with the opposite corners a and b, both included, in the current
    // draw mode and line style. Every pixel of the outline is touched once, so in invert mode
    // drawing the same outline twice leaves the box exactly as it was.
    void drawBoxOutline(QPoint a, QPoint b);

    // Copies the sourceRect of a picture one pixel for one into the box with its top-left at
    // destination. Only what lies inside both the picture and the drawing area is copied; the
    // rest of the box keeps what it shows.
    void paintPicture(const QImage &source, const QRect &sourceRect, QPoint destination);

    // The retained image: everything the box shows, at the size of its drawing area.
    QImage image() const;

    // The area inside the border that holds child controls; created on first use.
    QWidget *clientArea();

    // Keeps the box's accessible description, what a screen reader is told it holds, up to
    // date: the picture's size, or when it has none, emptyText (when that is empty, the
    // drawing area's size).
    void describeContents(const QString &emptyText);

signals:
    void sizeChanged();
    // The screen's scale changed (the window moved to another screen): sizes kept, but what
    // they look like in the layout changed.
    void scaleChanged();
    // button: 1 left, 2 right, 4 middle; buttons on a move: the sum of those held.
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int buttons, int shift, float x, float y);
    void mouseUp(int button, int shift, float x, float y);
    // The Menu key, or Shift+F10, was pressed while the box had the focus.
    void menuKeyPressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    void describe();
    static constexpr int tileSize = 64;

    QRgb basePixel(int x, int y) const;
    QImage &tileAt(int tx, int ty);
    const QImage *findTile(int tx, int ty) const;
    void plot(int x, int y);
    void drawSegment(QPoint start, QPoint step, qint64 length, qint64 offset);
    void updateDrawingRect(const QRect &rect);
    void layoutClientArea();
    QPointF drawingPosition(const QMouseEvent *event) const;
    void placeOnScreenPixels();
    void paintBorder(QPainter &painter, const QRect &outer) const;

    Border m_border;
    Units m_units;
    // In screen pixels only: the box's size and position, the layout anchor, the whole
    // screen pixel the origin lies on (in the window's screen pixels), and where the box's
    // outer top-left lies inside the widget that holds it, in screen pixels (always 0, 0 for
    // a box in layout pixels).
    QSize m_boxSize;
    QPoint m_boxPosition;
    QPoint m_anchor;
    QPoint m_origin;
    QPointF m_inset;
    qreal m_placedScale = 0;
    QImage m_picture;
    QRgb m_back;
    QRgb m_foreColor = qRgb(0, 0, 0);
    bool m_autoSize = false;
    bool m_autoRedraw = false;
    DrawMode m_drawMode = DrawMode::CopyPen;
    LineStyle m_lineStyle = LineStyle::Solid;
    QHash<quint64, QImage> m_tiles;
    QWidget *m_client = nullptr;
    bool m_described = false;
    QString m_emptyDescription;
};

} // namespace corvantile

#pragma once

#include <optional>

#include "common/screen_grid.h"
#include "controls/retained_image.h"

#include <QPointer>
#include <QWidget>

namespace corvantile {

class WindowPointer;

// A drawing surface that shows a picture and keeps what is drawn on it (its retained image),
// counted in the screen's own pixels: a screenshot shows one picture pixel on one screen
// pixel, crisp, whatever the desktop's scale, and the pointer marks the pixel it is on.
//
// The box's size and position are screen pixels; its place in the layout is an anchor, a
// layout position in its parent, from which its origin is the first whole screen pixel at or
// right of and below it.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    enum class Border { None, Sunken };
    using DrawMode = RetainedImage::DrawMode;
    using LineStyle = RetainedImage::LineStyle;

    explicit PictureBox(Border border, QWidget *parent = nullptr);

    // The sunken border: two layout pixels wide, in whole screen pixels.
    int borderWidth() const;
    // The drawing area is the box less its border; coordinates count from its top-left pixel.
    QSize drawingSize() const { return m_image.area(); }

    // Outer size, border included. Emits sizeChanged() before returning when the size changed.
    void setBoxSize(int width, int height);
    QSize boxSize() const { return m_boxSize; }
    // Where the box's outer top-left lies, counted from its origin. Moving the box changes
    // neither its size nor what it shows.
    void setBoxPosition(QPoint position);
    QPoint boxPosition() const { return m_boxPosition; }
    void setAnchor(QPoint layoutPosition);

    // Where a point of the drawing area lies in the window, in layout pixels with their
    // fraction: the inverse of the mapping that turns the pointer into a pixel of the box.
    QPointF mapDrawingToWindow(QPointF drawingPoint) const;
    // The whole screen pixels of the parent from the box's origin to the parent's right and
    // bottom edges: how much of a moving box its parent can show.
    QSize originSpan() const;

    void setAutoSize(bool on) { m_autoSize = on; }
    bool autoSize() const { return m_autoSize; }

    // Shows a new picture (a null image shows none) and drops the drawing. With auto-size on the
    // box takes the picture's size plus its border; an empty picture leaves the size alone.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_image.picture(); }
    QRgb backColor() const { return m_image.background(); }

    // The retained image's drawing, in the drawing area's coordinates.
    ColourValue point(int x, int y) const { return m_image.point(x, y); }
    void cls()
    {
        m_image.cls();
        m_copiedFrom = 0;
    }
    // The cache key of the picture a region was last copied from into this box (see
    // copyRegion), or 0 since it was cleared or given a picture of its own.
    qint64 copiedFrom() const { return m_copiedFrom; }
    void setCopiedFrom(qint64 key) { m_copiedFrom = key; }
    void setDrawMode(DrawMode mode) { m_image.setDrawMode(mode); }
    DrawMode drawMode() const { return m_image.drawMode(); }
    void setLineStyle(LineStyle style) { m_image.setLineStyle(style); }
    LineStyle lineStyle() const { return m_image.lineStyle(); }
    void drawBoxOutline(QPoint a, QPoint b) { m_image.drawBoxOutline(a, b); }
    void paintPicture(const QImage &source, const QRect &sourceRect, QPoint destination)
    {
        m_image.paintPicture(source, sourceRect, destination);
    }
    QImage image() const { return m_image.image(); }

    // Rectangles of the drawing area outlined over whatever the box shows, each by a ring of
    // whole screen pixels just around it, in `colour`. They are no part of the drawing: image()
    // and point() never see them. However many there are, a paint costs one pass over them and
    // one over the pixels it paints.
    static constexpr QRgb outlineColour = 0xffff00ff; // magenta, which a screenshot seldom is
    void setOutlines(const QList<QRect> &regions, QRgb colour = outlineColour);
    const QList<QRect> &outlines() const { return m_outlines; }
    QRgb outlinesColour() const { return m_outlinesColour; }
    // The one place singled out among the outlined (the match F3 went to): three rings just
    // around it, yellow, black and yellow, drawn over the other outlines so that it stands out
    // on a block of them and on a screenshot of any colour. A null rectangle singles out none.
    static constexpr QRgb currentColour = 0xffffff00;
    void setCurrentOutline(const QRect &region);
    const QRect &currentOutline() const { return m_current; }
    // A cursor of one pixel that the keys move while the box has the focus, for a user without
    // a mouse: the arrows by a pixel (by ten with Shift), Home and End to the row's ends. Each
    // move is reported as the mouse's would be, as a move over that pixel; Enter presses the
    // left button there, and Enter again releases it, so that two corners marked by keys mark
    // what a drag between them marks. The first key puts it at the top-left of the part shown.
    void setKeyboardCursor(bool on) { m_keyCursorOn = on; }
    const std::optional<QPoint> &keyboardCursor() const { return m_keyCursor; }
    // The part of the drawing area that the box's parent shows.
    QRect shownDrawing() const;

    // Keeps the box's accessible description, what a screen reader is told it holds, up to
    // date: the picture's size, or when it has none, emptyText (when that is empty, the
    // drawing area's size).
    void describeContents(const QString &emptyText);
signals:
    void sizeChanged();
    // button: 1 left, 2 right, 4 middle; buttons on a move: the sum of those held.
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int buttons, int shift, float x, float y);
    void mouseUp(int button, int shift, float x, float y);
    // The Menu key, or Shift+F10, was pressed while the box had the focus.
    void menuKeyPressed();
    // The keyboard's cursor stands on another pixel, after its move was reported.
    void keyboardCursorMoved(QPoint pixel);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    ScreenGrid grid() const;
    void place();
    void describe();
    QPointF drawingPosition(const QMouseEvent *event) const;

    Border m_border;
    RetainedImage m_image;
    QSize m_boxSize{0, 0};
    QPoint m_boxPosition;
    QPoint m_anchor;
    ScreenGrid m_grid;                 // as last placed
    QPointer<WindowPointer> m_pointer; // the window system's reports of its window's pointer
    bool m_autoSize = false;
    bool m_described = false;
    QString m_emptyDescription;
    QList<QRect> m_outlines;
    QRgb m_outlinesColour = outlineColour;
    QRect m_current;
    qint64 m_copiedFrom = 0;
    bool m_keyCursorOn = false;
    std::optional<QPoint> m_keyCursor;
    bool m_keyPressed = false; // the left button, as Enter pressed it
    bool moveKeyboardCursor(const QKeyEvent &key);
};

} // namespace corvantile

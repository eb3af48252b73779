#include "picture_box.h"

#include "accessibility.h"
#include "mouse_buttons.h"
#include "sunken_frame.h"
#include "window_pointer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <vector>

namespace corvantile {

PictureBox::PictureBox(Border border, QWidget *parent)
    : QWidget(parent), m_border(border),
      m_image(palette().color(QPalette::Window).rgb(), [this](const QRect &changed) {
          const int b = borderWidth();
          update(m_grid.repaintRect(changed.translated(b, b)));
      })
{
    setMouseTracking(true);
    // The box leaves the screen pixels that its widget only partly covers to what lies
    // beneath, so it does not paint every pixel of its widget.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    place();
}

int PictureBox::borderWidth() const
{
    return m_border == Border::None ? 0 : ScreenGrid::lineWidth(2, devicePixelRatioF());
}

void PictureBox::setBoxSize(int width, int height)
{
    const QSize size(std::max(0, width), std::max(0, height));
    if (size == m_boxSize)
        return;
    m_boxSize = size;
    place();
    describe();
    emit sizeChanged();
}

void PictureBox::setBoxPosition(QPoint position)
{
    m_boxPosition = position;
    place();
}

void PictureBox::setAnchor(QPoint layoutPosition)
{
    m_anchor = layoutPosition;
    place();
}

ScreenGrid PictureBox::grid() const
{
    const QWidget *parent = parentWidget();
    return ScreenGrid(devicePixelRatioF(),
                      parent ? parent->mapTo(window(), QPoint(0, 0)) : QPoint(), m_anchor,
                      m_boxPosition, m_boxSize);
}

// A widget's place and size are whole layout pixels, which at a fractional scale fall between
// screen pixels. The widget is therefore placed on the layout pixel at or before the box's
// outer top-left and made just large enough to hold the box; inside it, the box is drawn
// from that whole screen pixel on.
void PictureBox::place()
{
    const int b = borderWidth();
    m_image.setArea(
        QSize(std::max(0, m_boxSize.width() - 2 * b), std::max(0, m_boxSize.height() - 2 * b)));
    const QPointF oldInset = m_grid.inset();
    m_grid = grid();
    if (parentWidget())
        setGeometry(m_grid.widgetRect());
    else
        resize(m_grid.widgetRect().size());
    // Qt repaints a widget that moved or changed size; within it, the box moved only when its
    // inset did.
    if (m_grid.inset() != oldInset)
        update();
}

QSize PictureBox::originSpan() const
{
    const QWidget *parent = parentWidget();
    return parent ? m_grid.spanTo(QPoint(parent->width(), parent->height())) : QSize();
}

QPointF PictureBox::mapDrawingToWindow(QPointF drawingPoint) const
{
    const int b = borderWidth();
    return m_grid.windowPoint(drawingPoint + QPointF(b, b));
}

// The box is placed again when it is shown (its window may have changed: a frame of the
// tool's own takes the main window in). Where that moves its origin, it reports a new size.
void PictureBox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QWindow *handle = window()->windowHandle();
    m_pointer = handle ? WindowPointer::of(handle) : nullptr;
    const QPoint origin = m_grid.origin();
    const qreal scale = m_grid.scale();
    place();
    if (origin != m_grid.origin() || scale != m_grid.scale())
        emit sizeChanged();
}

// When its window moves to a screen of another scale the box keeps its size in screen pixels,
// but its border is a whole number of the new screen's pixels.
bool PictureBox::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ScreenChangeInternal && devicePixelRatioF() != m_grid.scale()) {
        const int b = borderWidth();
        if (m_autoSize && !picture().isNull())
            m_boxSize = picture().size() + QSize(2 * b, 2 * b);
        place();
        describe();
        emit sizeChanged();
    }
    return handled;
}

void PictureBox::setPicture(const QImage &picture)
{
    m_image.setPicture(picture);
    m_copiedFrom = 0;
    update();
    const int b = borderWidth();
    if (m_autoSize && !picture.isNull())
        setBoxSize(picture.width() + 2 * b, picture.height() + 2 * b);
    describe();
}

void PictureBox::describeContents(const QString &emptyText)
{
    m_described = true;
    m_emptyDescription = emptyText;
    describe();
}

void PictureBox::describe()
{
    if (!m_described)
        return;
    const bool empty = picture().isNull();
    QString text = empty && !m_emptyDescription.isEmpty()
                       ? m_emptyDescription
                       : sizeDescription(empty ? drawingSize() : picture().size());
    if (text != accessibleDescription())
        setAccessibleDescription(text); // tells a screen reader of the change
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    if (moveKeyboardCursor(*event))
        return;
    if (isMenuKey(*event)) {
        event->accept();
        emit menuKeyPressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

// The focus mark lies on the border (or, for a box without one, is drawn by a mark outside
// it), never on the drawing area, whose pixels are what the tool reads.
void PictureBox::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void PictureBox::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

// Painted in screen pixels, from the box's outer top-left, which lies on a whole one.
void PictureBox::setOutlines(const QList<QRect> &regions, QRgb colour)
{
    if (regions == m_outlines && colour == m_outlinesColour)
        return;
    QRect changed;
    for (const QList<QRect> *list : {&std::as_const(m_outlines), &regions})
        for (const QRect &region : *list)
            changed |= region;
    const int b = borderWidth();
    if (!changed.isEmpty())
        update(m_grid.repaintRect(changed.translated(b, b).adjusted(-1, -1, 1, 1)));
    m_outlines = regions;
    m_outlinesColour = colour;
}

void PictureBox::setCurrentOutline(const QRect &region)
{
    if (region == m_current)
        return;
    const int b = borderWidth();
    for (const QRect &rings : {m_current, region})
        if (!rings.isNull())
            update(m_grid.repaintRect(rings.translated(b, b).adjusted(-3, -3, 3, 3)));
    m_current = region;
}

QRect PictureBox::shownDrawing() const
{
    const int b = borderWidth();
    return QRect(-m_boxPosition - QPoint(b, b), originSpan()) & QRect(QPoint(0, 0), drawingSize());
}

namespace {

// The rings just around `regions` (in the drawing area, whose origin lies at `origin` in box
// pixels) that lie in `clip`, drawn in `colour` on a
// clear picture of the clip's size. Each ring is four strips one pixel wide; each strip only
// marks where it starts and ends, and one pass along the rows and one down the columns fill
// them in, so that thousands of overlapping rings cost no more than the pixels they cover.
QImage ringsIn(const QList<QRect> &regions, QPoint origin, QRect clip, QRgb colour)
{
    const int w = clip.width();
    const int h = clip.height();
    std::vector<int> across(size_t(w + 1) * size_t(h), 0); // a row after another
    std::vector<int> down(size_t(h + 1) * size_t(w), 0);   // a column after another
    const auto mark = [](std::vector<int> &marks, int line, int length, int from, int to) {
        from = std::max(from, 0);
        to = std::min(to, length - 1);
        if (from > to)
            return;
        const size_t start = size_t(line) * size_t(length + 1);
        ++marks[start + size_t(from)];
        --marks[start + size_t(to) + 1];
    };
    for (const QRect &region : regions) {
        const QRect ring = region.adjusted(-1, -1, 1, 1).translated(origin - clip.topLeft());
        if (!ring.intersects(QRect(0, 0, w, h)))
            continue;
        for (const int y : {ring.top(), ring.bottom()})
            if (y >= 0 && y < h)
                mark(across, y, w, ring.left(), ring.right());
        for (const int x : {ring.left(), ring.right()})
            if (x >= 0 && x < w)
                mark(down, x, h, ring.top(), ring.bottom());
    }
    QImage rings(w, h, QImage::Format_ARGB32_Premultiplied);
    rings.fill(Qt::transparent);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(rings.scanLine(y));
        for (int x = 0, covered = 0; x < w; ++x)
            if ((covered += across[size_t(y) * size_t(w + 1) + size_t(x)]) > 0)
                line[x] = colour;
    }
    for (int x = 0; x < w; ++x)
        for (int y = 0, covered = 0; y < h; ++y)
            if ((covered += down[size_t(x) * size_t(h + 1) + size_t(y)]) > 0)
                reinterpret_cast<QRgb *>(rings.scanLine(y))[x] = colour;
    return rings;
}

// Rings of one pixel around `region`, the first just around it and each next one a pixel
// further out, in the colours given, drawn only inside `clip`.
void drawRings(QPainter &painter, QRect clip, QRect region, std::initializer_list<QColor> colours)
{
    painter.save();
    painter.setClipRect(clip);
    int k = 0;
    for (const QColor &colour : colours) {
        ++k;
        const QRect ring = region.adjusted(-k, -k, k, k);
        painter.fillRect(QRect(ring.left(), ring.top(), ring.width(), 1), colour);
        painter.fillRect(QRect(ring.left(), ring.bottom(), ring.width(), 1), colour);
        painter.fillRect(QRect(ring.left(), ring.top(), 1, ring.height()), colour);
        painter.fillRect(QRect(ring.right(), ring.top(), 1, ring.height()), colour);
    }
    painter.restore();
}

} // namespace

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const qreal s = m_grid.scale();
    painter.setWorldTransform(
        QTransform().scale(1 / s, 1 / s).translate(m_grid.inset().x(), m_grid.inset().y()));
    const QRect exposed = m_grid.boxRect(event->rect());
    // The whole screen pixels of the widget outside the box show the parent's background.
    const QRegion outside = QRegion(m_grid.widgetPixels().intersected(exposed))
                                .subtracted(QRect(QPoint(0, 0), m_boxSize));
    for (const QRect &r : outside)
        painter.fillRect(r, palette().color(QPalette::Window));
    const int b = borderWidth();
    m_image.paint(painter, exposed.translated(-b, -b), QPoint(b, b));
    const QRect inside = QRect(QPoint(b, b), drawingSize()) & exposed;
    if (!m_outlines.isEmpty() && !inside.isEmpty())
        painter.drawImage(inside.topLeft(),
                          ringsIn(m_outlines, QPoint(b, b), inside, m_outlinesColour));
    // Over every outline: the place singled out, then the keyboard's cursor while the box has
    // the focus (a black ring and a white one around its pixel, seen on any colour).
    if (!m_current.isNull())
        drawRings(painter, inside, m_current.translated(b, b),
                  {QColor::fromRgb(currentColour), Qt::black, QColor::fromRgb(currentColour)});
    if (m_keyCursor && hasFocus())
        drawRings(painter, inside, QRect(*m_keyCursor + QPoint(b, b), QSize(1, 1)),
                  {Qt::black, Qt::white});
    if (b > 0)
        paintSunkenPanel(painter, QRect(QPoint(0, 0), m_boxSize), b, palette(), hasFocus());
}

// The pointer's position in the box's pixels, floored: the same mapping as the painting, so
// the pixel reported is the pixel under the pointer. Qt rounds a widget's event position to a
// whole layout pixel, which at a fractional or double scale is the neighbouring screen pixel,
// so the window's own position of the event is used where it is at hand.
QPointF PictureBox::drawingPosition(const QMouseEvent *event) const
{
    QPointF inWindow = event->position() + mapTo(window(), QPointF(0, 0));
    const QPointF reported = m_pointer ? m_pointer->windowPosition(*event) : event->scenePosition();
    // An event sent straight to the widget has no window position of its own.
    if (std::abs(reported.x() - inWindow.x()) <= 1 + screenPixelTolerance &&
        std::abs(reported.y() - inWindow.y()) <= 1 + screenPixelTolerance)
        inWindow = reported;
    const int b = borderWidth();
    return QPointF(m_grid.pixelAt(inWindow) - QPoint(b, b));
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    const QPointF p = drawingPosition(event);
    emit mouseDown(buttonCode(event->button()), shiftStateCode(event->modifiers()),
                   static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = drawingPosition(event);
    emit mouseMove(buttonStateCode(event->buttons()), shiftStateCode(event->modifiers()),
                   static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF p = drawingPosition(event);
    emit mouseUp(buttonCode(event->button()), shiftStateCode(event->modifiers()),
                 static_cast<float>(p.x()), static_cast<float>(p.y()));
}

} // namespace corvantile

#include "picture_box.h"

#include "accessibility.h"
#include "mouse_buttons.h"
#include "screen_pixels.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QtWidgets/qdrawutil.h>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvantile {
namespace {

// Tiles are keyed by their column and row; both are never negative, as nothing is drawn
// outside the drawing area.
quint64 tileKey(int tx, int ty)
{
    return (static_cast<quint64>(static_cast<quint32>(tx)) << 32) | static_cast<quint32>(ty);
}

QPoint tileOrigin(quint64 key, int tileSize)
{
    return {static_cast<int>(key >> 32) * tileSize, static_cast<int>(key & 0xffffffffu) * tileSize};
}

// The k in [0, length) for which start + k * step lies in [0, limit), as a half-open range.
// step is -1, 0 or 1.
std::pair<qint64, qint64> insideRange(qint64 start, int step, qint64 length, qint64 limit)
{
    if (step == 0)
        return (start >= 0 && start < limit) ? std::pair<qint64, qint64>{0, length}
                                             : std::pair<qint64, qint64>{0, 0};
    qint64 from = 0;
    qint64 to = length;
    if (step > 0) {
        from = std::max<qint64>(from, -start);
        to = std::min<qint64>(to, limit - start);
    } else {
        from = std::max<qint64>(from, start - limit + 1);
        to = std::min<qint64>(to, start + 1);
    }
    return {from, std::max(from, to)};
}

} // namespace

PictureBox::PictureBox(Border border, QWidget *parent, Units units)
    : QWidget(parent), m_border(border), m_units(units), m_boxSize(0, 0),
      m_back(palette().color(QPalette::Window).rgb())
{
    setMouseTracking(true);
    // A box in screen pixels leaves the screen pixels that its widget only partly covers to
    // what lies beneath, so it does not paint every pixel of its widget.
    setAttribute(Qt::WA_OpaquePaintEvent, units == Units::Layout);
    placeOnScreenPixels();
}

qreal PictureBox::unitScale() const
{
    return m_units == Units::Screen ? devicePixelRatioF() : 1.0;
}

int PictureBox::borderWidth() const
{
    if (m_border == Border::None)
        return 0;
    return m_units == Units::Screen ? std::max(1, qRound(2 * unitScale())) : 2;
}

QSize PictureBox::boxSize() const
{
    return m_units == Units::Screen ? m_boxSize : size();
}

QSize PictureBox::drawingSize() const
{
    const int b = 2 * borderWidth();
    const QSize outer = boxSize();
    return {std::max(0, outer.width() - b), std::max(0, outer.height() - b)};
}

void PictureBox::setBoxSize(int width, int height)
{
    const QSize size(std::max(0, width), std::max(0, height));
    if (size == boxSize())
        return;
    if (m_units == Units::Screen) {
        m_boxSize = size;
        placeOnScreenPixels();
    } else {
        resize(size);
    }
    layoutClientArea(); // a hidden box gets its resize event only when shown
    describe();
    emit sizeChanged();
}

QPoint PictureBox::boxPosition() const
{
    return m_units == Units::Screen ? m_boxPosition : pos();
}

void PictureBox::setBoxPosition(QPoint position)
{
    if (m_units == Units::Screen) {
        m_boxPosition = position;
        placeOnScreenPixels();
    } else {
        move(position);
    }
}

void PictureBox::setAnchor(QPoint layoutPosition)
{
    m_anchor = layoutPosition;
    if (m_units == Units::Screen)
        placeOnScreenPixels();
    else
        move(layoutPosition);
}

// A widget's place and size are whole layout pixels, which at a fractional scale fall between
// screen pixels. The widget is therefore placed on the layout pixel at or before the box's
// outer top-left and made just large enough to hold the box; inside it, the box is drawn
// from that whole screen pixel on.
void PictureBox::placeOnScreenPixels()
{
    QWidget *parent = parentWidget();
    if (m_units != Units::Screen || !parent)
        return;
    const qreal s = unitScale();
    const QPointF parentAt = parent->mapTo(window(), QPointF(0, 0)) * s;
    const QPointF anchorAt = parentAt + QPointF(m_anchor) * s;
    m_origin = QPoint(wholeAtOrAfter(anchorAt.x()), wholeAtOrAfter(anchorAt.y()));
    const QPoint boxAt = m_origin + m_boxPosition;
    const QPointF oldInset = m_inset;
    const QPoint layoutAt(wholeAtOrBefore((boxAt.x() - parentAt.x()) / s),
                          wholeAtOrBefore((boxAt.y() - parentAt.y()) / s));
    m_inset = QPointF(boxAt) - (parentAt + QPointF(layoutAt) * s);
    const auto layoutSpan = [s](qreal inset, int span) {
        return span > 0 ? wholeAtOrAfter((inset + span) / s) : 0;
    };
    const QSize layoutSize(layoutSpan(m_inset.x(), m_boxSize.width()),
                           layoutSpan(m_inset.y(), m_boxSize.height()));
    m_placedScale = s;
    setGeometry(QRect(layoutAt, layoutSize));
    // Qt repaints a widget that moved or changed size; within it, the box moved only when its
    // inset did.
    if (m_inset != oldInset)
        update();
}

QSize PictureBox::originSpan() const
{
    const QWidget *parent = parentWidget();
    if (!parent)
        return {};
    if (m_units != Units::Screen)
        return parent->size();
    const qreal s = unitScale();
    const QPointF parentEnd =
        (parent->mapTo(window(), QPointF(0, 0)) + QPointF(parent->width(), parent->height())) * s;
    return {wholeAtOrBefore(parentEnd.x()) - m_origin.x(),
            wholeAtOrBefore(parentEnd.y()) - m_origin.y()};
}

// The box is placed again when it is shown (its window may have changed: a frame of the
// tool's own takes the main window in) and when its window moves to a screen of another
// scale. Where that moves its origin or changes its border, it reports a new size.
void PictureBox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    const QPoint origin = m_origin;
    const qreal scale = m_placedScale;
    placeOnScreenPixels();
    if (m_units == Units::Screen && (origin != m_origin || scale != m_placedScale)) {
        layoutClientArea();
        emit sizeChanged();
    }
}

bool PictureBox::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ScreenChangeInternal && m_units == Units::Screen &&
        unitScale() != m_placedScale) {
        // The border is a whole number of screen pixels of the new scale.
        if (m_autoSize && !m_picture.isNull())
            m_boxSize = m_picture.size() + QSize(2 * borderWidth(), 2 * borderWidth());
        placeOnScreenPixels();
        layoutClientArea();
        describe();
        emit sizeChanged();
    }
    return handled;
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutClientArea();
    describe();
}

void PictureBox::layoutClientArea()
{
    if (!m_client)
        return;
    const qreal s = unitScale();
    const QPointF inset = m_inset + QPointF(borderWidth(), borderWidth());
    const QSizeF area = QSizeF(drawingSize());
    m_client->setGeometry(
        QRect(QPoint(wholeAtOrAfter(inset.x() / s), wholeAtOrAfter(inset.y() / s)),
              QPoint(wholeAtOrBefore((inset.x() + area.width()) / s) - 1,
                     wholeAtOrBefore((inset.y() + area.height()) / s) - 1)));
}

void PictureBox::setPicture(const QImage &picture)
{
    m_picture = (picture.isNull() || picture.format() == QImage::Format_RGB32)
                    ? picture
                    : picture.convertToFormat(QImage::Format_RGB32);
    m_tiles.clear();
    update();
    if (m_autoSize && !m_picture.isNull())
        setBoxSize(m_picture.width() + 2 * borderWidth(), m_picture.height() + 2 * borderWidth());
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
    const QSize size = m_picture.isNull() ? drawingSize() : m_picture.size();
    const QString text = m_picture.isNull() && !m_emptyDescription.isEmpty()
                             ? m_emptyDescription
                             : sizeDescription(size);
    if (text != accessibleDescription())
        setAccessibleDescription(text); // tells a screen reader of the change
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (event->key() == Qt::Key_Menu || shiftF10) {
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

QRgb PictureBox::basePixel(int x, int y) const
{
    if (x < m_picture.width() && y < m_picture.height())
        return reinterpret_cast<const QRgb *>(m_picture.constScanLine(y))[x];
    return m_back;
}

const QImage *PictureBox::findTile(int tx, int ty) const
{
    const auto it = m_tiles.constFind(tileKey(tx, ty));
    return it == m_tiles.cend() ? nullptr : &it.value();
}

QImage &PictureBox::tileAt(int tx, int ty)
{
    auto it = m_tiles.find(tileKey(tx, ty));
    if (it != m_tiles.end())
        return it.value();
    QImage tile(tileSize, tileSize, QImage::Format_RGB32);
    tile.fill(m_back);
    const QRect inPicture =
        QRect(tx * tileSize, ty * tileSize, tileSize, tileSize).intersected(m_picture.rect());
    for (int y = inPicture.top(); y <= inPicture.bottom(); ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(m_picture.constScanLine(y));
        auto *to = reinterpret_cast<QRgb *>(tile.scanLine(y - ty * tileSize));
        std::memcpy(to + (inPicture.left() - tx * tileSize), from + inPicture.left(),
                    sizeof(QRgb) * static_cast<size_t>(inPicture.width()));
    }
    return m_tiles.insert(tileKey(tx, ty), tile).value();
}

ColourValue PictureBox::point(int x, int y) const
{
    const QSize area = drawingSize();
    if (x < 0 || y < 0 || x >= area.width() || y >= area.height())
        return outsideColour;
    if (const QImage *tile = findTile(x / tileSize, y / tileSize))
        return colourValueFromRgb(tile->pixel(x % tileSize, y % tileSize));
    return colourValueFromRgb(basePixel(x, y));
}

void PictureBox::cls()
{
    if (m_tiles.isEmpty())
        return;
    for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it)
        updateDrawingRect(QRect(tileOrigin(it.key(), tileSize), QSize(tileSize, tileSize)));
    m_tiles.clear();
}

void PictureBox::plot(int x, int y)
{
    QImage &tile = tileAt(x / tileSize, y / tileSize);
    QRgb &pixel = reinterpret_cast<QRgb *>(tile.scanLine(y % tileSize))[x % tileSize];
    if (m_drawMode == DrawMode::Invert)
        pixel = 0xff000000u | (~pixel & 0x00ffffffu);
    else
        pixel = m_foreColor;
}

void PictureBox::drawSegment(QPoint start, QPoint step, qint64 length, qint64 offset)
{
    const QSize area = drawingSize();
    const auto [fromX, toX] = insideRange(start.x(), step.x(), length, area.width());
    const auto [fromY, toY] = insideRange(start.y(), step.y(), length, area.height());
    const qint64 from = std::max(fromX, fromY);
    const qint64 to = std::min(toX, toY);
    if (from >= to)
        return;
    // The dotted style is one pixel on, two off, counted along the outline from its start.
    const bool dotted = m_lineStyle == LineStyle::Dot;
    for (qint64 k = from; k < to; ++k) {
        if (dotted && (offset + k) % 3 != 0)
            continue;
        plot(static_cast<int>(start.x() + k * step.x()),
             static_cast<int>(start.y() + k * step.y()));
    }
    const QPoint first(static_cast<int>(start.x() + from * step.x()),
                       static_cast<int>(start.y() + from * step.y()));
    const QPoint last(static_cast<int>(start.x() + (to - 1) * step.x()),
                      static_cast<int>(start.y() + (to - 1) * step.y()));
    updateDrawingRect(QRect(QPoint(std::min(first.x(), last.x()), std::min(first.y(), last.y())),
                            QPoint(std::max(first.x(), last.x()), std::max(first.y(), last.y()))));
}

void PictureBox::drawBoxOutline(QPoint a, QPoint b)
{
    // Corners given in any order; QRect::normalized() would misplace reversed corners.
    const int left = std::min(a.x(), b.x());
    const int right = std::max(a.x(), b.x());
    const int top = std::min(a.y(), b.y());
    const int bottom = std::max(a.y(), b.y());
    const qint64 w = static_cast<qint64>(right) - left;
    const qint64 h = static_cast<qint64>(bottom) - top;
    if (h == 0) {
        drawSegment({left, top}, {1, 0}, w + 1, 0);
        return;
    }
    if (w == 0) {
        drawSegment({left, top}, {0, 1}, h + 1, 0);
        return;
    }
    // Clockwise from the top-left corner, each pixel of the outline exactly once.
    drawSegment({left, top}, {1, 0}, w + 1, 0);
    drawSegment({right, top + 1}, {0, 1}, h, w + 1);
    drawSegment({right - 1, bottom}, {-1, 0}, w, w + 1 + h);
    drawSegment({left, bottom - 1}, {0, -1}, h - 1, 2 * w + 1 + h);
}

void PictureBox::paintPicture(const QImage &source, const QRect &sourceRect, QPoint destination)
{
    if (source.isNull() || sourceRect.isEmpty())
        return;
    const QImage rgb = source.format() == QImage::Format_RGB32
                           ? source
                           : source.convertToFormat(QImage::Format_RGB32);
    // Map the source rectangle onto the drawing area and keep what both can hold.
    const QPoint shift = destination - sourceRect.topLeft();
    const QRect target = sourceRect.intersected(rgb.rect())
                             .translated(shift)
                             .intersected(QRect(QPoint(0, 0), drawingSize()));
    if (target.isEmpty())
        return;
    for (int ty = target.top() / tileSize; ty <= target.bottom() / tileSize; ++ty) {
        for (int tx = target.left() / tileSize; tx <= target.right() / tileSize; ++tx) {
            const QRect part =
                target.intersected(QRect(tx * tileSize, ty * tileSize, tileSize, tileSize));
            QImage &tile = tileAt(tx, ty);
            for (int y = part.top(); y <= part.bottom(); ++y) {
                const auto *from = reinterpret_cast<const QRgb *>(rgb.constScanLine(y - shift.y()));
                auto *to = reinterpret_cast<QRgb *>(tile.scanLine(y - ty * tileSize));
                std::memcpy(to + (part.left() - tx * tileSize), from + (part.left() - shift.x()),
                            sizeof(QRgb) * static_cast<size_t>(part.width()));
            }
        }
    }
    updateDrawingRect(target);
}

QImage PictureBox::image() const
{
    const QSize area = drawingSize();
    QImage out(area, QImage::Format_RGB32);
    if (out.isNull())
        return out;
    out.fill(m_back);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (!m_picture.isNull())
        painter.drawImage(QPoint(0, 0), m_picture);
    for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it)
        painter.drawImage(tileOrigin(it.key(), tileSize), it.value());
    return out;
}

QWidget *PictureBox::clientArea()
{
    if (!m_client) {
        m_client = new QWidget(this);
        layoutClientArea();
        m_client->show();
    }
    return m_client;
}

void PictureBox::updateDrawingRect(const QRect &rect)
{
    const QRect inBox = rect.translated(borderWidth(), borderWidth());
    if (m_units != Units::Screen) {
        update(inBox);
        return;
    }
    const qreal s = unitScale();
    const QRectF inWidget(QPointF(inBox.topLeft()) + m_inset, QSizeF(inBox.size()));
    update(QRectF(inWidget.topLeft() / s, inWidget.size() / s).toAlignedRect());
}

// The sunken border drawn in whole screen pixels: its outer half dark above and left and
// light below and right, its inner half the shadow and the midlight, as the platform's
// two-pixel panel is.
void PictureBox::paintBorder(QPainter &painter, const QRect &outer) const
{
    const int b = borderWidth();
    const QPalette &pal = palette();
    for (int i = 0; i < b; ++i) {
        const bool outerHalf = i < b / 2;
        const QColor upper = outerHalf ? pal.color(QPalette::Dark) : pal.color(QPalette::Shadow);
        const QColor lower = outerHalf ? pal.color(QPalette::Light) : pal.color(QPalette::Midlight);
        const QRect r = outer.adjusted(i, i, -i, -i);
        if (r.width() <= 0 || r.height() <= 0)
            break;
        painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), upper);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), upper);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), lower);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), lower);
    }
    if (hasFocus()) {
        // The inner line of the sunken border, dotted in the highlight colour.
        painter.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(outer.adjusted(b - 1, b - 1, -b, -b));
    }
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const int b = borderWidth();
    QRect exposed = event->rect();
    if (m_units == Units::Screen) {
        // Paint in screen pixels, from the box's outer top-left, which lies on a whole one.
        const qreal s = unitScale();
        painter.setWorldTransform(
            QTransform().scale(1 / s, 1 / s).translate(m_inset.x(), m_inset.y()));
        const QRectF inScreen(QPointF(exposed.topLeft()) * s - m_inset, QSizeF(exposed.size()) * s);
        exposed = inScreen.toAlignedRect();
        // The whole screen pixels of the widget outside the box show the parent's background.
        const QPointF end = QPointF(size().width(), size().height()) * s - m_inset;
        const QRect widgetArea =
            QRect(QPoint(wholeAtOrAfter(-m_inset.x()), wholeAtOrAfter(-m_inset.y())),
                  QPoint(wholeAtOrBefore(end.x()) - 1, wholeAtOrBefore(end.y()) - 1))
                .intersected(exposed);
        for (const QRect &r : QRegion(widgetArea).subtracted(QRect(QPoint(0, 0), m_boxSize)))
            painter.fillRect(r, palette().color(QPalette::Window));
    }
    const QRect areaInWidget(QPoint(b, b), drawingSize());
    exposed = exposed.intersected(areaInWidget);
    if (!exposed.isEmpty()) {
        const QRect inArea = exposed.translated(-b, -b);
        painter.fillRect(exposed, QColor(m_back));
        const QRect fromPicture = inArea.intersected(m_picture.rect());
        if (!fromPicture.isEmpty())
            painter.drawImage(fromPicture.topLeft() + QPoint(b, b), m_picture, fromPicture);
        if (!m_tiles.isEmpty()) {
            // Only the tiles under the exposed rectangle are looked at.
            for (int ty = inArea.top() / tileSize; ty <= inArea.bottom() / tileSize; ++ty) {
                for (int tx = inArea.left() / tileSize; tx <= inArea.right() / tileSize; ++tx) {
                    const QImage *tile = findTile(tx, ty);
                    if (!tile)
                        continue;
                    const QRect tileRect(tx * tileSize, ty * tileSize, tileSize, tileSize);
                    const QRect part = tileRect.intersected(inArea);
                    painter.drawImage(part.topLeft() + QPoint(b, b), *tile,
                                      part.translated(-tileRect.topLeft()));
                }
            }
        }
    }
    if (b == 0)
        return;
    if (m_units == Units::Screen) {
        paintBorder(painter, QRect(QPoint(0, 0), m_boxSize));
        return;
    }
    qDrawWinPanel(&painter, rect(), palette(), true);
    if (hasFocus()) {
        // The inner line of the sunken border, dotted in the highlight colour.
        QPen pen(palette().color(QPalette::Highlight), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(1, 1, width() - 3, height() - 3));
    }
}

// The pointer's position in the box's pixels, floored: the same mapping as the painting, so
// the pixel reported is the pixel under the pointer. Qt rounds a widget's event position to a
// whole layout pixel, which at a fractional or double scale is the neighbouring screen pixel;
// the window's own position of the event keeps its fraction and is used where it is at hand.
QPointF PictureBox::drawingPosition(const QMouseEvent *event) const
{
    QPointF local = event->position();
    const QPointF unrounded = event->scenePosition() - mapTo(window(), QPointF(0, 0));
    if (std::abs(unrounded.x() - local.x()) <= 0.5 + screenPixelTolerance &&
        std::abs(unrounded.y() - local.y()) <= 0.5 + screenPixelTolerance)
        local = unrounded;
    const QPointF inArea = local * unitScale() - m_inset - QPointF(borderWidth(), borderWidth());
    return {std::floor(inArea.x() + screenPixelTolerance),
            std::floor(inArea.y() + screenPixelTolerance)};
}

QPointF PictureBox::mapDrawingToWindow(QPointF drawingPoint) const
{
    const QPointF inBox = drawingPoint + QPointF(borderWidth(), borderWidth()) + m_inset;
    return mapTo(window(), QPointF(0, 0)) + inBox / unitScale();
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
